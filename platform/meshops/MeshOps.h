// The mesh operations behind the D3DX clean-up calls, on meshes in memory.
// All linear or near-linear in the mesh size.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/MeshData.h"

// Three neighbour faces per face: entry k is the face across the edge from corner k
// to corner (k+1) mod 3; NoNeighbour where none.
std::vector<std::uint32_t> ComputeAdjacency(const MeshData& mesh);

// Splits bowtie vertices (a vertex shared by fans that are otherwise unconnected)
// and gives back-facing pairs their own vertices. `adjacency` has 3 entries per face.
// `log` describes what was mended. False on bad input (out is then untouched).
bool CleanMeshData(const MeshData& in, const std::uint32_t* adjacency, MeshData& out,
                   std::vector<std::uint32_t>& adjacencyOut, std::string& log);

// Reduces to at least minValue vertices (options 1) or faces (options 2); a target
// at or above the current count keeps the mesh as it is.
bool SimplifyMeshData(const MeshData& in, const std::uint32_t* adjacency, std::uint32_t minValue,
                      std::uint32_t options, MeshData& out);

// Drops vertices no face references, keeping the order of the rest and every face.
// vertexRemap receives, for each output vertex, the input vertex it came from.
bool CompactMeshData(const MeshData& in, MeshData& out, std::vector<std::uint32_t>& vertexRemap);

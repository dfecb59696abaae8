// A mesh in memory, as the .x reader produces it and the mesh operations and the
// device consume it. Optional streams are empty when the mesh has none.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

struct MeshData {
    std::vector<float> Positions;           // 3 per vertex
    std::vector<float> Normals;             // 3 per vertex, or empty
    std::vector<float> TexCoords;           // 2 per vertex (u, v; v grows down the picture), or empty
    std::vector<float> Colors;              // 4 per vertex (r, g, b, a in 0..1), or empty
    std::vector<std::uint32_t> Indices;     // 3 per face
    std::vector<std::uint32_t> Attributes;  // 1 per face: the face's material (subset)

    std::size_t NumVertices() const { return Positions.size() / 3; }
    std::size_t NumFaces() const { return Indices.size() / 3; }
    bool HasNormals() const { return !Normals.empty(); }
    bool HasTexCoords() const { return !TexCoords.empty(); }
    bool HasColors() const { return !Colors.empty(); }
};

inline constexpr std::uint32_t kNoNeighbour = 0xFFFFFFFFu;

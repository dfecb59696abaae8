// What the .x reader gives back for a file: one mesh, its materials and its face
// adjacency.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/D3dTypes.h"
#include "platform/MeshData.h"

struct XFileMesh {
    MeshData Mesh;
    std::vector<D3DXMATERIAL> Materials;   // in the order of the file's material list
    std::vector<std::uint32_t> Adjacency;  // 3 per face, kNoNeighbour where none
};

// Reader for DirectX .x files (text, binary, tzip and bzip; 32- and 64-bit floats).
// Produces one mesh for the whole file: every Mesh merged with its frame transforms
// applied, faces fanned into triangles, vertices split where a corner's normal or
// texture coordinate differs, one attribute per face from its material, the
// materials, and the face adjacency. Every count and index is checked against the
// file before anything is allocated; a bad file fails with a short reason.
// Normals are never generated: a file without MeshNormals gives a mesh without a
// normal stream. Non-finite numbers in the file are read as 0. Faces without a
// material list are in subset 0 and such a mesh has no materials.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/xfile/XFileMesh.h"

bool ParseXFile(const std::uint8_t* data, std::size_t size, XFileMesh& out, std::string& reason);
bool LoadXFile(const std::string& path, XFileMesh& out, std::string& reason);

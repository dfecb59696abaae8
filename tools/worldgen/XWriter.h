// Writes one mesh as a text DirectX .x file: the Mesh template with its
// MeshNormals, MeshTextureCoords and a one-material MeshMaterialList. Numbers
// are printed with a fixed number of decimals and negative zero is folded to
// zero, so the same mesh always gives the same bytes.
#pragma once

#include <string>

#include "Geometry.h"

namespace worldgen {

std::string XText(const Mesh& mesh);
bool WriteFile(const std::string& path, const std::string& bytes);

}  // namespace worldgen

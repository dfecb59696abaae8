// One mesh as a text .x file: the Mesh template with its MeshNormals,
// MeshTextureCoords and a one-material MeshMaterialList. Positions and texture
// coordinates carry four decimals and normals six, so the same mesh always gives
// the same bytes.
#pragma once

#include <string>

#include "Geometry.h"

namespace worldgen {

std::string XText(const Mesh& mesh);

}  // namespace worldgen

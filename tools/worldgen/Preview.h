// Software previews of the generated world for checking the layout by eye:
// a top-down map and a few views from the game's camera, lit per vertex the
// way the game lights them. Written as PNG files; nothing here is shipped.
#pragma once

#include <string>
#include <vector>

#include "Textures.h"
#include "World.h"

namespace worldgen {

bool RenderPreviews(const std::vector<MeshFile>& world, const std::vector<Picture>& pictures, const std::string& dir);

}  // namespace worldgen

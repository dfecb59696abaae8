// The world: every mesh file the game loads, built at its world position
// (except the car, modelled at the origin facing +z, and the landmark, which
// the game places at (80, 0, -250)).
#pragma once

#include <string>
#include <vector>

#include "Geometry.h"

namespace worldgen {

struct MeshFile {
    std::string Path;     // relative to the data folder, e.g. "3d/3d0001.x"
    std::string Texture;  // the picture the game pairs with it, e.g. "texture0001.jpg"
    bool HighOnly = false;
    V3 PlacedAt;  // world translation the game applies (car: first car's lane at z 0)
    Mesh Shape;
};

// Fixed places shared with the preview and the README.
namespace layout {
constexpr double kRoadWest = -105, kRoadEast = -25;
constexpr double kWalkWest = -120, kWalkEast = 0;
constexpr double kLampX = -10, kLampY = 33;
constexpr double kLampZ[3] = {-500, -100, 300};
constexpr double kFigureX = -138, kFigureZ = 35;
constexpr double kLandmarkX = 80, kLandmarkZ = -250;
}  // namespace layout

std::vector<MeshFile> MakeWorld();

}  // namespace worldgen

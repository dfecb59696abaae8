// The world: every mesh file the game loads, built at its world position
// (except the car, modelled at the origin facing +z, and the landmark, which
// the game places at (80, 0, -250)).
#pragma once

#include <string>
#include <vector>

#include "Geometry.h"

namespace worldgen {

struct MeshFile {
    std::string path;     // relative to the data folder, e.g. "3d/3d0001.x"
    std::string texture;  // the picture the game pairs with it, e.g. "texture0001.jpg"
    bool highOnly = false;
    V3 placedAt;          // world translation the game applies (car: first car's lane at z 0)
    Mesh mesh;
};

// Fixed places shared with the preview and the README.
namespace layout {
constexpr double RoadWest = -105, RoadEast = -25;
constexpr double WalkWest = -120, WalkEast = 0;
constexpr double LampX = -10, LampY = 33;
constexpr double LampZ[3] = {-500, -100, 300};
constexpr double FigureX = -138, FigureZ = 35;
constexpr double LandmarkX = 80, LandmarkZ = -250;
}  // namespace layout

std::vector<MeshFile> MakeWorld();

}  // namespace worldgen

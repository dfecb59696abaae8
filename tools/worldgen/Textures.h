// The world's pictures, drawn procedurally, and the atlas regions that the
// meshes map onto. Several pictures are atlases: one picture per mesh is all
// the program gives, so a car's paint, glass, tyres and lamps, or a tree's
// leaves and bark, come from parts of the same picture.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "Geometry.h"

namespace worldgen {

struct Image {
    int W = 0, H = 0;
    std::vector<uint8_t> Rgb;  // w * h * 3, rows top to bottom
};

struct Picture {
    std::string File;  // e.g. "texture0004.jpg"
    Image Pixels;
};

// All pictures, in a fixed order.
std::vector<Picture> MakePictures();

bool SaveJpeg(const Image& image, const std::string& path, int quality);
bool SavePng(const Image& image, const std::string& path);

// Atlas regions, shared by the pictures and the meshes that use them.
namespace atlas {
constexpr double kInset = 1.5 / 256.0;
// texture0004: brick. Top half a running-bond brick tile (8 x 4 world units
// per repeat), bottom-left a window bay (one 12 x 12 floor), bottom-right a
// dark roofing felt.
inline constexpr Region kBrickPlain{0, kInset, 1, 0.5 - kInset};
inline constexpr Region kBrickWindow{kInset, 0.5 + kInset, 0.5 - kInset, 1 - kInset};
inline constexpr Region kBrickRoof{0.5 + kInset, 0.5 + kInset, 1 - kInset, 1 - kInset};
// texture0005 / texture00012: painted metal, same layout in two colours.
inline constexpr Region kPaint{0, kInset, 1, 0.625 - kInset};
inline constexpr Region kGlass{0, 0.625 + kInset, 1, 0.75 - kInset};
inline constexpr Region kRubber{0, 0.75 + kInset, 1, 0.875 - kInset};
inline constexpr Region kHeadLamp{kInset, 0.875 + kInset, 0.5 - kInset, 1 - kInset};
inline constexpr Region kTailLamp{0.5 + kInset, 0.875 + kInset, 1 - kInset, 1 - kInset};
// texture0007: concrete facade. Top half one upper floor of two bays,
// then a shop-front ground floor, then roof gravel and plain concrete.
inline constexpr Region kFacadeFloor{0, kInset, 1, 0.5 - kInset};
inline constexpr Region kFacadeShop{0, 0.5 + kInset, 1, 0.75 - kInset};
inline constexpr Region kFacadeRoof{kInset, 0.75 + kInset, 0.5 - kInset, 1 - kInset};
inline constexpr Region kFacadePlain{0.5 + kInset, 0.75 + kInset, 1 - kInset, 1 - kInset};
// texture0008: leaves above, bark below.
inline constexpr Region kLeaves{0, kInset, 1, 0.75 - kInset};
inline constexpr Region kBark{0, 0.75 + kInset, 1, 1 - kInset};
// texture00011: paving slabs above, white paint and kerb concrete below.
inline constexpr Region kPaving{0, kInset, 1, 0.75 - kInset};
inline constexpr Region kWhitePaint{kInset, 0.75 + kInset, 0.5 - kInset, 1 - kInset};
inline constexpr Region kKerb{0.5 + kInset, 0.75 + kInset, 1 - kInset, 1 - kInset};
// texture0002: roof tiles above, wooden planks below.
inline constexpr Region kRoofTiles{0, kInset, 1, 0.5 - kInset};
inline constexpr Region kPlanks{0, 0.5 + kInset, 1, 1 - kInset};
// Whole pictures that wrap: grass, asphalt, stone.
inline constexpr Region kWhole{0, 0, 1, 1};
}  // namespace atlas

}  // namespace worldgen

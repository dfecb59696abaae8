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
    int w = 0, h = 0;
    std::vector<uint8_t> rgb;  // w * h * 3, rows top to bottom
};

struct Picture {
    std::string file;  // e.g. "texture0004.jpg"
    Image image;
};

// All pictures, in a fixed order.
std::vector<Picture> MakePictures();

bool SaveJpeg(const Image& image, const std::string& path, int quality);
bool SavePng(const Image& image, const std::string& path);

// Atlas regions, shared by the pictures and the meshes that use them.
namespace atlas {
constexpr double Inset = 1.5 / 256.0;
// texture0004: brick. Top half a running-bond brick tile (8 x 4 world units
// per repeat), bottom-left a window bay (one 12 x 12 floor), bottom-right a
// dark roofing felt.
inline constexpr Region BrickPlain{0, Inset, 1, 0.5 - Inset};
inline constexpr Region BrickWindow{Inset, 0.5 + Inset, 0.5 - Inset, 1 - Inset};
inline constexpr Region BrickRoof{0.5 + Inset, 0.5 + Inset, 1 - Inset, 1 - Inset};
// texture0005 / texture00012: painted metal, same layout in two colours.
inline constexpr Region Paint{0, Inset, 1, 0.625 - Inset};
inline constexpr Region Glass{0, 0.625 + Inset, 1, 0.75 - Inset};
inline constexpr Region Rubber{0, 0.75 + Inset, 1, 0.875 - Inset};
inline constexpr Region HeadLamp{Inset, 0.875 + Inset, 0.5 - Inset, 1 - Inset};
inline constexpr Region TailLamp{0.5 + Inset, 0.875 + Inset, 1 - Inset, 1 - Inset};
// texture0007: concrete facade. Top half one upper floor of two bays,
// then a shop-front ground floor, then roof gravel and plain concrete.
inline constexpr Region FacadeFloor{0, Inset, 1, 0.5 - Inset};
inline constexpr Region FacadeShop{0, 0.5 + Inset, 1, 0.75 - Inset};
inline constexpr Region FacadeRoof{Inset, 0.75 + Inset, 0.5 - Inset, 1 - Inset};
inline constexpr Region FacadePlain{0.5 + Inset, 0.75 + Inset, 1 - Inset, 1 - Inset};
// texture0008: leaves above, bark below.
inline constexpr Region Leaves{0, Inset, 1, 0.75 - Inset};
inline constexpr Region Bark{0, 0.75 + Inset, 1, 1 - Inset};
// texture00011: paving slabs above, white paint and kerb concrete below.
inline constexpr Region Paving{0, Inset, 1, 0.75 - Inset};
inline constexpr Region WhitePaint{Inset, 0.75 + Inset, 0.5 - Inset, 1 - Inset};
inline constexpr Region Kerb{0.5 + Inset, 0.75 + Inset, 1 - Inset, 1 - Inset};
// texture0002: roof tiles above, wooden planks below.
inline constexpr Region RoofTiles{0, Inset, 1, 0.5 - Inset};
inline constexpr Region Planks{0, 0.5 + Inset, 1, 1 - Inset};
// Whole pictures that wrap: grass, asphalt, stone.
inline constexpr Region Whole{0, 0, 1, 1};
}  // namespace atlas

}  // namespace worldgen

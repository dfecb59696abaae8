// Textures from picture files (JPEG, PNG, BMP, TGA through SDL2_image), as the
// D3DX loader makes them with its defaults: each side rounded up to a power of two
// and resampled with a triangle (tent) filter, alpha 1 where the picture has none,
// rows uploaded top first, point sampling, wrap addressing, no mipmaps sampled.
// A picture whose rounded size exceeds the GL limit is scaled down to fit.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/Graphics.h"

class GlDevice;

// The smallest power of two at or above `n` (n >= 1).
int NextPowerOfTwo(int n);

// Resizes an RGBA image (rows top first) with a separable tent filter whose width
// grows with the reduction factor, so every source pixel contributes. Edges clamp.
void ResampleTent(const std::uint8_t* src, int srcWidth, int srcHeight, int dstWidth, int dstHeight,
                  std::vector<std::uint8_t>& dst);

HRESULT CreateGlTextureFromFile(GlDevice& device, const std::string& path, std::unique_ptr<Direct3DTexture8>& out);

// Picture files (JPEG, PNG, BMP, TGA through SDL2_image) turned into texels as
// the D3DX loader makes them with its defaults: each side rounded up to a power
// of two and resampled with a triangle (tent) filter, alpha 1 where the picture
// has none, rows top first. A picture whose rounded size exceeds the limit is
// scaled down to fit. Every byte of a file is untrusted: files that are not
// regular, larger than 256 MiB, whose header claims more than 8192 x 8192 pixels,
// or too short for the raw pixels it claims are refused before anything is
// decoded. No GL here.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/D3dTypes.h"

// The smallest power of two at or above `n` (n >= 1).
int NextPowerOfTwo(int n);

// Resizes an RGBA image (rows top first) with a separable tent filter whose width
// grows with the reduction factor, so every source pixel contributes. Edges clamp.
void ResampleTent(const std::uint8_t* src, int srcWidth, int srcHeight, int dstWidth, int dstHeight,
                  std::vector<std::uint8_t>& dst);

// Reads a whole regular file without blocking on it (a FIFO or a device where a
// picture should be is refused, not waited on). On failure says why in `reason`.
bool ReadPictureFile(const std::string& path, std::vector<std::uint8_t>& bytes, std::string& reason);

// Receives the texels of a decoded picture: width, height (powers of two) and
// width * height RGBA texels, valid only during the call.
using TexelSink = std::function<void(int width, int height, const std::uint8_t* texels)>;

// Decodes `file` (released as soon as it is decoded) and hands the texels, sides
// at most `limit`, to `use`. The format is told by the file's first bytes; `type`
// (the file's extension, such as "tga") names it where the bytes cannot, as for
// Targa pictures. D3DXERR_INVALIDDATA or E_OUTOFMEMORY with a short
// reason where the bytes make no usable picture; `use` is then not called.
// Pictures larger than `maxPixels` are refused: by the size their header claims,
// before decoding, and again after it.
inline constexpr std::uint64_t kMaxPicturePixels = 8192ull * 8192ull;
HRESULT DecodeTexturePicture(std::vector<std::uint8_t>& file, const std::string& type, int limit, const TexelSink& use,
                             std::string& reason, std::uint64_t maxPixels = kMaxPicturePixels);

// A small PNG codec for 8-bit RGB and RGBA pictures without interlacing: the
// runner's screenshots, the pictures the tests write, and reading them back.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace png {

enum class Color : std::uint8_t { Rgb = 2, Rgba = 6 };

// Fills one row (width * channels bytes) of the picture.
using RowSource = std::function<void(int y, std::uint8_t* row)>;

// The whole file. Rows are asked for one at a time, so a large picture needs
// only a row of memory. With `rowsStored` below `height` the data stops after
// that many rows while the header still claims the full height (a broken file).
std::string Encode(int width, int height, Color color, const RowSource& source, int rowsStored = -1);
// The file for `width * height` RGBA pixels, or an empty string when the
// pixels are fewer than the size claims.
std::string EncodeRgba(const std::vector<std::uint8_t>& rgba, int width, int height);
bool WriteRgba(const std::string& path, const std::vector<std::uint8_t>& rgba, int width, int height);

// Decodes any 8-bit RGB or RGBA file without interlacing into RGBA (every
// filter type). False for anything else or for broken data.
bool DecodeRgba(const std::string& file, std::vector<std::uint8_t>& rgba, int& width, int& height);
bool ReadRgba(const std::string& path, std::vector<std::uint8_t>& rgba, int& width, int& height);

}  // namespace png

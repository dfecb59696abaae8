// A small PNG writer (8-bit RGBA, zlib-compressed), for screenshots.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

bool WritePng(const std::string& path, const std::vector<std::uint8_t>& rgba, int width, int height);

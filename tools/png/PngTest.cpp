// The PNG codec: what it writes reads back, every row filter decodes, and broken
// files are refused.
#include "tools/png/Png.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <cstdlib>
#include <random>

namespace {

std::vector<std::uint8_t> Noise(std::size_t size, std::uint32_t seed) {
    std::mt19937 gen(seed);
    std::vector<std::uint8_t> out(size);
    for (std::uint8_t& b : out) b = static_cast<std::uint8_t>(gen() & 0xff);
    return out;
}

// Replaces the data of the file's first IDAT chunk (a new CRC included).
std::string WithData(const std::string& file, const std::string& data) {
    const std::size_t at = file.find("IDAT") - 4;
    const std::uint32_t oldLength = (std::uint32_t(std::uint8_t(file[at])) << 24) |
                                    (std::uint32_t(std::uint8_t(file[at + 1])) << 16) |
                                    (std::uint32_t(std::uint8_t(file[at + 2])) << 8) | std::uint8_t(file[at + 3]);
    std::string chunk;
    for (int shift = 24; shift >= 0; shift -= 8) chunk.push_back(static_cast<char>((data.size() >> shift) & 0xff));
    const std::string typed = "IDAT" + data;
    const uLong crc = crc32(0L, reinterpret_cast<const Bytef*>(typed.data()), static_cast<uInt>(typed.size()));
    chunk += typed;
    for (int shift = 24; shift >= 0; shift -= 8) chunk.push_back(static_cast<char>((crc >> shift) & 0xff));
    return file.substr(0, at) + chunk + file.substr(at + 12 + oldLength);
}

std::string Deflated(const std::vector<std::uint8_t>& raw) {
    uLongf size = compressBound(static_cast<uLong>(raw.size()));
    std::string out(size, '\0');
    compress(reinterpret_cast<Bytef*>(out.data()), &size, raw.data(), static_cast<uLong>(raw.size()));
    out.resize(size);
    return out;
}

TEST(Png, RgbaReadsBackExactly) {
    for (const auto& [w, h] : {std::pair{1, 1}, {7, 3}, {64, 65}}) {
        const std::vector<std::uint8_t> pixels = Noise(static_cast<std::size_t>(w * h * 4), 7);
        std::vector<std::uint8_t> back;
        int width = 0, height = 0;
        ASSERT_TRUE(png::DecodeRgba(png::EncodeRgba(pixels, w, h), back, width, height)) << w << "x" << h;
        EXPECT_EQ(width, w);
        EXPECT_EQ(height, h);
        EXPECT_EQ(back, pixels);
    }
}

TEST(Png, RgbGainsOpaqueAlpha) {
    const std::string file = png::Encode(2, 1, png::Color::Rgb, [](int, std::uint8_t* row) {
        const std::uint8_t pixels[] = {1, 2, 3, 4, 5, 6};
        std::copy(std::begin(pixels), std::end(pixels), row);
    });
    std::vector<std::uint8_t> rgba;
    int w = 0, h = 0;
    ASSERT_TRUE(png::DecodeRgba(file, rgba, w, h));
    EXPECT_EQ(rgba, (std::vector<std::uint8_t>{1, 2, 3, 255, 4, 5, 6, 255}));
}

// Three RGB rows filtered by hand with one filter each; the decoded picture
// must be the unfiltered one.
TEST(Png, EveryRowFilterDecodes) {
    const int w = 3, h = 3, bpp = 3;
    const std::vector<std::uint8_t> picture = Noise(w * h * bpp, 11);
    const auto at = [&](int y, int i) -> int {
        return y < 0 || i < 0 ? 0 : picture[static_cast<std::size_t>(y * w * bpp + i)];
    };
    const auto paeth = [](int a, int b, int c) {
        const int p = a + b - c, pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
        return pa <= pb && pa <= pc ? a : (pb <= pc ? b : c);
    };
    for (int filter = 0; filter <= 4; ++filter) {
        std::vector<std::uint8_t> raw;
        for (int y = 0; y < h; ++y) {
            raw.push_back(static_cast<std::uint8_t>(filter));
            for (int i = 0; i < w * bpp; ++i) {
                const int left = at(y, i - bpp), up = at(y - 1, i), upLeft = at(y - 1, i - bpp);
                const int predictions[] = {0, left, up, (left + up) / 2, paeth(left, up, upLeft)};
                raw.push_back(static_cast<std::uint8_t>(at(y, i) - predictions[filter]));
            }
        }
        const std::string plain = png::Encode(w, h, png::Color::Rgb, [](int, std::uint8_t*) {});
        std::vector<std::uint8_t> rgba;
        int width = 0, height = 0;
        ASSERT_TRUE(png::DecodeRgba(WithData(plain, Deflated(raw)), rgba, width, height)) << "filter " << filter;
        for (std::size_t p = 0; p < static_cast<std::size_t>(w * h); ++p) {
            EXPECT_EQ(rgba[p * 4], picture[p * 3]) << "filter " << filter << " pixel " << p;
            EXPECT_EQ(rgba[p * 4 + 2], picture[p * 3 + 2]) << "filter " << filter << " pixel " << p;
        }
    }
}

TEST(Png, BrokenFilesAreRefused) {
    const std::vector<std::uint8_t> pixels = Noise(16 * 16 * 4, 3);
    const std::string good = png::EncodeRgba(pixels, 16, 16);
    std::string badCrc = good;
    badCrc[good.find("IDAT") + 6] ^= 0x20;
    const struct {
        const char* Name;
        std::string File;
    } cases[] = {
        {"empty", ""},
        {"signature only", good.substr(0, 8)},
        {"cut in the data", good.substr(0, good.size() / 2)},
        {"no end chunk", good.substr(0, good.size() - 12)},
        {"CRC wrong", badCrc},
        {"rows missing", png::Encode(
                             16, 16, png::Color::Rgb, [](int, std::uint8_t*) {}, 4)},
        {"unknown filter", WithData(good, Deflated(std::vector<std::uint8_t>(16 * (1 + 16 * 4), 5)))},
        {"data not deflated", WithData(good, std::string(10, '\0'))},
    };
    for (const auto& c : cases) {
        std::vector<std::uint8_t> rgba;
        int w = 0, h = 0;
        EXPECT_FALSE(png::DecodeRgba(c.File, rgba, w, h)) << c.Name;
    }
    EXPECT_EQ(png::EncodeRgba(pixels, 17, 16), "") << "fewer pixels than the size claims";
}

}  // namespace

#include "tools/png/Png.h"

#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>

namespace png {

namespace {

const std::string kSignature("\x89PNG\r\n\x1a\n", 8);
constexpr int kMaxSide = 1 << 16;

void Put32(std::string& out, std::uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) {
        out.push_back(static_cast<char>((v >> shift) & 0xff));
    }
}

std::uint32_t Get32(const std::string& in, std::size_t at) {
    std::uint32_t v = 0;
    for (std::size_t i = 0; i < 4; ++i) {
        v = (v << 8) | static_cast<std::uint8_t>(in[at + i]);
    }
    return v;
}

void Chunk(std::string& out, const char* type, const std::string& data) {
    Put32(out, static_cast<std::uint32_t>(data.size()));
    const std::size_t start = out.size();
    out.append(type, 4);
    out += data;
    const auto* typed = reinterpret_cast<const Bytef*>(out.data() + start);
    Put32(out, static_cast<std::uint32_t>(crc32(0L, typed, static_cast<uInt>(out.size() - start))));
}

int Channels(Color color) { return color == Color::Rgba ? 4 : 3; }

int Paeth(int a, int b, int c) {
    const int p = a + b - c;
    const int pa = std::abs(p - a);
    const int pb = std::abs(p - b);
    const int pc = std::abs(p - c);
    if (pa <= pb && pa <= pc) return a;
    return pb <= pc ? b : c;
}

// Undoes the row filters in place; `raw` holds each row with its filter byte.
bool Unfilter(std::vector<std::uint8_t>& raw, std::size_t stride, int height, int bpp) {
    std::vector<std::uint8_t> zeros(stride, 0);
    for (int y = 0; y < height; ++y) {
        std::uint8_t* row = raw.data() + static_cast<std::size_t>(y) * (stride + 1);
        const std::uint8_t filter = row[0];
        std::uint8_t* cur = row + 1;
        const std::uint8_t* up = y == 0 ? zeros.data() : cur - (stride + 1);
        for (std::size_t i = 0; i < stride; ++i) {
            const int left = i >= static_cast<std::size_t>(bpp) ? cur[i - bpp] : 0;
            const int upLeft = i >= static_cast<std::size_t>(bpp) ? up[i - bpp] : 0;
            int add = 0;
            switch (filter) {
                case 0:
                    add = 0;
                    break;
                case 1:
                    add = left;
                    break;
                case 2:
                    add = up[i];
                    break;
                case 3:
                    add = (left + up[i]) / 2;
                    break;
                case 4:
                    add = Paeth(left, up[i], upLeft);
                    break;
                default:
                    return false;
            }
            cur[i] = static_cast<std::uint8_t>(cur[i] + add);
        }
    }
    return true;
}

bool WriteBytes(const std::string& path, const std::string& bytes) {
    std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path.c_str(), "wb"), std::fclose);
    if (!file) return false;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file.get()) == bytes.size();
    return std::fclose(file.release()) == 0 && written;
}

}  // namespace

std::string Encode(int width, int height, Color color, const RowSource& source, int rowsStored) {
    if (width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide) return {};
    const int rows = rowsStored < 0 || rowsStored > height ? height : rowsStored;

    std::string header;
    Put32(header, static_cast<std::uint32_t>(width));
    Put32(header, static_cast<std::uint32_t>(height));
    header += std::string{8, static_cast<char>(color), 0, 0, 0};  // 8 bits, deflate, no interlace

    z_stream z{};
    if (deflateInit(&z, 6) != Z_OK) return {};
    std::vector<std::uint8_t> row(1 + static_cast<std::size_t>(width) * static_cast<std::size_t>(Channels(color)), 0);
    std::string packed;
    char buffer[65536];
    for (int y = 0; y < rows; ++y) {
        row[0] = 0;  // no filter
        source(y, row.data() + 1);
        z.next_in = row.data();
        z.avail_in = static_cast<uInt>(row.size());
        const int flush = y + 1 == rows ? Z_FINISH : Z_NO_FLUSH;
        do {
            z.next_out = reinterpret_cast<Bytef*>(buffer);
            z.avail_out = sizeof buffer;
            deflate(&z, flush);
            packed.append(buffer, sizeof buffer - z.avail_out);
        } while (z.avail_out == 0);
    }
    deflateEnd(&z);

    std::string file = kSignature;
    Chunk(file, "IHDR", header);
    Chunk(file, "IDAT", packed);
    Chunk(file, "IEND", "");
    return file;
}

std::string EncodeRgba(const std::vector<std::uint8_t>& rgba, int width, int height) {
    if (width <= 0 || height <= 0 ||
        rgba.size() < static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4) {
        return {};
    }
    const std::size_t stride = static_cast<std::size_t>(width) * 4;
    return Encode(width, height, Color::Rgba, [&](int y, std::uint8_t* row) {
        std::copy_n(rgba.begin() + static_cast<std::ptrdiff_t>(stride * static_cast<std::size_t>(y)), stride, row);
    });
}

bool WriteRgba(const std::string& path, const std::vector<std::uint8_t>& rgba, int width, int height) {
    const std::string file = EncodeRgba(rgba, width, height);
    return !file.empty() && WriteBytes(path, file);
}

bool DecodeRgba(const std::string& file, std::vector<std::uint8_t>& rgba, int& width, int& height) {
    if (file.size() < kSignature.size() || file.compare(0, kSignature.size(), kSignature) != 0) return false;
    std::string header;
    std::string packed;
    bool ended = false;
    for (std::size_t at = kSignature.size(); !ended;) {
        if (file.size() - at < 12) return false;
        const std::uint32_t length = Get32(file, at);
        if (length > file.size() - at - 12) return false;
        const std::string type = file.substr(at + 4, 4);
        const std::string data = file.substr(at + 8, length);
        const auto* typed = reinterpret_cast<const Bytef*>(file.data() + at + 4);
        if (crc32(0L, typed, length + 4) != Get32(file, at + 8 + length)) return false;
        if (type == "IHDR") header = data;
        if (type == "IDAT") packed += data;
        ended = type == "IEND";
        at += 12 + length;
    }
    if (header.size() != 13) return false;
    const std::uint32_t w = Get32(header, 0);
    const std::uint32_t h = Get32(header, 4);
    const auto color = static_cast<Color>(header[9]);
    if (w == 0 || h == 0 || w > kMaxSide || h > kMaxSide || header[8] != 8 ||
        (color != Color::Rgb && color != Color::Rgba) || header[10] != 0 || header[11] != 0 || header[12] != 0) {
        return false;
    }
    const int channels = Channels(color);
    const std::size_t stride = static_cast<std::size_t>(w) * static_cast<std::size_t>(channels);
    // Deflate packs at most about 1032 to 1: a size the data cannot hold is refused
    // before anything is allocated for it.
    if ((stride + 1) * h > packed.size() * 1032 + 64) return false;
    std::vector<std::uint8_t> raw((stride + 1) * h);
    uLongf size = static_cast<uLongf>(raw.size());
    if (uncompress(raw.data(), &size, reinterpret_cast<const Bytef*>(packed.data()),
                   static_cast<uLong>(packed.size())) != Z_OK ||
        size != raw.size() || !Unfilter(raw, stride, static_cast<int>(h), channels)) {
        return false;
    }
    width = static_cast<int>(w);
    height = static_cast<int>(h);
    rgba.assign(static_cast<std::size_t>(w) * h * 4, 255);
    for (std::size_t y = 0; y < h; ++y) {
        const std::uint8_t* in = raw.data() + y * (stride + 1) + 1;
        std::uint8_t* out = rgba.data() + y * w * 4;
        for (std::size_t x = 0; x < w; ++x) {
            std::copy_n(in + x * static_cast<std::size_t>(channels), channels, out + x * 4);
        }
    }
    return true;
}

bool ReadRgba(const std::string& path, std::vector<std::uint8_t>& rgba, int& width, int& height) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    const std::string file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return DecodeRgba(file, rgba, width, height);
}

}  // namespace png

#include "tests/reliability/Inputs.h"

#include <zlib.h>

#include <cstring>
#include <random>
#include <sstream>

std::string TextX(const std::string& body) { return "xof 0303txt 0032\n" + body; }

std::string TriangleText() {
    return TextX(
        "Mesh T {\n 3;\n 0.0;0.0;0.0;,\n 1.0;0.0;0.0;,\n 0.0;1.0;0.0;;\n 1;\n 3;0,1,2;;\n"
        " MeshTextureCoords { 3; 0.0;0.0;, 1.0;0.0;, 0.0;1.0;; }\n}\n");
}

std::string GridText(int n) {
    std::ostringstream x;
    x << "Mesh Grid {\n " << (n + 1) * (n + 1) << ";\n";
    for (int z = 0; z <= n; ++z)
        for (int i = 0; i <= n; ++i)
            x << " " << i << ".0;0.0;" << z << ".0;" << (z == n && i == n ? ";" : ",") << "\n";
    x << " " << n * n << ";\n";
    for (int z = 0; z < n; ++z)
        for (int i = 0; i < n; ++i) {
            const int a = z * (n + 1) + i;
            x << " 4;" << a << "," << a + n + 1 << "," << a + n + 2 << "," << a + 1 << ";"
              << (z == n - 1 && i == n - 1 ? ";" : ",") << "\n";
        }
    x << "}\n";
    return TextX(x.str());
}

std::string NestedFramesText(int depth) {
    std::string body;
    body.reserve(static_cast<std::size_t>(depth) * 120 + 200);
    for (int i = 0; i < depth; ++i) {
        body += "Frame F" + std::to_string(i) +
                " {\n FrameTransformMatrix { 1.0,0.0,0.0,0.0, 0.0,1.0,0.0,0.0, 0.0,0.0,1.0,0.0, 0.01,0.0,0.0,1.0;; }\n";
    }
    body += "Mesh T {\n 3;\n 0.0;0.0;0.0;,\n 1.0;0.0;0.0;,\n 0.0;1.0;0.0;;\n 1;\n 3;0,1,2;;\n}\n";
    for (int i = 0; i < depth; ++i) body += "}\n";
    return TextX(body);
}

BinaryX& BinaryX::Word(std::uint16_t w) {
    bytes.push_back(static_cast<char>(w & 0xff));
    bytes.push_back(static_cast<char>(w >> 8));
    return *this;
}
BinaryX& BinaryX::Dword(std::uint32_t d) {
    Word(static_cast<std::uint16_t>(d & 0xffff));
    return Word(static_cast<std::uint16_t>(d >> 16));
}
BinaryX& BinaryX::Name(const std::string& name) {
    Word(1).Dword(static_cast<std::uint32_t>(name.size()));
    bytes += name;
    return *this;
}
BinaryX& BinaryX::IntList(const std::vector<std::uint32_t>& values) {
    return IntListClaiming(static_cast<std::uint32_t>(values.size()), values);
}
BinaryX& BinaryX::IntListClaiming(std::uint32_t count, const std::vector<std::uint32_t>& values) {
    Word(6).Dword(count);
    for (const std::uint32_t v : values) Dword(v);
    return *this;
}
BinaryX& BinaryX::FloatList(const std::vector<float>& values) {
    return FloatListClaiming(static_cast<std::uint32_t>(values.size()), values);
}
BinaryX& BinaryX::FloatListClaiming(std::uint32_t count, const std::vector<float>& values) {
    Word(7).Dword(count);
    for (const float f : values) {
        std::uint32_t bits = 0;
        std::memcpy(&bits, &f, 4);
        Dword(bits);
    }
    return *this;
}
BinaryX& BinaryX::Open() { return Word(10); }
BinaryX& BinaryX::Close() { return Word(11); }
std::string BinaryX::File() const { return "xof 0303bin 0032" + bytes; }

std::string GridBinaryBody(int n) {
    BinaryX x;
    std::vector<float> positions;
    for (int z = 0; z <= n; ++z)
        for (int i = 0; i <= n; ++i) positions.insert(positions.end(), {float(i), 0.0f, float(z)});
    std::vector<std::uint32_t> faces{static_cast<std::uint32_t>(n * n)};
    for (int z = 0; z < n; ++z)
        for (int i = 0; i < n; ++i) {
            const auto a = static_cast<std::uint32_t>(z * (n + 1) + i);
            faces.insert(faces.end(), {4u, a, a + n + 1, a + n + 2, a + 1});
        }
    x.Name("Mesh").Name("Grid").Open();
    x.IntList({static_cast<std::uint32_t>((n + 1) * (n + 1))}).FloatList(positions).IntList(faces);
    x.Close();
    return x.bytes;
}

std::string CompressedX::File() const {
    std::string out = header;
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((total >> (8 * i)) & 0xff));
    for (const CompressedBlock& b : blocks) {
        out.push_back(static_cast<char>(b.rawSize & 0xff));
        out.push_back(static_cast<char>(b.rawSize >> 8));
        out.push_back(static_cast<char>(b.packedSize & 0xff));
        out.push_back(static_cast<char>(b.packedSize >> 8));
        out += b.signature;
        out += b.data;
    }
    return out + trailing;
}

CompressedX Compress(const std::string& body, const std::string& encoding) {
    CompressedX x;
    x.header = "xof 0303" + encoding + "0032";
    x.total = static_cast<std::uint32_t>(body.size() + 16);
    for (std::size_t at = 0; at < body.size(); at += 32768) {
        const std::size_t n = std::min<std::size_t>(32768, body.size() - at);
        z_stream z{};
        deflateInit2(&z, 9, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
        std::string out(deflateBound(&z, n) + 16, '\0');
        z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(body.data() + at));
        z.avail_in = static_cast<uInt>(n);
        z.next_out = reinterpret_cast<Bytef*>(out.data());
        z.avail_out = static_cast<uInt>(out.size());
        deflate(&z, Z_FINISH);
        out.resize(z.total_out);
        deflateEnd(&z);
        CompressedBlock b;
        b.rawSize = static_cast<std::uint16_t>(n);
        b.packedSize = static_cast<std::uint16_t>(out.size() + 2);
        b.data = out;
        x.blocks.push_back(b);
    }
    return x;
}

namespace {

void Chunk(std::string& png, const char* type, const std::string& data) {
    const auto be32 = [&](std::uint32_t v) {
        for (int i = 3; i >= 0; --i) png.push_back(static_cast<char>((v >> (8 * i)) & 0xff));
    };
    be32(static_cast<std::uint32_t>(data.size()));
    const std::string typed = std::string(type, 4) + data;
    png += typed;
    be32(static_cast<std::uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(typed.data()), typed.size())));
}

std::string PngHeader(int width, int height) {
    std::string png = "\x89PNG\r\n\x1a\n";
    std::string ihdr;
    for (const int v : {width, height})
        for (int i = 3; i >= 0; --i) ihdr.push_back(static_cast<char>((v >> (8 * i)) & 0xff));
    ihdr += std::string("\x08\x02\x00\x00\x00", 5);  // 8 bits, RGB, deflate, no filter, no interlace
    Chunk(png, "IHDR", ihdr);
    return png;
}

std::string PngRows(int width, int rows) {
    z_stream z{};
    deflateInit(&z, 9);
    std::string row(1 + static_cast<std::size_t>(width) * 3, '\0');
    for (std::size_t i = 1; i < row.size(); i += 3) {
        row[i] = static_cast<char>(200);
        row[i + 1] = 100;
        row[i + 2] = 50;
    }
    std::string out;
    char buffer[65536];
    for (int y = 0; y < rows; ++y) {
        z.next_in = reinterpret_cast<Bytef*>(row.data());
        z.avail_in = static_cast<uInt>(row.size());
        const int flush = y + 1 == rows ? Z_FINISH : Z_NO_FLUSH;
        do {
            z.next_out = reinterpret_cast<Bytef*>(buffer);
            z.avail_out = sizeof buffer;
            deflate(&z, flush);
            out.append(buffer, sizeof buffer - z.avail_out);
        } while (z.avail_out == 0);
    }
    deflateEnd(&z);
    return out;
}

}  // namespace

std::string SolidPng(int width, int height) {
    std::string png = PngHeader(width, height);
    Chunk(png, "IDAT", PngRows(width, height));
    Chunk(png, "IEND", "");
    return png;
}

std::string TruncatedPng(int width, int height) {
    std::string png = PngHeader(width, height);
    Chunk(png, "IDAT", PngRows(width, 4).substr(0, 200));
    Chunk(png, "IEND", "");
    return png;
}

std::string RandomBytes(std::size_t count, std::uint32_t seed) {
    std::mt19937 gen(seed);
    std::string out(count, '\0');
    for (char& c : out) c = static_cast<char>(gen() & 0xff);
    return out;
}

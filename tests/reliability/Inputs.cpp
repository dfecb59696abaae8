#include "tests/reliability/Inputs.h"

#include <random>

#include "tools/png/Png.h"

std::string TextX(const std::string& body) { return "xof 0303txt 0032\n" + body; }

std::string TriangleText() {
    return TextX(
        "Mesh T {\n 3;\n 0.0;0.0;0.0;,\n 1.0;0.0;0.0;,\n 0.0;1.0;0.0;;\n 1;\n 3;0,1,2;;\n"
        " MeshTextureCoords { 3; 0.0;0.0;, 1.0;0.0;, 0.0;1.0;; }\n}\n");
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

xwriter::Writer Grid(int n, xwriter::Encoding encoding) {
    std::vector<double> positions;
    for (int z = 0; z <= n; ++z)
        for (int i = 0; i <= n; ++i) positions.insert(positions.end(), {double(i), 0.0, double(z)});
    std::vector<std::vector<std::uint32_t>> faces;
    const auto side = static_cast<std::uint32_t>(n + 1);
    for (std::uint32_t z = 0; z + 1 < side; ++z)
        for (std::uint32_t i = 0; i + 1 < side; ++i) {
            const std::uint32_t a = z * side + i;
            faces.push_back({a, a + side, a + side + 1, a + 1});
        }
    xwriter::Writer w(encoding);
    w.Begin("Mesh", "Grid");
    w.Count(side * side);
    w.Floats(positions, 3, 1);
    w.Faces(faces);
    w.End();
    return w;
}

namespace {

std::string OrangePng(int width, int height, int rowsStored) {
    return png::Encode(
        width, height, png::Color::Rgb,
        [width](int, std::uint8_t* row) {
            for (int x = 0; x < width; ++x) {
                row[3 * x] = 200;
                row[3 * x + 1] = 100;
                row[3 * x + 2] = 50;
            }
        },
        rowsStored);
}

}  // namespace

std::string SolidPng(int width, int height) { return OrangePng(width, height, -1); }

std::string TruncatedPng(int width, int height) { return OrangePng(width, height, 4); }

std::string RandomBytes(std::size_t count, std::uint32_t seed) {
    std::mt19937 gen(seed);
    std::string out(count, '\0');
    for (char& c : out) c = static_cast<char>(gen() & 0xff);
    return out;
}

// The generated terrain the .x benchmarks load: a gently curved sheet of
// (n + 1)^2 vertices with per-vertex normals and texture coordinates, two
// triangles per grid square, one white material, written by the project's .x
// writer as text (six decimals) or binary.
#pragma once

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "tools/xwriter/XWriter.h"

namespace xgrid {

struct Grid {
    std::vector<double> Positions, Normals, TexCoords;
    std::vector<std::vector<std::uint32_t>> Faces;
};

inline Grid MakeGrid(std::uint32_t n) {
    Grid g;
    for (std::uint32_t z = 0; z <= n; ++z) {
        for (std::uint32_t x = 0; x <= n; ++x) {
            const float fx = static_cast<float>(x) * 0.1f;
            const float fz = static_cast<float>(z) * 0.1f;
            const float y = 0.5f * std::sin(fx) * std::cos(fz);
            g.Positions.insert(g.Positions.end(), {fx, y, fz});
            const float dx = 0.5f * std::cos(fx) * std::cos(fz);
            const float dz = -0.5f * std::sin(fx) * std::sin(fz);
            const float len = std::sqrt(dx * dx + 1.0f + dz * dz);
            g.Normals.insert(g.Normals.end(), {-dx / len, 1.0f / len, -dz / len});
            g.TexCoords.insert(g.TexCoords.end(), {static_cast<float>(x) / static_cast<float>(n),
                                                   static_cast<float>(z) / static_cast<float>(n)});
        }
    }
    g.Faces.reserve(static_cast<std::size_t>(n) * n * 2);
    for (std::uint32_t z = 0; z < n; ++z) {
        for (std::uint32_t x = 0; x < n; ++x) {
            const std::uint32_t a = z * (n + 1) + x, b = a + 1, c = a + n + 1, d = c + 1;
            g.Faces.push_back({a, c, d});
            g.Faces.push_back({a, d, b});
        }
    }
    return g;
}

// The grid inside a frame, with normals, texture coordinates and one white
// material, listed once or (as exporters write it) once per face; text numbers
// carry six decimals.
inline std::string GridFile(const Grid& g, bool binary, bool materialPerFace = false) {
    constexpr int kPlaces = 6;
    xwriter::Writer w(binary ? xwriter::Encoding::Binary : xwriter::Encoding::Text);
    w.Begin("Frame", "Root");
    w.Begin("FrameTransformMatrix");
    w.Floats({1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}, 16, kPlaces);
    w.End();
    w.Begin("Mesh", "Grid");
    w.Count(static_cast<std::uint32_t>(g.Positions.size() / 3));
    w.Floats(g.Positions, 3, kPlaces);
    w.Faces(g.Faces);
    w.Begin("MeshNormals");
    w.Count(static_cast<std::uint32_t>(g.Normals.size() / 3));
    w.Floats(g.Normals, 3, kPlaces);
    w.Faces(g.Faces);
    w.End();
    w.Begin("MeshTextureCoords");
    w.Count(static_cast<std::uint32_t>(g.TexCoords.size() / 2));
    w.Floats(g.TexCoords, 2, kPlaces);
    w.End();
    w.Begin("MeshMaterialList");
    w.Count(1);
    if (materialPerFace) {
        w.Count(static_cast<std::uint32_t>(g.Faces.size()));
        w.Ints(std::vector<std::uint32_t>(g.Faces.size(), 0), 1);
    } else {
        w.Count(1);
        w.Ints({0});
    }
    w.Begin("Material");
    w.Floats({1, 1, 1, 1, 0, 0, 0, 0, 0, 0, 0}, 0, kPlaces);
    w.End();
    w.End();
    w.End();
    w.End();
    return w.Finish();
}

// Squares per side for about `triangles` triangles.
inline std::uint32_t Side(double triangles) {
    return static_cast<std::uint32_t>(std::lround(std::sqrt(triangles / 2.0)));
}

}  // namespace xgrid

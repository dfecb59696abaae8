// Meshes as the tests describe them, written through the .x writer.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/xwriter/XWriter.h"

namespace xtest {

using XWriter = xwriter::Writer;
using xwriter::Encoding;
using xwriter::EncodingName;

inline std::vector<double> Doubles(const std::vector<float>& values) { return {values.begin(), values.end()}; }

// A mesh as the tests describe it.
struct TestMesh {
    std::vector<float> Positions;
    std::vector<std::vector<std::uint32_t>> Faces;
    std::vector<float> Normals;
    std::vector<std::vector<std::uint32_t>> NormalFaces;
    std::vector<float> TexCoords;
    bool MaterialList = false;
    std::uint32_t NumMaterials = 0;
    std::vector<std::uint32_t> FaceMaterials;
    std::vector<std::string> MaterialRefs;            // written as references, then inline materials
    std::vector<std::vector<float>> InlineMaterials;  // 11 floats each
};

// A material of eleven values (colour, power, specular, emissive) naming the
// texture file where `texture` is not empty.
inline void WriteMaterial(XWriter& w, const std::string& name, const std::vector<float>& values,
                          const std::string& texture = "") {
    w.Begin("Material", name);
    w.Floats(Doubles(values));
    if (!texture.empty()) {
        w.Begin("TextureFilename");
        w.String(texture);
        w.End();
    }
    w.End();
}

inline void WriteMesh(XWriter& w, const TestMesh& m, const std::string& name = "") {
    w.Begin("Mesh", name);
    w.Count(static_cast<std::uint32_t>(m.Positions.size() / 3));
    w.Floats(Doubles(m.Positions), 3);
    w.Faces(m.Faces);
    if (!m.Normals.empty()) {
        w.Begin("MeshNormals");
        w.Count(static_cast<std::uint32_t>(m.Normals.size() / 3));
        w.Floats(Doubles(m.Normals), 3);
        w.Faces(m.NormalFaces);
        w.End();
    }
    if (!m.TexCoords.empty()) {
        w.Begin("MeshTextureCoords");
        w.Count(static_cast<std::uint32_t>(m.TexCoords.size() / 2));
        w.Floats(Doubles(m.TexCoords), 2);
        w.End();
    }
    if (m.MaterialList) {
        w.Begin("MeshMaterialList");
        w.Count(m.NumMaterials);
        w.Count(static_cast<std::uint32_t>(m.FaceMaterials.size()));
        w.Ints(m.FaceMaterials);
        for (const std::string& ref : m.MaterialRefs) {
            w.Reference(ref);
        }
        for (const auto& mat : m.InlineMaterials) {
            WriteMaterial(w, "", mat);
        }
        w.End();
    }
    w.End();
}

// A (n x n)-quad grid in the xz plane with normals, texture coordinates and two
// materials (left and right halves), each quad as two triangles. Values are
// multiples of 1/4 so every encoding carries them exactly.
inline TestMesh Grid(std::uint32_t n) {
    TestMesh m;
    for (std::uint32_t z = 0; z <= n; ++z) {
        for (std::uint32_t x = 0; x <= n; ++x) {
            m.Positions.insert(m.Positions.end(), {x * 0.25f, 0.0f, z * 0.25f});
            m.TexCoords.insert(m.TexCoords.end(), {static_cast<float>(x) / 4.0f, static_cast<float>(z) / 4.0f});
        }
    }
    m.Normals = {0.0f, 1.0f, 0.0f};
    for (std::uint32_t z = 0; z < n; ++z) {
        for (std::uint32_t x = 0; x < n; ++x) {
            const std::uint32_t a = z * (n + 1) + x;
            const std::uint32_t b = a + 1;
            const std::uint32_t c = a + n + 1;
            const std::uint32_t d = c + 1;
            m.Faces.push_back({a, c, d});
            m.Faces.push_back({a, d, b});
            m.NormalFaces.push_back({0, 0, 0});
            m.NormalFaces.push_back({0, 0, 0});
            m.FaceMaterials.push_back(x < n / 2 ? 0 : 1);
            m.FaceMaterials.push_back(x < n / 2 ? 0 : 1);
        }
    }
    m.MaterialList = true;
    m.NumMaterials = 2;
    m.InlineMaterials = {{1, 0, 0, 1, 8, 1, 1, 1, 0, 0, 0}, {0, 0, 1, 0.5f, 2, 0, 0, 0, 0.25f, 0.25f, 0.25f}};
    return m;
}

}  // namespace xtest

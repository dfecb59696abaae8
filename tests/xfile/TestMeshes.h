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
    std::vector<float> positions;
    std::vector<std::vector<std::uint32_t>> faces;
    std::vector<float> normals;
    std::vector<std::vector<std::uint32_t>> normalFaces;
    std::vector<float> texCoords;
    bool materialList = false;
    std::uint32_t numMaterials = 0;
    std::vector<std::uint32_t> faceMaterials;
    std::vector<std::string> materialRefs;  // written as references, then inline materials
    std::vector<std::vector<float>> inlineMaterials;  // 11 floats each
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
    w.Count(static_cast<std::uint32_t>(m.positions.size() / 3));
    w.Floats(Doubles(m.positions), 3);
    w.Faces(m.faces);
    if (!m.normals.empty()) {
        w.Begin("MeshNormals");
        w.Count(static_cast<std::uint32_t>(m.normals.size() / 3));
        w.Floats(Doubles(m.normals), 3);
        w.Faces(m.normalFaces);
        w.End();
    }
    if (!m.texCoords.empty()) {
        w.Begin("MeshTextureCoords");
        w.Count(static_cast<std::uint32_t>(m.texCoords.size() / 2));
        w.Floats(Doubles(m.texCoords), 2);
        w.End();
    }
    if (m.materialList) {
        w.Begin("MeshMaterialList");
        w.Count(m.numMaterials);
        w.Count(static_cast<std::uint32_t>(m.faceMaterials.size()));
        w.Ints(m.faceMaterials);
        for (const std::string& ref : m.materialRefs) {
            w.Reference(ref);
        }
        for (const auto& mat : m.inlineMaterials) {
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
            m.positions.insert(m.positions.end(), {x * 0.25f, 0.0f, z * 0.25f});
            m.texCoords.insert(m.texCoords.end(), {static_cast<float>(x) / 4.0f, static_cast<float>(z) / 4.0f});
        }
    }
    m.normals = {0.0f, 1.0f, 0.0f};
    for (std::uint32_t z = 0; z < n; ++z) {
        for (std::uint32_t x = 0; x < n; ++x) {
            const std::uint32_t a = z * (n + 1) + x;
            const std::uint32_t b = a + 1;
            const std::uint32_t c = a + n + 1;
            const std::uint32_t d = c + 1;
            m.faces.push_back({a, c, d});
            m.faces.push_back({a, d, b});
            m.normalFaces.push_back({0, 0, 0});
            m.normalFaces.push_back({0, 0, 0});
            m.faceMaterials.push_back(x < n / 2 ? 0 : 1);
            m.faceMaterials.push_back(x < n / 2 ? 0 : 1);
        }
    }
    m.materialList = true;
    m.numMaterials = 2;
    m.inlineMaterials = {{1, 0, 0, 1, 8, 1, 1, 1, 0, 0, 0}, {0, 0, 1, 0.5f, 2, 0, 0, 0, 0.25f, 0.25f, 0.25f}};
    return m;
}

}  // namespace xtest

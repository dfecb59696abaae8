#include "MeshText.h"

#include "tools/xwriter/XWriter.h"

namespace worldgen {

namespace {

constexpr int kPlaces = 4;
constexpr int kNormalPlaces = 6;
constexpr std::size_t kIndicesPerLine = 32;

}  // namespace

std::string XText(const Mesh& m) {
    std::vector<double> positions;
    std::vector<double> normals;
    std::vector<double> texCoords;
    for (const Vertex& v : m.verts) {
        const V3 n = Normalize(v.n);
        positions.insert(positions.end(), {v.p.x, v.p.y, v.p.z});
        normals.insert(normals.end(), {n.x, n.y, n.z});
        texCoords.insert(texCoords.end(), {v.u, v.v});
    }
    std::vector<std::vector<std::uint32_t>> faces;
    for (const auto& t : m.tris) {
        faces.push_back({t[0], t[1], t[2]});
    }
    const auto vertexCount = static_cast<std::uint32_t>(m.verts.size());

    xwriter::Writer w(xwriter::Encoding::Text);
    w.Begin("Mesh", m.name);
    w.Count(vertexCount);
    w.Floats(positions, 3, kPlaces);
    w.Faces(faces);

    w.Begin("MeshNormals");
    w.Count(vertexCount);
    w.Floats(normals, 3, kNormalPlaces);
    w.Faces(faces);
    w.End();

    w.Begin("MeshTextureCoords");
    w.Count(vertexCount);
    w.Floats(texCoords, 2, kPlaces);
    w.End();

    w.Begin("MeshMaterialList");
    w.Count(1);
    w.Count(static_cast<std::uint32_t>(m.tris.size()));
    w.Ints(std::vector<std::uint32_t>(m.tris.size(), 0), kIndicesPerLine);
    w.Begin("Material");
    // White, no shine, no emission.
    w.Raw("   1.000000;1.000000;1.000000;1.000000;;\n"
          "   0.000000;\n"
          "   0.000000;0.000000;0.000000;;\n"
          "   0.000000;0.000000;0.000000;;\n");
    w.End();
    w.End();
    w.End();
    return w.Finish();
}

}  // namespace worldgen

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
    for (const Vertex& v : m.Verts) {
        const V3 n = Normalize(v.N);
        positions.insert(positions.end(), {v.P.X, v.P.Y, v.P.Z});
        normals.insert(normals.end(), {n.X, n.Y, n.Z});
        texCoords.insert(texCoords.end(), {v.U, v.V});
    }
    std::vector<std::vector<std::uint32_t>> faces;
    for (const auto& t : m.Tris) {
        faces.push_back({t[0], t[1], t[2]});
    }
    const auto vertexCount = static_cast<std::uint32_t>(m.Verts.size());

    xwriter::Writer w(xwriter::Encoding::Text);
    w.Begin("Mesh", m.Name);
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
    w.Count(static_cast<std::uint32_t>(m.Tris.size()));
    w.Ints(std::vector<std::uint32_t>(m.Tris.size(), 0), kIndicesPerLine);
    w.Begin("Material");
    // White, no shine, no emission.
    w.Raw(
        "   1.000000;1.000000;1.000000;1.000000;;\n"
        "   0.000000;\n"
        "   0.000000;0.000000;0.000000;;\n"
        "   0.000000;0.000000;0.000000;;\n");
    w.End();
    w.End();
    w.End();
    return w.Finish();
}

}  // namespace worldgen

// Fuzz target for the .x reader and the mesh operations the mesh store runs on
// what it loads. Any crash, sanitizer report or broken invariant is a finding.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/meshops/MeshOps.h"
#include "platform/xfile/XFile.h"

namespace {

void Check(bool condition) {
    if (!condition) {
        __builtin_trap();
    }
}

void CheckMesh(const MeshData& m) {
    const std::size_t n = m.NumVertices();
    Check(m.Positions.size() == n * 3);
    Check(m.Normals.empty() || m.Normals.size() == n * 3);
    Check(m.TexCoords.empty() || m.TexCoords.size() == n * 2);
    Check(m.Colors.empty() || m.Colors.size() == n * 4);
    Check(m.Indices.size() % 3 == 0);
    Check(m.Attributes.empty() || m.Attributes.size() == m.NumFaces());
    for (const std::uint32_t i : m.Indices) {
        Check(i < n);
    }
}

void CheckAdjacency(const std::vector<std::uint32_t>& adjacency, std::size_t faces) {
    Check(adjacency.size() == faces * 3);
    for (const std::uint32_t a : adjacency) {
        Check(a == NoNeighbour || a < faces);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    XFileMesh loaded;
    std::string reason;
    if (!ParseXFile(data, size, loaded, reason)) {
        Check(!reason.empty());
        return 0;
    }
    CheckMesh(loaded.Mesh);
    Check(loaded.Mesh.NumFaces() > 0);
    CheckAdjacency(loaded.Adjacency, loaded.Mesh.NumFaces());
    for (const std::uint32_t a : loaded.Mesh.Attributes) {
        Check(loaded.Materials.empty() ? a == 0 : a < loaded.Materials.size());
    }

    MeshData cleaned;
    std::vector<std::uint32_t> adjacency;
    std::string log;
    Check(CleanMeshData(loaded.Mesh, loaded.Adjacency.data(), cleaned, adjacency, log));
    CheckMesh(cleaned);
    CheckAdjacency(adjacency, cleaned.NumFaces());

    MeshData simplified;
    const auto vertices = static_cast<std::uint32_t>(cleaned.NumVertices());
    Check(SimplifyMeshData(cleaned, adjacency.data(), vertices, 1, simplified));
    Check(simplified.Indices == cleaned.Indices);
    if (cleaned.NumFaces() < 20000) {
        MeshData reduced;
        Check(SimplifyMeshData(cleaned, adjacency.data(), vertices / 2, 1, reduced));
        CheckMesh(reduced);
    }

    MeshData compacted;
    std::vector<std::uint32_t> remap;
    Check(CompactMeshData(simplified, compacted, remap));
    CheckMesh(compacted);
    Check(remap.size() == compacted.NumVertices());
    Check(compacted.NumFaces() == simplified.NumFaces());
    return 0;
}

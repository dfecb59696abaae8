#include "tools/headless/Baseline.h"

#include "game/state/GeneralVariables.h"
#include "platform/sdl_gl/D3dxMesh.h"
#include "tools/headless/Instruments.h"

namespace {

void Append(MeshData& all, const MeshSlot& slot, float dx, float dz) {
    const auto* mesh = dynamic_cast<const GlMesh*>(slot.get());
    if (!mesh) return;
    const MeshData& m = mesh->Data();
    const auto base = static_cast<std::uint32_t>(all.NumVertices());
    for (std::size_t i = 0; i < m.Positions.size(); i += 3) {
        all.Positions.push_back(m.Positions[i] + dx);
        all.Positions.push_back(m.Positions[i + 1]);
        all.Positions.push_back(m.Positions[i + 2] + dz);
    }
    const std::size_t n = m.NumVertices();
    for (std::size_t i = 0; i < n * 3; ++i) all.Normals.push_back(m.HasNormals() ? m.Normals[i] : 0.0f);
    for (std::size_t i = 0; i < n * 2; ++i) all.TexCoords.push_back(m.HasTexCoords() ? m.TexCoords[i] : 0.0f);
    for (const std::uint32_t index : m.Indices) all.Indices.push_back(base + index);
    all.Attributes.insert(all.Attributes.end(), m.NumFaces(), 0);
}

}  // namespace

std::unique_ptr<D3DXMesh> MergeWorld() {
    auto& g = GeneralVariables;
    MeshData all;
    if (g.DetailLevel == 3) {
        for (const MeshSlot* slot : {&g.Mesh02, &g.Mesh03, &g.Mesh04}) Append(all, *slot, 0, 0);
    }
    for (const MeshSlot* slot :
         {&g.Mesh05, &g.Mesh07, &g.Mesh14, &g.Mesh06, &g.Mesh15, &g.Mesh01, &g.Mesh12, &g.Mesh13, &g.Mesh16, &g.Mesh17,
          &g.Mesh08, &g.Mesh11, &g.Mesh19, &g.Mesh20, &g.Mesh21, &g.Mesh22, &g.Mesh23, &g.AnimMesh[1]}) {
        Append(all, *slot, 0, 0);
    }
    Append(all, g.CarMesh1, -45, static_cast<float>(g.Car1Z));
    Append(all, g.CarMesh2, -85, static_cast<float>(g.Car2Z));
    Append(all, g.Mesh18, 80, -250);
    const auto* device = dynamic_cast<GlDevice*>(CountedDevice() ? &CountedDevice()->Inner() : g.Device.get());
    if (!device || all.Indices.empty()) return nullptr;
    std::string reason;
    return GlMesh::Make(device->ContextRef(), std::move(all), D3DXMESH_32BIT, &reason);
}

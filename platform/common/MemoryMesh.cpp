// The D3DX mesh calls on meshes in memory: the .x reader and the mesh operations
// do the work, the platform makes the resulting mesh objects.
#include "platform/common/MemoryMesh.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <numeric>
#include <vector>

#include "platform/meshops/MeshOps.h"
#include "platform/xfile/XFile.h"

namespace {

std::unique_ptr<D3DXBuffer> BufferOf(const void* data, std::size_t bytes) {
    auto buffer = std::make_unique<D3DXBuffer>(bytes);
    if (bytes > 0) std::memcpy(buffer->GetBufferPointer(), data, bytes);
    return buffer;
}

}  // namespace

HRESULT MemoryMesh::Optimize(DWORD flags, const DWORD* adjacencyIn, DWORD* adjacencyOut, DWORD* faceRemap,
                             std::unique_ptr<D3DXBuffer>* vertexRemap, std::unique_ptr<D3DXMesh>& out) {
    MeshData result;
    std::vector<std::uint32_t> remap;
    if ((flags & D3DXMESHOPT_COMPACT) != 0) {
        if (!CompactMeshData(data_, result, remap)) return D3DERR_INVALIDCALL;
    } else {
        result = data_;
        remap.resize(data_.NumVertices());
        std::iota(remap.begin(), remap.end(), 0u);
    }
    std::unique_ptr<MemoryMesh> mesh = MakeLike(std::move(result));
    if (!mesh) return E_FAIL;

    const std::size_t faces = mesh->data_.NumFaces();
    if (adjacencyOut != nullptr) {
        if (adjacencyIn != nullptr) {
            std::copy(adjacencyIn, adjacencyIn + faces * 3, adjacencyOut);
        } else {
            const std::vector<std::uint32_t> adjacency = ComputeAdjacency(mesh->data_);
            std::copy(adjacency.begin(), adjacency.end(), adjacencyOut);
        }
    }
    if (faceRemap != nullptr)
        for (std::size_t f = 0; f < faces; ++f) faceRemap[f] = static_cast<DWORD>(f);
    if (vertexRemap != nullptr) *vertexRemap = BufferOf(remap.data(), remap.size() * sizeof(DWORD));
    // An optimised mesh is the one that gets drawn: it is readied now, while the
    // world loads, instead of at its first draw in the middle of the game.
    mesh->PrepareToDraw();
    out = std::move(mesh);
    return D3D_OK;
}

HRESULT MemoryD3DX8::LoadMeshFromX(const std::string& path, DWORD options, Direct3DDevice8& device,
                                   std::unique_ptr<D3DXBuffer>* adjacency, std::unique_ptr<D3DXBuffer>* materials,
                                   DWORD* numMaterials, std::unique_ptr<D3DXMesh>& mesh, std::string* reason) {
    XFileMesh file;
    std::string why;
    if (!LoadXFile(path, file, why)) {
        // The reader says why: not found, a directory, not a regular file, unreadable, bad data.
        if (reason != nullptr) *reason = why;
        std::error_code error;
        return std::filesystem::is_regular_file(path, error) ? D3DXERR_INVALIDDATA : E_FAIL;
    }
    std::vector<std::uint32_t> adjacencyData = std::move(file.Adjacency);
    if (adjacencyData.size() != file.Mesh.NumFaces() * 3) adjacencyData = ComputeAdjacency(file.Mesh);
    std::unique_ptr<MemoryMesh> made = MakeMesh(device, std::move(file.Mesh), options, &why);
    if (!made) {
        if (reason != nullptr) *reason = why;
        return D3DERR_INVALIDCALL;
    }
    if (adjacency != nullptr) *adjacency = BufferOf(adjacencyData.data(), adjacencyData.size() * sizeof(std::uint32_t));
    if (materials != nullptr)
        *materials = BufferOf(file.Materials.data(), file.Materials.size() * sizeof(D3DXMATERIAL));
    if (numMaterials != nullptr) *numMaterials = static_cast<DWORD>(file.Materials.size());
    mesh = std::move(made);
    return D3D_OK;
}

HRESULT MemoryD3DX8::CleanMesh(D3DXMesh& mesh, const DWORD* adjacencyIn, std::unique_ptr<D3DXMesh>& out,
                               std::unique_ptr<D3DXBuffer>* adjacencyOut, std::string* errors) {
    const auto* in = dynamic_cast<const MemoryMesh*>(&mesh);
    if (in == nullptr) return D3DERR_INVALIDCALL;
    std::vector<std::uint32_t> computed;
    if (adjacencyIn == nullptr) {
        computed = ComputeAdjacency(in->Data());
        adjacencyIn = computed.data();
    }
    MeshData cleaned;
    std::vector<std::uint32_t> adjacency;
    std::string log;
    if (!CleanMeshData(in->Data(), adjacencyIn, cleaned, adjacency, log)) return D3DERR_INVALIDCALL;
    std::unique_ptr<MemoryMesh> made = in->MakeLike(std::move(cleaned));
    if (!made) return E_FAIL;
    if (adjacencyOut != nullptr) *adjacencyOut = BufferOf(adjacency.data(), adjacency.size() * sizeof(std::uint32_t));
    if (errors != nullptr) *errors = log;
    out = std::move(made);
    return D3D_OK;
}

HRESULT MemoryD3DX8::SimplifyMesh(D3DXMesh& mesh, const DWORD* adjacency, const void*, const float*, DWORD minValue,
                                  DWORD options, std::unique_ptr<D3DXMesh>& out) {
    const auto* in = dynamic_cast<const MemoryMesh*>(&mesh);
    if (in == nullptr) return D3DERR_INVALIDCALL;
    if (options != D3DXMESHSIMP_VERTEX && options != D3DXMESHSIMP_FACE) return D3DERR_INVALIDCALL;
    std::vector<std::uint32_t> computed;
    if (adjacency == nullptr) {
        computed = ComputeAdjacency(in->Data());
        adjacency = computed.data();
    }
    MeshData simplified;
    if (!SimplifyMeshData(in->Data(), adjacency, minValue, options, simplified)) return D3DERR_INVALIDCALL;
    std::unique_ptr<MemoryMesh> made = in->MakeLike(std::move(simplified));
    if (!made) return E_FAIL;
    out = std::move(made);
    return D3D_OK;
}

// D3DX on the GL platform: meshes from .x files (the shared reader), the clean-up
// calls (the shared mesh operations), textures from pictures, and TrueType text.
// Every call leaves its outputs untouched when it fails.
#include "platform/D3dx.h"
#include "platform/DirectX.h"

#include <SDL.h>

#include <cstring>
#include <filesystem>

#include "platform/sdl_gl/D3dxMesh.h"
#include "platform/sdl_gl/D3dxTexture.h"
#include "platform/sdl_gl/FontTtf.h"
#include "platform/sdl_gl/GlDevice.h"
#include "platform/meshops/MeshOps.h"
#include "platform/xfile/XFile.h"

namespace {

std::shared_ptr<GlContextRef> ContextOf(Direct3DDevice8& device) {
    auto* gl = dynamic_cast<GlDevice*>(&device);
    return gl != nullptr ? gl->ContextRef() : nullptr;
}

std::unique_ptr<D3DXBuffer> BufferOf(const void* data, std::size_t bytes) {
    auto buffer = std::make_unique<D3DXBuffer>(bytes);
    if (bytes > 0) std::memcpy(buffer->GetBufferPointer(), data, bytes);
    return buffer;
}

GlMesh* AsGlMesh(D3DXMesh& mesh) { return dynamic_cast<GlMesh*>(&mesh); }

class GlD3DX8 final : public D3DX8 {
public:
    HRESULT LoadMeshFromX(const std::string& path, DWORD options, Direct3DDevice8& device,
                          std::unique_ptr<D3DXBuffer>* adjacency, std::unique_ptr<D3DXBuffer>* materials,
                          DWORD* numMaterials, std::unique_ptr<D3DXMesh>& mesh, std::string* reason) override {
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
        std::unique_ptr<GlMesh> made = GlMesh::Make(ContextOf(device), std::move(file.Mesh), options, &why);
        if (!made) {
            if (reason != nullptr) *reason = why;
            return D3DERR_INVALIDCALL;
        }
        if (adjacency != nullptr)
            *adjacency = BufferOf(adjacencyData.data(), adjacencyData.size() * sizeof(std::uint32_t));
        if (materials != nullptr)
            *materials = BufferOf(file.Materials.data(), file.Materials.size() * sizeof(D3DXMATERIAL));
        if (numMaterials != nullptr) *numMaterials = static_cast<DWORD>(file.Materials.size());
        mesh = std::move(made);
        return D3D_OK;
    }

    HRESULT CreateTextureFromFile(Direct3DDevice8& device, const std::string& path,
                                  std::unique_ptr<Direct3DTexture8>& texture) override {
        auto* gl = dynamic_cast<GlDevice*>(&device);
        if (gl == nullptr) return D3DERR_INVALIDCALL;
        return CreateGlTextureFromFile(*gl, path, texture);
    }

    HRESULT CreateFont(Direct3DDevice8& device, const StdFont& font, std::unique_ptr<D3DXFont>& out) override {
        auto* gl = dynamic_cast<GlDevice*>(&device);
        if (gl == nullptr) return D3DERR_INVALIDCALL;
        return CreateTtfFont(*gl, font, out);
    }

    HRESULT CleanMesh(D3DXMesh& mesh, const DWORD* adjacencyIn, std::unique_ptr<D3DXMesh>& out,
                      std::unique_ptr<D3DXBuffer>* adjacencyOut, std::string* errors) override {
        GlMesh* in = AsGlMesh(mesh);
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
        std::unique_ptr<GlMesh> made = GlMesh::Make(in->Context(), std::move(cleaned), in->Options(), nullptr);
        if (!made) return E_FAIL;
        if (adjacencyOut != nullptr) *adjacencyOut = BufferOf(adjacency.data(), adjacency.size() * sizeof(std::uint32_t));
        if (errors != nullptr) *errors = log;
        out = std::move(made);
        return D3D_OK;
    }

    HRESULT SimplifyMesh(D3DXMesh& mesh, const DWORD* adjacency, const void*, const float*, DWORD minValue,
                         DWORD options, std::unique_ptr<D3DXMesh>& out) override {
        GlMesh* in = AsGlMesh(mesh);
        if (in == nullptr) return D3DERR_INVALIDCALL;
        if (options != D3DXMESHSIMP_VERTEX && options != D3DXMESHSIMP_FACE) return D3DERR_INVALIDCALL;
        std::vector<std::uint32_t> computed;
        if (adjacency == nullptr) {
            computed = ComputeAdjacency(in->Data());
            adjacency = computed.data();
        }
        MeshData simplified;
        if (!SimplifyMeshData(in->Data(), adjacency, minValue, options, simplified)) return D3DERR_INVALIDCALL;
        std::unique_ptr<GlMesh> made = GlMesh::Make(in->Context(), std::move(simplified), in->Options(), nullptr);
        if (!made) return E_FAIL;
        out = std::move(made);
        return D3D_OK;
    }
};

}  // namespace

std::unique_ptr<D3DX8> CreateD3DX8() { return std::make_unique<GlD3DX8>(); }

// D3DX on the GL platform: the mesh calls of meshes in memory, whose results are
// GL meshes; textures from pictures; TrueType text. Every call leaves its outputs
// untouched when it fails.
#include "platform/D3dx.h"
#include "platform/DirectX.h"

#include "platform/common/MemoryMesh.h"
#include "platform/sdl_gl/D3dxMesh.h"
#include "platform/sdl_gl/D3dxTexture.h"
#include "platform/sdl_gl/FontTtf.h"
#include "platform/sdl_gl/GlDevice.h"

namespace {

class GlD3DX8 final : public MemoryD3DX8 {
public:
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

protected:
    // A device of another platform gives a mesh that can be inspected and cleaned
    // but not drawn.
    std::unique_ptr<MemoryMesh> MakeMesh(Direct3DDevice8& device, MeshData data, DWORD options,
                                         std::string* reason) override {
        auto* gl = dynamic_cast<GlDevice*>(&device);
        return GlMesh::Make(gl != nullptr ? gl->ContextRef() : nullptr, std::move(data), options, reason);
    }
};

}  // namespace

std::unique_ptr<D3DX8> CreateD3DX8() { return std::make_unique<GlD3DX8>(); }

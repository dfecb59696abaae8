// The DirectX 8 root of the SDL/GL platform and the D3DX factory.
#include "platform/DirectX.h"

#include "platform/D3dx.h"
#include "platform/sdl_gl/D3dxLibrary.h"
#include "platform/sdl_gl/GlDirect3D.h"
#include "platform/sdl_gl/InputKeyboard.h"

namespace {

class SdlDirectX8 final : public DirectX8 {
public:
    std::unique_ptr<DirectInput8> DirectInputCreate() override { return CreateSdlDirectInput8(); }
    std::unique_ptr<Direct3D8> Direct3DCreate() override { return CreateGlDirect3D8(); }
};

}  // namespace

std::unique_ptr<DirectX8> CreateDirectX8() { return std::make_unique<SdlDirectX8>(); }

std::unique_ptr<D3DX8> CreateD3DX8() { return CreateGlD3DX8(); }

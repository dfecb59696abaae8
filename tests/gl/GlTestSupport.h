// Shared set-up of the GL tests: a hidden SDL window with a real device on it, a
// camera looking down +z, simple meshes built by hand, and pixel read-back.
#pragma once

#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "platform/D3dx.h"
#include "platform/DirectX.h"
#include "platform/MeshData.h"
#include "platform/sdl_gl/D3dxMesh.h"
#include "platform/sdl_gl/GlDebug.h"
#include "platform/sdl_gl/GlDevice.h"
#include "platform/sdl_gl/GlReadBack.h"

namespace gltest {

inline bool UnderCi() {
    const char* ci = std::getenv("CI");
    return ci != nullptr && std::string(ci) == "true";
}

struct Rgb {
    int R = 0, G = 0, B = 0;
};

// D3D-style perspective matrix (fovy 60 degrees, aspect 1, near 1, far 800), as the game builds it.
inline D3DMATRIX GameProjection() {
    D3DMATRIX m;
    const float ys = 1.7320508f, q = 800.0f / 799.0f;
    m.m[0][0] = ys;
    m.m[1][1] = ys;
    m.m[2][2] = q;
    m.m[2][3] = 1.0f;
    m.m[3][2] = -q;
    return m;
}

inline D3DMATRIX IdentityMatrix() {
    D3DMATRIX m;
    for (int i = 0; i < 4; ++i) m.m[i][i] = 1.0f;
    return m;
}

// A square facing the camera (-z) at depth z, half-size s, two triangles, with
// normals n, texture coordinates (0,0) top-left to (1,1) bottom-right, attribute 0.
inline MeshData Square(float cx, float cy, float z, float s, float nz = -1.0f, bool normals = true) {
    MeshData m;
    m.Positions = {cx - s, cy + s, z, cx + s, cy + s, z, cx - s, cy - s, z, cx + s, cy - s, z};
    if (normals) m.Normals = {0, 0, nz, 0, 0, nz, 0, 0, nz, 0, 0, nz};
    m.TexCoords = {0, 0, 1, 0, 0, 1, 1, 1};
    m.Indices = {0, 1, 2, 2, 1, 3};
    m.Attributes = {0, 0};
    return m;
}

class GlDeviceTest : public ::testing::Test {
protected:
    static constexpr int kWidth = 64;
    static constexpr int kHeight = 64;

    void SetUp() override { Open(kWidth, kHeight, kWidth, kHeight, D3DFMT_D16); }

    // Opens a window of windowW x windowH and a windowed device with a back buffer of
    // backW x backH. Skips (or fails under CI) when no GL context can be made.
    void Open(int windowW, int windowH, int backW, int backH, DWORD depthFormat) {
        if (SDL_WasInit(SDL_INIT_VIDEO) == 0 && SDL_Init(SDL_INIT_VIDEO) != 0) {
            Unavailable(std::string("SDL video: ") + SDL_GetError());
            return;
        }
        window = SDL_CreateWindow("gl test", 0, 0, windowW, windowH, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
        if (window == nullptr) {
            Unavailable(std::string("SDL window: ") + SDL_GetError());
            return;
        }
        root = CreateDirectX8();
        d3d = root->Direct3DCreate();
        D3DPRESENT_PARAMETERS params;
        params.BackBufferWidth = static_cast<DWORD>(backW);
        params.BackBufferHeight = static_cast<DWORD>(backH);
        params.BackBufferFormat = D3DFMT_X8R8G8B8;
        params.BackBufferCount = 1;
        params.SwapEffect = D3DSWAPEFFECT_FLIP;
        params.hDeviceWindow = window;
        params.Windowed = 1;
        params.EnableAutoDepthStencil = 1;
        params.AutoDepthStencilFormat = depthFormat;
        const HRESULT hr = d3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, window,
                                             D3DCREATE_SOFTWARE_VERTEXPROCESSING, params, device);
        if (hr != D3D_OK || !device) {
            Unavailable("no OpenGL 3.3 core device");
            return;
        }
        d3dx = CreateD3DX8();
        errorsAtStart = GlErrorCount();
    }

    void Unavailable(const std::string& why) {
        if (UnderCi()) FAIL() << why;
        GTEST_SKIP() << why;
    }

    void TearDown() override {
        if (device) {
            EXPECT_EQ(GlErrorCount(), errorsAtStart) << "GL errors were reported";
        }
        meshes.clear();
        d3dx.reset();
        device.reset();
        d3d.reset();
        if (window != nullptr) SDL_DestroyWindow(window);
    }

    GlDevice& Gl() { return static_cast<GlDevice&>(*device); }

    // Camera at the origin looking down +z with the game's projection.
    void UseCamera() {
        device->SetTransform(D3DTS_WORLD, IdentityMatrix());
        device->SetTransform(D3DTS_VIEW, IdentityMatrix());
        device->SetTransform(D3DTS_PROJECTION, GameProjection());
    }

    D3DXMesh& AddMesh(MeshData data, DWORD options = D3DXMESH_MANAGED) {
        std::string reason;
        std::unique_ptr<GlMesh> mesh = GlMesh::Make(Gl().ContextRef(), std::move(data), options, &reason);
        EXPECT_TRUE(mesh) << reason;
        meshes.push_back(std::move(mesh));
        return *meshes.back();
    }

    void ClearTo(D3DCOLOR color) { device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, color, 1.0f, 0); }

    void DrawInScene(D3DXMesh& mesh, DWORD subset = 0) {
        ASSERT_EQ(device->BeginScene(), D3D_OK);
        EXPECT_EQ(mesh.DrawSubset(subset), D3D_OK);
        ASSERT_EQ(device->EndScene(), D3D_OK);
    }

    void Read() { ASSERT_TRUE(ReadBackBuffer(*device, pixels, readW, readH)); }

    Rgb At(int x, int y) const {
        const std::size_t i = (static_cast<std::size_t>(y) * readW + x) * 4;
        return {pixels[i], pixels[i + 1], pixels[i + 2]};
    }

    Rgb Centre() const { return At(readW / 2, readH / 2); }

    SDL_Window* window = nullptr;
    std::unique_ptr<DirectX8> root;
    std::unique_ptr<Direct3D8> d3d;
    std::unique_ptr<Direct3DDevice8> device;
    std::unique_ptr<D3DX8> d3dx;
    std::vector<std::unique_ptr<D3DXMesh>> meshes;
    std::vector<std::uint8_t> pixels;
    int readW = 0, readH = 0;
    std::uint64_t errorsAtStart = 0;
};

inline void ExpectNear(const Rgb& got, const Rgb& want, int tolerance, const std::string& what) {
    EXPECT_NEAR(got.R, want.R, tolerance) << what << " (red)";
    EXPECT_NEAR(got.G, want.G, tolerance) << what << " (green)";
    EXPECT_NEAR(got.B, want.B, tolerance) << what << " (blue)";
}

inline int ToByte(double v) {
    v = v < 0 ? 0 : (v > 1 ? 1 : v);
    return static_cast<int>(v * 255.0 + 0.5);
}

}  // namespace gltest

// Thin pass-through layers over the platform's root, device and D3DX objects that
// count scenes and time the start-up's parts for the runner. The game sees the
// same interfaces; the platform sees its own objects (each layer hands the inner
// device through).
#pragma once

#include <chrono>
#include <memory>

#include "platform/D3dx.h"
#include "platform/DirectX.h"

struct StartupTimes {
    double ParseMs = 0;    // LoadMeshFromX
    double CleanupMs = 0;  // CleanMesh and SimplifyMesh
    double TextureMs = 0;  // CreateTextureFromFile (decode and upload)
    double PresentMs = 0;  // Present while loading (the loading lines)
    int Meshes = 0, Textures = 0, Presents = 0;
};

StartupTimes& Times();

class CountingDevice final : public Direct3DDevice8 {
public:
    explicit CountingDevice(std::unique_ptr<Direct3DDevice8> inner) : inner_(std::move(inner)) {}
    Direct3DDevice8& Inner() { return *inner_; }
    std::uint64_t Scenes() const { return scenes_; }
    void SetLoading(bool loading) { loading_ = loading; }

    HRESULT Clear(DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR color, float z, DWORD stencil) override {
        return inner_->Clear(count, rects, flags, color, z, stencil);
    }
    HRESULT BeginScene() override {
        ++scenes_;
        return inner_->BeginScene();
    }
    HRESULT EndScene() override { return inner_->EndScene(); }
    HRESULT Present(const RECT* s, const RECT* d, void* w, const void* r) override;
    HRESULT SetRenderState(DWORD state, DWORD value) override { return inner_->SetRenderState(state, value); }
    HRESULT GetRenderState(DWORD state, DWORD* value) override { return inner_->GetRenderState(state, value); }
    HRESULT SetTransform(DWORD state, const D3DMATRIX& m) override { return inner_->SetTransform(state, m); }
    HRESULT SetTexture(DWORD stage, Direct3DTexture8* t) override { return inner_->SetTexture(stage, t); }
    HRESULT SetMaterial(const D3DMATERIAL8& m) override { return inner_->SetMaterial(m); }
    HRESULT SetLight(DWORD index, const D3DLIGHT8& l) override { return inner_->SetLight(index, l); }
    HRESULT LightEnable(DWORD index, int enable) override { return inner_->LightEnable(index, enable); }
    HRESULT GetLightEnable(DWORD index, int* enable) override { return inner_->GetLightEnable(index, enable); }

private:
    std::unique_ptr<Direct3DDevice8> inner_;
    std::uint64_t scenes_ = 0;
    bool loading_ = true;
};

// The device the game holds, as the counting layer (null before it exists).
CountingDevice* CountedDevice();

// A DirectX root whose Direct3D object hands out counting devices.
std::unique_ptr<DirectX8> MakeInstrumentedRoot();
// A D3DX library that times its calls and hands the platform its own device.
std::unique_ptr<D3DX8> MakeInstrumentedD3DX();

// The loading line shown for each file while the world loads, and the fog states
// set before each object while fog is on.
#include <bit>

#include "game/state/GeneralVariables.h"
#include "scene/loading/LoadingText.h"

HRESULT RenderText(const std::string& text) {
    auto& g = GeneralVariables;
    if (!g.Device || !g.TextFont) return D3DERR_INVALIDCALL;
    HRESULT hr = g.Device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0x00000001, 1.0f, 0);
    if (Failed(hr)) return hr;
    // Text goes through the device like any drawing, so it sits in a scene.
    hr = g.Device->BeginScene();
    if (Failed(hr)) return hr;
    g.TextFont->DrawText(text, -1, g.TextRect, DT_CENTER, 0xFFCCCCFF);
    hr = g.Device->EndScene();
    if (Failed(hr)) return hr;
    return g.Device->Present(nullptr, nullptr, nullptr, nullptr);
}

HRESULT SetupFog() {
    auto& g = GeneralVariables;
    if (!g.Device) return D3DERR_INVALIDCALL;
    Direct3DDevice8& device = *g.Device;
    HRESULT hr = D3D_OK;
    const auto set = [&](DWORD state, DWORD value) {
        if (Succeeded(hr)) hr = device.SetRenderState(state, value);
    };
    set(D3DRS_FOGENABLE, 1);
    set(D3DRS_FOGCOLOR, g.FogColor);
    set(D3DRS_FOGTABLEMODE, D3DFOG_NONE);
    set(D3DRS_FOGVERTEXMODE, D3DFOG_LINEAR);
    set(D3DRS_FOGSTART, static_cast<DWORD>(FloatBits(400.0f)));
    set(D3DRS_FOGEND, static_cast<DWORD>(FloatBits(700.0f)));
    return hr;
}

std::int32_t FloatBits(float value) { return std::bit_cast<std::int32_t>(value); }

// The 3-D device: the Direct3D 8 calls the game makes, as an interface with two
// implementations (OpenGL 3.3 on SDL2, and a recording fake for unit tests).
// Results are HRESULT codes, never exceptions. State set on the device persists
// until it is set again.
#pragma once

#include <memory>

#include "platform/D3dTypes.h"

class Direct3DTexture8 {
public:
    virtual ~Direct3DTexture8() = default;
    virtual DWORD Width() const = 0;
    virtual DWORD Height() const = 0;
};

class Direct3DDevice8 {
public:
    virtual ~Direct3DDevice8() = default;

    virtual HRESULT Clear(DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR color, float z, DWORD stencil) = 0;
    virtual HRESULT BeginScene() = 0;
    virtual HRESULT EndScene() = 0;
    // Source and destination rectangles, override window and dirty region: the game
    // always passes none, and the device shows the whole back buffer.
    virtual HRESULT Present(const RECT* source, const RECT* dest, void* overrideWindow, const void* dirtyRegion) = 0;
    virtual HRESULT SetRenderState(DWORD state, DWORD value) = 0;
    virtual HRESULT GetRenderState(DWORD state, DWORD* value) = 0;
    virtual HRESULT SetTransform(DWORD state, const D3DMATRIX& matrix) = 0;
    virtual HRESULT SetTexture(DWORD stage, Direct3DTexture8* texture) = 0;
    virtual HRESULT SetMaterial(const D3DMATERIAL8& material) = 0;
    virtual HRESULT SetLight(DWORD index, const D3DLIGHT8& light) = 0;
    virtual HRESULT LightEnable(DWORD index, int enable) = 0;
    virtual HRESULT GetLightEnable(DWORD index, int* enable) = 0;
};

class Direct3D8 {
public:
    virtual ~Direct3D8() = default;
    virtual HRESULT GetAdapterDisplayMode(DWORD adapter, D3DDISPLAYMODE& mode) = 0;
    virtual HRESULT CheckDeviceType(DWORD adapter, DWORD devType, DWORD displayFormat, DWORD backBufferFormat,
                                    int windowed) = 0;
    // hFocusWindow and params.hDeviceWindow are the game window's native handle
    // (FormHandle of platform/Window.h).
    virtual HRESULT CreateDevice(DWORD adapter, DWORD devType, void* hFocusWindow, DWORD behaviorFlags,
                                 D3DPRESENT_PARAMETERS& params, std::unique_ptr<Direct3DDevice8>& device) = 0;
};

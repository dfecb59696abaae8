// Records and codes of the 3-D and input services, with the names and layouts the
// game code uses in the calls it makes.
#pragma once

#include <cstdint>

// NOLINTBEGIN(readability-identifier-naming): the device API's own names

using HRESULT = std::int32_t;
using DWORD = std::uint32_t;
using D3DCOLOR = std::uint32_t;  // 0xAARRGGBB

inline constexpr HRESULT D3D_OK = 0;
inline constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005u);
inline constexpr HRESULT E_OUTOFMEMORY = static_cast<HRESULT>(0x8007000Eu);
inline constexpr HRESULT D3DERR_NOTAVAILABLE = static_cast<HRESULT>(0x8876086Au);
inline constexpr HRESULT D3DERR_INVALIDDEVICE = static_cast<HRESULT>(0x8876086Bu);
inline constexpr HRESULT D3DERR_INVALIDCALL = static_cast<HRESULT>(0x8876086Cu);
inline constexpr HRESULT D3DXERR_INVALIDDATA = static_cast<HRESULT>(0x88760B59u);

inline constexpr bool Succeeded(HRESULT hr) { return hr >= 0; }
inline constexpr bool Failed(HRESULT hr) { return hr < 0; }

// Formats
inline constexpr DWORD D3DFMT_UNKNOWN = 0;
inline constexpr DWORD D3DFMT_R8G8B8 = 20;
inline constexpr DWORD D3DFMT_A8R8G8B8 = 21;
inline constexpr DWORD D3DFMT_X8R8G8B8 = 22;
inline constexpr DWORD D3DFMT_R5G6B5 = 23;
inline constexpr DWORD D3DFMT_X1R5G5B5 = 24;
inline constexpr DWORD D3DFMT_D32 = 71;
inline constexpr DWORD D3DFMT_D24S8 = 75;
inline constexpr DWORD D3DFMT_D24X8 = 77;
inline constexpr DWORD D3DFMT_D16 = 80;

inline constexpr DWORD D3DADAPTER_DEFAULT = 0;
inline constexpr DWORD D3DDEVTYPE_HAL = 1;
inline constexpr DWORD D3DCREATE_SOFTWARE_VERTEXPROCESSING = 0x20;
inline constexpr DWORD D3DSWAPEFFECT_FLIP = 2;

// Clear flags
inline constexpr DWORD D3DCLEAR_TARGET = 1;
inline constexpr DWORD D3DCLEAR_ZBUFFER = 2;

// Render states used by the program and the device
inline constexpr DWORD D3DRS_ZENABLE = 7;
inline constexpr DWORD D3DRS_FILLMODE = 8;
inline constexpr DWORD D3DRS_ZWRITEENABLE = 14;
inline constexpr DWORD D3DRS_CULLMODE = 22;
inline constexpr DWORD D3DRS_ZFUNC = 23;
inline constexpr DWORD D3DRS_FOGENABLE = 28;
inline constexpr DWORD D3DRS_SPECULARENABLE = 29;
inline constexpr DWORD D3DRS_FOGCOLOR = 34;
inline constexpr DWORD D3DRS_FOGTABLEMODE = 35;
inline constexpr DWORD D3DRS_FOGSTART = 36;
inline constexpr DWORD D3DRS_FOGEND = 37;
inline constexpr DWORD D3DRS_RANGEFOGENABLE = 48;
inline constexpr DWORD D3DRS_LIGHTING = 137;
inline constexpr DWORD D3DRS_AMBIENT = 139;
inline constexpr DWORD D3DRS_FOGVERTEXMODE = 140;
inline constexpr DWORD D3DRS_COLORVERTEX = 141;
inline constexpr DWORD D3DRS_LOCALVIEWER = 142;
inline constexpr DWORD D3DRS_NORMALIZENORMALS = 143;

inline constexpr DWORD D3DFILL_POINT = 1;
inline constexpr DWORD D3DFILL_WIREFRAME = 2;
inline constexpr DWORD D3DFILL_SOLID = 3;
inline constexpr DWORD D3DCULL_NONE = 1;
inline constexpr DWORD D3DCULL_CW = 2;
inline constexpr DWORD D3DCULL_CCW = 3;
inline constexpr DWORD D3DZB_TRUE = 1;
inline constexpr DWORD D3DFOG_NONE = 0;
inline constexpr DWORD D3DFOG_LINEAR = 3;

// Transform states
inline constexpr DWORD D3DTS_VIEW = 2;
inline constexpr DWORD D3DTS_PROJECTION = 3;
inline constexpr DWORD D3DTS_WORLD = 256;

// Light types
inline constexpr DWORD D3DLIGHT_POINT = 1;
inline constexpr DWORD D3DLIGHT_SPOT = 2;
inline constexpr DWORD D3DLIGHT_DIRECTIONAL = 3;

// D3DX options
inline constexpr DWORD D3DXMESH_32BIT = 0x001;
inline constexpr DWORD D3DXMESH_MANAGED = 0x220;
inline constexpr DWORD D3DXMESHSIMP_VERTEX = 1;
inline constexpr DWORD D3DXMESHSIMP_FACE = 2;
inline constexpr DWORD D3DXMESHOPT_COMPACT = 0x01000000;
inline constexpr DWORD DT_TOP = 0;
inline constexpr DWORD DT_CENTER = 1;

// DirectInput
inline constexpr DWORD DIFORMAT_KEYBOARD = 1;  // the standard 256-byte keyboard state
inline constexpr DWORD DISCL_NONEXCLUSIVE = 2;
inline constexpr DWORD DISCL_BACKGROUND = 8;

struct D3DCOLORVALUE {
    float r = 0, g = 0, b = 0, a = 0;
};

struct D3DVECTOR {
    float x = 0, y = 0, z = 0;
};

struct D3DMATRIX {
    // Row-major, row vectors: a point transforms as [x y z 1] * M.
    float m[4][4] = {};
};

struct D3DLIGHT8 {
    DWORD Type = 0;
    D3DCOLORVALUE Diffuse;
    D3DCOLORVALUE Specular;
    D3DCOLORVALUE Ambient;
    D3DVECTOR Position;
    D3DVECTOR Direction;
    float Range = 0;
    float Falloff = 0;
    float Attenuation0 = 0;
    float Attenuation1 = 0;
    float Attenuation2 = 0;
    float Theta = 0;
    float Phi = 0;
};

struct D3DMATERIAL8 {
    D3DCOLORVALUE Diffuse;
    D3DCOLORVALUE Ambient;
    D3DCOLORVALUE Specular;
    D3DCOLORVALUE Emissive;
    float Power = 0;
};

struct D3DXMATERIAL {
    D3DMATERIAL8 MatD3D;
    char TextureFilename[260] = {};  // empty when the material names no picture
};

struct RECT {
    std::int32_t left = 0, top = 0, right = 0, bottom = 0;
};

struct D3DRECT {
    std::int32_t x1 = 0, y1 = 0, x2 = 0, y2 = 0;
};

struct D3DDISPLAYMODE {
    DWORD Width = 0;
    DWORD Height = 0;
    DWORD RefreshRate = 0;
    DWORD Format = 0;
};

struct D3DPRESENT_PARAMETERS {
    DWORD BackBufferWidth = 0;
    DWORD BackBufferHeight = 0;
    DWORD BackBufferFormat = 0;
    DWORD BackBufferCount = 0;
    DWORD MultiSampleType = 0;
    DWORD SwapEffect = 0;
    void* hDeviceWindow = nullptr;
    DWORD Windowed = 0;
    DWORD EnableAutoDepthStencil = 0;
    DWORD AutoDepthStencilFormat = 0;
    DWORD Flags = 0;
    DWORD FullScreen_RefreshRateInHz = 0;
    DWORD FullScreen_PresentationInterval = 0;
};
// NOLINTEND(readability-identifier-naming)

// Render-state numbers and small conversions shared by the GL device's files.
#pragma once

#include "platform/sdl_gl/GlApi.h"

#include <cstring>

#include "platform/D3dTypes.h"

namespace gl_states {
// D3D8 render-state numbers the device reads beyond those in D3dTypes.h.
inline constexpr DWORD kRsShadeMode = 9;
inline constexpr DWORD kRsLastPixel = 16;
inline constexpr DWORD kRsSrcBlend = 19;
inline constexpr DWORD kRsDestBlend = 20;
inline constexpr DWORD kRsAlphaFunc = 25;
inline constexpr DWORD kRsFogDensity = 38;
inline constexpr DWORD kRsStencilFail = 53;
inline constexpr DWORD kRsStencilZFail = 54;
inline constexpr DWORD kRsStencilPass = 55;
inline constexpr DWORD kRsStencilFunc = 56;
inline constexpr DWORD kRsStencilMask = 58;
inline constexpr DWORD kRsStencilWriteMask = 59;
inline constexpr DWORD kRsTextureFactor = 60;
inline constexpr DWORD kRsClipping = 136;
inline constexpr DWORD kRsDiffuseMaterialSource = 145;
inline constexpr DWORD kRsSpecularMaterialSource = 146;
inline constexpr DWORD kRsAmbientMaterialSource = 147;
inline constexpr DWORD kRsEmissiveMaterialSource = 148;
inline constexpr DWORD kRsPointSize = 154;
inline constexpr DWORD kRsPointScaleA = 158;
inline constexpr DWORD kRsMultisampleAntialias = 161;
inline constexpr DWORD kRsMultisampleMask = 162;
inline constexpr DWORD kRsPatchSegments = 164;
inline constexpr DWORD kRsPointSizeMax = 166;
inline constexpr DWORD kRsColorWriteEnable = 168;
inline constexpr DWORD kRsBlendOp = 171;
inline constexpr DWORD kRsPositionOrder = 172;
inline constexpr DWORD kRsNormalOrder = 173;

inline constexpr DWORD kMcsColor1 = 1;
inline constexpr DWORD kMaxTextureStages = 8;

inline DWORD Bits(float value) {
    DWORD bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

inline float FromBits(DWORD bits) {
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

inline D3DMATRIX Identity() {
    D3DMATRIX m;
    for (int i = 0; i < 4; ++i) m.m[i][i] = 1.0f;
    return m;
}

inline D3DMATRIX Multiply(const D3DMATRIX& a, const D3DMATRIX& b) {
    D3DMATRIX out;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            out.m[i][j] = a.m[i][0] * b.m[0][j] + a.m[i][1] * b.m[1][j] + a.m[i][2] * b.m[2][j] + a.m[i][3] * b.m[3][j];
    return out;
}

inline GLenum CompareFunc(DWORD d3dCmp) {
    switch (d3dCmp) {
        case 1:
            return GL_NEVER;
        case 2:
            return GL_LESS;
        case 3:
            return GL_EQUAL;
        case 5:
            return GL_GREATER;
        case 6:
            return GL_NOTEQUAL;
        case 7:
            return GL_GEQUAL;
        case 8:
            return GL_ALWAYS;
        default:
            return GL_LEQUAL;
    }
}

inline void ColorToFloats(D3DCOLOR c, float out[4]) {
    out[0] = static_cast<float>((c >> 16) & 0xFF) / 255.0f;
    out[1] = static_cast<float>((c >> 8) & 0xFF) / 255.0f;
    out[2] = static_cast<float>(c & 0xFF) / 255.0f;
    out[3] = static_cast<float>((c >> 24) & 0xFF) / 255.0f;
}

}  // namespace gl_states

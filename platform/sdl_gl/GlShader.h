// The one shader program of the GL device: the fixed-function vertex stage
// (transform, per-vertex lighting in camera space, vertex fog) and pixel stage
// (texture stage 0 modulate, specular add, fog), plus a screen-space mode for text.
#pragma once

// Bits of the uFlags uniform, shared by the device code and the shader text.
namespace GlFlag {
inline constexpr int Lighting = 1 << 0;
inline constexpr int SpecularEnable = 1 << 1;
inline constexpr int LocalViewer = 1 << 2;
inline constexpr int NormalizeNormals = 1 << 3;
inline constexpr int RangeFog = 1 << 4;
inline constexpr int Fog = 1 << 5;
inline constexpr int HasNormal = 1 << 6;
inline constexpr int HasColor = 1 << 7;
inline constexpr int HasTexture = 1 << 8;
inline constexpr int DiffuseFromVertex = 1 << 9;
inline constexpr int AmbientFromVertex = 1 << 10;
inline constexpr int SpecularFromVertex = 1 << 11;
inline constexpr int EmissiveFromVertex = 1 << 12;
}  // namespace GlFlag

inline constexpr int GlMaxLights = 8;
inline constexpr int GlModeScene = 0;
inline constexpr int GlModeScreenText = 1;

extern const char* const GlVertexShaderSource;
extern const char* const GlFragmentShaderSource;

// The shader programs of the GL device: the fixed-function vertex stage (transform,
// per-vertex lighting in camera space, vertex fog) and pixel stage (texture stage 0
// modulate, specular add, fog), plus a screen-space program for text. Each program
// is a variant made for one set of rarely-changing state (lighting, the enabled
// lights and their kinds, specular, fog and its mode, texturing), with no code for
// what it lacks.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// Bits of the uFlags uniform: the state a variant still reads at run time.
namespace gl_flag {
inline constexpr int kLighting = 1 << 0;
inline constexpr int kSpecularEnable = 1 << 1;
inline constexpr int kLocalViewer = 1 << 2;
inline constexpr int kNormalizeNormals = 1 << 3;
inline constexpr int kRangeFog = 1 << 4;
inline constexpr int kFog = 1 << 5;
inline constexpr int kHasNormal = 1 << 6;
inline constexpr int kHasColor = 1 << 7;
inline constexpr int kHasTexture = 1 << 8;
inline constexpr int kDiffuseFromVertex = 1 << 9;
inline constexpr int kAmbientFromVertex = 1 << 10;
inline constexpr int kSpecularFromVertex = 1 << 11;
inline constexpr int kEmissiveFromVertex = 1 << 12;
}  // namespace gl_flag

inline constexpr int kGlMaxLights = 8;

// Fog factor modes, numbered as the fog-mode render states number them.
inline constexpr int kGlFogExp = 1;     // exp(-density * d)
inline constexpr int kGlFogExp2 = 2;    // exp(-(density * d)^2)
inline constexpr int kGlFogLinear = 3;  // (end - d) / (end - start)

// The state a program variant is made for.
struct GlShaderKey {
    bool Text = false;  // screen-space text: nothing else applies
    bool Lighting = false;
    bool Specular = false;  // only with lighting
    bool Fog = false;
    bool Texture = false;
    int LightCount = 0;          // enabled lights, 0..GlMaxLights (only with lighting)
    unsigned PointLights = 0;    // bit i: light i is a point light, else directional
    int FogMode = kGlFogLinear;  // with fog: which factor the program computes

    // One number per distinct variant; keys that make the same program pack alike.
    std::uint32_t Packed() const;
};

std::string GlVertexShaderText(const GlShaderKey& key);
std::string GlFragmentShaderText(const GlShaderKey& key);

// The start-up set: text (made with the device), unlit drawing, and lit drawing
// with the program's own light layouts (three or five point lights), each with fog
// on and off, with and without texturing. The device makes those of the first
// frame's texturing during that frame; others are made at their first draw.
extern const GlShaderKey kGlStartupVariants[];
extern const std::size_t kGlStartupVariantCount;

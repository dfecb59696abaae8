// Shader text of the GL device. The vertex stage reproduces the fixed-function
// lighting equation per vertex in camera space:
//   D = Ce + Ca*(Ga + sum La*Atten) + sum Cd*Ld*max(N.L,0)*Atten
//   S = Cs * sum Ls*max(N.H,0)^P*Atten          (only with specular enabled)
// with Atten = 1/(a0 + a1 d + a2 d^2) unclamped, a hard cut-off beyond Range,
// normals used as they come (no normalisation unless asked), D and S clamped once
// after the sum. Vertex fog is computed per vertex from |z| in camera space, by the
// one formula of the variant's fog mode. The D3D depth range 0..w is mapped onto
// GL's -w..w with z' = 2z - w. Each light of a variant is one straight-line call
// with a constant index: no loop over lights.
#include "platform/sdl_gl/GlShader.h"

#include "platform/host/Host.h"

namespace {

// The key's fog mode; anything but the two exponential modes is linear.
int FogModeOf(const GlShaderKey& key) {
    return key.FogMode == GlFogExp || key.FogMode == GlFogExp2 ? key.FogMode : GlFogLinear;
}

}  // namespace

std::uint32_t GlShaderKey::Packed() const {
    if (Text) return 1u;
    std::uint32_t k = 2u;
    if (Fog) {
        k |= 1u << 2;
        k |= static_cast<std::uint32_t>(FogModeOf(*this)) << 18;
    }
    if (Texture) k |= 1u << 3;
    if (Lighting) {
        k |= 1u << 4;
        if (Specular) k |= 1u << 5;
        const int count = LightCount < 0 ? 0 : LightCount > GlMaxLights ? GlMaxLights : LightCount;
        k |= static_cast<std::uint32_t>(count) << 6;
        k |= (PointLights & ((1u << count) - 1u)) << 10;
    }
    return k;
}

namespace {

const char* const VertexCommon = R"GLSL(
layout(location = 0) in vec3 aPos;
layout(location = 1) in vec3 aNormal;
layout(location = 2) in vec2 aTex;
layout(location = 3) in vec4 aColor;

uniform int uFlags;
uniform mat4 uWorldView;
uniform mat4 uProjection;
uniform mat3 uNormalMatrix;
uniform vec4 uMatDiffuse;
uniform vec4 uMatAmbient;
uniform vec4 uMatSpecular;
uniform vec4 uMatEmissive;
uniform float uMatPower;
uniform vec3 uGlobalAmbient;
uniform vec4 uLightPos[8];      // camera space
uniform vec3 uLightDir[8];      // directional: unit vector towards the light, camera space
uniform vec3 uLightDiffuse[8];
uniform vec3 uLightSpecular[8];
uniform vec3 uLightAmbient[8];
uniform vec4 uLightAtten[8];    // a0, a1, a2, range
uniform vec4 uFogParams;        // start, end, density (w unused)
uniform vec4 uTextColor;

out vec4 vDiffuse;
out vec2 vTex;
#if SPECULAR
out vec4 vSpecular;
#endif
#if FOG
out float vFog;
#endif

bool Flag(int bit) { return (uFlags & bit) != 0; }

#if LIGHTING
vec3 gAmbient = vec3(0.0);
vec3 gDiffuse = vec3(0.0);
vec3 gSpecular = vec3(0.0);

void AddLight(int i, vec3 L, float atten, vec3 n, vec3 toEye, bool hasNormal) {
    gAmbient += uLightAmbient[i] * atten;
    if (hasNormal) {
        gDiffuse += uLightDiffuse[i] * (max(dot(n, L), 0.0) * atten);
#if SPECULAR
        vec3 h = toEye + L;
        float hl = length(h);
        float nh = hl > 0.0 ? max(dot(n, h / hl), 0.0) : 0.0;
        float term = uMatPower > 0.0 ? (nh > 0.0 ? pow(nh, uMatPower) : 0.0) : 1.0;
        gSpecular += uLightSpecular[i] * (term * atten);
#endif
    }
}

void PointLight(int i, vec3 pc, vec3 n, vec3 toEye, bool hasNormal) {
    vec3 toLight = uLightPos[i].xyz - pc;
    float d = length(toLight);
    vec3 L = d > 0.0 ? toLight / d : vec3(0.0);
    float denom = uLightAtten[i].x + uLightAtten[i].y * d + uLightAtten[i].z * d * d;
    // Beyond the range the light adds exactly zero; a select, not a branch, in SIMD.
    float atten = d > uLightAtten[i].w ? 0.0 : (denom > 0.0 ? 1.0 / denom : 1.0);
    AddLight(i, L, atten, n, toEye, hasNormal);
}

void DirectionalLight(int i, vec3 n, vec3 toEye, bool hasNormal) {
    AddLight(i, uLightDir[i], 1.0, n, toEye, hasNormal);
}
#endif

void main() {
#if TEXT
    gl_Position = vec4(aPos.xy, 0.0, 1.0);
    vDiffuse = uTextColor;
    vTex = aTex;
#else
    vec4 pc = uWorldView * vec4(aPos, 1.0);
    vec4 clip = uProjection * pc;
    clip.z = 2.0 * clip.z - clip.w;
    gl_Position = clip;
    vTex = aTex;
#if LIGHTING
    vec4 Cd = Flag(512) ? aColor : uMatDiffuse;
    vec4 Ca = Flag(1024) ? aColor : uMatAmbient;
    vec4 Ce = Flag(4096) ? aColor : uMatEmissive;
    bool hasNormal = Flag(64);
    vec3 n = uNormalMatrix * aNormal;
    if (Flag(8) && hasNormal) n = normalize(n);
    vec3 toEye = Flag(4) ? normalize(-pc.xyz) : vec3(0.0, 0.0, -1.0);
LIGHT_CALLS
    vDiffuse = clamp(vec4(Ce.rgb + Ca.rgb * (uGlobalAmbient + gAmbient) + Cd.rgb * gDiffuse, Cd.a), 0.0, 1.0);
#if SPECULAR
    vec4 Cs = Flag(2048) ? aColor : uMatSpecular;
    vSpecular = clamp(vec4(Cs.rgb * gSpecular, 0.0), 0.0, 1.0);
#endif
#else
    vDiffuse = clamp(Flag(128) ? aColor : vec4(1.0), 0.0, 1.0);
#if SPECULAR
    vSpecular = vec4(0.0);
#endif
#endif
#if FOG
    float dist = Flag(16) ? length(pc.xyz) : abs(pc.z);
#if FOG_MODE == 1
    float f = exp(-uFogParams.z * dist);
#elif FOG_MODE == 2
    float x = uFogParams.z * dist;
    float f = exp(-x * x);
#else
    float span = uFogParams.y - uFogParams.x;
    float f = span != 0.0 ? (uFogParams.y - dist) / span : (dist < uFogParams.y ? 1.0 : 0.0);
#endif
    vFog = clamp(f, 0.0, 1.0);
#endif
#endif
}
)GLSL";

const char* const FragmentCommon = R"GLSL(
in vec4 vDiffuse;
in vec2 vTex;
#if SPECULAR
in vec4 vSpecular;
#endif
#if FOG
in float vFog;
#endif

uniform sampler2D uTexture;
uniform vec3 uFogColor;

out vec4 oColor;

void main() {
#if TEXT
    oColor = texture(uTexture, vTex) * vDiffuse;
#else
#if TEXTURE
    vec4 t = texture(uTexture, vTex);
    vec4 c = vec4(t.rgb * vDiffuse.rgb, t.a);
#else
    vec4 c = vec4(vDiffuse.rgb, 1.0);
#endif
#if SPECULAR
    c.rgb = min(c.rgb + vSpecular.rgb, vec3(1.0));
#endif
#if FOG
    c.rgb = mix(uFogColor, c.rgb, vFog);
#endif
    oColor = c;
#endif
}
)GLSL";

std::string Header(const GlShaderKey& key) {
    const bool lit = !key.Text && key.Lighting;
    std::string h = host::ShaderPreamble();
    h += std::string("#define TEXT ") + (key.Text ? "1" : "0") + "\n";
    h += std::string("#define LIGHTING ") + (lit ? "1" : "0") + "\n";
    h += std::string("#define SPECULAR ") + (lit && key.Specular ? "1" : "0") + "\n";
    h += std::string("#define FOG ") + (!key.Text && key.Fog ? "1" : "0") + "\n";
    h += "#define FOG_MODE " + std::to_string(!key.Text && key.Fog ? FogModeOf(key) : 0) + "\n";
    h += std::string("#define TEXTURE ") + (!key.Text && key.Texture ? "1" : "0") + "\n";
    return h;
}

}  // namespace

std::string GlVertexShaderText(const GlShaderKey& key) {
    std::string calls;
    if (!key.Text && key.Lighting) {
        for (int i = 0; i < key.LightCount && i < GlMaxLights; ++i) {
            const std::string index = std::to_string(i);
            calls += (key.PointLights >> i) & 1u ? "    PointLight(" + index + ", pc.xyz, n, toEye, hasNormal);\n"
                                                 : "    DirectionalLight(" + index + ", n, toEye, hasNormal);\n";
        }
    }
    std::string body = VertexCommon;
    const std::string mark = "LIGHT_CALLS\n";
    const std::size_t at = body.find(mark);
    body.replace(at, mark.size(), calls);
    return Header(key) + body;
}

std::string GlFragmentShaderText(const GlShaderKey& key) { return Header(key) + FragmentCommon; }

namespace {

constexpr GlShaderKey Unlit(bool fog, bool texture) { return GlShaderKey{false, false, false, fog, texture, 0, 0}; }
constexpr GlShaderKey PointLit(int count, bool fog, bool texture) {
    return GlShaderKey{false, true, false, fog, texture, count, (1u << count) - 1u};
}

}  // namespace

const GlShaderKey GlStartupVariants[] = {
    GlShaderKey{true, false, false, false, false, 0, 0},
    Unlit(false, false), Unlit(false, true), Unlit(true, false), Unlit(true, true),
    PointLit(3, false, false), PointLit(3, false, true), PointLit(3, true, false), PointLit(3, true, true),
    PointLit(5, false, false), PointLit(5, false, true), PointLit(5, true, false), PointLit(5, true, true),
};
const std::size_t GlStartupVariantCount = sizeof GlStartupVariants / sizeof GlStartupVariants[0];

// Shader text of the GL device. The vertex stage reproduces the fixed-function
// lighting equation per vertex in camera space:
//   D = Ce + Ca*(Ga + sum La*Atten) + sum Cd*Ld*max(N.L,0)*Atten
//   S = Cs * sum Ls*max(N.H,0)^P*Atten          (only with specular enabled)
// with Atten = 1/(a0 + a1 d + a2 d^2) unclamped, a hard cut-off beyond Range,
// normals used as they come (no normalisation unless asked), D and S clamped once
// after the sum. Vertex fog is computed per vertex from |z| in camera space. The D3D
// depth range 0..w is mapped onto GL's -w..w with z' = 2z - w.
#include "platform/sdl_gl/GlShader.h"

const char* const GlVertexShaderSource = R"GLSL(#version 330 core
layout(location = 0) in vec3 aPos;
layout(location = 1) in vec3 aNormal;
layout(location = 2) in vec2 aTex;
layout(location = 3) in vec4 aColor;

uniform int uMode;
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
uniform int uNumLights;
uniform vec4 uLightPos[8];      // camera space; w = 1 point light, 0 directional
uniform vec3 uLightDir[8];      // directional: unit vector towards the light, camera space
uniform vec3 uLightDiffuse[8];
uniform vec3 uLightSpecular[8];
uniform vec3 uLightAmbient[8];
uniform vec4 uLightAtten[8];    // a0, a1, a2, range
uniform vec4 uFogParams;        // start, end, density, mode (1 exp, 2 exp2, 3 linear)
uniform vec4 uTextColor;

out vec4 vDiffuse;
out vec4 vSpecular;
out vec2 vTex;
out float vFog;

bool Flag(int bit) { return (uFlags & bit) != 0; }

void main() {
    if (uMode == 1) {
        gl_Position = vec4(aPos.xy, 0.0, 1.0);
        vDiffuse = uTextColor;
        vSpecular = vec4(0.0);
        vTex = aTex;
        vFog = 1.0;
        return;
    }

    vec4 pc = uWorldView * vec4(aPos, 1.0);
    vec4 clip = uProjection * pc;
    clip.z = 2.0 * clip.z - clip.w;
    gl_Position = clip;
    vTex = aTex;

    vec4 D;
    vec4 S = vec4(0.0);
    if (Flag(1)) {
        vec4 Cd = Flag(512) ? aColor : uMatDiffuse;
        vec4 Ca = Flag(1024) ? aColor : uMatAmbient;
        vec4 Cs = Flag(2048) ? aColor : uMatSpecular;
        vec4 Ce = Flag(4096) ? aColor : uMatEmissive;
        bool hasNormal = Flag(64);
        vec3 n = uNormalMatrix * aNormal;
        if (Flag(8) && hasNormal) n = normalize(n);
        vec3 toEye = Flag(4) ? normalize(-pc.xyz) : vec3(0.0, 0.0, -1.0);

        vec3 ambient = vec3(0.0);
        vec3 diffuse = vec3(0.0);
        vec3 specular = vec3(0.0);
        for (int i = 0; i < uNumLights; ++i) {
            vec3 L;
            float atten = 1.0;
            if (uLightPos[i].w > 0.5) {
                vec3 toLight = uLightPos[i].xyz - pc.xyz;
                float d = length(toLight);
                if (d > uLightAtten[i].w) continue;
                L = d > 0.0 ? toLight / d : vec3(0.0);
                float denom = uLightAtten[i].x + uLightAtten[i].y * d + uLightAtten[i].z * d * d;
                atten = denom > 0.0 ? 1.0 / denom : 1.0;
            } else {
                L = uLightDir[i];
            }
            ambient += uLightAmbient[i] * atten;
            if (hasNormal) {
                diffuse += uLightDiffuse[i] * (max(dot(n, L), 0.0) * atten);
                if (Flag(2)) {
                    vec3 h = toEye + L;
                    float hl = length(h);
                    float nh = hl > 0.0 ? max(dot(n, h / hl), 0.0) : 0.0;
                    float term = uMatPower > 0.0 ? (nh > 0.0 ? pow(nh, uMatPower) : 0.0) : 1.0;
                    specular += uLightSpecular[i] * (term * atten);
                }
            }
        }
        D = vec4(Ce.rgb + Ca.rgb * (uGlobalAmbient + ambient) + Cd.rgb * diffuse, Cd.a);
        if (Flag(2)) S.rgb = Cs.rgb * specular;
    } else {
        D = Flag(128) ? aColor : vec4(1.0);
    }
    vDiffuse = clamp(D, 0.0, 1.0);
    vSpecular = clamp(S, 0.0, 1.0);

    float f = 1.0;
    if (Flag(32)) {
        float dist = Flag(16) ? length(pc.xyz) : abs(pc.z);
        int mode = int(uFogParams.w);
        if (mode == 3) {
            float span = uFogParams.y - uFogParams.x;
            f = span != 0.0 ? (uFogParams.y - dist) / span : (dist < uFogParams.y ? 1.0 : 0.0);
        } else if (mode == 1) {
            f = exp(-uFogParams.z * dist);
        } else if (mode == 2) {
            float x = uFogParams.z * dist;
            f = exp(-x * x);
        }
    }
    vFog = clamp(f, 0.0, 1.0);
}
)GLSL";

const char* const GlFragmentShaderSource = R"GLSL(#version 330 core
in vec4 vDiffuse;
in vec4 vSpecular;
in vec2 vTex;
in float vFog;

uniform int uMode;
uniform int uFlags;
uniform sampler2D uTexture;
uniform vec3 uFogColor;

out vec4 oColor;

void main() {
    if (uMode == 1) {
        oColor = texture(uTexture, vTex) * vDiffuse;
        return;
    }
    vec4 t = (uFlags & 256) != 0 ? texture(uTexture, vTex) : vec4(1.0);
    vec4 c = vec4(t.rgb * vDiffuse.rgb, t.a);
    if ((uFlags & 2) != 0) c.rgb = min(c.rgb + vSpecular.rgb, vec3(1.0));
    if ((uFlags & 32) != 0) c.rgb = mix(uFogColor, c.rgb, vFog);
    oColor = c;
}
)GLSL";

// The GL device's state calls (render states, transforms, texture, material,
// lights) and its draws: state is kept as the device reports it and reaches the
// shader program only when a draw needs it, so repeated identical calls cost nothing.
#include <algorithm>
#include <cmath>

#include "platform/sdl_gl/GlDebug.h"
#include "platform/sdl_gl/GlDevice.h"
#include "platform/sdl_gl/GlDeviceStates.h"
#include "platform/sdl_gl/GlShader.h"

using namespace GlStates;

// --- state -----------------------------------------------------------------------

HRESULT GlDevice::SetRenderState(DWORD state, DWORD value) {
    if (state >= RenderStateCount) {
        for (auto& entry : extraRenderStates_)
            if (entry.first == state) {
                entry.second = value;
                return D3D_OK;
            }
        extraRenderStates_.emplace_back(state, value);
        return D3D_OK;
    }
    if (renderStates_[state] == value) return D3D_OK;
    renderStates_[state] = value;
    switch (state) {
    case D3DRS_FILLMODE:
    case D3DRS_CULLMODE:
    case D3DRS_ZENABLE:
    case D3DRS_ZWRITEENABLE:
    case D3DRS_ZFUNC: rasterDirty_ = true; break;
    default: statesDirty_ = true; break;
    }
    return D3D_OK;
}

HRESULT GlDevice::GetRenderState(DWORD state, DWORD* value) {
    if (value == nullptr) return D3DERR_INVALIDCALL;
    if (state < RenderStateCount) {
        *value = renderStates_[state];
        return D3D_OK;
    }
    for (const auto& entry : extraRenderStates_)
        if (entry.first == state) {
            *value = entry.second;
            return D3D_OK;
        }
    *value = 0;
    return D3D_OK;
}

HRESULT GlDevice::SetTransform(DWORD state, const D3DMATRIX& matrix) {
    switch (state) {
    case D3DTS_WORLD: world_ = matrix; break;
    case D3DTS_VIEW:
        view_ = matrix;
        lightsDirty_ = true;  // lights live in camera space
        break;
    case D3DTS_PROJECTION: projection_ = matrix; break;
    default:
        // Texture transforms (16..23) and further world matrices are accepted and unused.
        if ((state >= 16 && state <= 23) || (state > 256 && state < 512)) return D3D_OK;
        return D3DERR_INVALIDCALL;
    }
    transformsDirty_ = true;
    return D3D_OK;
}

HRESULT GlDevice::SetTexture(DWORD stage, Direct3DTexture8* texture) {
    if (stage >= MaxTextureStages) return D3DERR_INVALIDCALL;
    GlTexture* gl = nullptr;
    if (texture != nullptr) {
        gl = dynamic_cast<GlTexture*>(texture);
        if (gl == nullptr || gl->Context() != context_.get()) return D3DERR_INVALIDCALL;
    }
    // Stages past 0 are disabled by default and stay so: only stage 0 is sampled.
    if (stage == 0) texture_ = gl;
    return D3D_OK;
}

void GlDevice::ForgetTexture(const GlTexture* texture) {
    if (texture_ == texture) texture_ = nullptr;
    if (texture != nullptr && boundTexture_ == texture->Name()) {
        glBindTexture(GL_TEXTURE_2D, 0);
        boundTexture_ = 0;
    }
}

HRESULT GlDevice::SetMaterial(const D3DMATERIAL8& material) {
    material_ = material;
    materialDirty_ = true;
    return D3D_OK;
}

HRESULT GlDevice::SetLight(DWORD index, const D3DLIGHT8& light) {
    if (light.Type < D3DLIGHT_POINT || light.Type > D3DLIGHT_DIRECTIONAL) return D3DERR_INVALIDCALL;
    if (light.Range < 0.0f || light.Attenuation0 < 0.0f || light.Attenuation1 < 0.0f || light.Attenuation2 < 0.0f)
        return D3DERR_INVALIDCALL;
    for (auto& slot : lights_)
        if (slot.Index == index) {
            slot.Params = light;  // an enabled light stays enabled
            lightsDirty_ = true;
            return D3D_OK;
        }
    lights_.push_back(Light{index, light, false});
    lightsDirty_ = true;
    return D3D_OK;
}

HRESULT GlDevice::LightEnable(DWORD index, int enable) {
    Light* slot = nullptr;
    for (auto& l : lights_)
        if (l.Index == index) slot = &l;
    if (slot == nullptr) {
        // Enabling a light that was never set gives the default light:
        // white, directional, shining along +z.
        D3DLIGHT8 light;
        light.Type = D3DLIGHT_DIRECTIONAL;
        light.Diffuse = {1.0f, 1.0f, 1.0f, 0.0f};
        light.Direction = {0.0f, 0.0f, 1.0f};
        lights_.push_back(Light{index, light, false});
        slot = &lights_.back();
    }
    const bool on = enable != 0;
    if (on && !slot->Enabled) {
        int active = 0;
        for (const auto& l : lights_) active += l.Enabled ? 1 : 0;
        if (active >= MaxActiveLights) return D3DERR_INVALIDCALL;
    }
    if (slot->Enabled != on) {
        slot->Enabled = on;
        lightsDirty_ = true;
    }
    return D3D_OK;
}

HRESULT GlDevice::GetLightEnable(DWORD index, int* enable) {
    if (enable == nullptr) return D3DERR_INVALIDCALL;
    for (const auto& l : lights_)
        if (l.Index == index) {
            *enable = l.Enabled ? 1 : 0;
            return D3D_OK;
        }
    return D3DERR_INVALIDCALL;  // never set
}

// --- drawing ---------------------------------------------------------------------

void GlDevice::ApplyRasterState() {
    const DWORD fill = renderStates_[D3DRS_FILLMODE];
    if (fill != appliedFill_) {
        glPolygonMode(GL_FRONT_AND_BACK, fill == D3DFILL_WIREFRAME ? GL_LINE : fill == D3DFILL_POINT ? GL_POINT : GL_FILL);
        appliedFill_ = fill;
    }
    const DWORD cull = renderStates_[D3DRS_CULLMODE];
    if (cull != appliedCull_) {
        if (cull == D3DCULL_CW || cull == D3DCULL_CCW) {
            glEnable(GL_CULL_FACE);
            // Front faces are clockwise (glFrontFace(GL_CW)): CULL_CW drops them, CULL_CCW the others.
            glCullFace(cull == D3DCULL_CW ? GL_FRONT : GL_BACK);
        } else {
            glDisable(GL_CULL_FACE);
        }
        appliedCull_ = cull;
    }
    const DWORD zEnable = depthBits_ > 0 ? renderStates_[D3DRS_ZENABLE] : 0;
    if (zEnable != appliedZEnable_) {
        if (zEnable != 0) glEnable(GL_DEPTH_TEST);
        else glDisable(GL_DEPTH_TEST);
        appliedZEnable_ = zEnable;
    }
    const DWORD zWrite = renderStates_[D3DRS_ZWRITEENABLE];
    if (zWrite != appliedZWrite_) {
        glDepthMask(zWrite != 0 ? GL_TRUE : GL_FALSE);
        appliedZWrite_ = zWrite;
    }
    const DWORD zFunc = renderStates_[D3DRS_ZFUNC];
    if (zFunc != appliedZFunc_) {
        glDepthFunc(CompareFunc(zFunc));
        appliedZFunc_ = zFunc;
    }
    rasterDirty_ = false;
}

void GlDevice::UpdateTransformUniforms() {
    const D3DMATRIX worldView = Multiply(world_, view_);
    glUniformMatrix4fv(u_.WorldView, 1, GL_FALSE, &worldView.m[0][0]);
    glUniformMatrix4fv(u_.Projection, 1, GL_FALSE, &projection_.m[0][0]);
    // Normals go through the inverse transpose of the world-view 3x3: the cofactor
    // matrix over the determinant. With a rigid world and view this is the 3x3 itself.
    const auto& a = worldView.m;
    float c[3][3];
    for (int i = 0; i < 3; ++i) {
        const int j = (i + 1) % 3, k = (i + 2) % 3;
        c[i][0] = a[j][1] * a[k][2] - a[j][2] * a[k][1];
        c[i][1] = a[j][2] * a[k][0] - a[j][0] * a[k][2];
        c[i][2] = a[j][0] * a[k][1] - a[j][1] * a[k][0];
    }
    const float det = a[0][0] * c[0][0] + a[0][1] * c[0][1] + a[0][2] * c[0][2];
    const float inv = det != 0.0f ? 1.0f / det : 0.0f;
    for (auto& row : c)
        for (float& v : row) v *= inv;
    glUniformMatrix3fv(u_.NormalMatrix, 1, GL_FALSE, &c[0][0]);
    transformsDirty_ = false;
}

void GlDevice::GatherLights() {
    int n = 0;
    unsigned points = 0;
    const auto& v = view_.m;
    for (const auto& slot : lights_) {
        if (!slot.Enabled || n >= GlMaxLights) continue;
        const D3DLIGHT8& l = slot.Params;
        if (l.Type == D3DLIGHT_DIRECTIONAL) {
            const float x = l.Direction.x * v[0][0] + l.Direction.y * v[1][0] + l.Direction.z * v[2][0];
            const float y = l.Direction.x * v[0][1] + l.Direction.y * v[1][1] + l.Direction.z * v[2][1];
            const float z = l.Direction.x * v[0][2] + l.Direction.y * v[1][2] + l.Direction.z * v[2][2];
            const float len = std::sqrt(x * x + y * y + z * z);
            const float s = len > 0.0f ? -1.0f / len : 0.0f;
            lightDir_[n][0] = x * s;
            lightDir_[n][1] = y * s;
            lightDir_[n][2] = z * s;
            lightPos_[n][0] = lightPos_[n][1] = lightPos_[n][2] = lightPos_[n][3] = 0.0f;
        } else {
            // Spot lights are lit as point lights (no cone): the program uses none.
            const D3DVECTOR& p = l.Position;
            lightPos_[n][0] = p.x * v[0][0] + p.y * v[1][0] + p.z * v[2][0] + v[3][0];
            lightPos_[n][1] = p.x * v[0][1] + p.y * v[1][1] + p.z * v[2][1] + v[3][1];
            lightPos_[n][2] = p.x * v[0][2] + p.y * v[1][2] + p.z * v[2][2] + v[3][2];
            lightPos_[n][3] = 1.0f;
            lightDir_[n][0] = lightDir_[n][1] = lightDir_[n][2] = 0.0f;
            points |= 1u << n;
        }
        lightDiffuse_[n][0] = l.Diffuse.r;
        lightDiffuse_[n][1] = l.Diffuse.g;
        lightDiffuse_[n][2] = l.Diffuse.b;
        lightSpecular_[n][0] = l.Specular.r;
        lightSpecular_[n][1] = l.Specular.g;
        lightSpecular_[n][2] = l.Specular.b;
        lightAmbient_[n][0] = l.Ambient.r;
        lightAmbient_[n][1] = l.Ambient.g;
        lightAmbient_[n][2] = l.Ambient.b;
        lightAtten_[n][0] = l.Attenuation0;
        lightAtten_[n][1] = l.Attenuation1;
        lightAtten_[n][2] = l.Attenuation2;
        lightAtten_[n][3] = l.Range;
        ++n;
    }
    lightCount_ = n;
    pointLights_ = points;
    bool anySpecular = false;
    for (int i = 0; i < n; ++i)
        anySpecular = anySpecular || lightSpecular_[i][0] != 0 || lightSpecular_[i][1] != 0 || lightSpecular_[i][2] != 0;
    if (anySpecular != anySpecularLight_) {
        anySpecularLight_ = anySpecular;
        statesDirty_ = true;
    }
    lightsDirty_ = false;
    lightUniformsDirty_ = true;
}

void GlDevice::SendLightUniforms() {
    if (lightCount_ > 0) {
        glUniform4fv(u_.LightPos, lightCount_, &lightPos_[0][0]);
        glUniform3fv(u_.LightDir, lightCount_, &lightDir_[0][0]);
        glUniform3fv(u_.LightDiffuse, lightCount_, &lightDiffuse_[0][0]);
        glUniform3fv(u_.LightSpecular, lightCount_, &lightSpecular_[0][0]);
        glUniform3fv(u_.LightAmbient, lightCount_, &lightAmbient_[0][0]);
        glUniform4fv(u_.LightAtten, lightCount_, &lightAtten_[0][0]);
    }
    lightUniformsDirty_ = false;
}

void GlDevice::GatherStates() {
    const auto& rs = renderStates_;
    int flags = 0;
    if (rs[D3DRS_LIGHTING] != 0) flags |= GlFlag::Lighting;
    // Specular light that no enabled light emits adds exactly zero: skip the work.
    if (rs[D3DRS_SPECULARENABLE] != 0 && anySpecularLight_) flags |= GlFlag::SpecularEnable;
    if (rs[D3DRS_LOCALVIEWER] != 0) flags |= GlFlag::LocalViewer;
    if (rs[D3DRS_NORMALIZENORMALS] != 0) flags |= GlFlag::NormalizeNormals;
    if (rs[D3DRS_RANGEFOGENABLE] != 0) flags |= GlFlag::RangeFog;
    // Table (pixel) fog wins over vertex fog when both are set; both are evaluated
    // per vertex on camera-space depth here.
    fogMode_ = rs[D3DRS_FOGTABLEMODE] != D3DFOG_NONE ? rs[D3DRS_FOGTABLEMODE] : rs[D3DRS_FOGVERTEXMODE];
    if (rs[D3DRS_FOGENABLE] != 0 && fogMode_ >= 1 && fogMode_ <= 3) flags |= GlFlag::Fog;
    baseFlags_ = flags;
    statesDirty_ = false;
    stateUniformsDirty_ = true;
}

void GlDevice::SendStateUniforms() {
    const auto& rs = renderStates_;
    float ambient[4];
    ColorToFloats(rs[D3DRS_AMBIENT], ambient);
    glUniform3f(u_.GlobalAmbient, ambient[0], ambient[1], ambient[2]);
    float fog[4];
    ColorToFloats(rs[D3DRS_FOGCOLOR], fog);
    glUniform3f(u_.FogColor, fog[0], fog[1], fog[2]);
    glUniform4f(u_.FogParams, FromBits(rs[D3DRS_FOGSTART]), FromBits(rs[D3DRS_FOGEND]), FromBits(rs[RsFogDensity]),
                static_cast<float>(fogMode_));
    stateUniformsDirty_ = false;
}

namespace {

bool InStartupSet(std::uint32_t packed) {
    for (std::size_t k = 0; k < GlStartupVariantCount; ++k)
        if (GlStartupVariants[k].Packed() == packed) return true;
    return false;
}

}  // namespace

bool GlDevice::SelectVariant(const GlDrawCall&) {
    if (lightsDirty_) GatherLights();
    if (statesDirty_) GatherStates();
    GlShaderKey key;
    key.Lighting = (baseFlags_ & GlFlag::Lighting) != 0;
    key.Specular = (baseFlags_ & GlFlag::SpecularEnable) != 0;
    key.Fog = (baseFlags_ & GlFlag::Fog) != 0;
    key.FogMode = static_cast<int>(fogMode_);
    key.Texture = texture_ != nullptr;
    key.LightCount = lightCount_;
    key.PointLights = pointLights_;
    const std::uint32_t packed = key.Packed();
    if (current_ >= 0 && variants_[static_cast<std::size_t>(current_)].Key == packed) return true;
    int index = FindVariant(packed);
    if (index < 0) {
        const char* reason = "";
        index = BuildVariant(key, &reason);
        if (index < 0) return false;
        // Made at a draw: a fallback unless it is one of the creation set being made.
        if (!warming_ || !InStartupSet(packed)) ++fallbackBuilds_;
    }
    UseVariant(index);
    return true;
}

void GlDevice::FlushUniforms(const GlDrawCall& call) {
    if (transformsDirty_) UpdateTransformUniforms();
    if (lightUniformsDirty_) SendLightUniforms();
    if (stateUniformsDirty_) SendStateUniforms();
    if (materialDirty_) {
        glUniform4fv(u_.MatDiffuse, 1, &material_.Diffuse.r);
        glUniform4fv(u_.MatAmbient, 1, &material_.Ambient.r);
        glUniform4fv(u_.MatSpecular, 1, &material_.Specular.r);
        glUniform4fv(u_.MatEmissive, 1, &material_.Emissive.r);
        glUniform1f(u_.MatPower, material_.Power);
        materialDirty_ = false;
    }
    int flags = baseFlags_;
    if (call.HasNormals) flags |= GlFlag::HasNormal;
    if (texture_ != nullptr) flags |= GlFlag::HasTexture;
    if (call.HasColors) {
        flags |= GlFlag::HasColor;
        // Only the diffuse colour (COLOR1) exists in the meshes; a source naming
        // COLOR2 falls back to the material.
        if (renderStates_[D3DRS_COLORVERTEX] != 0) {
            if (renderStates_[RsDiffuseMaterialSource] == McsColor1) flags |= GlFlag::DiffuseFromVertex;
            if (renderStates_[RsAmbientMaterialSource] == McsColor1) flags |= GlFlag::AmbientFromVertex;
            if (renderStates_[RsSpecularMaterialSource] == McsColor1) flags |= GlFlag::SpecularFromVertex;
            if (renderStates_[RsEmissiveMaterialSource] == McsColor1) flags |= GlFlag::EmissiveFromVertex;
        }
    }
    if (flags != lastFlags_) {
        glUniform1i(u_.Flags, flags);
        lastFlags_ = flags;
    }
}

void GlDevice::Draw(const GlDrawCall& call) {
    if (call.IndexCount <= 0) return;
    if (rasterDirty_) ApplyRasterState();
    if (!SelectVariant(call)) return;
    FlushUniforms(call);
    const GLuint name = texture_ != nullptr ? texture_->Name() : 0;
    if (name != boundTexture_) {
        glBindTexture(GL_TEXTURE_2D, name);
        boundTexture_ = name;
    }
    glBindVertexArray(call.VertexArray);
    if (warming_) WarmVariants(call);
    drewThisFrame_ = true;
    // Line lists exist only where the GL has no polygon modes.
    const bool lines = call.LineCount > 0 && renderStates_[D3DRS_FILLMODE] == D3DFILL_WIREFRAME;
    DrawClusters(call, lines);
    GlCheck("DrawSubset");
}

namespace {

// Object space to clip space for the cluster test, in double precision: the
// product world x view x projection, the same product of the entries' magnitudes
// (a bound on every term the GL sums for a vertex, so on its rounding error), and
// how far past the viewport's sides a cluster must lie, in clip units of w.
struct ClipTransform {
    double M[4][4];
    double Magnitude[4][4];
    double SideX, SideY;
};

void MultiplyInto(const double a[4][4], const double b[4][4], double out[4][4]) {
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            out[i][j] = a[i][0] * b[0][j] + a[i][1] * b[1][j] + a[i][2] * b[2][j] + a[i][3] * b[3][j];
}

ClipTransform MakeClipTransform(const D3DMATRIX& world, const D3DMATRIX& view, const D3DMATRIX& projection,
                                DWORD width, DWORD height) {
    double w[4][4], v[4][4], p[4][4], aw[4][4], av[4][4], ap[4][4], wv[4][4], awv[4][4];
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) {
            w[i][j] = world.m[i][j];
            v[i][j] = view.m[i][j];
            p[i][j] = projection.m[i][j];
            aw[i][j] = std::fabs(w[i][j]);
            av[i][j] = std::fabs(v[i][j]);
            ap[i][j] = std::fabs(p[i][j]);
        }
    ClipTransform t{};
    MultiplyInto(w, v, wv);
    MultiplyInto(wv, p, t.M);
    MultiplyInto(aw, av, awv);
    MultiplyInto(awv, ap, t.Magnitude);
    // Eight pixels beyond each side: wide lines and points never reach back in.
    t.SideX = 1.0 + 16.0 / std::max<double>(width, 1);
    t.SideY = 1.0 + 16.0 / std::max<double>(height, 1);
    return t;
}

// True when every corner of the cluster's box lies beyond one and the same plane
// of the view volume (sides, near z = 0, far z = w) by more than the GL's rounding
// could move it: then no vertex, and so no part of any triangle, line or point of
// the cluster, is inside. Non-finite values compare false, and the cluster is drawn.
bool OutsideView(const GlCluster& c, const ClipTransform& t) {
    // Far beyond what float rounding of a few products and sums can reach.
    constexpr double kRelativeError = 1e-5;
    unsigned outside = 0x3F;
    for (int corner = 0; corner < 8 && outside != 0; ++corner) {
        const double p[3] = {(corner & 1) != 0 ? c.Max[0] : c.Min[0], (corner & 2) != 0 ? c.Max[1] : c.Min[1],
                             (corner & 4) != 0 ? c.Max[2] : c.Min[2]};
        double clip[4], size[4];
        for (int j = 0; j < 4; ++j) {
            clip[j] = p[0] * t.M[0][j] + p[1] * t.M[1][j] + p[2] * t.M[2][j] + t.M[3][j];
            size[j] = std::fabs(p[0]) * t.Magnitude[0][j] + std::fabs(p[1]) * t.Magnitude[1][j] +
                      std::fabs(p[2]) * t.Magnitude[2][j] + t.Magnitude[3][j];
        }
        const double x = clip[0], y = clip[1], z = clip[2], w = clip[3];
        const double errX = kRelativeError * (size[0] + t.SideX * size[3]);
        const double errY = kRelativeError * (size[1] + t.SideY * size[3]);
        const double errZ = kRelativeError * (size[2] + size[3]);
        unsigned planes = 0;
        if (x - t.SideX * w > errX) planes |= 1;
        if (-x - t.SideX * w > errX) planes |= 2;
        if (y - t.SideY * w > errY) planes |= 4;
        if (-y - t.SideY * w > errY) planes |= 8;
        if (-z > errZ) planes |= 16;
        if (z - w > errZ) planes |= 32;
        outside &= planes;
    }
    return outside != 0;
}

}  // namespace

void GlDevice::DrawRange(const GlDrawCall& call, std::size_t firstIndex, std::size_t count, bool lines) {
    const std::size_t indexSize = call.IndexType == GL_UNSIGNED_INT ? 4 : 2;
    ++frameCounts_.Draws;
    if (lines) {
        // Each triangle's three edges, two indices each, in the triangles' order.
        const std::size_t at = call.LineOffsetBytes + (firstIndex * indexSize - call.IndexOffsetBytes) * 2;
        glDrawElements(GL_LINES, static_cast<GLsizei>(count * 2), call.IndexType, reinterpret_cast<const void*>(at));
        return;
    }
    glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(count), call.IndexType,
                   reinterpret_cast<const void*>(firstIndex * indexSize));
}

// The visible clusters as few draws as possible: neighbours in the index buffer
// that are both visible make one range.
void GlDevice::DrawClusters(const GlDrawCall& call, bool lines) {
    const std::size_t indexSize = call.IndexType == GL_UNSIGNED_INT ? 4 : 2;
    const std::size_t subsetFirst = call.IndexOffsetBytes / indexSize;
    const auto subsetCount = static_cast<std::size_t>(call.IndexCount);
    std::uint64_t vertices = 0;
    for (std::size_t k = 0; k < call.ClusterCount; ++k) vertices += call.Clusters[k].VertexCount;
    frameCounts_.ClustersAsked += call.ClusterCount;
    frameCounts_.TrianglesAsked += subsetCount / 3;
    frameCounts_.VerticesAsked += vertices;
    if (!clusterCulling_ || call.ClusterCount == 0) {
        frameCounts_.Clusters += call.ClusterCount;
        frameCounts_.Triangles += subsetCount / 3;
        frameCounts_.Vertices += vertices;
        DrawRange(call, subsetFirst, subsetCount, lines);
        return;
    }
    const ClipTransform t = MakeClipTransform(world_, view_, projection_, width_, height_);
    std::size_t runFirst = 0, runCount = 0;
    for (std::size_t k = 0; k < call.ClusterCount; ++k) {
        const GlCluster& c = call.Clusters[k];
        if (OutsideView(c, t)) continue;
        ++frameCounts_.Clusters;
        frameCounts_.Triangles += c.IndexCount / 3;
        frameCounts_.Vertices += c.VertexCount;
        if (runCount > 0 && runFirst + runCount == c.FirstIndex) {
            runCount += c.IndexCount;
            continue;
        }
        if (runCount > 0) DrawRange(call, runFirst, runCount, lines);
        runFirst = c.FirstIndex;
        runCount = c.IndexCount;
    }
    if (runCount > 0) DrawRange(call, runFirst, runCount, lines);
}

// Until the first frame with draws is presented, each draw also makes (if not yet
// made) and draws with the creation set's variants for its texturing, its vertices
// all moved to one point so that nothing shows: the programs, and the machine code
// a driver makes for a program, mesh layout and state at their first draw, are made
// in the first frame rather than in a later one where the lights or fog change.
void GlDevice::WarmVariants(const GlDrawCall& call) {
    static constexpr float collapse[16] = {};
    const bool texture = texture_ != nullptr;
    for (std::size_t k = 0; k < GlStartupVariantCount; ++k) {
        const GlShaderKey& key = GlStartupVariants[k];
        if (key.Text || key.Texture != texture) continue;
        int i = FindVariant(key.Packed());
        const char* reason = "";
        if (i < 0) i = BuildVariant(key, &reason);
        if (i < 0 || i == current_) continue;
        const Variant& v = variants_[static_cast<std::size_t>(i)];
        glUseProgram(v.Program);
        glUniformMatrix4fv(v.U.WorldView, 1, GL_FALSE, collapse);
        glDrawElements(GL_TRIANGLES, call.IndexCount, call.IndexType,
                       reinterpret_cast<const void*>(call.IndexOffsetBytes));
    }
    glUseProgram(program_);
}

void GlDevice::DrawScreenTexture(GLuint texture, int x, int y, int width, int height, const RECT& clip,
                                 bool clipToRect, D3DCOLOR color) {
    if (width <= 0 || height <= 0 || width_ == 0 || height_ == 0) return;
    const float w = static_cast<float>(width_), h = static_cast<float>(height_);
    const float x0 = 2.0f * static_cast<float>(x) / w - 1.0f;
    const float x1 = 2.0f * static_cast<float>(x + width) / w - 1.0f;
    const float y0 = 1.0f - 2.0f * static_cast<float>(y) / h;
    const float y1 = 1.0f - 2.0f * static_cast<float>(y + height) / h;
    // Texture row 0 is the top of the picture.
    const float quad[16] = {x0, y0, 0.0f, 0.0f, x1, y0, 1.0f, 0.0f, x0, y1, 0.0f, 1.0f, x1, y1, 1.0f, 1.0f};
    glBindBuffer(GL_ARRAY_BUFFER, quadVbo_);
    glBufferSubData(GL_ARRAY_BUFFER, 0, sizeof quad, quad);
    glBindBuffer(GL_ARRAY_BUFFER, 0);

    if (clipToRect) {
        const int cx1 = std::clamp(clip.left, 0, static_cast<int>(width_));
        const int cx2 = std::clamp(clip.right, 0, static_cast<int>(width_));
        const int cy1 = std::clamp(clip.top, 0, static_cast<int>(height_));
        const int cy2 = std::clamp(clip.bottom, 0, static_cast<int>(height_));
        if (cx2 <= cx1 || cy2 <= cy1) return;
        glEnable(GL_SCISSOR_TEST);
        glScissor(cx1, static_cast<int>(height_) - cy2, cx2 - cx1, cy2 - cy1);
    }
    float c[4];
    ColorToFloats(color, c);
    const Variant& text = variants_[static_cast<std::size_t>(textVariant_)];
    glUseProgram(text.Program);
    glUniform4fv(text.U.TextColor, 1, c);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_CULL_FACE);
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glBindTexture(GL_TEXTURE_2D, texture);
    glBindVertexArray(quadVao_);
    glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);

    // Put the device's own state back.
    glDisable(GL_BLEND);
    glDisable(GL_SCISSOR_TEST);
    glUseProgram(program_);
    boundTexture_ = texture;
    appliedFill_ = appliedCull_ = 0;
    appliedZEnable_ = 0xFFFFFFFFu;
    rasterDirty_ = true;
    GlCheck("DrawText");
}

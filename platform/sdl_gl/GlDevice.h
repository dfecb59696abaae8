// The OpenGL 3.3 core implementation of the 3-D device: the fixed-function
// pipeline (per-vertex lighting, texture stage 0, specular add, linear vertex fog,
// depth test, fill mode) emulated by shader program variants made for the state
// that rarely changes, and a back buffer of exactly the requested size that
// Present scales into the window.
// Internal to platform/sdl_gl: meshes, textures and fonts of the D3DX services
// draw through the device with the entry points below.
#pragma once

#include <SDL.h>
#include "platform/sdl_gl/GlApi.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "platform/Graphics.h"
#include "platform/host/Host.h"
#include "platform/sdl_gl/GlReadBack.h"
#include "platform/sdl_gl/GlShader.h"

class GlDevice;

// Shared by the device and every GL object made in its context. The device clears
// `Device` when it goes away, so a texture or mesh that outlives it knows its GL
// names went with the context and must not be deleted again.
struct GlContextRef {
    GlDevice* Device = nullptr;
    SDL_Window* Window = nullptr;
    SDL_GLContext Context = nullptr;
    // The surface of the back buffer's size the device draws into instead of the
    // window's own (empty where it draws into the window's): see FitWindowSurface.
    host::Surface Surface;

    bool Alive() const { return Device != nullptr; }
    // Makes the context current if it is alive; false otherwise.
    bool MakeCurrent() const;
};

class GlTexture final : public Direct3DTexture8 {
public:
    GlTexture(std::shared_ptr<GlContextRef> context, GLuint name, DWORD width, DWORD height);
    ~GlTexture() override;
    GlTexture(const GlTexture&) = delete;
    GlTexture& operator=(const GlTexture&) = delete;

    DWORD Width() const override { return width_; }
    DWORD Height() const override { return height_; }
    GLuint Name() const { return name_; }
    const GlContextRef* Context() const { return context_.get(); }

private:
    std::shared_ptr<GlContextRef> context_;
    GLuint name_;
    DWORD width_, height_;
};

// A spatially compact run of a subset's triangles: its place in the index buffer,
// the box round its vertices in object space and how many distinct vertices it uses.
struct GlCluster {
    float Min[3] = {};
    float Max[3] = {};
    std::uint32_t FirstIndex = 0;  // in indices from the start of the index buffer
    std::uint32_t IndexCount = 0;
    std::uint32_t VertexCount = 0;
};

// What a mesh hands the device for one draw.
struct GlDrawCall {
    GLuint VertexArray = 0;
    GLenum IndexType = GL_UNSIGNED_SHORT;
    std::size_t IndexOffsetBytes = 0;
    GLsizei IndexCount = 0;
    std::size_t LineOffsetBytes = 0;  // wireframe: the edges as a line list, where made
    GLsizei LineCount = 0;
    bool HasNormals = false;
    bool HasColors = false;
    // The subset's clusters, in index-buffer order, covering exactly its index range;
    // none: the range is drawn whole.
    const GlCluster* Clusters = nullptr;
    std::size_t ClusterCount = 0;
};


class GlDevice final : public Direct3DDevice8 {
public:
    // Takes ownership of `context`, which must be current. Returns null (and a
    // reason) when the shader program or the back buffer cannot be made.
    static std::unique_ptr<GlDevice> Create(SDL_Window* window, SDL_GLContext context,
                                            const D3DPRESENT_PARAMETERS& params, const char** reason);
    ~GlDevice() override;
    GlDevice(const GlDevice&) = delete;
    GlDevice& operator=(const GlDevice&) = delete;

    HRESULT Clear(DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR color, float z,
                  DWORD stencil) override;
    HRESULT BeginScene() override;
    HRESULT EndScene() override;
    HRESULT Present(const RECT* source, const RECT* dest, void* overrideWindow, const void* dirtyRegion) override;
    HRESULT SetRenderState(DWORD state, DWORD value) override;
    HRESULT GetRenderState(DWORD state, DWORD* value) override;
    HRESULT SetTransform(DWORD state, const D3DMATRIX& matrix) override;
    HRESULT SetTexture(DWORD stage, Direct3DTexture8* texture) override;
    HRESULT SetMaterial(const D3DMATERIAL8& material) override;
    HRESULT SetLight(DWORD index, const D3DLIGHT8& light) override;
    HRESULT LightEnable(DWORD index, int enable) override;
    HRESULT GetLightEnable(DWORD index, int* enable) override;

    // --- for the D3DX objects and tests of this platform ---
    const std::shared_ptr<GlContextRef>& ContextRef() const { return context_; }
    void MakeCurrent() const { context_->MakeCurrent(); }
    // Draws indexed triangles with the current transforms, lights, material, texture and states.
    void Draw(const GlDrawCall& call);
    // Draws a texture 1:1 at back-buffer pixel (x, y) (top-left), modulated by `color`
    // (0xAARRGGBB) and alpha-blended, with neither depth test nor fog; clipped to `clip`
    // when `clipToRect` is set. Leaves the device's own state as it was.
    void DrawScreenTexture(GLuint texture, int x, int y, int width, int height, const RECT& clip, bool clipToRect,
                           D3DCOLOR color);
    DWORD BackBufferWidth() const { return width_; }
    DWORD BackBufferHeight() const { return height_; }
    int MaxTextureSize() const { return maxTextureSize_; }
    // Reads the back buffer as RGBA, top row first. False when it cannot.
    bool ReadBack(std::vector<std::uint8_t>& rgba, int& width, int& height);
    void SetPresentHook(std::function<void()> hook) { presentHook_ = std::move(hook); }
    // True while frames are drawn straight into the window (drawable = back-buffer size).
    bool DrawingToWindow() const { return direct_; }
    void ForceOffscreenBackBuffer(bool force);
    // Someone else bound a texture: the next draw binds the device's own again.
    void TextureBindingChanged() { boundTexture_ = 0xFFFFFFFFu; }
    // Program variants made at a draw because the creation set lacked them.
    int ShaderFallbacks() const { return fallbackBuilds_; }
    int ShaderVariants() const { return variantCount_; }
    // Clusters wholly outside the view volume of the transforms they are drawn with
    // are skipped (on by default); off, every cluster is drawn.
    void SetClusterCulling(bool on) { clusterCulling_ = on; }
    bool ClusterCulling() const { return clusterCulling_; }
    // The draws since the last Present (complete inside the present hook).
    const GlFrameCounts& FrameCounts() const { return frameCounts_; }

private:
    GlDevice() = default;
    bool Init(SDL_Window* window, SDL_GLContext context, const D3DPRESENT_PARAMETERS& params, const char** reason);
    void FitWindowSurface();
    void ReleaseWindowSurface();
    struct Uniforms {
        GLint Flags, WorldView, Projection, NormalMatrix, MatDiffuse, MatAmbient, MatSpecular, MatEmissive, MatPower,
            GlobalAmbient, LightPos, LightDir, LightDiffuse, LightSpecular, LightAmbient, LightAtten, FogParams,
            TextColor, Texture, FogColor;
    };
    // Compiles and links the variant for `key` into the table; its index, or -1.
    int BuildVariant(const GlShaderKey& key, const char** reason);
    int FindVariant(std::uint32_t packed) const;
    bool BuildStartupVariants(const char** reason);
    void UseVariant(int index);
    void WarmVariants(const GlDrawCall& call);
    // Draws `count` indices from `firstIndex` (in indices) of the call's index buffer.
    void DrawRange(const GlDrawCall& call, std::size_t firstIndex, std::size_t count, bool lines);
    void DrawClusters(const GlDrawCall& call, bool lines);
    // The variant the current state draws with (made now if it is not yet).
    bool SelectVariant(const GlDrawCall& call);
    void GatherLights();
    void GatherStates();
    bool EnsureBackBuffer();
    void ChooseRenderTarget();
    void BindRenderTarget();
    void ResetState();
    void ApplyRasterState();
    void FlushUniforms(const GlDrawCall& call);
    void SendLightUniforms();
    void UpdateTransformUniforms();
    void SendStateUniforms();
    void ForgetTexture(const GlTexture* texture);
    friend class GlTexture;

    struct Light {
        DWORD Index = 0;
        D3DLIGHT8 Params;
        bool Enabled = false;
    };
    static constexpr int MaxActiveLights = 8;
    static constexpr DWORD RenderStateCount = 256;

    std::shared_ptr<GlContextRef> context_ = std::make_shared<GlContextRef>();
    DWORD width_ = 0, height_ = 0;
    DWORD depthFormat_ = 0;
    bool inScene_ = false;
    int maxTextureSize_ = 0;

    // Render target: an FBO of the back-buffer size, or the window itself when the
    // drawable has exactly that size and enough depth bits.
    GLuint fbo_ = 0, colorRb_ = 0, depthRb_ = 0;
    bool direct_ = false;
    bool forceOffscreen_ = false;
    bool canInvalidate_ = false;
    int windowDepthBits_ = 0;
    int depthBits_ = 24;
    std::function<void()> presentHook_;

    // Device state.
    std::array<DWORD, RenderStateCount> renderStates_{};
    std::vector<std::pair<DWORD, DWORD>> extraRenderStates_;  // numbers beyond the table
    D3DMATRIX world_, view_, projection_;
    D3DMATERIAL8 material_;
    std::vector<Light> lights_;
    GlTexture* texture_ = nullptr;

    // GL objects: the program variants and the uniform cache.
    struct Variant {
        std::uint32_t Key = 0;
        GLuint Program = 0;
        Uniforms U{};
    };
    static constexpr int MaxVariants = 64;
    std::array<Variant, MaxVariants> variants_{};
    int variantCount_ = 0;
    int current_ = -1;      // index of the variant in use, -1 before the first draw
    int textVariant_ = -1;
    int fallbackBuilds_ = 0;
    bool warming_ = true;       // until a frame with draws is presented
    bool drewThisFrame_ = false;  // variants made at a draw rather than at creation
    GLuint program_ = 0;    // the current variant's program
    Uniforms u_{};          // and its uniform locations
    GLuint quadVao_ = 0, quadVbo_ = 0;
    bool transformsDirty_ = true, lightsDirty_ = true, materialDirty_ = true, statesDirty_ = true;
    bool lightUniformsDirty_ = true, stateUniformsDirty_ = true;
    // The enabled lights as the shader takes them (camera space), gathered from lights_.
    int lightCount_ = 0;
    unsigned pointLights_ = 0;
    float lightPos_[GlMaxLights][4] = {}, lightDir_[GlMaxLights][3] = {}, lightDiffuse_[GlMaxLights][3] = {},
          lightSpecular_[GlMaxLights][3] = {}, lightAmbient_[GlMaxLights][3] = {}, lightAtten_[GlMaxLights][4] = {};
    DWORD fogMode_ = 0;
    bool rasterDirty_ = true;
    bool anySpecularLight_ = false;  // an enabled light has a specular colour
    int baseFlags_ = 0;     // the flags that follow from render states alone
    int lastFlags_ = -1;    // last value sent to uFlags
    GLuint boundTexture_ = 0;
    bool clusterCulling_ = true;
    GlFrameCounts frameCounts_;
    // GL raster state last applied.
    DWORD appliedFill_ = 0, appliedCull_ = 0, appliedZEnable_ = 0xFFFFFFFF, appliedZWrite_ = 0xFFFFFFFF,
          appliedZFunc_ = 0;
};

// The GL device: creation, the render target and the frame calls (Clear, scene
// brackets, Present, read-back). Each frame goes into the back buffer, an FBO of
// the requested size (or the window itself when the drawable already has that size),
// and Present scales it into the window with black bars and swaps.
#include "platform/sdl_gl/GlDevice.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "platform/host/Host.h"
#include "platform/sdl_gl/GlDebug.h"
#include "platform/sdl_gl/GlDeviceStates.h"
#include "platform/sdl_gl/GlShader.h"

using namespace GlStates;

namespace {

// True when a shader compiled or a program linked; otherwise its log goes to
// stderr and `reason` says which step failed.
template <class GetStatus, class GetLog>
bool Built(GLuint object, GLenum status, GetStatus getStatus, GetLog getLog, const char* step, const char** reason) {
    GLint ok = GL_FALSE;
    getStatus(object, status, &ok);
    if (ok == GL_TRUE) return true;
    char log[1024] = {};
    getLog(object, sizeof log, nullptr, log);
    std::fprintf(stderr, "GL %s failed: %s\n", step, log);
    *reason = status == GL_COMPILE_STATUS ? "shader compile failed" : "shader link failed";
    return false;
}

GLuint CompileShader(GLenum type, const char* source, const char** reason) {
    const GLuint shader = glCreateShader(type);
    glShaderSource(shader, 1, &source, nullptr);
    glCompileShader(shader);
    if (!Built(shader, GL_COMPILE_STATUS, glGetShaderiv, glGetShaderInfoLog, "shader compile", reason)) {
        glDeleteShader(shader);
        return 0;
    }
    return shader;
}

// Depth bits of the window's own framebuffer (0 when it has none).
int DefaultFramebufferDepthBits() {
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    GLint type = GL_NONE;
    glGetFramebufferAttachmentParameteriv(GL_FRAMEBUFFER, GL_DEPTH, GL_FRAMEBUFFER_ATTACHMENT_OBJECT_TYPE, &type);
    GLint bits = 0;
    if (type != GL_NONE)
        glGetFramebufferAttachmentParameteriv(GL_FRAMEBUFFER, GL_DEPTH, GL_FRAMEBUFFER_ATTACHMENT_DEPTH_SIZE, &bits);
    // Some drivers refuse the query on the default framebuffer; then treat it as
    // depthless, so the device draws into its own FBO.
    bool refused = false;
    while (glGetError() != GL_NO_ERROR) refused = true;
    return refused ? 0 : bits;
}

// The off-screen depth buffer for the depth bits asked for: 16-bit, or the deeper
// 24-bit fixed-point one (a 32-bit choice gets it too: fixed-point depth tests cost
// about what 16-bit ones do, a float depth buffer far more in software renderers).
GLenum DepthFormat(int bits) { return bits == 16 ? GL_DEPTH_COMPONENT16 : GL_DEPTH_COMPONENT24; }

}  // namespace

bool GlContextRef::MakeCurrent() const {
    if (!Alive()) return false;
    if (SDL_GL_GetCurrentContext() != Context) {
        SDL_GL_MakeCurrent(Window, Context);
        host::BindSurface(Surface);
    }
    return true;
}

GlTexture::GlTexture(std::shared_ptr<GlContextRef> context, GLuint name, DWORD width, DWORD height)
    : context_(std::move(context)), name_(name), width_(width), height_(height) {}

GlTexture::~GlTexture() {
    if (!context_->MakeCurrent()) return;  // the context took the texture with it
    context_->Device->ForgetTexture(this);
    glDeleteTextures(1, &name_);
}

std::unique_ptr<GlDevice> GlDevice::Create(SDL_Window* window, SDL_GLContext context,
                                           const D3DPRESENT_PARAMETERS& params, const char** reason) {
    std::unique_ptr<GlDevice> device(new GlDevice());
    if (!device->Init(window, context, params, reason)) {
        device->context_->Context = nullptr;  // the caller still owns the context
        device.reset();
        return nullptr;
    }
    return device;
}

bool GlDevice::Init(SDL_Window* window, SDL_GLContext context, const D3DPRESENT_PARAMETERS& params,
                    const char** reason) {
    context_->Device = this;
    context_->Window = window;
    context_->Context = context;
    width_ = params.BackBufferWidth;
    height_ = params.BackBufferHeight;
    depthFormat_ = params.EnableAutoDepthStencil ? params.AutoDepthStencilFormat : 0;
    if (!params.EnableAutoDepthStencil) depthBits_ = 0;
    else if (depthFormat_ == D3DFMT_D16) depthBits_ = 16;
    else if (depthFormat_ == D3DFMT_D32) depthBits_ = 32;
    else depthBits_ = 24;

    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxTextureSize_);
    if (static_cast<GLint>(std::max(width_, height_)) > 16384) {
        *reason = "back buffer too large";
        return false;
    }
    if (!BuildStartupVariants(reason)) return false;

    // The quad that screen-space text is drawn with: 4 corners of (x, y, u, v).
    glGenVertexArrays(1, &quadVao_);
    glGenBuffers(1, &quadVbo_);
    glBindVertexArray(quadVao_);
    glBindBuffer(GL_ARRAY_BUFFER, quadVbo_);
    glBufferData(GL_ARRAY_BUFFER, 16 * sizeof(float), nullptr, GL_DYNAMIC_DRAW);
    glEnableVertexAttribArray(0);
    glVertexAttribPointer(0, 2, GL_FLOAT, GL_FALSE, 4 * sizeof(float), nullptr);
    glEnableVertexAttribArray(2);
    glVertexAttribPointer(2, 2, GL_FLOAT, GL_FALSE, 4 * sizeof(float),
                          reinterpret_cast<const void*>(2 * sizeof(float)));
    glBindVertexArray(0);
    glBindBuffer(GL_ARRAY_BUFFER, 0);

    // A mesh without a stream reads the attribute's current value: texture
    // coordinate (0,0), normal 0, colour white.
    glVertexAttrib3f(1, 0.0f, 0.0f, 0.0f);
    glVertexAttrib2f(2, 0.0f, 0.0f);
    glVertexAttrib4f(3, 1.0f, 1.0f, 1.0f, 1.0f);

    if (params.Windowed == 0) FitWindowSurface();
    windowDepthBits_ = DefaultFramebufferDepthBits();
    canInvalidate_ = epoxy_gl_version() >= 43 || epoxy_has_gl_extension("GL_ARB_invalidate_subdata");
    lights_.reserve(32);
    extraRenderStates_.reserve(8);
    ChooseRenderTarget();
    if (!direct_ && fbo_ == 0) {
        *reason = "cannot make the back buffer";
        return false;
    }
    ResetState();
    BindRenderTarget();
    GlCheck("device creation");
    return true;
}

GlDevice::~GlDevice() {
    ReleaseWindowSurface();
    if (context_->Context != nullptr) {
        // GL names of meshes and textures still alive go with the context. The
        // window may already be gone, so it is not touched here.
        if (SDL_GL_GetCurrentContext() == context_->Context) SDL_GL_MakeCurrent(nullptr, nullptr);
        SDL_GL_DeleteContext(context_->Context);
    }
    context_->Device = nullptr;
    context_->Context = nullptr;
}

// A full-screen device on a video driver whose window surfaces keep the size the
// window was created with (the offscreen one): the window gets a surface of the
// back buffer's size where the host can make one, so frames are drawn straight into
// it as on a display of that size. Otherwise the window keeps its surface and the
// back buffer is drawn off-screen and scaled into it.
void GlDevice::FitWindowSurface() {
    context_->Surface = host::FitSurface(static_cast<int>(width_), static_cast<int>(height_));
}

void GlDevice::ReleaseWindowSurface() { host::ReleaseSurface(context_->Surface); }

int GlDevice::BuildVariant(const GlShaderKey& key, const char** reason) {
    const std::uint32_t packed = key.Packed();
    const GLuint vs = CompileShader(GL_VERTEX_SHADER, GlVertexShaderText(key).c_str(), reason);
    if (vs == 0) return -1;
    const GLuint fs = CompileShader(GL_FRAGMENT_SHADER, GlFragmentShaderText(key).c_str(), reason);
    if (fs == 0) {
        glDeleteShader(vs);
        return -1;
    }
    const GLuint program = glCreateProgram();
    glAttachShader(program, vs);
    glAttachShader(program, fs);
    glLinkProgram(program);
    glDeleteShader(vs);
    glDeleteShader(fs);
    if (!Built(program, GL_LINK_STATUS, glGetProgramiv, glGetProgramInfoLog, "shader link", reason)) {
        glDeleteProgram(program);
        return -1;
    }
    // A full table gives up its last entry (only tests reach that many).
    int slot = variantCount_;
    if (slot == MaxVariants) {
        slot = MaxVariants - 1;
        if (current_ == slot) current_ = -1;
        glDeleteProgram(variants_[static_cast<std::size_t>(slot)].Program);
    } else {
        ++variantCount_;
    }
    Variant& v = variants_[static_cast<std::size_t>(slot)];
    v.Key = packed;
    v.Program = program;
    const auto loc = [program](const char* name) { return glGetUniformLocation(program, name); };
    Uniforms& u = v.U;
    u.Flags = loc("uFlags");
    u.WorldView = loc("uWorldView");
    u.Projection = loc("uProjection");
    u.NormalMatrix = loc("uNormalMatrix");
    u.MatDiffuse = loc("uMatDiffuse");
    u.MatAmbient = loc("uMatAmbient");
    u.MatSpecular = loc("uMatSpecular");
    u.MatEmissive = loc("uMatEmissive");
    u.MatPower = loc("uMatPower");
    u.GlobalAmbient = loc("uGlobalAmbient");
    u.LightPos = loc("uLightPos");
    u.LightDir = loc("uLightDir");
    u.LightDiffuse = loc("uLightDiffuse");
    u.LightSpecular = loc("uLightSpecular");
    u.LightAmbient = loc("uLightAmbient");
    u.LightAtten = loc("uLightAtten");
    u.FogParams = loc("uFogParams");
    u.TextColor = loc("uTextColor");
    u.Texture = loc("uTexture");
    u.FogColor = loc("uFogColor");
    glUseProgram(program);
    glUniform1i(u.Texture, 0);
    glUseProgram(current_ >= 0 ? program_ : 0);
    return slot;
}

int GlDevice::FindVariant(std::uint32_t packed) const {
    for (int i = 0; i < variantCount_; ++i)
        if (variants_[static_cast<std::size_t>(i)].Key == packed) return i;
    return -1;
}

bool GlDevice::BuildStartupVariants(const char** reason) {
    textVariant_ = BuildVariant(GlShaderKey{true}, reason);
    return textVariant_ >= 0;
}

void GlDevice::UseVariant(int index) {
    current_ = index;
    program_ = variants_[static_cast<std::size_t>(index)].Program;
    u_ = variants_[static_cast<std::size_t>(index)].U;
    glUseProgram(program_);
    // Uniforms belong to the program: the new one gets the whole state.
    transformsDirty_ = lightUniformsDirty_ = stateUniformsDirty_ = materialDirty_ = true;
    lastFlags_ = -1;
}

// The device's state right after creation.
void GlDevice::ResetState() {
    renderStates_.fill(0);
    auto& rs = renderStates_;
    rs[D3DRS_ZENABLE] = depthBits_ > 0 ? D3DZB_TRUE : 0;
    rs[D3DRS_FILLMODE] = D3DFILL_SOLID;
    rs[RsShadeMode] = 2;  // Gouraud
    rs[D3DRS_ZWRITEENABLE] = 1;
    rs[RsLastPixel] = 1;
    rs[RsSrcBlend] = 2;   // ONE
    rs[RsDestBlend] = 1;  // ZERO
    rs[D3DRS_CULLMODE] = D3DCULL_CCW;
    rs[D3DRS_ZFUNC] = 4;  // LESSEQUAL
    rs[RsAlphaFunc] = 8;  // ALWAYS
    rs[D3DRS_FOGEND] = Bits(1.0f);
    rs[RsFogDensity] = Bits(1.0f);
    rs[RsStencilFail] = rs[RsStencilZFail] = rs[RsStencilPass] = 1;  // KEEP
    rs[RsStencilFunc] = 8;
    rs[RsStencilMask] = rs[RsStencilWriteMask] = 0xFFFFFFFFu;
    rs[RsTextureFactor] = 0xFFFFFFFFu;
    rs[RsClipping] = 1;
    rs[D3DRS_LIGHTING] = 1;
    rs[D3DRS_COLORVERTEX] = 1;
    rs[D3DRS_LOCALVIEWER] = 1;
    rs[RsDiffuseMaterialSource] = 1;   // COLOR1
    rs[RsSpecularMaterialSource] = 2;  // COLOR2
    rs[RsPointSize] = Bits(1.0f);
    rs[RsPointScaleA] = Bits(1.0f);
    rs[RsMultisampleAntialias] = 1;
    rs[RsMultisampleMask] = 0xFFFFFFFFu;
    rs[RsPatchSegments] = Bits(1.0f);
    rs[RsPointSizeMax] = Bits(64.0f);
    rs[RsColorWriteEnable] = 0xF;
    rs[RsBlendOp] = 1;        // ADD
    rs[RsPositionOrder] = 3;  // cubic
    rs[RsNormalOrder] = 1;    // linear
    extraRenderStates_.clear();

    world_ = view_ = projection_ = Identity();
    material_ = D3DMATERIAL8{};
    lights_.clear();
    texture_ = nullptr;

    current_ = -1;
    program_ = 0;
    glUseProgram(0);
    glDisable(GL_BLEND);
    glDisable(GL_SCISSOR_TEST);
    glDisable(GL_STENCIL_TEST);
    glFrontFace(GL_CW);  // front faces run clockwise on screen
    glDepthRange(0.0, 1.0);
    glActiveTexture(GL_TEXTURE0);
    transformsDirty_ = lightsDirty_ = materialDirty_ = statesDirty_ = rasterDirty_ = true;
    lightUniformsDirty_ = stateUniformsDirty_ = true;
    lastFlags_ = -1;
    boundTexture_ = 0;
    glBindTexture(GL_TEXTURE_2D, 0);
}

// --- render target ---------------------------------------------------------------

bool GlDevice::EnsureBackBuffer() {
    if (fbo_ != 0) return true;
    glGenFramebuffers(1, &fbo_);
    glGenRenderbuffers(1, &colorRb_);
    glBindFramebuffer(GL_FRAMEBUFFER, fbo_);
    glBindRenderbuffer(GL_RENDERBUFFER, colorRb_);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, static_cast<GLsizei>(width_), static_cast<GLsizei>(height_));
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, colorRb_);
    if (depthBits_ > 0) {
        glGenRenderbuffers(1, &depthRb_);
        glBindRenderbuffer(GL_RENDERBUFFER, depthRb_);
        glRenderbufferStorage(GL_RENDERBUFFER, DepthFormat(depthBits_), static_cast<GLsizei>(width_),
                              static_cast<GLsizei>(height_));
        glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, depthRb_);
    }
    glBindRenderbuffer(GL_RENDERBUFFER, 0);
    const bool complete = glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
    GlCheck("back buffer creation");
    if (!complete) {
        std::fprintf(stderr, "GL back buffer incomplete (%ux%u)\n", width_, height_);
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        glDeleteFramebuffers(1, &fbo_);
        glDeleteRenderbuffers(1, &colorRb_);
        if (depthRb_ != 0) glDeleteRenderbuffers(1, &depthRb_);
        fbo_ = colorRb_ = depthRb_ = 0;
        return false;
    }
    return true;
}

void GlDevice::ChooseRenderTarget() {
    int dw = 0, dh = 0;
    host::SurfaceSize(context_->Window, dw, dh);
    const bool sameSize = dw == static_cast<int>(width_) && dh == static_cast<int>(height_);
    const bool depthOk = windowDepthBits_ >= std::min(depthBits_, 24);
    direct_ = !forceOffscreen_ && sameSize && depthOk;
    if (!direct_ && !EnsureBackBuffer()) direct_ = sameSize;  // last resort: draw where we can
}

void GlDevice::BindRenderTarget() {
    glBindFramebuffer(GL_FRAMEBUFFER, direct_ ? 0 : fbo_);
    glViewport(0, 0, static_cast<GLsizei>(width_), static_cast<GLsizei>(height_));
}

void GlDevice::ForceOffscreenBackBuffer(bool force) {
    MakeCurrent();
    forceOffscreen_ = force;
    ChooseRenderTarget();
    BindRenderTarget();
}

// --- frame -----------------------------------------------------------------------

HRESULT GlDevice::Clear(DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR color, float z, DWORD) {
    if (count > 0 && rects == nullptr) return D3DERR_INVALIDCALL;
    if ((flags & D3DCLEAR_ZBUFFER) != 0 && depthBits_ == 0) return D3DERR_INVALIDCALL;
    context_->MakeCurrent();
    GLbitfield mask = 0;
    if ((flags & D3DCLEAR_TARGET) != 0) {
        float c[4];
        ColorToFloats(color, c);
        glClearColor(c[0], c[1], c[2], c[3]);
        mask |= GL_COLOR_BUFFER_BIT;
    }
    if ((flags & D3DCLEAR_ZBUFFER) != 0) {
        glClearDepth(std::clamp(z, 0.0f, 1.0f));
        glDepthMask(GL_TRUE);  // clearing ignores the z-write state
        mask |= GL_DEPTH_BUFFER_BIT;
    }
    if (mask == 0) return D3D_OK;
    if (count == 0) {
        glClear(mask);
    } else {
        glEnable(GL_SCISSOR_TEST);
        for (DWORD i = 0; i < count; ++i) {
            const D3DRECT& r = rects[i];
            const int x1 = std::clamp(r.x1, 0, static_cast<int>(width_));
            const int x2 = std::clamp(r.x2, 0, static_cast<int>(width_));
            const int y1 = std::clamp(r.y1, 0, static_cast<int>(height_));
            const int y2 = std::clamp(r.y2, 0, static_cast<int>(height_));
            if (x2 <= x1 || y2 <= y1) continue;
            glScissor(x1, static_cast<int>(height_) - y2, x2 - x1, y2 - y1);
            glClear(mask);
        }
        glDisable(GL_SCISSOR_TEST);
    }
    if ((flags & D3DCLEAR_ZBUFFER) != 0) glDepthMask(renderStates_[D3DRS_ZWRITEENABLE] != 0 ? GL_TRUE : GL_FALSE);
    GlCheck("Clear");
    return D3D_OK;
}

HRESULT GlDevice::BeginScene() {
    if (inScene_) return D3DERR_INVALIDCALL;
    inScene_ = true;
    return D3D_OK;
}

HRESULT GlDevice::EndScene() {
    if (!inScene_) return D3DERR_INVALIDCALL;
    inScene_ = false;
    return D3D_OK;
}

HRESULT GlDevice::Present(const RECT*, const RECT*, void*, const void*) {
    context_->MakeCurrent();
    if (presentHook_) presentHook_();
    frameCounts_ = GlFrameCounts{};
    if (!direct_) {
        int dw = 0, dh = 0;
        host::SurfaceSize(context_->Window, dw, dh);
        glBindFramebuffer(GL_READ_FRAMEBUFFER, fbo_);
        glBindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
        glViewport(0, 0, dw, dh);
        if (dw > 0 && dh > 0 && width_ > 0 && height_ > 0) {
            // Keep the back buffer's aspect; the rest of the window stays black.
            const double scale = std::min(static_cast<double>(dw) / width_, static_cast<double>(dh) / height_);
            const int w = static_cast<int>(std::lround(width_ * scale));
            const int h = static_cast<int>(std::lround(height_ * scale));
            const int x = (dw - w) / 2;
            const int y = (dh - h) / 2;
            if (w < dw || h < dh) {
                glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
                glClear(GL_COLOR_BUFFER_BIT);
            }
            bool nearest = w == static_cast<int>(width_) && h == static_cast<int>(height_);
            if (host::SharpWholeScaling())
                nearest = nearest || (w % static_cast<int>(width_) == 0 && h % static_cast<int>(height_) == 0);
            glBlitFramebuffer(0, 0, static_cast<GLint>(width_), static_cast<GLint>(height_), x, y, x + w, y + h,
                              GL_COLOR_BUFFER_BIT, nearest ? GL_NEAREST : GL_LINEAR);
        }
        // The depth of a presented frame is not kept; the colour is, for read-back.
        if (depthRb_ != 0 && canInvalidate_) {
            const GLenum depth = GL_DEPTH_ATTACHMENT;
            glBindFramebuffer(GL_FRAMEBUFFER, fbo_);
            glInvalidateFramebuffer(GL_FRAMEBUFFER, 1, &depth);
            glBindFramebuffer(GL_FRAMEBUFFER, 0);
        }
    }
    host::PresentFrame(context_->Window, context_->Surface, drewThisFrame_);
    if (drewThisFrame_) warming_ = false;
    // The window may have changed size (full-screen switch, HiDPI): choose again.
    ChooseRenderTarget();
    BindRenderTarget();
    GlCheck("Present");
    return D3D_OK;
}

bool GlDevice::ReadBack(std::vector<std::uint8_t>& rgba, int& width, int& height) {
    if (!context_->MakeCurrent()) return false;
    width = static_cast<int>(width_);
    height = static_cast<int>(height_);
    rgba.assign(static_cast<std::size_t>(width) * height * 4, 0);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, direct_ ? 0 : fbo_);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    BindRenderTarget();
    // GL rows run bottom-up; hand them over top row first.
    const std::size_t stride = static_cast<std::size_t>(width) * 4;
    std::vector<std::uint8_t> row(stride);
    for (int y = 0; y < height / 2; ++y) {
        std::uint8_t* a = rgba.data() + stride * y;
        std::uint8_t* b = rgba.data() + stride * (height - 1 - y);
        std::memcpy(row.data(), a, stride);
        std::memcpy(a, b, stride);
        std::memcpy(b, row.data(), stride);
    }
    GlCheck("ReadBack");
    return true;
}

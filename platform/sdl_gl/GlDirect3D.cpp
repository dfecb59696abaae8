// Direct3D 8 on SDL2 + OpenGL 3.3 core. The device window is the SDL_Window* the
// window system made for the game; unless the caller asks for a windowed device it
// goes desktop full-screen (no display-mode change: Present scales the back buffer
// into whatever the desktop size is). Presentation waits for vertical sync.
#include "platform/DirectX.h"
#include "platform/sdl_gl/SdlWindow.h"

#include <SDL.h>
#include "platform/sdl_gl/GlApi.h"

#include <cstdio>

#include "platform/host/Host.h"
#include "platform/sdl_gl/GlDevice.h"
#include "platform/sdl_gl/InputKeyboard.h"

namespace {

constexpr DWORD kD3dfmtA1R5G5B5 = 25;

bool IsDisplayFormat(DWORD format) {
    return format == D3DFMT_X8R8G8B8 || format == D3DFMT_R5G6B5 || format == D3DFMT_X1R5G5B5;
}

// The back-buffer format with its alpha channel replaced by padding.
DWORD WithoutAlpha(DWORD format) {
    if (format == D3DFMT_A8R8G8B8) return D3DFMT_X8R8G8B8;
    if (format == kD3dfmtA1R5G5B5) return D3DFMT_X1R5G5B5;
    return format;
}

bool EnsureVideo() { return SDL_WasInit(SDL_INIT_VIDEO) != 0 || SDL_InitSubSystem(SDL_INIT_VIDEO) == 0; }

class GlDirect3D8 final : public Direct3D8 {
public:
    HRESULT GetAdapterDisplayMode(DWORD adapter, D3DDISPLAYMODE& mode) override {
        if (adapter != D3DADAPTER_DEFAULT) return D3DERR_INVALIDCALL;
        if (!EnsureVideo()) return D3DERR_NOTAVAILABLE;
        SDL_DisplayMode desktop{};
        if (SDL_GetDesktopDisplayMode(0, &desktop) != 0) return D3DERR_NOTAVAILABLE;
        mode.Width = static_cast<DWORD>(desktop.w);
        mode.Height = static_cast<DWORD>(desktop.h);
        mode.RefreshRate = static_cast<DWORD>(desktop.refresh_rate);
        const int bits = static_cast<int>(SDL_BITSPERPIXEL(desktop.format));
        if (bits == 15 || desktop.format == SDL_PIXELFORMAT_RGB555) mode.Format = D3DFMT_X1R5G5B5;
        else if (bits == 16) mode.Format = D3DFMT_R5G6B5;
        else mode.Format = D3DFMT_X8R8G8B8;
        return D3D_OK;
    }

    // A depth or stencil format is no display format, so asking with one fails.
    HRESULT CheckDeviceType(DWORD adapter, DWORD devType, DWORD displayFormat, DWORD backBufferFormat,
                            int windowed) override {
        if (adapter != D3DADAPTER_DEFAULT) return D3DERR_INVALIDCALL;
        if (devType != D3DDEVTYPE_HAL) return devType == 2 || devType == 3 ? D3DERR_NOTAVAILABLE : D3DERR_INVALIDDEVICE;
        if (!IsDisplayFormat(displayFormat)) return D3DERR_NOTAVAILABLE;
        const DWORD back = WithoutAlpha(backBufferFormat);
        if (!IsDisplayFormat(back)) return D3DERR_NOTAVAILABLE;
        if (windowed == 0 && back != displayFormat) return D3DERR_NOTAVAILABLE;
        return D3D_OK;
    }

    HRESULT CreateDevice(DWORD adapter, DWORD devType, void* hFocusWindow, DWORD, D3DPRESENT_PARAMETERS& params,
                         std::unique_ptr<Direct3DDevice8>& device) override {
        if (adapter != D3DADAPTER_DEFAULT) return D3DERR_INVALIDCALL;
        if (devType != D3DDEVTYPE_HAL) return D3DERR_NOTAVAILABLE;
        auto* window = static_cast<SDL_Window*>(params.hDeviceWindow != nullptr ? params.hDeviceWindow : hFocusWindow);
        if (window == nullptr || params.BackBufferWidth == 0 || params.BackBufferHeight == 0) return D3DERR_INVALIDCALL;
        if ((SDL_GetWindowFlags(window) & SDL_WINDOW_OPENGL) == 0) return D3DERR_INVALIDCALL;

        // Where the host owns full screen (a page asks for it within the click that
        // opened this window), a second request here would come at some later input.
        const bool fullScreen = params.Windowed == 0 && !host::OwnsFullScreen();
        if (fullScreen) SDL_SetWindowFullscreen(window, SDL_WINDOW_FULLSCREEN_DESKTOP);
        // The size a window of the back buffer gets when it leaves full screen.
        SDL_SetWindowData(window, kBackBufferWidthKey,
                          reinterpret_cast<void*>(static_cast<std::intptr_t>(params.BackBufferWidth)));
        SDL_SetWindowData(window, kBackBufferHeightKey,
                          reinterpret_cast<void*>(static_cast<std::intptr_t>(params.BackBufferHeight)));
        // On failure the window goes back to how it was.
        const auto fail = [&](SDL_GLContext made) {
            if (made != nullptr) {
                SDL_GL_MakeCurrent(nullptr, nullptr);
                SDL_GL_DeleteContext(made);
            }
            if (fullScreen) SDL_SetWindowFullscreen(window, 0);
            return D3DERR_NOTAVAILABLE;
        };

        SDL_GLContext context = host::CreateGlContext(window);
        if (context == nullptr) return fail(nullptr);
        SDL_GL_SetSwapInterval(1);  // wait for vertical retrace, where the driver offers it

        const char* reason = "";
        std::unique_ptr<GlDevice> made = GlDevice::Create(window, context, params, &reason);
        if (!made) {
            std::fprintf(stderr, "Cannot create the 3-D device: %s\n", reason);
            return fail(context);
        }
        device = std::move(made);
        return D3D_OK;
    }
};

// The root of the platform: the SDL keyboard and the GL Direct3D object.
class SdlDirectX8 final : public DirectX8 {
public:
    std::unique_ptr<DirectInput8> DirectInputCreate() override { return CreateSdlDirectInput8(); }
    std::unique_ptr<Direct3D8> Direct3DCreate() override { return std::make_unique<GlDirect3D8>(); }
};

}  // namespace

std::unique_ptr<DirectX8> CreateDirectX8() { return std::make_unique<SdlDirectX8>(); }

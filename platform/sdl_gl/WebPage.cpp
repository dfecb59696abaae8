// The browser side of the platform (see WebPage.h). Each call suspends the program
// (Asyncify) while the page runs, so the program keeps its blocking shape.
#ifdef __EMSCRIPTEN__

#include "platform/sdl_gl/WebPage.h"

#include "platform/sdl_gl/GlApi.h"
#include "platform/sdl_gl/SdlWindow.h"

#include <SDL.h>
#include <emscripten.h>
#include <emscripten/html5.h>
#include <algorithm>


namespace {

// clang-format off
EM_ASYNC_JS(void, WaitForAnimationFrame, (int world), {
    if (Module.ndFrame) Module.ndFrame(!!world);
    await new Promise(function(resolve) { requestAnimationFrame(function() { resolve(); }); });
});

// The page may wake the program before the time is up (input arrived); without a
// page that offers this, a plain timer.
EM_ASYNC_JS(void, PageSleep, (int milliseconds), {
    if (Module.ndSleep) await Module.ndSleep(milliseconds);
    else await new Promise(function(resolve) { setTimeout(resolve, milliseconds); });
});

EM_ASYNC_JS(void, ShowPageDialog, (const char* text), {
    const message = UTF8ToString(text);
    if (Module.ndMessageBox) await Module.ndMessageBox(message);
});

EM_JS(void, TellPageEnded, (int status), {
    if (Module.ndEnded) Module.ndEnded(status);
});
EM_JS(int, PageScreenWidth, (), { return Math.max(screen.width, innerWidth) | 0; });
EM_JS(int, PageScreenHeight, (), { return Math.max(screen.height, innerHeight) | 0; });

EM_JS(void, TellPagePointerPlaced, (int x, int y), {
    if (Module.ndPointerPlaced) Module.ndPointerPlaced(x, y);
});

// The page gives the 3-D canvas a backing store of its size on the page in
// device pixels where it sizes that canvas by its style (tools/web/page.js).
EM_JS(void, FitPageCanvas, (), {
    if (Module.ndFitCanvas) Module.ndFitCanvas(Module.canvas);
});

EM_JS(void, SelectPageCanvas, (int gl), {
    if (Module.ndSelectCanvas) Module.ndSelectCanvas(!!gl);
});
// clang-format on

// While the page runs, the canvas's own framebuffer is the one bound: the page's
// compositor may handle the canvas's drawing buffer then, and a browser may take
// whatever framebuffer is bound for the canvas's own (WebKitGTK, keeping the
// drawing buffer, attaches its buffer to it, which left the device's off-screen
// back buffer incomplete and every frame black). The program's bindings come back
// when it resumes.
class CanvasFramebufferWhileAway {
public:
    CanvasFramebufferWhileAway() {
        if (emscripten_webgl_get_current_context() == 0) return;
        glGetIntegerv(GL_DRAW_FRAMEBUFFER_BINDING, &draw_);
        glGetIntegerv(GL_READ_FRAMEBUFFER_BINDING, &read_);
        if (draw_ != 0 || read_ != 0) glBindFramebuffer(GL_FRAMEBUFFER, 0);
    }
    ~CanvasFramebufferWhileAway() {
        if (draw_ != 0) glBindFramebuffer(GL_DRAW_FRAMEBUFFER, static_cast<GLuint>(draw_));
        if (read_ != 0) glBindFramebuffer(GL_READ_FRAMEBUFFER, static_cast<GLuint>(read_));
    }
    CanvasFramebufferWhileAway(const CanvasFramebufferWhileAway&) = delete;
    CanvasFramebufferWhileAway& operator=(const CanvasFramebufferWhileAway&) = delete;

private:
    GLint draw_ = 0;
    GLint read_ = 0;
};

}  // namespace

void WebWaitForFrame(bool world) {
    const CanvasFramebufferWhileAway away;
    WaitForAnimationFrame(world ? 1 : 0);
}

void WebYield(int milliseconds) {
    const CanvasFramebufferWhileAway away;
    PageSleep(std::max(milliseconds, 0));
}

void WebMessageBox(const std::string& text) {
    const CanvasFramebufferWhileAway away;
    ShowPageDialog(text.c_str());
}

void WebSelectCanvas(bool gl) { SelectPageCanvas(gl ? 1 : 0); }

void WebFitCanvas() { FitPageCanvas(); }

namespace {

// The virtual pointer, in pixels of the screen (or the larger full-screen page);
// -1 until first placed.
int pointerX = -1, pointerY = -1;

// The window system hears of the pointer as it does of a real one: one move event.
void ReportPointer(SDL_Window* window) {
    int left = 0, top = 0;
    SDL_GetWindowPosition(window, &left, &top);
    SDL_Event event{};
    event.type = SDL_MOUSEMOTION;
    event.motion.windowID = SDL_GetWindowID(window);
    event.motion.state = SDL_GetMouseState(nullptr, nullptr);
    event.motion.x = pointerX - left;
    event.motion.y = pointerY - top;
    SDL_PushEvent(&event);
}

}  // namespace

// The page sends the motion of the locked pointer here (see page.js).
extern "C" EMSCRIPTEN_KEEPALIVE void nd_pointer_moved(int dx, int dy) {
    SDL_Window* window = TopVisibleWindow();
    if (window == nullptr) return;
    if (pointerX < 0) SDL_GetMouseState(&pointerX, &pointerY);
    const int width = PageScreenWidth(), height = PageScreenHeight();
    pointerX = std::clamp(pointerX + dx, 0, std::max(0, width - 1));
    pointerY = std::clamp(pointerY + dy, 0, std::max(0, height - 1));
    ReportPointer(window);
}

bool WebMovePointer(int x, int y) {
    SDL_Window* window = TopVisibleWindow();
    if (window == nullptr) return false;
    pointerX = x;
    pointerY = y;
    ReportPointer(window);
    TellPagePointerPlaced(x, y);
    return true;
}

void WebProgramEnded(int status) { TellPageEnded(status); }

#endif

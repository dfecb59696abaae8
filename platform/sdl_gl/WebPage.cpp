// The browser side of the platform (see WebPage.h). Each call suspends the program
// (Asyncify) while the page runs, so the program keeps its blocking shape.
#ifdef __EMSCRIPTEN__

#include "platform/sdl_gl/WebPage.h"

#include "platform/sdl_gl/SdlWindow.h"

#include <SDL.h>
#include <emscripten.h>
#include <algorithm>


namespace {

// clang-format off
EM_ASYNC_JS(void, WaitForAnimationFrame, (int world), {
    if (Module.ndFrame) Module.ndFrame(!!world);
    await new Promise(function(resolve) { requestAnimationFrame(function() { resolve(); }); });
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

}  // namespace

void WebWaitForFrame(bool world) { WaitForAnimationFrame(world ? 1 : 0); }

void WebYield(int milliseconds) { emscripten_sleep(static_cast<unsigned>(milliseconds < 0 ? 0 : milliseconds)); }

void WebMessageBox(const std::string& text) { ShowPageDialog(text.c_str()); }

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

// The browser host: the program runs inside a page. It yields to the page at each
// presented frame and at each event step (each call suspends the program through
// Asyncify while the page runs, so the program keeps its blocking shape), shows its
// message box and its end in the page, and draws with WebGL 2 on the page's canvas.
#include "platform/host/Host.h"

#include "HostGl.h"

#include <emscripten.h>
#include <emscripten/html5.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>

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

// The page hears of the end first; the runtime then ends from a task of its own,
// once the program's stack has unwound for good (it waits on a promise that never
// settles), and the exit's exception is caught there. Thrown through the
// program's stack instead, it would reject the promise of whatever had resumed the
// program, and Firefox reports such a rejection as an uncaught exception however
// the page handles it.
EM_ASYNC_JS(void, EndInPage, (int status), {
    Promise.resolve().then(function() {
        try {
            Module._nd_end_now(status);
        } catch (e) {
            if (!(e && e.name == 'ExitStatus')) throw e;
        }
    });
    if (Module.ndEnded) Module.ndEnded(status);
    await new Promise(function() {});
});
// The screen the virtual pointer moves on: the screen or the page, whichever is
// larger, and never less than 1024 x 768, so that the game's re-centring limits
// (beyond 900 across and 700 down) lie within it on a phone's narrow screen too.
EM_JS(int, PageScreenWidth, (), { return Math.max(screen.width, innerWidth, 1024) | 0; });
EM_JS(int, PageScreenHeight, (), { return Math.max(screen.height, innerHeight, 768) | 0; });

EM_JS(void, TellPagePointerPlaced, (int x, int y), {
    if (Module.ndPointerPlaced) Module.ndPointerPlaced(x, y);
});

// The page gives the 3-D canvas a backing store of its size on the page in
// device pixels where it sizes that canvas by its style (tools/web/page.js).
EM_JS(void, FitPageCanvas, (), {
    if (Module.ndFitCanvas) Module.ndFitCanvas(Module.canvas);
});

// The page's answer comes once its request for full screen has settled.
EM_ASYNC_JS(int, PageFillSize, (int* size), {
    if (!Module.ndFillSize) return 0;
    const answer = await Module.ndFillSize(Module.canvas);
    if (!answer) return 0;
    HEAP32[size >> 2] = answer[0];
    HEAP32[(size >> 2) + 1] = answer[1];
    return 1;
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

void Sleep(int milliseconds) {
    const CanvasFramebufferWhileAway away;
    PageSleep(std::max(milliseconds, 0));
}

// The window the pointer's moves go to (the window system's choice).
SDL_Window* (*pointerWindow)() = nullptr;

// The virtual pointer, in pixels of the screen (or the larger full-screen page);
// -1 until first placed. The page cannot move the real one.
int pointerX = -1, pointerY = -1;

// The window system hears of the pointer as it does of a real one: one move event.
// A window in the page has no place on a screen (the one the window system gave it,
// centred on the screen's size, is nowhere on the page): the game's window covers
// the page from its top left, as a full-screen window covers the screen, so the
// pointer's place on the screen is its place in the window. (Taken from that
// centred place, the point the game re-centres the pointer to could lie in the
// band where it re-centres the pointer again, without end, on a screen held
// upright.)
void ReportPointer(SDL_Window* window) {
    SDL_Event event{};
    event.type = SDL_MOUSEMOTION;
    event.motion.windowID = SDL_GetWindowID(window);
    event.motion.state = SDL_GetMouseState(nullptr, nullptr);
    event.motion.x = pointerX;
    event.motion.y = pointerY;
    SDL_PushEvent(&event);
}

SDL_Window* PointerWindow() { return pointerWindow != nullptr ? pointerWindow() : nullptr; }

// clang-format off
// Whether the page's key event now being handled has already given a key down.
EM_JS(int, KeyEventSeenBefore, (), {
    const e = typeof window !== 'undefined' ? window.event : undefined;
    if (!e) return 0;
    const seen = Module.ndKeyEventsSeen || (Module.ndKeyEventsSeen = new WeakSet());
    if (seen.has(e)) return 1;
    seen.add(e);
    return 0;
});
// clang-format on

// SDL listens for the page's keys once for each window it has, all on the page
// itself: with the menu's window and the game's both open, one key press would
// reach the game twice (the second as a repeat), raising the eye two units a press
// of Z or skipping a camera place with C. Only the first key down of a page event
// passes: the others come as repeats of a key SDL has just seen go down. (A key's
// second release finds it released already and is dropped by SDL.)
int PassKeyOnce(void*, SDL_Event* event) {
    if (event->type != SDL_KEYDOWN) return 1;
    const bool seen = KeyEventSeenBefore() != 0;
    return seen && event->key.repeat != 0 ? 0 : 1;
}

}  // namespace

// The page sends the motion of the locked pointer here (see page.js): the virtual
// pointer moves by it, within the screen.
extern "C" EMSCRIPTEN_KEEPALIVE void nd_pointer_moved(int dx, int dy) {
    SDL_Window* window = PointerWindow();
    if (window == nullptr) return;
    if (pointerX < 0) SDL_GetMouseState(&pointerX, &pointerY);
    const int width = PageScreenWidth(), height = PageScreenHeight();
    pointerX = std::clamp(pointerX + dx, 0, std::max(0, width - 1));
    pointerY = std::clamp(pointerY + dy, 0, std::max(0, height - 1));
    ReportPointer(window);
}

// The runtime's end (atexit handlers, the streams flushed, Module.onExit), asked
// for by EndInPage once nothing of the program is on the stack.
extern "C" EMSCRIPTEN_KEEPALIVE void nd_end_now(int status) { emscripten_force_exit(status); }

namespace host {

void StartVideo(SDL_Window* (*topWindow)()) {
    pointerWindow = topWindow;
    SDL_SetEventFilter(PassKeyOnce, nullptr);
    // The program yields to the page itself, not through SDL.
    SDL_SetHint(SDL_HINT_EMSCRIPTEN_ASYNCIFY, "0");
}

void LetInputIn() { Sleep(0); }

// The page runs while the program sleeps; the caller's next poll takes what came.
bool WaitForEvent(SDL_Event&, int milliseconds) {
    Sleep(std::min(milliseconds, 16));
    return false;
}

// A canvas keeps the kind of context it first had: the page hands the next window
// its 3-D canvas or its 2-D menu canvas.
void PrepareSurface(bool gl) { SelectPageCanvas(gl ? 1 : 0); }

void ShowMessage(const std::string& text, SDL_Window*) {
    const CanvasFramebufferWhileAway away;
    ShowPageDialog(text.c_str());
}

void EndProgram(int status) {
    EndInPage(status);
    _exit(status);  // not reached: the program stays suspended
}

// The page cannot move the pointer: the virtual pointer jumps instead, and the
// jump arrives as one move event.
bool PlacePointer(int x, int y) {
    SDL_Window* window = PointerWindow();
    if (window == nullptr) return false;
    pointerX = x;
    pointerY = y;
    ReportPointer(window);
    TellPagePointerPlaced(x, y);
    return true;
}

// The picture fills the page's canvas (tools/web/page.js), whatever the screen.
bool FillSize(int& width, int& height) {
    const CanvasFramebufferWhileAway away;
    int size[2] = {0, 0};
    if (PageFillSize(size) == 0) return false;
    width = size[0];
    height = size[1];
    return true;
}

// The windows are the page's canvases (tools/web/runner.js).
void UseOffscreenVideo() {}

// The page's file system holds only the DejaVu Sans faces, under /fonts.
std::string FontFile(const std::string&, bool bold, bool* isBold) {
    if (isBold != nullptr) *isBold = bold;
    return bold ? "/fonts/DejaVuSans-Bold.ttf" : "/fonts/DejaVuSans.ttf";
}

SDL_GLContext CreateGlContext(SDL_Window* window) {
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 0);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_ES);
    SDL_GLContext context = SDL_GL_CreateContext(window);
    if (context == nullptr) std::fprintf(stderr, "Cannot create a WebGL 2 context: %s\n", SDL_GetError());
    return context;
}

const char* ShaderPreamble() { return "#version 300 es\nprecision highp float;\nprecision highp int;\n"; }

// The page asks for full screen within the click that starts a game and leaves it
// when the game ends.
bool OwnsFullScreen() { return true; }

bool HasPolygonModes() { return false; }

// A page on a HiDPI screen is a whole multiple of the back buffer more often than
// not: each pixel then becomes a sharp block.
bool SharpWholeScaling() { return true; }

// The canvas's drawing buffer, which keeps its size where the page refused full
// screen while the window took the screen's, and follows the canvas's size on the
// page where the page asks for that.
void SurfaceSize(SDL_Window* window, int& width, int& height) {
    SDL_GL_GetDrawableSize(window, &width, &height);
    FitPageCanvas();
    const EMSCRIPTEN_WEBGL_CONTEXT_HANDLE context = emscripten_webgl_get_current_context();
    if (context != 0) emscripten_webgl_get_drawing_buffer_size(context, &width, &height);
}

// The canvas follows any size the window takes.
Surface FitSurface(int, int) { return {}; }

void BindSurface(const Surface&) {}

void ReleaseSurface(Surface& surface) { surface = {}; }

// The page shows the frame and paces the next.
void PresentFrame(SDL_Window* window, const Surface&, bool world) {
    SDL_GL_SwapWindow(window);
    const CanvasFramebufferWhileAway away;
    WaitForAnimationFrame(world ? 1 : 0);
}

// A page starts no programs.
bool StartProgram(const std::vector<std::string>&, Program&, bool& missing, std::string& error) {
    missing = false;
    error = "a page cannot start other programs";
    return false;
}

bool FinishProgram(Program& program, std::string&) {
    program = Program{};
    return true;
}

}  // namespace host

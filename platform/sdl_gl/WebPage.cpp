// The browser side of the platform (see WebPage.h). Each call suspends the program
// (Asyncify) while the page runs, so the program keeps its blocking shape.
#ifdef __EMSCRIPTEN__

#include "platform/sdl_gl/WebPage.h"

#include <emscripten.h>

namespace {

// clang-format off
EM_ASYNC_JS(void, WaitForAnimationFrame, (), {
    await new Promise(function(resolve) { requestAnimationFrame(function() { resolve(); }); });
});

EM_ASYNC_JS(void, ShowPageDialog, (const char* text), {
    const message = UTF8ToString(text);
    if (Module.ndMessageBox) await Module.ndMessageBox(message);
});

EM_JS(void, TellPageEnded, (int status), {
    if (Module.ndEnded) Module.ndEnded(status);
});
EM_JS(void, SelectPageCanvas, (int gl), {
    if (Module.ndSelectCanvas) Module.ndSelectCanvas(!!gl);
});
// clang-format on

}  // namespace

void WebWaitForFrame() { WaitForAnimationFrame(); }

void WebYield(int milliseconds) { emscripten_sleep(static_cast<unsigned>(milliseconds < 0 ? 0 : milliseconds)); }

void WebMessageBox(const std::string& text) { ShowPageDialog(text.c_str()); }

void WebSelectCanvas(bool gl) { SelectPageCanvas(gl ? 1 : 0); }

void WebProgramEnded(int status) { TellPageEnded(status); }

#endif

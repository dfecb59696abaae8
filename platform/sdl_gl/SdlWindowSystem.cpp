// The process-wide services of the window system: the modal message box, ending
// the process, the program folder and the cursor.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "platform/host/Host.h"
#include "platform/sdl_gl/SdlWindow.h"
#include "platform/sdl_gl/SdlWindowHooks.h"

namespace {

std::function<void(const std::string&)> messageBoxObserver;
int cursorCounter = 0;
std::function<bool(int, int)> cursorPosHandler;

bool VideoDriverIsHeadless() {
    const char* driver = SDL_WasInit(SDL_INIT_VIDEO) ? SDL_GetCurrentVideoDriver() : SDL_getenv("SDL_VIDEODRIVER");
    return driver && (std::strcmp(driver, "offscreen") == 0 || std::strcmp(driver, "dummy") == 0);
}

}  // namespace

void SetMessageBoxObserver(std::function<void(const std::string& text)> observer) {
    messageBoxObserver = std::move(observer);
}

void MsgBox(const std::string& text) {
    std::string line = text;
    for (char& c : line) {
        if (c == '\n' || c == '\r') c = ' ';
    }
    std::fprintf(stderr, "nightdrive: %s\n", line.c_str());
    std::fflush(stderr);
    if (messageBoxObserver) messageBoxObserver(text);
    // Without a screen there is nobody to press OK.
    if (VideoDriverIsHeadless()) return;
    host::ShowMessage(text, TopVisibleWindow());
}

void End(int status) {
    if (SDL_WasInit(SDL_INIT_VIDEO)) SDL_ShowCursor(SDL_ENABLE);
    std::fflush(stdout);
    std::fflush(stderr);
    host::EndProgram(status);
}

std::string AppPath() {
    char* resolved = realpath("/proc/self/exe", nullptr);
    if (!resolved) return ".";
    std::string path = resolved;
    std::free(resolved);
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

int ShowCursor(bool show) {
    cursorCounter += show ? 1 : -1;
    if (SDL_WasInit(SDL_INIT_VIDEO)) SDL_ShowCursor(cursorCounter >= 0 ? SDL_ENABLE : SDL_DISABLE);
    return cursorCounter;
}

bool SetCursorPos(int x, int y) {
    if (cursorPosHandler) return cursorPosHandler(x, y);
    if (!EnsureSdl()) return false;
    return host::PlacePointer(x, y);
}

void SetCursorPosHandler(std::function<bool(int x, int y)> handler) { cursorPosHandler = std::move(handler); }

int CursorCounter() { return cursorCounter; }

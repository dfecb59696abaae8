// The desktop host: a process with its own event loop, SDL's message box, fonts
// found by fontconfig, and OpenGL 3.3 core, whose window surfaces are EGL ones
// where EGL drives the context.
#include "platform/host/Host.h"

#include <epoxy/egl.h>
#include <epoxy/gl.h>
#include <fontconfig/fontconfig.h>
#include <spawn.h>
#include <strings.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

bool Match(const std::string& family, bool bold, std::string& file, std::string& matchedFamily, bool& isBold) {
    FcPattern* pattern = FcPatternCreate();
    if (pattern == nullptr) return false;
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
    FcPatternAddInteger(pattern, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    FcPatternAddInteger(pattern, FC_SLANT, FC_SLANT_ROMAN);
    FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    FcPatternDestroy(pattern);
    if (match == nullptr) return false;
    FcChar8* path = nullptr;
    FcChar8* name = nullptr;
    int weight = FC_WEIGHT_REGULAR;
    const bool ok = FcPatternGetString(match, FC_FILE, 0, &path) == FcResultMatch;
    if (ok) file = reinterpret_cast<const char*>(path);
    if (FcPatternGetString(match, FC_FAMILY, 0, &name) == FcResultMatch)
        matchedFamily = reinterpret_cast<const char*>(name);
    FcPatternGetInteger(match, FC_WEIGHT, 0, &weight);
    isBold = weight >= FC_WEIGHT_DEMIBOLD;
    FcPatternDestroy(match);
    return ok;
}

// SDL's offscreen video driver: its windows' GL surfaces are EGL pbuffers made
// once, at the size the window was created with.
bool OffscreenVideoDriver() {
    const char* driver = SDL_GetCurrentVideoDriver();
    return driver != nullptr && std::strcmp(driver, "offscreen") == 0;
}

}  // namespace

namespace host {

void StartVideo(SDL_Window* (*)()) {}

void LetInputIn() {}

bool WaitForEvent(SDL_Event& event, int milliseconds) { return SDL_WaitEventTimeout(&event, milliseconds) != 0; }

void PrepareSurface(bool) {}

void ShowMessage(const std::string& text, SDL_Window* parent) {
    // A full-screen device window would cover the box; it steps back to a window
    // while the box is open.
    std::uint32_t fullscreen = 0;
    if (parent) {
        fullscreen = SDL_GetWindowFlags(parent) & SDL_WINDOW_FULLSCREEN_DESKTOP;
        if (fullscreen) SDL_SetWindowFullscreen(parent, 0);
        SDL_CaptureMouse(SDL_FALSE);
    }
    // Where no box can be shown at all, the text on stderr is all there is.
    SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_INFORMATION, "nightdrive", text.c_str(), parent);
    if (fullscreen) SDL_SetWindowFullscreen(parent, fullscreen);
}

void EndProgram(int status) { _exit(status); }

bool PlacePointer(int x, int y) { return SDL_WarpMouseGlobal(x, y) == 0; }

void UseOffscreenVideo() { setenv("SDL_VIDEODRIVER", "offscreen", 1); }

std::string FontFile(const std::string& family, bool bold, bool* isBold) {
    if (FcInit() != FcTrue) return {};
    std::string file, matched;
    bool matchedBold = false;
    if (!Match(family, bold, file, matched, matchedBold)) return {};
    if (strcasecmp(matched.c_str(), family.c_str()) != 0 && !Match("DejaVu Sans", bold, file, matched, matchedBold))
        return {};
    if (isBold != nullptr) *isBold = matchedBold;
    return file;
}

SDL_GLContext CreateGlContext(SDL_Window* window) {
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
    SDL_GLContext context = SDL_GL_CreateContext(window);
    if (context == nullptr) {
        std::fprintf(stderr, "Cannot create an OpenGL 3.3 core context: %s\n", SDL_GetError());
        return nullptr;
    }
    if (epoxy_gl_version() < 33 || !epoxy_is_desktop_gl()) {
        std::fprintf(stderr, "OpenGL 3.3 core is not available (got %d)\n", epoxy_gl_version());
        SDL_GL_MakeCurrent(nullptr, nullptr);
        SDL_GL_DeleteContext(context);
        return nullptr;
    }
    return context;
}

const char* ShaderPreamble() { return "#version 330 core\n"; }

bool OwnsFullScreen() { return false; }

// The game's window takes the whole display: its mode says the size.
bool FillSize(int&, int&) { return false; }

bool HasPolygonModes() { return true; }

bool SharpWholeScaling() { return false; }

// An EGL surface keeps the size it was made with on some video drivers (the
// off-screen one) while the window reports its new size, so EGL is asked first
// when it drives the context.
void SurfaceSize(SDL_Window* window, int& width, int& height) {
    SDL_GL_GetDrawableSize(window, &width, &height);
    static const bool kEgl = epoxy_has_egl();
    if (!kEgl || eglGetCurrentContext() == EGL_NO_CONTEXT) return;
    const EGLDisplay display = eglGetCurrentDisplay();
    const EGLSurface surface = eglGetCurrentSurface(EGL_DRAW);
    EGLint w = 0, h = 0;
    if (surface == EGL_NO_SURFACE || eglQuerySurface(display, surface, EGL_WIDTH, &w) != EGL_TRUE ||
        eglQuerySurface(display, surface, EGL_HEIGHT, &h) != EGL_TRUE)
        return;
    width = w;
    height = h;
}

// On the offscreen video driver the window's surface keeps the size the window was
// created with and has no display behind it: the context gets a pbuffer of the
// wanted size, made like the window's own.
Surface FitSurface(int width, int height) {
    if (!OffscreenVideoDriver() || !epoxy_has_egl()) return {};
    const EGLDisplay display = eglGetCurrentDisplay();
    const EGLContext context = eglGetCurrentContext();
    const EGLSurface own = eglGetCurrentSurface(EGL_DRAW);
    if (context == EGL_NO_CONTEXT || own == EGL_NO_SURFACE) return {};
    EGLint w = 0, h = 0, configId = 0;
    if (eglQuerySurface(display, own, EGL_WIDTH, &w) != EGL_TRUE ||
        eglQuerySurface(display, own, EGL_HEIGHT, &h) != EGL_TRUE ||
        eglQuerySurface(display, own, EGL_CONFIG_ID, &configId) != EGL_TRUE)
        return {};
    if (w == width && h == height) return {};
    const EGLint wanted[] = {EGL_CONFIG_ID, configId, EGL_NONE};
    EGLConfig config = nullptr;
    EGLint found = 0;
    if (eglChooseConfig(display, wanted, &config, 1, &found) != EGL_TRUE || found != 1) return {};
    const EGLint size[] = {EGL_WIDTH, width, EGL_HEIGHT, height, EGL_NONE};
    const EGLSurface surface = eglCreatePbufferSurface(display, config, size);
    if (surface == EGL_NO_SURFACE) return {};
    if (eglMakeCurrent(display, surface, surface, context) != EGL_TRUE) {
        eglMakeCurrent(display, own, own, context);
        eglDestroySurface(display, surface);
        return {};
    }
    return Surface{display, surface};
}

void BindSurface(const Surface& surface) {
    if (!surface.Empty()) eglMakeCurrent(surface.Display, surface.Handle, surface.Handle, eglGetCurrentContext());
}

void ReleaseSurface(Surface& surface) {
    if (surface.Empty()) return;
    // The surface must not stay bound to the context when it goes.
    if (eglGetCurrentSurface(EGL_DRAW) == surface.Handle) SDL_GL_MakeCurrent(nullptr, nullptr);
    eglDestroySurface(surface.Display, surface.Handle);
    surface = {};
}

void PresentFrame(SDL_Window* window, const Surface& surface, bool) {
    if (!surface.Empty()) eglSwapBuffers(surface.Display, surface.Handle);
    else SDL_GL_SwapWindow(window);
}

bool StartProgram(const std::vector<std::string>& args, Program& program, bool& missing, std::string& error) {
    missing = false;
    if (args.empty()) {
        error = "no program to start";
        return false;
    }
    int fds[2];
    if (pipe(fds) != 0) {
        error = std::string("cannot make a pipe: ") + std::strerror(errno);
        return false;
    }
    // A write to a program that has stopped fails instead of ending this one.
    std::signal(SIGPIPE, SIG_IGN);
    std::vector<std::string> copies = args;
    std::vector<char*> argv;
    for (std::string& a : copies) argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[0], STDIN_FILENO);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    posix_spawn_file_actions_addclose(&actions, fds[1]);
    pid_t pid = -1;
    const int result = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(fds[0]);
    if (result != 0) {
        close(fds[1]);
        missing = result == ENOENT;
        error = "cannot start " + args[0] + ": " + std::strerror(result);
        return false;
    }
    program.Id = pid;
    program.Input = fds[1];
    return true;
}

bool FinishProgram(Program& program, std::string& error) {
    if (program.Input >= 0) close(program.Input);
    program.Input = -1;
    if (program.Id < 0) return true;
    int status = 0;
    while (waitpid(static_cast<pid_t>(program.Id), &status, 0) < 0 && errno == EINTR) {
    }
    program.Id = -1;
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0) return true;
    error =
        WIFEXITED(status) ? "it failed with status " + std::to_string(WEXITSTATUS(status)) : "it was ended by a signal";
    return false;
}

}  // namespace host

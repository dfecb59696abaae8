// The host the program runs in: what differs between a desktop process and a web
// page. The window system and the GL device call these and nothing host-specific;
// the build picks one implementation folder (platform/host/desktop or
// platform/host/web), whose HostGl.h also gives the GL entry points of its flavour.
#pragma once

#include <SDL.h>

#include <string>
#include <vector>

namespace host {

// --- The window system -------------------------------------------------------

// Called once before SDL starts its video: the host's SDL settings. `topWindow`
// names the window that pointer moves the host reports go to.
void StartVideo(SDL_Window* (*topWindow)());
// Lets input that is waiting outside the program reach SDL's queue (the page runs
// its handlers only while the program yields).
void LetInputIn();
// Waits up to `milliseconds` for an event; true with `event` filled where one came.
// The host may return earlier without one.
bool WaitForEvent(SDL_Event& event, int milliseconds);
// Called before a window is made: whether it will be the 3-D device's (`gl`) or a
// plain one drawn by SDL's software renderer.
void PrepareSurface(bool gl);
// Shows `text` in a modal box over `parent` (may be null) and returns once closed.
void ShowMessage(const std::string& text, SDL_Window* parent);
// Ends the program with `status`, at once.
[[noreturn]] void EndProgram(int status);
// Puts the pointer at screen pixel (x, y); false where it cannot be placed.
bool PlacePointer(int x, int y);
// Makes SDL's windows off-screen ones (the headless runner); where the host's
// windows are never on a display anyway, they stay as they are.
void UseOffscreenVideo();
// The size in device pixels of the screen a filled picture ("Fill Screen") covers,
// where the host decides it (a page: the area it gives the game, once its request
// for full screen has been answered); false where the display's mode says it.
bool FillSize(int& width, int& height);
// The font file for `family` (the DejaVu Sans face where the family is missing),
// empty where there is none; `isBold` (may be null) says whether the file is bold.
std::string FontFile(const std::string& family, bool bold, bool* isBold);

// --- Other programs ----------------------------------------------------------

// A program started with its standard input reading from a pipe.
struct Program {
    long Id = -1;
    int Input = -1;  // the pipe's writing end
    bool Running() const { return Input >= 0; }
};
// Starts `args` (args[0] looked up on PATH) feeding its standard input from a pipe.
// False where it cannot, with the reason in `error`; `missing` says the program is
// not installed (a host that starts no programs says so in `error` alone).
bool StartProgram(const std::vector<std::string>& args, Program& program, bool& missing, std::string& error);
// Closes the program's input and waits for it to end: true where it ended with
// status 0, else false with how it ended in `error`.
bool FinishProgram(Program& program, std::string& error);

// --- The GL device -----------------------------------------------------------

// Makes and binds a GL context of the host's flavour for `window`; null, with the
// reason on stderr, where it cannot.
SDL_GLContext CreateGlContext(SDL_Window* window);
// The first lines of every shader: the GLSL version and what the flavour needs.
const char* ShaderPreamble();
// Whether the host itself puts the device's window into full screen and takes it
// out again; the device then leaves full screen alone.
bool OwnsFullScreen();
// Whether the flavour has polygon modes; without them wireframe is drawn as lines.
bool HasPolygonModes();
// Whether a frame scaled up by a whole factor in both directions is sampled with
// the nearest texel (sharp blocks) rather than filtered.
bool SharpWholeScaling();
// The size the window's framebuffer really has, which is not always the size the
// window reports (a surface that kept its size, a canvas sized by its page).
void SurfaceSize(SDL_Window* window, int& width, int& height);

// A surface of the back buffer's size the context draws into instead of the
// window's own; empty where it draws into the window's.
struct Surface {
    void* Display = nullptr;
    void* Handle = nullptr;
    bool Empty() const { return Handle == nullptr; }
};
// Where the window's own surface cannot follow a new size (off-screen windows),
// gives the current context a surface of width x height and binds it; empty where
// none is needed or none could be made.
Surface FitSurface(int width, int height);
// Binds `surface` to the context made current by SDL (nothing where it is empty).
void BindSurface(const Surface& surface);
// Unbinds and frees `surface`, leaving it empty.
void ReleaseSurface(Surface& surface);
// Shows the frame drawn into the window (or `surface`) and waits as the host paces
// frames; `world` says the frame drew 3-D geometry, not only text.
void PresentFrame(SDL_Window* window, const Surface& surface, bool world);

}  // namespace host

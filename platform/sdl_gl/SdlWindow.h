// Internals of the SDL window system shared by its source files: the native side
// of a form, the loaded forms, SDL start-up, the key table and the painter of the
// plain (non-device) windows. Game code never sees this header; it talks to
// platform/Window.h. The yield (SdlWindowEvents.cpp) sits above this header, the
// game controllers and the posting hooks, which use only what is declared here.
#pragma once

#include <SDL.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/Window.h"

struct NativeWindow {
    SDL_Window* Window = nullptr;
    SDL_Renderer* Renderer = nullptr;  // plain windows only; device windows belong to the 3-D device
    std::uint32_t Id = 0;

    // Timer: ticks are due at start + k * interval (microseconds of the window clock).
    int TimerInterval = 0;
    std::uint64_t NextTick = 0;
    bool InTimer = false;

    // Keyboard focus among the check boxes; -1 while none has it.
    int Focus = -1;
    // The control a game controller's d-pad moved to (A clicks it); -1 while none.
    int PadFocus = -1;

    // What was painted last, to repaint only after a change.
    std::string Painted;
    bool Exposed = true;
    int FontDpi = 0;  // the resolution the dialog font is set at for this window; 0 until the first paint

    // Device windows: the back-buffer size a windowed Alt+Enter returns to (0: keep SDL's).
    int BackBufferWidth = 0, BackBufferHeight = 0;
};

// Starts SDL video, the timer, the game controllers and SDL_ttf on first use. False
// (with the reason on stderr) where no window can be opened.
bool EnsureSdl();

// The forms that have a native window, in the order they were first shown. The
// yield adds a form when it is first shown and takes it off when it is unloaded.
std::vector<Form*>& LoadedForms();
bool IsLoaded(const Form* form);
// The loaded form whose native window has this id; null where none has.
Form* FormOfWindowId(std::uint32_t id);

// The window a message box belongs to: a visible device window, else any visible
// window, else none.
SDL_Window* TopVisibleWindow();

// The form that keyboard input of a window goes to: that window's, else the
// focused window's, else the first visible one; null where none is shown.
Form* KeyboardForm(std::uint32_t windowId);
// The window that input without a window of its own (a game controller) goes to:
// the focused window, else the first visible one; null where none is shown.
Form* ActiveForm();

// The Windows virtual-key code for an SDL key, 0 where there is none.
int VirtualKeyFromSdl(SDL_Keycode key);
// The SDL key that yields a virtual-key code, SDLK_UNKNOWN where there is none.
SDL_Keycode SdlKeyFromVirtualKey(int virtualKey);
// Shift state of window events: 1 Shift, 2 Ctrl, 4 Alt.
int ShiftStateFromSdl(std::uint16_t mod);

// Pixel rectangle of a control in its window's client area.
SDL_Rect ControlRect(const Control& control);
int TwipsToPixels(int twips);

// Paints a plain window and its controls when anything visible changed since the
// last paint (or the window was exposed).
void PaintForm(Form& form);

// Window data keys under which a 3-D device records its back buffer's size on the
// window it draws into (read by Alt+Enter).
inline constexpr const char* kBackBufferWidthKey = "nightdrive.backbuffer.width";
inline constexpr const char* kBackBufferHeightKey = "nightdrive.backbuffer.height";

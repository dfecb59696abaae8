// The window system on SDL2: forms become SDL windows, and the yield (DoEvents,
// RunMessageLoop) turns SDL events and due timer ticks into the forms' handlers
// (Form_KeyDown, Timer1_Timer, lblStart_MouseUp, Check2_Click, ...) on the one
// UI thread. Handlers may yield again or never return (the game runs inside the
// menu's "New Game" release), so every step re-checks which forms still exist
// after a handler ran.
#include <SDL_ttf.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <utility>
#include <vector>

#include "platform/host/Host.h"
#include "platform/sdl_gl/SdlGamepad.h"
#include "platform/sdl_gl/SdlWindow.h"
#include "platform/sdl_gl/SdlWindowHooks.h"

namespace {

bool sdlReady = false;
bool sdlFailed = false;

std::function<std::uint64_t()> clockSource;
bool timerCatchUp = false;

// The control (or the form itself, control null) that took the mouse at a button
// press; it gets every release until all buttons are up again.
struct MouseCapture {
    Form* OwnerForm = nullptr;
    Control* OwnerControl = nullptr;
    int Buttons = 0;
};
MouseCapture capture;

// Current time of the window clock in microseconds (SDL's, or the runner's clock).
std::uint64_t WindowClockNow() {
    if (clockSource) return clockSource();
    return SDL_GetTicks64() * 1000;
}

// SDL numbers the buttons left 1, middle 2, right 3; window events use 1, 4, 2.
int VbButton(std::uint8_t sdlButton) {
    switch (sdlButton) {
        case SDL_BUTTON_LEFT:
            return vbLeftButton;
        case SDL_BUTTON_RIGHT:
            return vbRightButton;
        case SDL_BUTTON_MIDDLE:
            return vbMiddleButton;
        default:
            return 0;
    }
}

int VbButtonState(std::uint32_t sdlState) {
    int buttons = 0;
    if (sdlState & SDL_BUTTON_LMASK) buttons |= vbLeftButton;
    if (sdlState & SDL_BUTTON_RMASK) buttons |= vbRightButton;
    if (sdlState & SDL_BUTTON_MMASK) buttons |= vbMiddleButton;
    return buttons;
}

// The control under a client pixel. Frames lie behind the other controls, so they
// are hit only where nothing else is.
Control* HitTest(Form& form, int x, int y) {
    const SDL_Point point{x, y};
    for (int pass = 0; pass < 2; ++pass) {
        for (Control* control : form.Controls) {
            const bool frame = control->Kind == ControlKind::Frame;
            if (frame != (pass == 1)) continue;
            const SDL_Rect rect = ControlRect(*control);
            if (SDL_PointInRect(&point, &rect)) return control;
        }
    }
    return nullptr;
}

int IndexOf(const Form& form, const Control* control) {
    for (std::size_t i = 0; i < form.Controls.size(); ++i) {
        if (form.Controls[i] == control) return static_cast<int>(i);
    }
    return -1;
}

bool HasCheckBoxes(const Form& form) {
    return std::any_of(form.Controls.begin(), form.Controls.end(),
                       [](const Control* c) { return c->Kind == ControlKind::CheckBox; });
}

// The next check box in tab order (backwards with `step` -1), wrapping round.
int NextFocus(const Form& form, int from, int step) {
    const int count = static_cast<int>(form.Controls.size());
    for (int i = 1; i <= count; ++i) {
        const int index = ((from + step * i) % count + count) % count;
        if (form.Controls[index]->Kind == ControlKind::CheckBox) return index;
    }
    return -1;
}

// A click on a check box: unchecked and grayed become checked, checked becomes
// unchecked. SetValue runs the box's Click handler.
void ToggleCheckBox(Control& box) { box.SetValue(box.Value() == vbChecked ? vbUnchecked : vbChecked); }

void RestartTimer(NativeWindow& native, int interval) {
    native.TimerInterval = interval;
    native.NextTick = WindowClockNow() + static_cast<std::uint64_t>(interval) * 1000;
}

// Pointer position of an event in another form's client pixels.
void ToFormPixels(std::uint32_t eventWindowId, int x, int y, const Form& form, int& outX, int& outY) {
    outX = x;
    outY = y;
    if (!form.Native || form.Native->Id == eventWindowId) return;
    int fromX = 0, fromY = 0, toX = 0, toY = 0;
    if (SDL_Window* from = SDL_GetWindowFromID(eventWindowId)) SDL_GetWindowPosition(from, &fromX, &fromY);
    SDL_GetWindowPosition(form.Native->Window, &toX, &toY);
    outX = x + fromX - toX;
    outY = y + fromY - toY;
}

float TwipsInControl(int pixel, int controlTwips) { return static_cast<float>(pixel * kTwipsPerPixel - controlTwips); }

void OnMouseDown(const SDL_MouseButtonEvent& event) {
    Form* form = FormOfWindowId(event.windowID);
    const int button = VbButton(event.button);
    if (!form || button == 0) return;
    const int shift = ShiftStateFromSdl(static_cast<std::uint16_t>(SDL_GetModState()));

    Control* control = form->DeviceWindow ? nullptr : HitTest(*form, event.x, event.y);
    if (capture.OwnerForm != form || capture.OwnerControl != control) capture = {form, control, 0};
    capture.Buttons |= button;
    SDL_CaptureMouse(SDL_TRUE);

    if (!control) {
        if (form->MouseDown) form->MouseDown(button, shift, static_cast<float>(event.x), static_cast<float>(event.y));
        return;
    }
    if (control->Kind == ControlKind::CheckBox) form->Native->Focus = IndexOf(*form, control);
    if (control->MouseDown) {
        control->MouseDown(button, shift, TwipsInControl(event.x, control->Left),
                           TwipsInControl(event.y, control->Top));
    }
}

void OnMouseUp(const SDL_MouseButtonEvent& event) {
    const int button = VbButton(event.button);
    if (button == 0) return;
    const int shift = ShiftStateFromSdl(static_cast<std::uint16_t>(SDL_GetModState()));

    // The release belongs to whatever took the press, wherever the pointer is now.
    Form* form = nullptr;
    Control* control = nullptr;
    if (capture.OwnerForm && IsLoaded(capture.OwnerForm) && (capture.Buttons & button)) {
        form = capture.OwnerForm;
        control = capture.OwnerControl;
        capture.Buttons &= ~button;
        if (capture.Buttons == 0) {
            capture = {};
            SDL_CaptureMouse(SDL_FALSE);
        }
    } else {
        form = FormOfWindowId(event.windowID);
        if (!form) return;
        control = form->DeviceWindow ? nullptr : HitTest(*form, event.x, event.y);
    }

    int x = 0, y = 0;
    ToFormPixels(event.windowID, event.x, event.y, *form, x, y);
    if (!control) {
        if (form->MouseUp) form->MouseUp(button, shift, static_cast<float>(x), static_cast<float>(y));
        return;
    }

    const bool releasedOver = form->Native->Id == event.windowID && HitTest(*form, x, y) == control;
    if (control->MouseUp) {
        control->MouseUp(button, shift, TwipsInControl(x, control->Left), TwipsInControl(y, control->Top));
        // The handler may have closed the window (or started the whole game and
        // come back from it); a click on a control that is gone is dropped.
        if (!IsLoaded(form)) return;
    }
    if (!releasedOver || button != vbLeftButton) return;
    if (control->Kind == ControlKind::Label) {
        if (control->Click) control->Click();
    } else if (control->Kind == ControlKind::CheckBox) {
        ToggleCheckBox(*control);
    }
}

void OnMouseMove(const SDL_MouseMotionEvent& event) {
    Form* form = FormOfWindowId(event.windowID);
    if (!form || !form->MouseMove) return;
    const int shift = ShiftStateFromSdl(static_cast<std::uint16_t>(SDL_GetModState()));
    form->MouseMove(VbButtonState(event.state), shift, static_cast<float>(event.x), static_cast<float>(event.y));
}

// A device window switches between filling the desktop and a window of its back
// buffer's size.
void ToggleFullscreen(Form& form) {
    SDL_Window* window = form.Native->Window;
    if (SDL_GetWindowFlags(window) & SDL_WINDOW_FULLSCREEN) {
        SDL_SetWindowFullscreen(window, 0);
        const NativeWindow& native = *form.Native;
        // The device records its back buffer's size on the window it takes over.
        const auto width = reinterpret_cast<std::intptr_t>(SDL_GetWindowData(window, kBackBufferWidthKey));
        const auto height = reinterpret_cast<std::intptr_t>(SDL_GetWindowData(window, kBackBufferHeightKey));
        if (native.BackBufferWidth > 0 && native.BackBufferHeight > 0) {
            SDL_SetWindowSize(window, native.BackBufferWidth, native.BackBufferHeight);
        } else if (width > 0 && height > 0) {
            SDL_SetWindowSize(window, static_cast<int>(width), static_cast<int>(height));
        }
        SDL_SetWindowPosition(window, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED);
    } else {
        SDL_SetWindowFullscreen(window, SDL_WINDOW_FULLSCREEN_DESKTOP);
    }
}

void OnKeyDown(const SDL_KeyboardEvent& event) {
    Form* form = KeyboardForm(event.windowID);
    if (!form) return;
    const SDL_Keycode key = event.keysym.sym;
    const int shift = ShiftStateFromSdl(event.keysym.mod);

    const bool enter = key == SDLK_RETURN || key == SDLK_KP_ENTER;
    if (form->DeviceWindow && enter && (shift & 4)) {
        if (!event.repeat) ToggleFullscreen(*form);
        return;
    }
    if (HasCheckBoxes(*form) && (key == SDLK_TAB || key == SDLK_SPACE)) {
        NativeWindow& native = *form->Native;
        if (key == SDLK_TAB) {
            native.Focus = NextFocus(*form, native.Focus < 0 ? -1 : native.Focus, (shift & 1) ? -1 : 1);
        } else if (!event.repeat && native.Focus >= 0) {
            ToggleCheckBox(*form->Controls[native.Focus]);
        }
        return;
    }
    const int virtualKey = VirtualKeyFromSdl(key);
    if (virtualKey != 0 && form->KeyDown) form->KeyDown(virtualKey, shift);
}

bool AnyVisibleForm() {
    const std::vector<Form*>& forms = LoadedForms();
    return std::any_of(forms.begin(), forms.end(), [](const Form* f) { return f->Visible; });
}

void UnloadEveryForm() {
    const std::vector<Form*> forms = LoadedForms();
    for (Form* form : forms) {
        if (IsLoaded(form)) UnloadForm(*form);
    }
}

void OnWindowEvent(const SDL_WindowEvent& event) {
    Form* form = FormOfWindowId(event.windowID);
    if (!form) return;
    switch (event.event) {
        case SDL_WINDOWEVENT_CLOSE:
            // The user closed the window. Once nothing is left on screen (the menu
            // is only hidden while the game runs) the program has nothing to show
            // and ends.
            UnloadForm(*form);
            if (!AnyVisibleForm()) {
                UnloadEveryForm();
                End(0);
            }
            break;
        case SDL_WINDOWEVENT_SHOWN:
        case SDL_WINDOWEVENT_EXPOSED:
        case SDL_WINDOWEVENT_SIZE_CHANGED:
        case SDL_WINDOWEVENT_RESTORED:
            form->Native->Exposed = true;
            break;
        default:
            break;
    }
}

void Dispatch(const SDL_Event& event) {
    switch (event.type) {
        case SDL_MOUSEBUTTONDOWN:
            OnMouseDown(event.button);
            break;
        case SDL_MOUSEBUTTONUP:
            OnMouseUp(event.button);
            break;
        case SDL_MOUSEMOTION:
            OnMouseMove(event.motion);
            break;
        case SDL_KEYDOWN:
            OnKeyDown(event.key);
            break;
        case SDL_WINDOWEVENT:
            OnWindowEvent(event.window);
            break;
        case SDL_CONTROLLERDEVICEADDED:
        case SDL_CONTROLLERDEVICEREMOVED:
        case SDL_CONTROLLERBUTTONDOWN:
        case SDL_CONTROLLERBUTTONUP:
        case SDL_CONTROLLERAXISMOTION:
            HandleGamepadEvent(event);
            break;
        case SDL_QUIT:
            UnloadEveryForm();
            End(0);
        default:
            break;
    }
}

// Runs `fn` on each loaded window, from a copy kept on the stack (this runs at
// every yield), since a handler may unload a window.
template <class Fn>
void ForEachLoadedForm(Fn fn) {
    const std::vector<Form*>& loaded = LoadedForms();
    std::array<Form*, 8> forms{};
    const std::size_t count = std::min(loaded.size(), forms.size());
    std::copy_n(loaded.begin(), count, forms.begin());
    for (std::size_t i = 0; i < count; ++i) {
        if (IsLoaded(forms[i])) fn(forms[i]);
    }
}

// Runs the timers that are due: one tick per window and yield, the missed ones
// coalesced, unless a runner asked for every due tick.
void RunDueTimers() {
    ForEachLoadedForm([](Form* form) {
        if (form->TimerInterval <= 0 || !form->Timer) {
            form->Native->TimerInterval = 0;
            return;
        }
        if (form->Native->TimerInterval != form->TimerInterval) RestartTimer(*form->Native, form->TimerInterval);
        if (form->Native->InTimer) return;
        const int maxTicks = timerCatchUp ? -1 : 1;
        for (int ticks = 0; ticks != maxTicks; ++ticks) {
            NativeWindow& native = *form->Native;
            const std::uint64_t interval = static_cast<std::uint64_t>(native.TimerInterval) * 1000;
            const std::uint64_t now = WindowClockNow();
            if (now < native.NextTick) break;
            native.NextTick += interval;
            if (!timerCatchUp) {
                while (native.NextTick <= now) native.NextTick += interval;
            }
            native.InTimer = true;
            form->Timer();
            // The handler may have unloaded the window (its native side is gone).
            if (!IsLoaded(form)) break;
            form->Native->InTimer = false;
            if (form->TimerInterval <= 0 || !form->Timer || form->Native->TimerInterval != form->TimerInterval) break;
        }
    });
}

void PaintVisibleForms() {
    ForEachLoadedForm([](Form* form) {
        if (form->Visible && !form->DeviceWindow) PaintForm(*form);
    });
}

// Microseconds until the earliest timer tick, capped at `cap`.
std::uint64_t TimeToNextTick(std::uint64_t cap) {
    const std::uint64_t now = WindowClockNow();
    std::uint64_t wait = cap;
    for (const Form* form : LoadedForms()) {
        const NativeWindow& native = *form->Native;
        if (form->TimerInterval <= 0 || !form->Timer || native.TimerInterval == 0) continue;
        wait = std::min(wait, native.NextTick > now ? native.NextTick - now : 0);
    }
    return wait;
}

}  // namespace

bool EnsureSdl() {
    if (sdlReady) return true;
    if (sdlFailed) return false;
    // The game yields from inside an event handler (the menu's "New Game" runs the
    // whole game): a poll sentinel left by the outer loop would hide every event
    // queued after it from the nested yields.
    SDL_SetHint(SDL_HINT_POLL_SENTINEL, "0");
    host::StartVideo(TopVisibleWindow);
    const char* reason = nullptr;
    if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_TIMER) != 0) {
        reason = SDL_GetError();
    } else {
        // Without a display SDL falls back to its offscreen driver, whose windows
        // nobody sees; that is only wanted where it was asked for (tests, runners).
        const char* driver = SDL_GetCurrentVideoDriver();
        const char* requested = SDL_GetHint(SDL_HINT_VIDEODRIVER);
        const bool invisible = driver && (std::strcmp(driver, "offscreen") == 0 || std::strcmp(driver, "dummy") == 0);
        if (invisible && !(requested && std::strstr(requested, driver))) {
            SDL_Quit();
            reason = "no display found";
        }
    }
    if (reason) {
        std::fprintf(stderr,
                     "nightdrive: cannot open a window: %s; is a display available (DISPLAY/WAYLAND_DISPLAY)?\n",
                     reason);
        sdlFailed = true;
        return false;
    }
    StartGamepads();
    if (TTF_Init() != 0) std::fprintf(stderr, "nightdrive: no text in the windows: %s\n", TTF_GetError());
    sdlReady = true;
    return true;
}

bool ShowForm(Form& form) {
    if (!EnsureSdl()) return false;
    if (!form.Native) {
        const int width = std::max(1, TwipsToPixels(form.ClientWidth));
        const int height = std::max(1, TwipsToPixels(form.ClientHeight));
        std::uint32_t flags = SDL_WINDOW_HIDDEN;
        if (form.DeviceWindow) {
            flags |= SDL_WINDOW_OPENGL;
            // The offscreen driver's surfaces get the depth bits asked for here, and
            // no fewer than a display's usual 24, so that either depth choice of the
            // device draws straight into the window.
            const char* driver = SDL_GetCurrentVideoDriver();
            if (driver != nullptr && std::strcmp(driver, "offscreen") == 0) SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 24);
            // Device pixels on a high-density desktop display, so a filled screen is
            // drawn sharp.
            if (driver != nullptr && (std::strcmp(driver, "x11") == 0 || std::strcmp(driver, "wayland") == 0))
                flags |= SDL_WINDOW_ALLOW_HIGHDPI;
        }
        host::PrepareSurface(form.DeviceWindow);
        SDL_Window* window = SDL_CreateWindow(form.Caption.c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
                                              width, height, flags);
        if (!window) {
            std::fprintf(stderr, "nightdrive: cannot open a window: %s\n", SDL_GetError());
            return false;
        }
        SDL_Renderer* renderer = nullptr;
        if (!form.DeviceWindow) {
            // A software renderer keeps the menu clear of the game's GL context.
            renderer = SDL_CreateRenderer(window, -1, SDL_RENDERER_SOFTWARE);
            if (!renderer) {
                std::fprintf(stderr, "nightdrive: cannot draw the window: %s\n", SDL_GetError());
                SDL_DestroyWindow(window);
                return false;
            }
        }
        auto* native = new NativeWindow;
        native->Window = window;
        native->Renderer = renderer;
        native->Id = SDL_GetWindowID(window);
        native->Focus = NextFocus(form, -1, 1);
        if (form.TimerInterval > 0) RestartTimer(*native, form.TimerInterval);
        form.Native = native;
        LoadedForms().push_back(&form);
    }
    SDL_ShowWindow(form.Native->Window);
    SDL_RaiseWindow(form.Native->Window);
    form.Visible = true;
    form.Native->Exposed = true;
    if (!form.DeviceWindow) PaintForm(form);
    return true;
}

bool ScreenPixelSize(Form& form, int& width, int& height) {
    if (!EnsureSdl()) return false;
    if (host::FillSize(width, height)) return width > 0 && height > 0;
    SDL_Window* window = form.Native ? form.Native->Window : nullptr;
    const int display = window ? std::max(0, SDL_GetWindowDisplayIndex(window)) : 0;
    SDL_DisplayMode mode{};
    if (SDL_GetDesktopDisplayMode(display, &mode) != 0 || mode.w <= 0 || mode.h <= 0) return false;
    width = mode.w;
    height = mode.h;
    // Where the window's drawable has more pixels than its size in screen units,
    // the screen has as many more.
    int windowWidth = 0, windowHeight = 0, drawableWidth = 0, drawableHeight = 0;
    if (window && form.DeviceWindow) {
        SDL_GetWindowSize(window, &windowWidth, &windowHeight);
        SDL_GL_GetDrawableSize(window, &drawableWidth, &drawableHeight);
        if (windowWidth > 0 && windowHeight > 0 && drawableWidth > windowWidth && drawableHeight > windowHeight) {
            width = static_cast<int>(static_cast<long long>(width) * drawableWidth / windowWidth);
            height = static_cast<int>(static_cast<long long>(height) * drawableHeight / windowHeight);
        }
    }
    return true;
}

void HideForm(Form& form) {
    form.Visible = false;
    if (form.Native) SDL_HideWindow(form.Native->Window);
}

void UnloadForm(Form& form) {
    if (!form.Native || !IsLoaded(&form)) return;
    // Taken off the list first, so a handler that yields or unloads again does not
    // come back to this window.
    std::vector<Form*>& loaded = LoadedForms();
    loaded.erase(std::find(loaded.begin(), loaded.end(), &form));
    if (capture.OwnerForm == &form) {
        capture = {};
        SDL_CaptureMouse(SDL_FALSE);
    }
    // The unload handler still finds the native window (the 3-D device lets go of it).
    if (form.Unload) form.Unload();
    NativeWindow* native = form.Native;
    form.Native = nullptr;
    form.Visible = false;
    if (native->Renderer) SDL_DestroyRenderer(native->Renderer);
    SDL_DestroyWindow(native->Window);
    delete native;
}

void* FormHandle(Form& form) { return form.Native ? static_cast<void*>(form.Native->Window) : nullptr; }

void DoEvents() {
    if (!sdlReady) return;
    host::LetInputIn();
    SDL_Event event;
    while (SDL_PollEvent(&event)) Dispatch(event);
    RunDueTimers();
    PaintVisibleForms();
}

void RunMessageLoop() {
    for (;;) {
        if (LoadedForms().empty()) End(0);
        // Wake for the next timer tick, and at least now and then.
        const std::uint64_t waitUs = TimeToNextTick(100000);
        SDL_Event event;
        if (host::WaitForEvent(event, static_cast<int>((waitUs + 999) / 1000))) Dispatch(event);
        DoEvents();
    }
}

// --- Clock hooks for runners and tests --------------------------------------

void SetClockSource(std::function<std::uint64_t()> nowMicroseconds) {
    clockSource = std::move(nowMicroseconds);
    for (Form* form : LoadedForms()) {
        if (form->Native->TimerInterval > 0) RestartTimer(*form->Native, form->Native->TimerInterval);
    }
}

void SetTimerCatchUp(bool runEveryDueTick) { timerCatchUp = runEveryDueTick; }

// Input posted by runners and tests: SDL events built as the drivers would build
// them, addressed to a form's window, so they take the same path through the yield
// as real input.
#include "platform/sdl_gl/SdlWindowHooks.h"

#include "platform/sdl_gl/SdlWindow.h"

namespace {

std::uint8_t SdlButton(int vbButton) {
    switch (vbButton) {
        case vbLeftButton:
            return SDL_BUTTON_LEFT;
        case vbRightButton:
            return SDL_BUTTON_RIGHT;
        case vbMiddleButton:
            return SDL_BUTTON_MIDDLE;
        default:
            return 0;
    }
}

SDL_Keymod KeymodFromShift(int shift) {
    int mod = KMOD_NONE;
    if (shift & 1) mod |= KMOD_LSHIFT;
    if (shift & 2) mod |= KMOD_LCTRL;
    if (shift & 4) mod |= KMOD_LALT;
    return static_cast<SDL_Keymod>(mod);
}

}  // namespace

std::uint32_t FormWindowId(Form& form) { return form.Native ? form.Native->Id : 0; }

void ControlCentre(const Control& control, int& x, int& y) {
    const SDL_Rect rect = ControlRect(control);
    x = rect.x + rect.w / 2;
    y = rect.y + rect.h / 2;
}

bool PostMouseButton(Form& form, int button, bool down, int x, int y, int shift) {
    if (!form.Native || SdlButton(button) == 0) return false;
    // Mouse events carry no modifiers; the handlers read the keyboard's.
    SDL_SetModState(KeymodFromShift(shift));
    SDL_Event event{};
    event.type = down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
    event.button.windowID = form.Native->Id;
    event.button.button = SdlButton(button);
    event.button.state = down ? SDL_PRESSED : SDL_RELEASED;
    event.button.clicks = 1;
    event.button.x = x;
    event.button.y = y;
    return SDL_PushEvent(&event) == 1;
}

bool PostMouseMove(Form& form, int x, int y, int buttons) {
    if (!form.Native) return false;
    SDL_Event event{};
    event.type = SDL_MOUSEMOTION;
    event.motion.windowID = form.Native->Id;
    if (buttons & vbLeftButton) event.motion.state |= SDL_BUTTON_LMASK;
    if (buttons & vbRightButton) event.motion.state |= SDL_BUTTON_RMASK;
    if (buttons & vbMiddleButton) event.motion.state |= SDL_BUTTON_MMASK;
    event.motion.x = x;
    event.motion.y = y;
    return SDL_PushEvent(&event) == 1;
}

bool PostKeyDown(Form& form, int virtualKey, int shift) {
    const SDL_Keycode key = SdlKeyFromVirtualKey(virtualKey);
    if (!form.Native || key == SDLK_UNKNOWN) return false;
    SDL_Event event{};
    event.type = SDL_KEYDOWN;
    event.key.windowID = form.Native->Id;
    event.key.state = SDL_PRESSED;
    event.key.keysym.sym = key;
    event.key.keysym.scancode = SDL_GetScancodeFromKey(key);
    event.key.keysym.mod = static_cast<std::uint16_t>(KeymodFromShift(shift));
    return SDL_PushEvent(&event) == 1;
}

bool PostCloseRequest(Form& form) {
    if (!form.Native) return false;
    SDL_Event event{};
    event.type = SDL_WINDOWEVENT;
    event.window.windowID = form.Native->Id;
    event.window.event = SDL_WINDOWEVENT_CLOSE;
    return SDL_PushEvent(&event) == 1;
}

bool PostQuit() {
    if (!SDL_WasInit(SDL_INIT_VIDEO)) return false;
    SDL_Event event{};
    event.type = SDL_QUIT;
    return SDL_PushEvent(&event) == 1;
}

void SetDeviceBackBufferSize(Form& form, int width, int height) {
    if (!form.Native) return;
    form.Native->BackBufferWidth = width;
    form.Native->BackBufferHeight = height;
}

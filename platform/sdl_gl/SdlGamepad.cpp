// Game controllers: any pad SDL's controller database knows is opened when it is
// plugged in and dropped when it goes; a joystick that is not a known controller
// never reaches here. Each pad's buttons and axes are kept from its events, and
// what they hold is turned into the keyboard's keys:
//   d-pad and left stick   arrows          shoulders   Page Up / Page Down
//   Y, X, B                Z, X, C         back        Q
//   start                  a click in the game window
//   right stick            mouse look, one pointer move a frame
// In a window of controls (the start menu) the d-pad and left stick move a focus
// between the controls that take clicks instead, and A clicks the focused one.
#include "platform/sdl_gl/SdlGamepad.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <initializer_list>
#include <utility>
#include <vector>

#include "platform/Input.h"
#include "platform/sdl_gl/GamepadHooks.h"
#include "platform/sdl_gl/SdlWindow.h"
#include "platform/sdl_gl/SdlWindowHooks.h"

namespace {

struct Pad {
    SDL_JoystickID Id = -1;
    SDL_GameController* Controller = nullptr;
    std::uint32_t Buttons = 0;  // bit per SDL_GameControllerButton
    std::array<int, SDL_CONTROLLER_AXIS_MAX> Axes{};
};

std::vector<Pad> pads;
bool started = false;
std::function<void(int, int)> pointerMover;

enum PadKey { KeyUp, KeyDown, KeyLeft, KeyRight, KeyPageUp, KeyPageDown, KeyZ, KeyX, KeyC, KeyQ, KeyCount };

struct KeyCodes {
    std::uint8_t Dik;
    int VirtualKey;
};
constexpr KeyCodes kKeyCodes[KeyCount] = {
    {DIK_UP, VK_UP},     {DIK_DOWN, VK_DOWN}, {DIK_LEFT, VK_LEFT}, {DIK_RIGHT, VK_RIGHT}, {DIK_PRIOR, VK_PRIOR},
    {DIK_NEXT, VK_NEXT}, {DIK_Z, VK_Z},       {DIK_X, VK_X},       {DIK_C, VK_C},         {DIK_Q, VK_Q},
};

// The buttons that hold a key outright.
struct ButtonKey {
    SDL_GameControllerButton Button;
    PadKey Key;
};
constexpr ButtonKey kButtonKeys[] = {
    {SDL_CONTROLLER_BUTTON_DPAD_UP, KeyUp},
    {SDL_CONTROLLER_BUTTON_DPAD_DOWN, KeyDown},
    {SDL_CONTROLLER_BUTTON_DPAD_LEFT, KeyLeft},
    {SDL_CONTROLLER_BUTTON_DPAD_RIGHT, KeyRight},
    {SDL_CONTROLLER_BUTTON_LEFTSHOULDER, KeyPageUp},
    {SDL_CONTROLLER_BUTTON_RIGHTSHOULDER, KeyPageDown},
    {SDL_CONTROLLER_BUTTON_Y, KeyZ},
    {SDL_CONTROLLER_BUTTON_X, KeyX},
    {SDL_CONTROLLER_BUTTON_B, KeyC},
    {SDL_CONTROLLER_BUTTON_BACK, KeyQ},
};

std::uint32_t Bit(int button) { return std::uint32_t{1} << button; }
bool Holds(const Pad& pad, SDL_GameControllerButton button) { return (pad.Buttons & Bit(button)) != 0; }

// The keys all pads hold together, a bit per PadKey.
std::uint32_t HeldKeys() {
    std::uint32_t held = 0;
    for (const Pad& pad : pads) {
        for (const ButtonKey& b : kButtonKeys) {
            if (Holds(pad, b.Button)) held |= Bit(b.Key);
        }
        const int x = pad.Axes[SDL_CONTROLLER_AXIS_LEFTX], y = pad.Axes[SDL_CONTROLLER_AXIS_LEFTY];
        if (y < -kPadDeadZone) held |= Bit(KeyUp);
        if (y > kPadDeadZone) held |= Bit(KeyDown);
        if (x < -kPadDeadZone) held |= Bit(KeyLeft);
        if (x > kPadDeadZone) held |= Bit(KeyRight);
    }
    return held;
}

bool AnyHolds(SDL_GameControllerButton button) {
    return std::any_of(pads.begin(), pads.end(), [button](const Pad& p) { return Holds(p, button); });
}

std::uint32_t heldKeys = 0;
bool startHeld = false;
bool aHeld = false;
// Where A's press went, so that its release goes to the same control.
std::uint32_t aWindow = 0;
int aX = 0, aY = 0;

// --- Focus among a window's controls -----------------------------------------

bool TakesClicks(const Control& control) {
    if (control.Kind == ControlKind::CheckBox) return true;
    return control.Kind == ControlKind::Label && (control.Click || control.MouseDown || control.MouseUp);
}

int FirstFocusable(const Form& form) {
    for (std::size_t i = 0; i < form.Controls.size(); ++i) {
        if (TakesClicks(*form.Controls[i])) return static_cast<int>(i);
    }
    return -1;
}

// The gap between two spans of pixels, 0 where they overlap.
int Gap(int start1, int length1, int start2, int length2) {
    return std::max({0, start2 - (start1 + length1), start1 - (start2 + length2)});
}

// The control nearest from `from` in a direction (dx, dy one of the four unit
// steps): its near edge must lie beyond the centre of `from` that way, and it may
// lie no farther aside (the gap across the direction) than its centre lies ahead. The nearest by the gap ahead
// plus twice the gap aside wins; of two alike, the one whose centre is less aside.
// -1 where nothing lies that way.
int FocusStep(const Form& form, int from, int dx, int dy) {
    if (from < 0 || from >= static_cast<int>(form.Controls.size())) return FirstFocusable(form);
    const SDL_Rect o = ControlRect(*form.Controls[from]);
    int best = -1;
    int bestCost = 0, bestOffset = 0;
    for (std::size_t i = 0; i < form.Controls.size(); ++i) {
        if (static_cast<int>(i) == from || !TakesClicks(*form.Controls[i])) continue;
        const SDL_Rect r = ControlRect(*form.Controls[i]);
        // Centre offsets, doubled to stay in whole pixels.
        const int cx = 2 * r.x + r.w - 2 * o.x - o.w, cy = 2 * r.y + r.h - 2 * o.y - o.h;
        const int ahead = cx * dx + cy * dy;
        // Doubled distance from the centre of `from` to the candidate's near edge.
        const int beyond = dx > 0   ? 2 * r.x - 2 * o.x - o.w
                           : dx < 0 ? 2 * o.x + o.w - 2 * (r.x + r.w)
                           : dy > 0 ? 2 * r.y - 2 * o.y - o.h
                                    : 2 * o.y + o.h - 2 * (r.y + r.h);
        const int gapAhead = dx != 0 ? Gap(o.x, o.w, r.x, r.w) : Gap(o.y, o.h, r.y, r.h);
        const int gapAside = dx != 0 ? Gap(o.y, o.h, r.y, r.h) : Gap(o.x, o.w, r.x, r.w);
        if (beyond < 0 || ahead <= 0 || 2 * gapAside > ahead) continue;
        const int cost = gapAhead + 2 * gapAside;
        const int offset = std::abs(dx != 0 ? cy : cx);
        if (best < 0 || cost < bestCost || (cost == bestCost && offset < bestOffset)) {
            best = static_cast<int>(i);
            bestCost = cost;
            bestOffset = offset;
        }
    }
    return best;
}

void MoveFocus(Form& form, PadKey key) {
    static constexpr int kSteps[4][2] = {{0, -1}, {0, 1}, {-1, 0}, {1, 0}};  // KeyUp, KeyDown, KeyLeft, KeyRight
    NativeWindow& native = *form.Native;
    const int next = FocusStep(form, native.PadFocus, kSteps[key][0], kSteps[key][1]);
    if (next >= 0) native.PadFocus = next;
}

// --- Events --------------------------------------------------------------------

void KeysChanged(std::uint32_t held) {
    const std::uint32_t pressed = held & ~heldKeys;
    heldKeys = held;
    if (pressed == 0) return;
    Form* form = ActiveForm();
    if (!form || !form->Native) return;
    for (int key = 0; key < KeyCount; ++key) {
        if ((pressed & Bit(key)) == 0) continue;
        if (form->DeviceWindow) {
            PostKeyDown(*form, kKeyCodes[key].VirtualKey);
        } else if (key <= KeyRight) {
            MoveFocus(*form, static_cast<PadKey>(key));
        }
    }
}

// A is a left click on the focused control of a window of controls.
void AChanged(bool held) {
    if (held == aHeld) return;
    aHeld = held;
    Form* form = ActiveForm();
    if (held) {
        aWindow = 0;
        if (!form || !form->Native || form->DeviceWindow) return;
        NativeWindow& native = *form->Native;
        if (native.PadFocus < 0 || native.PadFocus >= static_cast<int>(form->Controls.size())) {
            native.PadFocus = FirstFocusable(*form);  // the first press shows where the focus is
            return;
        }
        ControlCentre(*form->Controls[native.PadFocus], aX, aY);
        aWindow = native.Id;
        PostMouseButton(*form, vbLeftButton, true, aX, aY);
    } else if (aWindow != 0 && form && FormWindowId(*form) == aWindow) {
        PostMouseButton(*form, vbLeftButton, false, aX, aY);
        aWindow = 0;
    }
}

// Start is a left click where the pointer is in the game window.
void StartChanged(bool held) {
    if (held == startHeld) return;
    startHeld = held;
    Form* form = ActiveForm();
    if (!form || !form->DeviceWindow) return;
    int x = 0, y = 0;
    SDL_GetMouseState(&x, &y);
    PostMouseButton(*form, vbLeftButton, held, x, y);
}

void PadsChanged() {
    KeysChanged(HeldKeys());
    AChanged(AnyHolds(SDL_CONTROLLER_BUTTON_A));
    StartChanged(AnyHolds(SDL_CONTROLLER_BUTTON_START));
}

Pad* PadOf(SDL_JoystickID id) {
    for (Pad& pad : pads) {
        if (pad.Id == id) return &pad;
    }
    return nullptr;
}

void AddPad(int deviceIndex) {
    if (PadOf(SDL_JoystickGetDeviceInstanceID(deviceIndex))) return;
    SDL_GameController* controller = SDL_GameControllerOpen(deviceIndex);
    if (!controller) return;
    Pad pad;
    pad.Controller = controller;
    pad.Id = SDL_JoystickInstanceID(SDL_GameControllerGetJoystick(controller));
    pads.push_back(pad);
}

void RemovePad(SDL_JoystickID id) {
    const auto it = std::find_if(pads.begin(), pads.end(), [id](const Pad& p) { return p.Id == id; });
    if (it == pads.end()) return;
    SDL_GameControllerClose(it->Controller);
    pads.erase(it);
    PadsChanged();  // what it held is let go
}

void WarpPointerBy(int dx, int dy) {
    SDL_Window* window = SDL_GetMouseFocus();
    if (!window) window = SDL_GetKeyboardFocus();
    if (!window) return;
    int x = 0, y = 0;
    SDL_GetMouseState(&x, &y);
    SDL_WarpMouseInWindow(window, x + dx, y + dy);
}

}  // namespace

int PadLookStep(int axisValue) {
    const int lean = std::min(std::abs(axisValue), 32767) - kPadDeadZone;
    if (lean <= 0) return 0;
    const int range = 32767 - kPadDeadZone;
    const int pixels = (lean * kPadLookPixels + range - 1) / range;  // rounded up: any lean moves
    return axisValue < 0 ? -pixels : pixels;
}

void SetPadPointerMover(std::function<void(int dx, int dy)> mover) { pointerMover = std::move(mover); }

void StartGamepads() {
    if (started) return;
    started = SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER) == 0;
    // Pads already plugged in are announced as added by SDL.
}

bool HandleGamepadEvent(const SDL_Event& event) {
    switch (event.type) {
        case SDL_CONTROLLERDEVICEADDED:
            AddPad(event.cdevice.which);
            return true;
        case SDL_CONTROLLERDEVICEREMOVED:
            RemovePad(event.cdevice.which);
            return true;
        case SDL_CONTROLLERBUTTONDOWN:
        case SDL_CONTROLLERBUTTONUP: {
            Pad* pad = PadOf(event.cbutton.which);
            if (!pad || event.cbutton.button >= 32) return true;
            const std::uint32_t bit = Bit(event.cbutton.button);
            pad->Buttons = event.cbutton.state == SDL_PRESSED ? pad->Buttons | bit : pad->Buttons & ~bit;
            PadsChanged();
            return true;
        }
        case SDL_CONTROLLERAXISMOTION: {
            Pad* pad = PadOf(event.caxis.which);
            if (!pad || event.caxis.axis >= SDL_CONTROLLER_AXIS_MAX) return true;
            pad->Axes[event.caxis.axis] = event.caxis.value;
            PadsChanged();
            return true;
        }
        default:
            return false;
    }
}

void ReadGamepads(std::uint8_t* keys256) {
    if (!started) return;
    SDL_GameControllerUpdate();
    SDL_Event events[16];
    for (;;) {
        const int count =
            SDL_PeepEvents(events, 16, SDL_GETEVENT, SDL_CONTROLLERAXISMOTION, SDL_CONTROLLERDEVICEREMAPPED);
        for (int i = 0; i < count; ++i) HandleGamepadEvent(events[i]);
        if (count < 16) break;
    }
    // The sticks as SDL holds them: SDL takes the first reading of an axis it has
    // not heard of at the pad's arrival (the browser's pads) for the axis's rest,
    // and sends no event for it, so a stick already leaning or pushed all the way
    // at once would not count until it moved again.
    bool leaned = false;
    for (Pad& pad : pads) {
        for (int axis = 0; axis < SDL_CONTROLLER_AXIS_MAX; ++axis) {
            const int value = SDL_GameControllerGetAxis(pad.Controller, static_cast<SDL_GameControllerAxis>(axis));
            if (value != pad.Axes[axis]) {
                pad.Axes[axis] = value;
                leaned = true;
            }
        }
    }
    if (leaned) PadsChanged();
    for (int key = 0; key < KeyCount; ++key) {
        if (heldKeys & Bit(key)) keys256[kKeyCodes[key].Dik] = 0x80;
    }
    for (const Pad& pad : pads) {
        const int dx = PadLookStep(pad.Axes[SDL_CONTROLLER_AXIS_RIGHTX]);
        const int dy = PadLookStep(pad.Axes[SDL_CONTROLLER_AXIS_RIGHTY]);
        if (dx == 0 && dy == 0) continue;
        if (pointerMover) {
            pointerMover(dx, dy);
        } else {
            WarpPointerBy(dx, dy);
        }
        break;  // one move a frame, from the first pad that leans
    }
}

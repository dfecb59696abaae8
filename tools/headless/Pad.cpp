#include "tools/headless/Pad.h"

#include <SDL.h>

#include <cstdlib>
#include <utility>

#include "platform/Window.h"
#include "platform/sdl_gl/GamepadHooks.h"

namespace {

// The plugged-in virtual pad: SDL's default controller mapping for a virtual
// device of the controller type numbers its buttons and axes as SDL names them.
SDL_Joystick* pad = nullptr;

bool Plug(std::string& error) {
    if (pad) {
        error = "padadd: a pad is already plugged in";
        return false;
    }
    SDL_VirtualJoystickDesc desc{};
    desc.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
    desc.type = SDL_JOYSTICK_TYPE_GAMECONTROLLER;
    desc.naxes = SDL_CONTROLLER_AXIS_MAX;
    desc.nbuttons = SDL_CONTROLLER_BUTTON_MAX;
    desc.name = "nightdrive virtual pad";
    const int index = SDL_JoystickAttachVirtualEx(&desc);
    if (index >= 0) pad = SDL_JoystickOpen(index);
    if (!pad) {
        error = std::string("padadd: no virtual pad: ") + SDL_GetError();
        return false;
    }
    return true;
}

void Unplug() {
    const SDL_JoystickID id = SDL_JoystickInstanceID(pad);
    SDL_JoystickClose(pad);
    pad = nullptr;
    for (int i = 0; i < SDL_NumJoysticks(); ++i) {
        if (SDL_JoystickGetDeviceInstanceID(i) == id) {
            SDL_JoystickDetachVirtual(i);
            return;
        }
    }
}

}  // namespace

void PreparePad(std::function<void(int dx, int dy)> movePointerBy) {
    // The offscreen windows never get the keyboard focus, and SDL drops the input
    // of pads while the program has none.
    setenv("SDL_JOYSTICK_ALLOW_BACKGROUND_EVENTS", "1", 1);
    SetPadPointerMover(std::move(movePointerBy));
}

bool ApplyPadEvent(const ScriptEvent& event, std::string& error) {
    if (event.Kind == ScriptEventKind::PadAdd) return Plug(error);
    if (!pad) {
        error = "a pad event before padadd";
        return false;
    }
    int result = 0;
    if (event.Kind == ScriptEventKind::PadRemove) {
        Unplug();
    } else if (event.Kind == ScriptEventKind::PadButton) {
        result = SDL_JoystickSetVirtualButton(pad, event.PadInput, static_cast<Uint8>(event.PadValue));
    } else if (event.Kind == ScriptEventKind::PadAxis) {
        result = SDL_JoystickSetVirtualAxis(pad, event.PadInput, static_cast<Sint16>(event.PadValue));
    }
    if (result != 0) error = std::string("pad: ") + SDL_GetError();
    return result == 0;
}

bool RunMenuPadEvents(const std::vector<ScriptEvent>& events, std::string& error) {
    for (const ScriptEvent& event : events) {
        if (!ApplyPadEvent(event, error)) return false;
        DoEvents();
    }
    return true;
}

#include "tools/headless/Pad.h"

#include <SDL.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>

#include "platform/Window.h"
#include "platform/sdl_gl/GamepadHooks.h"

namespace {

// The plugged-in virtual pad. Its buttons and axes are numbered as SDL names
// them (button i is SDL_GameControllerButton i), and it carries a mapping that
// says so: without one, a system whose pads come in one fixed layout (the
// browser's standard gamepad) reads every device in that layout, and the virtual
// pad's d-pad, shoulders and start would be taken for other buttons.
SDL_Joystick* pad = nullptr;

constexpr const char* kPadName = "nightdrive virtual pad";

// The mapping of a device numbered as SDL names its buttons and axes. Mappings
// name a device by its GUID less the checksum of its name (bytes 2 and 3), which
// follows in a field of its own.
std::string SdlOrderMapping(SDL_JoystickGUID guid) {
    const unsigned crc = guid.data[2] | guid.data[3] << 8;
    guid.data[2] = guid.data[3] = 0;
    char id[33];
    SDL_JoystickGetGUIDString(guid, id, sizeof id);
    std::string mapping = std::string(id) + "," + kPadName + ",";
    for (int b = 0; b < SDL_CONTROLLER_BUTTON_MAX; ++b) {
        mapping += SDL_GameControllerGetStringForButton(static_cast<SDL_GameControllerButton>(b));
        mapping += ":b" + std::to_string(b) + ",";
    }
    for (int a = 0; a < SDL_CONTROLLER_AXIS_MAX; ++a) {
        mapping += SDL_GameControllerGetStringForAxis(static_cast<SDL_GameControllerAxis>(a));
        mapping += ":a" + std::to_string(a) + ",";
    }
    if (crc != 0) {
        char field[16];
        std::snprintf(field, sizeof field, "crc:%04x,", crc);
        mapping += field;
    }
    return mapping;
}

// Gives the device at `index` the mapping above; false where SDL does not take it.
bool MapInSdlOrder(int index) {
    if (SDL_GameControllerAddMapping(SdlOrderMapping(SDL_JoystickGetDeviceGUID(index)).c_str()) < 0) return false;
    char* taken = SDL_GameControllerMappingForDeviceIndex(index);
    const bool ours = taken != nullptr && std::strstr(taken, kPadName) != nullptr;
    SDL_free(taken);
    return ours;
}

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
    desc.name = kPadName;
    const int index = SDL_JoystickAttachVirtualEx(&desc);
    if (index < 0) {
        error = std::string("padadd: no virtual pad: ") + SDL_GetError();
        return false;
    }
    // Before the controller is opened (its arrival is still queued).
    if (!MapInSdlOrder(index)) {
        error = std::string("padadd: the virtual pad's mapping was not taken: ") + SDL_GetError();
        SDL_JoystickDetachVirtual(index);
        return false;
    }
    pad = SDL_JoystickOpen(index);
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

#include "tools/headless/Script.h"

#include <SDL.h>

#include <sstream>

#include "game/record/Recording.h"
#include "platform/Input.h"
#include "platform/Window.h"

namespace {

// The arguments of a pad event; false with the reason in `error`.
bool ParsePadEvent(const std::string& event, std::istringstream& words, ScriptEvent& e, std::string& error) {
    std::string name;
    if (event == "padadd" || event == "padremove") {
        e.Kind = event == "padadd" ? ScriptEventKind::PadAdd : ScriptEventKind::PadRemove;
        return true;
    }
    if (event == "padbutton") {
        std::string state;
        words >> name >> state;
        e.Kind = ScriptEventKind::PadButton;
        e.PadInput = SDL_GameControllerGetButtonFromString(name.c_str());
        if (e.PadInput == SDL_CONTROLLER_BUTTON_INVALID) {
            error = "unknown pad button '" + name + "'";
            return false;
        }
        if (state != "down" && state != "up") {
            error = "padbutton needs NAME down|up";
            return false;
        }
        e.PadValue = state == "down" ? 1 : 0;
        return true;
    }
    // padaxis
    long value = 0;
    words >> name;
    e.Kind = ScriptEventKind::PadAxis;
    e.PadInput = SDL_GameControllerGetAxisFromString(name.c_str());
    if (e.PadInput == SDL_CONTROLLER_AXIS_INVALID) {
        error = "unknown pad axis '" + name + "'";
        return false;
    }
    if (!(words >> value) || value < -32768 || value > 32767) {
        error = "padaxis needs NAME VALUE in -32768..32767";
        return false;
    }
    e.PadValue = static_cast<int>(value);
    return true;
}

}  // namespace

bool ParseScript(const std::string& text, Script& script, std::string& error) {
    std::istringstream lines(text);
    std::string line;
    int number = 0;
    while (std::getline(lines, line)) {
        ++number;
        if (const auto hash = line.find('#'); hash != std::string::npos) line.erase(hash);
        std::istringstream words(line);
        long frame = 0;
        std::string event;
        if (!(words >> frame)) {
            std::string rest;
            if (std::istringstream(line) >> rest) {
                error = "line " + std::to_string(number) + ": expected a frame number";
                return false;
            }
            continue;  // blank
        }
        if (frame < 0 || !(words >> event)) {
            error = "line " + std::to_string(number) + ": expected '<frame >= 1> <event>'";
            return false;
        }
        ScriptEvent e;
        const bool pad = event == "padadd" || event == "padremove" || event == "padbutton" || event == "padaxis";
        if (frame == 0 && !pad) {
            error = "line " + std::to_string(number) + ": only pad events run at frame 0 (the menu)";
            return false;
        }
        if (pad) {
            std::string why;
            if (!ParsePadEvent(event, words, e, why)) {
                error = "line " + std::to_string(number) + ": " + why;
                return false;
            }
        } else if (event == "keydown" || event == "keyup" || event == "press") {
            std::string name;
            if (!(words >> name) || !record::KeyByName(name, e.ScanCode, e.VirtualKey)) {
                error = "line " + std::to_string(number) + ": unknown key '" + name + "'";
                return false;
            }
            e.Kind = event == "keydown" ? ScriptEventKind::KeyDown
                     : event == "keyup" ? ScriptEventKind::KeyUp
                                        : ScriptEventKind::Press;
        } else if (event == "mousemove") {
            e.Kind = ScriptEventKind::MouseMove;
            if (!(words >> e.X >> e.Y)) {
                error = "line " + std::to_string(number) + ": mousemove needs X Y";
                return false;
            }
        } else if (event == "click") {
            e.Kind = ScriptEventKind::Click;
        } else {
            error = "line " + std::to_string(number) + ": unknown event '" + event + "'";
            return false;
        }
        std::string extra;
        if (words >> extra) {
            error = "line " + std::to_string(number) + ": unexpected '" + extra + "'";
            return false;
        }
        script[frame].push_back(e);
    }
    return true;
}

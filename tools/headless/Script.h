// Input scripts for the headless runner: one event per line, "<frame> <event> [args]",
// '#' starts a comment. Events: keydown NAME, keyup NAME, press NAME,
// mousemove X Y, click. Names: Up Down Left Right PageUp PageDown Z X C Q.
#pragma once

#include <map>
#include <string>
#include <vector>

struct ScriptEvent {
    enum class Kind { KeyDown, KeyUp, Press, MouseMove, Click };
    Kind kind = Kind::KeyDown;
    int scanCode = 0;    // DirectInput scan code (keys)
    int virtualKey = 0;  // window key code (keys)
    int x = 0, y = 0;    // client pixels (mousemove)
};

using Script = std::map<long, std::vector<ScriptEvent>>;

// Parses a script; on failure returns false with "line N: what" in `error`.
bool ParseScript(const std::string& text, Script& script, std::string& error);
// The key of a name, false when the name is unknown.
bool KeyByName(const std::string& name, int& scanCode, int& virtualKey);

// Input scripts for the headless runner: one event per line, "<frame> <event> [args]",
// '#' starts a comment. Events: keydown NAME, keyup NAME, press NAME,
// mousemove X Y, click. Names: Up Down Left Right PageUp PageDown Z X C Q.
// A virtual game controller: padadd, padremove, padbutton NAME down|up,
// padaxis NAME VALUE (-32768..32767, held until changed), with SDL's button and
// axis names (a b x y back start leftshoulder rightshoulder dpup dpdown dpleft
// dpright; leftx lefty rightx righty). Pad events may use frame 0: they run in
// the start menu, in order, instead of the runner's press of "New Game".
#pragma once

#include <map>
#include <string>
#include <vector>

enum class ScriptEventKind { KeyDown, KeyUp, Press, MouseMove, Click, PadAdd, PadRemove, PadButton, PadAxis };

struct ScriptEvent {
    ScriptEventKind Kind = ScriptEventKind::KeyDown;
    int ScanCode = 0;    // DirectInput scan code (keys)
    int VirtualKey = 0;  // window key code (keys)
    int X = 0, Y = 0;    // client pixels (mousemove)
    int PadInput = 0;    // SDL's controller button or axis (padbutton, padaxis)
    int PadValue = 0;    // 1 down / 0 up (padbutton), the reading (padaxis)

    bool IsPad() const { return Kind >= ScriptEventKind::PadAdd; }
};

using Script = std::map<long, std::vector<ScriptEvent>>;

// Parses a script; on failure returns false with "line N: what" in `error`.
bool ParseScript(const std::string& text, Script& script, std::string& error);

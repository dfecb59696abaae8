// The pad events of input scripts: a virtual game controller plugged into SDL, so
// that its buttons and sticks reach the program through SDL's controller events,
// as a real pad's do.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "tools/headless/Script.h"

// Before SDL starts: pads are read although no window has the focus, and mouse
// look moves the runner's pointer by (dx, dy).
void PreparePad(std::function<void(int dx, int dy)> movePointerBy);
// Applies a pad event to the virtual pad; false with the reason in `error`.
bool ApplyPadEvent(const ScriptEvent& event, std::string& error);
// Runs the frame-0 pad events in the start menu, each followed by a yield. A
// press of "New Game" among them starts the game, from which it never returns.
bool RunMenuPadEvents(const std::vector<ScriptEvent>& events, std::string& error);

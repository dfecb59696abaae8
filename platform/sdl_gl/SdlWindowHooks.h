// Hooks of the SDL window system for drivers that run the program without a user:
// the headless runner and the tests. They replace the clock the window timers
// read, and post input that goes through the same event path as a real mouse and
// keyboard (the events are handled at the next DoEvents or in RunMessageLoop).
// No SDL types appear here, so a runner needs only this header.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "platform/Window.h"

// The clock the window timers read, in microseconds. An empty function restores
// the real clock. The timers of windows that already exist restart from the new
// clock's present time.
void SetClockSource(std::function<std::uint64_t()> nowMicroseconds);

// Where a yield finds several timer ticks due (the clock jumped by k intervals),
// run all of them instead of one. Off by default: a window timer coalesces the
// ticks it missed into one, as a real window system does.
void SetTimerCatchUp(bool runEveryDueTick);

// Called with each message box text before the box is shown (or skipped).
void SetMessageBoxObserver(std::function<void(const std::string& text)> observer);

// The window-system id of a form's native window; 0 before it exists.
std::uint32_t FormWindowId(Form& form);

// Input posted to a form's window. Mouse positions are client pixels; button is
// vbLeftButton, vbRightButton or vbMiddleButton; shift is 1 Shift, 2 Ctrl, 4 Alt.
// False when the form has no native window or the event cannot be queued.
bool PostMouseButton(Form& form, int button, bool down, int x, int y, int shift = 0);
bool PostMouseMove(Form& form, int x, int y, int buttons = 0);
bool PostKeyDown(Form& form, int virtualKey, int shift = 0);
// The window system asks the form's window to close.
bool PostCloseRequest(Form& form);
// The session ends (as on SIGINT or SIGTERM).
bool PostQuit();

// Pixel centre of a control in its window's client area (where a click hits it).
void ControlCentre(const Control& control, int& x, int& y);

// Tells a device window the size of its back buffer, the size Alt+Enter gives the
// window when it leaves full screen.
void SetDeviceBackBufferSize(Form& form, int width, int height);

// Replaces the pointer warp of SetCursorPos (a headless runner moves its simulated
// pointer instead). An empty function restores the warp.
void SetCursorPosHandler(std::function<bool(int x, int y)> handler);
// The cursor's display counter (visible while >= 0).
int CursorCounter();

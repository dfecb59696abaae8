// Game controllers as the window system reads them, for drivers that run the
// program without a user (the headless runner, tests). No SDL types appear here.
#pragma once

#include <functional>

// How far a stick may lean (of 32767) before it counts.
inline constexpr int kPadDeadZone = 8000;
// Pointer pixels a frame of mouse look at full deflection of the right stick.
inline constexpr int kPadLookPixels = 8;

// The pointer movement one frame of the right stick gives on one axis for an
// axis reading (-32768..32767): 0 inside the dead zone, else 1..PadLookPixels in
// proportion to the lean past the dead zone, with the reading's sign.
int PadLookStep(int axisValue);

// Replaces how mouse look moves the pointer (by dx, dy client pixels; the move
// must reach the window as one mouse-move event). An empty function restores the
// pointer warp.
void SetPadPointerMover(std::function<void(int dx, int dy)> mover);

// Game controllers of the SDL window system. A pad feeds what the keyboard and
// mouse feed: held keys in the keyboard state, key-down and click events in the
// game window, one mouse move a frame for the right stick, and in a window of
// controls a focus the d-pad moves and A clicks.
#pragma once

#include <SDL.h>

#include <cstdint>

// Starts SDL's game-controller support; where there is none, no pad is read.
void StartGamepads();
// Handles a controller event (device added or removed, button, axis); false for
// any other event.
bool HandleGamepadEvent(const SDL_Event& event);
// Reads the pads once a frame: takes their pending events, adds the keys they
// hold to a 256-byte keyboard state (0x80 = down) and moves the pointer while
// the right stick leans.
void ReadGamepads(std::uint8_t* keys256);

// Lets a headless runner or a test drive the keyboard: while a simulated state is
// set, GetDeviceState returns it instead of the real keyboard.
#pragma once

#include <cstdint>

// Copies 256 bytes indexed by DirectInput scan code (0x80 = down).
void SetSimulatedKeyState(const std::uint8_t* state256);
// Back to the real keyboard.
void ClearSimulatedKeyState();

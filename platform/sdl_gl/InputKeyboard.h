// DirectInput 8 keyboard of the SDL platform: SDL's keyboard state mapped to
// DirectInput scan codes.
#pragma once

#include <array>
#include <cstdint>
#include <memory>

#include "platform/Input.h"

std::unique_ptr<DirectInput8> CreateSdlDirectInput8();

// The DirectInput scan code of an SDL scancode (0 where the key has none).
std::uint8_t DikFromSdlScancode(int scancode);

// Lets a headless runner or a test drive the keyboard: while a simulated state is
// set, GetDeviceState returns it instead of the real keyboard.
// Copies 256 bytes indexed by DirectInput scan code (0x80 = down).
void SetSimulatedKeyState(const std::uint8_t* state256);
// Back to the real keyboard.
void ClearSimulatedKeyState();

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

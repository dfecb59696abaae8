// The loading line and the fog states. Both report the first failed device call to
// the caller. The mesh store uses both, so they sit below it.
#pragma once

#include <cstdint>
#include <string>

#include "platform/D3dTypes.h"

HRESULT RenderText(const std::string& text);
HRESULT SetupFog();
std::int32_t FloatBits(float value);

// The D3DX services of the SDL/GL platform.
#pragma once

#include <memory>

#include "platform/D3dx.h"

std::unique_ptr<D3DX8> CreateGlD3DX8();

// The Direct3D 8 object of the SDL/GL platform: the desktop display mode, the
// device-type check and device creation on an SDL window made with SDL_WINDOW_OPENGL.
#pragma once

#include <memory>

#include "platform/Graphics.h"

std::unique_ptr<Direct3D8> CreateGlDirect3D8();

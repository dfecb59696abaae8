// The D3DX text font of the GL platform: a TrueType face found through fontconfig
// (the requested family where installed, else DejaVu Sans), sized in points at
// 96 dpi, rendered by SDL2_ttf into a texture and drawn as a screen-space quad
// through the device.
#pragma once

#include <memory>
#include <string>

#include "platform/D3dx.h"

class GlDevice;

// The font file the host finds for `family`, falling back to DejaVu Sans when
// the family is not installed. `isBold` tells whether the file is a bold face.
// Empty when no font can be found at all.
std::string ResolveFontFile(const std::string& family, bool bold, bool* isBold);

HRESULT CreateTtfFont(GlDevice& device, const StdFont& font, std::unique_ptr<D3DXFont>& out);

// Textures from picture files, as the D3DX loader makes them with its defaults
// (decoding and resampling in PictureDecode.h): point sampling, wrap addressing,
// no mipmaps sampled. A failure says why on stderr, naming the file.
#pragma once

#include <memory>
#include <string>

#include "platform/Graphics.h"
#include "platform/sdl_gl/PictureDecode.h"

class GlDevice;

HRESULT CreateGlTextureFromFile(GlDevice& device, const std::string& path, std::unique_ptr<Direct3DTexture8>& out);

// Textures from picture files for D3DX (see D3dxTexture.h).
#include "platform/sdl_gl/D3dxTexture.h"

#include <algorithm>
#include <cstdio>

#include "platform/sdl_gl/GlDebug.h"
#include "platform/sdl_gl/GlDevice.h"

namespace {

HRESULT Refuse(const std::string& path, const std::string& reason, HRESULT hr) {
    std::fprintf(stderr, "nightdrive: %s: %s\n", path.c_str(), reason.c_str());
    return hr;
}

}  // namespace

HRESULT CreateGlTextureFromFile(GlDevice& device, const std::string& path, std::unique_ptr<Direct3DTexture8>& out) {
    std::vector<std::uint8_t> file;
    std::string reason;
    if (!ReadPictureFile(path, file, reason)) return Refuse(path, reason, E_FAIL);
    // The extension names the format where the bytes cannot (Targa).
    const std::size_t dot = path.find_last_of("./");
    const std::string type = dot != std::string::npos && path[dot] == '.' ? path.substr(dot + 1) : std::string();
    GLuint name = 0;
    int texWidth = 0, texHeight = 0;
    const HRESULT hr = DecodeTexturePicture(
        file, type, device.MaxTextureSize(),
        [&](int w, int h, const std::uint8_t* texels) {
            texWidth = w;
            texHeight = h;
            device.MakeCurrent();
            glGenTextures(1, &name);
            glBindTexture(GL_TEXTURE_2D, name);
            glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
            glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
            // Row 0 of the picture is its top row, addressed by v = 0: uploaded as it stands.
            glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, w, h, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels);
        },
        reason);
    if (hr != D3D_OK) return Refuse(path, reason, hr);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_BASE_LEVEL, 0);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
    glBindTexture(GL_TEXTURE_2D, 0);
    device.TextureBindingChanged();
    GlCheck("CreateTextureFromFile");
    out = std::make_unique<GlTexture>(device.ContextRef(), name, static_cast<DWORD>(texWidth),
                                      static_cast<DWORD>(texHeight));
    return D3D_OK;
}

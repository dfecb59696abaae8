// Picture loading and resampling for D3DX textures (see D3dxTexture.h).
#include "platform/sdl_gl/D3dxTexture.h"

#include <SDL.h>
#include <SDL_image.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/sdl_gl/GlDebug.h"
#include "platform/sdl_gl/GlDevice.h"

namespace {

struct Tap {
    int First = 0;
    std::vector<float> Weights;
};

// Filter taps along one axis, normalised to sum 1.
std::vector<Tap> Taps(int src, int dst) {
    std::vector<Tap> taps(static_cast<std::size_t>(dst));
    const double scale = static_cast<double>(src) / dst;
    const double radius = std::max(1.0, scale);
    for (int i = 0; i < dst; ++i) {
        const double centre = (i + 0.5) * scale - 0.5;
        const int first = static_cast<int>(std::ceil(centre - radius));
        const int last = static_cast<int>(std::floor(centre + radius));
        Tap& tap = taps[static_cast<std::size_t>(i)];
        tap.First = first;
        double sum = 0.0;
        for (int x = first; x <= last; ++x) {
            const double w = std::max(0.0, 1.0 - std::abs(x - centre) / radius);
            tap.Weights.push_back(static_cast<float>(w));
            sum += w;
        }
        for (float& w : tap.Weights) w = static_cast<float>(w / sum);
    }
    return taps;
}

}  // namespace

int NextPowerOfTwo(int n) {
    int p = 1;
    while (p < n && p < (1 << 30)) p <<= 1;
    return p;
}

void ResampleTent(const std::uint8_t* src, int srcWidth, int srcHeight, int dstWidth, int dstHeight,
                  std::vector<std::uint8_t>& dst) {
    dst.assign(static_cast<std::size_t>(dstWidth) * dstHeight * 4, 0);
    if (srcWidth == dstWidth && srcHeight == dstHeight) {
        std::memcpy(dst.data(), src, dst.size());
        return;
    }
    // Horizontal pass per source row, kept in a small ring of rows (the vertical taps
    // only move down), then the vertical pass into bytes. Memory stays a few rows.
    const std::vector<Tap> tx = Taps(srcWidth, dstWidth);
    const std::vector<Tap> ty = Taps(srcHeight, dstHeight);
    std::size_t ringRows = 1;
    for (const Tap& tap : ty) ringRows = std::max(ringRows, tap.Weights.size() + 1);
    const std::size_t rowFloats = static_cast<std::size_t>(dstWidth) * 4;
    std::vector<float> ring(ringRows * rowFloats);
    std::vector<int> ringTag(ringRows, -1);
    const auto sourceRow = [&](int sy) -> const float* {
        const std::size_t slot = static_cast<std::size_t>(sy) % ringRows;
        float* out = ring.data() + slot * rowFloats;
        if (ringTag[slot] == sy) return out;
        ringTag[slot] = sy;
        std::fill(out, out + rowFloats, 0.0f);
        const std::uint8_t* row = src + static_cast<std::size_t>(sy) * srcWidth * 4;
        for (int x = 0; x < dstWidth; ++x) {
            const Tap& tap = tx[static_cast<std::size_t>(x)];
            for (std::size_t k = 0; k < tap.Weights.size(); ++k) {
                const int sx = std::clamp(tap.First + static_cast<int>(k), 0, srcWidth - 1);
                for (int c = 0; c < 4; ++c) out[x * 4 + c] += tap.Weights[k] * row[sx * 4 + c];
            }
        }
        return out;
    };
    std::vector<float> acc(rowFloats);
    for (int y = 0; y < dstHeight; ++y) {
        const Tap& tap = ty[static_cast<std::size_t>(y)];
        std::fill(acc.begin(), acc.end(), 0.0f);
        for (std::size_t k = 0; k < tap.Weights.size(); ++k) {
            const float* in = sourceRow(std::clamp(tap.First + static_cast<int>(k), 0, srcHeight - 1));
            for (std::size_t i = 0; i < rowFloats; ++i) acc[i] += tap.Weights[k] * in[i];
        }
        std::uint8_t* out = dst.data() + static_cast<std::size_t>(y) * rowFloats;
        for (std::size_t i = 0; i < rowFloats; ++i)
            out[i] = static_cast<std::uint8_t>(std::clamp(std::lround(acc[i]), 0L, 255L));
    }
}

HRESULT CreateGlTextureFromFile(GlDevice& device, const std::string& path, std::unique_ptr<Direct3DTexture8>& out) {
    SDL_RWops* file = SDL_RWFromFile(path.c_str(), "rb");
    if (file == nullptr) return E_FAIL;
    SDL_Surface* loaded = IMG_Load_RW(file, 1);
    if (loaded == nullptr) return D3DXERR_INVALIDDATA;
    SDL_Surface* rgba = SDL_ConvertSurfaceFormat(loaded, SDL_PIXELFORMAT_RGBA32, 0);
    SDL_FreeSurface(loaded);
    if (rgba == nullptr) return E_OUTOFMEMORY;
    const int width = rgba->w, height = rgba->h;
    if (width <= 0 || height <= 0) {
        SDL_FreeSurface(rgba);
        return D3DXERR_INVALIDDATA;
    }
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(width) * height * 4);
    SDL_LockSurface(rgba);
    for (int y = 0; y < height; ++y)
        std::memcpy(pixels.data() + static_cast<std::size_t>(y) * width * 4,
                    static_cast<const std::uint8_t*>(rgba->pixels) + static_cast<std::size_t>(y) * rgba->pitch,
                    static_cast<std::size_t>(width) * 4);
    SDL_UnlockSurface(rgba);
    SDL_FreeSurface(rgba);

    // Power-of-two sides, no larger than the GL limit (a bigger picture is scaled down).
    const int limit = std::max(1, device.MaxTextureSize());
    const int texWidth = std::min(NextPowerOfTwo(width), limit);
    const int texHeight = std::min(NextPowerOfTwo(height), limit);
    std::vector<std::uint8_t> texels;
    ResampleTent(pixels.data(), width, height, texWidth, texHeight, texels);

    device.MakeCurrent();
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    // Row 0 of the picture is its top row, addressed by v = 0: uploaded as it stands.
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, texWidth, texHeight, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
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

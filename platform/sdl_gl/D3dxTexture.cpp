// Picture loading and resampling for D3DX textures (see D3dxTexture.h).
#include "platform/sdl_gl/D3dxTexture.h"

#include <SDL.h>
#include <SDL_image.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
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

// Pictures above this many pixels are refused before they are decoded: a few
// bytes of header can claim gigabytes of pixels.
constexpr std::uint64_t MaxPicturePixels = 8192ull * 8192ull;
// And files above this size are not read at all.
constexpr std::uint64_t MaxPictureFileBytes = 256ull << 20;

std::uint32_t BigEndian32(const std::uint8_t* p) {
    return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) | p[3];
}

// The size a PNG, JPEG or BMP header claims; false where the header says nothing
// (another format, or a header cut short: the decoder then judges the file).
bool ClaimedSize(const std::vector<std::uint8_t>& file, std::uint64_t& width, std::uint64_t& height) {
    const std::uint8_t* p = file.data();
    const std::size_t n = file.size();
    if (n >= 24 && std::memcmp(p, "\x89PNG\r\n\x1a\n", 8) == 0 && std::memcmp(p + 12, "IHDR", 4) == 0) {
        width = BigEndian32(p + 16);
        height = BigEndian32(p + 20);
        return true;
    }
    if (n >= 26 && p[0] == 'B' && p[1] == 'M') {
        std::int32_t w = 0, h = 0;
        std::memcpy(&w, p + 18, 4);
        std::memcpy(&h, p + 22, 4);
        width = static_cast<std::uint64_t>(std::abs(static_cast<std::int64_t>(w)));
        height = static_cast<std::uint64_t>(std::abs(static_cast<std::int64_t>(h)));
        return true;
    }
    if (n >= 4 && p[0] == 0xFF && p[1] == 0xD8) {
        // Markers up to the first start-of-frame, which holds the size.
        std::size_t at = 2;
        while (at + 9 < n) {
            if (p[at] != 0xFF) return false;
            const std::uint8_t marker = p[at + 1];
            if (marker == 0xFF) {
                ++at;
                continue;
            }
            const std::size_t length = (std::size_t{p[at + 2]} << 8) | p[at + 3];
            const bool startOfFrame = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 &&
                                      marker != 0xCC;
            if (startOfFrame) {
                height = (std::uint64_t{p[at + 5]} << 8) | p[at + 6];
                width = (std::uint64_t{p[at + 7]} << 8) | p[at + 8];
                return true;
            }
            if (length < 2) return false;
            at += 2 + length;
        }
    }
    return false;
}

// Reads a whole regular file without blocking on it (a FIFO or a device where a
// picture should be is refused, not waited on). On failure says why in `reason`.
bool ReadPictureFile(const std::string& path, std::vector<std::uint8_t>& bytes, std::string& reason) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        reason = errno == ENOENT ? "file not found" : errno == EACCES ? "permission denied" : std::strerror(errno);
        return false;
    }
    struct stat st {};
    bool ok = ::fstat(fd, &st) == 0;
    if (!ok) {
        reason = std::strerror(errno);
    } else if (!S_ISREG(st.st_mode)) {
        reason = S_ISDIR(st.st_mode) ? "is a directory" : "not a regular file";
        ok = false;
    } else if (static_cast<std::uint64_t>(st.st_size) > MaxPictureFileBytes) {
        reason = "file too large for a picture";
        ok = false;
    }
    if (ok) {
        bytes.resize(static_cast<std::size_t>(st.st_size));
        std::size_t got = 0;
        while (got < bytes.size()) {
            const ssize_t r = ::read(fd, bytes.data() + got, bytes.size() - got);
            if (r < 0 && errno == EINTR) continue;
            if (r <= 0) {
                reason = r < 0 ? std::strerror(errno) : "file shrank while being read";
                ok = false;
                break;
            }
            got += static_cast<std::size_t>(r);
        }
    }
    ::close(fd);
    return ok;
}

HRESULT Refuse(const std::string& path, const std::string& reason, HRESULT hr) {
    std::fprintf(stderr, "nightdrive: %s: %s\n", path.c_str(), reason.c_str());
    return hr;
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
    std::vector<std::uint8_t> file;
    std::string reason;
    if (!ReadPictureFile(path, file, reason)) return Refuse(path, reason, E_FAIL);
    if (file.empty()) return Refuse(path, "empty file", D3DXERR_INVALIDDATA);
    std::uint64_t claimedWidth = 0, claimedHeight = 0;
    if (ClaimedSize(file, claimedWidth, claimedHeight) && claimedWidth * claimedHeight > MaxPicturePixels) {
        return Refuse(path,
                      "picture too large (" + std::to_string(claimedWidth) + " x " + std::to_string(claimedHeight) +
                          " pixels; at most 8192 x 8192)",
                      D3DXERR_INVALIDDATA);
    }
    SDL_RWops* stream = SDL_RWFromConstMem(file.data(), static_cast<int>(file.size()));
    if (stream == nullptr) return Refuse(path, SDL_GetError(), E_OUTOFMEMORY);
    SDL_Surface* loaded = IMG_Load_RW(stream, 1);
    if (loaded == nullptr) return Refuse(path, std::string("not a picture: ") + IMG_GetError(), D3DXERR_INVALIDDATA);
    std::vector<std::uint8_t>().swap(file);
    SDL_Surface* rgba = SDL_ConvertSurfaceFormat(loaded, SDL_PIXELFORMAT_RGBA32, 0);
    SDL_FreeSurface(loaded);
    if (rgba == nullptr) return Refuse(path, SDL_GetError(), E_OUTOFMEMORY);
    const int width = rgba->w, height = rgba->h;
    if (width <= 0 || height <= 0 || static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height) >
                                         MaxPicturePixels) {
        SDL_FreeSurface(rgba);
        return Refuse(path, "picture has no pixels or is too large", D3DXERR_INVALIDDATA);
    }
    // The converted surface is used in place where its rows are packed (RGBA32
    // rows always are); a large picture is then held once, not three times.
    std::vector<std::uint8_t> pixels;
    SDL_LockSurface(rgba);
    const std::uint8_t* source = static_cast<const std::uint8_t*>(rgba->pixels);
    if (rgba->pitch != width * 4) {
        pixels.resize(static_cast<std::size_t>(width) * height * 4);
        for (int y = 0; y < height; ++y)
            std::memcpy(pixels.data() + static_cast<std::size_t>(y) * width * 4,
                        source + static_cast<std::size_t>(y) * rgba->pitch, static_cast<std::size_t>(width) * 4);
        source = pixels.data();
    }

    // Power-of-two sides, no larger than the GL limit (a bigger picture is scaled down).
    const int limit = std::max(1, device.MaxTextureSize());
    const int texWidth = std::min(NextPowerOfTwo(width), limit);
    const int texHeight = std::min(NextPowerOfTwo(height), limit);
    std::vector<std::uint8_t> texels;
    if (texWidth != width || texHeight != height) {
        ResampleTent(source, width, height, texWidth, texHeight, texels);
        source = texels.data();
        SDL_UnlockSurface(rgba);
        SDL_FreeSurface(rgba);
        rgba = nullptr;
        std::vector<std::uint8_t>().swap(pixels);
    }

    device.MakeCurrent();
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    // Row 0 of the picture is its top row, addressed by v = 0: uploaded as it stands.
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, texWidth, texHeight, 0, GL_RGBA, GL_UNSIGNED_BYTE, source);
    if (rgba != nullptr) {
        SDL_UnlockSurface(rgba);
        SDL_FreeSurface(rgba);
    }
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

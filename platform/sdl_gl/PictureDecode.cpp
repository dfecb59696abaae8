// Reading and decoding picture files into texels (see PictureDecode.h).
#include "platform/sdl_gl/PictureDecode.h"

#include <SDL.h>
#include <SDL_image.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstring>

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

// And files above this size are not read at all.
constexpr std::uint64_t kMaxPictureFileBytes = 256ull << 20;

std::uint32_t BigEndian32(const std::uint8_t* p) {
    return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) | p[3];
}

enum class Format { Unknown, Jpeg, Png, Bmp, Tga };

bool SameLetters(const std::string& a, const char* b) {
    return a.size() == std::strlen(b) && std::equal(a.begin(), a.end(), b, [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == y;
           });
}

// The format is told by the first bytes; Targa, which has no signature, by the
// extension. Other formats the decoding library knows are not textures here.
Format FormatOf(const std::vector<std::uint8_t>& file, const std::string& type) {
    const std::uint8_t* p = file.data();
    const std::size_t n = file.size();
    if (n >= 3 && p[0] == 0xFF && p[1] == 0xD8 && p[2] == 0xFF) return Format::Jpeg;
    if (n >= 8 && std::memcmp(p, "\x89PNG\r\n\x1a\n", 8) == 0) return Format::Png;
    if (n >= 2 && p[0] == 'B' && p[1] == 'M') return Format::Bmp;
    if (SameLetters(type, "tga")) return Format::Tga;
    return Format::Unknown;
}

std::uint32_t LittleEndian32(const std::uint8_t* p) {
    return std::uint32_t{p[0]} | (std::uint32_t{p[1]} << 8) | (std::uint32_t{p[2]} << 16) | (std::uint32_t{p[3]} << 24);
}

std::uint32_t LittleEndian16(const std::uint8_t* p) { return std::uint32_t{p[0]} | (std::uint32_t{p[1]} << 8); }

struct BmpHeader {
    std::uint64_t Width = 0, Height = 0, Bits = 0, Offset = 0;
    std::uint32_t Compression = 0;
};

// The BMP file header and either info header: the old 12-byte one with 16-bit
// sizes, or the later ones (40 bytes and up) with 32-bit signed sizes.
bool ReadBmpHeader(const std::vector<std::uint8_t>& file, BmpHeader& bmp) {
    const std::uint8_t* p = file.data();
    if (file.size() < 26) return false;
    bmp.Offset = LittleEndian32(p + 10);
    if (LittleEndian32(p + 14) == 12) {
        bmp.Width = LittleEndian16(p + 18);
        bmp.Height = LittleEndian16(p + 20);
        bmp.Bits = LittleEndian16(p + 24);
        return true;
    }
    const auto w = static_cast<std::int32_t>(LittleEndian32(p + 18));
    const auto h = static_cast<std::int32_t>(LittleEndian32(p + 22));
    bmp.Width = static_cast<std::uint64_t>(std::abs(static_cast<std::int64_t>(w)));
    bmp.Height = static_cast<std::uint64_t>(std::abs(static_cast<std::int64_t>(h)));
    if (file.size() >= 34) {
        bmp.Bits = LittleEndian16(p + 28);
        bmp.Compression = LittleEndian32(p + 30);
    }
    return true;
}

// The size a picture's header claims; false where the header says nothing (a
// header cut short: the decoder then judges the file).
bool ClaimedSize(const std::vector<std::uint8_t>& file, Format format, std::uint64_t& width, std::uint64_t& height) {
    const std::uint8_t* p = file.data();
    const std::size_t n = file.size();
    if (format == Format::Tga) {
        if (n < 18) return false;
        width = p[12] | (std::uint64_t{p[13]} << 8);
        height = p[14] | (std::uint64_t{p[15]} << 8);
        return true;
    }
    if (format == Format::Png && n >= 24 && std::memcmp(p + 12, "IHDR", 4) == 0) {
        width = BigEndian32(p + 16);
        height = BigEndian32(p + 20);
        return true;
    }
    if (format == Format::Bmp) {
        BmpHeader bmp;
        if (!ReadBmpHeader(file, bmp)) return false;
        width = bmp.Width;
        height = bmp.Height;
        return true;
    }
    if (format == Format::Jpeg) {
        // Markers in order, read as the decoder reads them: bytes up to a marker's
        // 0xFF and repeated 0xFF fill bytes are skipped; the first start-of-frame
        // marker holds the size.
        std::size_t at = 2;
        while (at < n) {
            if (p[at] != 0xFF) {
                ++at;
                continue;
            }
            while (at < n && p[at] == 0xFF) ++at;
            if (at >= n) return false;
            const std::uint8_t marker = p[at++];
            // A stuffed zero, TEM, RSTn and SOI stand alone.
            if (marker == 0x00 || marker == 0x01 || (marker >= 0xD0 && marker <= 0xD8)) continue;
            // The end of the image, or scan data, before any frame header.
            if (marker == 0xD9 || marker == 0xDA) return false;
            const bool startOfFrame =
                marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
            if (startOfFrame) {
                if (n - at < 7) return false;
                height = (std::uint64_t{p[at + 3]} << 8) | p[at + 4];
                width = (std::uint64_t{p[at + 5]} << 8) | p[at + 6];
                return true;
            }
            if (n - at < 2) return false;
            const std::size_t length = (std::size_t{p[at]} << 8) | p[at + 1];
            if (length < 2) return false;
            at += length;
        }
    }
    return false;
}

// Whether a Targa or BMP file is too short for the pixels its header claims: raw
// pixels take their bytes each; a run-length packet stands for at most 128
// pixels (Targa) or 255 (BMP) and takes at least two bytes. Other formats are
// judged by their decoders, which fail on data that runs out.
bool TooShort(const std::vector<std::uint8_t>& file, Format format, std::uint64_t width, std::uint64_t height) {
    const std::uint8_t* p = file.data();
    const std::uint64_t n = file.size();
    const std::uint64_t pixels = width * height;
    if (format == Format::Tga) {
        const std::uint8_t imageType = p[2];
        const std::uint64_t bytesEach = (std::uint64_t{p[16]} + 7) / 8;
        if (imageType >= 1 && imageType <= 3) return n < 18 + p[0] + pixels * bytesEach;
        if (imageType >= 9 && imageType <= 11) return n < 18 + p[0] + (pixels + 127) / 128 * 2;
        return false;
    }
    BmpHeader bmp;
    if (format == Format::Bmp && ReadBmpHeader(file, bmp)) {
        if (bmp.Compression == 0) return n < bmp.Offset + (width * bmp.Bits + 31) / 32 * 4 * height;
        if (bmp.Compression == 1 || bmp.Compression == 2) return n < bmp.Offset + (pixels + 254) / 255 * 2;
    }
    return false;
}

// A PNG file's chunks must each fit in the file, carry a type of four letters and
// lead to the end chunk. The PNG decoder in use can loop for ever on a chunk whose
// length runs past the end of the data, so such a file is refused before it.
bool PngChunksHold(const std::vector<std::uint8_t>& file) {
    std::size_t at = 8;
    while (true) {
        if (file.size() - at < 12) return false;
        const std::uint64_t length = BigEndian32(file.data() + at);
        for (std::size_t i = 4; i < 8; ++i) {
            const std::uint8_t c = file[at + i];
            if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'))) return false;
        }
        if (length > file.size() - at - 12) return false;
        if (std::memcmp(file.data() + at + 4, "IEND", 4) == 0) return true;
        at += 12 + static_cast<std::size_t>(length);
    }
}

}  // namespace

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
    } else if (static_cast<std::uint64_t>(st.st_size) > kMaxPictureFileBytes) {
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

HRESULT DecodeTexturePicture(std::vector<std::uint8_t>& file, const std::string& type, int limit, const TexelSink& use,
                             std::string& reason, std::uint64_t maxPixels) {
    if (file.empty()) {
        reason = "empty file";
        return D3DXERR_INVALIDDATA;
    }
    std::uint64_t claimedWidth = 0, claimedHeight = 0;
    const Format format = FormatOf(file, type);
    if (format == Format::Unknown) {
        reason = "not a picture (JPEG, PNG, BMP or TGA expected)";
        return D3DXERR_INVALIDDATA;
    }
    const bool claimed = ClaimedSize(file, format, claimedWidth, claimedHeight);
    if (!claimed) {
        // Every picture the decoders make has had its size checked first.
        reason = "damaged picture (no size in its header)";
        return D3DXERR_INVALIDDATA;
    }
    if (claimedWidth * claimedHeight > maxPixels) {
        // A few bytes of header can claim gigabytes of pixels.
        reason = "picture too large (" + std::to_string(claimedWidth) + " x " + std::to_string(claimedHeight) +
                 " pixels; at most " + std::to_string(maxPixels) + " pixels)";
        return D3DXERR_INVALIDDATA;
    }
    if (TooShort(file, format, claimedWidth, claimedHeight)) {
        // The decoders would make a picture of that size from whatever is there.
        reason = "truncated picture (" + std::to_string(claimedWidth) + " x " + std::to_string(claimedHeight) +
                 " pixels in " + std::to_string(file.size()) + " bytes)";
        return D3DXERR_INVALIDDATA;
    }
    if (format == Format::Png && !PngChunksHold(file)) {
        reason = "damaged PNG file (a chunk runs past the end of the file)";
        return D3DXERR_INVALIDDATA;
    }
    if (file.size() > static_cast<std::size_t>(INT32_MAX)) {
        reason = "file too large for a picture";
        return D3DXERR_INVALIDDATA;
    }
    SDL_RWops* stream = SDL_RWFromConstMem(file.data(), static_cast<int>(file.size()));
    if (stream == nullptr) {
        reason = SDL_GetError();
        return E_OUTOFMEMORY;
    }
    SDL_Surface* loaded = nullptr;
    switch (format) {
        case Format::Jpeg:
            loaded = IMG_LoadJPG_RW(stream);
            break;
        case Format::Png:
            loaded = IMG_LoadPNG_RW(stream);
            break;
        case Format::Bmp:
            loaded = IMG_LoadBMP_RW(stream);
            break;
        case Format::Tga:
            loaded = IMG_LoadTGA_RW(stream);
            break;
        case Format::Unknown:
            break;
    }
    SDL_RWclose(stream);
    if (loaded == nullptr) {
        reason = std::string("not a picture: ") + IMG_GetError();
        return D3DXERR_INVALIDDATA;
    }
    std::vector<std::uint8_t>().swap(file);
    SDL_Surface* rgba = SDL_ConvertSurfaceFormat(loaded, SDL_PIXELFORMAT_RGBA32, 0);
    SDL_FreeSurface(loaded);
    if (rgba == nullptr) {
        reason = SDL_GetError();
        return E_OUTOFMEMORY;
    }
    const int width = rgba->w, height = rgba->h;
    if (width <= 0 || height <= 0 ||
        static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height) > maxPixels) {
        SDL_FreeSurface(rgba);
        reason = "picture has no pixels or is too large";
        return D3DXERR_INVALIDDATA;
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

    // Power-of-two sides, no larger than the limit (a bigger picture is scaled down).
    limit = std::max(1, limit);
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
    use(texWidth, texHeight, source);
    if (rgba != nullptr) {
        SDL_UnlockSurface(rgba);
        SDL_FreeSurface(rgba);
    }
    return D3D_OK;
}

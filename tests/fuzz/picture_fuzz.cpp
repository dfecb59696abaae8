// Fuzz target for texture pictures: header checks, decoding through SDL2_image and
// the resampling to power-of-two sides. Any crash, sanitizer report, unbounded
// allocation or broken invariant is a finding.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/sdl_gl/PictureDecode.h"

namespace {

void Check(bool condition) {
    if (!condition) {
        __builtin_trap();
    }
}

bool PowerOfTwo(int n) { return n > 0 && (n & (n - 1)) == 0; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // Small limits keep a run fast (pictures over a megapixel are refused, as those
    // over 64 are by the program); the checks are the same at any limit.
    // Targa has no signature: it is only tried where the extension names it.
    struct Run {
        const char* type;
        int limit;
    };
    for (const Run run : {Run{"", 64}, Run{"tga", 4096}}) {
        const int limit = run.limit;
        std::vector<std::uint8_t> file(data, data + size);
        std::string reason;
        bool called = false;
        const HRESULT hr = DecodeTexturePicture(
            file, run.type, limit,
            [&](int width, int height, const std::uint8_t* texels) {
                called = true;
                Check(PowerOfTwo(width) && PowerOfTwo(height) && width <= limit && height <= limit);
                // Every texel is readable.
                unsigned sum = 0;
                for (std::size_t i = 0; i < static_cast<std::size_t>(width) * height * 4; i += 97) sum += texels[i];
                Check(sum < 0xFFFFFFFFu);
            },
            reason, 1u << 20);
        Check(hr == D3D_OK ? called : (!called && !reason.empty()));
    }
    return 0;
}

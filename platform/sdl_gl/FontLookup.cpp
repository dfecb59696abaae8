// fontconfig lookup of font faces for the menu and the in-game text.
#include "platform/sdl_gl/FontLookup.h"

#include <fontconfig/fontconfig.h>

#include <array>
#include <unistd.h>

namespace {

std::string Match(const std::string& family, bool bold, bool exactFamily) {
    if (!FcInit()) return {};
    FcPattern* pattern = FcPatternCreate();
    if (!pattern) return {};
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
    FcPatternAddInteger(pattern, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    std::string path;
    if (match) {
        FcChar8* file = nullptr;
        FcChar8* matchedFamily = nullptr;
        bool familyOk = true;
        if (exactFamily && FcPatternGetString(match, FC_FAMILY, 0, &matchedFamily) == FcResultMatch) {
            familyOk = FcStrCmpIgnoreCase(matchedFamily, reinterpret_cast<const FcChar8*>(family.c_str())) == 0;
        }
        if (familyOk && FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch && file) {
            path = reinterpret_cast<const char*>(file);
        }
        FcPatternDestroy(match);
    }
    FcPatternDestroy(pattern);
    return path;
}

}  // namespace

std::string FindFontFile(const std::string& family, bool bold) {
    // The face itself where it is installed; otherwise DejaVu Sans, which Debian
    // always has, rather than whatever fontconfig would substitute.
    std::string path = Match(family, bold, true);
    if (path.empty()) path = Match("DejaVu Sans", bold, true);
    if (path.empty()) path = Match(family, bold, false);
    if (path.empty()) {
        const std::array<const char*, 2> known = {
            bold ? "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf"
                 : "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf",
            "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"};
        for (const char* candidate : known) {
            if (access(candidate, R_OK) == 0) return candidate;
        }
    }
    return path;
}

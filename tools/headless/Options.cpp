#include "tools/headless/Options.h"

#include <cctype>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

const char* const kUsage =
    "usage: nightdrive-headless [--size WIDTHxHEIGHT] [--fill] [--depth 16|32]\n"
    "         [--detail low|medium|high] [--night] [--no-light] [--no-fog] [--wireframe]\n"
    "         [--collision] [--no-textures] [--frames N] [--fps F] [--input FILE]\n"
    "         [--trace FILE] [--shot N:FILE.png]... [--bench] [--baseline clear|merged|flat]\n"
    "         [--no-cull] [--frame-hashes FILE]\n";

namespace {

// The menu's switches, one option each.
bool Options::*SwitchNamed(const std::string& name) {
    static const std::pair<const char*, bool Options::*> switches[] = {
        {"--night", &Options::night},         {"--no-light", &Options::noLight},
        {"--no-fog", &Options::noFog},         {"--wireframe", &Options::wireframe},
        {"--collision", &Options::collision}, {"--no-textures", &Options::noTextures}};
    for (const auto& [option, flag] : switches) {
        if (name == option) return flag;
    }
    return nullptr;
}

// WIDTHxHEIGHT, each 64..16384 (the largest back buffer).
bool ParseSize(const char* text, int& width, int& height) {
    if (!text) return false;
    char* end = nullptr;
    const long w = std::strtol(text, &end, 10);
    if (end == text || *end != 'x') return false;
    const char* rest = end + 1;
    const long h = std::strtol(rest, &end, 10);
    if (end == rest || *end != '\0' || w < 64 || h < 64 || w > 16384 || h > 16384) return false;
    if (!std::isdigit(static_cast<unsigned char>(text[0])) || !std::isdigit(static_cast<unsigned char>(rest[0])))
        return false;
    width = static_cast<int>(w);
    height = static_cast<int>(h);
    return true;
}

}  // namespace

bool ParseArgs(int argc, char** argv, Options& o) {
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        const auto value = [&]() -> const char* { return i + 1 < argc ? argv[++i] : nullptr; };
        const auto oneOf = [](const char* v, std::initializer_list<const char*> allowed) {
            if (!v) return false;
            for (const char* x : allowed) {
                if (std::strcmp(v, x) == 0) return true;
            }
            return false;
        };
        if (a == "--size") {
            o.size = value();
            if (!ParseSize(o.size, o.width, o.height)) return false;
        } else if (a == "--fill") {
            o.fill = true;
        } else if (a == "--depth") {
            o.depth = value();
            if (!oneOf(o.depth, {"16", "32"})) return false;
        } else if (a == "--detail") {
            o.detail = value();
            if (!oneOf(o.detail, {"low", "medium", "high"})) return false;
        } else if (bool Options::*flag = SwitchNamed(a)) {
            o.*flag = true;
        } else if (a == "--frames") {
            const char* v = value();
            char* end = nullptr;
            o.frames = v ? std::strtol(v, &end, 10) : -1;
            if (!v || *end || o.frames < 1) return false;
        } else if (a == "--fps") {
            const char* v = value();
            char* end = nullptr;
            o.fps = v ? std::strtod(v, &end) : 0;
            if (!v || *end || !(o.fps > 0) || !std::isfinite(o.fps)) return false;
        } else if (a == "--input") {
            const char* v = value();
            if (!v) return false;
            o.input = v;
        } else if (a == "--trace") {
            const char* v = value();
            if (!v) return false;
            o.trace = v;
        } else if (a == "--shot") {
            const char* v = value();
            const char* colon = v ? std::strchr(v, ':') : nullptr;
            if (!colon) return false;
            char* end = nullptr;
            const long frame = std::strtol(v, &end, 10);
            if (end != colon || frame < 1 || colon[1] == '\0') return false;
            o.shots.emplace_back(frame, colon + 1);
        } else if (a == "--bench") {
            o.bench = true;
        } else if (a == "--baseline") {
            const char* v = value();
            if (!oneOf(v, {"clear", "merged", "flat"})) return false;
            o.baseline = v;
        } else if (a == "--no-cull") {
            o.noCull = true;
        } else if (a == "--frame-hashes") {
            const char* v = value();
            if (!v) return false;
            o.frameHashes = v;
        } else {
            return false;
        }
    }
    return true;
}

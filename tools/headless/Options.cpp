#include "tools/headless/Options.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

const char* const kUsage =
    "usage: nightdrive-headless [--size WIDTHxHEIGHT] [--fill] [--depth 16|32]\n"
    "         [--detail low|medium|high] [--night] [--no-light] [--no-fog] [--wireframe]\n"
    "         [--collision] [--no-textures] [--frames N] [--fps F] [--input FILE]\n"
    "         [--trace FILE] [--shot N:FILE.png]... [--bench] [--baseline clear|merged|flat]\n"
    "         [--no-cull] [--frame-hashes FILE] [--fill]\n"
    "       nightdrive-headless --replay FILE [--trace FILE] [--shot N:FILE.png]...\n"
    "         [--video OUT.mp4 [--size WxH] [--fps F]]\n";

namespace {

// The menu's switches, one option each.
bool Options::*SwitchNamed(const std::string& name) {
    static const std::pair<const char*, bool Options::*> kSwitches[] = {
        {"--night", &Options::Night},         {"--no-light", &Options::NoLight},
        {"--no-fog", &Options::NoFog},        {"--wireframe", &Options::Wireframe},
        {"--collision", &Options::Collision}, {"--no-textures", &Options::NoTextures}};
    for (const auto& [option, flag] : kSwitches) {
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

bool OneOf(const char* v, std::initializer_list<const char*> allowed) {
    if (!v) return false;
    for (const char* x : allowed) {
        if (std::strcmp(v, x) == 0) return true;
    }
    return false;
}

}  // namespace

bool ParseArgs(int argc, char** argv, Options& o) {
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        const auto value = [&]() -> const char* { return i + 1 < argc ? argv[++i] : nullptr; };
        if (a == "--size") {
            o.Size = value();
            if (!ParseSize(o.Size, o.Width, o.Height)) return false;
        } else if (a == "--fill") {
            o.Fill = true;
        } else if (a == "--depth") {
            o.Depth = value();
            if (!OneOf(o.Depth, {"16", "32"})) return false;
        } else if (a == "--detail") {
            o.Detail = value();
            if (!OneOf(o.Detail, {"low", "medium", "high"})) return false;
        } else if (bool Options::*flag = SwitchNamed(a)) {
            o.*flag = true;
        } else if (a == "--frames") {
            const char* v = value();
            char* end = nullptr;
            o.Frames = v ? std::strtol(v, &end, 10) : -1;
            if (!v || *end || o.Frames < 1) return false;
        } else if (a == "--fps") {
            const char* v = value();
            char* end = nullptr;
            o.Fps = v ? std::strtod(v, &end) : 0;
            if (!v || *end || !(o.Fps > 0) || !std::isfinite(o.Fps)) return false;
        } else if (a == "--input") {
            const char* v = value();
            if (!v) return false;
            o.Input = v;
        } else if (a == "--trace") {
            const char* v = value();
            if (!v) return false;
            o.Trace = v;
        } else if (a == "--shot") {
            const char* v = value();
            const char* colon = v ? std::strchr(v, ':') : nullptr;
            if (!colon) return false;
            char* end = nullptr;
            const long frame = std::strtol(v, &end, 10);
            if (end != colon || frame < 1 || colon[1] == '\0') return false;
            o.Shots.emplace_back(frame, colon + 1);
        } else if (a == "--replay" || a == "--video") {
            const char* v = value();
            if (!v) return false;
            (a == "--replay" ? o.Replay : o.Video) = v;
        } else if (a == "--bench") {
            o.Bench = true;
        } else if (a == "--baseline") {
            const char* v = value();
            if (!OneOf(v, {"clear", "merged", "flat"})) return false;
            o.Baseline = v;
        } else if (a == "--no-cull") {
            o.NoCull = true;
        } else if (a == "--frame-hashes") {
            const char* v = value();
            if (!v) return false;
            o.FrameHashes = v;
        } else {
            return false;
        }
    }
    if (o.Replay.empty()) {
        return o.Video.empty();
    }
    // A recording brings its own menu choices, input and length.
    const bool menuChoice =
        o.Fill || o.Depth || o.Detail || o.Night || o.NoLight || o.NoFog || o.Wireframe || o.Collision || o.NoTextures;
    if (menuChoice || !o.Input.empty() || o.Frames > 0 || !o.Baseline.empty()) return false;
    if (o.Size) {
        // Any size a video can have: even, for the usual 4:2:0 encodings.
        char extra = 0;
        if (o.Video.empty() || std::sscanf(o.Size, "%dx%d%c", &o.VideoWidth, &o.VideoHeight, &extra) != 2 ||
            o.VideoWidth < 16 || o.VideoHeight < 16 || o.VideoWidth > 8192 || o.VideoHeight > 8192 ||
            o.VideoWidth % 2 != 0 || o.VideoHeight % 2 != 0) {
            return false;
        }
    }
    return true;
}

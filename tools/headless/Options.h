// The runner's command line.
#pragma once

#include <string>
#include <utility>
#include <vector>

struct Options {
    const char* size = nullptr;
    int width = 0, height = 0;  // from --size
    bool fill = false;          // "Fill Screen", on a screen of --size (or SDL's)
    const char* depth = nullptr;
    const char* detail = nullptr;
    bool night = false, noLight = false, noFog = false, wireframe = false, collision = false, noTextures = false;
    long frames = -1;
    double fps = 60;
    std::string input, trace;
    std::vector<std::pair<long, std::string>> shots;
    bool bench = false;
    std::string baseline;  // "", "clear", "merged" or "flat"
    bool noCull = false;   // draw every cluster, visible or not
    std::string frameHashes;  // one hash of each presented frame's pixels per line
};

extern const char* const kUsage;

// False on an unknown option or a value out of range.
bool ParseArgs(int argc, char** argv, Options& o);

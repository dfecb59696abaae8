// The runner's command line.
#pragma once

#include <string>
#include <utility>
#include <vector>

struct Options {
    const char* Size = nullptr;
    int Width = 0, Height = 0;  // from --size
    bool Fill = false;          // "Fill Screen", on a screen of --size (or SDL's)
    const char* Depth = nullptr;
    const char* Detail = nullptr;
    bool Night = false, NoLight = false, NoFog = false, Wireframe = false, Collision = false, NoTextures = false;
    long Frames = -1;
    double Fps = 60;
    std::string Input, Trace;
    std::vector<std::pair<long, std::string>> Shots;
    bool Bench = false;
    std::string Baseline;     // "", "clear", "merged" or "flat"
    bool NoCull = false;      // draw every cluster, visible or not
    std::string FrameHashes;  // one hash of each presented frame's pixels per line
    // Playing a recording (its menu choices and input replace the options above),
    // and the video made of it: --size is then the video's size, --fps its rate.
    std::string Replay, Video;
    int VideoWidth = 0, VideoHeight = 0;
};

extern const char* const kUsage;

// False on an unknown option or a value out of range.
bool ParseArgs(int argc, char** argv, Options& o);

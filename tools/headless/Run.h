// The state of one headless run, shared by the runner's parts: the options, the
// script, the simulated clock and keyboard, and the timings.
#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/sdl_gl/GlReadBack.h"
#include "tools/headless/Instruments.h"
#include "tools/headless/Options.h"
#include "tools/headless/Script.h"

using Clock = std::chrono::steady_clock;

struct Run {
    Options options;
    Script script;
    FILE* trace = nullptr;
    FILE* frameHashes = nullptr;
    CountingDevice* device = nullptr;

    std::uint64_t clockUs = 0;
    std::uint64_t frameStepUs = 16667;
    long frame = 0;
    bool inMainLoop = false;
    std::uint8_t keys[256] = {};
    bool pressed[256] = {};  // keys held for one frame only (no allocation per press)
    int pointerX = 0, pointerY = 0;

    int animMesh = 0;
    std::uint64_t scenesAtStart = 0;

    Clock::time_point newGame;
    Clock::time_point frameStart;
    Clock::time_point lastFrame;
    double firstFrameMs = 0;
    std::vector<double> frameMs;
    double loadMs = 0;
    std::uint64_t allocationsAfterFirst = 0;
    // Memory and allocations once the run has settled (frame 1000), for soak runs.
    long peakRssAt1000Kb = 0, rssAnonAt1000Kb = 0;
    std::uint64_t allocationsAt1000 = 0;
    // What the frames' draws sent to the GL, summed over the presented frames.
    GlFrameCounts drawn;
    long countedFrames = 0;
};

extern Run run;

// Heap allocations through operator new so far.
std::uint64_t Allocations();

// Reports on stderr and ends the runner with status 2.
[[noreturn]] void Fail(const std::string& message);

// Script driving: the menu's choices, then the game loop's observers.
void ApplyMenuChoices();
// After the game read its size from the menu: the size --size asked for.
void UseChosenSize();
bool MovePointer(int x, int y);
void MainLoopStarting();
void StartFrame();
void FrameDrawn();

// One line of JSON per drawn frame.
void WriteTrace();

// Timings and memory: the frame just finished, and the summary line of --bench.
void RecordFrameTime();
void SampleSettledMemory();
void WriteBench();

// The baselines replace the game's frames; they end the process.
[[noreturn]] void RunBaseline();

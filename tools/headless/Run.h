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
    Options Settings;
    Script Events;
    FILE* Trace = nullptr;
    FILE* FrameHashes = nullptr;
    CountingDevice* Device = nullptr;

    std::uint64_t ClockUs = 0;
    std::uint64_t FrameStepUs = 16667;
    long Frame = 0;
    bool InMainLoop = false;
    std::uint8_t Keys[256] = {};
    bool Pressed[256] = {};  // keys held for one frame only (no allocation per press)
    int PointerX = 0, PointerY = 0;

    int AnimMesh = 0;
    std::uint64_t ScenesAtStart = 0;

    Clock::time_point NewGame;
    Clock::time_point FrameStart;
    Clock::time_point LastFrame;
    double FirstFrameMs = 0;
    std::vector<double> FrameMs;
    double LoadMs = 0;
    std::uint64_t AllocationsAfterFirst = 0;
    // Processor time of every thread (the renderer's included) at the end of frame 1.
    double CpuMsAfterFirst = 0;
    // Memory and allocations once the run has settled (frame 1000), for soak runs.
    long PeakRssAt1000Kb = 0, RssAnonAt1000Kb = 0;
    std::uint64_t AllocationsAt1000 = 0;
    // What the frames' draws sent to the GL, summed over the presented frames.
    GlFrameCounts Drawn;
    long CountedFrames = 0;
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

// One line of JSON per drawn frame; `end` marks the state the game ended in.
void WriteTrace(bool end = false);

// Timings and memory: the frame just finished, and the summary line of --bench.
void RecordFrameTime();
void SampleSettledMemory();
void WriteBench();

// The baselines replace the game's frames; they end the process.
[[noreturn]] void RunBaseline();

// nightdrive-headless: runs the real program -- the menu's handlers, the game's
// start-up, the real frames on the OpenGL device -- on SDL's offscreen video
// driver, with input from a script and a simulated clock, and writes per-frame
// traces, screenshots and timings.
#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <new>
#include <sstream>
#include <string>

#include "game/Game.h"
#include "game/Recorder.h"
#include "game/state/GeneralVariables.h"
#include "menu/Menu.h"
#include "platform/Allocator.h"
#include "platform/Window.h"
#include "platform/host/Host.h"
#include "platform/sdl_gl/SdlWindowHooks.h"
#include "tools/headless/Pad.h"
#include "tools/headless/Replay.h"
#include "tools/headless/Run.h"

// Heap allocations through operator new, counted while the main loop runs.
namespace {
std::atomic<std::uint64_t> allocations{0};
}  // namespace

void* operator new(std::size_t size) {
    allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return operator new(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    allocations.fetch_add(1, std::memory_order_relaxed);
    return std::malloc(size == 0 ? 1 : size);
}
void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept { return operator new(size, tag); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }

Run run;

std::uint64_t Allocations() { return allocations.load(); }

// Ends the run at once, as the program's own ends do: windows, device and pad are
// left to the process's end, not torn down one by one.
void Fail(const std::string& message) {
    std::fprintf(stderr, "nightdrive-headless: %s\n", message.c_str());
    End(2);
}

int main(int argc, char** argv) {
    if (!ParseArgs(argc, argv, run.Settings)) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    if (!run.Settings.Input.empty()) {
        std::ifstream in(run.Settings.Input);
        if (!in) Fail("cannot read " + run.Settings.Input);
        std::stringstream text;
        text << in.rdbuf();
        std::string error;
        if (!ParseScript(text.str(), run.Events, error)) Fail(run.Settings.Input + ": " + error);
    }
    if (!run.Settings.Replay.empty()) {
        std::string error;
        bool parted = false;
        if (!LoadReplay(run.Settings.Replay, error, parted)) {
            std::fprintf(stderr, "nightdrive-headless: %s\n", error.c_str());
            return parted ? 1 : 2;
        }
        if (!StartReplayVideo(error)) Fail(error);
    }
    // ND_RECORD=FILE records the run as the game does, on the simulated clock.
    if (const char* target = std::getenv("ND_RECORD"); target && *target) {
        record::SetTarget(target);
        record::SetClock([] { return static_cast<double>(run.ClockUs) / 1000.0; });
    }
    if (!run.Settings.Trace.empty()) {
        run.Trace = std::fopen(run.Settings.Trace.c_str(), "w");
        if (!run.Trace) Fail("cannot write " + run.Settings.Trace);
    }
    if (!run.Settings.FrameHashes.empty()) {
        run.FrameHashes = std::fopen(run.Settings.FrameHashes.c_str(), "w");
        if (!run.FrameHashes) Fail("cannot write " + run.Settings.FrameHashes);
    }
    run.FrameStepUs = static_cast<std::uint64_t>(std::llround(1000000.0 / run.Settings.Fps));
    // The timings must not allocate while they measure allocations, nor grow the
    // resident memory a soak run watches: the record is filled once here, so its
    // pages are resident from the start, then emptied (the capacity stays).
    run.FrameMs.resize(static_cast<std::size_t>(std::max(run.Settings.Frames, 300L)) + 1);
    run.FrameMs.clear();

    host::UseOffscreenVideo();
    ConfigureAllocator();

    SetClockSource([] { return run.ClockUs; });
    SetTimerCatchUp(true);
    SetCursorPosHandler([](int x, int y) { return MovePointer(x, y); });
    PreparePad([](int dx, int dy) { MovePointer(run.PointerX + dx, run.PointerY + dy); });
    GameHooks().ResolutionRead = UseChosenSize;
    GameHooks().MainLoopStarting = MainLoopStarting;
    GameHooks().FrameStarting = StartFrame;
    GameHooks().FrameDrawn = FrameDrawn;

    // The instruments stand in front of the platform's root and D3DX objects; the
    // game creates these only where it finds none.
    GeneralVariables.DxRoot = MakeInstrumentedRoot();
    GeneralVariables.D3DXLib = MakeInstrumentedD3DX();

    MenuWindow& menu = Menu();
    if (!ShowForm(menu.form)) Fail("cannot open the menu window (no SDL offscreen video driver?)");
    DoEvents();
    ApplyMenuChoices();

    // "New Game": the press reads depth and detail, the release starts the game,
    // which ends the process from inside.
    run.NewGame = Clock::now();
    if (const auto menuPad = run.Events.find(0); menuPad != run.Events.end()) {
        std::string error;
        if (!RunMenuPadEvents(menuPad->second, error)) Fail(error);
        Fail("the pad did not start the game");
    }
    int x = 0, y = 0;
    ControlCentre(menu.lblStart, x, y);
    PostMouseButton(menu.form, vbLeftButton, true, x, y);
    DoEvents();
    PostMouseButton(menu.form, vbLeftButton, false, x, y);
    DoEvents();
    Fail("the game did not start");
}

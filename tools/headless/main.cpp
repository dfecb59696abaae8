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
#include "game/state/GeneralVariables.h"
#include "menu/Menu.h"
#include "platform/Allocator.h"
#include "platform/Window.h"
#include "platform/host/Host.h"
#include "platform/sdl_gl/SdlWindowHooks.h"
#include "tools/headless/Pad.h"
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
    if (!ParseArgs(argc, argv, run.options)) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    if (!run.options.input.empty()) {
        std::ifstream in(run.options.input);
        if (!in) Fail("cannot read " + run.options.input);
        std::stringstream text;
        text << in.rdbuf();
        std::string error;
        if (!ParseScript(text.str(), run.script, error)) Fail(run.options.input + ": " + error);
    }
    if (!run.options.trace.empty()) {
        run.trace = std::fopen(run.options.trace.c_str(), "w");
        if (!run.trace) Fail("cannot write " + run.options.trace);
    }
    if (!run.options.frameHashes.empty()) {
        run.frameHashes = std::fopen(run.options.frameHashes.c_str(), "w");
        if (!run.frameHashes) Fail("cannot write " + run.options.frameHashes);
    }
    run.frameStepUs = static_cast<std::uint64_t>(std::llround(1000000.0 / run.options.fps));
    // The timings must not allocate while they measure allocations, nor grow the
    // resident memory a soak run watches: the record is filled once here, so its
    // pages are resident from the start, then emptied (the capacity stays).
    run.frameMs.resize(static_cast<std::size_t>(std::max(run.options.frames, 300L)) + 1);
    run.frameMs.clear();

    host::UseOffscreenVideo();
    ConfigureAllocator();

    SetClockSource([] { return run.clockUs; });
    SetTimerCatchUp(true);
    SetCursorPosHandler([](int x, int y) { return MovePointer(x, y); });
    PreparePad([](int dx, int dy) { MovePointer(run.pointerX + dx, run.pointerY + dy); });
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
    run.newGame = Clock::now();
    if (const auto menuPad = run.script.find(0); menuPad != run.script.end()) {
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

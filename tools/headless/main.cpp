// nightdrive-headless: runs the real program -- the menu's handlers, the game's
// start-up, the real frames on the OpenGL device -- on SDL's offscreen video
// driver, with input from a script and a simulated clock, and writes per-frame
// traces, screenshots and timings.
#include <malloc.h>
#include <sys/resource.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <new>
#include <sstream>
#include <string>
#include <vector>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

#include "game/Allocator.h"
#include "game/Game.h"
#include "game/GeneralVariables.h"
#include "menu/Menu.h"
#include "platform/sdl_gl/GlReadBack.h"
#include "platform/sdl_gl/InputHook.h"
#include "platform/sdl_gl/SdlWindowHooks.h"
#include "scene/BuildAndRender.h"
#include "motion/Matrix.h"
#include "tools/headless/Baseline.h"
#include "tools/headless/Instruments.h"
#include "tools/headless/Png.h"
#include "tools/headless/Script.h"

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

namespace {

using Clock = std::chrono::steady_clock;

struct Options {
    const char* size = nullptr;
    const char* depth = nullptr;
    const char* detail = nullptr;
    bool night = false, noLight = false, noFog = false, wireframe = false, collision = false, noTextures = false;
    long frames = -1;
    double fps = 60;
    std::string input, trace;
    std::vector<std::pair<long, std::string>> shots;
    bool bench = false;
    std::string baseline;  // "", "clear", "merged" or "flat"
};

const char* const Usage =
    "usage: nightdrive-headless [--size 640x480|800x600|1024x768] [--depth 16|32]\n"
    "         [--detail low|medium|high] [--night] [--no-light] [--no-fog] [--wireframe]\n"
    "         [--collision] [--no-textures] [--frames N] [--fps F] [--input FILE]\n"
    "         [--trace FILE] [--shot N:FILE.png]... [--bench] [--baseline clear|merged|flat]\n";

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
            if (!oneOf(o.size, {"640x480", "800x600", "1024x768"})) return false;
        } else if (a == "--depth") {
            o.depth = value();
            if (!oneOf(o.depth, {"16", "32"})) return false;
        } else if (a == "--detail") {
            o.detail = value();
            if (!oneOf(o.detail, {"low", "medium", "high"})) return false;
        } else if (a == "--night") {
            o.night = true;
        } else if (a == "--no-light") {
            o.noLight = true;
        } else if (a == "--no-fog") {
            o.noFog = true;
        } else if (a == "--wireframe") {
            o.wireframe = true;
        } else if (a == "--collision") {
            o.collision = true;
        } else if (a == "--no-textures") {
            o.noTextures = true;
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
        } else {
            return false;
        }
    }
    return true;
}

struct Run {
    Options options;
    Script script;
    FILE* trace = nullptr;
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
};

Run run;

void Fail(const std::string& message) {
    std::fprintf(stderr, "nightdrive-headless: %s\n", message.c_str());
    std::exit(2);
}

// A click on a control of the menu, as the window system delivers it.
void ClickControl(Form& form, const Control& control) {
    int x = 0, y = 0;
    ControlCentre(control, x, y);
    PostMouseButton(form, vbLeftButton, true, x, y);
    DoEvents();
    PostMouseButton(form, vbLeftButton, false, x, y);
    DoEvents();
}

void ApplyMenuChoices(MenuWindow& menu) {
    const Options& o = run.options;
    if (o.size) {
        const std::string size = o.size;
        ClickControl(menu.form, size == "640x480" ? menu.lbl600 : size == "800x600" ? menu.lbl800 : menu.lbl1024);
    }
    if (o.depth) ClickControl(menu.form, std::string(o.depth) == "32" ? menu.lbl32bit : menu.lbl16bit);
    if (o.detail) {
        const std::string detail = o.detail;
        ClickControl(menu.form, detail == "low"      ? menu.lblDetailLow
                                : detail == "medium" ? menu.lblDetailMedium
                                                     : menu.lblDetailHigh);
    }
    if (o.night) ClickControl(menu.form, menu.Check1);
    if (o.noLight) ClickControl(menu.form, menu.Check2);
    if (o.noFog) ClickControl(menu.form, menu.Check3);
    if (o.wireframe) ClickControl(menu.form, menu.Check4);
    if (o.collision) ClickControl(menu.form, menu.Check5);
    if (o.noTextures) ClickControl(menu.form, menu.Check6);
}

// The simulated pointer: a move that changes it reaches the window as one event.
bool MovePointer(int x, int y) {
    if (x == run.pointerX && y == run.pointerY) return true;
    run.pointerX = x;
    run.pointerY = y;
    if (GameExists()) PostMouseMove(Game().form, x, y);
    return true;
}

void StartFrame() {
    ++run.frame;
    if (run.frame == 1) run.frameStart = Clock::now();
    for (int scan = 0; scan < 256; ++scan) {
        if (run.pressed[scan]) run.keys[scan] = 0;
        run.pressed[scan] = false;
    }
    GameWindow& game = Game();
    if (const auto it = run.script.find(run.frame); it != run.script.end()) {
        for (const ScriptEvent& e : it->second) {
            switch (e.kind) {
                case ScriptEvent::Kind::KeyDown:
                    run.keys[e.scanCode] = 0x80;
                    PostKeyDown(game.form, e.virtualKey);
                    break;
                case ScriptEvent::Kind::KeyUp:
                    run.keys[e.scanCode] = 0;
                    break;
                case ScriptEvent::Kind::Press:
                    run.keys[e.scanCode] = 0x80;
                    run.pressed[e.scanCode] = true;
                    PostKeyDown(game.form, e.virtualKey);
                    break;
                case ScriptEvent::Kind::MouseMove:
                    MovePointer(e.x, e.y);
                    break;
                case ScriptEvent::Kind::Click:
                    PostMouseButton(game.form, vbLeftButton, true, run.pointerX, run.pointerY);
                    break;
            }
        }
    }
    SetSimulatedKeyState(run.keys);
    run.animMesh = AnimationMeshFor(GeneralVariables.AnimFrame);
    run.scenesAtStart = run.device ? run.device->Scenes() : 0;
}

void WriteTrace() {
    if (!run.trace) return;
    const auto& g = GeneralVariables;
    DWORD fill = 0, lighting = 0;
    g.Device->GetRenderState(D3DRS_FILLMODE, &fill);
    g.Device->GetRenderState(D3DRS_LIGHTING, &lighting);
    std::string lights;
    for (DWORD i = 0; i < 64; ++i) {
        int on = 0;
        g.Device->GetLightEnable(i, &on);
        if (!on) continue;
        if (!lights.empty()) lights += ',';
        lights += std::to_string(i);
    }
    std::fprintf(run.trace,
                 "{\"frame\":%ld,\"PosX\":%.17g,\"PosY\":%.17g,\"PosZ\":%.17g,\"Yaw\":%.9g,\"Pitch\":%.9g,"
                 "\"Speed\":%.17g,\"CanMove\":%s,\"Car1Z\":%d,\"Car2Z\":%d,\"AnimFrame\":%d,\"AnimMesh\":%s,"
                 "\"FillMode\":%u,\"Lighting\":%s,\"LightsEnabled\":[%s],\"Scenes\":%" PRIu64
                 ",\"CursorShown\":%s}\n",
                 run.frame, g.PosX, g.PosY, g.PosZ, static_cast<double>(g.Yaw), static_cast<double>(g.Pitch), g.Speed,
                 g.CanMove ? "true" : "false", g.Car1Z, g.Car2Z, g.AnimFrame,
                 run.animMesh ? std::to_string(run.animMesh).c_str() : "null", fill, lighting ? "true" : "false",
                 lights.c_str(), run.device ? run.device->Scenes() - run.scenesAtStart : 0,
                 CursorCounter() >= 0 ? "true" : "false");
    std::fflush(run.trace);
}

// The process's own anonymous memory now (heap and private mappings), from
// /proc: peak RSS also counts the renderer's shared libraries.
long RssAnonKb() {
    FILE* status = std::fopen("/proc/self/status", "r");
    if (!status) return 0;
    char line[256];
    long kb = 0;
    while (std::fgets(line, sizeof line, status)) {
        if (std::sscanf(line, "RssAnon: %ld kB", &kb) == 1) break;
    }
    std::fclose(status);
    return kb;
}

double Percentile(std::vector<double> values, double p) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    const std::size_t i = std::min(values.size() - 1, static_cast<std::size_t>(std::ceil(p * values.size())) - 1);
    return values[i];
}

void WriteBench() {
    // Taken first: the summary below allocates.
    const std::uint64_t allocationsNow = allocations.load();
    std::vector<double> rates;
    const std::size_t window = run.frameMs.size() >= 60 ? 30 : std::max<std::size_t>(1, run.frameMs.size());
    for (std::size_t start = 0; start + window <= run.frameMs.size(); start += window) {
        double total = 0;
        for (std::size_t i = start; i < start + window; ++i) total += run.frameMs[i];
        if (total > 0) rates.push_back(1000.0 * static_cast<double>(window) / total);
    }
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const double framesAfterFirst = static_cast<double>(run.frame > 1 ? run.frame - 1 : 1);
    const StartupTimes& t = Times();
    const double p50 = Percentile(run.frameMs, 0.5);
    // The first frame uploads every mesh; what it takes beyond a usual frame.
    const double uploadMs = std::max(0.0, run.firstFrameMs - p50);
    const double otherMs =
        std::max(0.0, run.loadMs - t.parseMs - t.cleanupMs - t.textureMs - t.presentMs - run.firstFrameMs);
    std::printf(
        "{\"load_ms\":%.1f,\"frames\":%ld,\"fps\":%.1f,\"frame_ms_p50\":%.3f,\"frame_ms_p99\":%.3f,"
        "\"peak_rss_kb\":%ld,\"rss_anon_kb\":%ld,\"peak_rss_kb_at_1000\":%ld,\"rss_anon_kb_at_1000\":%ld,"
        "\"heap_allocs_after_1000\":%" PRIu64 ",\"heap_allocs_per_frame\":%.2f,\"load_split_ms\":{\"parse\":%.1f,\"cleanup\":%.1f,"
        "\"textures\":%.1f,\"presents\":%.1f,\"first_frame_uploads\":%.1f,\"other\":%.1f}}\n",
        run.loadMs, run.frame, Percentile(rates, 0.5), p50, Percentile(run.frameMs, 0.99), usage.ru_maxrss, RssAnonKb(),
        run.peakRssAt1000Kb, run.rssAnonAt1000Kb,
        run.frame >= 1000 ? allocationsNow - run.allocationsAt1000 : std::uint64_t{0},
        static_cast<double>(allocationsNow - run.allocationsAfterFirst) / framesAfterFirst, t.parseMs,
        t.cleanupMs, t.textureMs, t.presentMs, uploadMs, otherMs);
    std::fflush(stdout);
}

void FrameDrawn() {
    // Timings count the whole frame, also where the renderer defers its work.
    if (run.options.bench && run.device) FinishRendering(run.device->Inner());
    const auto now = Clock::now();
    if (run.frame == 1) {
        run.loadMs = std::chrono::duration<double, std::milli>(now - run.newGame).count();
        run.firstFrameMs = std::chrono::duration<double, std::milli>(now - run.frameStart).count();
        run.allocationsAfterFirst = allocations.load();
    } else {
        run.frameMs.push_back(std::chrono::duration<double, std::milli>(now - run.lastFrame).count());
    }
    run.lastFrame = now;
    if (run.frame == 1000) {
        rusage usage{};
        getrusage(RUSAGE_SELF, &usage);
        run.peakRssAt1000Kb = usage.ru_maxrss;
        run.rssAnonAt1000Kb = RssAnonKb();
        run.allocationsAt1000 = allocations.load();
    }
    WriteTrace();
    if (run.options.frames > 0 && run.frame >= run.options.frames) {
        if (run.options.bench) WriteBench();
        if (run.trace) std::fclose(run.trace);
        run.trace = nullptr;
#if defined(__SANITIZE_ADDRESS__)
        // The click ends the process at once, past the exit-time leak check: with
        // ND_LEAK_CHECK set, the whole session is checked for leaks here instead.
        if (std::getenv("ND_LEAK_CHECK")) __lsan_do_leak_check();
#endif
        // Ends as a click in the game window does, at the main loop's yield.
        PostMouseButton(Game().form, vbLeftButton, true, run.pointerX, run.pointerY);
    }
}

void Presented() {
    run.clockUs += run.frameStepUs;
    for (const auto& [frame, path] : run.options.shots) {
        if (frame != run.frame) continue;
        std::vector<std::uint8_t> rgba;
        int w = 0, h = 0;
        const bool read = ReadBackBuffer(run.device->Inner(), rgba, w, h);
        // The screen shows no alpha: the picture as presented is opaque.
        for (std::size_t i = 3; i < rgba.size(); i += 4) rgba[i] = 255;
        if (!read || !WritePng(path, rgba, w, h)) {
            std::fprintf(stderr, "nightdrive-headless: cannot write the screenshot %s\n", path.c_str());
        }
    }
}

// The baselines replace the game's frames from here on: (a) clear and present
// only; (b) the same world as one merged draw with the frame's state; (c) that
// draw with no light, fog or texture.
[[noreturn]] void RunBaseline() {
    auto& g = GeneralVariables;
    std::unique_ptr<D3DXMesh> merged;
    const bool dressed = run.options.baseline == "merged";  // with the frame's light, fog and texture
    if (dressed || run.options.baseline == "flat") {
        merged = MergeWorld();
        if (!merged) Fail("cannot merge the world for the baseline");
        if (dressed) {
            SetupFrameLights();
        } else {
            // The cheapest drawing that still writes depth and colour.
            g.Device->SetRenderState(D3DRS_LIGHTING, 0);
            g.Device->SetRenderState(D3DRS_FOGENABLE, 0);
            g.Device->SetTexture(0, nullptr);
        }
        SetSimulatedKeyState(run.keys);
        UpdateCamera();
        if (g.FillWireframesOn) g.Device->SetRenderState(D3DRS_FILLMODE, D3DFILL_WIREFRAME);
    }
    const long frames = run.options.frames > 0 ? run.options.frames : 300;
    while (run.frame < frames) {
        ++run.frame;
        if (run.frame == 1) run.frameStart = Clock::now();
        g.Device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, g.ClearColor, 1.0f, 0);
        if (merged) {
            g.Device->BeginScene();
            if (g.FogOn && dressed) SetupFog();
            if (g.TexturesOn && dressed) g.Device->SetTexture(0, g.TexSet04.empty() ? nullptr : g.TexSet04[0].get());
            merged->DrawSubset(0);
            g.Device->EndScene();
        }
        g.Device->Present(nullptr, nullptr, nullptr, nullptr);
        if (run.device) FinishRendering(run.device->Inner());
        const auto now = Clock::now();
        if (run.frame == 1) {
            run.loadMs = std::chrono::duration<double, std::milli>(now - run.newGame).count();
            run.firstFrameMs = std::chrono::duration<double, std::milli>(now - run.frameStart).count();
            run.allocationsAfterFirst = allocations.load();
        } else {
            run.frameMs.push_back(std::chrono::duration<double, std::milli>(now - run.lastFrame).count());
        }
        run.lastFrame = now;
        DoEvents();
    }
    if (run.options.bench) WriteBench();
    End(0);
}

void MainLoopStarting() {
    if (CountedDevice()) {
        CountedDevice()->SetLoading(false);
        SetPresentHook(CountedDevice()->Inner(), [] { Presented(); });
    }
    run.device = CountedDevice();
    run.clockUs = 0;
    run.inMainLoop = true;
    if (!run.options.baseline.empty()) RunBaseline();
}

}  // namespace

int main(int argc, char** argv) {
    if (!ParseArgs(argc, argv, run.options)) {
        std::fputs(Usage, stderr);
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
    run.frameStepUs = static_cast<std::uint64_t>(std::llround(1000000.0 / run.options.fps));
    // The timings must not allocate while they measure allocations, nor grow the
    // resident memory a soak run watches: the record is filled once here, so its
    // pages are resident from the start, then emptied (the capacity stays).
    run.frameMs.resize(static_cast<std::size_t>(std::max(run.options.frames, 300L)) + 1);
    run.frameMs.clear();

    setenv("SDL_VIDEODRIVER", "offscreen", 1);
    ConfigureAllocator();

    SetClockSource([] { return run.clockUs; });
    SetTimerCatchUp(true);
    SetCursorPosHandler([](int x, int y) { return MovePointer(x, y); });
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
    ApplyMenuChoices(menu);

    // "New Game": the press reads depth and detail, the release starts the game,
    // which ends the process from inside.
    int x = 0, y = 0;
    ControlCentre(menu.lblStart, x, y);
    run.newGame = Clock::now();
    PostMouseButton(menu.form, vbLeftButton, true, x, y);
    DoEvents();
    PostMouseButton(menu.form, vbLeftButton, false, x, y);
    DoEvents();
    Fail("the game did not start");
}

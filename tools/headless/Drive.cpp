// Script driving: the menu's choices as clicks, the script's events at the start
// of each frame, the simulated pointer and clock, screenshots and the end of the run.
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

#include "game/Game.h"
#include "game/state/GeneralVariables.h"
#include "menu/Menu.h"
#include "platform/sdl_gl/GlReadBack.h"
#include "platform/sdl_gl/InputKeyboard.h"
#include "platform/sdl_gl/SdlWindowHooks.h"
#include "scene/BuildAndRender.h"
#include "tools/headless/Pad.h"
#include "tools/headless/Run.h"
#include "tools/png/Png.h"

namespace {

// A click on a control of the menu, as the window system delivers it.
void ClickControl(Form& form, const Control& control) {
    int x = 0, y = 0;
    ControlCentre(control, x, y);
    PostMouseButton(form, vbLeftButton, true, x, y);
    DoEvents();
    PostMouseButton(form, vbLeftButton, false, x, y);
    DoEvents();
}

// FNV-1a over every byte of the frame.
std::uint64_t HashPixels(const std::vector<std::uint8_t>& rgba) {
    std::uint64_t hash = 14695981039346656037ull;
    for (const std::uint8_t byte : rgba) hash = (hash ^ byte) * 1099511628211ull;
    return hash;
}

void CountDraws() {
    GlFrameCounts counts;
    if (!ReadFrameCounts(run.device->Inner(), counts)) return;
    GlFrameCounts& sum = run.drawn;
    sum.Clusters += counts.Clusters;
    sum.Triangles += counts.Triangles;
    sum.Vertices += counts.Vertices;
    sum.ClustersAsked += counts.ClustersAsked;
    sum.TrianglesAsked += counts.TrianglesAsked;
    sum.VerticesAsked += counts.VerticesAsked;
    sum.Draws += counts.Draws;
    ++run.countedFrames;
}

void Presented() {
    run.clockUs += run.frameStepUs;
    CountDraws();
    if (run.frameHashes) {
        std::vector<std::uint8_t> rgba;
        int w = 0, h = 0;
        if (!ReadBackBuffer(run.device->Inner(), rgba, w, h)) Fail("cannot read the frame back");
        std::fprintf(run.frameHashes, "%ld %dx%d %016" PRIx64 "\n", run.frame, w, h, HashPixels(rgba));
    }
    for (const auto& [frame, path] : run.options.shots) {
        if (frame != run.frame) continue;
        std::vector<std::uint8_t> rgba;
        int w = 0, h = 0;
        const bool read = ReadBackBuffer(run.device->Inner(), rgba, w, h);
        // The screen shows no alpha: the picture as presented is opaque.
        for (std::size_t i = 3; i < rgba.size(); i += 4) rgba[i] = 255;
        if (!read || !png::WriteRgba(path, rgba, w, h)) {
            std::fprintf(stderr, "nightdrive-headless: cannot write the screenshot %s\n", path.c_str());
        }
    }
}

}  // namespace

void ApplyMenuChoices() {
    MenuWindow& menu = Menu();
    const Options& o = run.options;
    // A size the menu does not offer is the 4:3 projection of "1024 - 768" at that
    // size, or with --fill the screen of that size; the game's start-up takes it
    // from the runner (UseChosenSize).
    if (o.fill) {
        ClickControl(menu.form, menu.lblFill);
    } else if (o.size) {
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

void UseChosenSize() {
    const Options& o = run.options;
    if (!o.size) return;
    GeneralVariables.ScreenWidth = static_cast<std::int16_t>(o.width);
    GeneralVariables.ScreenHeight = static_cast<std::int16_t>(o.height);
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
                default: {
                    std::string error;
                    if (!ApplyPadEvent(e, error)) Fail(error);
                }
            }
        }
    }
    SetSimulatedKeyState(run.keys);
    run.animMesh = AnimationMeshFor(GeneralVariables.AnimFrame);
    run.scenesAtStart = run.device ? run.device->Scenes() : 0;
}

void FrameDrawn() {
    // Timings count the whole frame, also where the renderer defers its work.
    if (run.options.bench && run.device) FinishRendering(run.device->Inner());
    RecordFrameTime();
    if (run.frame == 1000) SampleSettledMemory();
    WriteTrace();
    if (run.options.frames > 0 && run.frame >= run.options.frames) {
        if (run.options.bench) WriteBench();
        if (run.trace) std::fclose(run.trace);
        run.trace = nullptr;
        if (run.frameHashes) std::fclose(run.frameHashes);
        run.frameHashes = nullptr;
#if defined(__SANITIZE_ADDRESS__)
        // The click ends the process at once, past the exit-time leak check: with
        // ND_LEAK_CHECK set, the whole session is checked for leaks here instead.
        if (std::getenv("ND_LEAK_CHECK")) __lsan_do_leak_check();
#endif
        // Ends as a click in the game window does, at the main loop's yield.
        PostMouseButton(Game().form, vbLeftButton, true, run.pointerX, run.pointerY);
    }
}

void MainLoopStarting() {
    if (CountedDevice()) {
        CountedDevice()->SetLoading(false);
        SetPresentHook(CountedDevice()->Inner(), [] { Presented(); });
    }
    run.device = CountedDevice();
    if (run.device && run.options.noCull) SetClusterCulling(run.device->Inner(), false);
    run.clockUs = 0;
    run.inMainLoop = true;
    if (!run.options.baseline.empty()) RunBaseline();
}

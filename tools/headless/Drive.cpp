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
#include "tools/headless/Replay.h"
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
    if (!ReadFrameCounts(run.Device->Inner(), counts)) return;
    GlFrameCounts& sum = run.Drawn;
    sum.Clusters += counts.Clusters;
    sum.Triangles += counts.Triangles;
    sum.Vertices += counts.Vertices;
    sum.ClustersAsked += counts.ClustersAsked;
    sum.TrianglesAsked += counts.TrianglesAsked;
    sum.VerticesAsked += counts.VerticesAsked;
    sum.Draws += counts.Draws;
    ++run.CountedFrames;
}

void Presented() {
    // A recording sets the clock itself, by its timer ticks.
    if (run.Settings.Replay.empty()) run.ClockUs += run.FrameStepUs;
    CountDraws();
    if (run.FrameHashes) {
        std::vector<std::uint8_t> rgba;
        int w = 0, h = 0;
        if (!ReadBackBuffer(run.Device->Inner(), rgba, w, h)) Fail("cannot read the frame back");
        std::fprintf(run.FrameHashes, "%ld %dx%d %016" PRIx64 "\n", run.Frame, w, h, HashPixels(rgba));
    }
    for (const auto& [frame, path] : run.Settings.Shots) {
        if (frame != run.Frame) continue;
        std::vector<std::uint8_t> rgba;
        int w = 0, h = 0;
        const bool read = ReadBackBuffer(run.Device->Inner(), rgba, w, h);
        // The screen shows no alpha: the picture as presented is opaque.
        for (std::size_t i = 3; i < rgba.size(); i += 4) rgba[i] = 255;
        if (!read || !png::WriteRgba(path, rgba, w, h)) {
            std::fprintf(stderr, "nightdrive-headless: cannot write the screenshot %s\n", path.c_str());
        }
    }
    if (!run.Settings.Replay.empty()) ReplayPresented();
}

}  // namespace

void ApplyMenuChoices() {
    if (!run.Settings.Replay.empty()) {
        ApplyRecordedMenu();
        return;
    }
    MenuWindow& menu = Menu();
    const Options& o = run.Settings;
    // A size the menu does not offer is the 4:3 projection of "1024 - 768" at that
    // size, or with --fill the screen of that size; the game's start-up takes it
    // from the runner (UseChosenSize).
    if (o.Fill) {
        ClickControl(menu.form, menu.lblFill);
    } else if (o.Size) {
        const std::string size = o.Size;
        ClickControl(menu.form, size == "640x480" ? menu.lbl600 : size == "800x600" ? menu.lbl800 : menu.lbl1024);
    }
    if (o.Depth) ClickControl(menu.form, std::string(o.Depth) == "32" ? menu.lbl32bit : menu.lbl16bit);
    if (o.Detail) {
        const std::string detail = o.Detail;
        ClickControl(menu.form, detail == "low"      ? menu.lblDetailLow
                                : detail == "medium" ? menu.lblDetailMedium
                                                     : menu.lblDetailHigh);
    }
    if (o.Night) ClickControl(menu.form, menu.Check1);
    if (o.NoLight) ClickControl(menu.form, menu.Check2);
    if (o.NoFog) ClickControl(menu.form, menu.Check3);
    if (o.Wireframe) ClickControl(menu.form, menu.Check4);
    if (o.Collision) ClickControl(menu.form, menu.Check5);
    if (o.NoTextures) ClickControl(menu.form, menu.Check6);
}

void UseChosenSize() {
    if (!run.Settings.Replay.empty()) {
        UseRecordedSize();
        return;
    }
    const Options& o = run.Settings;
    if (!o.Size) return;
    GeneralVariables.ScreenWidth = static_cast<std::int16_t>(o.Width);
    GeneralVariables.ScreenHeight = static_cast<std::int16_t>(o.Height);
}

// The simulated pointer: a move that changes it reaches the window as one event.
bool MovePointer(int x, int y) {
    // A recording holds every move that reached the game, the game's own
    // re-centring among them: replayed, the game's moves add none.
    if (!run.Settings.Replay.empty()) return true;
    if (x == run.PointerX && y == run.PointerY) return true;
    run.PointerX = x;
    run.PointerY = y;
    if (GameExists()) PostMouseMove(Game().form, x, y);
    return true;
}

void StartFrame() {
    ++run.Frame;
    if (run.Frame == 1) run.FrameStart = Clock::now();
    for (int scan = 0; scan < 256; ++scan) {
        if (run.Pressed[scan]) run.Keys[scan] = 0;
        run.Pressed[scan] = false;
    }
    GameWindow& game = Game();
    if (!run.Settings.Replay.empty()) ReplayFrameStarting();
    if (const auto it = run.Events.find(run.Frame); it != run.Events.end()) {
        for (const ScriptEvent& e : it->second) {
            switch (e.Kind) {
                case ScriptEventKind::KeyDown:
                    run.Keys[e.ScanCode] = 0x80;
                    PostKeyDown(game.form, e.VirtualKey);
                    break;
                case ScriptEventKind::KeyUp:
                    run.Keys[e.ScanCode] = 0;
                    break;
                case ScriptEventKind::Press:
                    run.Keys[e.ScanCode] = 0x80;
                    run.Pressed[e.ScanCode] = true;
                    PostKeyDown(game.form, e.VirtualKey);
                    break;
                case ScriptEventKind::MouseMove:
                    MovePointer(e.X, e.Y);
                    break;
                case ScriptEventKind::Click:
                    PostMouseButton(game.form, vbLeftButton, true, run.PointerX, run.PointerY);
                    break;
                default: {
                    std::string error;
                    if (!ApplyPadEvent(e, error)) Fail(error);
                }
            }
        }
    }
    if (run.Settings.Replay.empty()) SetSimulatedKeyState(run.Keys);
    run.AnimMesh = AnimationMeshFor(GeneralVariables.AnimFrame);
    run.ScenesAtStart = run.Device ? run.Device->Scenes() : 0;
}

void FrameDrawn() {
    // Timings count the whole frame, also where the renderer defers its work.
    if (run.Settings.Bench && run.Device) FinishRendering(run.Device->Inner());
    RecordFrameTime();
    if (run.Frame == 1000) SampleSettledMemory();
    WriteTrace();
    if (!run.Settings.Replay.empty()) ReplayFrameDrawn();
    if (run.Settings.Frames > 0 && run.Frame >= run.Settings.Frames) {
        if (run.Settings.Bench) WriteBench();
        if (run.Trace) std::fclose(run.Trace);
        run.Trace = nullptr;
        if (run.FrameHashes) std::fclose(run.FrameHashes);
        run.FrameHashes = nullptr;
#if defined(__SANITIZE_ADDRESS__)
        // The click ends the process at once, past the exit-time leak check: with
        // ND_LEAK_CHECK set, the whole session is checked for leaks here instead.
        if (std::getenv("ND_LEAK_CHECK")) __lsan_do_leak_check();
#endif
        // Ends as a click in the game window does, at the main loop's yield.
        PostMouseButton(Game().form, vbLeftButton, true, run.PointerX, run.PointerY);
    }
}

void MainLoopStarting() {
    if (CountedDevice()) {
        CountedDevice()->SetLoading(false);
        SetPresentHook(CountedDevice()->Inner(), [] { Presented(); });
    }
    run.Device = CountedDevice();
    if (run.Device && run.Settings.NoCull) SetClusterCulling(run.Device->Inner(), false);
    run.ClockUs = 0;
    run.InMainLoop = true;
    if (!run.Settings.Baseline.empty()) RunBaseline();
    if (!run.Settings.Replay.empty()) ReplayMainLoopStarting();
}

#include "tools/headless/Replay.h"

#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <utility>
#include <vector>

#include "game/Game.h"
#include "game/record/Recording.h"
#include "game/state/GeneralVariables.h"
#include "menu/Menu.h"
#include "platform/sdl_gl/GlReadBack.h"
#include "platform/sdl_gl/InputKeyboard.h"
#include "platform/sdl_gl/SdlWindowHooks.h"
#include "tools/headless/Run.h"
#include "tools/headless/Video.h"

namespace {

record::Recording recording;
std::string recordingPath;
int renderWidth = 0, renderHeight = 0;
std::size_t nextEvent = 0, nextKeys = 0, nextCheck = 0;
long lastCheckAgreed = 0;
long checksAgreed = 0;
long ticksRun = 0;
record::KeyState keys{};
std::vector<std::uint8_t> picture;

record::MotionState CurrentMotion() {
    const auto& g = GeneralVariables;
    return {g.PosX, g.PosY, g.PosZ, g.Yaw, g.Pitch, g.Speed, g.CanMove, g.Car1Z, g.Car2Z, g.AnimFrame};
}

void FinishVideo() {
    if (!video::Started()) return;
    video::ShowProgress(recording.EndFrame, recording.EndFrame);
    video::EndProgress();
    std::string error;
    if (!video::Finish(error)) {
        std::fprintf(stderr, "nightdrive-headless: %s: %s\n", run.Settings.Video.c_str(), error.c_str());
        End(1);
    }
    std::printf("video: %s, %ld frames of %dx%d at %g fps\n", run.Settings.Video.c_str(), video::FramesWritten(),
                run.Settings.VideoWidth, run.Settings.VideoHeight, run.Settings.Fps);
}

[[noreturn]] void Parted(long frame, const std::string& what) {
    video::EndProgress();
    std::fprintf(stderr, "nightdrive-headless: %s: the replay parted from the recording at frame %ld: %s",
                 recordingPath.c_str(), frame, what.c_str());
    if (lastCheckAgreed > 0) std::fprintf(stderr, " (the check of frame %ld still agreed)", lastCheckAgreed);
    std::fputs("\n", stderr);
    if (run.Trace) std::fclose(run.Trace);
    run.Trace = nullptr;
    std::string ignored;
    (void)video::Finish(ignored);
    End(1);
}

// The drive ends where it ended when it was recorded, in the same state.
void Ending() {
    if (run.Frame != recording.EndFrame) {
        Parted(run.Frame, "the game ended here, the recording at frame " + std::to_string(recording.EndFrame));
    }
    const std::string differences = record::Differences(recording.EndState, CurrentMotion());
    if (!differences.empty()) Parted(run.Frame, "the end state differs: " + differences);
    WriteTrace(true);
    if (run.Trace) std::fclose(run.Trace);
    run.Trace = nullptr;
    FinishVideo();
    std::printf("replay: %ld frames, %ld checks and the end state agree with %s\n", run.Frame, checksAgreed,
                recordingPath.c_str());
}

// Posts the events of this yield; its timer ticks run as the simulated clock
// reaches them, after the events, as at the yield that took them.
void PlayYield(int yield) {
    GameWindow& game = Game();
    long ticks = 0;
    for (; nextEvent < recording.Events.size(); ++nextEvent) {
        const record::Event& e = recording.Events[nextEvent];
        if (e.Frame != run.Frame || e.Yield != yield) break;
        const int x = static_cast<int>(std::lround(e.X)), y = static_cast<int>(std::lround(e.Y));
        bool posted = true;
        switch (e.Kind) {
            case record::EventKind::KeyDown:
                posted = PostKeyDown(game.form, e.Code, e.Shift);
                break;
            case record::EventKind::MouseMove:
                posted = PostMouseMove(game.form, x, y, e.Code);
                break;
            case record::EventKind::Click:
                posted = PostMouseButton(game.form, e.Code, true, x, y, e.Shift);
                break;
            case record::EventKind::Close:
                posted = PostCloseRequest(game.form);
                break;
            case record::EventKind::Tick:
                ++ticks;
                break;
        }
        if (!posted) Fail(recordingPath + ": cannot replay an event of frame " + std::to_string(e.Frame));
    }
    const std::uint64_t interval = static_cast<std::uint64_t>(game.form.TimerInterval) * 1000;
    ticksRun += ticks;
    run.ClockUs = interval * static_cast<std::uint64_t>(ticksRun + (ticks > 0 ? 0 : 1)) - (ticks > 0 ? 0 : 1);
}

// The files of the recorded world that are missing or differ here (files the
// recording does not list are no part of the world it saw).
std::string WorldDifference(const std::vector<record::WorldFile>& recorded,
                            const std::vector<record::WorldFile>& here) {
    std::string out;
    const auto add = [&](const std::string& text) { out += (out.empty() ? "" : ", ") + text; };
    for (const record::WorldFile& file : recorded) {
        bool found = false;
        for (const record::WorldFile& mine : here) {
            if (mine.Path != file.Path) continue;
            found = true;
            if (mine.Digest != file.Digest) add(file.Path + " differs");
        }
        if (!found) add(file.Path + " is missing");
    }
    return out;
}

}  // namespace

bool LoadReplay(const std::string& path, std::string& error, bool& parted) {
    parted = false;
    recordingPath = path;
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = path + ": cannot read it";
        return false;
    }
    std::stringstream text;
    text << in.rdbuf();
    if (!record::Parse(text.str(), recording, error)) {
        error = path + ": " + error;
        return false;
    }
    // The motion does not depend on the world, so a changed world would replay
    // the same drive through other scenery: it is caught here, before frame 1.
    if (!recording.World.empty()) {
        const std::string difference = WorldDifference(recording.World, record::DigestWorld(AppPath() + "/data"));
        if (!difference.empty()) {
            error = path + ": the replay parted from the recording at frame 0: the world differs (" + difference + ")";
            parted = true;
            return false;
        }
    }
    Options& o = run.Settings;
    const int w = recording.Menu.Width, h = recording.Menu.Height;
    if (o.VideoWidth == 0) {
        o.VideoWidth = w + w % 2;
        o.VideoHeight = h + h % 2;
    }
    // The picture keeps the shape it had: as large as the video allows, even.
    if (static_cast<long>(o.VideoWidth) * h <= static_cast<long>(o.VideoHeight) * w) {
        renderWidth = o.VideoWidth;
        renderHeight = static_cast<int>(static_cast<long>(o.VideoWidth) * h / w) & ~1;
    } else {
        renderHeight = o.VideoHeight;
        renderWidth = static_cast<int>(static_cast<long>(o.VideoHeight) * w / h) & ~1;
    }
    if (o.Video.empty()) {
        renderWidth = w;
        renderHeight = h;
    }
    return true;
}

bool StartReplayVideo(std::string& error) {
    if (run.Settings.Video.empty()) return true;
    if (!video::Start(run.Settings.Video, run.Settings.VideoWidth, run.Settings.VideoHeight, run.Settings.Fps, error)) {
        return false;
    }
    return true;
}

void ApplyRecordedMenu() {
    MenuWindow& menu = Menu();
    const record::MenuChoices& m = recording.Menu;
    auto& g = GeneralVariables;
    // The size: "Fill Screen" on a screen of the size drawn (UseRecordedSize), the
    // menu's label where it has one; otherwise (a video of another size) none is
    // marked, and the game keeps the size set here.
    const bool menuSize = renderWidth == m.Width && renderHeight == m.Height;
    if (m.FillScreen) {
        menu.lblFill_Click();
    } else if (menuSize && m.Width == 640 && m.Height == 480) {
        menu.lbl600_Click();
    } else if (menuSize && m.Width == 800 && m.Height == 600) {
        menu.lbl800_Click();
    } else if (menuSize && m.Width == 1024 && m.Height == 768) {
        menu.lbl1024_Click();
    } else {
        menu.lbl600.BackColor = menu.lbl800.BackColor = menu.lbl1024.BackColor = 0;
        g.ScreenWidth = static_cast<std::int16_t>(renderWidth);
        g.ScreenHeight = static_cast<std::int16_t>(renderHeight);
    }
    if (m.Use32Bit) {
        menu.lbl32bit_Click();
    } else {
        menu.lbl16bit_Click();
    }
    if (m.DetailLevel == 3) {
        menu.lblDetailHigh_Click();
    } else if (m.DetailLevel == 2) {
        menu.lblDetailMedium_Click();
    } else {
        menu.lblDetailLow_Click();
    }
    g.NightDriveOn = m.NightDriveOn;
    g.LightOn = m.LightOn;
    g.FogOn = m.FogOn;
    g.FillWireframesOn = m.FillWireframesOn;
    g.CollisionOn = m.CollisionOn;
    g.TexturesOn = m.TexturesOn;
}

void UseRecordedSize() {
    GeneralVariables.ScreenWidth = static_cast<std::int16_t>(renderWidth);
    GeneralVariables.ScreenHeight = static_cast<std::int16_t>(renderHeight);
}

void ReplayMainLoopStarting() {
    Form& form = Game().form;
    form.MouseDown = [next = std::move(form.MouseDown)](int button, int shift, float x, float y) {
        Ending();
        if (next) next(button, shift, x, y);
    };
    form.Unload = [next = std::move(form.Unload)] {
        Ending();
        if (next) next();
    };
    PlayYield(record::kCameraYield);  // the clock for the first yield
}

void ReplayFrameStarting() {
    if (run.Frame > recording.EndFrame) {
        Parted(run.Frame,
               "the recording ended at frame " + std::to_string(recording.EndFrame) + " and the game did not");
    }
    if (nextKeys < recording.KeyReads.size() && recording.KeyReads[nextKeys].Frame == run.Frame) {
        keys = recording.KeyReads[nextKeys++].Keys;
    }
    SetSimulatedKeyState(keys.data());
    PlayYield(record::kCameraYield);
}

void ReplayFrameDrawn() {
    if (nextCheck < recording.Checks.size() && recording.Checks[nextCheck].Frame == run.Frame) {
        const std::string differences = record::Differences(recording.Checks[nextCheck].State, CurrentMotion());
        if (!differences.empty()) Parted(run.Frame, differences);
        lastCheckAgreed = run.Frame;
        ++checksAgreed;
        ++nextCheck;
    }
    PlayYield(record::kLoopYield);
    video::ShowProgress(run.Frame, recording.EndFrame);
}

void ReplayPresented() {
    if (!video::Started()) return;
    // Video frame k shows what was on screen k / fps seconds after the first
    // frame, by the times of the recording.
    const auto& times = recording.FrameTimesMs;
    const std::size_t f = static_cast<std::size_t>(run.Frame);
    if (f == 0 || f > times.size()) return;
    const double fps = run.Settings.Fps;
    const double perMs = fps / 1000.0;
    long target = 0;
    if (f < times.size()) {
        target = static_cast<long>(std::ceil((times[f] - times[0]) * perMs - 1e-6));
    } else {
        target = static_cast<long>(std::floor((times[f - 1] - times[0]) * perMs + 1e-6)) + 1;
    }
    const long count = target - video::FramesWritten();
    if (count <= 0) return;
    int w = 0, h = 0;
    std::string error;
    if (!ReadBackBuffer(run.Device->Inner(), picture, w, h) || !video::AddFrame(picture, w, h, count, error)) {
        video::EndProgress();
        Fail(run.Settings.Video + ": " + (error.empty() ? "cannot read the frame" : error));
    }
}

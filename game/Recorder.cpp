#include "game/Recorder.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <memory>
#include <utility>

#include "game/Game.h"
#include "game/record/Recording.h"
#include "game/state/GeneralVariables.h"
#include "platform/Window.h"

namespace record {

namespace {

std::string target;
std::string path;
std::function<double()> clock;
FILE* out = nullptr;
long frame = 0;
int yield = kCameraYield;
double startMs = 0;
KeyState lastKeys{};
bool keysWritten = false;

double Now() {
    if (clock) return clock();
    using namespace std::chrono;
    return duration<double, std::milli>(steady_clock::now().time_since_epoch()).count();
}

void Write(const std::string& text) {
    if (out) std::fputs(text.c_str(), out);
}

MotionState CurrentMotion() {
    const auto& g = GeneralVariables;
    return {g.PosX, g.PosY, g.PosZ, g.Yaw, g.Pitch, g.Speed, g.CanMove, g.Car1Z, g.Car2Z, g.AnimFrame};
}

void WriteEvent(EventKind kind, int code = 0, int shift = 0, float x = 0, float y = 0) {
    Event e;
    e.Frame = frame;
    e.Yield = yield;
    e.Kind = kind;
    e.Code = code;
    e.Shift = shift;
    e.X = x;
    e.Y = y;
    Write(EventLine(e));
}

// The drive ends: the state as the ending event found it, then the file is
// complete (the handler that runs next ends the process at once).
void Finish() {
    if (!out) return;
    Write(EndLine(frame, CurrentMotion()));
    std::fclose(out);
    out = nullptr;
}

// The keyboard the game reads, written down where its state changed.
class RecordingKeyboard final : public DirectInputDevice8 {
public:
    explicit RecordingKeyboard(std::unique_ptr<DirectInputDevice8> inner) : inner_(std::move(inner)) {}
    HRESULT SetCommonDataFormat(DWORD format) override { return inner_->SetCommonDataFormat(format); }
    HRESULT SetCooperativeLevel(void* window, DWORD flags) override {
        return inner_->SetCooperativeLevel(window, flags);
    }
    HRESULT Acquire() override { return inner_->Acquire(); }
    HRESULT GetDeviceState(DWORD size, void* data) override {
        const HRESULT result = inner_->GetDeviceState(size, data);
        if (result != D3D_OK || size != 256 || frame < 1) return result;
        KeyState keys;
        std::memcpy(keys.data(), data, 256);
        if (!keysWritten || keys != lastKeys) Write(KeysLine(frame, keys));
        lastKeys = keys;
        keysWritten = true;
        return result;
    }

private:
    std::unique_ptr<DirectInputDevice8> inner_;
};

std::string NewFileIn(const std::string& folder) {
    const std::time_t now = std::time(nullptr);
    char name[64] = "drive.ndrec";
    // One thread reads the time; the standard call serves every platform.
    if (const std::tm* local = std::localtime(&now)) {
        std::strftime(name, sizeof name, "drive-%Y%m%d-%H%M%S.ndrec", local);
    }
    return (std::filesystem::path(folder) / name).string();
}

}  // namespace

void SetTarget(std::string p) { target = std::move(p); }
const std::string& Target() { return target; }
void SetClock(std::function<double()> nowMs) { clock = std::move(nowMs); }
const std::string& RecordingPath() { return path; }

bool StartIfAsked() {
    // ND_RECORD, for scripts, is read here, as the game starts.
    if (const char* env = std::getenv("ND_RECORD"); target.empty() && env && *env) target = env;
    if (target.empty() || out) return false;
    std::error_code ec;
    path = std::filesystem::is_directory(target, ec) ? NewFileIn(target) : target;
    out = std::fopen(path.c_str(), "w");
    if (!out) {
        std::fprintf(stderr, "nightdrive: cannot record to %s: %s\n", path.c_str(), std::strerror(errno));
        path.clear();
        return false;
    }
    std::fprintf(stderr, "nightdrive: recording the drive to %s\n", path.c_str());

    auto& g = GeneralVariables;
    MenuChoices menu;
    menu.Width = g.ScreenWidth.value_or(0);
    menu.Height = g.ScreenHeight;
    menu.FillScreen = g.FillScreen;
    menu.Use32Bit = g.Use32Bit;
    menu.DetailLevel = g.DetailLevel;
    menu.NightDriveOn = g.NightDriveOn;
    menu.LightOn = g.LightOn;
    menu.FogOn = g.FogOn;
    menu.FillWireframesOn = g.FillWireframesOn;
    menu.CollisionOn = g.CollisionOn;
    menu.TexturesOn = g.TexturesOn;
    Write(HeaderLines("nightdrive", menu, DigestWorld(AppPath() + "/data")));
    std::fflush(out);

    frame = 0;
    keysWritten = false;
    startMs = Now();
    if (g.Keyboard) g.Keyboard = std::make_unique<RecordingKeyboard>(std::move(g.Keyboard));

    GameLoopHooks& hooks = GameHooks();
    hooks.FrameStarting = [next = std::move(hooks.FrameStarting)] {
        ++frame;
        yield = kCameraYield;
        if (next) next();
    };
    hooks.FrameDrawn = [next = std::move(hooks.FrameDrawn)] {
        Write(TimeLine(frame, Now() - startMs));
        if (frame % kCheckEvery == 0) Write(CheckLine(frame, CurrentMotion()));
        if (out) std::fflush(out);
        yield = kLoopYield;
        if (next) next();
    };

    Form& form = Game().form;
    form.KeyDown = [next = std::move(form.KeyDown)](int keyCode, int shift) {
        WriteEvent(EventKind::KeyDown, keyCode, shift);
        if (next) next(keyCode, shift);
    };
    form.MouseMove = [next = std::move(form.MouseMove)](int button, int shift, float x, float y) {
        WriteEvent(EventKind::MouseMove, button, shift, x, y);
        if (next) next(button, shift, x, y);
    };
    form.Timer = [next = std::move(form.Timer)] {
        WriteEvent(EventKind::Tick);
        if (next) next();
    };
    form.MouseDown = [next = std::move(form.MouseDown)](int button, int shift, float x, float y) {
        WriteEvent(EventKind::Click, button, shift, x, y);
        Finish();
        if (next) next(button, shift, x, y);
    };
    form.Unload = [next = std::move(form.Unload)] {
        WriteEvent(EventKind::Close);
        Finish();
        if (next) next();
    };
    return true;
}

}  // namespace record

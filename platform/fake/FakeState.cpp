// Shared state of the recording platform.
#include <unistd.h>
#include <cstdio>
#include <deque>

#include "platform/Window.h"
#include "platform/fake/Fake.h"

namespace {

struct State {
    FakeConfig Config;
    std::vector<std::string> Log;
    std::array<std::uint8_t, 256> Keys{};
    std::deque<std::function<void()>> Events;
    int CursorCounter = 0;
    std::map<const void*, std::string> Names;
};

State& S() {
    static State state;
    return state;
}

}  // namespace

void FakeReset() { S() = State{}; }
FakeConfig& Fake() { return S().Config; }
std::vector<std::string>& FakeLog() { return S().Log; }
void FakeLogClear() { S().Log.clear(); }
std::array<std::uint8_t, 256>& FakeKeys() { return S().Keys; }
void FakeQueueEvent(std::function<void()> action) { S().Events.push_back(std::move(action)); }
int FakeCursorCounter() { return S().CursorCounter; }

std::vector<std::string> FakeLogWith(const std::string& prefix) {
    std::vector<std::string> lines;
    for (const auto& line : S().Log) {
        if (line.rfind(prefix, 0) == 0) lines.push_back(line);
    }
    return lines;
}

void FakeRecord(const std::string& line) { S().Log.push_back(line); }

void FakeSetName(const void* object, const std::string& name) { S().Names[object] = name; }
void FakeForget(const void* object) { S().Names.erase(object); }
std::string FakeName(const void* object) {
    if (!object) return "null";
    const auto it = S().Names.find(object);
    return it == S().Names.end() ? "?" : it->second;
}

// Window system

bool ShowForm(Form& form) {
    FakeRecord("ShowForm " + form.Caption);
    if (S().Config.ShowFormFails) return false;
    form.Visible = true;
    return true;
}

void HideForm(Form& form) {
    FakeRecord("HideForm " + form.Caption);
    form.Visible = false;
}

void UnloadForm(Form& form) {
    FakeRecord("UnloadForm " + form.Caption);
    if (form.Unload) form.Unload();
    form.Visible = false;
}

void* FormHandle(Form& form) { return &form; }

void DoEvents() {
    FakeRecord("DoEvents");
    auto pending = std::move(S().Events);
    S().Events.clear();
    for (auto& action : pending) action();
}

void RunMessageLoop() {
    FakeRecord("RunMessageLoop");
    while (!S().Events.empty()) DoEvents();
}

void MsgBox(const std::string& text) {
    FakeRecord("MsgBox " + text);
    std::fprintf(stderr, "MsgBox: %s\n", text.c_str());
}

void End(int status) {
    // A death test reads the log from stderr.
    for (const auto& line : S().Log) std::fprintf(stderr, "LOG %s\n", line.c_str());
    std::fprintf(stderr, "END %d cursor=%d\n", status, S().CursorCounter);
    std::fflush(stderr);
    _exit(status);
}

std::string AppPath() { return S().Config.AppPath; }

bool ScreenPixelSize(Form& /*form*/, int& width, int& height) {
    width = S().Config.ScreenWidth;
    height = S().Config.ScreenHeight;
    return width > 0 && height > 0;
}

int ShowCursor(bool show) {
    S().CursorCounter += show ? 1 : -1;
    FakeRecord(std::string("ShowCursor ") + (show ? "1" : "0"));
    return S().CursorCounter;
}

bool SetCursorPos(int x, int y) {
    FakeRecord("SetCursorPos " + std::to_string(x) + " " + std::to_string(y));
    return true;
}

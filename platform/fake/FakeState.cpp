// Shared state of the recording platform.
#include <cstdio>
#include <deque>
#include <unistd.h>

#include "platform/Window.h"
#include "platform/fake/Fake.h"

namespace {

struct State {
    FakeConfig config;
    std::vector<std::string> log;
    std::array<std::uint8_t, 256> keys{};
    std::deque<std::function<void()>> events;
    int cursorCounter = 0;
    std::map<const void*, std::string> names;
};

State& S() {
    static State state;
    return state;
}

}  // namespace

void FakeReset() { S() = State{}; }
FakeConfig& Fake() { return S().config; }
std::vector<std::string>& FakeLog() { return S().log; }
void FakeLogClear() { S().log.clear(); }
std::array<std::uint8_t, 256>& FakeKeys() { return S().keys; }
void FakeQueueEvent(std::function<void()> action) { S().events.push_back(std::move(action)); }
int FakeCursorCounter() { return S().cursorCounter; }

std::vector<std::string> FakeLogWith(const std::string& prefix) {
    std::vector<std::string> lines;
    for (const auto& line : S().log) {
        if (line.rfind(prefix, 0) == 0) lines.push_back(line);
    }
    return lines;
}

void FakeRecord(const std::string& line) { S().log.push_back(line); }

void FakeSetName(const void* object, const std::string& name) { S().names[object] = name; }
void FakeForget(const void* object) { S().names.erase(object); }
std::string FakeName(const void* object) {
    if (!object) return "null";
    const auto it = S().names.find(object);
    return it == S().names.end() ? "?" : it->second;
}

// Window system

bool ShowForm(Form& form) {
    FakeRecord("ShowForm " + form.Caption);
    if (S().config.showFormFails) return false;
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
    auto pending = std::move(S().events);
    S().events.clear();
    for (auto& action : pending) action();
}

void RunMessageLoop() {
    FakeRecord("RunMessageLoop");
    while (!S().events.empty()) DoEvents();
}

void MsgBox(const std::string& text) {
    FakeRecord("MsgBox " + text);
    std::fprintf(stderr, "MsgBox: %s\n", text.c_str());
}

void End(int status) {
    // A death test reads the log from stderr.
    for (const auto& line : S().log) std::fprintf(stderr, "LOG %s\n", line.c_str());
    std::fprintf(stderr, "END %d cursor=%d\n", status, S().cursorCounter);
    std::fflush(stderr);
    _exit(status);
}

std::string AppPath() { return S().config.appPath; }

bool ScreenPixelSize(Form& /*form*/, int& width, int& height) {
    width = S().config.screenWidth;
    height = S().config.screenHeight;
    return width > 0 && height > 0;
}

int ShowCursor(bool show) {
    S().cursorCounter += show ? 1 : -1;
    FakeRecord(std::string("ShowCursor ") + (show ? "1" : "0"));
    return S().cursorCounter;
}

bool SetCursorPos(int x, int y) {
    FakeRecord("SetCursorPos " + std::to_string(x) + " " + std::to_string(y));
    return true;
}

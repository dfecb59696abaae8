// The recording platform for unit tests: every service call is appended to one
// log as a short line ("SetRenderState 22 1"), and the results can be steered.
// End() prints "END <status>" to stderr and exits, for death tests.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/D3dTypes.h"

struct FakeMeshShape {
    DWORD faces = 12;
    DWORD vertices = 8;
    DWORD materials = 1;
};

struct FakeConfig {
    bool directInputFails = false;
    bool direct3DFails = false;
    bool displayModeFails = false;
    DWORD displayFormat = D3DFMT_X8R8G8B8;
    HRESULT checkDeviceTypeResult = D3DERR_NOTAVAILABLE;
    bool createDeviceFails = false;  // also fails by itself on a zero width or height
    bool keyboardCreateFails = false;
    bool showFormFails = false;
    std::string appPath = "/app";
    int screenWidth = 1920, screenHeight = 1080;  // ScreenPixelSize; 0 fails it
    std::set<std::string> missingFiles;        // full paths that do not load
    std::map<std::string, FakeMeshShape> shapes;  // by full path; others get the default shape
    bool cleanFails = false, simplifyFails = false, optimizeFails = false;
};

// Resets the log, the configuration, the cursor counter and the keyboard.
void FakeReset();
FakeConfig& Fake();
std::vector<std::string>& FakeLog();
// Log lines that start with `prefix`.
std::vector<std::string> FakeLogWith(const std::string& prefix);
void FakeLogClear();

// The keyboard state the fake keyboard reports (index: scan code).
std::array<std::uint8_t, 256>& FakeKeys();
// Actions run, in order, by the next DoEvents (each at most once).
void FakeQueueEvent(std::function<void()> action);
int FakeCursorCounter();

// Used by the recording platform's own files: appends a line to the log, and
// names or forgets an object for the log.
void FakeRecord(const std::string& line);
void FakeSetName(const void* object, const std::string& name);
void FakeForget(const void* object);

// The name a fake mesh or texture carries in the log: the file name of its path,
// with a suffix for each clean-up step ("3d0005.x+clean+simplify+compact").
std::string FakeName(const void* meshOrTexture);

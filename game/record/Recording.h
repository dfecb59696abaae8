// Recordings of a drive: everything that reached the game -- the menu's choices,
// the keyboard state each frame read, every key, mouse and timer event with the
// frame and the yield that took it -- and checks of the motion state. Plain text,
// one item a line; the layout is described in nightdrive-headless(6).
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace record {

// Version 2 added the "fill" choice to the menu line; version 1 files still read.
inline constexpr int kVersion = 2;
inline constexpr int kOldestVersion = 1;
inline constexpr const char* kMagic = "nightdrive-recording";
// A check of the motion state is written after every this many frames.
inline constexpr long kCheckEvery = 10;

// The yields of a frame: the camera update's, and the main loop's once the frame
// is drawn.
inline constexpr int kCameraYield = 1;
inline constexpr int kLoopYield = 2;

struct MenuChoices {
    int Width = 1024, Height = 768;
    bool FillScreen = false;  // the size is the screen's own ("Fill Screen")
    bool Use32Bit = false;
    int DetailLevel = 1;  // 1 Low, 2 Medium, 3 High
    bool NightDriveOn = false, LightOn = true, FogOn = true, FillWireframesOn = false, CollisionOn = false,
         TexturesOn = true;
};

struct MotionState {
    double PosX = 0, PosY = 0, PosZ = 0;
    float Yaw = 0, Pitch = 0;
    double Speed = 0;
    bool CanMove = false;
    std::int32_t Car1Z = 0, Car2Z = 0, AnimFrame = 0;
};

enum class EventKind { KeyDown, MouseMove, Click, Close, Tick };

struct Event {
    long Frame = 0;
    int Yield = kCameraYield;
    EventKind Kind = EventKind::Tick;
    int Code = 0;        // virtual key (KeyDown), button (Click), buttons held (MouseMove)
    int Shift = 0;       // 1 Shift, 2 Ctrl, 4 Alt
    float X = 0, Y = 0;  // client pixels (MouseMove, Click)
};

using KeyState = std::array<std::uint8_t, 256>;

struct KeyRead {
    long Frame = 0;
    KeyState Keys{};
};

struct Check {
    long Frame = 0;
    MotionState State;
};

struct WorldFile {
    std::string Path;  // relative to the data folder, '/' separated
    std::uint64_t Digest = 0;
};

struct Recording {
    std::string Program;  // who made it, for messages
    MenuChoices Menu;
    std::vector<WorldFile> World;
    std::vector<KeyRead> KeyReads;     // the state where it changed, in frame order
    std::vector<double> FrameTimesMs;  // [frame - 1]: when the frame was drawn
    std::vector<Event> Events;         // in order
    std::vector<Check> Checks;         // in frame order
    long EndFrame = 0;
    MotionState EndState;  // as the last event (the click or close) found it
};

// Reads a recording; on failure returns false with "line N: what" in `error`.
bool Parse(const std::string& text, Recording& out, std::string& error);

// The lines of a recording, as the recorder writes them.
std::string HeaderLines(const std::string& program, const MenuChoices& menu, const std::vector<WorldFile>& world);
std::string KeysLine(long frame, const KeyState& keys);
std::string EventLine(const Event& event);
std::string CheckLine(long frame, const MotionState& state);
std::string TimeLine(long frame, double ms);
std::string EndLine(long frame, const MotionState& state);

// The differences between a recorded and a replayed state ("PosX -160 recorded,
// -159.5 replayed; ..."); empty when they agree. Positions and speed may differ
// by rounding between builds (1e-6 of the value); the rest must be equal.
std::string Differences(const MotionState& recorded, const MotionState& replayed);

// The files of a world folder with their digests, sorted by path.
std::vector<WorldFile> DigestWorld(const std::string& dataFolder);

// The names of the game's keys (Up, PageUp, Q, ...) for a DirectInput scan code or
// a virtual key; "0xNN" for others.
std::string ScanCodeName(int scanCode);
std::string VirtualKeyName(int virtualKey);
// The scan code and virtual key of a game key by its name; false for other names.
bool KeyByName(const std::string& name, int& scanCode, int& virtualKey);

}  // namespace record

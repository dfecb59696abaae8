// Window-system services: windows with labels, check boxes and a frame, their
// events and timer, the yield, the modal message box, ending the process, the
// program folder and the cursor.
//
// Controls are plain data owned by the window that shows them; the platform draws
// them, hit-tests them and calls their handlers. Handlers run only inside
// DoEvents, RunMessageLoop or an open message box, on the one UI thread.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

// Virtual-key codes delivered to KeyDown handlers.
inline constexpr int VK_BACK = 0x08;
inline constexpr int VK_TAB = 0x09;
inline constexpr int VK_RETURN = 0x0D;
inline constexpr int VK_SHIFT = 0x10;
inline constexpr int VK_CONTROL = 0x11;
inline constexpr int VK_MENU = 0x12;
inline constexpr int VK_ESCAPE = 0x1B;
inline constexpr int VK_SPACE = 0x20;
inline constexpr int VK_PRIOR = 0x21;
inline constexpr int VK_NEXT = 0x22;
inline constexpr int VK_END = 0x23;
inline constexpr int VK_HOME = 0x24;
inline constexpr int VK_LEFT = 0x25;
inline constexpr int VK_UP = 0x26;
inline constexpr int VK_RIGHT = 0x27;
inline constexpr int VK_DOWN = 0x28;
inline constexpr int VK_C = 0x43;
inline constexpr int VK_Q = 0x51;
inline constexpr int VK_X = 0x58;
inline constexpr int VK_Z = 0x5A;

// Mouse buttons as window events report them.
inline constexpr int vbLeftButton = 1;
inline constexpr int vbRightButton = 2;
inline constexpr int vbMiddleButton = 4;

// Twips per pixel at 96 dots per inch.
inline constexpr int TwipsPerPixel = 15;

enum class ControlKind { Label, CheckBox, Frame };

// Check box values.
inline constexpr int vbUnchecked = 0;
inline constexpr int vbChecked = 1;
inline constexpr int vbGrayed = 2;

struct Control {
    using MouseHandler = std::function<void(int button, int shift, float x, float y)>;

    ControlKind Kind = ControlKind::Label;
    std::string Name;
    std::string Caption;
    int Left = 0, Top = 0, Width = 0, Height = 0;  // twips, within the client area
    std::uint32_t BackColor = 0;                   // 0x00BBGGRR, read back exactly as written
    std::uint32_t ForeColor = 0xFFFFFF;            // 0x00BBGGRR
    bool Centered = false;                         // caption centred (labels)

    std::function<void()> Click;  // labels: press and release on the label; check boxes: every change of Value
    MouseHandler MouseDown;
    MouseHandler MouseUp;  // goes to the control that got the MouseDown, wherever the release happens

    // Sets what the control is, its name and caption, and its place in twips.
    void Place(ControlKind kind, std::string name, std::string caption, int left, int top, int width, int height) {
        Kind = kind;
        Name = std::move(name);
        Caption = std::move(caption);
        Left = left;
        Top = top;
        Width = width;
        Height = height;
    }

    int Value() const { return value_; }
    // Runs Click on every change, also when the program sets the value.
    void SetValue(int v) {
        if (v == value_) return;
        value_ = v;
        if (Click) Click();
    }
    // Sets the design value without running Click.
    void InitValue(int v) { value_ = v; }

private:
    int value_ = vbUnchecked;
};

struct NativeWindow;  // owned by the platform implementation

struct Form {
    using MouseHandler = std::function<void(int button, int shift, float x, float y)>;

    std::string Caption;
    int ClientWidth = 0, ClientHeight = 0;  // twips
    std::uint32_t BackColor = 0;            // 0x00BBGGRR
    // A device window shows what a 3-D device draws into it instead of controls.
    bool DeviceWindow = false;
    std::vector<Control*> Controls;  // in tab order

    int TimerInterval = 0;  // milliseconds; 0: no timer
    std::function<void()> Timer;
    std::function<void(int keyCode, int shift)> KeyDown;
    MouseHandler MouseDown;
    MouseHandler MouseUp;
    MouseHandler MouseMove;  // x, y in client pixels
    // Runs when the window system closes the window (not on End).
    std::function<void()> Unload;

    NativeWindow* Native = nullptr;
    bool Visible = false;
};

// Creates the native window on first use and shows it. False on failure.
bool ShowForm(Form& form);
void HideForm(Form& form);
// Runs the Unload handler and destroys the native window.
void UnloadForm(Form& form);
// The native handle of the window (an SDL_Window* in the SDL implementation).
void* FormHandle(Form& form);

// The pixel size of the screen the form's window is on, as a full-screen window
// draws it (device pixels on a high-density screen). False where none is known.
bool ScreenPixelSize(Form& form, int& width, int& height);

// Process all pending window events (and due timer ticks), then return.
void DoEvents();
// Waits for and dispatches window events until the program ends.
void RunMessageLoop();

// Modal message box with an OK button only and the program's title; the text also
// goes to stderr. Returns once the user has closed it (at once where no box can be shown).
void MsgBox(const std::string& text);
// Ends the process at once; no further handler runs.
[[noreturn]] void End(int status);

// The folder of the program file, symlinks resolved, without a trailing separator.
std::string AppPath();

// Display counter semantics: true increments, false decrements; the cursor shows
// while the counter is >= 0. Returns the new counter.
int ShowCursor(bool show);
// Screen pixels.
bool SetCursorPos(int x, int y);

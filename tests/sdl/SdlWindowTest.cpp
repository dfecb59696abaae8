// The SDL window system on the offscreen video driver: mouse routing and capture,
// check boxes and their keyboard focus, key codes, mouse moves, the timer on a
// simulated clock, painting, closing, the cursor counter, the message box and the
// program folder. Input is posted as SDL events and handled by DoEvents.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/Window.h"
#include "platform/sdl_gl/SdlWindow.h"
#include "platform/sdl_gl/SdlWindowHooks.h"
#include "tests/sdl/SdlTestSupport.h"

namespace {

std::uint64_t fakeNow = 0;

std::string Format(const char* what, int a, int b, float x, float y) {
    return std::string(what) + "(" + std::to_string(a) + "," + std::to_string(b) + "," +
           std::to_string(static_cast<int>(x)) + "," + std::to_string(static_cast<int>(y)) + ")";
}

Control MakeControl(ControlKind kind, const std::string& name, int left, int top, int width, int height) {
    Control c;
    c.Place(kind, name, name, left, top, width, height);
    return c;
}

class SdlWindowTest : public testing::Test {
protected:
    void SetUp() override {
        sdltest::StartSdlOrSkip();
        if (IsSkipped() || HasFatalFailure()) return;
        fakeNow = 0;
        SetClockSource([] { return fakeNow; });
        SetTimerCatchUp(false);
        // A window of 300 x 200 pixels with two labels, a frame and three check
        // boxes lying on the frame, in this tab order.
        form.Caption = "test";
        form.ClientWidth = 300 * kTwipsPerPixel;
        form.ClientHeight = 200 * kTwipsPerPixel;
        labelA = MakeControl(ControlKind::Label, "A", 150, 150, 1500, 300);  // pixels 10,10 100x20
        labelB = MakeControl(ControlKind::Label, "B", 150, 600, 1500, 300);  // pixels 10,40 100x20
        frame = MakeControl(ControlKind::Frame, "F", 1800, 0, 2400, 2400);   // pixels 120,0 160x160
        check1 = MakeControl(ControlKind::CheckBox, "C1", 1950, 300, 1800, 255);
        check2 = MakeControl(ControlKind::CheckBox, "C2", 1950, 600, 1800, 255);
        check3 = MakeControl(ControlKind::CheckBox, "C3", 1950, 900, 1800, 255);
        form.Controls = {&labelA, &labelB, &check1, &frame, &check2, &check3};
        for (Control* c : form.Controls) Wire(*c);
        form.MouseDown = [this](int b, int s, float x, float y) { log.push_back(Format("Form.Down", b, s, x, y)); };
        form.MouseUp = [this](int b, int s, float x, float y) { log.push_back(Format("Form.Up", b, s, x, y)); };
        form.MouseMove = [this](int b, int s, float x, float y) { log.push_back(Format("Form.Move", b, s, x, y)); };
        form.KeyDown = [this](int key, int shift) { keys.push_back({key, shift}); };
        ASSERT_TRUE(ShowForm(form));
        DoEvents();
        log.clear();
    }

    void TearDown() override {
        UnloadForm(form);
        SetClockSource({});
        SetTimerCatchUp(false);
    }

    void Wire(Control& c) {
        const std::string name = c.Name;
        c.Click = [this, name] { log.push_back(name + ".Click"); };
        c.MouseDown = [this, name](int b, int s, float x, float y) {
            log.push_back(Format((name + ".Down").c_str(), b, s, x, y));
        };
        c.MouseUp = [this, name](int b, int s, float x, float y) {
            log.push_back(Format((name + ".Up").c_str(), b, s, x, y));
        };
    }

    void Press(int x, int y, int button = vbLeftButton) { ASSERT_TRUE(PostMouseButton(form, button, true, x, y)); }
    void Release(int x, int y, int button = vbLeftButton) { ASSERT_TRUE(PostMouseButton(form, button, false, x, y)); }
    void ClickAt(const Control& c) {
        int x = 0, y = 0;
        ControlCentre(c, x, y);
        Press(x, y);
        Release(x, y);
        DoEvents();
    }

    Form form;
    Control labelA, labelB, frame, check1, check2, check3;
    std::vector<std::string> log;
    std::vector<std::pair<int, int>> keys;
};

// --- Mouse on labels and the window ------------------------------------------

TEST_F(SdlWindowTest, MouseReleaseGoesToThePressedControlAndClicksOnlyOverIt) {
    struct Case {
        const char* What;
        int Button, DownX, DownY, UpX, UpY;
        std::vector<std::string> Expected;
    };
    const std::vector<Case> cases = {
        {"press and release on A",
         vbLeftButton,
         20,
         15,
         30,
         20,
         {"A.Down(1,0,150,75)", "A.Up(1,0,300,150)", "A.Click"}},
        {"release over B", vbLeftButton, 20, 15, 20, 45, {"A.Down(1,0,150,75)", "A.Up(1,0,150,525)"}},
        {"release outside the window", vbLeftButton, 20, 15, 500, -40, {"A.Down(1,0,150,75)", "A.Up(1,0,7350,-750)"}},
        {"right button", vbRightButton, 20, 15, 20, 15, {"A.Down(2,0,150,75)", "A.Up(2,0,150,75)"}},
        {"middle button", vbMiddleButton, 20, 15, 20, 15, {"A.Down(4,0,150,75)", "A.Up(4,0,150,75)"}},
        {"on the window", vbLeftButton, 5, 190, 20, 15, {"Form.Down(1,0,5,190)", "Form.Up(1,0,20,15)"}},
        {"on the frame", vbLeftButton, 125, 150, 125, 150, {"F.Down(1,0,75,2250)", "F.Up(1,0,75,2250)"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.What);
        log.clear();
        Press(c.DownX, c.DownY, c.Button);
        DoEvents();
        Release(c.UpX, c.UpY, c.Button);
        DoEvents();
        EXPECT_EQ(log, c.Expected);
    }
}

// The game runs inside the menu's release handler and yields from there: events
// queued behind the release must reach that nested yield.
TEST_F(SdlWindowTest, HandlerThatYieldsGetsTheEventsQueuedBehindIt) {
    std::vector<std::pair<int, int>> keysSeenInside;
    labelA.MouseUp = [this, &keysSeenInside](int, int, float, float) {
        DoEvents();
        keysSeenInside = keys;
    };
    Press(20, 15);
    Release(20, 15);
    ASSERT_TRUE(PostKeyDown(form, VK_Z));
    DoEvents();
    EXPECT_EQ(keysSeenInside, (std::vector<std::pair<int, int>>{{VK_Z, 0}}));
}

TEST_F(SdlWindowTest, ShiftStateGoesWithMouseEvents) {
    ASSERT_TRUE(PostMouseButton(form, vbLeftButton, true, 20, 15, 2 | 4));
    DoEvents();
    ASSERT_TRUE(PostMouseButton(form, vbLeftButton, false, 20, 15, 1));
    DoEvents();
    SDL_SetModState(KMOD_NONE);
    EXPECT_EQ(log, (std::vector<std::string>{"A.Down(1,6,150,75)", "A.Up(1,1,150,75)", "A.Click"}));
}

TEST_F(SdlWindowTest, MouseMoveReportsClientPixelsAndButtons) {
    ASSERT_TRUE(PostMouseMove(form, 123, 45));
    ASSERT_TRUE(PostMouseMove(form, 7, 199, vbLeftButton | vbRightButton));
    DoEvents();
    EXPECT_EQ(log, (std::vector<std::string>{"Form.Move(0,0,123,45)", "Form.Move(3,0,7,199)"}));
}

TEST_F(SdlWindowTest, DeviceWindowTakesEveryClickItself) {
    Form device;
    device.DeviceWindow = true;
    device.ClientWidth = 64 * kTwipsPerPixel;
    device.ClientHeight = 48 * kTwipsPerPixel;
    Control overlay = MakeControl(ControlKind::Label, "L", 0, 0, 960, 720);
    Wire(overlay);
    device.Controls = {&overlay};
    device.MouseDown = [this](int b, int s, float x, float y) { log.push_back(Format("Dev.Down", b, s, x, y)); };
    ASSERT_TRUE(ShowForm(device));
    EXPECT_NE(FormHandle(device), nullptr);
    EXPECT_EQ(SDL_GetWindowFromID(FormWindowId(device)), FormHandle(device));
    EXPECT_TRUE(SDL_GetWindowFlags(static_cast<SDL_Window*>(FormHandle(device))) & SDL_WINDOW_OPENGL);
    DoEvents();
    log.clear();
    ASSERT_TRUE(PostMouseButton(device, vbRightButton, true, 10, 11));
    DoEvents();
    EXPECT_EQ(log, (std::vector<std::string>{"Dev.Down(2,0,10,11)"}));
    UnloadForm(device);
    EXPECT_EQ(FormHandle(device), nullptr);
}

TEST_F(SdlWindowTest, AltEnterSwitchesADeviceWindowBetweenDesktopAndBackBufferSize) {
    Form device;
    device.DeviceWindow = true;
    device.ClientWidth = 64 * kTwipsPerPixel;
    device.ClientHeight = 48 * kTwipsPerPixel;
    device.KeyDown = [this](int key, int shift) { keys.push_back({key, shift}); };
    ASSERT_TRUE(ShowForm(device));
    auto* window = static_cast<SDL_Window*>(FormHandle(device));
    SetDeviceBackBufferSize(device, 320, 240);
    SDL_SetWindowFullscreen(window, SDL_WINDOW_FULLSCREEN_DESKTOP);
    DoEvents();

    ASSERT_TRUE(PostKeyDown(device, VK_RETURN, 4));
    DoEvents();
    EXPECT_FALSE(SDL_GetWindowFlags(window) & SDL_WINDOW_FULLSCREEN);
    int w = 0, h = 0;
    SDL_GetWindowSize(window, &w, &h);
    EXPECT_EQ(w, 320);
    EXPECT_EQ(h, 240);
    ASSERT_TRUE(PostKeyDown(device, VK_RETURN, 4));
    DoEvents();
    EXPECT_TRUE(SDL_GetWindowFlags(window) & SDL_WINDOW_FULLSCREEN);
    // A plain Enter is the game's.
    ASSERT_TRUE(PostKeyDown(device, VK_RETURN));
    DoEvents();
    EXPECT_EQ(keys, (std::vector<std::pair<int, int>>{{VK_RETURN, 0}}));
    UnloadForm(device);
}

// --- Check boxes -------------------------------------------------------------

TEST_F(SdlWindowTest, CheckBoxClickTogglesThroughSetValue) {
    struct Case {
        int Before, After;
    };
    for (const Case c : {Case{vbUnchecked, vbChecked}, Case{vbChecked, vbUnchecked}, Case{vbGrayed, vbChecked}}) {
        SCOPED_TRACE(c.Before);
        check2.InitValue(c.Before);
        log.clear();
        ClickAt(check2);
        EXPECT_EQ(check2.Value(), c.After);
        ASSERT_EQ(log.size(), 3u);
        EXPECT_EQ(log[2], "C2.Click");
    }
    // The box lies on the frame: the click went to the box, which now has the focus.
    EXPECT_EQ(form.Native->Focus, 4);
}

TEST_F(SdlWindowTest, ProgramValueChangesRunClickButDesignValueDoesNot) {
    check1.SetValue(vbGrayed);
    check1.SetValue(vbGrayed);
    check1.InitValue(vbChecked);
    check1.SetValue(vbUnchecked);
    EXPECT_EQ(log, (std::vector<std::string>{"C1.Click", "C1.Click"}));
}

TEST_F(SdlWindowTest, TabMovesFocusAmongCheckBoxesAndSpaceToggles) {
    EXPECT_EQ(form.Native->Focus, 2);  // the first check box in tab order
    struct Step {
        int Key, Shift;
        int Focus;
    };
    const std::vector<Step> steps = {
        {VK_TAB, 0, 4}, {VK_TAB, 0, 5}, {VK_TAB, 0, 2}, {VK_TAB, 1, 5}, {VK_TAB, 1, 4},
    };
    for (const Step& s : steps) {
        ASSERT_TRUE(PostKeyDown(form, s.Key, s.Shift));
        DoEvents();
        EXPECT_EQ(form.Native->Focus, s.Focus);
    }
    ASSERT_TRUE(PostKeyDown(form, VK_SPACE));
    DoEvents();
    EXPECT_EQ(check2.Value(), vbChecked);
    EXPECT_EQ(log, (std::vector<std::string>{"C2.Click"}));
    // Tab and Space belong to the check boxes; other keys still reach the window.
    ASSERT_TRUE(PostKeyDown(form, VK_Q));
    DoEvents();
    EXPECT_EQ(keys, (std::vector<std::pair<int, int>>{{VK_Q, 0}}));
}

// --- Keys --------------------------------------------------------------------

TEST(SdlKeyTable, MapsSdlKeysToVirtualKeys) {
    const std::vector<std::pair<SDL_Keycode, int>> table = {
        {SDLK_a, 0x41},
        {SDLK_c, VK_C},
        {SDLK_q, VK_Q},
        {SDLK_x, VK_X},
        {SDLK_z, VK_Z},
        {SDLK_0, 0x30},
        {SDLK_9, 0x39},
        {SDLK_LEFT, VK_LEFT},
        {SDLK_UP, VK_UP},
        {SDLK_RIGHT, VK_RIGHT},
        {SDLK_DOWN, VK_DOWN},
        {SDLK_PAGEUP, VK_PRIOR},
        {SDLK_PAGEDOWN, VK_NEXT},
        {SDLK_HOME, VK_HOME},
        {SDLK_END, VK_END},
        {SDLK_F1, 0x70},
        {SDLK_F12, 0x7B},
        {SDLK_SPACE, VK_SPACE},
        {SDLK_RETURN, VK_RETURN},
        {SDLK_KP_ENTER, VK_RETURN},
        {SDLK_ESCAPE, VK_ESCAPE},
        {SDLK_TAB, VK_TAB},
        {SDLK_BACKSPACE, VK_BACK},
        {SDLK_LSHIFT, VK_SHIFT},
        {SDLK_RSHIFT, VK_SHIFT},
        {SDLK_LCTRL, VK_CONTROL},
        {SDLK_RCTRL, VK_CONTROL},
        {SDLK_LALT, VK_MENU},
        {SDLK_RALT, VK_MENU},
        {SDLK_KP_5, 0x65},
        {SDLK_INSERT, 0x2D},
        {SDLK_DELETE, 0x2E},
        {SDLK_MINUS, 0xBD},
        {SDLK_UNKNOWN, 0},
        {SDLK_MUTE, 0},
    };
    for (const auto& [key, virtualKey] : table) {
        EXPECT_EQ(VirtualKeyFromSdl(key), virtualKey) << SDL_GetKeyName(key);
    }
    EXPECT_EQ(SdlKeyFromVirtualKey(VK_SHIFT), SDLK_LSHIFT);
    EXPECT_EQ(SdlKeyFromVirtualKey(0x41), SDLK_a);
    EXPECT_EQ(SdlKeyFromVirtualKey(0xFF), SDLK_UNKNOWN);
}

TEST_F(SdlWindowTest, EveryKeyDownReachesTheWindowWithItsModifiers) {
    SDL_Event event{};
    event.type = SDL_KEYDOWN;
    event.key.windowID = FormWindowId(form);
    event.key.keysym.sym = SDLK_z;
    event.key.keysym.mod = KMOD_RSHIFT | KMOD_LALT;
    SDL_PushEvent(&event);
    event.key.repeat = 1;  // the keyboard's auto-repeat counts as well
    event.key.keysym.mod = KMOD_NONE;
    SDL_PushEvent(&event);
    event.key.keysym.sym = SDLK_PAGEDOWN;
    event.key.keysym.mod = KMOD_LCTRL;
    SDL_PushEvent(&event);
    event.type = SDL_KEYUP;
    SDL_PushEvent(&event);
    DoEvents();
    EXPECT_EQ(keys, (std::vector<std::pair<int, int>>{{VK_Z, 5}, {VK_Z, 0}, {VK_NEXT, 2}}));
}

// --- Timer -------------------------------------------------------------------

class SdlTimerTest : public SdlWindowTest {
protected:
    void SetUp() override {
        SdlWindowTest::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        timed.TimerInterval = 50;
        timed.Timer = [this] {
            ++ticks;
            DoEvents();  // a handler that yields does not get a second tick from inside
        };
        timed.ClientWidth = timed.ClientHeight = 600;
        ASSERT_TRUE(ShowForm(timed));
    }
    void TearDown() override {
        UnloadForm(timed);
        SdlWindowTest::TearDown();
    }
    int TicksAt(std::uint64_t milliseconds) {
        fakeNow = milliseconds * 1000;
        ticks = 0;
        DoEvents();
        return ticks;
    }

    Form timed;
    int ticks = 0;
};

TEST_F(SdlTimerTest, TicksAtMostOncePerYieldOnTheIntervalGrid) {
    const std::vector<std::pair<std::uint64_t, int>> steps = {
        {0, 0}, {49, 0}, {50, 1}, {50, 0}, {99, 0}, {100, 1}, {260, 1}, {299, 0}, {300, 1}, {300, 0},
    };
    for (const auto& [ms, expected] : steps) EXPECT_EQ(TicksAt(ms), expected) << "at " << ms << " ms";
}

TEST_F(SdlTimerTest, CatchUpModeRunsEveryDueTick) {
    SetTimerCatchUp(true);
    EXPECT_EQ(TicksAt(49), 0);
    EXPECT_EQ(TicksAt(250), 5);
    EXPECT_EQ(TicksAt(260), 0);
    EXPECT_EQ(TicksAt(300), 1);
}

TEST_F(SdlTimerTest, StopsWithTheIntervalAndRestartsFromNow) {
    timed.TimerInterval = 0;
    EXPECT_EQ(TicksAt(500), 0);
    timed.TimerInterval = 50;
    EXPECT_EQ(TicksAt(520), 0);
    EXPECT_EQ(TicksAt(570), 1);
}

// --- Painting ----------------------------------------------------------------

TEST_F(SdlWindowTest, PaintsColoursInTheirByteOrder) {
    form.BackColor = 0x00FF0000;  // blue
    labelA.BackColor = 255;       // red
    labelA.Caption.clear();
    check3.InitValue(vbGrayed);
    check3.BackColor = 0;
    DoEvents();
    SDL_Renderer* renderer = form.Native->Renderer;
    ASSERT_NE(renderer, nullptr);
    auto pixel = [renderer](int x, int y) {
        SDL_Rect one{x, y, 1, 1};
        std::uint32_t argb = 0;
        SDL_RenderReadPixels(renderer, &one, SDL_PIXELFORMAT_ARGB8888, &argb, 4);
        return argb & 0xFFFFFF;
    };
    EXPECT_EQ(pixel(50, 20), 0xFF0000u) << "label background";
    EXPECT_EQ(pixel(5, 190), 0x0000FFu) << "window background";
    const SDL_Rect box = ControlRect(check3);
    EXPECT_EQ(pixel(box.x, box.y + box.h / 2), 0xFFFFFFu) << "box border";
    EXPECT_EQ(pixel(box.x + 6, box.y + box.h / 2 - 4), 0x808080u) << "grayed box";
}

// --- Windows coming and going ------------------------------------------------

TEST_F(SdlWindowTest, ClosingOneOfTwoWindowsUnloadsOnlyThatOne) {
    Form other;
    other.ClientWidth = other.ClientHeight = 900;
    other.Unload = [this] { log.push_back("other.Unload"); };
    ASSERT_TRUE(ShowForm(other));
    ASSERT_TRUE(PostCloseRequest(other));
    DoEvents();
    EXPECT_EQ(log, (std::vector<std::string>{"other.Unload"}));
    EXPECT_EQ(other.Native, nullptr);
    EXPECT_FALSE(other.Visible);
    EXPECT_NE(form.Native, nullptr);
}

TEST_F(SdlWindowTest, HiddenWindowStaysLoaded) {
    HideForm(form);
    EXPECT_FALSE(form.Visible);
    EXPECT_NE(FormHandle(form), nullptr);
    EXPECT_FALSE(SDL_GetWindowFlags(static_cast<SDL_Window*>(FormHandle(form))) & SDL_WINDOW_SHOWN);
    ASSERT_TRUE(ShowForm(form));
    EXPECT_TRUE(form.Visible);
}

// The window system keeps threads (the renderer's, the driver's), so the death
// tests start a fresh copy of the program instead of forking this one.
class SdlWindowDeathTest : public SdlWindowTest {
protected:
    void SetUp() override {
        GTEST_FLAG_SET(death_test_style, "threadsafe");
        SdlWindowTest::SetUp();
    }
};

TEST_F(SdlWindowDeathTest, ClosingTheLastVisibleWindowUnloadsEverythingAndEnds) {
    Form hidden;
    hidden.Unload = [] { std::fputs("hidden.Unload\n", stderr); };
    ASSERT_TRUE(ShowForm(hidden));
    HideForm(hidden);
    form.Unload = [] { std::fputs("form.Unload\n", stderr); };
    EXPECT_EXIT(
        {
            PostCloseRequest(form);
            DoEvents();
        },
        testing::ExitedWithCode(0), "form.Unload\nhidden.Unload");
    form.Unload = nullptr;
    UnloadForm(hidden);
}

TEST_F(SdlWindowDeathTest, QuitUnloadsEveryWindowAndEnds) {
    form.Unload = [] { std::fputs("form.Unload\n", stderr); };
    EXPECT_EXIT(
        {
            PostQuit();
            DoEvents();
        },
        testing::ExitedWithCode(0), "form.Unload");
    form.Unload = nullptr;
}

TEST_F(SdlWindowDeathTest, EndSkipsExitHandlers) {
    EXPECT_EXIT(
        {
            std::atexit([] { std::fputs("atexit ran\n", stderr); });
            End(3);
        },
        testing::ExitedWithCode(3), "^$");
}

// --- Process services --------------------------------------------------------

TEST_F(SdlWindowTest, MessageBoxWritesTheTextAndReturnsWithoutAScreen) {
    std::vector<std::string> seen;
    SetMessageBoxObserver([&seen](const std::string& text) { seen.push_back(text); });
    testing::internal::CaptureStderr();
    MsgBox("Can't find 3d\\x.x");
    const std::string err = testing::internal::GetCapturedStderr();
    SetMessageBoxObserver({});
    EXPECT_EQ(err, "nightdrive: Can't find 3d\\x.x\n");
    EXPECT_EQ(seen, (std::vector<std::string>{"Can't find 3d\\x.x"}));
}

TEST_F(SdlWindowTest, CursorCounterShowsWhileNotNegative) {
    const std::vector<std::pair<bool, int>> steps = {{false, -1}, {false, -2}, {true, -1}, {true, 0}, {true, 1}};
    for (const auto& [show, counter] : steps) {
        EXPECT_EQ(ShowCursor(show), counter);
        EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), counter >= 0 ? SDL_ENABLE : SDL_DISABLE);
    }
    EXPECT_EQ(ShowCursor(false), 0);
}

TEST(SdlStartDeathTest, WithoutADisplayNoWindowOpensAndTheReasonIsReported) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            setenv("SDL_VIDEODRIVER", "no-such-driver", 1);
            Form form;
            std::exit(ShowForm(form) ? 0 : 7);
        },
        testing::ExitedWithCode(7), "nightdrive: cannot open a window: .*is a display available");
}

TEST(SdlAppPath, IsTheProgramFolderWithoutTrailingSeparator) {
    const std::string expected = std::filesystem::canonical("/proc/self/exe").parent_path().string();
    EXPECT_EQ(AppPath(), expected);
    EXPECT_NE(AppPath().back(), '/');
}

}  // namespace

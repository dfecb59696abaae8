// The game window: start-up values and order, the timer, and the ways it ends.
#include "tests/unit/Fixture.h"

#include "scene/BuildAndRender.h"

namespace {

using GameTest = FakePlatformTest;

TEST_F(GameTest, ClearAndFogColoursFollowNightDrive) {
    for (const bool night : {false, true}) {
        Reset();
        GeneralVariables.NightDriveOn = night;
        Game().InitGameState();
        const D3DCOLOR expected = night ? 10u : 88799u;
        EXPECT_EQ(GeneralVariables.ClearColor, expected) << "night " << night;
        EXPECT_EQ(GeneralVariables.FogColor, expected) << "night " << night;
    }
}

TEST_F(GameTest, ReadResolutionFollowsTheMarkedLabel) {
    struct Case {
        void (MenuWindow::*click)();
        int screenWidth, screenHeight;  // what the window system reports; 0: nothing
        int width, height;
        bool fill;
    };
    const Case cases[] = {{nullptr, 1920, 1080, 1024, 768, false},
                          {&MenuWindow::lbl600_Click, 1920, 1080, 640, 480, false},
                          {&MenuWindow::lbl800_Click, 1920, 1080, 800, 600, false},
                          {&MenuWindow::lbl1024_Click, 1920, 1080, 1024, 768, false},
                          {&MenuWindow::lblFill_Click, 2560, 1080, 2560, 1080, true},
                          {&MenuWindow::lblFill_Click, 1080, 2340, 1080, 2340, true},
                          {&MenuWindow::lblFill_Click, 0, 0, 1024, 768, true},
                          {&MenuWindow::lblFill_Click, 40000, 20000, 16384, 16384, true}};
    for (const auto& c : cases) {
        Reset();
        Fake().screenWidth = c.screenWidth;
        Fake().screenHeight = c.screenHeight;
        EXPECT_FALSE(GeneralVariables.ScreenWidth.has_value()) << "empty before the game reads it";
        if (c.click) (Menu().*c.click)();
        Game().ReadResolution();
        EXPECT_EQ(GeneralVariables.ScreenWidth.value_or(0), c.width) << c.screenWidth;
        EXPECT_EQ(GeneralVariables.ScreenHeight, c.height) << c.screenWidth;
        EXPECT_EQ(GeneralVariables.FillScreen, c.fill) << c.screenWidth;
    }
}

// On a filled screen the loading line keeps its place in the 1024 x 768 picture
// fitted into the screen; the menu's sizes keep the rectangle and font as they are.
TEST_F(GameTest, TextFitsTheFilledScreen) {
    struct Case {
        bool fill;
        int width, height;
        RECT rect;
        float size;
    };
    const Case cases[] = {{false, 640, 480, {100, 5, 1000, 500}, 8.0f},
                          {true, 1024, 768, {100, 5, 1000, 500}, 8.0f},
                          {true, 1920, 1080, {381, 7, 1646, 703}, 11.25f},
                          {true, 720, 1280, {70, 374, 703, 722}, 5.625f}};
    for (const auto& c : cases) {
        Reset();
        Game().InitGameState();
        GeneralVariables.FillScreen = c.fill;
        GeneralVariables.ScreenWidth = static_cast<std::int16_t>(c.width);
        GeneralVariables.ScreenHeight = static_cast<std::int16_t>(c.height);
        GeneralVariables.TextFontDesc = std::make_unique<StdFont>();
        GeneralVariables.TextFontDesc->Size = 8;
        Game().FitTextToScreen();
        const RECT& r = GeneralVariables.TextRect;
        EXPECT_EQ(r.left, c.rect.left) << c.width << "x" << c.height;
        EXPECT_EQ(r.top, c.rect.top) << c.width << "x" << c.height;
        EXPECT_EQ(r.right, c.rect.right) << c.width << "x" << c.height;
        EXPECT_EQ(r.bottom, c.rect.bottom) << c.width << "x" << c.height;
        EXPECT_FLOAT_EQ(GeneralVariables.TextFontDesc->Size, c.size) << c.width << "x" << c.height;
    }
}

TEST_F(GameTest, ReadResolutionWithNoMarkLeavesThePairAlone) {
    MenuWindow& menu = Menu();
    menu.lbl1024.BackColor = 0;
    Game().ReadResolution();
    EXPECT_FALSE(GeneralVariables.ScreenWidth.has_value());
    EXPECT_EQ(GeneralVariables.ScreenHeight, 0);
}

TEST_F(GameTest, TimerRunsOneToThirtyAndWraps) {
    GameWindow& game = Game();
    GeneralVariables.AnimFrame = 1;
    std::vector<int> seen;
    for (int i = 0; i < 61; ++i) {
        game.Timer1_Timer();
        seen.push_back(GeneralVariables.AnimFrame);
    }
    EXPECT_EQ(seen[0], 2);
    EXPECT_EQ(seen[28], 30);
    EXPECT_EQ(seen[29], 1);
    EXPECT_EQ(seen[59], 1);
    for (const int v : seen) EXPECT_TRUE(v >= 1 && v <= 30) << v;
    EXPECT_EQ(game.form.TimerInterval, 50);
}

TEST_F(GameTest, MouseDownShowsTheCursorAndEndsWithoutUnload) {
    EXPECT_EXIT(
        {
            GameWindow& game = Game();
            (void)ShowCursor(false);
            game.Form_MouseDown(2, 0, 10, 10);
        },
        testing::ExitedWithCode(0), "LOG ShowCursor 1\nEND 0 cursor=0");
}

TEST_F(GameTest, UnloadReleasesInOrderShowsTheCursorAndEnds) {
    EXPECT_EXIT(
        {
            UseFakeDevice();
            auto& g = GeneralVariables;
            g.TextFontDesc = std::make_unique<StdFont>();
            GeneralVariables.D3DXLib->LoadMeshFromX("/app/one.x", 0, *g.Device, nullptr, nullptr, nullptr, g.Mesh01);
            GeneralVariables.D3DXLib->LoadMeshFromX("/app/two.x", 0, *g.Device, nullptr, nullptr, nullptr, g.Mesh02);
            GeneralVariables.D3DXLib->LoadMeshFromX("/app/three.x", 0, *g.Device, nullptr, nullptr, nullptr,
                                                    g.Mesh03);
            FakeLogClear();
            (void)ShowCursor(false);
            Game().Form_Unload();
        },
        testing::ExitedWithCode(0),
        "LOG Release DxRoot\nLOG Release D3DRoot\nLOG Release Device\nLOG Release D3DXLib\n"
        "LOG Release DInput\nLOG Release Keyboard\nLOG Release Mesh one.x\nLOG Release Mesh two.x\n"
        "LOG ShowCursor 1\nEND 0 cursor=0");
}

// The whole start-up on the recording platform, from the "New Game" release to
// the first frame, ended by a click during the first frame's yield.
TEST_F(GameTest, StartUpRunsInOrderAndTheFirstFrameIsDrawnWithCursorHidden) {
    EXPECT_EXIT(
        {
            MenuWindow& menu = Menu();
            menu.lblStart_MouseDown(1, 0, 0, 0);
            FakeQueueEvent([] { Game().Form_MouseDown(1, 0, 0, 0); });
            menu.lblStart_MouseUp(1, 0, 0, 0);
        },
        testing::ExitedWithCode(0),
        std::string("LOG HideForm Pls Vote For Me\nLOG ShowForm Form1\nLOG DirectInputCreate\n"
                    "LOG CreateInputDevice GUID_SysKeyboard\nLOG SetCommonDataFormat 1\n"
                    "LOG SetCooperativeLevel window 10\nLOG Acquire\nLOG Direct3DCreate\n"
                    "LOG GetAdapterDisplayMode 0\nLOG CheckDeviceType 0 1 80 80 0\n"
                    "LOG CreateDevice 0 1 0x20 size=1024x768 format=22 count=1 swap=2 windowed=0 autodepth=1 "
                    "depth=80 window=set\n") +
            "LOG " + SetState(D3DRS_CULLMODE, D3DCULL_NONE) + "\nLOG " + SetState(D3DRS_ZENABLE, D3DZB_TRUE) +
            "\nLOG " + SetState(D3DRS_SPECULARENABLE, 1) + "\nLOG " + SetState(D3DRS_LIGHTING, 0) +
            "\nLOG CreateFont Verdana 8 bold\nLOG LoadMeshFromX /app/data/3d/3d00014.x 544\n"
            ".*LOG SetCursorPos 500 350\nLOG ShowCursor 0\nLOG Clear 0 3 88799 1 0\n.*LOG DoEvents\n"
            "LOG ShowCursor 1\nEND 0 cursor=0");
}

// A second "New Game" (the game window exists, for instance hidden) only shows
// the window again: no second start-up, and the handler returns.
TEST_F(GameTest, NewGameWithAGameWindowOnlyShowsIt) {
    Game();
    MenuWindow& menu = Menu();
    FakeLogClear();
    menu.lblStart_MouseDown(1, 0, 0, 0);
    menu.lblStart_MouseUp(1, 0, 0, 0);
    EXPECT_EQ(FakeLog(), (std::vector<std::string>{"HideForm Pls Vote For Me", "ShowForm Form1"}));
    EXPECT_FALSE(GeneralVariables.Running);
    EXPECT_EQ(GeneralVariables.WindowHandle, nullptr);
}

TEST_F(GameTest, ReferringToTheGameWindowDoesNotStartIt) {
    Game();
    EXPECT_TRUE(GameExists());
    EXPECT_EQ(FakeLog(), std::vector<std::string>{});
    EXPECT_FALSE(GeneralVariables.Running);
}

TEST_F(GameTest, AFailedDeviceEndsWithAClearMessage) {
    EXPECT_EXIT(
        {
            Fake().createDeviceFails = true;
            Menu().lblStart_MouseDown(1, 0, 0, 0);
            Menu().lblStart_MouseUp(1, 0, 0, 0);
        },
        testing::ExitedWithCode(1), "MsgBox: Cannot create the 3-D device");
}

TEST_F(GameTest, AWindowThatCannotBeShownEndsNonZero) {
    EXPECT_EXIT(
        {
            Fake().showFormFails = true;
            Menu().lblStart_MouseUp(1, 0, 0, 0);
        },
        testing::ExitedWithCode(1), "MsgBox: Cannot open the game window");
}

}  // namespace

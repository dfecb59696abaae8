// The real start menu driven headless through the SDL window system: clicks at
// the pixel centres of its labels and check boxes write the settings, and
// releasing "New Game" runs the game's start-up, which (with no data folder
// beside the test program) reports the first missing file and ends.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <cstring>

#include "game/state/GeneralVariables.h"
#include "menu/Menu.h"
#include "platform/Window.h"
#include "platform/sdl_gl/SdlWindow.h"
#include "platform/sdl_gl/SdlWindowHooks.h"
#include "tests/sdl/SdlTestSupport.h"

namespace {

class SdlMenuTest : public testing::Test {
protected:
    void SetUp() override {
        sdltest::StartSdlOrSkip();
        if (IsSkipped() || HasFatalFailure()) return;
        // The game's start-up keeps GL and driver threads: death tests re-run the
        // program rather than fork it.
        GTEST_FLAG_SET(death_test_style, "threadsafe");
        ASSERT_NO_FATAL_FAILURE(sdltest::ShowFreshMenu());
    }
    void TearDown() override {
        if (IsSkipped()) return;
        sdltest::CloseMenu();
    }

    void Post(const Control& control, bool down) {
        int x = 0, y = 0;
        ControlCentre(control, x, y);
        ASSERT_TRUE(PostMouseButton(Menu().form, vbLeftButton, down, x, y));
        DoEvents();
    }
    void Click(const Control& control) {
        Post(control, true);
        Post(control, false);
    }
};

TEST_F(SdlMenuTest, ClicksChooseTheSettingsAndNewGameStartsTheGame) {
    MenuWindow& menu = Menu();
    Click(menu.lbl800);
    Click(menu.lblDetailHigh);
    Click(menu.Check3);
    Post(menu.lblStart, true);

    EXPECT_EQ(GeneralVariables.DetailLevel, 3);
    EXPECT_FALSE(GeneralVariables.FogOn);
    EXPECT_FALSE(GeneralVariables.Use32Bit);
    EXPECT_TRUE(GeneralVariables.LightOn);
    EXPECT_EQ(menu.lbl800.BackColor, 255u);
    EXPECT_EQ(menu.lbl1024.BackColor, 0u);
    EXPECT_EQ(menu.lblStart.BackColor, 255u);
    EXPECT_EQ(menu.Check3.Value(), vbUnchecked);

    const auto endedWithFailure = [](int status) { return WIFEXITED(status) && WEXITSTATUS(status) != 0; };
    EXPECT_EXIT(Post(menu.lblStart, false), endedWithFailure, "nightdrive: Can't find .*data.*3d");
}

}  // namespace

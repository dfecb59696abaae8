// The start menu: defaults, the check boxes' switches, the marks, and the start.
#include "tests/unit/Fixture.h"

namespace {

using MenuTest = FakePlatformTest;

TEST_F(MenuTest, LoadMarksDefaultsAndSetsFiveSwitches) {
    MenuWindow& menu = Menu();
    EXPECT_EQ(menu.lbl1024.BackColor, 255u);
    EXPECT_EQ(menu.lbl800.BackColor, 0u);
    EXPECT_EQ(menu.lbl600.BackColor, 0u);
    EXPECT_EQ(menu.lbl16bit.BackColor, 255u);
    EXPECT_EQ(menu.lblDetailLow.BackColor, 255u);
    EXPECT_EQ(menu.lblDetailMedium.BackColor, 0u);
    EXPECT_EQ(menu.lblDetailHigh.BackColor, 0u);
    EXPECT_NE(menu.lbl32bit.BackColor, 255u);

    const auto& g = GeneralVariables;
    EXPECT_FALSE(g.NightDriveOn);
    EXPECT_TRUE(g.LightOn);
    EXPECT_TRUE(g.FogOn);
    EXPECT_FALSE(g.FillWireframesOn);
    EXPECT_FALSE(g.CollisionOn);
    EXPECT_TRUE(g.TexturesOn);
    EXPECT_EQ(menu.Check6.Value(), vbChecked);
    EXPECT_EQ(menu.Check2.Value(), vbChecked);
    EXPECT_EQ(menu.Check3.Value(), vbChecked);
    EXPECT_EQ(menu.Check1.Value(), vbUnchecked);
}

TEST_F(MenuTest, CheckBoxesWriteTheirSwitches) {
    MenuWindow& menu = Menu();
    auto& g = GeneralVariables;
    struct Case {
        Control* box;
        bool* sw;
    };
    const Case cases[] = {{&menu.Check1, &g.NightDriveOn}, {&menu.Check3, &g.FogOn},
                          {&menu.Check4, &g.FillWireframesOn}, {&menu.Check5, &g.CollisionOn},
                          {&menu.Check6, &g.TexturesOn}};
    for (const auto& c : cases) {
        c.box->SetValue(vbChecked);
        EXPECT_TRUE(*c.sw) << c.box->Name;
        c.box->SetValue(vbUnchecked);
        EXPECT_FALSE(*c.sw) << c.box->Name;
        c.box->SetValue(vbGrayed);
        EXPECT_FALSE(*c.sw) << c.box->Name << " grayed counts as off";
    }
}

TEST_F(MenuTest, UncheckingLightGraysNightDriveThroughItsOwnHandler) {
    MenuWindow& menu = Menu();
    menu.Check1.SetValue(vbChecked);
    ASSERT_TRUE(GeneralVariables.NightDriveOn);

    menu.Check2.SetValue(vbUnchecked);
    EXPECT_FALSE(GeneralVariables.LightOn);
    EXPECT_EQ(menu.Check1.Value(), vbGrayed);
    EXPECT_FALSE(GeneralVariables.NightDriveOn);

    // Checking the light again leaves night drive off and grayed.
    menu.Check2.SetValue(vbChecked);
    EXPECT_TRUE(GeneralVariables.LightOn);
    EXPECT_FALSE(GeneralVariables.NightDriveOn);
    EXPECT_EQ(menu.Check1.Value(), vbGrayed);

    // Night drive can be checked again by itself.
    menu.Check1.SetValue(vbChecked);
    EXPECT_TRUE(GeneralVariables.NightDriveOn);
}

TEST_F(MenuTest, LabelClicksMoveTheMarkWithinTheirGroup) {
    constexpr std::uint32_t kMarked = 255, kUnmarked = 0;
    struct Choice {
        Control MenuWindow::*Label;
        void (MenuWindow::*Click)();
    };
    using M = MenuWindow;
    const std::vector<std::vector<Choice>> groups = {
        {{&M::lbl600, &M::lbl600_Click},
         {&M::lbl800, &M::lbl800_Click},
         {&M::lbl1024, &M::lbl1024_Click},
         {&M::lblFill, &M::lblFill_Click}},
        {{&M::lbl16bit, &M::lbl16bit_Click}, {&M::lbl32bit, &M::lbl32bit_Click}},
        {{&M::lblDetailLow, &M::lblDetailLow_Click},
         {&M::lblDetailMedium, &M::lblDetailMedium_Click},
         {&M::lblDetailHigh, &M::lblDetailHigh_Click}},
    };
    MenuWindow& menu = Menu();
    for (const auto& group : groups) {
        // Each label in turn, then back to the first: the mark follows every click.
        for (std::size_t n = 0; n <= group.size(); ++n) {
            const Choice& chosen = group[n % group.size()];
            (menu.*chosen.Click)();
            for (const Choice& other : group) {
                EXPECT_EQ((menu.*other.Label).BackColor, &other == &chosen ? kMarked : kUnmarked)
                    << (menu.*other.Label).Name << " after clicking " << (menu.*chosen.Label).Name;
            }
        }
    }
}

TEST_F(MenuTest, NewGamePressReadsDepthAndDetail) {
    struct Case {
        const char* clicks;  // d: 16-bit, t: 32-bit, l/m/h: detail
        bool use32;
        int detail;
    };
    const Case cases[] = {
        {"", false, 1}, {"t", true, 1}, {"td", false, 1}, {"dt", true, 1}, {"h", false, 3}, {"mt", true, 2},
        {"hl", false, 1},
    };
    for (const auto& c : cases) {
        Reset();
        MenuWindow& menu = Menu();
        for (const char* p = c.clicks; *p; ++p) {
            switch (*p) {
                case 'd': menu.lbl16bit_Click(); break;
                case 't': menu.lbl32bit_Click(); break;
                case 'l': menu.lblDetailLow_Click(); break;
                case 'm': menu.lblDetailMedium_Click(); break;
                case 'h': menu.lblDetailHigh_Click(); break;
            }
        }
        menu.lblStart_MouseDown(1, 0, 0, 0);
        EXPECT_EQ(GeneralVariables.Use32Bit, c.use32) << "clicks: " << c.clicks;
        EXPECT_EQ(GeneralVariables.DetailLevel, c.detail) << "clicks: " << c.clicks;
        EXPECT_EQ(menu.lblStart.BackColor, 255u);
    }
}

TEST_F(MenuTest, ExitEndsAtOnceWithoutAGameWindow) {
    EXPECT_EXIT(
        {
            MenuWindow& menu = Menu();
            menu.lblexit_MouseDown(1, 0, 0, 0);
            menu.lblexit_MouseUp(1, 0, 0, 0);
        },
        testing::ExitedWithCode(0), "END 0");
    Menu().lblexit_MouseDown(1, 0, 0, 0);
    EXPECT_EQ(Menu().lblexit.BackColor, 255u);
    EXPECT_FALSE(GameExists());
}

TEST_F(MenuTest, HeadingsFrameAndVersionHaveNoHandlers) {
    MenuWindow& menu = Menu();
    for (const Control* c :
         {&menu.lblunuse1, &menu.lblunuse2, &menu.lblunuse3, &menu.lblunuse4, &menu.lblvirsion, &menu.Frame1}) {
        EXPECT_FALSE(c->Click) << c->Name;
        EXPECT_FALSE(c->MouseDown) << c->Name;
        EXPECT_FALSE(c->MouseUp) << c->Name;
    }
}

}  // namespace

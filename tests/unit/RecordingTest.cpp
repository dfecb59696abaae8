// Recordings of a drive: what the recorder writes reads back the same, and each
// kind of damage gets its own message with its line.
#include <gtest/gtest.h>

#include <string>

#include "game/record/Recording.h"
#include "platform/Input.h"
#include "platform/Window.h"

namespace {

using namespace record;

std::string WrittenDrive() {
    MenuChoices menu;
    menu.Width = 800;
    menu.Height = 600;
    menu.Use32Bit = true;
    menu.FillScreen = true;
    menu.DetailLevel = 3;
    menu.NightDriveOn = true;
    menu.CollisionOn = true;
    menu.LightOn = menu.FogOn = menu.TexturesOn = false;
    KeyState keys{};
    keys[DIK_UP] = 0x80;
    keys[0x1D] = 0x80;  // left Ctrl: not a key of the game, kept as a number
    const MotionState state{-160.25, 35, 120.5, 3.46000004f, -0.0399999991f, 0.5, true, -596, -898, 3};
    std::string text = HeaderLines("nightdrive 1", menu, {{"3d/a.x", 0x0123456789abcdefull}});
    text += KeysLine(1, keys);
    text += EventLine({1, kCameraYield, EventKind::KeyDown, VK_UP, 0, 0, 0});
    text += EventLine({1, kCameraYield, EventKind::Tick, 0, 0, 0, 0});
    text += TimeLine(1, 16.667);
    text += EventLine({1, kLoopYield, EventKind::MouseMove, 0, 1, 903, 350.5f});
    text += TimeLine(2, 33.334);
    text += CheckLine(2, state);
    text += EventLine({2, kLoopYield, EventKind::Click, vbLeftButton, 0, 500, 350});
    text += EndLine(2, state);
    return text;
}

TEST(RecordingTest, WhatIsWrittenReadsBack) {
    Recording r;
    std::string error;
    ASSERT_TRUE(Parse(WrittenDrive(), r, error)) << error;
    EXPECT_EQ(r.Menu.Width, 800);
    EXPECT_EQ(r.Menu.Height, 600);
    EXPECT_TRUE(r.Menu.Use32Bit);
    EXPECT_TRUE(r.Menu.FillScreen);
    EXPECT_EQ(r.Menu.DetailLevel, 3);
    EXPECT_TRUE(r.Menu.NightDriveOn && r.Menu.CollisionOn);
    EXPECT_FALSE(r.Menu.LightOn || r.Menu.FogOn || r.Menu.TexturesOn || r.Menu.FillWireframesOn);
    ASSERT_EQ(r.World.size(), 1u);
    EXPECT_EQ(r.World[0].Digest, 0x0123456789abcdefull);
    ASSERT_EQ(r.KeyReads.size(), 1u);
    EXPECT_EQ(r.KeyReads[0].Keys[DIK_UP], 0x80);
    EXPECT_EQ(r.KeyReads[0].Keys[0x1D], 0x80);
    EXPECT_EQ(r.KeyReads[0].Keys[DIK_DOWN], 0);
    ASSERT_EQ(r.Events.size(), 4u);
    EXPECT_EQ(r.Events[0].Code, VK_UP);
    EXPECT_EQ(r.Events[2].Yield, kLoopYield);
    EXPECT_EQ(r.Events[2].Shift, 1);
    EXPECT_EQ(r.Events[2].Y, 350.5f);
    EXPECT_EQ(r.FrameTimesMs.size(), 2u);
    ASSERT_EQ(r.Checks.size(), 1u);
    // Written with every digit they have: the state reads back exactly.
    EXPECT_EQ(Differences(r.Checks[0].State, r.EndState), "");
    EXPECT_EQ(r.EndState.Yaw, 3.46000004f);
    EXPECT_EQ(r.EndState.PosX, -160.25);
    EXPECT_EQ(r.EndFrame, 2);
}

// Files of the first version, made before the menu line could say "fill", still
// read: their size is a menu size.
TEST(RecordingTest, FirstVersionStillReads) {
    std::string text = WrittenDrive();
    text.replace(text.find("recording 2"), 11, "recording 1");
    text.replace(text.find(" fill\n"), 5, "");
    Recording r;
    std::string error;
    ASSERT_TRUE(Parse(text, r, error)) << error;
    EXPECT_FALSE(r.Menu.FillScreen);
    EXPECT_TRUE(r.Menu.CollisionOn);
    EXPECT_EQ(r.EndFrame, 2);
}

std::string Replace(std::string text, const std::string& from, const std::string& to) {
    const std::size_t at = text.find(from);
    return at == std::string::npos ? text : text.replace(at, from.size(), to);
}

TEST(RecordingTest, EachDamageHasItsOwnMessage) {
    const std::string good = WrittenDrive();
    const std::string endLine = good.substr(good.rfind("2 end"));
    const struct {
        const char* Name;
        std::string Text;
        const char* Message;
    } cases[] = {
        {"empty", "", "empty file"},
        {"another file", "P3\n1 1\n", "line 1: not a recording"},
        {"newer version", Replace(good, "recording 2", "recording 3"),
         "line 1: version 3 is not supported (this program reads versions 1 to 2)"},
        {"version 0", Replace(good, "recording 2", "recording 0"), "line 1: version 0 is not supported"},
        {"truncated at a line's end", good.substr(0, good.size() - endLine.size()),
         "truncated: no end line (the recording stops at line 12, frame 2)"},
        {"truncated inside a line", good.substr(0, good.size() - 3), "line 13: cut short"},
        {"unknown event", Replace(good, "1 1 tick", "1 1 jump"), "line 7: unknown event 'jump'"},
        {"frame out of order", Replace(good, "2 time", "0 time"), "line 10: frames count from 1"},
        {"frame going back", Replace(good, "2 2 click", "1 2 click"),
         "line 12: frame 1 comes after frame 2 (out of order)"},
        {"yield going back", Replace(Replace(good, "1 1 tick", "1 2 tick"), "1 2 mousemove", "1 1 mousemove"),
         "line 9: yield 1 comes after yield 2 of frame 1 (out of order)"},
        {"a time left out", Replace(good, "1 time 16.667\n", ""), "line 9: time of frame 2 where frame 1 was due"},
        {"unknown key", Replace(good, "1 keys 0x1d", "1 keys Jump 0x1d"), "line 5: unknown key 'Jump'"},
        {"short check", Replace(good, "2 check -160.25", "2 check"), "line 11: check needs PosX"},
        {"text after the end", good + "3 1 tick\n", "line 14: text after the end line"},
        {"no menu", Replace(good, "menu 800x600", "#"), "line 5: a frame before the menu line"},
        {"bad menu", Replace(good, "collision", "turbo"), "line 3: unknown switch 'turbo'"},
        {"a bare program line", Replace(good, "program nightdrive", "program\nmenu 1x1 16 low\n1 zap"),
         "line 4: unknown item 'zap'"},
    };
    for (const auto& c : cases) {
        Recording r;
        std::string error;
        EXPECT_FALSE(Parse(c.Text, r, error)) << c.Name;
        EXPECT_EQ(error.rfind(c.Message, 0), 0u) << c.Name << ": " << error;
    }
}

}  // namespace

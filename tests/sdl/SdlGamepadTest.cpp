// Game controllers through SDL's real controller path: a virtual pad plugged into
// SDL, whose buttons and sticks reach the window system as controller events and
// come out as the keyboard's keys, pointer moves and clicks on the menu.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <utility>
#include <vector>

#include "game/state/GeneralVariables.h"
#include "menu/Menu.h"
#include "platform/Input.h"
#include "platform/Window.h"
#include "platform/sdl_gl/GamepadHooks.h"
#include "platform/sdl_gl/InputKeyboard.h"
#include "platform/sdl_gl/SdlWindow.h"
#include "tests/sdl/SdlTestSupport.h"

namespace {

TEST(PadLookStep, ScalesTheLeanPastTheDeadZone) {
    const std::pair<int, int> cases[] = {
        {0, 0},       {8000, 0},  {-8000, 0},   {8001, 1},  {-8001, -1}, {20000, 4},
        {-20000, -4}, {32767, 8}, {-32768, -8}, {28000, 7}, {30000, 8},
    };
    for (const auto& [axis, pixels] : cases) EXPECT_EQ(PadLookStep(axis), pixels) << axis;
}

class SdlGamepadTest : public testing::Test {
protected:
    void SetUp() override {
        if (!sdltest::StartSdlOffscreen() || !SDL_WasInit(SDL_INIT_GAMECONTROLLER)) {
            ASSERT_FALSE(sdltest::RunningUnderCi()) << "SDL with controllers must start under CI";
            GTEST_SKIP() << "no SDL or no game-controller support here";
        }
        // Offscreen windows never have the focus; SDL drops pad input without it.
        SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
        ASSERT_NO_FATAL_FAILURE(sdltest::ShowFreshMenu());
        ASSERT_EQ(CreateSdlDirectInput8()->CreateDevice("GUID_SysKeyboard", keyboard), D3D_OK);
        ASSERT_EQ(keyboard->SetCommonDataFormat(DIFORMAT_KEYBOARD), D3D_OK);
        ASSERT_EQ(keyboard->Acquire(), D3D_OK);
        const std::uint8_t none[256] = {};
        SetSimulatedKeyState(none);
        SetPadPointerMover([this](int dx, int dy) { moves.emplace_back(dx, dy); });
    }
    void TearDown() override {
        if (IsSkipped()) return;
        while (!pads.empty()) Unplug();
        DoEvents();
        SetPadPointerMover({});
        ClearSimulatedKeyState();
        sdltest::CloseMenu();
    }

    SDL_Joystick* Plug(SDL_JoystickType type = SDL_JOYSTICK_TYPE_GAMECONTROLLER) {
        SDL_VirtualJoystickDesc desc{};
        desc.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
        desc.type = static_cast<Uint16>(type);
        desc.naxes = SDL_CONTROLLER_AXIS_MAX;
        desc.nbuttons = SDL_CONTROLLER_BUTTON_MAX;
        const int index = SDL_JoystickAttachVirtualEx(&desc);
        EXPECT_GE(index, 0) << SDL_GetError();
        SDL_Joystick* pad = SDL_JoystickOpen(index);
        EXPECT_NE(pad, nullptr) << SDL_GetError();
        pads.push_back(pad);
        DoEvents();
        return pad;
    }
    void Unplug() {
        SDL_Joystick* pad = pads.back();
        pads.pop_back();
        const SDL_JoystickID id = SDL_JoystickInstanceID(pad);
        SDL_JoystickClose(pad);
        for (int i = 0; i < SDL_NumJoysticks(); ++i) {
            if (SDL_JoystickGetDeviceInstanceID(i) == id) SDL_JoystickDetachVirtual(i);
        }
    }
    // One frame's read of the keyboard (pads included).
    std::vector<int> HeldKeys() {
        std::uint8_t state[256] = {};
        EXPECT_EQ(keyboard->GetDeviceState(256, state), D3D_OK);
        std::vector<int> held;
        for (int i = 0; i < 256; ++i) {
            if (state[i] & 0x80) held.push_back(i);
        }
        return held;
    }
    void Press(SDL_Joystick* pad, SDL_GameControllerButton button) {
        SDL_JoystickSetVirtualButton(pad, button, 1);
        DoEvents();
        SDL_JoystickSetVirtualButton(pad, button, 0);
        DoEvents();
    }
    int PadFocus() { return Menu().form.Native->PadFocus; }
    int IndexOf(const Control& control) {
        const auto& controls = Menu().form.Controls;
        for (std::size_t i = 0; i < controls.size(); ++i) {
            if (controls[i] == &control) return static_cast<int>(i);
        }
        return -1;
    }

    std::unique_ptr<DirectInputDevice8> keyboard;
    std::vector<SDL_Joystick*> pads;
    std::vector<std::pair<int, int>> moves;
};

TEST_F(SdlGamepadTest, ButtonsAndSticksHoldKeys) {
    HideForm(Menu().form);  // no window to move a focus in or click: keys only
    SDL_Joystick* pad = Plug();
    struct Case {
        bool Button;
        int Input, Value;
        std::vector<int> Held;
    };
    const Case cases[] = {
        {true, SDL_CONTROLLER_BUTTON_DPAD_UP, 1, {DIK_UP}},
        {true, SDL_CONTROLLER_BUTTON_DPAD_DOWN, 1, {DIK_DOWN}},
        {true, SDL_CONTROLLER_BUTTON_DPAD_LEFT, 1, {DIK_LEFT}},
        {true, SDL_CONTROLLER_BUTTON_DPAD_RIGHT, 1, {DIK_RIGHT}},
        {true, SDL_CONTROLLER_BUTTON_LEFTSHOULDER, 1, {DIK_PRIOR}},
        {true, SDL_CONTROLLER_BUTTON_RIGHTSHOULDER, 1, {DIK_NEXT}},
        {true, SDL_CONTROLLER_BUTTON_Y, 1, {DIK_Z}},
        {true, SDL_CONTROLLER_BUTTON_X, 1, {DIK_X}},
        {true, SDL_CONTROLLER_BUTTON_B, 1, {DIK_C}},
        {true, SDL_CONTROLLER_BUTTON_BACK, 1, {DIK_Q}},
        {true, SDL_CONTROLLER_BUTTON_A, 1, {}},
        {false, SDL_CONTROLLER_AXIS_LEFTY, -32768, {DIK_UP}},
        {false, SDL_CONTROLLER_AXIS_LEFTY, 8001, {DIK_DOWN}},
        {false, SDL_CONTROLLER_AXIS_LEFTY, 8000, {}},
        {false, SDL_CONTROLLER_AXIS_LEFTX, -9000, {DIK_LEFT}},
        {false, SDL_CONTROLLER_AXIS_LEFTX, 32767, {DIK_RIGHT}},
        {false, SDL_CONTROLLER_AXIS_RIGHTX, 32767, {}},
        {false, SDL_CONTROLLER_AXIS_TRIGGERLEFT, 32767, {}},
    };
    for (const Case& c : cases) {
        if (c.Button) {
            SDL_JoystickSetVirtualButton(pad, c.Input, static_cast<Uint8>(c.Value));
        } else {
            SDL_JoystickSetVirtualAxis(pad, c.Input, static_cast<Sint16>(c.Value));
        }
        EXPECT_EQ(HeldKeys(), c.Held) << (c.Button ? "button " : "axis ") << c.Input;
        if (c.Button) {
            SDL_JoystickSetVirtualButton(pad, c.Input, 0);
        } else {
            SDL_JoystickSetVirtualAxis(pad, c.Input, 0);
        }
        EXPECT_EQ(HeldKeys(), std::vector<int>{}) << "released " << c.Input;
    }
}

TEST_F(SdlGamepadTest, RightStickMovesThePointerOnceAFrame) {
    HideForm(Menu().form);
    SDL_Joystick* pad = Plug();
    SDL_JoystickSetVirtualAxis(pad, SDL_CONTROLLER_AXIS_RIGHTX, 32767);
    SDL_JoystickSetVirtualAxis(pad, SDL_CONTROLLER_AXIS_RIGHTY, -20000);
    HeldKeys();
    HeldKeys();
    SDL_JoystickSetVirtualAxis(pad, SDL_CONTROLLER_AXIS_RIGHTX, 0);
    SDL_JoystickSetVirtualAxis(pad, SDL_CONTROLLER_AXIS_RIGHTY, 7000);
    HeldKeys();
    const std::vector<std::pair<int, int>> expected = {{8, -4}, {8, -4}};
    EXPECT_EQ(moves, expected);
}

TEST_F(SdlGamepadTest, UnpluggingReleasesAndOtherJoysticksAreIgnored) {
    HideForm(Menu().form);
    SDL_Joystick* pad = Plug();
    SDL_JoystickSetVirtualButton(pad, SDL_CONTROLLER_BUTTON_DPAD_UP, 1);
    SDL_JoystickSetVirtualButton(pad, SDL_CONTROLLER_BUTTON_LEFTSHOULDER, 1);
    EXPECT_EQ(HeldKeys(), (std::vector<int>{DIK_UP, DIK_PRIOR}));
    Unplug();
    EXPECT_EQ(HeldKeys(), std::vector<int>{});

    SDL_Joystick* stick = Plug(SDL_JOYSTICK_TYPE_UNKNOWN);
    ASSERT_FALSE(SDL_IsGameController(SDL_NumJoysticks() - 1));
    for (int button = 0; button < SDL_JoystickNumButtons(stick); ++button) {
        SDL_JoystickSetVirtualButton(stick, button, 1);
    }
    for (int axis = 0; axis < SDL_JoystickNumAxes(stick); ++axis) SDL_JoystickSetVirtualAxis(stick, axis, -32768);
    EXPECT_EQ(HeldKeys(), std::vector<int>{});
    EXPECT_TRUE(moves.empty());
}

TEST_F(SdlGamepadTest, DpadMovesAVisibleFocusAndAClicks) {
    MenuWindow& menu = Menu();
    SDL_Joystick* pad = Plug();
    EXPECT_EQ(PadFocus(), -1);
    struct Step {
        SDL_GameControllerButton Button;
        const Control* Focus;
    };
    const Step walk[] = {
        {SDL_CONTROLLER_BUTTON_DPAD_DOWN, &menu.lblStart},  // the first press shows the focus
        {SDL_CONTROLLER_BUTTON_DPAD_DOWN, &menu.lblexit},
        {SDL_CONTROLLER_BUTTON_DPAD_DOWN, &menu.lblexit},  // nothing clickable below
        {SDL_CONTROLLER_BUTTON_DPAD_UP, &menu.lblStart},
        {SDL_CONTROLLER_BUTTON_DPAD_LEFT, &menu.Check6},
        {SDL_CONTROLLER_BUTTON_DPAD_DOWN, &menu.Check2},
        {SDL_CONTROLLER_BUTTON_DPAD_LEFT, &menu.lbl800},
        {SDL_CONTROLLER_BUTTON_DPAD_UP, &menu.lbl600},
        {SDL_CONTROLLER_BUTTON_DPAD_UP, &menu.lbl600},  // the caption above takes no clicks
    };
    for (const Step& step : walk) {
        Press(pad, step.Button);
        EXPECT_EQ(PadFocus(), IndexOf(*step.Focus)) << step.Focus->Caption;
    }

    // The focus ring is painted round the control.
    const SDL_Rect rect = ControlRect(menu.lbl600);
    Uint32 pixel = 0;
    const SDL_Rect at{rect.x - 2, rect.y + rect.h / 2, 1, 1};
    ASSERT_EQ(SDL_RenderReadPixels(menu.form.Native->Renderer, &at, SDL_PIXELFORMAT_ARGB8888, &pixel, 4), 0)
        << SDL_GetError();
    EXPECT_EQ(pixel & 0xFFFFFF, 0xFFFF00u) << "yellow";

    // A clicks: the label is chosen as by the mouse.
    EXPECT_NE(menu.lbl600.BackColor, 255u);
    Press(pad, SDL_CONTROLLER_BUTTON_A);
    EXPECT_EQ(menu.lbl600.BackColor, 255u);
    EXPECT_NE(menu.lbl1024.BackColor, 255u);

    // A on a check box toggles it through its handler.
    Press(pad, SDL_CONTROLLER_BUTTON_DPAD_RIGHT);
    EXPECT_EQ(PadFocus(), IndexOf(menu.Check6));
    const int before = menu.Check6.Value();
    Press(pad, SDL_CONTROLLER_BUTTON_A);
    EXPECT_NE(menu.Check6.Value(), before);
    EXPECT_EQ(GeneralVariables.TexturesOn, menu.Check6.Value() == vbChecked);
}

}  // namespace

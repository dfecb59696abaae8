// The game window. Its Form_Load, run by "New Game", performs the start-up in a
// fixed order and then runs the main loop; the program ends from a handler that
// runs while the loop yields (a click), from the unload step, or from a fatal
// message during start-up.
#include "game/Game.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>

#include "game/state/Fatal.h"
#include "game/state/GeneralVariables.h"
#include "menu/Menu.h"
#include "motion/GameInput.h"
#include "scene/BuildAndRender.h"

namespace {

constexpr int kLargestScreen = 16384;  // the largest back buffer the device makes

std::unique_ptr<GameWindow> instance;
GameLoopHooks hooks;

}  // namespace

GameLoopHooks& GameHooks() { return hooks; }

GameWindow& Game() {
    if (!instance) instance = std::make_unique<GameWindow>();
    return *instance;
}

bool GameExists() { return instance != nullptr; }

void ResetGame() { instance.reset(); }

GameWindow::GameWindow() {
    form.Caption = "Form1";
    form.BackColor = 0;  // menu text colour: black
    form.DeviceWindow = true;
    form.ClientWidth = 640 * TwipsPerPixel;
    form.ClientHeight = 480 * TwipsPerPixel;
    form.TimerInterval = 50;
    form.Timer = [this] { Timer1_Timer(); };
    form.KeyDown = [this](int keyCode, int shift) { Form_KeyDown(keyCode, shift); };
    form.MouseDown = [this](int button, int shift, float x, float y) { Form_MouseDown(button, shift, x, y); };
    form.MouseMove = [this](int button, int shift, float x, float y) { Form_MouseMove(button, shift, x, y); };
    form.Unload = [this] { Form_Unload(); };
}

void GameWindow::Form_Load() {
    // Shown first: the handler does not return while the game runs, and the
    // loading lines draw into this window.
    if (!ShowForm(form)) FatalMessage("Cannot open the game window.");
    InitGameState();
    ReadResolution();
    if (hooks.ResolutionRead) hooks.ResolutionRead();
    // The keyboard and the device are bound to this window.
    GeneralVariables.WindowHandle = FormHandle(form);
    SetupKeyboard();
    (void)SetupDevice();
    CreateTextFont();
    LoadWorld();
    (void)SetCursorPos(kRecentrePoint.X, kRecentrePoint.Y);
    (void)ShowCursor(false);

    if (hooks.MainLoopStarting) hooks.MainLoopStarting();
    while (GeneralVariables.Running) {
        if (hooks.FrameStarting) hooks.FrameStarting();
        RenderFrame();
        if (hooks.FrameDrawn) hooks.FrameDrawn();
        DoEvents();
    }
    End(0);
}

void GameWindow::InitGameState() {
    auto& g = GeneralVariables;
    g.PosX = -160;
    g.PosZ = 120;
    g.PosY = 35;
    g.Yaw = 3.5f;
    g.CarLightsOn = true;
    g.Running = true;
    g.CanMove = true;
    g.Speed = 0.5;
    g.PitchStep = 0.04;
    g.AnimFrame = 1;
    g.TextRect.top = 5;
    g.TextRect.left = 100;
    g.TextRect.bottom = 500;
    g.TextRect.right = 1000;
    if (g.NightDriveOn) {
        g.ClearColor = 10;
        g.FogColor = 10;
    } else {
        g.ClearColor = 88799;
        g.FogColor = 88799;
    }
    g.Car1Z = -600;
    g.Car2Z = -900;
}

// The chosen size lives only in the menu's label colours; the last marked label
// in this order wins, and with none marked the pair stays as it was.
void GameWindow::ReadResolution() {
    auto& g = GeneralVariables;
    MenuWindow& menu = Menu();
    if (menu.lbl600.BackColor == 255) {
        g.ScreenWidth = 640;
        g.ScreenHeight = 480;
    }
    if (menu.lbl800.BackColor == 255) {
        g.ScreenWidth = 800;
        g.ScreenHeight = 600;
    }
    if (menu.lbl1024.BackColor == 255) {
        g.ScreenWidth = 1024;
        g.ScreenHeight = 768;
    }
    // "Fill Screen": the screen's own pixel size (1024 x 768 where it is unknown).
    g.FillScreen = menu.lblFill.BackColor == 255;
    if (g.FillScreen) {
        int width = 0, height = 0;
        if (!ScreenPixelSize(form, width, height)) {
            width = 1024;
            height = 768;
        }
        g.ScreenWidth = static_cast<std::int16_t>(std::clamp(width, 1, kLargestScreen));
        g.ScreenHeight = static_cast<std::int16_t>(std::clamp(height, 1, kLargestScreen));
    }
}

// On a filled screen the text keeps its place and size in the 1024 x 768 picture,
// fitted into the screen and centred, so it reads the same at every size.
void GameWindow::FitTextToScreen() {
    auto& g = GeneralVariables;
    const double width = g.ScreenWidth.value_or(0);
    const double height = g.ScreenHeight;
    if (!g.FillScreen || width <= 0 || height <= 0) return;
    const double scale = std::min(width / 1024.0, height / 768.0);
    const double left = (width - 1024.0 * scale) / 2.0;
    const double top = (height - 768.0 * scale) / 2.0;
    const auto at = [scale](double origin, int coordinate) {
        return static_cast<std::int32_t>(std::lround(origin + coordinate * scale));
    };
    g.TextRect.left = at(left, 100);
    g.TextRect.right = at(left, 1000);
    g.TextRect.top = at(top, 5);
    g.TextRect.bottom = at(top, 500);
    g.TextFontDesc->Size = static_cast<float>(8.0 * scale);
}

void GameWindow::CreateTextFont() {
    auto& g = GeneralVariables;
    if (!g.TextFontDesc) g.TextFontDesc = std::make_unique<StdFont>();
    g.TextFontDesc->Name = "Verdana";
    g.TextFontDesc->Size = 8;
    g.TextFontDesc->Bold = true;
    FitTextToScreen();
    if (!g.D3DXLib) g.D3DXLib = CreateD3DX8();
    // Without a device there is nothing to draw with: the first use of it ends
    // the program with a clear report.
    if (!g.Device) {
        FatalMessage("Cannot create the 3-D device: an OpenGL 3.3 capable display is required.");
    }
    Check(g.D3DXLib->CreateFont(*g.Device, *g.TextFontDesc, g.TextFont), "D3DX.CreateFont");
}

void GameWindow::Timer1_Timer() {
    auto& g = GeneralVariables;
    g.AnimFrame = g.AnimFrame + 1;
    if (g.AnimFrame == 31) g.AnimFrame = 1;
}

void GameWindow::Form_KeyDown(int keyCode, int shift) { GameKeyDown(keyCode, shift); }

void GameWindow::Form_MouseMove(int button, int shift, float x, float y) { GameMouseMove(button, shift, x, y); }

void GameWindow::Form_MouseDown(int /*button*/, int /*shift*/, float /*x*/, float /*y*/) {
    (void)ShowCursor(true);
    End(0);
}

// Runs when the window system closes the window. The objects are released in this
// order, and the program then ends here: the main loop must not draw with them.
void GameWindow::Form_Unload() {
    auto& g = GeneralVariables;
    g.DxRoot.reset();
    g.D3DRoot.reset();
    g.Device.reset();
    g.D3DXLib.reset();
    g.DInput.reset();
    g.Keyboard.reset();
    g.Mesh01.reset();
    g.Mesh02.reset();
    (void)ShowCursor(true);
    g.Running = false;
    End(0);
}

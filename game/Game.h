// The game window: start-up in a fixed order, the main loop, the animation timer,
// the mouse click that ends the program, and the unload step.
#pragma once

#include <functional>

#include "platform/Window.h"

class GameWindow {
public:
    GameWindow();

    Form form;

    void Form_Load();
    void Timer1_Timer();
    void Form_MouseDown(int button, int shift, float x, float y);
    void Form_Unload();
    // Key and mouse-move handlers pass the event on to the motion code.
    void Form_KeyDown(int keyCode, int shift);
    void Form_MouseMove(int button, int shift, float x, float y);

    void InitGameState();
    void ReadResolution();
    void CreateTextFont();
    void FitTextToScreen();
};

// Observers of the main loop, for drivers that run the program without a user
// (the headless runner): called once as the loop starts, and around each frame.
struct GameLoopHooks {
    std::function<void()> ResolutionRead;  // right after ReadResolution (may change the size)
    std::function<void()> MainLoopStarting;
    std::function<void()> FrameStarting;
    std::function<void()> FrameDrawn;  // right after RenderFrame returns
};
GameLoopHooks& GameHooks();

// The game window, created on first reference. Referring to it only creates the
// window object; "New Game" runs its Form_Load, which holds the whole game and
// returns only when the main loop stops.
GameWindow& Game();
// True once the game window exists.
bool GameExists();
// Forgets the game window (tests).
void ResetGame();

// Key presses and mouse moves in the game window, as free functions the window's
// handlers call. They only change the motion state (or the fill mode).
#pragma once

// A point in screen pixels.
struct ScreenPoint {
    int X = 0;
    int Y = 0;
};

// Where the pointer is put when the game starts and whenever it nears an edge.
inline constexpr ScreenPoint kRecentrePoint{500, 350};

void GameKeyDown(int keyCode, int shift);
void GameMouseMove(int button, int shift, float x, float y);

// Key presses and mouse moves in the game window. They only change the motion
// state (or the fill mode); the next camera update turns that into the view.
#include "motion/GameInput.h"

#include <cmath>

#include "game/state/Fatal.h"
#include "game/state/GeneralVariables.h"
#include "motion/Matrix.h"
#include "platform/Window.h"

void GameKeyDown(int keyCode, int /*shift*/) {
    auto& g = GeneralVariables;
    if (keyCode == VK_Z) {
        g.PosY = g.PosY + 1;
    } else if (keyCode == VK_X) {
        g.PosY = g.PosY - 1;
    }

    // View presets, by exact height: 3.5 -> 5.5 -> 130 -> 3.5. The aerial preset
    // tilts by 200 radians, which as an angle looks about 61 degrees down.
    if (keyCode == VK_C) {
        if (g.PosY == 3.5) {
            g.PosY = 5.5;
            g.Pitch = 0;
        } else if (g.PosY == 5.5) {
            g.PosY = 130;
            g.Pitch = 200;
        } else if (g.PosY == 130) {
            g.PosY = 3.5;
            g.Pitch = 0;
        }
    }

    // Nothing sets the fill mode back to solid.
    if (keyCode == VK_Q) Check(g.Device->SetRenderState(D3DRS_FILLMODE, D3DFILL_WIREFRAME), "Device.SetRenderState");
}

void GameMouseMove(int /*button*/, int /*shift*/, float x, float y) {
    auto& g = GeneralVariables;
    if (x > static_cast<float>(g.LastMouseX)) {
        g.Yaw = static_cast<float>(g.Yaw - kTurnStep);
        if (g.Yaw < 0) g.Yaw = g.Yaw + kTwoPi;
    }
    if (x < static_cast<float>(g.LastMouseX)) {
        g.Yaw = static_cast<float>(g.Yaw + kTurnStep);
        if (g.Yaw > kTwoPi) g.Yaw = g.Yaw - kTwoPi;
    }
    if (y > static_cast<float>(g.LastMouseY)) g.Pitch = static_cast<float>(g.Pitch - g.PitchStep);
    if (y < static_cast<float>(g.LastMouseY)) g.Pitch = static_cast<float>(g.Pitch + g.PitchStep);

    // Rounded half to even (the default rounding mode).
    g.LastMouseX = static_cast<std::int32_t>(std::nearbyint(x));
    g.LastMouseY = static_cast<std::int32_t>(std::nearbyint(y));

    // The jump is not recorded in LastMouseX/Y: the move event that reports the
    // pointer back at the centre compares with the position before the jump.
    const auto recentre = [] { (void)SetCursorPos(kRecentrePoint.X, kRecentrePoint.Y); };
    if (x > 900) recentre();
    if (x < 100) recentre();
    if (y > 700) recentre();
    if (y < 100) recentre();
}

// The camera update runs once per frame after the objects and lights, so the view
// it sets shows in the next frame. Yaw and Pitch are single precision and stored
// back after each change; positions are double precision.
#include "motion/Matrix.h"

#include <cmath>

#include "game/state/Fatal.h"
#include "game/state/GeneralVariables.h"
#include "motion/CDetection.h"
#include "platform/Window.h"

namespace {

constexpr double kLeastTurningSpeed = 0.1;
constexpr double kReverseSpeed = 1.0;
constexpr float kFieldOfView = 1.0471976f;  // pi / 3, in single precision

// The projection's aspect: 1 for the menu's 4:3 sizes; on a filled screen its
// shape over 4:3, so the vertical field of view stays and a wider screen shows
// more to the sides.
float ProjectionAspect() {
    const auto& g = GeneralVariables;
    const int width = g.ScreenWidth.value_or(0);
    if (!g.FillScreen || width <= 0 || g.ScreenHeight <= 0) return 1.0f;
    return static_cast<float>((static_cast<double>(width) / g.ScreenHeight) / (4.0 / 3.0));
}

bool KeyDown(int scanCode) { return GeneralVariables.KeyState[static_cast<std::size_t>(scanCode)] != 0; }

void SetWorld(const D3DMATRIX& matrix) {
    Check(GeneralVariables.Device->SetTransform(D3DTS_WORLD, matrix), "Device.SetTransform");
}

// Moves a car one step along its lane at x and sets its world transform. The
// wrap test comes before the step, so the car is drawn once just past its limit
// before it jumps back.
void DriveCar(std::int32_t& z, std::int32_t limit, std::int32_t step, float x, D3DMATRIX& matrix) {
    if (z > limit) z = -limit;
    z = z + step;
    D3DXMatrixTranslation(&matrix, x, 0, static_cast<float>(z));
    SetWorld(matrix);
}

}  // namespace

void UpdateCamera() {
    auto& g = GeneralVariables;
    Check(g.Keyboard->GetDeviceState(static_cast<DWORD>(g.KeyState.size()), g.KeyState.data()),
          "Keyboard.GetDeviceState");

    if (KeyDown(DIK_RIGHT) && g.Speed > kLeastTurningSpeed) {
        g.Yaw = static_cast<float>(g.Yaw - kTurnStep);
        if (g.Yaw < 0) g.Yaw = g.Yaw + kTwoPi;
    }
    if (KeyDown(DIK_LEFT) && g.Speed > kLeastTurningSpeed) {
        g.Yaw = static_cast<float>(g.Yaw + kTurnStep);
        if (g.Yaw > kTwoPi) g.Yaw = g.Yaw - kTwoPi;
    }
    g.MoveAngle = kTwoPi - g.Yaw;

    if (KeyDown(DIK_UP)) {
        if (g.CollisionOn) CheckCollision();
        if (g.CanMove) {
            g.PosX = g.PosX + std::sin(static_cast<double>(g.MoveAngle)) * g.Speed;
            g.PosZ = g.PosZ + std::cos(static_cast<double>(g.MoveAngle)) * g.Speed;
        }
    }
    // Reversing is never tested against the walls, and the speed stays at 1.0.
    if (KeyDown(DIK_DOWN)) {
        g.Speed = kReverseSpeed;
        g.PosX = g.PosX - std::sin(static_cast<double>(g.MoveAngle)) * g.Speed;
        g.PosZ = g.PosZ - std::cos(static_cast<double>(g.MoveAngle)) * g.Speed;
    }
    if (KeyDown(DIK_PRIOR)) g.Pitch = static_cast<float>(g.Pitch + g.PitchStep);
    if (KeyDown(DIK_NEXT)) g.Pitch = static_cast<float>(g.Pitch - g.PitchStep);

    // The static objects of the next frame set no world transform of their own.
    D3DXMatrixIdentity(&g.MatWorld);
    SetWorld(g.MatWorld);

    D3DXMatrixRotationY(&g.MatYaw, g.Yaw);
    D3DXMatrixRotationX(&g.MatPitch, g.Pitch);
    D3DXMatrixMultiply(&g.MatRotation, &g.MatYaw, &g.MatPitch);
    D3DXMatrixTranslation(&g.MatTranslation, static_cast<float>(-g.PosX), static_cast<float>(-g.PosY),
                          static_cast<float>(-g.PosZ));
    D3DXMatrixMultiply(&g.MatView, &g.MatTranslation, &g.MatRotation);
    Check(g.Device->SetTransform(D3DTS_VIEW, g.MatView), "Device.SetTransform");

    // Key and mouse handlers run here; what they change shows next frame.
    DoEvents();

    D3DXMatrixPerspectiveFovLH(&g.MatProj, kFieldOfView, ProjectionAspect(), 1.0f, 800.0f);
    Check(g.Device->SetTransform(D3DTS_PROJECTION, g.MatProj), "Device.SetTransform");
}

void PlaceCar1() { DriveCar(GeneralVariables.Car1Z, 700, 2, -45, GeneralVariables.MatCar1); }
void PlaceCar2() { DriveCar(GeneralVariables.Car2Z, 900, 1, -85, GeneralVariables.MatCar2); }

void PlaceObject(int X, int Y, int Z) {
    auto& g = GeneralVariables;
    D3DXMatrixTranslation(&g.MatPlaced, static_cast<float>(X), static_cast<float>(Y), static_cast<float>(Z));
    SetWorld(g.MatPlaced);
}

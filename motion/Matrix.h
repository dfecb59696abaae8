// Camera and vehicle motion: the per-frame camera update, the two cars and the
// placed object. All amounts are per frame.
#pragma once

// NOLINTBEGIN(readability-identifier-naming): the placing calls keep the parameter names of their design

inline constexpr float kTwoPi = 6.2831855f;
inline constexpr double kTurnStep = 0.04;

void UpdateCamera();
void PlaceCar1();
void PlaceCar2();
void PlaceObject(int X, int Y, int Z);
// NOLINTEND(readability-identifier-naming)

// Car-mode collision: four fixed wall boxes around the start yard, in the x-z plane.
#pragma once

// NOLINTBEGIN(readability-identifier-naming): the collision calls keep the parameter names of their design

void CheckCollision();
void TestWallBox(int MinX, int MaxX, int MinZ, int MaxZ);
// NOLINTEND(readability-identifier-naming)

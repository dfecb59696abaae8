// Car-mode collision: four fixed wall boxes around the start yard, in the x-z plane.
#pragma once

void CheckCollision();
void TestWallBox(int MinX, int MaxX, int MinZ, int MaxZ);

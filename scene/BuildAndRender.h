// Scene set-up and frame rendering: the keyboard and the 3-D device, the world's
// files and their load order, one frame of the game. The loading line and fog sit
// below the mesh store, in scene/loading.
#pragma once

#include <cstdint>

// Input and device set-up (once, at the game's start-up).
void SetupKeyboard();
bool SetupDevice();

// The world.
void LoadWorld();
void LoadWorldBase();

// One frame.
void RenderFrame();
// The frame's lights (street lamps or sun, car lights), when lighting is on.
void SetupFrameLights();
// The animation mesh (1..15) drawn for an AnimFrame value; 0 for none.
int AnimationMeshFor(std::int32_t animFrame);

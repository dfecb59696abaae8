// The walls of the start yard as four boxes with inclusive bounds; height is
// never tested. The test looks at the position before the step.
#include "motion/CDetection.h"

#include "game/state/GeneralVariables.h"

// NOLINTBEGIN(readability-identifier-naming): the collision calls keep the parameter names of their design

void TestWallBox(int MinX, int MaxX, int MinZ, int MaxZ) {
    const auto& g = GeneralVariables;
    const bool inside = g.PosX >= MinX && g.PosX <= MaxX && g.PosZ >= MinZ && g.PosZ <= MaxZ;
    GeneralVariables.CanMove = !inside;
}

void CheckCollision() {
    TestWallBox(-162, -145, 133, 134);
    if (!GeneralVariables.CanMove) return;
    TestWallBox(-162, -145, 85, 86);
    if (!GeneralVariables.CanMove) return;
    TestWallBox(-162, -161, 85, 133);
    if (!GeneralVariables.CanMove) return;
    TestWallBox(-147, -146, 85, 133);
}
// NOLINTEND(readability-identifier-naming)

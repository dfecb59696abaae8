// The runner's baselines: the limit of the machine, measured beside the game.
#pragma once

#include <memory>

#include "platform/D3dx.h"

// The world the frame draws at the current detail level, merged into one mesh
// (the cars at their starting places). Null when the platform cannot make it.
std::unique_ptr<D3DXMesh> MergeWorld();

// The GL entry points of the platform, in the host's flavour: desktop OpenGL
// through libepoxy, or OpenGL ES 3.0 (WebGL 2) in the page with the few desktop
// calls it lacks mapped onto their ES forms. The build puts the host's folder
// (platform/host/desktop or platform/host/web) on the include path.
#pragma once

#include "HostGl.h"

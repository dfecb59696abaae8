// The GL entry points on the desktop: OpenGL 3.3 core through libepoxy.
#pragma once

#include <epoxy/gl.h>

#include "platform/sdl_gl/Window.h"

#include "platform/sdl_gl/Page.h"

void Paint() { Yield(); }

#include "platform/sdl_gl/Page.h"

#ifdef __EMSCRIPTEN__
#include "platform/sdl_gl/Window.h"

void Yield() { Paint(); }
#endif

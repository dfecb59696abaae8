// Debug-build GL error checks (see GlDebug.h).
#include "platform/sdl_gl/GlDebug.h"

#include <epoxy/gl.h>

#include <cstdio>

namespace {
std::uint64_t errorCount = 0;
}

std::uint64_t GlErrorCount() { return errorCount; }

#ifdef NDEBUG
void GlCheck(const char*) {}
#else
void GlCheck(const char* where) {
    // A lost or missing context keeps returning errors; cap the loop.
    for (int i = 0; i < 16; ++i) {
        const GLenum error = glGetError();
        if (error == GL_NO_ERROR) return;
        ++errorCount;
        std::fprintf(stderr, "GL error 0x%04X after %s\n", static_cast<unsigned>(error), where);
    }
}
#endif

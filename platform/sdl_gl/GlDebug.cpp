// GL error checks, switched at run time (see GlDebug.h).
#include "platform/sdl_gl/GlDebug.h"

#include "platform/sdl_gl/GlApi.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

bool ChecksAtStart() {
#ifndef NDEBUG
    return true;
#else
    const char* setting = std::getenv("ND_GL_CHECK");
    return setting != nullptr && std::strcmp(setting, "1") == 0;
#endif
}

std::uint64_t errorCount = 0;

}  // namespace

bool gldebug::checking = ChecksAtStart();

void gldebug::DrainErrors(const char* where) {
    // A lost or missing context keeps returning errors; cap the loop.
    for (int i = 0; i < 16; ++i) {
        const GLenum error = glGetError();
        if (error == GL_NO_ERROR) return;
        ++errorCount;
        std::fprintf(stderr, "GL error 0x%04X after %s\n", static_cast<unsigned>(error), where);
    }
}

std::uint64_t GlErrorCount() { return errorCount; }

void GlSetErrorChecks(bool on) { gldebug::checking = on; }
bool GlErrorChecksOn() { return gldebug::checking; }

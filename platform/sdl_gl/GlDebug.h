// GL error accounting for the device, meshes, textures and text. When checking is
// on, every checked GL call sequence is followed by glGetError and each error is
// reported on stderr with the place it happened; GlErrorCount() gives the running
// total so tests can insist on zero. Checking is on in debug builds (NDEBUG not
// defined), wherever ND_GL_CHECK=1 is in the environment at start-up, and after
// GlSetErrorChecks(true); otherwise each check is one untaken branch.
#pragma once

#include <cstdint>

// Number of GL errors seen since the start of the process (0 while checking is off).
std::uint64_t GlErrorCount();

// Turns the checks on or off (the GL tests turn them on for the whole run).
void GlSetErrorChecks(bool on);
bool GlErrorChecksOn();

namespace gldebug {
extern bool checking;
void DrainErrors(const char* where);
}  // namespace gldebug

// Drains glGetError, reporting and counting every error under the name `where`.
// Does nothing while checking is off.
inline void GlCheck(const char* where) {
    if (gldebug::checking) gldebug::DrainErrors(where);
}

// GL error accounting for the device, meshes, textures and text. In debug builds
// (NDEBUG not defined) every checked GL call sequence is followed by glGetError and
// each error is reported on stderr with the place it happened; GlErrorCount() gives
// the running total so tests can insist on zero. Release builds check nothing.
#pragma once

#include <cstdint>

// Number of GL errors seen since the start of the process (always 0 in release builds).
std::uint64_t GlErrorCount();

// Drains glGetError, reporting and counting every error under the name `where`.
// A no-op when NDEBUG is defined.
void GlCheck(const char* where);

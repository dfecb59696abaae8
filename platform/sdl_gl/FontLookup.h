// Resolves a font face name to a font file through fontconfig, with DejaVu Sans
// as the fallback where the face is not installed.
#pragma once

#include <string>

// Returns the path of the best match for `family` (bold or regular), or an empty
// string when no font file at all can be found.
std::string FindFontFile(const std::string& family, bool bold);

// What the two .x body readers (XFileText.h, XFileBinary.h) share. The object
// parser (XFile.cpp) is a template over the two reader classes, so both offer the
// same small set of calls:
// structural tokens (names, braces, strings, GUIDs) and a stream of numbers that
// ignores separators. Every read is bounded by the end of the buffer; nothing here
// allocates.
#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace xfile {

enum class Tok { End, OpenBrace, CloseBrace, Name, Template, String, Guid, Number, Other };

// Non-finite numbers (the C runtime's "1.#QNAN0" and friends, overflowing literals,
// NaN/infinity bit patterns in binary files) are read as 0, so that no later step
// (transforms, hashing, simplification, drawing) ever sees one.
inline float Sanitize(double v) {
    const float f = static_cast<float>(v);
    return std::isfinite(f) ? f : 0.0f;
}

inline bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i];
        char y = b[i];
        if (x >= 'A' && x <= 'Z') {
            x = static_cast<char>(x - 'A' + 'a');
        }
        if (y >= 'A' && y <= 'Z') {
            y = static_cast<char>(y - 'A' + 'a');
        }
        if (x != y) {
            return false;
        }
    }
    return true;
}

}  // namespace xfile

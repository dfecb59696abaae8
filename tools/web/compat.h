// Included before every source file of the browser build: the few C++20 library
// pieces its older standard library lacks, in their standard form.
#pragma once

#ifdef __cplusplus
#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <string>
#include <system_error>
#include <type_traits>

#if !defined(__cpp_lib_bit_cast)
namespace std {

template <class To, class From>
requires(sizeof(To) == sizeof(From) && is_trivially_copyable_v<To> && is_trivially_copyable_v<From>) To
    bit_cast(const From& from)
noexcept {
    To to;
    memcpy(&to, &from, sizeof to);
    return to;
}

// Decimal floating-point parsing in the C locale (the only locale here).
inline from_chars_result from_chars(const char* first, const char* last, double& value,
                                    chars_format = chars_format::general) {
    const string text(first, last);
    char* end = nullptr;
    errno = 0;
    const double parsed = strtod(text.c_str(), &end);
    const auto used = static_cast<size_t>(end - text.c_str());
    if (used == 0 || text[0] == ' ' || text[0] == '+' || text[0] == '\t' || text[0] == '\n')
        return {first, errc::invalid_argument};
    if (errno == ERANGE) return {first + used, errc::result_out_of_range};
    value = parsed;
    return {first + used, errc{}};
}

}  // namespace std
#endif
#endif

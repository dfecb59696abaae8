// Token reader for text .x bodies (see XFileTokens.h for the shared calls).
#pragma once

#include <array>
#include <bit>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "platform/xfile/XFileTokens.h"

namespace xfile {

// ---------------------------------------------------------------------------------
// Text bodies.

// Bytes that separate values: whitespace, ';' and ',' (optional and
// interchangeable), and a stray NUL or Ctrl-Z.
constexpr std::array<std::uint8_t, 256> MakeSkippable() {
    std::array<std::uint8_t, 256> t{};
    for (const char c : {' ', '\t', '\r', '\n', '\f', '\v', '\0', '\x1a', ';', ','}) {
        t[static_cast<unsigned char>(c)] = 1;
    }
    return t;
}
inline constexpr std::array<std::uint8_t, 256> kSkippable = MakeSkippable();

class TextReader {
public:
    TextReader(const std::uint8_t* data, std::size_t size)
        : begin_(reinterpret_cast<const char*>(data)), p_(begin_), end_(begin_ + size) {}

    // Upper bound on the numbers left: each needs a character and a separator.
    std::size_t MaxValuesLeft() const { return static_cast<std::size_t>(end_ - p_) / 2 + 1; }
    std::size_t BytesLeft() const { return static_cast<std::size_t>(end_ - p_); }
    void EndValues() {}

    Tok Peek() {
        SkipSpace();
        if (p_ >= end_) {
            return Tok::End;
        }
        switch (*p_) {
            case '{':
                return Tok::OpenBrace;
            case '}':
                return Tok::CloseBrace;
            case '"':
                return Tok::String;
            case '<':
                return Tok::Guid;
            default:
                break;
        }
        if (IsNameChar(*p_)) {
            const char* q = p_;
            while (q < end_ && IsNameChar(*q)) {
                ++q;
            }
            if (EqualsNoCase(std::string_view(p_, static_cast<std::size_t>(q - p_)), "template")) {
                return Tok::Template;
            }
            return Tok::Name;
        }
        return Tok::Other;
    }

    // Consumes the brace or keyword that Peek just reported.
    void Consume() {
        if (p_ >= end_) {
            return;
        }
        if (*p_ == '{' || *p_ == '}') {
            ++p_;
            return;
        }
        while (p_ < end_ && IsNameChar(*p_)) {
            ++p_;
        }
    }

    bool ReadName(std::string_view& name) {
        SkipSpace();
        const char* start = p_;
        while (p_ < end_ && IsNameChar(*p_)) {
            ++p_;
        }
        name = std::string_view(start, static_cast<std::size_t>(p_ - start));
        return !name.empty();
    }

    bool SkipGuid() {
        SkipSpace();
        if (p_ >= end_ || *p_ != '<') {
            return true;
        }
        const void* close = std::memchr(p_, '>', static_cast<std::size_t>(end_ - p_));
        if (close == nullptr) {
            return false;
        }
        p_ = static_cast<const char*>(close) + 1;
        return true;
    }

    bool ReadString(std::string_view& s) {
        SkipSpace();
        if (p_ >= end_ || *p_ != '"') {
            return false;
        }
        ++p_;
        const void* close = std::memchr(p_, '"', static_cast<std::size_t>(end_ - p_));
        if (close == nullptr) {
            return false;
        }
        const char* q = static_cast<const char*>(close);
        s = std::string_view(p_, static_cast<std::size_t>(q - p_));
        p_ = q + 1;
        return true;
    }

    // Skips to the brace that closes the object whose '{' was just consumed.
    bool SkipBlock() {
        std::size_t depth = 1;
        char prev = ' ';
        while (p_ < end_) {
            const char c = *p_++;
            switch (c) {
                case '{':
                    ++depth;
                    break;
                case '}':
                    if (--depth == 0) {
                        return true;
                    }
                    break;
                case '"': {
                    const void* close = std::memchr(p_, '"', static_cast<std::size_t>(end_ - p_));
                    if (close == nullptr) {
                        return false;
                    }
                    p_ = static_cast<const char*>(close) + 1;
                    break;
                }
                case '/':
                    if (p_ < end_ && *p_ == '/') {
                        SkipLine();
                    }
                    break;
                case '#':
                    // "1.#QNAN0" is a number, not a comment.
                    if (prev != '.') {
                        SkipLine();
                    }
                    break;
                default:
                    break;
            }
            prev = c;
        }
        return false;
    }

    bool ReadUInt(std::uint32_t& v) {
        SkipSpace();
        return ParseUInt(v);
    }

    bool ReadUInts(std::uint32_t* out, std::size_t n) {
        for (std::size_t i = 0; i < n; ++i) {
            SkipSpace();
            if (!ParseUInt(out[i])) {
                return false;
            }
        }
        return true;
    }

    bool ReadFloat(float& v) {
        SkipSpace();
        return ParseFloat(v);
    }

    // Reads a triangle face "3; a, b, c" in one go; anything else is left unread.
    [[gnu::always_inline]] bool TryTriangle(std::uint32_t* out) {
        const char* const mark = p_;
        SkipSpace();
        if (end_ - p_ < 2 || p_[0] != '3' || static_cast<unsigned char>(p_[1] - '0') <= 9) {
            p_ = mark;
            return false;
        }
        ++p_;
        for (int k = 0; k < 3; ++k) {
            SkipSpace();
            if (!ParseUInt(out[k])) {
                p_ = mark;
                return false;
            }
        }
        return true;
    }

    bool ReadFloats(float* out, std::size_t n) {
        for (std::size_t i = 0; i < n; ++i) {
            SkipSpace();
            if (!ParseFloat(out[i])) {
                return false;
            }
        }
        return true;
    }

private:
    static bool IsNameChar(char c) {
        switch (c) {
            case ' ':
            case '\t':
            case '\r':
            case '\n':
            case '\f':
            case '\v':
            case '\0':
            case '\x1a':
            case ';':
            case ',':
            case '{':
            case '}':
            case '"':
            case '<':
                return false;
            default:
                return true;
        }
    }

    void SkipLine() {
        const void* nl = std::memchr(p_, '\n', static_cast<std::size_t>(end_ - p_));
        p_ = nl != nullptr ? static_cast<const char*>(nl) + 1 : end_;
    }

    // Whitespace, separators (';' and ',' are optional and interchangeable), comments,
    // and a stray NUL or Ctrl-Z.
    void SkipSpace() {
        while (p_ < end_) {
            const unsigned char c = static_cast<unsigned char>(*p_);
            if (kSkippable[c] != 0) {
                ++p_;
            } else if (c == '#' || (c == '/' && p_ + 1 < end_ && p_[1] == '/')) {
                SkipLine();
            } else {
                return;
            }
        }
    }

    // Reads the run of up to 8 decimal digits at p (8 bytes must be readable):
    // returns how many there were and stores their value.
    static int DigitRun8(const char* p, std::uint64_t& value) {
        std::uint64_t v = 0;
        std::memcpy(&v, p, 8);
        std::uint64_t t = v - 0x3030303030303030ull;
        // A byte that is not a digit gets its high bit set (later bytes may be
        // disturbed by borrows and carries, but only the leading run counts).
        const std::uint64_t flags = ((t + 0x7676767676767676ull) | t) & 0x8080808080808080ull;
        const int n = flags == 0 ? 8 : std::countr_zero(flags) / 8;
        if (n == 0) {
            value = 0;
            return 0;
        }
        t <<= 8 * (8 - n);  // the digits into the top bytes, zeros before them
        t = t * 10 + (t >> 8);
        t = (((t & 0x000000FF000000FFull) * (100 + (1000000ull << 32))) +
             (((t >> 16) & 0x000000FF000000FFull) * (1 + (10000ull << 32)))) >>
            32;
        value = t;
        return n;
    }

    static constexpr double kPow10[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                        1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
    // Bytes that must be left for the fast number paths, which read without bounds checks.
    static constexpr std::ptrdiff_t kFastBytes = 48;

    static constexpr std::uint64_t kPow10u[] = {1ull,      10ull,      100ull,      1000ull,     10000ull,
                                                100000ull, 1000000ull, 10000000ull, 100000000ull};

    // The fast paths are inlined where numbers are read; the general ones are not.
    [[gnu::always_inline]] bool ParseUInt(std::uint32_t& v) {
        // The common case, far from the end: at most 9 digits, read byte by byte
        // without bounds checks (at most 10 bytes are looked at).
        if (end_ - p_ >= kFastBytes) {
            const char* p = p_;
            std::uint32_t acc = 0;
            unsigned d = static_cast<unsigned char>(*p) - static_cast<unsigned>('0');
            if (d <= 9) {
                do {
                    acc = acc * 10 + d;
                    ++p;
                    d = static_cast<unsigned char>(*p) - static_cast<unsigned>('0');
                } while (d <= 9 && p - p_ < 9);
                if (d > 9) {
                    v = acc;
                    p_ = p;
                    return true;
                }
            }
        }
        return ParseUIntSlow(v);
    }

    [[gnu::noinline]] bool ParseUIntSlow(std::uint32_t& v) {
        const char* p = p_;
        if (p < end_ && *p == '+') {
            ++p;
        }
        std::uint64_t acc = 0;
        const char* digits = p;
        if (end_ - p >= 8) {
            std::uint64_t run = 0;
            const int n = DigitRun8(p, run);
            acc = run;
            p += n;
            if (n < 8) {
                if (n == 0) {
                    return false;
                }
                v = static_cast<std::uint32_t>(acc);
                p_ = p;
                return true;
            }
        }
        while (p < end_) {
            const unsigned d = static_cast<unsigned char>(*p) - static_cast<unsigned>('0');
            if (d > 9) {
                break;
            }
            acc = acc * 10 + d;
            if (acc > 0xFFFFFFFFull) {
                acc = 0x100000000ull;  // saturate; every count check then fails
            }
            ++p;
        }
        if (p == digits) {
            return false;
        }
        v = acc > 0xFFFFFFFFull ? 0xFFFFFFFFu : static_cast<std::uint32_t>(acc);
        p_ = p;
        return true;
    }

    // Appends a run of digits to mantissa (at most 19 significant digits kept);
    // digits past that only move the exponent when they are before the point.
    void Digits(const char*& p, std::uint64_t& mantissa, int& digits, int& exponent, bool fraction, bool& any) const {
        while (end_ - p >= 8 && digits <= 11) {
            std::uint64_t run = 0;
            const int n = DigitRun8(p, run);
            if (n == 0) {
                return;
            }
            any = true;
            if (mantissa != 0 || run != 0) {
                mantissa = mantissa * kPow10u[n] + run;
                digits += n;
            }
            if (fraction) {
                exponent -= n;
            }
            p += n;
            if (n < 8) {
                return;
            }
        }
        while (p < end_) {
            const unsigned d = static_cast<unsigned char>(*p) - static_cast<unsigned>('0');
            if (d > 9) {
                break;
            }
            any = true;
            if (digits < 19) {
                mantissa = mantissa * 10 + d;
                if (mantissa != 0) {
                    ++digits;
                }
                if (fraction) {
                    --exponent;
                }
            } else if (!fraction) {
                ++exponent;
            }
            ++p;
        }
    }

    // A float in the plain form "[-]digits[.digits]" with at most 19 digits in
    // all, far from the end: read byte by byte without bounds checks (at most 42
    // bytes are looked at), rounded the same way as in ParseFloatSlow.
    [[gnu::always_inline]] bool ParseFloat(float& v) {
        if (end_ - p_ < kFastBytes) {
            return ParseFloatSlow(v);
        }
        const char* p = p_;
        const bool negative = *p == '-';
        p += negative ? 1 : 0;
        const char* const digits = p;
        std::uint64_t mantissa = 0;
        unsigned d = static_cast<unsigned char>(*p) - static_cast<unsigned>('0');
        while (d <= 9 && p - digits < 20) {
            mantissa = mantissa * 10 + d;
            d = static_cast<unsigned char>(*++p) - static_cast<unsigned>('0');
        }
        const char* const point = p;
        if (*p == '.') {
            d = static_cast<unsigned char>(*++p) - static_cast<unsigned>('0');
            while (d <= 9 && p - digits < 21) {
                mantissa = mantissa * 10 + d;
                d = static_cast<unsigned char>(*++p) - static_cast<unsigned>('0');
            }
        }
        const std::ptrdiff_t intDigits = point - digits;
        const std::ptrdiff_t fracDigits = p == point ? 0 : p - point - 1;
        // Anything else (no digits, too many, an exponent, "1.#QNAN0") takes the
        // general path; so does a mantissa past what a double holds exactly.
        if (intDigits + fracDigits == 0 || intDigits + fracDigits > 19 || (*p | 0x20) == 'e' || *p == '#' ||
            (*p >= '0' && *p <= '9') || mantissa >= (std::uint64_t{1} << 53)) {
            return ParseFloatSlow(v);
        }
        p_ = p;
        if (mantissa == 0) {
            v = negative ? -0.0f : 0.0f;
            return true;
        }
        const double m = static_cast<double>(mantissa);
        const double r = fracDigits == 0 ? m : m / kPow10[fracDigits];
        v = Sanitize(negative ? -r : r);
        return true;
    }

    [[gnu::noinline]] bool ParseFloatSlow(float& v) {
        const char* start = p_;
        const char* p = p_;
        bool negative = false;
        if (p < end_ && (*p == '-' || *p == '+')) {
            negative = *p == '-';
            ++p;
        }
        std::uint64_t mantissa = 0;
        int digits = 0;    // significant digits in mantissa (leading zeros do not count)
        int exponent = 0;  // decimal exponent applied to mantissa
        bool anyDigit = false;
        Digits(p, mantissa, digits, exponent, false, anyDigit);
        if (p < end_ && *p == '.') {
            ++p;
            if (p < end_ && *p == '#') {
                // "1.#QNAN0", "-1.#IND00", "1.#INF00": a letter run, then digits.
                ++p;
                while (p < end_ && ((*p >= 'A' && *p <= 'Z') || (*p >= 'a' && *p <= 'z'))) {
                    ++p;
                }
                while (p < end_ && *p >= '0' && *p <= '9') {
                    ++p;
                }
                if (!anyDigit) {
                    return false;
                }
                v = 0.0f;
                p_ = p;
                return true;
            }
            Digits(p, mantissa, digits, exponent, true, anyDigit);
        }
        if (!anyDigit) {
            return false;
        }
        if (p < end_ && (*p == 'e' || *p == 'E')) {
            const char* q = p + 1;
            bool expNegative = false;
            if (q < end_ && (*q == '-' || *q == '+')) {
                expNegative = *q == '-';
                ++q;
            }
            if (q < end_ && *q >= '0' && *q <= '9') {
                int e = 0;
                while (q < end_ && *q >= '0' && *q <= '9') {
                    if (e < 100000) {
                        e = e * 10 + (*q - '0');
                    }
                    ++q;
                }
                exponent += expNegative ? -e : e;
                p = q;
            }
        }
        p_ = p;
        if (mantissa == 0) {
            v = negative ? -0.0f : 0.0f;
            return true;
        }
        if (digits <= 19 && mantissa < (1ull << 53) && exponent >= -22 && exponent <= 22) {
            double d = static_cast<double>(mantissa);
            d = exponent < 0 ? d / kPow10[-exponent] : d * kPow10[exponent];
            v = Sanitize(negative ? -d : d);
            return true;
        }
        // Rare: many digits or a large exponent. Let the library round it.
        const char* from = start;
        if (from < p && *from == '+') {
            ++from;
        }
        double d = 0.0;
        const auto result = std::from_chars(from, p, d);
        if (result.ec == std::errc::result_out_of_range) {
            v = 0.0f;
            return true;
        }
        if (result.ec != std::errc()) {
            return false;
        }
        v = Sanitize(d);
        return true;
    }

    const char* begin_;
    const char* p_;
    const char* end_;
};

}  // namespace xfile

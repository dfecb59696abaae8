// Token reader for binary .x bodies (see XFileTokens.h for the shared calls).
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "platform/xfile/XFileTokens.h"

namespace xfile {

// ---------------------------------------------------------------------------------
// Binary bodies: a stream of little-endian WORD token codes.
class BinaryReader {
public:
    enum : std::uint16_t {
        kName = 1,
        kString = 2,
        kInteger = 3,
        kGuid = 5,
        kIntegerList = 6,
        kFloatList = 7,
        kOpenBrace = 10,
        kCloseBrace = 11,
        kComma = 19,
        kSemicolon = 20,
        kTemplate = 31,
    };

    BinaryReader(const std::uint8_t* data, std::size_t size, bool doubles)
        : p_(data), end_(data + size), floatSize_(doubles ? 8u : 4u) {}

    std::size_t MaxValuesLeft() const { return ints_ + floats_ + static_cast<std::size_t>(end_ - p_) / 4; }
    std::size_t BytesLeft() const { return static_cast<std::size_t>(end_ - p_); }

    // Numbers not asked for by the layout are dropped when structure resumes.
    void EndValues() {
        ints_ = 0;
        floats_ = 0;
    }

    Tok Peek() {
        EndValues();
        for (;;) {
            if (AtTrailer()) {
                return Tok::End;
            }
            if (end_ - p_ < 2) {
                return Tok::Other;  // one stray byte that is not padding
            }
            const std::uint16_t code = PeekCode();
            switch (code) {
                case kComma:
                case kSemicolon:
                    p_ += 2;
                    continue;
                case kName:
                    return Tok::Name;
                case kString:
                    return Tok::String;
                case kGuid:
                    return Tok::Guid;
                case kInteger:
                case kIntegerList:
                case kFloatList:
                    return Tok::Number;
                case kOpenBrace:
                    return Tok::OpenBrace;
                case kCloseBrace:
                    return Tok::CloseBrace;
                case kTemplate:
                    return Tok::Template;
                default:
                    return Tok::Other;
            }
        }
    }

    void Consume() {
        if (end_ - p_ >= 2) {
            p_ += 2;
        }
    }

    // A token of `kind` whose text follows its length.
    bool ReadText(Tok kind, std::string_view& text) {
        if (Peek() != kind) {
            return false;
        }
        std::uint32_t n = 0;
        if (!Counted(2, n, 1)) {
            return false;
        }
        text = std::string_view(reinterpret_cast<const char*>(p_ + 6), n);
        p_ += 6 + static_cast<std::size_t>(n);
        return true;
    }

    bool ReadName(std::string_view& name) { return ReadText(Tok::Name, name); }

    bool SkipGuid() {
        if (Peek() != Tok::Guid) {
            return true;
        }
        if (end_ - p_ < 18) {
            return false;
        }
        p_ += 18;
        return true;
    }

    bool ReadString(std::string_view& s) {
        if (!ReadText(Tok::String, s)) {
            return false;
        }
        if (end_ - p_ >= 2 && (PeekCode() == kComma || PeekCode() == kSemicolon)) {
            p_ += 2;
        }
        return true;
    }

    bool SkipBlock() {
        EndValues();
        std::size_t depth = 1;
        while (end_ - p_ >= 2) {
            const std::uint16_t code = PeekCode();
            std::uint32_t n = 0;
            switch (code) {
                case kName:
                case kString:
                    if (!Counted(2, n, 1)) {
                        return false;
                    }
                    p_ += 6 + static_cast<std::size_t>(n);
                    break;
                case kInteger:
                    if (end_ - p_ < 6) {
                        return false;
                    }
                    p_ += 6;
                    break;
                case kGuid:
                    if (end_ - p_ < 18) {
                        return false;
                    }
                    p_ += 18;
                    break;
                case kIntegerList:
                    if (!Counted(2, n, 4)) {
                        return false;
                    }
                    p_ += 6 + static_cast<std::size_t>(n) * 4;
                    break;
                case kFloatList:
                    if (!Counted(2, n, floatSize_)) {
                        return false;
                    }
                    p_ += 6 + static_cast<std::size_t>(n) * floatSize_;
                    break;
                case kOpenBrace:
                    ++depth;
                    p_ += 2;
                    break;
                case kCloseBrace:
                    p_ += 2;
                    if (--depth == 0) {
                        return true;
                    }
                    break;
                default:
                    if ((code >= 12 && code <= 20) || code == kTemplate || (code >= 40 && code <= 52)) {
                        p_ += 2;
                        break;
                    }
                    return false;
            }
        }
        return false;
    }

    bool ReadUInt(std::uint32_t& v) {
        if (ints_ == 0 && !NextIntegers()) {
            return false;
        }
        v = Load32(ip_);
        ip_ += 4;
        --ints_;
        return true;
    }

    bool ReadUInts(std::uint32_t* out, std::size_t n) {
        if (n <= ints_) {  // the common case: a face inside one list
            for (std::size_t i = 0; i < n; ++i) {
                out[i] = Load32(ip_ + i * 4);
            }
            ip_ += n * 4;
            ints_ -= n;
            return true;
        }
        while (n > 0) {
            if (ints_ == 0 && !NextIntegers()) {
                return false;
            }
            const std::size_t take = n < ints_ ? n : ints_;
            std::memcpy(out, ip_, take * 4);  // little-endian host
            out += take;
            ip_ += take * 4;
            ints_ -= take;
            n -= take;
        }
        return true;
    }

    bool ReadFloat(float& v) { return ReadFloats(&v, 1); }

    // Reads a triangle face (3, a, b, c) when it lies inside the current integer
    // list; otherwise reads nothing and says no.
    bool TryTriangle(std::uint32_t* out) {
        if (ints_ < 4 || Load32(ip_) != 3) {
            return false;
        }
        out[0] = Load32(ip_ + 4);
        out[1] = Load32(ip_ + 8);
        out[2] = Load32(ip_ + 12);
        ip_ += 16;
        ints_ -= 4;
        return true;
    }

    bool ReadFloats(float* out, std::size_t n) {
        while (n > 0) {
            if (floats_ == 0 && !NextFloats()) {
                return false;
            }
            const std::size_t take = n < floats_ ? n : floats_;
            if (floatSize_ == 4) {
                for (std::size_t i = 0; i < take; ++i) {
                    const std::uint32_t bits = Load32(fp_ + i * 4);
                    // Exponent all ones: NaN or infinity.
                    out[i] = (bits & 0x7F800000u) == 0x7F800000u ? 0.0f : std::bit_cast<float>(bits);
                }
            } else {
                for (std::size_t i = 0; i < take; ++i) {
                    std::uint64_t bits = 0;
                    std::memcpy(&bits, fp_ + i * 8, 8);
                    out[i] = Sanitize(std::bit_cast<double>(bits));
                }
            }
            out += take;
            fp_ += take * floatSize_;
            floats_ -= take;
            n -= take;
        }
        return true;
    }

private:
    static std::uint32_t Load32(const std::uint8_t* p) {
        std::uint32_t v = 0;
        std::memcpy(&v, p, 4);
        return v;
    }

    std::uint16_t PeekCode() const { return static_cast<std::uint16_t>(p_[0] | (p_[1] << 8)); }

    // A lone NUL (or zero padding) after the last object ends the body.
    bool AtTrailer() const {
        if (end_ - p_ >= 2 && PeekCode() != 0) {
            return false;
        }
        for (const std::uint8_t* q = p_; q < end_; ++q) {
            if (*q != 0) {
                return false;
            }
        }
        return true;
    }

    // Reads the DWORD count after a token code at offset `at`; checks that count *
    // unit bytes follow it.
    bool Counted(std::size_t at, std::uint32_t& n, std::size_t unit) const {
        if (static_cast<std::size_t>(end_ - p_) < at + 4) {
            return false;
        }
        n = Load32(p_ + at);
        const std::size_t left = static_cast<std::size_t>(end_ - p_) - at - 4;
        return static_cast<std::uint64_t>(n) * unit <= left;
    }

    // Passes over ',' and ';' tokens; false at the end of the data.
    bool SkipSeparators(std::uint16_t& code) {
        for (;;) {
            if (end_ - p_ < 2) {
                return false;
            }
            code = PeekCode();
            if (code != kComma && code != kSemicolon) {
                return true;
            }
            p_ += 2;
        }
    }

    // Steps to the next list of `kind` that holds values, `size` bytes each: its
    // values and their count. A lone integer counts as a list of one integer.
    bool NextList(std::uint16_t kind, std::size_t size, const std::uint8_t*& values, std::size_t& count) {
        for (;;) {
            std::uint16_t code = 0;
            if (!SkipSeparators(code)) {
                return false;
            }
            if (code == kInteger && kind == kIntegerList) {
                if (end_ - p_ < 6) {
                    return false;
                }
                values = p_ + 2;
                count = 1;
                p_ += 6;
                return true;
            }
            std::uint32_t n = 0;
            if (code != kind || !Counted(2, n, size)) {
                return false;
            }
            values = p_ + 6;
            count = n;
            p_ += 6 + static_cast<std::size_t>(n) * size;
            if (n > 0) {
                return true;
            }
        }
    }

    bool NextIntegers() { return NextList(kIntegerList, 4, ip_, ints_); }
    bool NextFloats() { return NextList(kFloatList, floatSize_, fp_, floats_); }

    const std::uint8_t* p_;
    const std::uint8_t* end_;
    std::size_t floatSize_;
    const std::uint8_t* ip_ = nullptr;
    std::size_t ints_ = 0;
    const std::uint8_t* fp_ = nullptr;
    std::size_t floats_ = 0;
};

}  // namespace xfile

// Writes .x files: the same calls give text, binary, or either one packed into
// compressed blocks, with 32- or 64-bit floats. Text is laid out one record to
// a line, objects inside objects set off by a blank line; the same calls always
// give the same bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace xwriter {

enum class Encoding { Text, Binary, TextZip, BinaryZip };

const char* EncodingName(Encoding encoding);

// One compressed block before it is joined: its sizes, signature and deflate data.
struct PackedBlock {
    std::uint16_t RawSize = 0;
    std::uint16_t PackedSize = 0;  // counts the two signature bytes
    std::string Signature = "CK";
    std::string Data;
};

// A compressed file in parts, so that tests can break one part.
struct Packed {
    std::string Header;       // the 16-byte file header
    std::uint32_t Total = 0;  // the unpacked size, header included
    std::vector<PackedBlock> Blocks;
    std::string Trailing;
    std::string Bytes() const;
};

// Packs a body into blocks of at most `blockSize` bytes (32 KiB at most), each
// deflated with the bytes before it as its dictionary.
Packed Pack(const std::string& header, const std::string& body, std::size_t blockSize = 32768);

// Text numbers: the shortest form that reads back exactly, or a fixed number of
// decimals (rounded, trailing zeros dropped down to one, no negative zero).
constexpr int kExact = -1;

class Writer {
public:
    explicit Writer(Encoding encoding, bool doubles = false);

    bool Binary() const { return binary_; }

    // template NAME { <GUID> DWORD x; }
    void Template(const std::string& name);
    void Begin(const std::string& type, const std::string& name = "");
    void End();
    void Reference(const std::string& name);
    // One DWORD on its own line.
    void Count(std::uint32_t value);
    // A DWORD list; text breaks the line after every `perLine` values (0: never).
    void Ints(const std::vector<std::uint32_t>& values, std::size_t perLine = 0);
    // Records of `width` floats each, one to a line (width 0: all in one record).
    void Floats(const std::vector<double>& values, std::size_t width = 0, int decimals = kExact);
    // A face list: the count, then each face as its corner count and indices.
    void Faces(const std::vector<std::vector<std::uint32_t>>& faces);
    void String(const std::string& s);

    // Bytes as they are, and the single tokens of the binary form (for broken files).
    void Raw(const std::string& bytes) { body_ += bytes; }
    void Code(std::uint16_t code);
    void Dword(std::uint32_t value);
    void Name(const std::string& name);

    std::string& Body() { return body_; }
    std::string Header() const;
    std::string Finish() const;

private:
    std::string Indent() const { return depth_ > 0 ? "  " : ""; }
    void FloatValue(double value, int decimals);

    bool binary_;
    bool compressed_;
    bool doubles_;
    int depth_ = 0;
    std::string body_;
};

// Writes `bytes` to `path`; false when any step fails.
bool WriteFile(const std::string& path, const std::string& bytes);

}  // namespace xwriter

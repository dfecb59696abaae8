#include "tools/xwriter/XWriter.h"

#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace xwriter {

namespace {

// Binary token codes.
constexpr std::uint16_t kName = 1;
constexpr std::uint16_t kString = 2;
constexpr std::uint16_t kGuid = 5;
constexpr std::uint16_t kIntList = 6;
constexpr std::uint16_t kFloatList = 7;
constexpr std::uint16_t kOpenBrace = 10;
constexpr std::uint16_t kCloseBrace = 11;
constexpr std::uint16_t kSemicolon = 20;
constexpr std::uint16_t kTemplate = 31;
constexpr std::uint16_t kDword = 41;

constexpr std::size_t kMaxBlock = 32768;

void Little(std::string& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        out.push_back(static_cast<char>((value >> (8 * i)) & 0xff));
    }
}

std::string Deflate(const std::string& body, std::size_t at, std::size_t size) {
    z_stream z{};
    deflateInit2(&z, 9, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
    const std::size_t history = std::min(at, kMaxBlock);
    if (history > 0) {
        deflateSetDictionary(&z, reinterpret_cast<const Bytef*>(body.data() + at - history),
                             static_cast<uInt>(history));
    }
    std::string out(deflateBound(&z, static_cast<uLong>(size)) + 16, '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(body.data() + at));
    z.avail_in = static_cast<uInt>(size);
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = static_cast<uInt>(out.size());
    deflate(&z, Z_FINISH);
    out.resize(z.total_out);
    deflateEnd(&z);
    return out;
}

}  // namespace

const char* EncodingName(Encoding encoding) {
    switch (encoding) {
        case Encoding::Text:
            return "txt";
        case Encoding::Binary:
            return "bin";
        case Encoding::TextZip:
            return "tzip";
        case Encoding::BinaryZip:
            return "bzip";
    }
    return "?";
}

std::string Packed::Bytes() const {
    std::string out = Header;
    Little(out, Total, 4);
    for (const PackedBlock& b : Blocks) {
        Little(out, b.RawSize, 2);
        Little(out, b.PackedSize, 2);
        out += b.Signature;
        out += b.Data;
    }
    return out + Trailing;
}

Packed Pack(const std::string& header, const std::string& body, std::size_t blockSize) {
    blockSize = std::clamp<std::size_t>(blockSize, 1, kMaxBlock);
    Packed packed;
    packed.Header = header;
    packed.Total = static_cast<std::uint32_t>(body.size() + 16);
    for (std::size_t at = 0; at < body.size(); at += blockSize) {
        const std::size_t size = std::min(blockSize, body.size() - at);
        PackedBlock block;
        block.Data = Deflate(body, at, size);
        block.RawSize = static_cast<std::uint16_t>(size);
        block.PackedSize = static_cast<std::uint16_t>(block.Data.size() + 2);
        packed.Blocks.push_back(std::move(block));
    }
    return packed;
}

Writer::Writer(Encoding encoding, bool doubles)
    : binary_(encoding == Encoding::Binary || encoding == Encoding::BinaryZip),
      compressed_(encoding == Encoding::TextZip || encoding == Encoding::BinaryZip),
      doubles_(doubles) {
    if (!binary_) {
        body_ = "\n\n";
    }
}

void Writer::Template(const std::string& name) {
    if (binary_) {
        Code(kTemplate);
        Name(name);
        Code(kOpenBrace);
        Code(kGuid);
        body_.append(16, '\x11');
        Code(kDword);
        Name("x");
        Code(kSemicolon);
        Code(kCloseBrace);
    } else {
        body_ += "template " + name + " {\n <3D82AB43-62DA-11CF-AB39-0020AF71E433>\n DWORD x;\n}\n";
    }
}

void Writer::Begin(const std::string& type, const std::string& name) {
    if (binary_) {
        Name(type);
        if (!name.empty()) {
            Name(name);
        }
        Code(kOpenBrace);
    } else {
        body_ += (depth_ > 0 ? "\n  " : "") + type + (name.empty() ? "" : " " + name) + " {\n";
    }
    ++depth_;
}

void Writer::End() {
    depth_ = std::max(depth_ - 1, 0);
    if (binary_) {
        Code(kCloseBrace);
    } else {
        body_ += Indent() + "}\n";
    }
}

void Writer::Reference(const std::string& name) {
    if (binary_) {
        Code(kOpenBrace);
        Name(name);
        Code(kCloseBrace);
    } else {
        body_ += Indent() + "{ " + name + " }\n";
    }
}

void Writer::Count(std::uint32_t value) {
    if (binary_) {
        Ints({value});
    } else {
        body_ += Indent() + std::to_string(value) + ";\n";
    }
}

void Writer::Ints(const std::vector<std::uint32_t>& values, std::size_t perLine) {
    if (binary_) {
        Code(kIntList);
        Dword(static_cast<std::uint32_t>(values.size()));
        for (const std::uint32_t v : values) {
            Dword(v);
        }
        return;
    }
    body_ += Indent();
    for (std::size_t i = 0; i < values.size(); ++i) {
        body_ += std::to_string(values[i]);
        if (i + 1 < values.size()) {
            body_ += perLine > 0 && i % perLine == perLine - 1 ? ",\n" + Indent() : ",";
        }
    }
    body_ += ";;\n";
}

void Writer::Floats(const std::vector<double>& values, std::size_t width, int decimals) {
    if (binary_) {
        Code(kFloatList);
        Dword(static_cast<std::uint32_t>(values.size()));
        for (const double v : values) {
            if (doubles_) {
                body_.append(reinterpret_cast<const char*>(&v), 8);
            } else {
                const float f = static_cast<float>(v);
                body_.append(reinterpret_cast<const char*>(&f), 4);
            }
        }
        return;
    }
    if (width == 0) {
        width = std::max<std::size_t>(values.size(), 1);
    }
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (i % width == 0) {
            body_ += Indent();
        }
        FloatValue(values[i], decimals);
        body_ += ';';
        if (i % width == width - 1 || i + 1 == values.size()) {
            body_ += i + 1 < values.size() ? ",\n" : ";\n";
        }
    }
}

void Writer::Faces(const std::vector<std::vector<std::uint32_t>>& faces) {
    if (binary_) {
        std::vector<std::uint32_t> stream{static_cast<std::uint32_t>(faces.size())};
        for (const auto& face : faces) {
            stream.push_back(static_cast<std::uint32_t>(face.size()));
            stream.insert(stream.end(), face.begin(), face.end());
        }
        Ints(stream);
        return;
    }
    body_ += Indent() + std::to_string(faces.size()) + ";\n";
    for (std::size_t i = 0; i < faces.size(); ++i) {
        body_ += Indent() + std::to_string(faces[i].size()) + ";";
        for (std::size_t j = 0; j < faces[i].size(); ++j) {
            body_ += (j > 0 ? "," : "") + std::to_string(faces[i][j]);
        }
        body_ += i + 1 < faces.size() ? ";,\n" : ";;\n";
    }
}

void Writer::String(const std::string& s) {
    if (binary_) {
        Code(kString);
        Dword(static_cast<std::uint32_t>(s.size()));
        body_ += s;
        Code(kSemicolon);
    } else {
        body_ += Indent() + "\"" + s + "\";\n";
    }
}

void Writer::Code(std::uint16_t code) { Little(body_, code, 2); }
void Writer::Dword(std::uint32_t value) { Little(body_, value, 4); }

void Writer::Name(const std::string& name) {
    Code(kName);
    Dword(static_cast<std::uint32_t>(name.size()));
    body_ += name;
}

std::string Writer::Header() const {
    std::string header = "xof 0303";
    header += binary_ ? (compressed_ ? "bzip" : "bin ") : (compressed_ ? "tzip" : "txt ");
    header += doubles_ ? "0064" : "0032";
    return header;
}

std::string Writer::Finish() const { return compressed_ ? Pack(Header(), body_).Bytes() : Header() + body_; }

void Writer::FloatValue(double value, int decimals) {
    char buf[48];
    if (decimals < 0) {
        std::snprintf(buf, sizeof buf, "%.9g", value);
        body_ += buf;
        return;
    }
    double scale = 1;
    for (int i = 0; i < decimals; ++i) {
        scale *= 10;
    }
    double rounded = std::round(value * scale) / scale;
    if (rounded == 0) {
        rounded = 0;  // no "-0.0"
    }
    int n = std::snprintf(buf, sizeof buf, "%.*f", decimals, rounded);
    // Trailing zeros carry nothing; one digit after the point stays.
    while (n > 2 && buf[n - 1] == '0' && buf[n - 2] != '.') {
        --n;
    }
    body_.append(buf, static_cast<std::size_t>(n));
}

bool WriteFile(const std::string& path, const std::string& bytes) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) {
        return false;
    }
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && written;
}

}  // namespace xwriter

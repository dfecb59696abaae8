// Writers for the test corpus: the same object stream as text, binary, and the two
// MSZIP-compressed variants, with 32- or 64-bit floats. Small and literal on
// purpose; the files they make are ours.
#pragma once

#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace xtest {

enum class Encoding { Text, Binary, TextZip, BinaryZip };

inline const char* EncodingName(Encoding e) {
    switch (e) {
    case Encoding::Text: return "txt";
    case Encoding::Binary: return "bin";
    case Encoding::TextZip: return "tzip";
    case Encoding::BinaryZip: return "bzip";
    }
    return "?";
}

// Packs a body into MSZIP blocks of at most 32 KiB, each deflated with the output
// of the earlier blocks as its dictionary. Returns the part after the header.
inline std::string Compress(const std::string& body, std::size_t blockSize = 32768) {
    std::string out;
    const std::uint32_t total = static_cast<std::uint32_t>(body.size() + 16);
    out.append(reinterpret_cast<const char*>(&total), 4);
    for (std::size_t at = 0; at < body.size(); at += blockSize) {
        const std::size_t raw = std::min(blockSize, body.size() - at);
        z_stream z{};
        deflateInit2(&z, 9, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
        const std::size_t history = std::min<std::size_t>(at, 32768);
        if (history > 0) {
            deflateSetDictionary(&z, reinterpret_cast<const Bytef*>(body.data() + at - history),
                                 static_cast<uInt>(history));
        }
        std::vector<unsigned char> packed(deflateBound(&z, static_cast<uLong>(raw)) + 16);
        z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(body.data() + at));
        z.avail_in = static_cast<uInt>(raw);
        z.next_out = packed.data();
        z.avail_out = static_cast<uInt>(packed.size());
        deflate(&z, Z_FINISH);
        const std::size_t n = packed.size() - z.avail_out;
        deflateEnd(&z);
        const std::uint16_t rawSize = static_cast<std::uint16_t>(raw);
        const std::uint16_t packedSize = static_cast<std::uint16_t>(n + 2);
        out.append(reinterpret_cast<const char*>(&rawSize), 2);
        out.append(reinterpret_cast<const char*>(&packedSize), 2);
        out += "CK";
        out.append(reinterpret_cast<const char*>(packed.data()), n);
    }
    return out;
}

class XWriter {
public:
    explicit XWriter(Encoding encoding, bool doubles = false)
        : binary_(encoding == Encoding::Binary || encoding == Encoding::BinaryZip),
          compressed_(encoding == Encoding::TextZip || encoding == Encoding::BinaryZip),
          doubles_(doubles) {}

    bool Binary() const { return binary_; }

    // template NAME { <GUID> DWORD x; }
    void Template(const std::string& name) {
        if (binary_) {
            Code(31);
            Name(name);
            Code(10);
            Code(5);
            body_.append(16, '\x11');
            Code(41);
            Name("x");
            Code(20);
            Code(11);
        } else {
            body_ += "template " + name + " {\n <3D82AB43-62DA-11CF-AB39-0020AF71E433>\n DWORD x;\n}\n";
        }
    }

    void Begin(const std::string& type, const std::string& name = "") {
        if (binary_) {
            Name(type);
            if (!name.empty()) {
                Name(name);
            }
            Code(10);
        } else {
            body_ += type + (name.empty() ? "" : " " + name) + " {\n";
        }
    }

    void End() {
        if (binary_) {
            Code(11);
        } else {
            body_ += "}\n";
        }
    }

    void Reference(const std::string& name) {
        if (binary_) {
            Code(10);
            Name(name);
            Code(11);
        } else {
            body_ += "{ " + name + " }\n";
        }
    }

    void Ints(const std::vector<std::uint32_t>& values) {
        if (binary_) {
            Code(6);
            Dword(static_cast<std::uint32_t>(values.size()));
            for (const std::uint32_t v : values) {
                Dword(v);
            }
        } else {
            for (const std::uint32_t v : values) {
                body_ += std::to_string(v) + ",";
            }
            body_ += ";\n";
        }
    }

    void Floats(const std::vector<float>& values) {
        if (binary_) {
            Code(7);
            Dword(static_cast<std::uint32_t>(values.size()));
            for (const float v : values) {
                if (doubles_) {
                    const double d = v;
                    body_.append(reinterpret_cast<const char*>(&d), 8);
                } else {
                    body_.append(reinterpret_cast<const char*>(&v), 4);
                }
            }
        } else {
            char buf[64];
            for (const float v : values) {
                std::snprintf(buf, sizeof buf, "%.9g;", static_cast<double>(v));
                body_ += buf;
            }
            body_ += ";\n";
        }
    }

    void String(const std::string& s) {
        if (binary_) {
            Code(2);
            Dword(static_cast<std::uint32_t>(s.size()));
            body_ += s;
            Code(20);
        } else {
            body_ += "\"" + s + "\";\n";
        }
    }

    // Raw bytes into the body (for broken files).
    void Raw(const std::string& bytes) { body_ += bytes; }
    std::string& Body() { return body_; }

    std::string Finish() const {
        std::string header = "xof 0303";
        header += binary_ ? (compressed_ ? "bzip" : "bin ") : (compressed_ ? "tzip" : "txt ");
        header += doubles_ ? "0064" : "0032";
        return header + (compressed_ ? Compress(body_) : body_);
    }

    void Code(std::uint16_t c) { body_.append(reinterpret_cast<const char*>(&c), 2); }
    void Dword(std::uint32_t v) { body_.append(reinterpret_cast<const char*>(&v), 4); }
    void Name(const std::string& n) {
        Code(1);
        Dword(static_cast<std::uint32_t>(n.size()));
        body_ += n;
    }

private:
    bool binary_;
    bool compressed_;
    bool doubles_;
    std::string body_;
};

// A mesh as the tests describe it.
struct TestMesh {
    std::vector<float> positions;
    std::vector<std::vector<std::uint32_t>> faces;
    std::vector<float> normals;
    std::vector<std::vector<std::uint32_t>> normalFaces;
    std::vector<float> texCoords;
    bool materialList = false;
    std::uint32_t numMaterials = 0;
    std::vector<std::uint32_t> faceMaterials;
    std::vector<std::string> materialRefs;  // written as references, then inline materials
    std::vector<std::vector<float>> inlineMaterials;  // 11 floats each
};

inline std::vector<std::uint32_t> FaceStream(const std::vector<std::vector<std::uint32_t>>& faces) {
    std::vector<std::uint32_t> s{static_cast<std::uint32_t>(faces.size())};
    for (const auto& f : faces) {
        s.push_back(static_cast<std::uint32_t>(f.size()));
        s.insert(s.end(), f.begin(), f.end());
    }
    return s;
}

inline void WriteMesh(XWriter& w, const TestMesh& m, const std::string& name = "") {
    w.Begin("Mesh", name);
    w.Ints({static_cast<std::uint32_t>(m.positions.size() / 3)});
    w.Floats(m.positions);
    w.Ints(FaceStream(m.faces));
    if (!m.normals.empty()) {
        w.Begin("MeshNormals");
        w.Ints({static_cast<std::uint32_t>(m.normals.size() / 3)});
        w.Floats(m.normals);
        w.Ints(FaceStream(m.normalFaces));
        w.End();
    }
    if (!m.texCoords.empty()) {
        w.Begin("MeshTextureCoords");
        w.Ints({static_cast<std::uint32_t>(m.texCoords.size() / 2)});
        w.Floats(m.texCoords);
        w.End();
    }
    if (m.materialList) {
        w.Begin("MeshMaterialList");
        std::vector<std::uint32_t> head{m.numMaterials, static_cast<std::uint32_t>(m.faceMaterials.size())};
        head.insert(head.end(), m.faceMaterials.begin(), m.faceMaterials.end());
        w.Ints(head);
        for (const std::string& ref : m.materialRefs) {
            w.Reference(ref);
        }
        for (const auto& mat : m.inlineMaterials) {
            w.Begin("Material");
            w.Floats(mat);
            w.End();
        }
        w.End();
    }
    w.End();
}

// A (n x n)-quad grid in the xz plane with normals, texture coordinates and two
// materials (left and right halves), each quad as two triangles. Values are
// multiples of 1/4 so every encoding carries them exactly.
inline TestMesh Grid(std::uint32_t n) {
    TestMesh m;
    for (std::uint32_t z = 0; z <= n; ++z) {
        for (std::uint32_t x = 0; x <= n; ++x) {
            m.positions.insert(m.positions.end(), {x * 0.25f, 0.0f, z * 0.25f});
            m.texCoords.insert(m.texCoords.end(), {static_cast<float>(x) / 4.0f, static_cast<float>(z) / 4.0f});
        }
    }
    m.normals = {0.0f, 1.0f, 0.0f};
    for (std::uint32_t z = 0; z < n; ++z) {
        for (std::uint32_t x = 0; x < n; ++x) {
            const std::uint32_t a = z * (n + 1) + x;
            const std::uint32_t b = a + 1;
            const std::uint32_t c = a + n + 1;
            const std::uint32_t d = c + 1;
            m.faces.push_back({a, c, d});
            m.faces.push_back({a, d, b});
            m.normalFaces.push_back({0, 0, 0});
            m.normalFaces.push_back({0, 0, 0});
            m.faceMaterials.push_back(x < n / 2 ? 0 : 1);
            m.faceMaterials.push_back(x < n / 2 ? 0 : 1);
        }
    }
    m.materialList = true;
    m.numMaterials = 2;
    m.inlineMaterials = {{1, 0, 0, 1, 8, 1, 1, 1, 0, 0, 0}, {0, 0, 1, 0.5f, 2, 0, 0, 0, 0.25f, 0.25f, 0.25f}};
    return m;
}

}  // namespace xtest

// Text .x writer (see XWriter.h).
#include "XWriter.h"

#include <cstdio>

namespace worldgen {

namespace {

void Num(std::string& out, double v, int decimals) {
    const double scale = decimals == 4 ? 1e4 : 1e6;
    double r = std::round(v * scale) / scale;
    if (r == 0) r = 0;  // no "-0.0000"
    char buf[48];
    int n = std::snprintf(buf, sizeof buf, "%.*f", decimals, r);
    // Trailing zeros carry nothing; keep one digit after the point.
    while (n > 2 && buf[n - 1] == '0' && buf[n - 2] != '.') --n;
    out.append(buf, static_cast<size_t>(n));
}

void Faces(std::string& out, const Mesh& m) {
    out += std::to_string(m.tris.size()) + ";\n";
    for (size_t i = 0; i < m.tris.size(); ++i) {
        const auto& t = m.tris[i];
        out += "  3;" + std::to_string(t[0]) + "," + std::to_string(t[1]) + "," + std::to_string(t[2]) + ";";
        out += i + 1 < m.tris.size() ? ",\n" : ";\n";
    }
}

}  // namespace

std::string XText(const Mesh& m) {
    std::string out;
    out.reserve(m.verts.size() * 96 + m.tris.size() * 40 + 512);
    out += "xof 0303txt 0032\n\n";
    out += "Mesh " + m.name + " {\n  " + std::to_string(m.verts.size()) + ";\n";
    for (size_t i = 0; i < m.verts.size(); ++i) {
        const V3 p = m.verts[i].p;
        out += "  ";
        Num(out, p.x, 4);
        out += ';';
        Num(out, p.y, 4);
        out += ';';
        Num(out, p.z, 4);
        out += i + 1 < m.verts.size() ? ";,\n" : ";;\n";
    }
    out += "  ";
    Faces(out, m);

    out += "\n  MeshNormals {\n  " + std::to_string(m.verts.size()) + ";\n";
    for (size_t i = 0; i < m.verts.size(); ++i) {
        const V3 n = Normalize(m.verts[i].n);
        out += "  ";
        Num(out, n.x, 6);
        out += ';';
        Num(out, n.y, 6);
        out += ';';
        Num(out, n.z, 6);
        out += i + 1 < m.verts.size() ? ";,\n" : ";;\n";
    }
    out += "  ";
    Faces(out, m);
    out += "  }\n";

    out += "\n  MeshTextureCoords {\n  " + std::to_string(m.verts.size()) + ";\n";
    for (size_t i = 0; i < m.verts.size(); ++i) {
        out += "  ";
        Num(out, m.verts[i].u, 4);
        out += ';';
        Num(out, m.verts[i].v, 4);
        out += i + 1 < m.verts.size() ? ";,\n" : ";;\n";
    }
    out += "  }\n";

    out += "\n  MeshMaterialList {\n  1;\n  " + std::to_string(m.tris.size()) + ";\n";
    for (size_t i = 0; i < m.tris.size(); ++i) {
        out += i % 32 == 0 ? "  0" : "0";
        out += i + 1 < m.tris.size() ? (i % 32 == 31 ? ",\n" : ",") : ";;\n";
    }
    out += "\n  Material {\n"
           "   1.000000;1.000000;1.000000;1.000000;;\n"
           "   0.000000;\n"
           "   0.000000;0.000000;0.000000;;\n"
           "   0.000000;0.000000;0.000000;;\n"
           "  }\n  }\n}\n";
    return out;
}

bool WriteFile(const std::string& path, const std::string& bytes) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

}  // namespace worldgen

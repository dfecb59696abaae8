// Geometry building blocks for the world generator: a small vector type, a
// triangle mesh with one normal and one texture coordinate per vertex, and the
// surfaces the world is made of (graded grids, texture-atlas cells, boxes,
// prisms, blobs). Every front face winds clockwise seen from outside, as
// Direct3D's left-handed convention wants; the builder fixes the order of
// each triangle from its vertex normals, so callers only give normals.
#pragma once

#include <array>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

namespace worldgen {

struct V3 {
    double X = 0, Y = 0, Z = 0;
};
inline V3 operator+(V3 a, V3 b) { return {a.X + b.X, a.Y + b.Y, a.Z + b.Z}; }
inline V3 operator-(V3 a, V3 b) { return {a.X - b.X, a.Y - b.Y, a.Z - b.Z}; }
inline V3 operator*(V3 a, double s) { return {a.X * s, a.Y * s, a.Z * s}; }
inline V3 operator*(double s, V3 a) { return a * s; }
inline double Dot(V3 a, V3 b) { return a.X * b.X + a.Y * b.Y + a.Z * b.Z; }
inline V3 Cross(V3 a, V3 b) { return {a.Y * b.Z - a.Z * b.Y, a.Z * b.X - a.X * b.Z, a.X * b.Y - a.Y * b.X}; }
inline double Length(V3 a) { return std::sqrt(Dot(a, a)); }
inline V3 Normalize(V3 a) {
    const double l = Length(a);
    return l > 0 ? a * (1.0 / l) : V3{0, 1, 0};
}

constexpr double kPi = 3.14159265358979323846;

// A rectangle of the texture picture, in texture coordinates (v grows downward).
struct Region {
    double U0 = 0, V0 = 0, U1 = 1, V1 = 1;
    double U(double s) const { return U0 + (U1 - U0) * s; }
    double V(double t) const { return V0 + (V1 - V0) * t; }
};

struct Vertex {
    V3 P;
    V3 N;
    double U = 0, V = 0;
};

// A fixed-seed generator of our own, so the output never depends on the
// standard library's distributions.
class Rng {
public:
    explicit Rng(uint64_t seed) : state_(seed) {}
    uint64_t Next() {
        uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // Uniform in [0, 1), 24 bits, exact in any float type.
    double Unit() { return static_cast<double>(Next() >> 40) / 16777216.0; }
    double Range(double lo, double hi) { return lo + (hi - lo) * Unit(); }

private:
    uint64_t state_;
};

class Mesh {
public:
    std::string Name;
    std::vector<Vertex> Verts;
    std::vector<std::array<uint32_t, 3>> Tris;

    uint32_t Add(const Vertex& v) {
        Verts.push_back(v);
        return static_cast<uint32_t>(Verts.size() - 1);
    }
    // One triangle; the corner order is flipped if needed so that the face
    // winds clockwise seen from the side its normals point to.
    void Tri(uint32_t a, uint32_t b, uint32_t c);
    void Quad(uint32_t a, uint32_t b, uint32_t c, uint32_t d) {
        Tri(a, b, c);
        Tri(a, c, d);
    }
    void Append(const Mesh& other);
    void Translate(V3 t);
};

// Breakpoints from lo to hi: uniform steps of `fine` inside [fineLo, fineHi],
// growing by `growth` per step outside up to `coarse`. Ends are exact.
std::vector<double> GradedLines(double lo, double hi, double fineLo, double fineHi, double fine, double coarse,
                                double growth);
// Breakpoints from lo to hi in equal steps no longer than `step`.
std::vector<double> EvenLines(double lo, double hi, double step);

// A flat grid with shared vertices over origin + a*uLines[i] + b*vLines[j].
// uvOf gives the texture coordinate of each grid point (for pictures that
// wrap); skip(i, j) leaves out cell (i, j).
template <typename UvFn, typename SkipFn>
void GridSurface(Mesh& m, V3 origin, V3 a, V3 b, const std::vector<double>& uLines, const std::vector<double>& vLines,
                 V3 normal, UvFn uvOf, SkipFn skip) {
    const size_t nu = uLines.size(), nv = vLines.size();
    const uint32_t base = static_cast<uint32_t>(m.Verts.size());
    for (size_t j = 0; j < nv; ++j)
        for (size_t i = 0; i < nu; ++i) {
            Vertex v;
            v.P = origin + a * uLines[i] + b * vLines[j];
            v.N = normal;
            const auto uv = uvOf(v.P, uLines[i], vLines[j]);
            v.U = uv[0];
            v.V = uv[1];
            m.Add(v);
        }
    for (size_t j = 0; j + 1 < nv; ++j)
        for (size_t i = 0; i + 1 < nu; ++i) {
            if (skip(i, j)) continue;
            const uint32_t k = base + static_cast<uint32_t>(j * nu + i);
            m.Quad(k, k + 1, k + 1 + static_cast<uint32_t>(nu), k + static_cast<uint32_t>(nu));
        }
}

// A flat rectangle mapped onto one atlas region that repeats every repW x
// repH world units: split into blocks at the repeats, each block with its own
// vertices and block-local coordinates, and each block into cells no larger
// than `step`; a repeat of 0 maps the region once over the rectangle. `down` points along the picture's v direction (usually world
// down for walls), `right` along u. topLeft is the corner where u = v = 0.
void AtlasSurface(Mesh& m, V3 topLeft, V3 right, V3 down, double width, double height, V3 normal, const Region& r,
                  double repW, double repH, double step);

// The same with explicit cut lines (ascending, from 0 to the full size);
// the repeats of the picture start at anchorU / anchorV and must fall on
// cut lines.
void AtlasSurfaceLines(Mesh& m, V3 topLeft, V3 right, V3 down, const std::vector<double>& uLines,
                       const std::vector<double>& vLines, V3 normal, const Region& r, double repW, double repH,
                       double anchorU, double anchorV);

// A wall rectangle seen from outside: bottomLeft is its lower-left corner as
// seen by a viewer facing it; normal points at that viewer.
void Wall(Mesh& m, V3 bottomLeft, V3 normal, double width, double height, const Region& r, double repW, double repH,
          double step);

// An axis-aligned box; `sides` maps its four sides, `top` its top face, and
// `bottom` is drawn only when asked for. The top repeats either once or at
// the sides' repeat, so that its repeats fall on the shared cut lines.
struct BoxMaps {
    Region Sides, Top, Bottom;
    double RepW = 0, RepH = 0;  // world size of one repeat on the sides; 0: once per face
    double TopRepW = 0, TopRepH = 0;
    double Step = 1e9;  // largest cell; 1e9: no cuts
    bool WithBottom = false;
};
void Box(Mesh& m, V3 lo, V3 hi, const BoxMaps& maps);

// A box along three orthonormal axes, each face mapped once onto the region.
void OrientedBox(Mesh& m, V3 center, V3 ax, V3 ay, V3 az, V3 half, const Region& r);

// A closed flat polygon (convex, in order) mapped by projection onto the
// plane axes right/down from `origin`, scaled so that sizeW x sizeH world
// units fill the region.
void FlatPolygon(Mesh& m, const std::vector<V3>& pts, V3 normal, V3 origin, V3 right, V3 down, double sizeW,
                 double sizeH, const Region& r);

// A prism/cylinder along `axis` from `base`, with smooth sides.
void Cylinder(Mesh& m, V3 base, V3 axis, double radius0, double radius1, double length, int sides, const Region& side,
              const Region* caps);

// A lumpy ellipsoid with smooth normals (tree crowns, bushes).
void Blob(Mesh& m, V3 center, V3 radii, int segments, int rings, double jitter, Rng& rng, const Region& r);

// A cone with smooth sides and a flat bottom.
void Cone(Mesh& m, V3 base, double radius, double height, int sides, const Region& r);

}  // namespace worldgen

// Surface builders for the world generator (see Geometry.h).
#include "Geometry.h"

#include <algorithm>
#include <limits>

namespace worldgen {

void Mesh::Tri(uint32_t a, uint32_t b, uint32_t c) {
    const V3 pa = Verts[a].P, pb = Verts[b].P, pc = Verts[c].P;
    const V3 face = Cross(pb - pa, pc - pa);
    if (Length(face) < 1e-9) return;  // never write a degenerate triangle
    const V3 n = Verts[a].N + Verts[b].N + Verts[c].N;
    if (Dot(face, n) < 0) std::swap(b, c);
    Tris.push_back({a, b, c});
}

void Mesh::Append(const Mesh& other) {
    const uint32_t base = static_cast<uint32_t>(Verts.size());
    Verts.insert(Verts.end(), other.Verts.begin(), other.Verts.end());
    for (const auto& t : other.Tris) Tris.push_back({t[0] + base, t[1] + base, t[2] + base});
}

void Mesh::Translate(V3 t) {
    for (auto& v : Verts) v.P = v.P + t;
}

std::vector<double> EvenLines(double lo, double hi, double step) {
    const int n = std::max(1, static_cast<int>(std::ceil((hi - lo) / step - 1e-9)));
    std::vector<double> out;
    for (int i = 0; i <= n; ++i) out.push_back(i == n ? hi : lo + (hi - lo) * i / n);
    return out;
}

std::vector<double> GradedLines(double lo, double hi, double fineLo, double fineHi, double fine, double coarse,
                                double growth) {
    std::vector<double> mid = EvenLines(fineLo, fineHi, fine);
    std::vector<double> below, above;
    double step = fine, at = fineLo;
    while (at > lo) {
        step = std::min(coarse, step * growth);
        if (at - lo < step * 1.5) break;
        at -= step;
        below.push_back(at);
    }
    step = fine;
    at = fineHi;
    while (at < hi) {
        step = std::min(coarse, step * growth);
        if (hi - at < step * 1.5) break;
        at += step;
        above.push_back(at);
    }
    std::vector<double> out;
    if (lo < fineLo) out.push_back(lo);
    for (auto it = below.rbegin(); it != below.rend(); ++it) out.push_back(*it);
    out.insert(out.end(), mid.begin(), mid.end());
    out.insert(out.end(), above.begin(), above.end());
    if (hi > fineHi) out.push_back(hi);
    return out;
}

namespace {

// Cut lines over [0, total]: every multiple of rep, and between those equal
// cells no longer than step.
std::vector<double> BlockLines(double total, double rep, double step) {
    std::vector<double> out{0};
    double start = 0;
    while (start < total - 1e-6) {
        const double end = std::min(total, start + rep);
        const std::vector<double> lines = EvenLines(start, end, step);
        out.insert(out.end(), lines.begin() + 1, lines.end());
        start = end;
    }
    return out;
}

std::vector<double> Mirror(const std::vector<double>& lines, double total) {
    std::vector<double> out;
    for (auto it = lines.rbegin(); it != lines.rend(); ++it) out.push_back(total - *it);
    out.front() = 0;
    out.back() = total;
    return out;
}

// Groups consecutive cells that fall in the same repeat of the picture; the
// repeats start at `anchor` (and every rep before and after it).
std::vector<std::vector<double>> SplitAtRepeats(const std::vector<double>& lines, double rep, double anchor) {
    std::vector<std::vector<double>> out;
    long current = std::numeric_limits<long>::min();
    for (size_t i = 0; i + 1 < lines.size(); ++i) {
        const long block = static_cast<long>(std::floor((lines[i] - anchor + 1e-6) / rep));
        if (block != current) {
            out.push_back({lines[i]});
            current = block;
        }
        out.back().push_back(lines[i + 1]);
    }
    return out;
}

}  // namespace

void AtlasSurfaceLines(Mesh& m, V3 topLeft, V3 right, V3 down, const std::vector<double>& uLines,
                       const std::vector<double>& vLines, V3 normal, const Region& r, double repW, double repH,
                       double anchorU, double anchorV) {
    if (repW <= 0) repW = uLines.back(), anchorU = 0;  // 0: the region spans the whole face once
    if (repH <= 0) repH = vLines.back(), anchorV = 0;
    for (const auto& vb : SplitAtRepeats(vLines, repH, anchorV))
        for (const auto& ub : SplitAtRepeats(uLines, repW, anchorU)) {
            const double u0 = anchorU + std::floor((ub.front() - anchorU + 1e-6) / repW) * repW;
            const double v0 = anchorV + std::floor((vb.front() - anchorV + 1e-6) / repH) * repH;
            GridSurface(
                m, topLeft, right, down, ub, vb, normal,
                [&](V3, double s, double t) {
                    return std::array<double, 2>{r.U((s - u0) / repW), r.V((t - v0) / repH)};
                },
                [](size_t, size_t) { return false; });
        }
}

void AtlasSurface(Mesh& m, V3 topLeft, V3 right, V3 down, double width, double height, V3 normal, const Region& r,
                  double repW, double repH, double step) {
    if (repW <= 0) repW = width;
    if (repH <= 0) repH = height;
    AtlasSurfaceLines(m, topLeft, right, down, BlockLines(width, repW, step), BlockLines(height, repH, step), normal, r,
                      repW, repH, 0, 0);
}

void Wall(Mesh& m, V3 bottomLeft, V3 normal, double width, double height, const Region& r, double repW, double repH,
          double step) {
    const V3 up{0, 1, 0};
    const V3 right = Normalize(Cross(up, normal * -1.0));
    AtlasSurface(m, bottomLeft + up * height, right, V3{0, -1, 0}, width, height, normal, r, repW, repH, step);
}

void Box(Mesh& m, V3 lo, V3 hi, const BoxMaps& mp) {
    const double w = hi.X - lo.X, h = hi.Y - lo.Y, d = hi.Z - lo.Z;
    // All faces are cut at the same world lines, so that the sides, the top
    // and the bottom meet at shared vertices. The repeats of the picture
    // start at the low x and z ends on every face; a face that runs the
    // other way starts with the partial repeat.
    const double repX = mp.RepW > 0 ? std::min(mp.RepW, w) : w, repZ = mp.RepW > 0 ? std::min(mp.RepW, d) : d;
    const std::vector<double> xs = BlockLines(w, repX, mp.Step), zs = BlockLines(d, repZ, mp.Step);
    const std::vector<double> ys = BlockLines(h, mp.RepH > 0 ? mp.RepH : h, mp.Step);
    const double tailX = std::fmod(w, repX), tailZ = std::fmod(d, repZ);
    const V3 down{0, -1, 0};
    AtlasSurfaceLines(m, {lo.X, hi.Y, lo.Z}, {1, 0, 0}, down, xs, ys, {0, 0, -1}, mp.Sides, repX, mp.RepH, 0, 0);
    AtlasSurfaceLines(m, {hi.X, hi.Y, lo.Z}, {0, 0, 1}, down, zs, ys, {1, 0, 0}, mp.Sides, repZ, mp.RepH, 0, 0);
    AtlasSurfaceLines(m, {hi.X, hi.Y, hi.Z}, {-1, 0, 0}, down, Mirror(xs, w), ys, {0, 0, 1}, mp.Sides, repX, mp.RepH,
                      tailX, 0);
    AtlasSurfaceLines(m, {lo.X, hi.Y, hi.Z}, {0, 0, -1}, down, Mirror(zs, d), ys, {-1, 0, 0}, mp.Sides, repZ, mp.RepH,
                      tailZ, 0);
    const double topZ = mp.TopRepH > 0 ? std::fmod(d, mp.TopRepH) : 0;
    AtlasSurfaceLines(m, {lo.X, hi.Y, hi.Z}, {1, 0, 0}, {0, 0, -1}, xs, Mirror(zs, d), {0, 1, 0}, mp.Top, mp.TopRepW,
                      mp.TopRepH, 0, topZ);
    if (mp.WithBottom)
        AtlasSurfaceLines(m, {lo.X, lo.Y, lo.Z}, {1, 0, 0}, {0, 0, 1}, xs, zs, {0, -1, 0}, mp.Bottom, 0, 0, 0, 0);
}

void OrientedBox(Mesh& m, V3 c, V3 ax, V3 ay, V3 az, V3 half, const Region& r) {
    const V3 axes[3] = {ax, ay, az};
    const double hs[3] = {half.X, half.Y, half.Z};
    for (int k = 0; k < 3; ++k)
        for (int sgn = -1; sgn <= 1; sgn += 2) {
            const V3 n = axes[k] * sgn;
            const V3 a = axes[(k + 1) % 3] * hs[(k + 1) % 3];
            const V3 b = axes[(k + 2) % 3] * hs[(k + 2) % 3];
            const V3 fc = c + n * hs[k];
            const V3 corners[4] = {fc - a - b, fc + a - b, fc + a + b, fc - a + b};
            const double uv[4][2] = {{0, 1}, {1, 1}, {1, 0}, {0, 0}};
            uint32_t id[4];
            for (int i = 0; i < 4; ++i) id[i] = m.Add({corners[i], n, r.U(uv[i][0]), r.V(uv[i][1])});
            m.Quad(id[0], id[1], id[2], id[3]);
        }
}

void FlatPolygon(Mesh& m, const std::vector<V3>& pts, V3 normal, V3 origin, V3 right, V3 down, double sizeW,
                 double sizeH, const Region& r) {
    std::vector<uint32_t> id;
    for (const V3& p : pts)
        id.push_back(m.Add({p, normal, r.U(Dot(p - origin, right) / sizeW), r.V(Dot(p - origin, down) / sizeH)}));
    for (size_t i = 1; i + 1 < id.size(); ++i) m.Tri(id[0], id[i], id[i + 1]);
}

namespace {
void Basis(V3 axis, V3& e1, V3& e2) {
    const V3 helper = std::fabs(axis.Y) < 0.9 ? V3{0, 1, 0} : V3{1, 0, 0};
    e1 = Normalize(Cross(helper, axis));
    e2 = Cross(axis, e1);
}
}  // namespace

void Cylinder(Mesh& m, V3 base, V3 axis, double r0, double r1, double len, int sides, const Region& side,
              const Region* caps) {
    axis = Normalize(axis);
    V3 e1, e2;
    Basis(axis, e1, e2);
    const V3 top = base + axis * len;
    const uint32_t first = static_cast<uint32_t>(m.Verts.size());
    for (int i = 0; i <= sides; ++i) {
        const double a = 2 * kPi * (i % sides) / sides;
        const V3 e = e1 * std::cos(a) + e2 * std::sin(a);
        const V3 n = Normalize(e * len - axis * (r1 - r0));
        const double u = side.U(static_cast<double>(i) / sides);
        m.Add({base + e * r0, n, u, side.V(1)});
        m.Add({top + e * r1, n, u, side.V(0)});
    }
    for (int i = 0; i < sides; ++i) {
        const uint32_t k = first + 2 * i;
        m.Quad(k, k + 2, k + 3, k + 1);
    }
    if (!caps) return;
    for (int end = 0; end < 2; ++end) {
        const V3 c = end ? top : base;
        const double rad = end ? r1 : r0;
        const V3 n = end ? axis : axis * -1.0;
        if (rad <= 0) continue;
        const uint32_t mid = m.Add({c, n, caps->U(0.5), caps->V(0.5)});
        std::vector<uint32_t> ring;
        for (int i = 0; i < sides; ++i) {
            const double a = 2 * kPi * i / sides;
            ring.push_back(m.Add({c + (e1 * std::cos(a) + e2 * std::sin(a)) * rad, n, caps->U(0.5 + 0.5 * std::cos(a)),
                                  caps->V(0.5 + 0.5 * std::sin(a))}));
        }
        for (int i = 0; i < sides; ++i) m.Tri(mid, ring[i], ring[(i + 1) % sides]);
    }
}

void Blob(Mesh& m, V3 c, V3 rad, int segments, int rings, double jitter, Rng& rng, const Region& r) {
    std::vector<double> f(static_cast<size_t>((rings + 1) * segments));
    for (auto& x : f) x = 1.0 + jitter * (rng.Unit() * 2 - 1);
    for (int i = 0; i < segments; ++i) {
        f[static_cast<size_t>(i)] = f[0];
        f[static_cast<size_t>(rings * segments + i)] = f[static_cast<size_t>(rings * segments)];
    }
    const uint32_t first = static_cast<uint32_t>(m.Verts.size());
    const int cols = segments + 1;
    for (int j = 0; j <= rings; ++j)
        for (int i = 0; i <= segments; ++i) {
            const double ph = kPi * j / rings, th = 2 * kPi * (i % segments) / segments;
            const V3 d{std::sin(ph) * std::cos(th), std::cos(ph), std::sin(ph) * std::sin(th)};
            const double k = f[static_cast<size_t>(j * segments + i % segments)];
            const V3 p = c + V3{d.X * rad.X, d.Y * rad.Y, d.Z * rad.Z} * k;
            const V3 n = Normalize({d.X / rad.X, d.Y / rad.Y, d.Z / rad.Z});
            m.Add({p, n, r.U(static_cast<double>(i) / segments), r.V(static_cast<double>(j) / rings)});
        }
    for (int j = 0; j < rings; ++j)
        for (int i = 0; i < segments; ++i) {
            const uint32_t k = first + static_cast<uint32_t>(j * cols + i);
            const uint32_t below = k + static_cast<uint32_t>(cols);
            if (j == 0) m.Tri(k, below, below + 1);
            else if (j == rings - 1) m.Tri(k, below, k + 1);
            else m.Quad(k, k + 1, below + 1, below);
        }
}

void Cone(Mesh& m, V3 base, double radius, double height, int sides, const Region& r) {
    const V3 apex = base + V3{0, height, 0};
    for (int i = 0; i < sides; ++i) {
        const double a0 = 2 * kPi * i / sides, a1 = 2 * kPi * (i + 1) / sides, am = (a0 + a1) / 2;
        auto normalAt = [&](double a) { return Normalize({std::cos(a) * height, radius, std::sin(a) * height}); };
        const uint32_t p0 = m.Add({base + V3{std::cos(a0) * radius, 0, std::sin(a0) * radius}, normalAt(a0),
                                   r.U(static_cast<double>(i) / sides), r.V(1)});
        const uint32_t p1 = m.Add({base + V3{std::cos(a1) * radius, 0, std::sin(a1) * radius}, normalAt(a1),
                                   r.U(static_cast<double>(i + 1) / sides), r.V(1)});
        const uint32_t pa = m.Add({apex, normalAt(am), r.U((i + 0.5) / sides), r.V(0)});
        m.Tri(p0, p1, pa);
    }
    std::vector<uint32_t> ring;
    const uint32_t mid = m.Add({base, {0, -1, 0}, r.U(0.5), r.V(0.5)});
    for (int i = 0; i < sides; ++i) {
        const double a = 2 * kPi * i / sides;
        ring.push_back(m.Add({base + V3{std::cos(a) * radius, 0, std::sin(a) * radius},
                              {0, -1, 0},
                              r.U(0.5 + 0.5 * std::cos(a)),
                              r.V(0.5 + 0.5 * std::sin(a))}));
    }
    for (int i = 0; i < sides; ++i) m.Tri(mid, ring[i], ring[(i + 1) % sides]);
}

}  // namespace worldgen

// Software previews (see Preview.h): per-vertex lighting with the game's
// lights, linear vertex fog, perspective-correct texturing with point
// sampling, clockwise front faces.
#include "Preview.h"

#include <algorithm>
#include <cmath>
#include <map>

namespace worldgen {

namespace {

struct Instance {
    const Mesh* mesh;
    V3 offset;
    const Image* tex;
};

struct Light {
    V3 pos;
    double range, a0;
};

struct Camera {
    V3 eye;
    double yaw, pitch;
};

struct Frame {
    int w, h;
    std::vector<double> depth;
    Image img;
    Frame(int width, int height, uint32_t clear) : w(width), h(height) {
        depth.assign(static_cast<size_t>(w * h), 0.0);
        img.w = w, img.h = h;
        img.rgb.resize(static_cast<size_t>(w * h * 3));
        for (int i = 0; i < w * h; ++i) {
            img.rgb[static_cast<size_t>(i * 3)] = static_cast<uint8_t>(clear >> 16);
            img.rgb[static_cast<size_t>(i * 3 + 1)] = static_cast<uint8_t>(clear >> 8);
            img.rgb[static_cast<size_t>(i * 3 + 2)] = static_cast<uint8_t>(clear);
        }
    }
    void Put(int x, int y, double r, double g, double b) {
        uint8_t* p = &img.rgb[static_cast<size_t>((y * w + x) * 3)];
        p[0] = static_cast<uint8_t>(std::clamp(r, 0.0, 255.0));
        p[1] = static_cast<uint8_t>(std::clamp(g, 0.0, 255.0));
        p[2] = static_cast<uint8_t>(std::clamp(b, 0.0, 255.0));
    }
};

void Sample(const Image& t, double u, double v, double out[3]) {
    u -= std::floor(u);
    v -= std::floor(v);
    const int x = std::min(t.w - 1, static_cast<int>(u * t.w)), y = std::min(t.h - 1, static_cast<int>(v * t.h));
    const uint8_t* p = &t.rgb[static_cast<size_t>((y * t.w + x) * 3)];
    out[0] = p[0], out[1] = p[1], out[2] = p[2];
}

double Lit(V3 p, V3 n, const std::vector<Light>& lights) {
    double d = 0.05;
    for (const Light& l : lights) {
        const V3 to = l.pos - p;
        const double dist = Length(to);
        if (dist > l.range) continue;
        d += std::max(0.0, Dot(n, to * (1.0 / dist))) / l.a0;
    }
    return std::min(1.0, d);
}

// Camera-space vertex carried through clipping.
struct CV {
    V3 c;  // camera space
    double lit, u, v;
};
CV Lerp(const CV& a, const CV& b, double t) {
    return {a.c + (b.c - a.c) * t, a.lit + (b.lit - a.lit) * t, a.u + (b.u - a.u) * t, a.v + (b.v - a.v) * t};
}

V3 ToCamera(const Camera& cam, V3 p) {
    const V3 t = p - cam.eye;
    const double cy = std::cos(cam.yaw), sy = std::sin(cam.yaw);
    const V3 r{t.x * cy + t.z * sy, t.y, -t.x * sy + t.z * cy};
    const double cp = std::cos(cam.pitch), sp = std::sin(cam.pitch);
    return {r.x, r.y * cp - r.z * sp, r.y * sp + r.z * cp};
}

bool RenderView(const std::vector<Instance>& scene, const Camera& cam, const std::vector<Light>& lights,
                uint32_t sky, const std::string& path) {
    Frame f(800, 600, sky);
    const double tanHalf = std::tan(Pi / 6);
    const double skyRgb[3] = {double(sky >> 16 & 255), double(sky >> 8 & 255), double(sky & 255)};
    for (const Instance& in : scene) {
        const Mesh& m = *in.mesh;
        std::vector<CV> cv(m.verts.size());
        for (size_t i = 0; i < m.verts.size(); ++i) {
            const V3 p = m.verts[i].p + in.offset;
            cv[i] = {ToCamera(cam, p), Lit(p, m.verts[i].n, lights), m.verts[i].u, m.verts[i].v};
        }
        for (const auto& t : m.tris) {
            std::vector<CV> poly = {cv[t[0]], cv[t[1]], cv[t[2]]}, clipped;
            for (size_t i = 0; i < poly.size(); ++i) {
                const CV& a = poly[i];
                const CV& b = poly[(i + 1) % poly.size()];
                const bool ina = a.c.z >= 1, inb = b.c.z >= 1;
                if (ina) clipped.push_back(a);
                if (ina != inb) clipped.push_back(Lerp(a, b, (1 - a.c.z) / (b.c.z - a.c.z)));
            }
            if (clipped.size() < 3) continue;
            struct SV {
                double x, y, iz, lit, u, v;
            };
            std::vector<SV> sv;
            for (const CV& c : clipped) {
                const double iz = 1 / c.c.z;
                sv.push_back({(c.c.x * iz / tanHalf + 1) * 0.5 * f.w, (1 - c.c.y * iz / tanHalf) * 0.5 * f.h, iz,
                              c.lit * iz, c.u * iz, c.v * iz});
            }
            for (size_t k = 1; k + 1 < sv.size(); ++k) {
                const SV &a = sv[0], &b = sv[k], &c = sv[k + 1];
                const double area = (b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x);
                if (area <= 0) continue;  // back face
                const int x0 = std::max(0, static_cast<int>(std::floor(std::min({a.x, b.x, c.x}))));
                const int x1 = std::min(f.w - 1, static_cast<int>(std::ceil(std::max({a.x, b.x, c.x}))));
                const int y0 = std::max(0, static_cast<int>(std::floor(std::min({a.y, b.y, c.y}))));
                const int y1 = std::min(f.h - 1, static_cast<int>(std::ceil(std::max({a.y, b.y, c.y}))));
                for (int y = y0; y <= y1; ++y)
                    for (int x = x0; x <= x1; ++x) {
                        const double px = x + 0.5, py = y + 0.5;
                        const double wa = ((b.x - px) * (c.y - py) - (b.y - py) * (c.x - px)) / area;
                        const double wb = ((c.x - px) * (a.y - py) - (c.y - py) * (a.x - px)) / area;
                        const double wc = 1 - wa - wb;
                        if (wa < 0 || wb < 0 || wc < 0) continue;
                        const double iz = wa * a.iz + wb * b.iz + wc * c.iz;
                        double& d = f.depth[static_cast<size_t>(y * f.w + x)];
                        if (iz <= d || iz < 1.0 / 800) continue;
                        d = iz;
                        const double z = 1 / iz;
                        const double lit = (wa * a.lit + wb * b.lit + wc * c.lit) * z;
                        const double u = (wa * a.u + wb * b.u + wc * c.u) * z;
                        const double v = (wa * a.v + wb * b.v + wc * c.v) * z;
                        double tex[3];
                        Sample(*in.tex, u, v, tex);
                        const double fog = std::clamp((700 - z) / 300, 0.0, 1.0);
                        f.Put(x, y, tex[0] * lit * fog + skyRgb[0] * (1 - fog), tex[1] * lit * fog + skyRgb[1] * (1 - fog),
                              tex[2] * lit * fog + skyRgb[2] * (1 - fog));
                    }
            }
        }
    }
    return SavePng(f.img, path);
}

// Top-down map of x, z in [-half, half], north up, highest surface wins.
bool RenderMap(const std::vector<Instance>& scene, double half, const std::string& path) {
    Frame f(1000, 1000, 0x202020);
    std::fill(f.depth.begin(), f.depth.end(), -1e9);
    const double scale = 2 * half / f.w;
    for (const Instance& in : scene) {
        const Mesh& m = *in.mesh;
        for (const auto& t : m.tris) {
            V3 p[3];
            double tex[3][3];
            for (int k = 0; k < 3; ++k) {
                const Vertex& v = m.verts[t[static_cast<size_t>(k)]];
                p[k] = v.p + in.offset;
                Sample(*in.tex, v.u, v.v, tex[k]);
            }
            const V3 n = Normalize(Cross(p[1] - p[0], p[2] - p[0]));
            if (n.y <= 0.05) continue;
            const double shade = 0.45 + 0.55 * n.y;
            double col[3];
            for (int c = 0; c < 3; ++c) col[c] = (tex[0][c] + tex[1][c] + tex[2][c]) / 3 * shade;
            double sx[3], sy[3];
            for (int k = 0; k < 3; ++k) sx[k] = (p[k].x + half) / scale, sy[k] = (half - p[k].z) / scale;
            const double area = (sx[1] - sx[0]) * (sy[2] - sy[0]) - (sy[1] - sy[0]) * (sx[2] - sx[0]);
            if (std::fabs(area) < 1e-12) continue;
            const int x0 = std::max(0, static_cast<int>(std::min({sx[0], sx[1], sx[2]})));
            const int x1 = std::min(f.w - 1, static_cast<int>(std::max({sx[0], sx[1], sx[2]})) + 1);
            const int y0 = std::max(0, static_cast<int>(std::min({sy[0], sy[1], sy[2]})));
            const int y1 = std::min(f.h - 1, static_cast<int>(std::max({sy[0], sy[1], sy[2]})) + 1);
            for (int y = y0; y <= y1; ++y)
                for (int x = x0; x <= x1; ++x) {
                    const double px = x + 0.5, py = y + 0.5;
                    const double wa = ((sx[1] - px) * (sy[2] - py) - (sy[1] - py) * (sx[2] - px)) / area;
                    const double wb = ((sx[2] - px) * (sy[0] - py) - (sy[2] - py) * (sx[0] - px)) / area;
                    const double wc = 1 - wa - wb;
                    if (wa < 0 || wb < 0 || wc < 0) continue;
                    const double h = wa * p[0].y + wb * p[1].y + wc * p[2].y;
                    double& d = f.depth[static_cast<size_t>(y * f.w + x)];
                    if (h < d) continue;
                    d = h;
                    f.Put(x, y, col[0], col[1], col[2]);
                }
        }
    }
    // The start position and the edges of the first view.
    const V3 eye{-160, 0, 120};
    for (double a : {3.5 - Pi / 6, 3.5, 3.5 + Pi / 6})
        for (double t = 0; t < 700; t += 0.5) {
            const double x = eye.x - std::sin(a) * t, z = eye.z + std::cos(a) * t;
            const int px = static_cast<int>((x + half) / scale), py = static_cast<int>((half - z) / scale);
            if (px >= 0 && py >= 0 && px < f.w && py < f.h) f.Put(px, py, 255, 255, 0);
        }
    return SavePng(f.img, path);
}

}  // namespace

bool RenderPreviews(const std::vector<MeshFile>& world, const std::vector<Picture>& pictures, const std::string& dir) {
    std::map<std::string, const Image*> tex;
    for (const Picture& p : pictures) tex[p.file] = &p.image;
    auto sceneAt = [&](int animFrame, double car1Z, double car2Z) {
        std::vector<Instance> s;
        for (const MeshFile& f : world) {
            if (f.path.rfind("Animation/", 0) == 0) {
                if (f.path == "Animation/anim000" + std::to_string(animFrame) + ".x")
                    s.push_back({&f.mesh, f.placedAt, tex[f.texture]});
            } else if (f.path == "3d/3d000car.x") {
                s.push_back({&f.mesh, {-45, 0, car1Z}, tex["texture0005.jpg"]});
                s.push_back({&f.mesh, {-85, 0, car2Z}, tex["texture00012.jpg"]});
            } else {
                s.push_back({&f.mesh, f.placedAt, tex[f.texture]});
            }
        }
        return s;
    };
    const std::vector<Light> day = {{{0, 700, -500}, 20000, 1}};
    auto night = [](double car1Z, double car2Z) {
        std::vector<Light> l;
        for (double z : layout::LampZ) l.push_back({{layout::LampX, layout::LampY, z}, 500, 0.9});
        l.push_back({{-45, 5, car1Z + 60}, 150, 1});
        l.push_back({{-85, 5, car2Z + 60}, 150, 1});
        return l;
    };
    const double c1 = -40, c2 = -10;
    auto withCars = [&](std::vector<Light> l) {
        l.push_back({{-45, 5, c1 + 60}, 150, 1});
        l.push_back({{-85, 5, c2 + 60}, 150, 1});
        return l;
    };
    bool ok = true;
    const auto scene = sceneAt(8, c1, c2);
    ok &= RenderMap(scene, 500, dir + "/map.png");
    ok &= RenderMap(scene, 120, dir + "/map_near.png");
    const Camera start{{-160, 35, 120}, 3.5, 0};
    ok &= RenderView(scene, start, withCars(day), 0x015ADF, dir + "/start_day.png");
    ok &= RenderView(scene, start, night(c1, c2), 0x00000A, dir + "/start_night.png");
    ok &= RenderView(sceneAt(1, c1, c2), {{-150, 5.5, 110}, 3.3, 0}, withCars(day), 0x015ADF, dir + "/driver_day.png");
    ok &= RenderView(sceneAt(15, c1, c2), {{-120, 5.5, 20}, 2.5, 0}, night(c1, c2), 0x00000A, dir + "/low_night.png");
    ok &= RenderView(sceneAt(15, c1, c2), {{-65, 3.5, -90}, 0.0, 0}, night(c1, c2), 0x00000A, dir + "/road_night.png");
    ok &= RenderView(scene, {{-170, 14, 60}, 2.6, -0.1}, withCars(day), 0x015ADF, dir + "/west_day.png");
    ok &= RenderView(scene, {{-5, 14, -60}, 4.11, 0.1}, withCars(day), 0x015ADF, dir + "/east_day.png");
    for (int k : {1, 8, 15})
        ok &= RenderView(sceneAt(k, c1, c2), {{layout::FigureX, 9, layout::FigureZ + 24}, Pi, -0.05}, withCars(day), 0x015ADF,
                   dir + "/statue" + std::to_string(k) + ".png");
    ok &= RenderView(sceneAt(1, 0, 0), {{-30, 7, 20}, 2.5, -0.15}, withCars(day), 0x015ADF, dir + "/car.png");
    ok &= RenderView(scene, {{-160, 130, 120}, 3.5, 200}, withCars(day), 0x015ADF, dir + "/aerial_day.png");
    return ok;
}

}  // namespace worldgen

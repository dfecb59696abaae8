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
    const Mesh* Shape;
    V3 Offset;
    const Image* Tex;
};

struct Light {
    V3 Pos;
    double Range, A0;
};

struct Camera {
    V3 Eye;
    double Yaw, Pitch;
};

struct Frame {
    int W, H;
    std::vector<double> Depth;
    Image Img;
    Frame(int width, int height, uint32_t clear) : W(width), H(height) {
        Depth.assign(static_cast<size_t>(W * H), 0.0);
        Img.W = W, Img.H = H;
        Img.Rgb.resize(static_cast<size_t>(W * H * 3));
        for (int i = 0; i < W * H; ++i) {
            Img.Rgb[static_cast<size_t>(i * 3)] = static_cast<uint8_t>(clear >> 16);
            Img.Rgb[static_cast<size_t>(i * 3 + 1)] = static_cast<uint8_t>(clear >> 8);
            Img.Rgb[static_cast<size_t>(i * 3 + 2)] = static_cast<uint8_t>(clear);
        }
    }
    void Put(int x, int y, double r, double g, double b) {
        uint8_t* p = &Img.Rgb[static_cast<size_t>((y * W + x) * 3)];
        p[0] = static_cast<uint8_t>(std::clamp(r, 0.0, 255.0));
        p[1] = static_cast<uint8_t>(std::clamp(g, 0.0, 255.0));
        p[2] = static_cast<uint8_t>(std::clamp(b, 0.0, 255.0));
    }
};

void Sample(const Image& t, double u, double v, double out[3]) {
    u -= std::floor(u);
    v -= std::floor(v);
    const int x = std::min(t.W - 1, static_cast<int>(u * t.W)), y = std::min(t.H - 1, static_cast<int>(v * t.H));
    const uint8_t* p = &t.Rgb[static_cast<size_t>((y * t.W + x) * 3)];
    out[0] = p[0], out[1] = p[1], out[2] = p[2];
}

double Lit(V3 p, V3 n, const std::vector<Light>& lights) {
    double d = 0.05;
    for (const Light& l : lights) {
        const V3 to = l.Pos - p;
        const double dist = Length(to);
        if (dist > l.Range) continue;
        d += std::max(0.0, Dot(n, to * (1.0 / dist))) / l.A0;
    }
    return std::min(1.0, d);
}

// Camera-space vertex carried through clipping.
struct CV {
    V3 C;  // camera space
    double Lit, U, V;
};
CV Lerp(const CV& a, const CV& b, double t) {
    return {a.C + (b.C - a.C) * t, a.Lit + (b.Lit - a.Lit) * t, a.U + (b.U - a.U) * t, a.V + (b.V - a.V) * t};
}

V3 ToCamera(const Camera& cam, V3 p) {
    const V3 t = p - cam.Eye;
    const double cy = std::cos(cam.Yaw), sy = std::sin(cam.Yaw);
    const V3 r{t.X * cy + t.Z * sy, t.Y, -t.X * sy + t.Z * cy};
    const double cp = std::cos(cam.Pitch), sp = std::sin(cam.Pitch);
    return {r.X, r.Y * cp - r.Z * sp, r.Y * sp + r.Z * cp};
}

bool RenderView(const std::vector<Instance>& scene, const Camera& cam, const std::vector<Light>& lights, uint32_t sky,
                const std::string& path) {
    Frame f(800, 600, sky);
    const double tanHalf = std::tan(kPi / 6);
    const double skyRgb[3] = {double(sky >> 16 & 255), double(sky >> 8 & 255), double(sky & 255)};
    for (const Instance& in : scene) {
        const Mesh& m = *in.Shape;
        std::vector<CV> cv(m.Verts.size());
        for (size_t i = 0; i < m.Verts.size(); ++i) {
            const V3 p = m.Verts[i].P + in.Offset;
            cv[i] = {ToCamera(cam, p), Lit(p, m.Verts[i].N, lights), m.Verts[i].U, m.Verts[i].V};
        }
        for (const auto& t : m.Tris) {
            std::vector<CV> poly = {cv[t[0]], cv[t[1]], cv[t[2]]}, clipped;
            for (size_t i = 0; i < poly.size(); ++i) {
                const CV& a = poly[i];
                const CV& b = poly[(i + 1) % poly.size()];
                const bool ina = a.C.Z >= 1, inb = b.C.Z >= 1;
                if (ina) clipped.push_back(a);
                if (ina != inb) clipped.push_back(Lerp(a, b, (1 - a.C.Z) / (b.C.Z - a.C.Z)));
            }
            if (clipped.size() < 3) continue;
            struct SV {
                double X, Y, Iz, Lit, U, V;
            };
            std::vector<SV> sv;
            for (const CV& c : clipped) {
                const double iz = 1 / c.C.Z;
                sv.push_back({(c.C.X * iz / tanHalf + 1) * 0.5 * f.W, (1 - c.C.Y * iz / tanHalf) * 0.5 * f.H, iz,
                              c.Lit * iz, c.U * iz, c.V * iz});
            }
            for (size_t k = 1; k + 1 < sv.size(); ++k) {
                const SV &a = sv[0], &b = sv[k], &c = sv[k + 1];
                const double area = (b.X - a.X) * (c.Y - a.Y) - (b.Y - a.Y) * (c.X - a.X);
                if (area <= 0) continue;  // back face
                const int x0 = std::max(0, static_cast<int>(std::floor(std::min({a.X, b.X, c.X}))));
                const int x1 = std::min(f.W - 1, static_cast<int>(std::ceil(std::max({a.X, b.X, c.X}))));
                const int y0 = std::max(0, static_cast<int>(std::floor(std::min({a.Y, b.Y, c.Y}))));
                const int y1 = std::min(f.H - 1, static_cast<int>(std::ceil(std::max({a.Y, b.Y, c.Y}))));
                for (int y = y0; y <= y1; ++y)
                    for (int x = x0; x <= x1; ++x) {
                        const double px = x + 0.5, py = y + 0.5;
                        const double wa = ((b.X - px) * (c.Y - py) - (b.Y - py) * (c.X - px)) / area;
                        const double wb = ((c.X - px) * (a.Y - py) - (c.Y - py) * (a.X - px)) / area;
                        const double wc = 1 - wa - wb;
                        if (wa < 0 || wb < 0 || wc < 0) continue;
                        const double iz = wa * a.Iz + wb * b.Iz + wc * c.Iz;
                        double& d = f.Depth[static_cast<size_t>(y * f.W + x)];
                        if (iz <= d || iz < 1.0 / 800) continue;
                        d = iz;
                        const double z = 1 / iz;
                        const double lit = (wa * a.Lit + wb * b.Lit + wc * c.Lit) * z;
                        const double u = (wa * a.U + wb * b.U + wc * c.U) * z;
                        const double v = (wa * a.V + wb * b.V + wc * c.V) * z;
                        double tex[3];
                        Sample(*in.Tex, u, v, tex);
                        const double fog = std::clamp((700 - z) / 300, 0.0, 1.0);
                        f.Put(x, y, tex[0] * lit * fog + skyRgb[0] * (1 - fog),
                              tex[1] * lit * fog + skyRgb[1] * (1 - fog), tex[2] * lit * fog + skyRgb[2] * (1 - fog));
                    }
            }
        }
    }
    return SavePng(f.Img, path);
}

// Top-down map of x, z in [-half, half], north up, highest surface wins.
bool RenderMap(const std::vector<Instance>& scene, double half, const std::string& path) {
    Frame f(1000, 1000, 0x202020);
    std::fill(f.Depth.begin(), f.Depth.end(), -1e9);
    const double scale = 2 * half / f.W;
    for (const Instance& in : scene) {
        const Mesh& m = *in.Shape;
        for (const auto& t : m.Tris) {
            V3 p[3];
            double tex[3][3];
            for (int k = 0; k < 3; ++k) {
                const Vertex& v = m.Verts[t[static_cast<size_t>(k)]];
                p[k] = v.P + in.Offset;
                Sample(*in.Tex, v.U, v.V, tex[k]);
            }
            const V3 n = Normalize(Cross(p[1] - p[0], p[2] - p[0]));
            if (n.Y <= 0.05) continue;
            const double shade = 0.45 + 0.55 * n.Y;
            double col[3];
            for (int c = 0; c < 3; ++c) col[c] = (tex[0][c] + tex[1][c] + tex[2][c]) / 3 * shade;
            double sx[3], sy[3];
            for (int k = 0; k < 3; ++k) sx[k] = (p[k].X + half) / scale, sy[k] = (half - p[k].Z) / scale;
            const double area = (sx[1] - sx[0]) * (sy[2] - sy[0]) - (sy[1] - sy[0]) * (sx[2] - sx[0]);
            if (std::fabs(area) < 1e-12) continue;
            const int x0 = std::max(0, static_cast<int>(std::min({sx[0], sx[1], sx[2]})));
            const int x1 = std::min(f.W - 1, static_cast<int>(std::max({sx[0], sx[1], sx[2]})) + 1);
            const int y0 = std::max(0, static_cast<int>(std::min({sy[0], sy[1], sy[2]})));
            const int y1 = std::min(f.H - 1, static_cast<int>(std::max({sy[0], sy[1], sy[2]})) + 1);
            for (int y = y0; y <= y1; ++y)
                for (int x = x0; x <= x1; ++x) {
                    const double px = x + 0.5, py = y + 0.5;
                    const double wa = ((sx[1] - px) * (sy[2] - py) - (sy[1] - py) * (sx[2] - px)) / area;
                    const double wb = ((sx[2] - px) * (sy[0] - py) - (sy[2] - py) * (sx[0] - px)) / area;
                    const double wc = 1 - wa - wb;
                    if (wa < 0 || wb < 0 || wc < 0) continue;
                    const double h = wa * p[0].Y + wb * p[1].Y + wc * p[2].Y;
                    double& d = f.Depth[static_cast<size_t>(y * f.W + x)];
                    if (h < d) continue;
                    d = h;
                    f.Put(x, y, col[0], col[1], col[2]);
                }
        }
    }
    // The start position and the edges of the first view.
    const V3 eye{-160, 0, 120};
    for (double a : {3.5 - kPi / 6, 3.5, 3.5 + kPi / 6})
        for (double t = 0; t < 700; t += 0.5) {
            const double x = eye.X - std::sin(a) * t, z = eye.Z + std::cos(a) * t;
            const int px = static_cast<int>((x + half) / scale), py = static_cast<int>((half - z) / scale);
            if (px >= 0 && py >= 0 && px < f.W && py < f.H) f.Put(px, py, 255, 255, 0);
        }
    return SavePng(f.Img, path);
}

}  // namespace

bool RenderPreviews(const std::vector<MeshFile>& world, const std::vector<Picture>& pictures, const std::string& dir) {
    std::map<std::string, const Image*> tex;
    for (const Picture& p : pictures) tex[p.File] = &p.Pixels;
    auto sceneAt = [&](int animFrame, double car1Z, double car2Z) {
        std::vector<Instance> s;
        for (const MeshFile& f : world) {
            if (f.Path.rfind("Animation/", 0) == 0) {
                if (f.Path == "Animation/anim000" + std::to_string(animFrame) + ".x")
                    s.push_back({&f.Shape, f.PlacedAt, tex[f.Texture]});
            } else if (f.Path == "3d/3d000car.x") {
                s.push_back({&f.Shape, {-45, 0, car1Z}, tex["texture0005.jpg"]});
                s.push_back({&f.Shape, {-85, 0, car2Z}, tex["texture00012.jpg"]});
            } else {
                s.push_back({&f.Shape, f.PlacedAt, tex[f.Texture]});
            }
        }
        return s;
    };
    const std::vector<Light> day = {{{0, 700, -500}, 20000, 1}};
    auto night = [](double car1Z, double car2Z) {
        std::vector<Light> l;
        for (double z : layout::kLampZ) l.push_back({{layout::kLampX, layout::kLampY, z}, 500, 0.9});
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
        ok &= RenderView(sceneAt(k, c1, c2), {{layout::kFigureX, 9, layout::kFigureZ + 24}, kPi, -0.05}, withCars(day),
                         0x015ADF, dir + "/statue" + std::to_string(k) + ".png");
    ok &= RenderView(sceneAt(1, 0, 0), {{-30, 7, 20}, 2.5, -0.15}, withCars(day), 0x015ADF, dir + "/car.png");
    ok &= RenderView(scene, {{-160, 130, 120}, 3.5, 200}, withCars(day), 0x015ADF, dir + "/aerial_day.png");
    return ok;
}

}  // namespace worldgen

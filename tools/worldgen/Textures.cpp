// Procedural pictures (see Textures.h). Every pattern is periodic over the
// picture, or over the rows of its atlas band, so surfaces that repeat the
// picture show no seams. All randomness is integer hashing with fixed seeds.
#include "Textures.h"

#include <SDL.h>
#include <SDL_image.h>

#include <algorithm>
#include <cmath>

namespace worldgen {

namespace {

constexpr int kSize = 256;

uint32_t Hash(uint32_t x, uint32_t y, uint32_t seed) {
    uint32_t h = x * 374761393u + y * 668265263u + seed * 2246822519u;
    h = (h ^ (h >> 13)) * 1274126177u;
    return h ^ (h >> 16);
}
double Rand(uint32_t x, uint32_t y, uint32_t seed) { return Hash(x, y, seed) / 4294967296.0; }

// Value noise on a lattice of px x py cells that wraps.
double Noise(double x, double y, int px, int py, uint32_t seed) {
    const double fx = std::floor(x), fy = std::floor(y);
    const int ix = static_cast<int>(fx), iy = static_cast<int>(fy);
    double tx = x - fx, ty = y - fy;
    tx = tx * tx * (3 - 2 * tx);
    ty = ty * ty * (3 - 2 * ty);
    auto at = [&](int i, int j) {
        const uint32_t wx = static_cast<uint32_t>(((i % px) + px) % px);
        const uint32_t wy = static_cast<uint32_t>(((j % py) + py) % py);
        return Rand(wx, wy, seed);
    };
    const double a = at(ix, iy) + (at(ix + 1, iy) - at(ix, iy)) * tx;
    const double b = at(ix, iy + 1) + (at(ix + 1, iy + 1) - at(ix, iy + 1)) * tx;
    return a + (b - a) * ty;
}

// Fractal noise over the unit square (u, v in [0, 1)), periodic in both.
double Fbm(double u, double v, int periodU, int periodV, int octaves, uint32_t seed) {
    double sum = 0, amp = 0.5, norm = 0;
    for (int o = 0; o < octaves; ++o) {
        const int pu = periodU << o, pv = periodV << o;
        sum += amp * Noise(u * pu, v * pv, pu, pv, seed + static_cast<uint32_t>(o) * 101u);
        norm += amp;
        amp *= 0.5;
    }
    return sum / norm;
}

struct Rgb {
    double R, G, B;
};
Rgb operator*(Rgb c, double s) { return {c.R * s, c.G * s, c.B * s}; }
Rgb operator+(Rgb a, Rgb b) { return {a.R + b.R, a.G + b.G, a.B + b.B}; }
Rgb Mix(Rgb a, Rgb b, double t) { return a * (1 - t) + b * t; }

class Canvas {
public:
    Canvas() { img_.W = kSize, img_.H = kSize, img_.Rgb.assign(kSize * kSize * 3, 0); }
    void Set(int x, int y, Rgb c) {
        uint8_t* p = &img_.Rgb[static_cast<size_t>((y * kSize + x) * 3)];
        p[0] = Clamp(c.R), p[1] = Clamp(c.G), p[2] = Clamp(c.B);
    }
    Image Take() { return std::move(img_); }

private:
    static uint8_t Clamp(double v) { return static_cast<uint8_t>(std::clamp(std::lround(v), 0L, 255L)); }
    Image img_;
};

// A fresh picture whose every pixel is at(x, y, u, v), u and v being x and y
// over the picture's side.
template <class PixelAt>
Image Paint(PixelAt at) {
    Canvas c;
    for (int y = 0; y < kSize; ++y)
        for (int x = 0; x < kSize; ++x) c.Set(x, y, at(x, y, x / double(kSize), y / double(kSize)));
    return c.Take();
}

// Running-bond bricks over a band of `rows` pixel rows starting at y0.
Rgb BrickAt(int x, int y, int y0, uint32_t seed) {
    const int ly = y - y0, row = ly / 16, off = (row % 2) * 16;
    const int bx = ((x + off) % kSize) / 32, inx = (x + off) % 32, iny = ly % 16;
    const double u = x / double(kSize), v = y / double(kSize);
    const double grain = Fbm(u, v, 16, 16, 3, seed + 7) - 0.5;
    if (inx < 2 || iny < 2) {
        const double m = 160 + 25 * grain + 10 * Rand(x, y, seed + 3);
        return {m, m * 0.97, m * 0.9};
    }
    const double tone = Rand(static_cast<uint32_t>(bx), static_cast<uint32_t>(row + y0), seed);
    Rgb base = Mix({150, 62, 42}, {112, 48, 36}, tone);
    if (Rand(static_cast<uint32_t>(bx), static_cast<uint32_t>(row + y0), seed + 1) > 0.85) base = {92, 58, 46};
    const double edge = (inx == 2 || iny == 2) ? 0.85 : 1.0;
    return base * (edge * (0.85 + 0.3 * Fbm(u, v, 32, 32, 2, seed + 9)) + 0.08 * (Rand(x, y, seed + 5) - 0.5));
}

Image Grass() {
    return Paint([](int x, int y, double u, double v) {
        const double big = Fbm(u, v, 4, 4, 4, 11), fine = Fbm(u, v, 32, 32, 2, 12);
        Rgb g = Mix({46, 88, 30}, {92, 128, 48}, big);
        g = g * (0.8 + 0.4 * fine);
        const double blade = Rand(x, y, 13);
        if (blade > 0.93) g = g * 1.25;
        if (blade < 0.05) g = g * 0.7;
        if (Rand(x / 2, y / 2, 14) > 0.995) g = {170, 160, 70};
        return g;
    });
}

Image WoodAndTiles() {
    return Paint([](int x, int y, double u, double v) {
        Rgb p{};
        if (y < 128) {
            const int row = y / 16, off = (row % 2) * 16, tx = ((x + off) % kSize) / 32;
            const int inx = (x + off) % 32, iny = y % 16;
            const double tone = Rand(static_cast<uint32_t>(tx), static_cast<uint32_t>(row), 21);
            p = Mix({158, 64, 40}, {118, 50, 34}, tone);
            const double shade = 0.75 + 0.25 * (iny / 15.0);  // lower lip catches light
            p = p * shade * (0.9 + 0.2 * Fbm(u, v, 16, 8, 2, 22));
            if (inx < 1) p = p * 0.45;
            if (iny > 13) p = p * 0.55;
        } else {
            const int plank = (y - 128) / 16, iny = (y - 128) % 16;
            const double grain = Fbm(u, v + plank * 0.37, 2, 64, 3, 23);
            const double tone = Rand(static_cast<uint32_t>(plank), 0, 24);
            p = Mix({132, 92, 54}, {96, 64, 38}, tone) * (0.75 + 0.5 * grain);
            if (iny < 2) p = p * 0.4;
            const int knotX = static_cast<int>(Rand(static_cast<uint32_t>(plank), 1, 25) * kSize);
            const double dx = std::min(std::abs(x - knotX), kSize - std::abs(x - knotX)), dy = iny - 8;
            if (dx * dx / 9 + dy * dy / 4 < 1) p = p * 0.6;
        }
        return p;
    });
}

Image Stone() {
    return Paint([](int x, int y, double u, double v) {
        const int row = y / 32, off = (row % 2) * 32, bx = ((x + off) % kSize) / 64;
        const int inx = (x + off) % 64, iny = y % 32;
        const double tone = Rand(static_cast<uint32_t>(bx), static_cast<uint32_t>(row), 31);
        Rgb p = Mix({176, 168, 150}, {136, 130, 120}, tone);
        p = p * (0.82 + 0.3 * Fbm(u, v, 8, 8, 4, 32)) + Rgb{1, 1, 1} * (18 * (Rand(x, y, 33) - 0.5));
        if (inx < 3 || iny < 3) p = Rgb{196, 192, 182} * (0.9 + 0.1 * Rand(x, y, 34));
        else if (inx == 3 || iny == 3) p = p * 0.8;
        else if (inx == 63 || iny == 31) p = p * 1.1;
        return p;
    });
}

Image Brick() {
    return Paint([](int x, int y, double u, double v) {
        Rgb p{};
        if (y < 128) {
            p = BrickAt(x, y, 0, 41);
        } else if (x < 128) {
            // One window bay: bricks around a framed sash window on a stone sill.
            const int lx = x, ly = y - 128;
            p = BrickAt(x, y, 128, 41);
            const bool inFrame = lx >= 36 && lx < 92 && ly >= 22 && ly < 104;
            const bool inGlass = lx >= 41 && lx < 87 && ly >= 27 && ly < 99;
            if (ly >= 104 && ly < 110 && lx >= 30 && lx < 98) p = Rgb{184, 178, 164} * (ly == 104 ? 1.1 : 0.95);
            if (ly >= 16 && ly < 22 && lx >= 34 && lx < 94) p = Rgb{120, 56, 40} * (0.9 + 0.1 * (lx % 8 == 0));
            if (inFrame) p = {214, 212, 204};
            if (inGlass) {
                const double t = (ly - 27) / 72.0;
                p = Mix({70, 96, 124}, {26, 34, 48}, t);
                if ((lx - 41) + (ly - 27) / 2 > 10 && (lx - 41) + (ly - 27) / 2 < 18) p = p + Rgb{40, 44, 46};
                if (lx == 63 || lx == 64 || ly == 62 || ly == 63) p = {214, 212, 204};
            }
        } else {
            const double g = Fbm(u, v, 16, 16, 3, 42);
            p = Rgb{74, 72, 74} * (0.8 + 0.4 * g) + Rgb{1, 1, 1} * (20 * (Rand(x, y, 43) - 0.5));
        }
        return p;
    });
}

// Painted metal atlas: paint, glass, rubber, head lamp and tail lamp bands.
Image PaintAtlas(Rgb paint, uint32_t seed) {
    return Paint([=](int x, int y, double u, double v) {
        Rgb p{};
        if (y < 160) {
            const double sheen = 1.12 - 0.3 * (y / 160.0);
            p = paint * (sheen * (0.94 + 0.12 * Fbm(u, v, 8, 8, 3, seed)));
            p = p + Rgb{1, 1, 1} * (6 * (Rand(x, y, seed + 1) - 0.5));
        } else if (y < 192) {
            const double t = (y - 160) / 32.0;
            p = Mix({70, 90, 110}, {14, 18, 26}, t);
            const int d = (x + (y - 160) * 2) % 96;
            if (d < 12) p = p + Rgb{60, 66, 70};
        } else if (y < 224) {
            p = Rgb{28, 28, 30} * (0.8 + 0.4 * Fbm(u, v, 32, 8, 2, seed + 2));
            if ((x / 8) % 2 == 0 && (y - 192) % 8 < 2) p = p * 0.6;  // tread
        } else if (x < 128) {
            const double dx = (x - 64) / 64.0, dy = (y - 240) / 16.0;
            const double r = std::min(1.0, std::sqrt(dx * dx + dy * dy));
            p = Mix({255, 252, 236}, {190, 190, 176}, r * r);
        } else {
            const double dx = (x - 192) / 64.0, dy = (y - 240) / 16.0;
            const double r = std::min(1.0, std::sqrt(dx * dx + dy * dy));
            p = Mix({236, 40, 30}, {120, 16, 12}, r);
        }
        return p;
    });
}

Image Facade() {
    return Paint([](int x, int y, double u, double v) {
        Rgb con =
            Rgb{184, 180, 170} * (0.88 + 0.2 * Fbm(u, v, 8, 8, 4, 71)) + Rgb{1, 1, 1} * (14 * (Rand(x, y, 72) - 0.5));
        Rgb p = con;
        const int bay = x / 128, lx = x % 128;
        if (y < 128) {
            const int ly = y;
            if (ly >= 20 && ly < 104 && lx >= 16 && lx < 112) {
                p = {64, 66, 70};  // frame
                if (ly >= 24 && ly < 100 && lx >= 20 && lx < 108) {
                    const double t = (ly - 24) / 76.0;
                    p = bay == 0 ? Mix({96, 124, 150}, {34, 46, 62}, t) : Mix({206, 178, 110}, {150, 118, 64}, t);
                    if (bay == 1 && (ly - 24) % 8 < 1) p = p * 0.8;  // blinds
                    if (lx == 63 || lx == 64) p = {64, 66, 70};
                }
            }
            if (ly >= 104 && ly < 110) p = con * 0.8;  // floor band shadow
            if (lx == 0 || lx == 127) p = con * 0.75;  // panel joints
        } else if (y < 192) {
            const int ly = y - 128;
            if (ly >= 8 && lx >= 8 && lx < 120) {
                p = {50, 52, 56};
                if (ly >= 12 && lx >= 12 && lx < 116) {
                    const double t = (ly - 12) / 52.0;
                    p = Mix({120, 140, 150}, {40, 48, 56}, t);
                    if (bay == 1 && lx >= 44 && lx < 84) p = Mix({80, 60, 40}, {50, 36, 24}, t);  // door
                }
            }
            if (ly < 6) p = Rgb{150, 40, 36} * (0.9 + 0.1 * Rand(x, 0, 73));  // awning strip
        } else if (x < 128) {
            p = Rgb{112, 110, 104} * (0.75 + 0.5 * Rand(x / 2, y / 2, 74));
        } else {
            p = con;
        }
        return p;
    });
}

Image Foliage() {
    return Paint([](int x, int y, double u, double v) {
        Rgb p{};
        if (y < 192) {
            // Leaves: the nearest of two random leaf centres per 8 x 8
            // cell, looked up in the neighbouring cells (wrapping).
            const double big = Fbm(u, v, 4, 4, 3, 81);
            Rgb p0 = Mix({22, 56, 20}, {66, 112, 38}, big);
            double best = 1e9, tone = 0;
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx) {
                    const int cx = ((x / 8 + dx) % 32 + 32) % 32, cy = ((y / 8 + dy) % 24 + 24) % 24;
                    for (uint32_t k = 0; k < 2; ++k) {
                        const double lx = (x / 8 + dx) * 8 + 8 * Rand(cx, cy, 82 + k * 7);
                        const double ly = (y / 8 + dy) * 8 + 8 * Rand(cx, cy, 83 + k * 7);
                        const double d = (x + 0.5 - lx) * (x + 0.5 - lx) + 0.6 * (y + 0.5 - ly) * (y + 0.5 - ly);
                        if (d < best) best = d, tone = Rand(cx, cy, 84 + k * 7);
                    }
                }
            const double edge = std::clamp(std::sqrt(best) / 6.0, 0.0, 1.0);
            p = p0 * ((0.7 + 0.6 * tone) * (1.15 - 0.55 * edge));
            p = p * (0.9 + 0.2 * Rand(x, y, 85));
        } else {
            const double streak = Fbm(u, v, 32, 2, 3, 85);
            p = Mix({58, 42, 30}, {112, 90, 66}, streak);
            if (Rand(x / 3, (y - 192) / 12, 87) > 0.8) p = p * 0.65;
        }
        return p;
    });
}

Image Asphalt() {
    return Paint([](int x, int y, double u, double v) {
        const double big = Fbm(u, v, 4, 4, 4, 101);
        double g = 62 + 26 * big + 22 * (Rand(x, y, 102) - 0.5);
        const double speck = Rand(x, y, 103);
        if (speck > 0.97) g += 40;
        if (speck < 0.02) g -= 25;
        return Rgb{g, g, g * 1.03};
    });
}

Image Concrete() {
    return Paint([](int x, int y, double u, double v) {
        Rgb p{};
        if (y < 192) {
            const int sx = x / 64, sy = y / 64;
            const double tone = Rand(static_cast<uint32_t>(sx), static_cast<uint32_t>(sy), 111);
            p = Mix({176, 174, 168}, {146, 144, 140}, tone) * (0.88 + 0.2 * Fbm(u, v, 8, 8, 3, 112));
            p = p + Rgb{1, 1, 1} * (16 * (Rand(x, y, 113) - 0.5));
            if (x % 64 < 2 || y % 64 < 2) p = p * 0.6;
        } else if (x < 128) {
            p = Rgb{236, 236, 230} + Rgb{1, 1, 1} * (10 * (Rand(x, y, 114) - 0.5));
        } else {
            p = Rgb{158, 156, 150} * (0.9 + 0.2 * Fbm(u, v, 16, 16, 2, 115));
        }
        return p;
    });
}

}  // namespace

std::vector<Picture> MakePictures() {
    std::vector<Picture> out;
    out.push_back({"texture0001.jpg", Grass()});
    out.push_back({"texture0002.jpg", WoodAndTiles()});
    out.push_back({"texture0003.jpg", Stone()});
    out.push_back({"texture0004.jpg", Brick()});
    out.push_back({"texture0005.jpg", PaintAtlas({64, 96, 132}, 51)});
    out.push_back({"texture0007.jpg", Facade()});
    out.push_back({"texture0008.jpg", Foliage()});
    out.push_back({"texture00010.jpg", Asphalt()});
    out.push_back({"texture00011.jpg", Concrete()});
    out.push_back({"texture00012.jpg", PaintAtlas({178, 28, 24}, 121)});
    return out;
}

namespace {
SDL_Surface* Wrap(const Image& image) {
    return SDL_CreateRGBSurfaceWithFormatFrom(const_cast<uint8_t*>(image.Rgb.data()), image.W, image.H, 24, image.W * 3,
                                              SDL_PIXELFORMAT_RGB24);
}
}  // namespace

bool SaveJpeg(const Image& image, const std::string& path, int quality) {
    SDL_Surface* s = Wrap(image);
    if (!s) return false;
    const bool ok = IMG_SaveJPG(s, path.c_str(), quality) == 0;
    SDL_FreeSurface(s);
    return ok;
}

bool SavePng(const Image& image, const std::string& path) {
    SDL_Surface* s = Wrap(image);
    if (!s) return false;
    const bool ok = IMG_SavePNG(s, path.c_str()) == 0;
    SDL_FreeSurface(s);
    return ok;
}

}  // namespace worldgen

// The world's meshes (see World.h). Units: one world unit is about a quarter
// of a metre; a storey is 12 units, the road 80 units wide with two lanes
// centred on x = -85 and x = -45, and the three night lamps hang over the
// east pavement at x = -10, 33 units up.
//
// Surfaces that the lamps and the car lights reach (ground near the road,
// road, pavements, walls, facades) are cut into cells of about 10 units or
// less, because the lights are computed per vertex. The ground, road and
// pavements share one set of z lines so their edges meet without cracks.
#include "World.h"

#include <algorithm>
#include <initializer_list>

#include "Textures.h"

namespace worldgen {

namespace {

using namespace atlas;
using namespace layout;

const V3 kUp{0, 1, 0};

auto ConstUv(const Region& r) {
    return [r](V3, double, double) { return std::array<double, 2>{r.U(0.5), r.V(0.5)}; };
}
const auto kNoSkip = [](size_t, size_t) { return false; };

struct Rect {
    double X0, Z0, X1, Z1;
    bool Contains(double x, double z, double margin) const {
        return x > X0 - margin && x < X1 + margin && z > Z0 - margin && z < Z1 + margin;
    }
};

// Everything the scattered trees must keep clear of.
std::vector<Rect> Occupied() {
    return {
        {-125, -1000, 5, 1000},                                                        // road and pavements
        {-165, 80, -140, 140},                                                         // yard
        {-145, 28, -130, 42},                                                          // figure
        {-212, -60, -140, -24},   {-188, -180, -140, -132}, {-176, -420, -140, -372},  // west brick
        {-212, -300, -140, -228}, {-200, 200, -152, 248},                              // west offices
        {24, -40, 72, 20},        {24, 150, 60, 198},       {24, -560, 84, -500},      // east brick
        {30, -430, 78, -358},     {24, 320, 72, 392},                                  // east offices
        {50, -280, 110, -220},                                                         // park
        {-260, -130, -212, -70},  {-226, -6, -202, 18},     {84, -160, 120, -88},      // high detail
    };
}
bool Free(double x, double z, double margin) {
    for (const Rect& r : Occupied())
        if (r.Contains(x, z, margin)) return false;
    return true;
}

// ---------------------------------------------------------------- ground

// Triangles between two parallel edges along z that are cut at different z
// lines, so that two grids of different density meet without T-junctions.
template <typename UvFn>
void Zip(Mesh& m, double xa, const std::vector<double>& za, double xb, const std::vector<double>& zb, UvFn uv) {
    auto add = [&](double x, double z) {
        const V3 p{x, 0, z};
        const auto t = uv(p, 0.0, 0.0);
        return m.Add({p, kUp, t[0], t[1]});
    };
    std::vector<uint32_t> a, b;
    for (double z : za) a.push_back(add(xa, z));
    for (double z : zb) b.push_back(add(xb, z));
    size_t i = 0, j = 0;
    while (i + 1 < a.size() || j + 1 < b.size()) {
        const bool stepA = j + 1 >= b.size() || (i + 1 < a.size() && za[i + 1] <= zb[j + 1]);
        if (stepA) {
            m.Tri(a[i], a[i + 1], b[j]);
            ++i;
        } else {
            m.Tri(a[i], b[j], b[j + 1]);
            ++j;
        }
    }
}

Mesh Ground(const std::vector<double>& zFine) {
    Mesh m;
    m.Name = "Ground";
    auto uv = [](V3 p, double, double) { return std::array<double, 2>{p.X / 16, -p.Z / 16}; };
    const std::vector<double> all = GradedLines(-1000, 1000, -260, 160, 10, 80, 1.3);
    std::vector<double> west, east;
    for (double x : all) {
        if (x <= -260) west.push_back(x);
        if (x >= 160) east.push_back(x);
    }
    const std::vector<double> mid = EvenLines(-250, 150, 10);
    const std::vector<double> zCoarse = EvenLines(-1000, 1000, 50);
    // Near the road: fine both ways, with a hole for the road and pavements.
    GridSurface(m, {}, {1, 0, 0}, {0, 0, 1}, mid, zFine, kUp, uv,
                [&](size_t i, size_t) { return mid[i] >= kWalkWest && mid[i + 1] <= kWalkEast; });
    GridSurface(m, {}, {1, 0, 0}, {0, 0, 1}, west, zCoarse, kUp, uv, kNoSkip);
    GridSurface(m, {}, {1, 0, 0}, {0, 0, 1}, east, zCoarse, kUp, uv, kNoSkip);
    Zip(m, -250, zFine, -260, zCoarse, uv);
    Zip(m, 150, zFine, 160, zCoarse, uv);
    return m;
}

Mesh Road(const std::vector<double>& zFine) {
    Mesh m;
    m.Name = "Road";
    GridSurface(
        m, {}, {1, 0, 0}, {0, 0, 1}, EvenLines(kRoadWest, kRoadEast, 10), zFine, kUp,
        [](V3 p, double, double) {
            return std::array<double, 2>{p.X / 20, -p.Z / 20};
        },
        kNoSkip);
    return m;
}

// Pavements with kerbs, and the white road markings.
Mesh Pavements(const std::vector<double>& zFine) {
    Mesh m;
    m.Name = "Pavements";
    constexpr double kKerbH = 0.25, kPaintY = 0.08;
    auto top = [&](double x0, double x1) {
        GridSurface(
            m, {0, kKerbH, 0}, {1, 0, 0}, {0, 0, 1}, {x0, (x0 + x1) / 2, x1}, zFine, kUp,
            [x0](V3 p, double, double) {
                return std::array<double, 2>{p.Z / 20, kPaving.V((p.X - x0) / 15)};
            },
            kNoSkip);
    };
    top(kWalkWest, kRoadWest);
    top(kRoadEast, kLampX);
    top(kLampX, kWalkEast);
    auto side = [&](double x, double nx) {
        GridSurface(m, {x, 0, 0}, kUp, {0, 0, 1}, {0, kKerbH}, zFine, {nx, 0, 0}, ConstUv(atlas::kKerb), kNoSkip);
    };
    side(kRoadWest, 1);
    side(kWalkWest, -1);
    side(kRoadEast, -1);
    side(kWalkEast, 1);

    // Markings: solid edge lines, a dashed centre line and a zebra crossing
    // by the statue.
    auto strip = [&](double x0, double x1, const std::vector<double>& zs) {
        GridSurface(m, {0, kPaintY, 0}, {1, 0, 0}, {0, 0, 1}, {x0, x1}, zs, kUp, ConstUv(kWhitePaint), kNoSkip);
    };
    strip(kRoadWest + 2, kRoadWest + 2.6, zFine);
    strip(kRoadEast - 2.6, kRoadEast - 2, zFine);
    constexpr double kCrossZ0 = 28, kCrossZ1 = 42;
    for (double z = -1000; z + 12 <= 1000; z += 24) {
        if (z + 12 > kCrossZ0 - 4 && z < kCrossZ1 + 4) continue;
        strip(-65.3, -64.7, EvenLines(z, z + 12, 12));
    }
    for (double x = kRoadWest + 5; x + 2.4 <= kRoadEast - 4; x += 4.4)
        strip(x, x + 2.4, EvenLines(kCrossZ0, kCrossZ1, 7));
    return m;
}

// ---------------------------------------------------------------- walls and buildings

// The yard around the start position: four brick walls standing exactly on
// the four collision boxes, with raised corner caps.
Mesh Yard() {
    Mesh m;
    m.Name = "Yard";
    BoxMaps walls{kBrickPlain, kBrickRoof, kBrickPlain, 8, 4, 0, 0, 4, false};
    constexpr double kH = 10;
    Box(m, {-162, 0, 133}, {-145, kH, 134}, walls);
    Box(m, {-162, 0, 85}, {-145, kH, 86}, walls);
    Box(m, {-162, 0, 86}, {-161, kH, 133}, walls);
    Box(m, {-147, 0, 86}, {-146, kH, 133}, walls);
    // Raised caps over the corners where the side walls meet the long walls;
    // they start above the walls so that nothing stands beside a collision box.
    BoxMaps caps{kBrickPlain, kBrickRoof, kBrickPlain, 8, 4, 0, 0, 3, true};
    for (double x : {-161.5, -146.5})
        for (double z : {85.5, 133.5}) Box(m, {x - 0.8, kH, z - 0.8}, {x + 0.8, kH + 2, z + 0.8}, caps);
    return m;
}

// A brick block of window bays (12 x 12 units each) with a cornice.
void BrickBlock(Mesh& m, double x0, double z0, int baysX, int baysZ, int floors) {
    const double x1 = x0 + 12 * baysX, z1 = z0 + 12 * baysZ, h = 12.0 * floors;
    Wall(m, {x0, 0, z0}, {0, 0, -1}, x1 - x0, h, kBrickWindow, 12, 12, 6);
    Wall(m, {x1, 0, z0}, {1, 0, 0}, z1 - z0, h, kBrickWindow, 12, 12, 6);
    Wall(m, {x1, 0, z1}, {0, 0, 1}, x1 - x0, h, kBrickWindow, 12, 12, 6);
    Wall(m, {x0, 0, z1}, {-1, 0, 0}, z1 - z0, h, kBrickWindow, 12, 12, 6);
    BoxMaps cornice{kBrickPlain, kBrickRoof, kBrickPlain, 8, 4, 0, 0, 8, true};
    Box(m, {x0 - 0.6, h, z0 - 0.6}, {x1 + 0.6, h + 1.5, z1 + 0.6}, cornice);
}

// A concrete block: shop fronts on the ground floor, office floors above,
// a parapet and a gravel roof.
void OfficeBlock(Mesh& m, double x0, double z0, int baysX, int baysZ, int floors) {
    const double x1 = x0 + 12 * baysX, z1 = z0 + 12 * baysZ, h = 12.0 * floors;
    struct Side {
        V3 BottomLeft, Normal;
        double Width;
    };
    const Side sides[4] = {{{x0, 0, z0}, {0, 0, -1}, x1 - x0},
                           {{x1, 0, z0}, {1, 0, 0}, z1 - z0},
                           {{x1, 0, z1}, {0, 0, 1}, x1 - x0},
                           {{x0, 0, z1}, {-1, 0, 0}, z1 - z0}};
    for (const Side& s : sides) {
        Wall(m, s.BottomLeft, s.Normal, s.Width, 12, kFacadeShop, 24, 12, 6);
        Wall(m, s.BottomLeft + kUp * 12, s.Normal, s.Width, h - 12, kFacadeFloor, 24, 12, 6);
    }
    BoxMaps parapet{kFacadePlain, kFacadeRoof, kFacadePlain, 0, 0, 0, 0, 12, true};
    Box(m, {x0 - 0.5, h, z0 - 0.5}, {x1 + 0.5, h + 2, z1 + 0.5}, parapet);
}

// Where one block stands and how large it is, in bays and floors.
struct BlockAt {
    double X0, Z0;
    int BaysX, BaysZ, Floors;
};
using BlockBuilder = void (*)(Mesh&, double, double, int, int, int);

// One mesh holding a row of blocks built alike.
Mesh Blocks(const char* name, BlockBuilder build, std::initializer_list<BlockAt> blocks) {
    Mesh m;
    m.Name = name;
    for (const BlockAt& b : blocks) build(m, b.X0, b.Z0, b.BaysX, b.BaysZ, b.Floors);
    return m;
}

Mesh WestBrick() {
    return Blocks("WestBrick", BrickBlock, {{-212, -60, 6, 3, 3}, {-188, -180, 4, 4, 2}, {-176, -420, 3, 4, 4}});
}
Mesh EastBrick() {
    return Blocks("EastBrick", BrickBlock, {{24, -40, 4, 5, 3}, {24, 150, 3, 4, 2}, {24, -560, 5, 5, 3}});
}
Mesh EastOffices() { return Blocks("EastOffices", OfficeBlock, {{30, -430, 4, 6, 8}, {24, 320, 4, 6, 5}}); }
Mesh WestOffices() { return Blocks("WestOffices", OfficeBlock, {{-212, -300, 6, 6, 6}, {-200, 200, 4, 4, 5}}); }

// ---------------------------------------------------------------- street furniture

Mesh Lamps() {
    Mesh m;
    m.Name = "Lamps";
    const Region* noCaps = nullptr;
    for (double z : kLampZ) {
        constexpr double kPoleX = -2;
        Box(m, {kPoleX - 0.9, 0.25, z - 0.9}, {kPoleX + 0.9, 1.8, z + 0.9},
            {kPaint, kPaint, kPaint, 0, 0, 0, 0, 1e9, false});
        Cylinder(m, {kPoleX, 1.8, z}, kUp, 0.55, 0.35, 33.0, 8, kPaint, noCaps);
        Box(m, {kLampX - 1, 34.3, z - 0.3}, {kPoleX + 0.35, 34.9, z + 0.3},
            {kPaint, kPaint, kPaint, 0, 0, 0, 0, 1e9, true});
        // The head: the light sits just under its glowing bottom.
        Box(m, {kLampX - 3, kLampY + 0.4, z - 1.5}, {kLampX + 3, kLampY + 1.4, z + 1.5},
            {kPaint, kPaint, kHeadLamp, 0, 0, 0, 0, 1.5, true});
    }
    return m;
}

void Bench(Mesh& m, double x, double z) {
    const V3 axisX{1, 0, 0}, axisY{0, 1, 0}, axisZ{0, 0, 1};
    OrientedBox(m, {x, 1.6, z}, axisX, axisY, axisZ, {0.9, 0.12, 3.2}, kPaint);
    OrientedBox(m, {x - 0.8, 2.6, z}, axisX, axisY, axisZ, {0.1, 0.8, 3.2}, kPaint);
    for (double dz : {-2.6, 2.6}) OrientedBox(m, {x, 0.95, z + dz}, axisX, axisY, axisZ, {0.8, 0.7, 0.15}, kRubber);
}

void Sign(Mesh& m, double x, double z, double y0) {
    Cylinder(m, {x, y0, z}, kUp, 0.15, 0.15, 8.5, 6, kPaint, nullptr);
    Cylinder(m, {x, y0 + 8.5, z - 0.2}, {0, 0, -1}, 1.6, 1.6, 0.12, 12, kPaint, &kTailLamp);
}

Mesh Furniture() {
    Mesh m;
    m.Name = "Furniture";
    const V3 axisX{1, 0, 0}, axisY{0, 1, 0}, axisZ{0, 0, 1};
    // Railings round the landmark's park, open toward the road.
    const double fx0 = 50, fx1 = 110, fz0 = -280, fz1 = -220;
    auto rail = [&](V3 a, V3 b) {
        const V3 d = b - a;
        const double len = Length(d);
        const V3 ax = Normalize(d), az = Cross(ax, axisY);
        for (double y : {1.2, 2.6})
            OrientedBox(m, (a + b) * 0.5 + axisY * y, ax, axisY, az, {len / 2, 0.1, 0.1}, kPaint);
        const int posts = static_cast<int>(std::ceil(len / 6));
        for (int i = 0; i <= posts; ++i)
            OrientedBox(m, a + d * (static_cast<double>(i) / posts) + axisY * 1.5, ax, axisY, az, {0.18, 1.5, 0.18},
                        kPaint);
    };
    rail({fx0, 0, fz0}, {fx1, 0, fz0});
    rail({fx1, 0, fz0}, {fx1, 0, fz1});
    rail({fx1, 0, fz1}, {fx0, 0, fz1});
    rail({fx0, 0, fz1}, {fx0, 0, -244});
    rail({fx0, 0, -256}, {fx0, 0, fz0});
    // Benches on the west pavement facing the road, road signs, a bus shelter.
    for (double z : {-20.0, 60.0, 160.0, -220.0}) Bench(m, -116, z);
    Sign(m, -20, -60, 0.25);
    Sign(m, -20, 200, 0.25);
    Sign(m, -110, -300, 0.25);
    Sign(m, -110, 100, 0.25);
    const double sx = -18, sz = 100;
    for (double dz : {-6.0, 6.0})
        for (double dx : {-2.5, 2.5})
            OrientedBox(m, {sx + dx, 4.5, sz + dz}, axisX, axisY, axisZ, {0.15, 4.25, 0.15}, kPaint);
    OrientedBox(m, {sx, 9.0, sz}, axisX, axisY, axisZ, {3.2, 0.2, 6.8}, kPaint);
    OrientedBox(m, {sx + 2.5, 5.0, sz}, axisX, axisY, axisZ, {0.05, 3.5, 5.9}, kGlass);
    return m;
}

// ---------------------------------------------------------------- trees

void Broadleaf(Mesh& m, V3 base, double h, Rng& rng) {
    Cylinder(m, base, kUp, 0.06 * h, 0.035 * h, 0.55 * h, 6, kBark, nullptr);
    const double r = h * rng.Range(0.26, 0.34);
    Blob(m, base + V3{0, 0.66 * h, 0}, {r, r * rng.Range(0.8, 1.05), r}, 8, 5, 0.12, rng, kLeaves);
}

void Conifer(Mesh& m, V3 base, double h, Rng& rng) {
    Cylinder(m, base, kUp, 0.05 * h, 0.03 * h, 0.3 * h, 5, kBark, nullptr);
    const double r = h * rng.Range(0.26, 0.32);
    for (int k = 0; k < 3; ++k)
        Cone(m, base + V3{0, (0.18 + 0.22 * k) * h, 0}, r * (1 - 0.25 * k), 0.42 * h, 7, kLeaves);
}

Mesh TreeRow(const char* name, double x, double zStart, double spacing, uint64_t seed) {
    Mesh m;
    m.Name = name;
    Rng rng(seed);
    for (double z = zStart; z <= 720; z += spacing) {
        const double px = x + rng.Range(-1.5, 1.5), pz = z + rng.Range(-3, 3), h = rng.Range(18, 25);
        if (px < kWalkWest && pz > 15 && pz < 75) continue;  // keep the statue in sight
        Broadleaf(m, {px, 0, pz}, h, rng);
    }
    return m;
}

Mesh Scatter(const char* name, Rect area, int count, double conifers, double hMin, double hMax, uint64_t seed) {
    Mesh m;
    m.Name = name;
    Rng rng(seed);
    int placed = 0;
    for (int tries = 0; placed < count && tries < count * 50; ++tries) {
        const double x = rng.Range(area.X0, area.X1), z = rng.Range(area.Z0, area.Z1);
        const double h = rng.Range(hMin, hMax);
        const bool conifer = rng.Unit() < conifers;
        if (!Free(x, z, 8)) continue;
        if (conifer) Conifer(m, {x, 0, z}, h, rng);
        else Broadleaf(m, {x, 0, z}, h, rng);
        ++placed;
    }
    return m;
}

Mesh ParkTrees() {
    Mesh m;
    m.Name = "ParkTrees";
    Rng rng(1901);
    for (int i = 0; i < 10; ++i) {
        const double a = 2 * kPi * (i + 0.5) / 10;
        const double x = kLandmarkX + 22 * std::cos(a), z = kLandmarkZ + 22 * std::sin(a);
        if (x < 62 && std::fabs(z - kLandmarkZ) < 10) continue;  // the path from the gate
        Broadleaf(m, {x, 0, z}, rng.Range(16, 22), rng);
    }
    return m;
}

Mesh Bushes() {
    Mesh m;
    m.Name = "Bushes";
    Rng rng(2301);
    auto bush = [&](double x, double z, double s) {
        Blob(m, {x, 0.8 * s, z}, {2.6 * s, 1.9 * s, 2.6 * s}, 6, 4, 0.15, rng, kLeaves);
    };
    for (double z : {28.0, 42.0}) bush(kFigureX - 6, z, 1.0);
    for (double z = 92; z <= 128; z += 9) bush(-168, z, rng.Range(0.9, 1.3));
    for (double x = -158; x <= -149; x += 8) bush(x, 140, 1.1);
    for (int i = 0; i < 8; ++i) {
        const double a = 2 * kPi * i / 8;
        bush(kLandmarkX + 15 * std::cos(a), kLandmarkZ + 15 * std::sin(a), 0.8);
    }
    for (double z = -700; z <= 700; z += 55) bush(18, z + 27, rng.Range(0.7, 1.1));
    return m;
}

// ---------------------------------------------------------------- landmark

// A stone obelisk on a stepped plinth, modelled around the origin.
Mesh Landmark() {
    Mesh m;
    m.Name = "Landmark";
    BoxMaps stone{kWhole, kWhole, kWhole, 8, 8, 8, 8, 4, false};
    Box(m, {-12, 0, -12}, {12, 1.5, 12}, stone);
    Box(m, {-9.5, 1.5, -9.5}, {9.5, 3, 9.5}, stone);
    Box(m, {-7.5, 3, -7.5}, {7.5, 4.5, 7.5}, stone);
    for (double x : {-10.5, 10.5})
        for (double z : {-10.5, 10.5}) Box(m, {x - 0.8, 1.5, z - 0.8}, {x + 0.8, 7.5, z + 0.8}, stone);

    constexpr double kY0 = 4.5, kY1 = 54, kApex = 61, kR0 = 5, kR1 = 3.2;
    const int rows = 12, cols = 3;
    for (int side = 0; side < 4; ++side) {
        const double a = kPi / 2 * side;
        const V3 out{std::sin(a), 0, -std::cos(a)}, along = Cross(kUp, out * -1.0);
        const V3 n = Normalize(out * (kY1 - kY0) + kUp * (kR0 - kR1));
        std::vector<uint32_t> ids;
        for (int j = 0; j <= rows; ++j)
            for (int i = 0; i <= cols; ++i) {
                const double t = static_cast<double>(j) / rows, s = static_cast<double>(i) / cols * 2 - 1;
                const double r = kR0 + (kR1 - kR0) * t, y = kY0 + (kY1 - kY0) * t;
                const V3 p = out * r + along * (s * r) + kUp * y;
                ids.push_back(m.Add({p, n, s * r / 8, -y / 8}));
            }
        for (int j = 0; j < rows; ++j)
            for (int i = 0; i < cols; ++i) {
                const uint32_t k = ids[static_cast<size_t>(j * (cols + 1) + i)];
                m.Quad(k, k + 1, k + 1 + cols + 1, k + cols + 1);
            }
        const V3 tipN = Normalize(out * (kApex - kY1) + kUp * kR1);
        const V3 l = out * kR1 - along * kR1 + kUp * kY1, r = out * kR1 + along * kR1 + kUp * kY1;
        FlatPolygon(m, {l, r, kUp * kApex}, tipN, kUp * kApex, along, kUp * -1.0, 8, 8, kWhole);
    }
    return m;
}

// ---------------------------------------------------------------- high detail extras

Mesh Warehouse() {
    Mesh m;
    m.Name = "Warehouse";
    BrickBlock(m, -260, -130, 4, 5, 2);
    BoxMaps chimney{kBrickPlain, kBrickRoof, kBrickPlain, 8, 4, 0, 0, 6, false};
    Box(m, {-256, 0, -82}, {-250, 52, -76}, chimney);
    return m;
}

// A timber house with a tiled gable roof; the ridge runs along z.
Mesh TimberHouse() {
    Mesh m;
    m.Name = "TimberHouse";
    const double x0 = -226, x1 = -202, z0 = -6, z1 = 18, h = 10, ridge = 19, eave = 1.5;
    Wall(m, {x0, 0, z0}, {0, 0, -1}, x1 - x0, h, kPlanks, 12, 6, 4);
    Wall(m, {x1, 0, z0}, {1, 0, 0}, z1 - z0, h, kPlanks, 12, 6, 4);
    Wall(m, {x1, 0, z1}, {0, 0, 1}, x1 - x0, h, kPlanks, 12, 6, 4);
    Wall(m, {x0, 0, z1}, {-1, 0, 0}, z1 - z0, h, kPlanks, 12, 6, 4);
    const double xm = (x0 + x1) / 2;
    FlatPolygon(m, {{x0, h, z0}, {x1, h, z0}, {xm, ridge, z0}}, {0, 0, -1}, {x0, ridge, z0}, {1, 0, 0}, {0, -1, 0}, 12,
                ridge - h, kPlanks);
    FlatPolygon(m, {{x1, h, z1}, {x0, h, z1}, {xm, ridge, z1}}, {0, 0, 1}, {x1, ridge, z1}, {-1, 0, 0}, {0, -1, 0}, 12,
                ridge - h, kPlanks);
    // Roof planes, overhanging the walls.
    const double run = (x1 - x0) / 2 + eave, slope = (ridge - h) / ((x1 - x0) / 2);
    const double len = std::sqrt(run * run + (run * slope) * (run * slope));
    for (int s = -1; s <= 1; s += 2) {
        const V3 ridgeP{xm, ridge + 0.3, z0 - eave};
        const V3 down = Normalize({s * 1.0, -slope, 0});
        const V3 n = Normalize({s * slope, 1, 0});
        AtlasSurface(m, ridgeP, {0, 0, 1}, down, z1 - z0 + 2 * eave, len, n, kRoofTiles, 12, 6, 4);
    }
    Box(m, {x1 - 6, 12, z0 + 4}, {x1 - 3.5, 23, z0 + 6.5}, {kRoofTiles, kPlanks, kPlanks, 3, 3, 3, 3, 4, false});
    return m;
}

Mesh Church() {
    Mesh m;
    m.Name = "Church";
    BrickBlock(m, 84, -160, 3, 5, 2);
    BrickBlock(m, 96, -100, 1, 1, 4);
    const double cx = 102, cz = -94, base = 49.5, half = 6.6, tip = 70;
    for (int side = 0; side < 4; ++side) {
        const double a = kPi / 2 * side;
        const V3 out{std::sin(a), 0, -std::cos(a)}, along = Cross(kUp, out * -1.0);
        const V3 c{cx, base, cz};
        const V3 l = c + out * half - along * half, r = c + out * half + along * half, t{cx, tip, cz};
        FlatPolygon(m, {l, r, t}, Normalize(out * (tip - base) + kUp * half), t - along * half, along, kUp * -1.0,
                    2 * half, tip - base, kBrickRoof);
    }
    return m;
}

// ---------------------------------------------------------------- car and statue

// A small saloon around the origin, nose toward +z, wheels on y = 0.
Mesh Car() {
    Mesh m;
    m.Name = "Car";
    const V3 axisX{1, 0, 0}, axisY{0, 1, 0}, axisZ{0, 0, 1};
    Box(m, {-3.8, 1.0, -8.8}, {3.8, 3.4, 8.8}, {kPaint, kPaint, kRubber, 0, 0, 0, 0, 2.2, true});
    // Cabin: a frustum of glass with a painted roof.
    const double yb = 3.4, yt = 6.0;
    const V3 b[4] = {{-3.5, yb, -5.0}, {3.5, yb, -5.0}, {3.5, yb, 3.2}, {-3.5, yb, 3.2}};
    const V3 t[4] = {{-3.0, yt, -3.6}, {3.0, yt, -3.6}, {3.0, yt, 1.0}, {-3.0, yt, 1.0}};
    for (int i = 0; i < 4; ++i) {
        const int j = (i + 1) % 4;
        const V3 n0 = Normalize(Cross(b[j] - b[i], t[i] - b[i]));
        const V3 centre{0, (yb + yt) / 2, -1.2};
        const V3 n = Dot(n0, (b[i] + b[j]) * 0.5 - centre) > 0 ? n0 : n0 * -1.0;
        const V3 right = Normalize(b[j] - b[i]);
        const V3 down = Normalize(Cross(n, right)) * (Dot(Cross(n, right), kUp) > 0 ? -1.0 : 1.0);
        FlatPolygon(m, {b[i], b[j], t[j], t[i]}, n, t[i] - right * 0.5, right, down, Length(b[j] - b[i]) + 1,
                    Length(t[i] - b[i]), kGlass);
    }
    FlatPolygon(m, {t[0], t[1], t[2], t[3]}, kUp, t[3], axisX, axisZ * -1.0, 6, 4.6, kPaint);
    // Lamps, grille and bumpers.
    for (double s : {-1.0, 1.0}) {
        OrientedBox(m, {s * 2.7, 2.65, 8.85}, axisX, axisY, axisZ, {0.7, 0.35, 0.08}, kHeadLamp);
        OrientedBox(m, {s * 2.85, 2.75, -8.85}, axisX, axisY, axisZ, {0.65, 0.35, 0.08}, kTailLamp);
    }
    OrientedBox(m, {0, 2.2, 8.84}, axisX, axisY, axisZ, {1.5, 0.6, 0.06}, kRubber);
    for (double s : {-1.0, 1.0}) OrientedBox(m, {0, 1.25, s * 9.05}, axisX, axisY, axisZ, {3.9, 0.35, 0.25}, kRubber);
    // Wheels with hub caps.
    for (double sx : {-1.0, 1.0})
        for (double sz : {-5.6, 5.6})
            Cylinder(m, {sx * 2.7, 1.6, sz}, {sx, 0, 0}, 1.6, 1.6, 1.25, 12, kRubber, &kHeadLamp);
    return m;
}

// One frame of the statue doing jumping jacks; phase 0 arms down and legs
// together, 1 arms up and legs apart. The statue faces +z, toward the yard.
Mesh Statue(double phase) {
    Mesh m;
    m.Name = "Statue";
    const V3 axisX{1, 0, 0}, axisY{0, 1, 0}, axisZ{0, 0, 1};
    const V3 at{kFigureX, 0, kFigureZ};
    Box(m, at + V3{-4, 0, -4}, at + V3{4, 2, 4}, {kRubber, kRubber, kRubber, 0, 0, 0, 0, 2, false});
    constexpr double kS = 1.3;  // statue scale
    const double armA = (15 + 150 * phase) * kPi / 180, legA = (3 + 17 * phase) * kPi / 180;
    const double hop = 0.9 * std::sin(kPi * phase);
    const double legLen = 4.2 * kS;
    const double hipY = 2 + legLen * std::cos(legA) + 0.3 * kS + hop;
    for (double s : {-1.0, 1.0}) {
        const V3 hip = at + V3{s * 0.6 * kS, hipY, 0};
        const V3 dir{s * std::sin(legA), -std::cos(legA), 0}, perp{std::cos(legA), s * std::sin(legA), 0};
        OrientedBox(m, hip + dir * (legLen / 2), perp, dir, axisZ, {0.45 * kS, legLen / 2, 0.5 * kS}, kPaint);
        OrientedBox(m, hip + dir * legLen + V3{0, -0.15 * kS, 0.3 * kS}, perp, dir, axisZ,
                    {0.5 * kS, 0.3 * kS, 0.85 * kS}, kRubber);
    }
    OrientedBox(m, at + V3{0, hipY + 0.2 * kS, 0}, axisX, axisY, axisZ, {1.15 * kS, 0.25 * kS, 0.65 * kS}, kRubber);
    OrientedBox(m, at + V3{0, hipY + 0.45 * kS + 1.55 * kS, 0}, axisX, axisY, axisZ, {1.1 * kS, 1.55 * kS, 0.6 * kS},
                kPaint);
    const double headY = hipY + 3.55 * kS + 0.75 * kS;
    OrientedBox(m, at + V3{0, headY, 0}, axisX, axisY, axisZ, {0.7 * kS, 0.75 * kS, 0.7 * kS}, kPaint);
    OrientedBox(m, at + V3{0, headY + 0.15 * kS, 0.72 * kS}, axisX, axisY, axisZ, {0.55 * kS, 0.22 * kS, 0.05 * kS},
                kGlass);
    for (double s : {-1.0, 1.0}) {
        const V3 shoulder = at + V3{s * 1.3 * kS, hipY + 3.3 * kS, 0};
        const V3 dir{s * std::sin(armA), -std::cos(armA), 0}, perp{std::cos(armA), s * std::sin(armA), 0};
        const double armLen = 3.4 * kS;
        OrientedBox(m, shoulder + dir * (armLen / 2), perp, dir, axisZ, {0.34 * kS, armLen / 2, 0.4 * kS}, kPaint);
        OrientedBox(m, shoulder + dir * (armLen + 0.35 * kS), perp, dir, axisZ, {0.4 * kS, 0.4 * kS, 0.42 * kS},
                    kRubber);
    }
    return m;
}

std::string Num(int n) { return "000" + std::to_string(n); }

}  // namespace

std::vector<MeshFile> MakeWorld() {
    const std::vector<double> zFine = GradedLines(-1000, 1000, -760, 660, 10, 60, 1.3);
    std::vector<MeshFile> out;
    auto add = [&](const std::string& file, const std::string& tex, Mesh mesh, bool high = false, V3 at = {}) {
        out.push_back({file, tex, high, at, std::move(mesh)});
    };
    add("3d/3d" + Num(14) + ".x", "texture0004.jpg", Yard());
    add("3d/3d" + Num(5) + ".x", "texture0004.jpg", WestBrick());
    add("3d/3d" + Num(7) + ".x", "texture0004.jpg", EastBrick());
    add("3d/3d" + Num(6) + ".x", "texture0005.jpg", Lamps());
    add("3d/3d" + Num(15) + ".x", "texture0005.jpg", Furniture());
    add("3d/3d000car.x", "texture0005.jpg", Car(), false, {-45, 0, 0});
    add("3d/3d" + Num(1) + ".x", "texture0001.jpg", Ground(zFine));
    add("3d/3d" + Num(12) + ".x", "texture00010.jpg", Road(zFine));
    add("3d/3d" + Num(13) + ".x", "texture00011.jpg", Pavements(zFine));
    add("3d/3d" + Num(16) + ".x", "texture0007.jpg", EastOffices());
    add("3d/3d" + Num(17) + ".x", "texture0007.jpg", WestOffices());
    add("3d/3d" + Num(8) + ".x", "texture0008.jpg", TreeRow("WestTrees", -129, -700, 40, 801));
    add("3d/3d" + Num(11) + ".x", "texture0008.jpg", TreeRow("EastTrees", 12, -680, 40, 1101));
    add("3d/3d" + Num(19) + ".x", "texture0008.jpg", ParkTrees());
    add("3d/3d" + Num(20) + ".x", "texture0008.jpg",
        Scatter("YardTrees", {-300, 40, -165, 420}, 16, 0.5, 18, 28, 2001));
    add("3d/3d" + Num(21) + ".x", "texture0008.jpg",
        Scatter("WestWood", {-750, -700, -260, 700}, 60, 0.7, 20, 34, 2101));
    add("3d/3d" + Num(22) + ".x", "texture0008.jpg", Scatter("EastWood", {120, -700, 750, 700}, 60, 0.4, 20, 32, 2201));
    add("3d/3d" + Num(23) + ".x", "texture0008.jpg", Bushes());
    for (int k = 1; k <= 15; ++k) {
        const double t = (k - 1) / 14.0, phase = 0.5 - 0.5 * std::cos(kPi * t);
        add("Animation/anim" + Num(k) + ".x", "texture00012.jpg", Statue(phase));
    }
    add("3d/3d" + Num(18) + ".x", "texture0003.jpg", Landmark(), false, {kLandmarkX, 0, kLandmarkZ});
    add("3d/3d" + Num(2) + ".x", "texture0004.jpg", Warehouse(), true);
    add("3d/3d" + Num(3) + ".x", "texture0002.jpg", TimberHouse(), true);
    add("3d/3d" + Num(4) + ".x", "texture0004.jpg", Church(), true);
    return out;
}

}  // namespace worldgen

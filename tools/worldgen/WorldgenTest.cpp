// Checks on the generated world that a wrong number or a flipped face would
// break: the file set and picture pairing the game loads, face orientation,
// walls on the collision boxes, lamp heads over the lights, the car's frame
// of reference, a smooth animation, crack-free ground and the budget.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <set>
#include <tuple>

#include "MeshText.h"
#include "Textures.h"
#include "World.h"

namespace worldgen {
namespace {

const std::vector<MeshFile>& TheWorld() {
    static const std::vector<MeshFile> world = MakeWorld();
    return world;
}

const MeshFile& Find(const std::string& path) {
    for (const MeshFile& f : TheWorld())
        if (f.path == path) return f;
    ADD_FAILURE() << "no mesh " << path;
    return TheWorld().front();
}

TEST(WorldFiles, ExactlyTheFilesTheGameLoadsWithTheirPictures) {
    const std::map<std::string, std::string> expected = {
        {"3d/3d00014.x", "texture0004.jpg"},  {"3d/3d0005.x", "texture0004.jpg"},
        {"3d/3d0007.x", "texture0004.jpg"},   {"3d/3d0006.x", "texture0005.jpg"},
        {"3d/3d00015.x", "texture0005.jpg"},  {"3d/3d000car.x", "texture0005.jpg"},
        {"3d/3d0001.x", "texture0001.jpg"},   {"3d/3d00012.x", "texture00010.jpg"},
        {"3d/3d00013.x", "texture00011.jpg"}, {"3d/3d00016.x", "texture0007.jpg"},
        {"3d/3d00017.x", "texture0007.jpg"},  {"3d/3d0008.x", "texture0008.jpg"},
        {"3d/3d00011.x", "texture0008.jpg"},  {"3d/3d00019.x", "texture0008.jpg"},
        {"3d/3d00020.x", "texture0008.jpg"},  {"3d/3d00021.x", "texture0008.jpg"},
        {"3d/3d00022.x", "texture0008.jpg"},  {"3d/3d00023.x", "texture0008.jpg"},
        {"3d/3d00018.x", "texture0003.jpg"},  {"3d/3d0002.x", "texture0004.jpg"},
        {"3d/3d0003.x", "texture0002.jpg"},   {"3d/3d0004.x", "texture0004.jpg"},
        {"Animation/anim0001.x", "texture00012.jpg"},  {"Animation/anim0002.x", "texture00012.jpg"},
        {"Animation/anim0003.x", "texture00012.jpg"},  {"Animation/anim0004.x", "texture00012.jpg"},
        {"Animation/anim0005.x", "texture00012.jpg"},  {"Animation/anim0006.x", "texture00012.jpg"},
        {"Animation/anim0007.x", "texture00012.jpg"},  {"Animation/anim0008.x", "texture00012.jpg"},
        {"Animation/anim0009.x", "texture00012.jpg"},  {"Animation/anim00010.x", "texture00012.jpg"},
        {"Animation/anim00011.x", "texture00012.jpg"}, {"Animation/anim00012.x", "texture00012.jpg"},
        {"Animation/anim00013.x", "texture00012.jpg"}, {"Animation/anim00014.x", "texture00012.jpg"},
        {"Animation/anim00015.x", "texture00012.jpg"},
    };
    std::map<std::string, std::string> made;
    for (const MeshFile& f : TheWorld()) made[f.path] = f.texture;
    EXPECT_EQ(made, expected);
    EXPECT_EQ(TheWorld().size(), expected.size());

    std::set<std::string> pictures;
    for (const Picture& p : MakePictures()) {
        pictures.insert(p.file);
        EXPECT_EQ(p.image.w & (p.image.w - 1), 0) << p.file;
        EXPECT_EQ(p.image.h & (p.image.h - 1), 0) << p.file;
        EXPECT_LE(std::max(p.image.w, p.image.h), 512) << p.file;
        // A picture of one flat colour means a broken pattern.
        double sum = 0, sq = 0;
        for (uint8_t c : p.image.rgb) sum += c, sq += double(c) * c;
        const double n = static_cast<double>(p.image.rgb.size());
        EXPECT_GT(std::sqrt(sq / n - (sum / n) * (sum / n)), 8.0) << p.file;
    }
    std::set<std::string> paired;
    for (const auto& [mesh, tex] : expected) paired.insert(tex);
    paired.insert("texture00012.jpg");  // the second car
    EXPECT_EQ(pictures, paired);
}

TEST(WorldMeshes, FrontFacesWindClockwiseWithUnitNormalsAndFitSixteenBitIndices) {
    for (const MeshFile& f : TheWorld()) {
        const Mesh& m = f.mesh;
        SCOPED_TRACE(f.path);
        ASSERT_FALSE(m.tris.empty());
        ASSERT_LT(m.verts.size(), 65536u);
        int flipped = 0;
        for (const auto& t : m.tris) {
            for (uint32_t i : t) ASSERT_LT(i, m.verts.size());
            const V3 a = m.verts[t[0]].p, b = m.verts[t[1]].p, c = m.verts[t[2]].p;
            const V3 face = Cross(b - a, c - a);
            ASSERT_GT(Length(face), 1e-9);
            // Clockwise seen from outside in a left-handed frame: the cross
            // product of the first two edges points out, along the normals.
            if (Dot(face, m.verts[t[0]].n + m.verts[t[1]].n + m.verts[t[2]].n) <= 0) ++flipped;
        }
        EXPECT_EQ(flipped, 0);
        for (const Vertex& v : m.verts) {
            ASSERT_NEAR(Length(v.n), 1.0, 1e-6);
            ASSERT_TRUE(std::isfinite(v.u) && std::isfinite(v.v));
        }
    }
}

TEST(WorldMeshes, TextIsStableAndWellFormed) {
    const std::vector<MeshFile> again = MakeWorld();
    ASSERT_EQ(again.size(), TheWorld().size());
    for (size_t i = 0; i < again.size(); ++i) {
        const std::string text = XText(TheWorld()[i].mesh);
        EXPECT_EQ(text, XText(again[i].mesh)) << again[i].path;
        EXPECT_EQ(text.rfind("xof 0303txt 0032\n", 0), 0u);
        EXPECT_EQ(text.find("-0.0;"), std::string::npos) << again[i].path;
        EXPECT_EQ(text.find("nan"), std::string::npos) << again[i].path;
        EXPECT_NE(text.find("MeshNormals"), std::string::npos);
        EXPECT_NE(text.find("MeshTextureCoords"), std::string::npos);
        EXPECT_NE(text.find("MeshMaterialList {\n  1;"), std::string::npos);
    }
}

// One face of a wall: the vertices with this outward normal lying in the
// plane must reach from lo to hi along the wall and stand at least 8 high.
struct WallFace {
    V3 normal;
    double plane, lo, hi;
};

TEST(WorldLayout, YardWallsStandOnTheCollisionBoxes) {
    const Mesh& yard = Find("3d/3d00014.x").mesh;
    const WallFace faces[] = {
        {{0, 0, -1}, 133, -162, -145}, {{0, 0, 1}, 134, -162, -145},  // box 1
        {{0, 0, -1}, 85, -162, -145},  {{0, 0, 1}, 86, -162, -145},   // box 2
        {{-1, 0, 0}, -162, 86, 133},   {{1, 0, 0}, -161, 86, 133},    // box 3
        {{-1, 0, 0}, -147, 86, 133},   {{1, 0, 0}, -146, 86, 133},    // box 4
    };
    for (const WallFace& w : faces) {
        const bool alongX = w.normal.z != 0;
        double lo = 1e9, hi = -1e9, top = 0;
        for (const Vertex& v : yard.verts) {
            if (Dot(v.n, w.normal) < 0.999) continue;
            const double across = alongX ? v.p.z : v.p.x, along = alongX ? v.p.x : v.p.z;
            if (std::fabs(across - w.plane) > 1e-9) continue;
            lo = std::min(lo, along), hi = std::max(hi, along), top = std::max(top, v.p.y);
        }
        EXPECT_LE(lo, w.lo) << w.plane;
        EXPECT_GE(hi, w.hi) << w.plane;
        EXPECT_GE(top, 8.0) << w.plane;
    }
    // Nothing of the yard stands on the start position.
    for (const Vertex& v : yard.verts) EXPECT_FALSE(std::fabs(v.p.x + 160) < 1 && std::fabs(v.p.z - 120) < 1);
}

TEST(WorldLayout, EachNightLightHangsJustUnderALampHead) {
    const Mesh& lamps = Find("3d/3d0006.x").mesh;
    for (double z : layout::LampZ) {
        double x0 = 1e9, x1 = -1e9, z0 = 1e9, z1 = -1e9, y = 0;
        for (const Vertex& v : lamps.verts) {
            if (v.n.y > -0.999 || std::fabs(v.p.z - z) > 5 || v.p.y < 30 || v.p.y > 34) continue;
            x0 = std::min(x0, v.p.x), x1 = std::max(x1, v.p.x), z0 = std::min(z0, v.p.z), z1 = std::max(z1, v.p.z);
            y = v.p.y;
        }
        EXPECT_LT(x0, -10);
        EXPECT_GT(x1, -10);
        EXPECT_LT(z0, z);
        EXPECT_GT(z1, z);
        EXPECT_GT(y, 33.0);
        EXPECT_LT(y, 34.0);
    }
}

TEST(WorldLayout, CarIsModelledAtTheOriginNoseTowardPlusZ) {
    const Mesh& car = Find("3d/3d000car.x").mesh;
    V3 lo{1e9, 1e9, 1e9}, hi{-1e9, -1e9, -1e9};
    for (const Vertex& v : car.verts) {
        lo = {std::min(lo.x, v.p.x), std::min(lo.y, v.p.y), std::min(lo.z, v.p.z)};
        hi = {std::max(hi.x, v.p.x), std::max(hi.y, v.p.y), std::max(hi.z, v.p.z)};
    }
    EXPECT_NEAR(lo.y, 0.0, 1e-6);  // wheels on the road
    EXPECT_NEAR(lo.x + hi.x, 0.0, 1e-6);
    EXPECT_NEAR(lo.z + hi.z, 0.0, 1e-6);
    EXPECT_GT(hi.z - lo.z, 2 * (hi.x - lo.x));  // long along z
    EXPECT_LT(hi.x - lo.x, 10.0);               // fits its lane
    // Head lamps (white band of the atlas) at the front, tail lamps behind.
    int front = 0, back = 0;
    for (const Vertex& v : car.verts) {
        if (v.p.z > 8.8 && v.v > atlas::HeadLamp.v0 && v.u < 0.5) ++front;
        if (v.p.z < -8.8 && v.v > atlas::TailLamp.v0 && v.u > 0.5) ++back;
    }
    EXPECT_GT(front, 0);
    EXPECT_GT(back, 0);
}

TEST(WorldLayout, AnimationFramesShareTopologyAndMoveSmoothly) {
    std::vector<const Mesh*> frames;
    for (int k = 1; k <= 15; ++k) frames.push_back(&Find("Animation/anim000" + std::to_string(k) + ".x").mesh);
    std::vector<double> steps;
    for (size_t k = 0; k < frames.size(); ++k) {
        ASSERT_EQ(frames[k]->verts.size(), frames[0]->verts.size());
        ASSERT_EQ(frames[k]->tris, frames[0]->tris);
        for (const Vertex& v : frames[k]->verts) {
            EXPECT_LT(std::hypot(v.p.x - layout::FigureX, v.p.z - layout::FigureZ), 16.0);
            EXPECT_GE(v.p.y, -1e-9);
        }
        if (k == 0) continue;
        double step = 0;
        for (size_t i = 0; i < frames[k]->verts.size(); ++i)
            step = std::max(step, Length(frames[k]->verts[i].p - frames[k - 1]->verts[i].p));
        steps.push_back(step);
    }
    // Every frame moves, none jumps, and the motion eases in and out at the
    // ends where the playback turns round.
    for (double s : steps) {
        EXPECT_GT(s, 0.05);
        EXPECT_LT(s, 2.5);
    }
    EXPECT_LT(steps.front(), steps[steps.size() / 2]);
    EXPECT_LT(steps.back(), steps[steps.size() / 2]);
}

// Ground, road and pavements must meet edge to edge: an edge used by one
// triangle only may lie on the world's border, and nowhere else, except the
// painted markings, which lie on top of the road.
TEST(WorldLayout, GroundRoadAndPavementsMeetWithoutCracks) {
    using Key = std::tuple<long, long, long>;
    auto key = [](V3 p) { return Key{std::lround(p.x * 1000), std::lround(p.y * 1000), std::lround(p.z * 1000)}; };
    std::map<std::pair<Key, Key>, int> uses;
    for (const char* path : {"3d/3d0001.x", "3d/3d00012.x", "3d/3d00013.x"}) {
        const Mesh& m = Find(path).mesh;
        for (const auto& t : m.tris)
            for (int e = 0; e < 3; ++e) {
                Key a = key(m.verts[t[e]].p), b = key(m.verts[t[(e + 1) % 3]].p);
                if (b < a) std::swap(a, b);
                ++uses[{a, b}];
            }
    }
    int cracks = 0, overused = 0;
    for (const auto& [edge, n] : uses) {
        if (n > 2) ++overused;
        if (n != 1) continue;
        const auto [ax, ay, az] = edge.first;
        const auto [bx, by, bz] = edge.second;
        const bool border = (std::labs(ax) == 1000000 && ax == bx) || (std::labs(az) == 1000000 && az == bz);
        const bool marking = ay == 80 && by == 80;
        if (!border && !marking) ++cracks;
    }
    EXPECT_EQ(cracks, 0);
    EXPECT_EQ(overused, 0);
}

TEST(WorldLayout, HighDetailFrameStaysWithinTheTriangleBudget) {
    size_t base = 0, high = 0, anim = 0, car = 0;
    for (const MeshFile& f : TheWorld()) {
        const size_t n = f.mesh.tris.size();
        if (f.path.rfind("Animation/", 0) == 0)
            anim = std::max(anim, n);
        else if (f.path == "3d/3d000car.x")
            car = n;
        else
            (f.highOnly ? high : base) += n;
    }
    const size_t frame = base + high + anim + 2 * car;
    EXPECT_GE(frame, 20000u);
    EXPECT_LE(frame, 60000u);
    for (const char* path : {"3d/3d0002.x", "3d/3d0003.x", "3d/3d0004.x"}) EXPECT_TRUE(Find(path).highOnly);
}

}  // namespace
}  // namespace worldgen

namespace worldgen {
namespace {

// A box whose faces repeat the picture from different ends must still be
// closed: every edge shared by exactly two triangles.
TEST(Geometry, BoxesAreClosedWhateverTheirRepeats) {
    struct Case {
        V3 lo, hi;
        double repW, repH, step;
    };
    const Case cases[] = {
        {{-162, 0, 133}, {-145, 10, 134}, 8, 4, 4},    // a yard wall
        {{-0.6, 36, -0.6}, {60.6, 37.5, 36.6}, 8, 4, 6},  // a cornice
        {{0, 0, 0}, {5, 7, 3}, 0, 0, 1e9},             // mapped once, no cuts
        {{0, 0, 0}, {13.3, 2.5, 29.9}, 3, 0.7, 1.1},
    };
    for (const Case& c : cases) {
        Mesh m;
        Box(m, c.lo, c.hi, {atlas::BrickPlain, atlas::BrickRoof, atlas::BrickPlain, c.repW, c.repH, 0, 0, c.step, true});
        using Key = std::tuple<long, long, long>;
        auto key = [](V3 p) { return Key{std::lround(p.x * 1000), std::lround(p.y * 1000), std::lround(p.z * 1000)}; };
        std::map<std::pair<Key, Key>, int> uses;
        for (const auto& t : m.tris)
            for (int e = 0; e < 3; ++e) {
                Key a = key(m.verts[t[e]].p), b = key(m.verts[t[(e + 1) % 3]].p);
                if (b < a) std::swap(a, b);
                ++uses[{a, b}];
            }
        int open = 0;
        for (const auto& [edge, n] : uses) open += n != 2;
        EXPECT_EQ(open, 0) << c.hi.x - c.lo.x << " x " << c.hi.z - c.lo.z;
        // Texture coordinates stay inside the region on every face.
        for (const Vertex& v : m.verts) {
            const Region& r = v.n.y > 0.5 ? atlas::BrickRoof : atlas::BrickPlain;
            EXPECT_GE(v.u, r.u0 - 1e-9);
            EXPECT_LE(v.u, r.u1 + 1e-9);
            EXPECT_GE(v.v, r.v0 - 1e-9);
            EXPECT_LE(v.v, r.v1 + 1e-9);
        }
    }
}

}  // namespace
}  // namespace worldgen

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
    static const std::vector<MeshFile> kWorld = MakeWorld();
    return kWorld;
}

const MeshFile& Find(const std::string& path) {
    for (const MeshFile& f : TheWorld())
        if (f.Path == path) return f;
    ADD_FAILURE() << "no mesh " << path;
    return TheWorld().front();
}

TEST(WorldFiles, ExactlyTheFilesTheGameLoadsWithTheirPictures) {
    const std::map<std::string, std::string> expected = {
        {"3d/3d00014.x", "texture0004.jpg"},
        {"3d/3d0005.x", "texture0004.jpg"},
        {"3d/3d0007.x", "texture0004.jpg"},
        {"3d/3d0006.x", "texture0005.jpg"},
        {"3d/3d00015.x", "texture0005.jpg"},
        {"3d/3d000car.x", "texture0005.jpg"},
        {"3d/3d0001.x", "texture0001.jpg"},
        {"3d/3d00012.x", "texture00010.jpg"},
        {"3d/3d00013.x", "texture00011.jpg"},
        {"3d/3d00016.x", "texture0007.jpg"},
        {"3d/3d00017.x", "texture0007.jpg"},
        {"3d/3d0008.x", "texture0008.jpg"},
        {"3d/3d00011.x", "texture0008.jpg"},
        {"3d/3d00019.x", "texture0008.jpg"},
        {"3d/3d00020.x", "texture0008.jpg"},
        {"3d/3d00021.x", "texture0008.jpg"},
        {"3d/3d00022.x", "texture0008.jpg"},
        {"3d/3d00023.x", "texture0008.jpg"},
        {"3d/3d00018.x", "texture0003.jpg"},
        {"3d/3d0002.x", "texture0004.jpg"},
        {"3d/3d0003.x", "texture0002.jpg"},
        {"3d/3d0004.x", "texture0004.jpg"},
        {"Animation/anim0001.x", "texture00012.jpg"},
        {"Animation/anim0002.x", "texture00012.jpg"},
        {"Animation/anim0003.x", "texture00012.jpg"},
        {"Animation/anim0004.x", "texture00012.jpg"},
        {"Animation/anim0005.x", "texture00012.jpg"},
        {"Animation/anim0006.x", "texture00012.jpg"},
        {"Animation/anim0007.x", "texture00012.jpg"},
        {"Animation/anim0008.x", "texture00012.jpg"},
        {"Animation/anim0009.x", "texture00012.jpg"},
        {"Animation/anim00010.x", "texture00012.jpg"},
        {"Animation/anim00011.x", "texture00012.jpg"},
        {"Animation/anim00012.x", "texture00012.jpg"},
        {"Animation/anim00013.x", "texture00012.jpg"},
        {"Animation/anim00014.x", "texture00012.jpg"},
        {"Animation/anim00015.x", "texture00012.jpg"},
    };
    std::map<std::string, std::string> made;
    for (const MeshFile& f : TheWorld()) made[f.Path] = f.Texture;
    EXPECT_EQ(made, expected);
    EXPECT_EQ(TheWorld().size(), expected.size());

    std::set<std::string> pictures;
    for (const Picture& p : MakePictures()) {
        pictures.insert(p.File);
        EXPECT_EQ(p.Pixels.W & (p.Pixels.W - 1), 0) << p.File;
        EXPECT_EQ(p.Pixels.H & (p.Pixels.H - 1), 0) << p.File;
        EXPECT_LE(std::max(p.Pixels.W, p.Pixels.H), 512) << p.File;
        // A picture of one flat colour means a broken pattern.
        double sum = 0, sq = 0;
        for (uint8_t c : p.Pixels.Rgb) sum += c, sq += double(c) * c;
        const double n = static_cast<double>(p.Pixels.Rgb.size());
        EXPECT_GT(std::sqrt(sq / n - (sum / n) * (sum / n)), 8.0) << p.File;
    }
    std::set<std::string> paired;
    for (const auto& [mesh, tex] : expected) paired.insert(tex);
    paired.insert("texture00012.jpg");  // the second car
    EXPECT_EQ(pictures, paired);
}

TEST(WorldMeshes, FrontFacesWindClockwiseWithUnitNormalsAndFitSixteenBitIndices) {
    for (const MeshFile& f : TheWorld()) {
        const Mesh& m = f.Shape;
        SCOPED_TRACE(f.Path);
        ASSERT_FALSE(m.Tris.empty());
        ASSERT_LT(m.Verts.size(), 65536u);
        int flipped = 0;
        for (const auto& t : m.Tris) {
            for (uint32_t i : t) ASSERT_LT(i, m.Verts.size());
            const V3 a = m.Verts[t[0]].P, b = m.Verts[t[1]].P, c = m.Verts[t[2]].P;
            const V3 face = Cross(b - a, c - a);
            ASSERT_GT(Length(face), 1e-9);
            // Clockwise seen from outside in a left-handed frame: the cross
            // product of the first two edges points out, along the normals.
            if (Dot(face, m.Verts[t[0]].N + m.Verts[t[1]].N + m.Verts[t[2]].N) <= 0) ++flipped;
        }
        EXPECT_EQ(flipped, 0);
        for (const Vertex& v : m.Verts) {
            ASSERT_NEAR(Length(v.N), 1.0, 1e-6);
            ASSERT_TRUE(std::isfinite(v.U) && std::isfinite(v.V));
        }
    }
}

TEST(WorldMeshes, TextIsStableAndWellFormed) {
    const std::vector<MeshFile> again = MakeWorld();
    ASSERT_EQ(again.size(), TheWorld().size());
    for (size_t i = 0; i < again.size(); ++i) {
        const std::string text = XText(TheWorld()[i].Shape);
        EXPECT_EQ(text, XText(again[i].Shape)) << again[i].Path;
        EXPECT_EQ(text.rfind("xof 0303txt 0032\n", 0), 0u);
        EXPECT_EQ(text.find("-0.0;"), std::string::npos) << again[i].Path;
        EXPECT_EQ(text.find("nan"), std::string::npos) << again[i].Path;
        EXPECT_NE(text.find("MeshNormals"), std::string::npos);
        EXPECT_NE(text.find("MeshTextureCoords"), std::string::npos);
        EXPECT_NE(text.find("MeshMaterialList {\n  1;"), std::string::npos);
    }
}

// One face of a wall: the vertices with this outward normal lying in the
// plane must reach from lo to hi along the wall and stand at least 8 high.
struct WallFace {
    V3 Normal;
    double Plane, Lo, Hi;
};

TEST(WorldLayout, YardWallsStandOnTheCollisionBoxes) {
    const Mesh& yard = Find("3d/3d00014.x").Shape;
    const WallFace faces[] = {
        {{0, 0, -1}, 133, -162, -145}, {{0, 0, 1}, 134, -162, -145},  // box 1
        {{0, 0, -1}, 85, -162, -145},  {{0, 0, 1}, 86, -162, -145},   // box 2
        {{-1, 0, 0}, -162, 86, 133},   {{1, 0, 0}, -161, 86, 133},    // box 3
        {{-1, 0, 0}, -147, 86, 133},   {{1, 0, 0}, -146, 86, 133},    // box 4
    };
    for (const WallFace& w : faces) {
        const bool alongX = w.Normal.Z != 0;
        double lo = 1e9, hi = -1e9, top = 0;
        for (const Vertex& v : yard.Verts) {
            if (Dot(v.N, w.Normal) < 0.999) continue;
            const double across = alongX ? v.P.Z : v.P.X, along = alongX ? v.P.X : v.P.Z;
            if (std::fabs(across - w.Plane) > 1e-9) continue;
            lo = std::min(lo, along), hi = std::max(hi, along), top = std::max(top, v.P.Y);
        }
        EXPECT_LE(lo, w.Lo) << w.Plane;
        EXPECT_GE(hi, w.Hi) << w.Plane;
        EXPECT_GE(top, 8.0) << w.Plane;
    }
    // Nothing of the yard stands on the start position.
    for (const Vertex& v : yard.Verts) EXPECT_FALSE(std::fabs(v.P.X + 160) < 1 && std::fabs(v.P.Z - 120) < 1);
}

TEST(WorldLayout, EachNightLightHangsJustUnderALampHead) {
    const Mesh& lamps = Find("3d/3d0006.x").Shape;
    for (double z : layout::kLampZ) {
        double x0 = 1e9, x1 = -1e9, z0 = 1e9, z1 = -1e9, y = 0;
        for (const Vertex& v : lamps.Verts) {
            if (v.N.Y > -0.999 || std::fabs(v.P.Z - z) > 5 || v.P.Y < 30 || v.P.Y > 34) continue;
            x0 = std::min(x0, v.P.X), x1 = std::max(x1, v.P.X), z0 = std::min(z0, v.P.Z), z1 = std::max(z1, v.P.Z);
            y = v.P.Y;
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
    const Mesh& car = Find("3d/3d000car.x").Shape;
    V3 lo{1e9, 1e9, 1e9}, hi{-1e9, -1e9, -1e9};
    for (const Vertex& v : car.Verts) {
        lo = {std::min(lo.X, v.P.X), std::min(lo.Y, v.P.Y), std::min(lo.Z, v.P.Z)};
        hi = {std::max(hi.X, v.P.X), std::max(hi.Y, v.P.Y), std::max(hi.Z, v.P.Z)};
    }
    EXPECT_NEAR(lo.Y, 0.0, 1e-6);  // wheels on the road
    EXPECT_NEAR(lo.X + hi.X, 0.0, 1e-6);
    EXPECT_NEAR(lo.Z + hi.Z, 0.0, 1e-6);
    EXPECT_GT(hi.Z - lo.Z, 2 * (hi.X - lo.X));  // long along z
    EXPECT_LT(hi.X - lo.X, 10.0);               // fits its lane
    // Head lamps (white band of the atlas) at the front, tail lamps behind.
    int front = 0, back = 0;
    for (const Vertex& v : car.Verts) {
        if (v.P.Z > 8.8 && v.V > atlas::kHeadLamp.V0 && v.U < 0.5) ++front;
        if (v.P.Z < -8.8 && v.V > atlas::kTailLamp.V0 && v.U > 0.5) ++back;
    }
    EXPECT_GT(front, 0);
    EXPECT_GT(back, 0);
}

TEST(WorldLayout, AnimationFramesShareTopologyAndMoveSmoothly) {
    std::vector<const Mesh*> frames;
    for (int k = 1; k <= 15; ++k) frames.push_back(&Find("Animation/anim000" + std::to_string(k) + ".x").Shape);
    std::vector<double> steps;
    for (size_t k = 0; k < frames.size(); ++k) {
        ASSERT_EQ(frames[k]->Verts.size(), frames[0]->Verts.size());
        ASSERT_EQ(frames[k]->Tris, frames[0]->Tris);
        for (const Vertex& v : frames[k]->Verts) {
            EXPECT_LT(std::hypot(v.P.X - layout::kFigureX, v.P.Z - layout::kFigureZ), 16.0);
            EXPECT_GE(v.P.Y, -1e-9);
        }
        if (k == 0) continue;
        double step = 0;
        for (size_t i = 0; i < frames[k]->Verts.size(); ++i)
            step = std::max(step, Length(frames[k]->Verts[i].P - frames[k - 1]->Verts[i].P));
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
    auto key = [](V3 p) { return Key{std::lround(p.X * 1000), std::lround(p.Y * 1000), std::lround(p.Z * 1000)}; };
    std::map<std::pair<Key, Key>, int> uses;
    for (const char* path : {"3d/3d0001.x", "3d/3d00012.x", "3d/3d00013.x"}) {
        const Mesh& m = Find(path).Shape;
        for (const auto& t : m.Tris)
            for (int e = 0; e < 3; ++e) {
                Key a = key(m.Verts[t[e]].P), b = key(m.Verts[t[(e + 1) % 3]].P);
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
        const size_t n = f.Shape.Tris.size();
        if (f.Path.rfind("Animation/", 0) == 0) anim = std::max(anim, n);
        else if (f.Path == "3d/3d000car.x") car = n;
        else (f.HighOnly ? high : base) += n;
    }
    const size_t frame = base + high + anim + 2 * car;
    EXPECT_GE(frame, 20000u);
    EXPECT_LE(frame, 60000u);
    for (const char* path : {"3d/3d0002.x", "3d/3d0003.x", "3d/3d0004.x"}) EXPECT_TRUE(Find(path).HighOnly);
}

}  // namespace
}  // namespace worldgen

namespace worldgen {
namespace {

// A box whose faces repeat the picture from different ends must still be
// closed: every edge shared by exactly two triangles.
TEST(Geometry, BoxesAreClosedWhateverTheirRepeats) {
    struct Case {
        V3 Lo, Hi;
        double RepW, RepH, Step;
    };
    const Case cases[] = {
        {{-162, 0, 133}, {-145, 10, 134}, 8, 4, 4},       // a yard wall
        {{-0.6, 36, -0.6}, {60.6, 37.5, 36.6}, 8, 4, 6},  // a cornice
        {{0, 0, 0}, {5, 7, 3}, 0, 0, 1e9},                // mapped once, no cuts
        {{0, 0, 0}, {13.3, 2.5, 29.9}, 3, 0.7, 1.1},
    };
    for (const Case& c : cases) {
        Mesh m;
        Box(m, c.Lo, c.Hi,
            {atlas::kBrickPlain, atlas::kBrickRoof, atlas::kBrickPlain, c.RepW, c.RepH, 0, 0, c.Step, true});
        using Key = std::tuple<long, long, long>;
        auto key = [](V3 p) { return Key{std::lround(p.X * 1000), std::lround(p.Y * 1000), std::lround(p.Z * 1000)}; };
        std::map<std::pair<Key, Key>, int> uses;
        for (const auto& t : m.Tris)
            for (int e = 0; e < 3; ++e) {
                Key a = key(m.Verts[t[e]].P), b = key(m.Verts[t[(e + 1) % 3]].P);
                if (b < a) std::swap(a, b);
                ++uses[{a, b}];
            }
        int open = 0;
        for (const auto& [edge, n] : uses) open += n != 2;
        EXPECT_EQ(open, 0) << c.Hi.X - c.Lo.X << " x " << c.Hi.Z - c.Lo.Z;
        // Texture coordinates stay inside the region on every face.
        for (const Vertex& v : m.Verts) {
            const Region& r = v.N.Y > 0.5 ? atlas::kBrickRoof : atlas::kBrickPlain;
            EXPECT_GE(v.U, r.U0 - 1e-9);
            EXPECT_LE(v.U, r.U1 + 1e-9);
            EXPECT_GE(v.V, r.V0 - 1e-9);
            EXPECT_LE(v.V, r.V1 + 1e-9);
        }
    }
}

}  // namespace
}  // namespace worldgen

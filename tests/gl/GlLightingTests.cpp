// The emulated fixed-function pipeline against the lighting and fog equations
// worked out by hand: one square facing the camera with every vertex at the same
// distance from the light, so the whole square shows the per-vertex value.
#include <cmath>

#include "platform/sdl_gl/GlDeviceStates.h"
#include "tests/gl/GlTestSupport.h"

using namespace gltest;

namespace {

D3DCOLORVALUE Grey(float v, float a = 1.0f) { return {v, v, v, a}; }

// The material the game's light set-up uses.
D3DMATERIAL8 SceneMaterial(float power) {
    D3DMATERIAL8 m;
    m.Diffuse = m.Ambient = m.Specular = Grey(1.0f);
    m.Emissive = Grey(0.05f);
    m.Power = power;
    return m;
}

D3DLIGHT8 PointLight(float x, float y, float z, float range, float a0, float a1 = 0, float a2 = 0) {
    D3DLIGHT8 l;
    l.Type = D3DLIGHT_POINT;
    l.Diffuse = Grey(1.0f, 0.0f);
    l.Position = {x, y, z};
    l.Range = range;
    l.Attenuation0 = a0;
    l.Attenuation1 = a1;
    l.Attenuation2 = a2;
    return l;
}

class LightingTest : public GlDeviceTest {
protected:
    void SetUp() override {
        GlDeviceTest::SetUp();
        if (!device) return;
        UseCamera();
        device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
        device->SetRenderState(D3DRS_LIGHTING, 1);
        device->SetMaterial(SceneMaterial(20));
    }

    Rgb DrawAndReadCentre(MeshData square) {
        D3DXMesh& mesh = AddMesh(std::move(square));
        ClearTo(0);
        DrawInScene(mesh);
        Read();
        return Centre();
    }
};

// Square of half-size 1 at z = 10; the light on the axis at height h in front of it,
// so each corner sees it at d = sqrt(2 + h^2) with N.L = h / d.
TEST_F(LightingTest, PointLightFollowsTheAttenuatedLambertTerm) {
    const float d = std::sqrt(102.0f);  // h = 10
    const struct Case {
        const char* Name;
        float H, Range, A0, A1, NormalZ;
        double Want;  // 0..1, before clamping
    } cases[] = {
        {"a0 1", 1, 100, 1, 0, -1, 0.05 + 1 / std::sqrt(3.0)},
        {"a0 0.9 brightens", 1, 100, 0.9f, 0, -1, 0.05 + 1 / std::sqrt(3.0) / 0.9},
        {"a0 0.9 saturates", 10, 500, 0.9f, 0, -1, 1.0},
        {"just inside the range", 10, d + 0.01f, 1, 0, -1, 0.05 + 10 / d},
        {"just beyond the range", 10, d - 0.01f, 1, 0, -1, 0.05},
        {"linear attenuation", 1, 100, 0, 0.5f, -1, 0.05 + (1 / std::sqrt(3.0)) / (0.5 * std::sqrt(3.0))},
        {"short normal is not normalised", 1, 100, 1, 0, -0.5f, 0.05 + 0.5 / std::sqrt(3.0)},
        {"light behind the face", -1, 100, 1, 0, -1, 0.05},
    };
    for (const Case& c : cases) {
        device->SetLight(0, PointLight(0, 0, 10 - c.H, c.Range, c.A0, c.A1));
        device->LightEnable(0, 1);
        const int want = ToByte(c.Want);
        ExpectNear(DrawAndReadCentre(Square(0, 0, 10, 1, c.NormalZ)), {want, want, want}, 2, c.Name);
    }
}

TEST_F(LightingTest, LightsAddUpAndClampOnce) {
    // Two lights at half strength each, sparse indices as the game uses them.
    D3DLIGHT8 a = PointLight(0, 0, 9, 100, 1);
    a.Diffuse = Grey(0.3f);
    device->SetLight(1, a);
    device->LightEnable(1, 1);
    device->SetLight(20, a);
    device->LightEnable(20, 1);
    const int want = ToByte(0.05 + 2 * 0.3 / std::sqrt(3.0));
    ExpectNear(DrawAndReadCentre(Square(0, 0, 10, 1)), {want, want, want}, 2, "two lights");
    device->LightEnable(20, 0);
    const int one = ToByte(0.05 + 0.3 / std::sqrt(3.0));
    ExpectNear(DrawAndReadCentre(Square(0, 0, 10, 1)), {one, one, one}, 2, "one light left");
}

TEST_F(LightingTest, DirectionalLightAmbientAndEmissive) {
    D3DLIGHT8 sun;
    sun.Type = D3DLIGHT_DIRECTIONAL;
    sun.Diffuse = {0.5f, 0.25f, 0.0f, 1.0f};
    sun.Direction = {0, 0, 1};  // shining away from the camera, onto the square
    device->SetLight(3, sun);
    device->LightEnable(3, 1);
    ExpectNear(DrawAndReadCentre(Square(0, 0, 10, 1)), {ToByte(0.55), ToByte(0.30), ToByte(0.05)}, 2, "sun");

    // Global ambient adds Ca * Ga; a vertex without normals gets nothing else.
    device->SetRenderState(D3DRS_AMBIENT, 0x00404040);
    const int ambientOnly = ToByte(0.05 + 64.0 / 255.0);
    ExpectNear(DrawAndReadCentre(Square(0, 0, 10, 1, -1, false)), {ambientOnly, ambientOnly, ambientOnly}, 2,
               "no normals: emissive and ambient only");
}

TEST_F(LightingTest, VertexColourReplacesMaterialDiffuse) {
    D3DLIGHT8 sun;
    sun.Type = D3DLIGHT_DIRECTIONAL;
    sun.Diffuse = Grey(1.0f);
    sun.Direction = {0, 0, 1};
    device->SetLight(0, sun);
    device->LightEnable(0, 1);
    MeshData square = Square(0, 0, 10, 1);
    square.Colors = {1, 0, 0.5f, 1, 1, 0, 0.5f, 1, 1, 0, 0.5f, 1, 1, 0, 0.5f, 1};
    ExpectNear(DrawAndReadCentre(square), {255, ToByte(0.05), ToByte(0.55)}, 2, "lit vertex colours");

    // Unlit: the vertex colour as it is, or white without one; never the material.
    device->SetRenderState(D3DRS_LIGHTING, 0);
    ExpectNear(DrawAndReadCentre(square), {255, 0, 128}, 1, "unlit vertex colours");
    ExpectNear(DrawAndReadCentre(Square(0, 0, 10, 1)), {255, 255, 255}, 0, "unlit white");
}

TEST_F(LightingTest, SpecularIsAddedOnlyWhenEnabled) {
    D3DLIGHT8 light = PointLight(0, 0, 9, 100, 1);
    light.Specular = Grey(1.0f);
    device->SetLight(0, light);
    device->LightEnable(0, 1);
    // Reference at the corner (1,1,10): H = norm(norm(-V) + L), term = max(N.H,0)^20.
    const double vx = 1, vy = 1, vz = 10, vl = std::sqrt(vx * vx + vy * vy + vz * vz);
    const double lx = -1, ly = -1, lz = -1, ll = std::sqrt(3.0);
    const double hx = -vx / vl + lx / ll, hy = -vy / vl + ly / ll, hz = -vz / vl + lz / ll;
    const double nh = -hz / std::sqrt(hx * hx + hy * hy + hz * hz);
    const double diffuse = 0.05 + 1 / std::sqrt(3.0);
    const int off = ToByte(diffuse);
    ExpectNear(DrawAndReadCentre(Square(0, 0, 10, 1)), {off, off, off}, 2, "specular disabled");
    device->SetRenderState(D3DRS_SPECULARENABLE, 1);
    const int on = ToByte(diffuse + std::pow(nh, 20.0));
    EXPECT_GT(on, off + 5);
    ExpectNear(DrawAndReadCentre(Square(0, 0, 10, 1)), {on, on, on}, 2, "specular enabled");
}

// Linear vertex fog from |z| in camera space between 400 and 700, as the game sets it.
TEST_F(LightingTest, LinearFogFactorByDepth) {
    device->SetRenderState(D3DRS_LIGHTING, 0);
    device->SetRenderState(D3DRS_FOGENABLE, 1);
    device->SetRenderState(D3DRS_FOGCOLOR, 0x00204080);
    device->SetRenderState(D3DRS_FOGTABLEMODE, D3DFOG_NONE);
    device->SetRenderState(D3DRS_FOGVERTEXMODE, D3DFOG_LINEAR);
    device->SetRenderState(D3DRS_FOGSTART, 0x43C80000);  // 400.0
    device->SetRenderState(D3DRS_FOGEND, 0x442F0000);    // 700.0
    const struct {
        float Z;
        double F;
    } cases[] = {{300, 1.0}, {400, 1.0}, {550, 0.5}, {650, 1.0 / 6.0}, {750, 0.0}};
    for (const auto& c : cases) {
        const auto mix = [&](int fog) { return static_cast<int>(std::lround(c.F * 255 + (1 - c.F) * fog)); };
        ExpectNear(DrawAndReadCentre(Square(0, 0, c.Z, c.Z * 0.3f)), {mix(0x20), mix(0x40), mix(0x80)}, 2,
                   "depth " + std::to_string(c.Z));
    }
    device->SetRenderState(D3DRS_FOGENABLE, 0);
    ExpectNear(DrawAndReadCentre(Square(0, 0, 750, 225)), {255, 255, 255}, 0, "fog off");
}

// The exponential modes, switched between draws: each draw takes its mode's program.
TEST_F(LightingTest, ExponentialFogFactorsByDepth) {
    device->SetRenderState(D3DRS_LIGHTING, 0);
    device->SetRenderState(D3DRS_FOGENABLE, 1);
    device->SetRenderState(D3DRS_FOGCOLOR, 0x00204080);
    device->SetRenderState(D3DRS_FOGTABLEMODE, D3DFOG_NONE);
    device->SetRenderState(D3DRS_FOGSTART, 0x43C80000);            // 400.0, for linear
    device->SetRenderState(D3DRS_FOGEND, 0x442F0000);              // 700.0
    device->SetRenderState(gl_states::kRsFogDensity, 0x3B03126F);  // 0.002
    const struct {
        DWORD Mode;
        float Z;
        double F;
    } cases[] = {
        {1, 250, std::exp(-0.5)}, {2, 250, std::exp(-0.25)}, {3, 250, 1.0}, {1, 500, std::exp(-1.0)}, {3, 550, 0.5},
        {2, 750, std::exp(-2.25)}};
    for (const auto& c : cases) {
        device->SetRenderState(D3DRS_FOGVERTEXMODE, c.Mode);
        const auto mix = [&](int fog) { return static_cast<int>(std::lround(c.F * 255 + (1 - c.F) * fog)); };
        ExpectNear(DrawAndReadCentre(Square(0, 0, c.Z, c.Z * 0.3f)), {mix(0x20), mix(0x40), mix(0x80)}, 2,
                   "mode " + std::to_string(c.Mode) + " depth " + std::to_string(c.Z));
    }
}

}  // namespace

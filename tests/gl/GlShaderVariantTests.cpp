// Program variants: the text each one gets, and which are made at creation and
// which at a draw.
#include <algorithm>
#include <string>

#include "platform/sdl_gl/GlShader.h"
#include "tests/gl/GlTestSupport.h"

namespace {

using namespace gltest;

int Count(const std::string& text, const std::string& what) {
    int n = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

TEST(ShaderText, EachLightIsOneCallAndNothingLoops) {
    struct Case {
        GlShaderKey Key;
        int Points, Directionals;
    };
    const Case cases[] = {
        {GlShaderKey{false, true, false, true, true, 5, 0x1F}, 5, 0},
        {GlShaderKey{false, true, true, false, false, 3, 0x5}, 2, 1},
        {GlShaderKey{false, true, false, false, false, 8, 0}, 0, 8},
        {GlShaderKey{false, true, false, false, false, 0, 0}, 0, 0},
        {GlShaderKey{false, false, true, true, true, 4, 0xF}, 0, 0},  // unlit: lights do not count
    };
    for (const auto& c : cases) {
        const std::string vs = GlVertexShaderText(c.Key);
        EXPECT_EQ(Count(vs, "    PointLight("), c.Points) << c.Key.Packed();
        EXPECT_EQ(Count(vs, "    DirectionalLight("), c.Directionals) << c.Key.Packed();
        EXPECT_EQ(Count(vs, "for ("), 0) << c.Key.Packed();
        EXPECT_EQ(Count(GlFragmentShaderText(c.Key), "for ("), 0) << c.Key.Packed();
    }
}

TEST(ShaderText, KeysThatMakeTheSameProgramPackAlike) {
    // Light layouts do not matter without lighting; nothing but text matters for text.
    EXPECT_EQ((GlShaderKey{false, false, false, true, false, 3, 7}.Packed()),
              (GlShaderKey{false, false, false, true, false, 0, 0}.Packed()));
    EXPECT_EQ((GlShaderKey{true, true, true, true, true, 2, 1}.Packed()), GlShaderKey{true}.Packed());
    // Bits beyond the light count are no light.
    EXPECT_EQ((GlShaderKey{false, true, false, false, false, 2, 0xFF}.Packed()),
              (GlShaderKey{false, true, false, false, false, 2, 0x3}.Packed()));
    // Everything else tells variants apart.
    const GlShaderKey distinct[] = {
        GlShaderKey{true},
        GlShaderKey{false, false, false, false, false, 0, 0},
        GlShaderKey{false, false, false, true, false, 0, 0},
        GlShaderKey{false, false, false, false, true, 0, 0},
        GlShaderKey{false, true, false, false, false, 0, 0},
        GlShaderKey{false, true, true, false, false, 0, 0},
        GlShaderKey{false, true, false, false, false, 1, 0},
        GlShaderKey{false, true, false, false, false, 1, 1},
        GlShaderKey{false, true, false, false, false, 2, 2},
    };
    for (std::size_t i = 0; i < std::size(distinct); ++i)
        for (std::size_t j = i + 1; j < std::size(distinct); ++j)
            EXPECT_NE(distinct[i].Packed(), distinct[j].Packed()) << i << " vs " << j;
}

TEST(ShaderText, FogModeTellsVariantsApartOnlyWithFog) {
    struct Case {
        GlShaderKey A, B;
        bool Same;
    };
    const auto fog = [](bool on, int mode) { return GlShaderKey{false, true, false, on, false, 3, 7, mode}; };
    const Case cases[] = {
        {fog(true, kGlFogExp), fog(true, kGlFogLinear), false},
        {fog(true, kGlFogExp2), fog(true, kGlFogLinear), false},
        {fog(true, kGlFogExp), fog(true, kGlFogExp2), false},
        {fog(false, kGlFogExp), fog(false, kGlFogLinear), true},
        {fog(true, 0), fog(true, kGlFogLinear), true},  // no other mode: linear
        {fog(true, kGlFogLinear), GlShaderKey{false, true, false, true, false, 3, 7}, true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.A.Packed() == c.B.Packed(), c.Same) << c.A.FogMode << " vs " << c.B.FogMode;
        EXPECT_EQ(GlVertexShaderText(c.A) == GlVertexShaderText(c.B), c.Same) << c.A.FogMode << " vs " << c.B.FogMode;
    }
}

class VariantTest : public GlDeviceTest {
protected:
    void SetPoint(DWORD index, bool directional = false) {
        D3DLIGHT8 light;
        light.Type = directional ? D3DLIGHT_DIRECTIONAL : D3DLIGHT_POINT;
        light.Diffuse = {1, 1, 1, 1};
        light.Direction = {0, 0, 1};
        light.Position = {0, 0, -5};
        light.Attenuation0 = 1;
        light.Range = 100;
        ASSERT_EQ(device->SetLight(index, light), D3D_OK);
        ASSERT_EQ(device->LightEnable(index, 1), D3D_OK);
    }
};

TEST_F(VariantTest, TheProgramsOwnLayoutsAreMadeInTheFirstFrame) {
    if (!device) return;
    UseCamera();
    D3DXMesh& square = AddMesh(Square(0, 0, 10, 2));
    EXPECT_EQ(Gl().ShaderVariants(), 1) << "only text is made with the device";
    device->SetRenderState(D3DRS_LIGHTING, 0);
    DrawInScene(square);
    const int made = Gl().ShaderVariants();
    EXPECT_GT(made, 1);
    device->Present(nullptr, nullptr, nullptr, nullptr);
    // Later frames: three and five point lights, with and without fog, need nothing new.
    device->SetRenderState(D3DRS_LIGHTING, 1);
    for (const DWORD index : {1u, 0u, 20u}) SetPoint(index);
    DrawInScene(square);
    device->SetRenderState(D3DRS_FOGENABLE, 1);
    device->SetRenderState(D3DRS_FOGTABLEMODE, D3DFOG_LINEAR);
    DrawInScene(square);
    for (const DWORD index : {2u, 3u}) SetPoint(index);
    DrawInScene(square);
    EXPECT_EQ(Gl().ShaderFallbacks(), 0);
    EXPECT_EQ(Gl().ShaderVariants(), made);
}

TEST_F(VariantTest, OtherLayoutsAreMadeOnceAtTheirFirstDraw) {
    if (!device) return;
    UseCamera();
    D3DXMesh& square = AddMesh(Square(0, 0, 10, 2));
    device->SetRenderState(D3DRS_LIGHTING, 0);
    DrawInScene(square);
    device->Present(nullptr, nullptr, nullptr, nullptr);
    EXPECT_EQ(Gl().ShaderFallbacks(), 0);
    device->SetRenderState(D3DRS_LIGHTING, 1);
    SetPoint(0);
    SetPoint(1, true);
    for (int i = 0; i < 3; ++i) DrawInScene(square);
    EXPECT_EQ(Gl().ShaderFallbacks(), 1);
    // One point light alone is no start-up layout either.
    device->LightEnable(1, 0);
    for (int i = 0; i < 3; ++i) DrawInScene(square);
    EXPECT_EQ(Gl().ShaderFallbacks(), 2);
    device->LightEnable(1, 1);
    DrawInScene(square);
    EXPECT_EQ(Gl().ShaderFallbacks(), 2) << "a variant made once is kept";
}

}  // namespace

// The mesh store: loading step by step, drawing, lights and colours.
#include "tests/unit/Fixture.h"

#include "mesh/GenerateMesh.h"

namespace {

class AddMeshTest : public FakePlatformTest {
protected:
    void SetUp() override {
        FakePlatformTest::SetUp();
        UseFakeDevice();
        GeneralVariables.TexturesOn = true;
        GeneralVariables.TextRect = RECT{100, 5, 1000, 500};
    }
    void Add(MeshSlot& mesh, TextureSet& textures, const char* x = "\\data\\3d\\3d0002.x",
             const char* t = "\\data\\bitmap\\texture0004.jpg") {
        MeshGenInstance().AddMeshStatic(mesh, textures, x, t, adj);
    }
    MeshSlot mesh;
    TextureSet textures;
    BufferSlot adj;
};

TEST_F(AddMeshTest, StepsInOrder) {
    Add(mesh, textures);
    EXPECT_EQ(Calls({"LoadMeshFromX", "CreateTextureFromFile", "DrawText", "CleanMesh", "SimplifyMesh", "Optimize"}),
              (std::vector<std::string>{
                  "LoadMeshFromX /app/data/3d/3d0002.x 544",
                  "CreateTextureFromFile /app/data/bitmap/texture0004.jpg",
                  "DrawText \"loading....\\data\\3d\\3d0002.x      \\data\\bitmap\\texture0004.jpg\" -1 "
                  "100,5,1000,500 1 4291611903",
                  "CleanMesh 3d0002.x adj0=1",
                  "SimplifyMesh 3d0002.x+clean adj0=1 8 1",
                  "Optimize 3d0002.x+clean+simplify 16777216 adj0=1",
              }));
    EXPECT_EQ(FakeName(mesh.get()), "3d0002.x+clean+simplify+compact");
    ASSERT_EQ(textures.size(), 2u);
    EXPECT_EQ(FakeName(textures[0].get()), "texture0004.jpg");
    EXPECT_FALSE(textures[1]);
    // AdjVar ends up holding the vertex remap of the compact step: one DWORD per vertex.
    ASSERT_TRUE(adj);
    EXPECT_EQ(adj->GetBufferSize(), 8u * 4);
}

TEST_F(AddMeshTest, MaterialCountSizesTheTextureArray) {
    for (const DWORD materials : {0u, 1u, 5u}) {
        Fake().Shapes["/app/data/3d/3d0002.x"] = FakeMeshShape{12, 8, materials};
        Add(mesh, textures);
        EXPECT_EQ(textures.size(), materials + 1);
        EXPECT_TRUE(textures[0]);
    }
}

TEST_F(AddMeshTest, TexturesOffOpensNoPictureButStillNamesIt) {
    GeneralVariables.TexturesOn = false;
    Fake().MissingFiles.insert("/app/data/bitmap/texture0004.jpg");
    Add(mesh, textures);
    EXPECT_EQ(FakeLogWith("CreateTextureFromFile").size(), 0u);
    for (const auto& t : textures) EXPECT_FALSE(t);
    ASSERT_EQ(FakeLogWith("DrawText").size(), 1u);
    EXPECT_NE(FakeLogWith("DrawText")[0].find("\\data\\bitmap\\texture0004.jpg"), std::string::npos);
}

TEST_F(AddMeshTest, SharedTextureArrayHoldsTheSecondLoad) {
    Add(mesh, textures, "\\data\\3d\\3d0002.x", "\\data\\bitmap\\texture0004.jpg");
    MeshSlot other;
    FakeLogClear();
    Add(other, textures, "\\data\\3d\\3d0004.x", "\\data\\bitmap\\texture0002.jpg");
    EXPECT_EQ(FakeName(textures[0].get()), "texture0002.jpg");
    EXPECT_EQ(FakeLogWith("Release Texture texture0004.jpg").size(), 1u);
}

TEST_F(AddMeshTest, MissingMeshIsFatalWithTheProgramsText) {
    Fake().MissingFiles.insert("/app/data/3d/3d0002.x");
    EXPECT_EXIT(Add(mesh, textures), testing::ExitedWithCode(1),
                "MsgBox: Can't find \\\\data\\\\3d\\\\3d0002.x This Application will be turminated");
}

TEST_F(AddMeshTest, MissingTextureIsFatalOnlyWithTexturesOn) {
    Fake().MissingFiles.insert("/app/data/bitmap/texture0004.jpg");
    EXPECT_EXIT(Add(mesh, textures), testing::ExitedWithCode(1),
                "MsgBox: Can't find \\\\data\\\\bitmap\\\\texture0004.jpg This Application will be turminated");
}

// A load that fails while the slot still holds a mesh shows no message: the old
// mesh stays and the later steps run on it. AdjVar then still holds the previous
// call's vertex remap, which is far too small for the old mesh's adjacency: the
// copy is refused and the clean-up steps are skipped instead of reading past it.
TEST_F(AddMeshTest, MissingMeshWithAnOldMeshKeepsItAndStaysInBounds) {
    Fake().Shapes["/app/data/3d/3d0002.x"] = FakeMeshShape{300, 20, 1};
    Add(mesh, textures);
    ASSERT_EQ(adj->GetBufferSize(), 20u * 4);
    const D3DXMesh* old = mesh.get();
    Fake().MissingFiles.insert("/app/data/3d/3d0004.x");
    FakeLogClear();
    Add(mesh, textures, "\\data\\3d\\3d0004.x");
    EXPECT_EQ(mesh.get(), old);
    EXPECT_EQ(FakeLogWith("MsgBox").size(), 0u);
    EXPECT_EQ(FakeLogWith("DrawText").size(), 1u);
    EXPECT_EQ(FakeLogWith("CleanMesh").size(), 0u);
    EXPECT_EQ(FakeLogWith("Optimize").size(), 0u);
    EXPECT_EQ(textures.size(), 1u);
}

TEST_F(AddMeshTest, FailedCleanUpStepsAreSkippedAndTheRestRun) {
    Fake().CleanFails = true;
    Fake().OptimizeFails = true;
    Add(mesh, textures);
    EXPECT_EQ(FakeName(mesh.get()), "3d0002.x+simplify");
    EXPECT_FALSE(adj) << "released before the failed compact step";
}

TEST_F(AddMeshTest, LoadingLineForTheExampleFiles) {
    Add(mesh, textures);
    EXPECT_NE(
        FakeLogWith("DrawText")[0].find("\"loading....\\data\\3d\\3d0002.x      \\data\\bitmap\\texture0004.jpg\""),
        std::string::npos);
}

class LightsTest : public FakePlatformTest {
protected:
    void SetUp() override {
        FakePlatformTest::SetUp();
        UseFakeDevice();
    }
};

TEST_F(LightsTest, ColorValueOrder) {
    const D3DCOLORVALUE c = MeshGenInstance().ColorValue(1, 0.05f, 0.05f, 0.05f);
    EXPECT_EQ(c.r, 0.05f);
    EXPECT_EQ(c.g, 0.05f);
    EXPECT_EQ(c.b, 0.05f);
    EXPECT_EQ(c.a, 1.0f);
    const D3DCOLORVALUE d = MeshGenInstance().ColorValue(0.25f, 1, 2, 3);
    EXPECT_EQ(d.r, 1.0f);
    EXPECT_EQ(d.b, 3.0f);
    EXPECT_EQ(d.a, 0.25f);
}

TEST_F(LightsTest, PointLightFieldsAndCallOrder) {
    D3DLIGHT8 light{};
    light.Specular = D3DCOLORVALUE{0.5f, 0.5f, 0.5f, 0.5f};
    light.Diffuse.a = 0.75f;
    MeshGenInstance().SetupLightsPoint(light, 500, -10, 33, -500, 7, 3, 2, 1, 200, 0.9);
    EXPECT_EQ(light.Type, D3DLIGHT_POINT);
    EXPECT_EQ(light.Diffuse.r, 1.0f);
    EXPECT_EQ(light.Diffuse.g, 2.0f);
    EXPECT_EQ(light.Diffuse.b, 3.0f);
    EXPECT_EQ(light.Diffuse.a, 0.75f) << "alpha is left alone";
    EXPECT_EQ(light.Specular.r, 0.5f) << "specular is left alone";
    EXPECT_EQ(light.Attenuation0, 0.9f);
    EXPECT_EQ(light.Range, 500.0f);
    EXPECT_EQ(light.Direction.x, 0.0f);
    EXPECT_EQ(FakeLog(), (std::vector<std::string>{
                             "SetLight 7 type=1 pos=-10,33,-500 diffuse=1,2,3,0.75 range=500 att0=0.9",
                             "LightEnable 7 1", SetState(D3DRS_LIGHTING, 1), SetState(D3DRS_SPECULARENABLE, 1),
                             "SetMaterial D=1,1,1,1 A=1,1,1,1 S=1,1,1,1 E=0.05,0.05,0.05,1 P=200"}));
}

TEST_F(LightsTest, DirectionalLightStoresWholeNumbersAndDirection) {
    D3DLIGHT8 light{};
    MeshGenInstance().SetupLightsDirectional(light, 100, 1, 2, 3, 4, 1, 1, 1, 20, 2, 0, -1, 0);
    EXPECT_EQ(light.Type, D3DLIGHT_DIRECTIONAL);
    EXPECT_EQ(light.Direction.y, -1.0f);
    EXPECT_EQ(light.Position.z, 3.0f);
    EXPECT_EQ(light.Attenuation0, 2.0f);
    EXPECT_EQ(FakeLogWith("LightEnable"), (std::vector<std::string>{"LightEnable 4 1"}));
}

TEST_F(LightsTest, LastCallDecidesPowerAndLightsStayEnabled) {
    D3DLIGHT8 a{}, b{};
    MeshGenInstance().SetupLightsPoint(a, 500, 0, 0, 0, 1, 1, 1, 1, 200, 1);
    MeshGenInstance().SetupLightsPoint(b, 500, 0, 0, 0, 2, 1, 1, 1, 20, 1);
    EXPECT_EQ(GeneralVariables.SceneMaterial.Power, 20.0f);
    int on1 = 0, on2 = 0;
    GeneralVariables.Device->GetLightEnable(1, &on1);
    GeneralVariables.Device->GetLightEnable(2, &on2);
    EXPECT_TRUE(on1 && on2);
}

using RenderStaticTest = LightsTest;

TEST_F(RenderStaticTest, OneSceneSubsetZeroOnly) {
    auto& g = GeneralVariables;
    g.TexturesOn = true;
    g.FogOn = false;
    MeshSlot mesh;
    TextureSet textures(1);
    g.D3DXLib->LoadMeshFromX("/app/m.x", 0, *g.Device, nullptr, nullptr, nullptr, mesh);
    g.D3DXLib->CreateTextureFromFile(*g.Device, "/app/t.jpg", textures[0]);
    FakeLogClear();
    MeshGenInstance().RenderStatic(textures, mesh);
    MeshGenInstance().RenderStatic(textures, mesh);
    EXPECT_EQ(FakeLog(),
              (std::vector<std::string>{"BeginScene", "SetTexture 0 t.jpg", "DrawSubset m.x 0", "EndScene",
                                        "BeginScene", "SetTexture 0 t.jpg", "DrawSubset m.x 0", "EndScene"}));
}

TEST_F(RenderStaticTest, TexturesOnWithAnEmptyTextureSetIsAnError) {
    auto& g = GeneralVariables;
    g.TexturesOn = true;
    MeshSlot mesh;
    g.D3DXLib->LoadMeshFromX("/app/m.x", 0, *g.Device, nullptr, nullptr, nullptr, mesh);
    TextureSet empty;
    EXPECT_EXIT(MeshGenInstance().RenderStatic(empty, mesh), testing::ExitedWithCode(1),
                "MsgBox: Unexpected error: Device.SetTexture \\(empty texture set\\) failed");
    // With textures off the empty set is never looked at.
    g.TexturesOn = false;
    FakeLogClear();
    MeshGenInstance().RenderStatic(empty, mesh);
    EXPECT_EQ(FakeLog(), (std::vector<std::string>{"BeginScene", "DrawSubset m.x 0", "EndScene"}));
}

TEST_F(RenderStaticTest, NoMeshIsAnError) {
    MeshSlot none;
    TextureSet textures(1);
    EXPECT_EXIT(MeshGenInstance().RenderStatic(textures, none), testing::ExitedWithCode(1), "DrawSubset");
}

}  // namespace

// Loading line, fog, world loading and the frame, on the recording platform.
#include "tests/unit/Fixture.h"

#include "scene/BuildAndRender.h"
#include "scene/loading/LoadingText.h"

namespace {

using LoadingTextTest = FakePlatformTest;

// The fog states in the order they are set; start and end go as the bits of
// 400.0f and 700.0f.
std::vector<std::string> FogStates(DWORD colour) {
    return {SetState(D3DRS_FOGENABLE, 1),
            SetState(D3DRS_FOGCOLOR, colour),
            SetState(D3DRS_FOGTABLEMODE, D3DFOG_NONE),
            SetState(D3DRS_FOGVERTEXMODE, D3DFOG_LINEAR),
            SetState(D3DRS_FOGSTART, 0x43C80000u),
            SetState(D3DRS_FOGEND, 0x442F0000u)};
}

TEST_F(LoadingTextTest, RenderTextClearsDrawsAndPresents) {
    UseFakeDevice();
    GeneralVariables.TextRect = RECT{100, 5, 1000, 500};
    EXPECT_EQ(RenderText(""), D3D_OK);
    EXPECT_EQ(FakeLog(),
              (std::vector<std::string>{"Clear 0 3 1 1 0", "BeginScene", "DrawText \"\" -1 100,5,1000,500 1 4291611903",
                                        "EndScene", "Present"}));
}

TEST_F(LoadingTextTest, SetupFogStatesInOrderAndIdempotent) {
    UseFakeDevice();
    GeneralVariables.FogColor = 10;
    SetupFog();
    const std::vector<std::string> once = FakeLog();
    EXPECT_EQ(once, FogStates(10));
    SetupFog();
    for (const DWORD state :
         {D3DRS_FOGENABLE, D3DRS_FOGCOLOR, D3DRS_FOGTABLEMODE, D3DRS_FOGVERTEXMODE, D3DRS_FOGSTART, D3DRS_FOGEND}) {
        DWORD value = 0;
        GeneralVariables.Device->GetRenderState(state, &value);
        EXPECT_NE(std::find(once.begin(), once.end(), SetState(state, value)), once.end()) << state;
    }
}

class WorldTest : public FakePlatformTest {
protected:
    void SetUp() override {
        FakePlatformTest::SetUp();
        UseFakeDevice();
        GeneralVariables.TexturesOn = true;
    }
    static std::vector<std::string> LoadedMeshes() {
        std::vector<std::string> files;
        for (const auto& line : FakeLogWith("LoadMeshFromX ")) {
            const auto start = line.find("/app");
            files.push_back(line.substr(start + 4, line.rfind(' ') - start - 4));
        }
        return files;
    }
};

TEST_F(WorldTest, DetailLevelsLoadTheirRowsInOrder) {
    struct Case {
        int Detail;
        std::size_t Count;
        const char* Last;
    };
    const Case cases[] = {{1, 35, "/data/3d/3d00018.x"},
                          {2, 35, "/data/3d/3d00018.x"},
                          {3, 38, "/data/3d/3d0004.x"},
                          {0, 0, ""},
                          {4, 0, ""},
                          {-1, 0, ""}};
    for (const auto& c : cases) {
        FakeLogClear();
        GeneralVariables.DetailLevel = c.Detail;
        LoadWorld();
        const auto files = LoadedMeshes();
        ASSERT_EQ(files.size(), c.Count) << "detail " << c.Detail;
        if (c.Count == 0) continue;
        EXPECT_EQ(files.front(), "/data/3d/3d00014.x");
        EXPECT_EQ(files.back(), c.Last);
        EXPECT_EQ(files[5], "/data/3d/3d000car.x");
        EXPECT_EQ(files[6], "/data/3d/3d000car.x");
        EXPECT_EQ(files[19], "/data/Animation/anim0001.x");
        EXPECT_EQ(files[28], "/data/Animation/anim00010.x");
        EXPECT_EQ(files[33], "/data/Animation/anim00015.x");
    }
}

TEST_F(WorldTest, SharedTextureSetsHoldTheLastLoad) {
    GeneralVariables.DetailLevel = 3;
    LoadWorld();
    auto& g = GeneralVariables;
    EXPECT_EQ(FakeName(g.TexSet04High[0].get()), "texture0004.jpg");
    EXPECT_EQ(FakeName(g.TexSetCar1[0].get()), "texture0005.jpg");
    EXPECT_EQ(FakeName(g.TexSetCar2[0].get()), "texture00012.jpg");
    EXPECT_EQ(FakeName(g.TexSet10[0].get()), "texture00010.jpg");
    EXPECT_EQ(FakeName(g.Mesh18.get()), "3d00018.x+clean+simplify+compact");
    EXPECT_EQ(FakeName(g.AnimMesh[15].get()), "anim00015.x+clean+simplify+compact");
    // TexSet04 was rebuilt by each of its three loads: two earlier textures released.
    const auto released = FakeLogWith("Release Texture texture0004.jpg");
    EXPECT_GE(released.size(), 2u);
}

class FrameTest : public FakePlatformTest {
protected:
    void SetUp() override {
        FakePlatformTest::SetUp();
        UseFakeDevice();
        auto& g = GeneralVariables;
        g.TexturesOn = true;
        g.FogOn = true;
        g.LightOn = true;
        g.DetailLevel = 1;
        LoadWorld();
        Game().InitGameState();
        // As the device set-up leaves it.
        g.Device->SetRenderState(D3DRS_LIGHTING, 0);
        FakeLogClear();
    }
    static std::vector<DWORD> EnabledLights() {
        std::vector<DWORD> enabled;
        for (DWORD i = 0; i < 32; ++i) {
            int on = 0;
            GeneralVariables.Device->GetLightEnable(i, &on);
            if (on) enabled.push_back(i);
        }
        return enabled;
    }
};

TEST_F(FrameTest, DrawOrderAndSceneCount) {
    for (const int detail : {1, 2, 3}) {
        GeneralVariables.DetailLevel = detail;
        if (detail == 3) LoadWorld();
        FakeLogClear();
        RenderFrame();
        const auto draws = FakeLogWith("DrawSubset");
        const std::size_t expected = detail == 3 ? 24 : 21;
        EXPECT_EQ(draws.size(), expected);
        EXPECT_EQ(FakeLogWith("BeginScene").size(), expected);
        EXPECT_EQ(FakeLogWith("EndScene").size(), expected);
        std::vector<std::string> order;
        for (const auto& d : draws) order.push_back(d.substr(11, d.find('+') - 11));
        std::vector<std::string> want;
        if (detail == 3) want = {"3d0002.x", "3d0003.x", "3d0004.x"};
        for (const char* name :
             {"3d0005.x",  "3d0007.x",  "3d00014.x", "3d0006.x",   "3d00015.x",  "3d0001.x",   "3d00012.x",
              "3d00013.x", "3d00016.x", "3d00017.x", "3d0008.x",   "3d00011.x",  "3d00019.x",  "3d00020.x",
              "3d00021.x", "3d00022.x", "3d00023.x", "anim0001.x", "3d000car.x", "3d000car.x", "3d00018.x"}) {
            want.push_back(name);
        }
        EXPECT_EQ(order, want) << "detail " << detail;
        EXPECT_EQ(FakeLog().front(), "Clear 0 3 88799 1 0");
        EXPECT_EQ(FakeLog().back(), "Present");
    }
}

TEST_F(FrameTest, EachSceneAppliesFogThenTextureThenDraws) {
    RenderFrame();
    const auto& log = FakeLog();
    const auto begin = std::find(log.begin(), log.end(), "BeginScene");
    ASSERT_NE(begin, log.end());
    const std::vector<std::string> scene(begin, begin + 10);
    std::vector<std::string> expected{"BeginScene"};
    for (const auto& line : FogStates(88799)) expected.push_back(line);
    expected.insert(expected.end(),
                    {"SetTexture 0 texture0004.jpg", "DrawSubset 3d0005.x+clean+simplify+compact 0", "EndScene"});
    EXPECT_EQ(scene, expected);
}

TEST_F(FrameTest, SwitchesOffSkipFogAndTexture) {
    GeneralVariables.FogOn = false;
    GeneralVariables.TexturesOn = false;
    RenderFrame();
    EXPECT_EQ(FakeLogWith("SetTexture").size(), 0u);
    EXPECT_EQ(FakeLogWith(SetState(D3DRS_FOGENABLE, 1)).size(), 0u);
}

TEST_F(FrameTest, LightsPerSwitchCombination) {
    struct Case {
        bool Light, Night;
        std::vector<DWORD> SetOrder;
        std::vector<DWORD> Enabled;
    };
    const Case cases[] = {{true, true, {1, 2, 3, 0, 20}, {0, 1, 2, 3, 20}},
                          {true, false, {1, 0, 20}, {0, 1, 20}},
                          {false, true, {}, {}},
                          {false, false, {}, {}}};
    for (const auto& c : cases) {
        SetUp();
        GeneralVariables.LightOn = c.Light;
        GeneralVariables.NightDriveOn = c.Night;
        RenderFrame();
        std::vector<DWORD> order;
        for (const auto& line : FakeLogWith("SetLight ")) order.push_back(std::stoul(line.substr(9)));
        EXPECT_EQ(order, c.SetOrder);
        EXPECT_EQ(EnabledLights(), c.Enabled);
        DWORD lighting = 0;
        GeneralVariables.Device->GetRenderState(D3DRS_LIGHTING, &lighting);
        EXPECT_EQ(lighting, c.Light ? 1u : 0u);
    }
}

TEST_F(FrameTest, LightRecordsCarryTheTableValues) {
    GeneralVariables.NightDriveOn = true;
    RenderFrame();
    const auto lights = FakeLogWith("SetLight ");
    ASSERT_EQ(lights.size(), 5u);
    EXPECT_EQ(lights[0], "SetLight 1 type=1 pos=-10,33,-500 diffuse=1,1,1,0 range=500 att0=0.9");
    EXPECT_EQ(lights[2], "SetLight 3 type=1 pos=-10,33,300 diffuse=1,1,1,0 range=500 att0=0.9");
    // The cars have moved one step before their lights are placed.
    EXPECT_EQ(lights[3], "SetLight 0 type=1 pos=-45,5,-538 diffuse=1,1,1,0 range=150 att0=1");
    EXPECT_EQ(lights[4], "SetLight 20 type=1 pos=-85,5,-839 diffuse=1,1,1,0 range=150 att0=1");
    EXPECT_EQ(GeneralVariables.SceneMaterial.Power, 20.0f);
    EXPECT_EQ(FakeLogWith("SetMaterial").back(), "SetMaterial D=1,1,1,1 A=1,1,1,1 S=1,1,1,1 E=0.05,0.05,0.05,1 P=20");

    SetUp();
    RenderFrame();
    EXPECT_EQ(FakeLogWith("SetLight ")[0], "SetLight 1 type=1 pos=0,700,-500 diffuse=1,1,1,0 range=20000 att0=1");
}

TEST_F(FrameTest, WireframeFromTheSecondFrame) {
    GeneralVariables.FillWireframesOn = true;
    RenderFrame();
    const auto& log = FakeLog();
    const auto wire = std::find(log.begin(), log.end(), SetState(D3DRS_FILLMODE, D3DFILL_WIREFRAME));
    ASSERT_NE(wire, log.end());
    EXPECT_EQ(FakeLogWith("DrawSubset").size(),
              static_cast<std::size_t>(
                  std::count_if(log.begin(), wire, [](const std::string& l) { return l.rfind("DrawSubset", 0) == 0; })))
        << "every draw of the first frame comes before the switch to wireframe";
    EXPECT_EQ(*(log.end() - 1), "Present");
    EXPECT_EQ(*(log.end() - 2), SetState(D3DRS_FILLMODE, D3DFILL_WIREFRAME));
}

TEST_F(FrameTest, AnimationFrameMapping) {
    struct Case {
        int AnimFrame;
        int Mesh;
    };
    const Case cases[] = {{1, 1}, {15, 15}, {16, 15}, {17, 15}, {18, 14}, {30, 2}, {0, 0}, {31, 0}, {-3, 0}};
    for (const auto& c : cases) {
        EXPECT_EQ(AnimationMeshFor(c.AnimFrame), c.Mesh) << c.AnimFrame;
        GeneralVariables.AnimFrame = c.AnimFrame;
        FakeLogClear();
        RenderFrame();
        const auto draws = FakeLogWith("DrawSubset anim");
        if (c.Mesh == 0) {
            EXPECT_TRUE(draws.empty());
            EXPECT_EQ(FakeLogWith("DrawSubset").size(), 20u);
        } else {
            ASSERT_EQ(draws.size(), 1u);
            EXPECT_EQ(draws[0].substr(11, draws[0].find('+') - 11), "anim000" + std::to_string(c.Mesh) + ".x");
        }
    }
}

TEST_F(FrameTest, CameraTransformsComeAfterTheLightsAndBeforePresent) {
    RenderFrame();
    const auto calls =
        Calls({"SetLight ", "SetTransform 256", "SetTransform 2 ", "DoEvents", "SetTransform 3 ", "Present"});
    ASSERT_GE(calls.size(), 6u);
    EXPECT_EQ(calls[calls.size() - 1], "Present");
    EXPECT_EQ(calls[calls.size() - 2].rfind("SetTransform 3 ", 0), 0u);
    EXPECT_EQ(calls[calls.size() - 3], "DoEvents");
    EXPECT_EQ(calls[calls.size() - 4].rfind("SetTransform 2 ", 0), 0u);
    EXPECT_EQ(calls[calls.size() - 5], "SetTransform 256 0 0 0");
}

}  // namespace

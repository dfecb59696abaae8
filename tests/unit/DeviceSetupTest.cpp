// Keyboard and device set-up against the recording platform.
#include "tests/unit/Fixture.h"

#include "scene/BuildAndRender.h"

namespace {

class DeviceSetupTest : public FakePlatformTest {
protected:
    void SetUp() override {
        FakePlatformTest::SetUp();
        GeneralVariables.WindowHandle = FormHandle(Game().form);
        GeneralVariables.ScreenWidth = 1024;
        GeneralVariables.ScreenHeight = 768;
    }
};

TEST_F(DeviceSetupTest, DepthFormatFollowsTheCheckResult) {
    struct Case {
        bool Use32;
        HRESULT Check;
        const char* Tested;
        const char* Depth;
        bool Message;
    };
    const Case cases[] = {
        {false, D3DERR_NOTAVAILABLE, "80 80", "depth=80", false},
        {false, D3D_OK, "80 80", "depth=0", false},
        {true, D3DERR_NOTAVAILABLE, "71 71", "depth=71", false},
        {true, D3D_OK, "71 71", "depth=80", true},
    };
    for (const auto& c : cases) {
        Reset();
        GeneralVariables.WindowHandle = FormHandle(Game().form);
        GeneralVariables.ScreenWidth = 800;
        GeneralVariables.ScreenHeight = 600;
        GeneralVariables.Use32Bit = c.Use32;
        Fake().CheckDeviceTypeResult = c.Check;
        EXPECT_TRUE(SetupDevice());
        const auto check = FakeLogWith("CheckDeviceType");
        ASSERT_EQ(check.size(), 1u);
        EXPECT_EQ(check[0], std::string("CheckDeviceType 0 1 ") + c.Tested + " 0");
        const auto create = FakeLogWith("CreateDevice");
        ASSERT_EQ(create.size(), 1u);
        EXPECT_NE(create[0].find(c.Depth), std::string::npos) << create[0];
        EXPECT_NE(create[0].find("size=800x600 format=22 count=1 swap=2 windowed=0 autodepth=1"), std::string::npos);
        EXPECT_EQ(FakeLogWith("MsgBox your Graphics Card Doesn't Support 32Bit").size(), c.Message ? 1u : 0u);
    }
}

TEST_F(DeviceSetupTest, StartRenderStatesInOrder) {
    ASSERT_TRUE(SetupDevice());
    EXPECT_EQ(FakeLogWith("SetRenderState"),
              (std::vector<std::string>{SetState(D3DRS_CULLMODE, D3DCULL_NONE), SetState(D3DRS_ZENABLE, D3DZB_TRUE),
                                        SetState(D3DRS_SPECULARENABLE, 1), SetState(D3DRS_LIGHTING, 0)}));
    EXPECT_EQ(FakeLogWith("SetTransform").size(), 0u);
    EXPECT_EQ(FakeLogWith("SetLight").size(), 0u);
}

TEST_F(DeviceSetupTest, ZeroSizeReachesCreationWhichFails) {
    GeneralVariables.ScreenWidth.reset();
    GeneralVariables.ScreenHeight = 0;
    EXPECT_FALSE(SetupDevice());
    EXPECT_NE(FakeLogWith("CreateDevice")[0].find("size=0x0"), std::string::npos);
    EXPECT_EQ(FakeLogWith("SetRenderState").size(), 0u);
    EXPECT_FALSE(GeneralVariables.Device);
}

TEST_F(DeviceSetupTest, FailedDisplayModeGivesFormatZeroAndGoesOn) {
    Fake().DisplayModeFails = true;
    EXPECT_TRUE(SetupDevice());
    EXPECT_NE(FakeLogWith("CreateDevice")[0].find("format=0 "), std::string::npos);
}

TEST_F(DeviceSetupTest, BackBufferTakesTheDesktopFormatForEitherDepth) {
    for (const bool use32 : {false, true}) {
        Reset();
        GeneralVariables.WindowHandle = FormHandle(Game().form);
        GeneralVariables.ScreenWidth = 640;
        GeneralVariables.ScreenHeight = 480;
        GeneralVariables.Use32Bit = use32;
        Fake().DisplayFormat = D3DFMT_R5G6B5;
        EXPECT_TRUE(SetupDevice());
        EXPECT_NE(FakeLogWith("CreateDevice")[0].find("format=23 "), std::string::npos);
    }
}

TEST_F(DeviceSetupTest, MissingDirect3DReturnsFalseBeforeAnythingElse) {
    Fake().Direct3DFails = true;
    EXPECT_FALSE(SetupDevice());
    EXPECT_EQ(FakeLogWith("GetAdapterDisplayMode").size(), 0u);
}

TEST_F(DeviceSetupTest, KeyboardIsOpenedBackgroundNonExclusive) {
    SetupKeyboard();
    EXPECT_EQ(
        Calls({"DirectInputCreate", "CreateInputDevice", "SetCommonDataFormat", "SetCooperativeLevel", "Acquire"}),
        (std::vector<std::string>{"DirectInputCreate", "CreateInputDevice GUID_SysKeyboard", "SetCommonDataFormat 1",
                                  "SetCooperativeLevel window 10", "Acquire"}));
    EXPECT_TRUE(GeneralVariables.Keyboard);
}

TEST_F(DeviceSetupTest, NoDirectInputIsFatal) {
    Fake().DirectInputFails = true;
    EXPECT_EXIT(SetupKeyboard(), testing::ExitedWithCode(1),
                "MsgBox: Error starting Direct Input, please make sure you have DirectX installed");
}

TEST_F(DeviceSetupTest, AFailedKeyboardStepIsFatal) {
    Fake().KeyboardCreateFails = true;
    EXPECT_EXIT(SetupKeyboard(), testing::ExitedWithCode(1), "DirectInput.CreateDevice failed");
}

}  // namespace

// Camera update, collision, cars, and the game window's keys and mouse.
#include <cmath>

#include "tests/unit/Fixture.h"

#include "motion/CDetection.h"
#include "motion/Matrix.h"

namespace {

class MotionTest : public FakePlatformTest {
protected:
    void SetUp() override {
        FakePlatformTest::SetUp();
        UseFakeDevice();
        Game().InitGameState();
    }
    static void Hold(std::initializer_list<int> keys) {
        FakeKeys().fill(0);
        for (const int k : keys) FakeKeys()[static_cast<std::size_t>(k)] = 0x80;
    }
};

TEST_F(MotionTest, BothArrowsTurnThroughTheWrap) {
    auto& g = GeneralVariables;
    g.Yaw = 0.02f;
    Hold({DIK_LEFT, DIK_RIGHT});
    UpdateCamera();
    // 0.02 - 0.04 -> -0.02 -> +2pi -> +0.04 -> > 2pi -> -2pi: back near 0.02.
    EXPECT_NEAR(g.Yaw, 0.02f, 1e-6f);
    EXPECT_EQ(g.MoveAngle, kTwoPi - g.Yaw);
}

TEST_F(MotionTest, WrapEdgesAreExclusive) {
    auto& g = GeneralVariables;
    g.Yaw = 0.04f;
    Hold({DIK_RIGHT});
    UpdateCamera();
    // 0.04f is a little below 0.04, so the step lands just below 0 and wraps.
    EXPECT_GE(g.Yaw, 0.0f);
    EXPECT_LE(g.Yaw, kTwoPi);

    g.Yaw = static_cast<float>(kTwoPi - 0.04);
    Hold({DIK_LEFT});
    UpdateCamera();
    EXPECT_LE(g.Yaw, kTwoPi);
    EXPECT_GT(g.Yaw, 6.0f);
}

TEST_F(MotionTest, UpAndDownTogether) {
    auto& g = GeneralVariables;
    g.Yaw = 0;
    Hold({DIK_UP, DIK_DOWN});
    UpdateCamera();
    // Yaw 0 faces +z: forward 0.5, then back 1.0.
    EXPECT_DOUBLE_EQ(g.PosZ, 120 + 0.5 - 1.0);
    EXPECT_NEAR(g.PosX, -160, 1e-6);
    EXPECT_EQ(g.Speed, 1.0);
    UpdateCamera();
    EXPECT_DOUBLE_EQ(g.PosZ, 119.5 + 1.0 - 1.0) << "forward steps are 1.0 long once reverse was used";
}

TEST_F(MotionTest, ForwardFollowsTheHeading) {
    auto& g = GeneralVariables;
    Hold({DIK_UP});
    UpdateCamera();
    const double angle = static_cast<double>(kTwoPi - 3.5f);
    EXPECT_DOUBLE_EQ(g.PosX, -160 + std::sin(angle) * 0.5);
    EXPECT_DOUBLE_EQ(g.PosZ, 120 + std::cos(angle) * 0.5);
    EXPECT_NEAR(g.PosX, -160 + 0.5 * -std::sin(3.5), 1e-6);
}

TEST_F(MotionTest, PageUpForFortyFramesTurnsOver) {
    auto& g = GeneralVariables;
    Hold({DIK_PRIOR});
    for (int i = 0; i < 40; ++i) UpdateCamera();
    EXPECT_NEAR(g.Pitch, 1.6f, 1e-5f);
    Hold({DIK_NEXT});
    UpdateCamera();
    EXPECT_NEAR(g.Pitch, 1.56f, 1e-5f);
}

TEST_F(MotionTest, TransformsEveryFrameEvenWithNoKey) {
    Hold({});
    UpdateCamera();
    EXPECT_EQ(Calls({"SetTransform", "DoEvents"}),
              (std::vector<std::string>{"SetTransform 256 0 0 0", "SetTransform 2 " + [] {
                                            const auto& v = GeneralVariables.MatView;
                                            char text[96];
                                            std::snprintf(text, sizeof text, "%g %g %g", v.m[3][0], v.m[3][1],
                                                          v.m[3][2]);
                                            return std::string(text);
                                        }(),
                                        "DoEvents", "SetTransform 3 0 0 -1.00125"}));
}

// The vertical field of view stays 60 degrees; only a filled screen widens the
// horizontal one, by its shape over 4:3 (a 4:3 screen keeps the very same matrix).
TEST_F(MotionTest, ProjectionFollowsAFilledScreensShape) {
    struct Case {
        bool fill;
        int width, height;
        double aspect;
    };
    const Case cases[] = {{false, 640, 480, 1.0},        {false, 1920, 1080, 1.0},      {true, 1024, 768, 1.0},
                          {true, 1920, 1080, 4.0 / 3.0}, {true, 2560, 1080, 1.7777778}, {true, 720, 1280, 0.421875}};
    D3DMATRIX classic{};
    D3DXMatrixPerspectiveFovLH(&classic, 1.0471976f, 1.0f, 1.0f, 800.0f);
    for (const auto& c : cases) {
        GeneralVariables.FillScreen = c.fill;
        GeneralVariables.ScreenWidth = static_cast<std::int16_t>(c.width);
        GeneralVariables.ScreenHeight = static_cast<std::int16_t>(c.height);
        Hold({});
        UpdateCamera();
        const D3DMATRIX& p = GeneralVariables.MatProj;
        EXPECT_EQ(p.m[1][1], classic.m[1][1]) << c.width << "x" << c.height;
        EXPECT_NEAR(p.m[0][0], classic.m[0][0] / c.aspect, 1e-6) << c.width << "x" << c.height;
        if (c.aspect == 1.0) {
            EXPECT_EQ(p.m[0][0], classic.m[0][0]) << c.width << "x" << c.height;
        }
    }
}

TEST_F(MotionTest, ViewLooksAlongTheHeading) {
    auto& g = GeneralVariables;
    g.Yaw = 0.3f;
    g.PosX = 10;
    g.PosY = 5;
    g.PosZ = -20;
    Hold({});
    UpdateCamera();
    // A point one unit ahead of the eye along the heading lands on the view's +z axis.
    const double fx = 10 - std::sin(0.3), fz = -20 + std::cos(0.3);
    const auto& m = g.MatView.m;
    const double x = fx * m[0][0] + 5 * m[1][0] + fz * m[2][0] + m[3][0];
    const double y = fx * m[0][1] + 5 * m[1][1] + fz * m[2][1] + m[3][1];
    const double z = fx * m[0][2] + 5 * m[1][2] + fz * m[2][2] + m[3][2];
    EXPECT_NEAR(x, 0, 1e-5);
    EXPECT_NEAR(y, 0, 1e-5);
    EXPECT_NEAR(z, 1, 1e-5);
}

TEST_F(MotionTest, CollisionBoxes) {
    struct Case {
        double x, z;
        bool canMove;
    };
    const Case cases[] = {
        {-160, 120, true},  {-150, 133, false},  {-150, 134, false},    {-150, 134.001, true}, {-162, 100, false},
        {-161, 100, false}, {-160.5, 100, true}, {-147, 100, false},    {-146, 100, false},    {-145.5, 100, true},
        {-145, 85, false},  {-170, 85, true},    {-150, 86.0001, true}, {-155, 85.5, false},
    };
    auto& g = GeneralVariables;
    for (const auto& c : cases) {
        g.PosX = c.x;
        g.PosZ = c.z;
        g.CanMove = !c.canMove;
        CheckCollision();
        EXPECT_EQ(g.CanMove, c.canMove) << c.x << "," << c.z;
    }
}

TEST_F(MotionTest, CarModeStopsAtAWallAndReversesOut) {
    auto& g = GeneralVariables;
    g.CollisionOn = true;
    g.Yaw = 0;  // facing +z, towards the wall at z 133
    g.PosZ = 132.2;
    Hold({DIK_UP});
    UpdateCamera();
    EXPECT_DOUBLE_EQ(g.PosZ, 132.7);
    UpdateCamera();
    EXPECT_DOUBLE_EQ(g.PosZ, 133.2) << "the step from outside ends inside the wall";
    UpdateCamera();
    EXPECT_DOUBLE_EQ(g.PosZ, 133.2);
    EXPECT_FALSE(g.CanMove);
    Hold({DIK_LEFT});
    UpdateCamera();
    Hold({DIK_UP});
    UpdateCamera();
    EXPECT_DOUBLE_EQ(g.PosZ, 133.2) << "turning does not free the car";
    g.Yaw = 0;
    Hold({DIK_DOWN});
    UpdateCamera();
    EXPECT_DOUBLE_EQ(g.PosZ, 132.2);
    EXPECT_FALSE(g.CanMove) << "stays false until the next forward attempt";
    Hold({DIK_UP});
    UpdateCamera();
    EXPECT_TRUE(g.CanMove);
}

TEST_F(MotionTest, WithoutCollisionCanMoveIsLeftAlone) {
    auto& g = GeneralVariables;
    g.PosX = -150;
    g.PosZ = 133.5;
    Hold({DIK_UP});
    UpdateCamera();
    EXPECT_TRUE(g.CanMove);
    EXPECT_NE(g.PosZ, 133.5);
}

TEST_F(MotionTest, CarsAdvanceAndWrap) {
    auto& g = GeneralVariables;
    std::vector<int> car1, car2;
    for (int frame = 1; frame <= 1802; ++frame) {
        PlaceCar1();
        PlaceCar2();
        car1.push_back(g.Car1Z);
        car2.push_back(g.Car2Z);
    }
    EXPECT_EQ(car1[0], -598);
    EXPECT_EQ(car2[0], -899);
    EXPECT_EQ(car1[650], 702);
    EXPECT_EQ(car1[651], -698);
    EXPECT_EQ(car1[651 + 701], -698);
    EXPECT_EQ(car2[1800], 901);
    EXPECT_EQ(car2[1801], -899);
    FakeLogClear();
    PlaceCar1();
    PlaceObject(80, 0, -250);
    EXPECT_EQ(FakeLog(), (std::vector<std::string>{"SetTransform 256 -45 0 " + std::to_string(g.Car1Z),
                                                   "SetTransform 256 80 0 -250"}));
    EXPECT_EQ(g.MatPlaced.m[0][0], 1.0f);
    EXPECT_EQ(g.MatPlaced.m[3][3], 1.0f);
}

TEST_F(MotionTest, KeyPresetsCycle) {
    auto& g = GeneralVariables;
    GameWindow& game = Game();
    game.Form_KeyDown(VK_C, 0);
    EXPECT_EQ(g.PosY, 35) << "C does nothing at other heights";
    for (int i = 0; i < 95; ++i) game.Form_KeyDown(VK_Z, 0);
    EXPECT_EQ(g.PosY, 130);
    g.Pitch = 0.7f;
    game.Form_KeyDown(VK_C, 0);
    EXPECT_EQ(g.PosY, 3.5);
    EXPECT_EQ(g.Pitch, 0.0f);
    game.Form_KeyDown(VK_C, 0);
    EXPECT_EQ(g.PosY, 5.5);
    game.Form_KeyDown(VK_C, 0);
    EXPECT_EQ(g.PosY, 130);
    EXPECT_EQ(g.Pitch, 200.0f);
    game.Form_KeyDown(VK_C, 0);
    EXPECT_EQ(g.PosY, 3.5);
    game.Form_KeyDown(VK_Z, 0);
    game.Form_KeyDown(VK_Z, 0);
    game.Form_KeyDown(VK_C, 0);
    EXPECT_EQ(g.PosY, 130);
    for (int i = 0; i < 140; ++i) game.Form_KeyDown(VK_X, 0);
    EXPECT_EQ(g.PosY, -10) << "no lower limit";
    FakeLogClear();
    game.Form_KeyDown(VK_Q, 0);
    game.Form_KeyDown('A', 0);
    EXPECT_EQ(FakeLog(), (std::vector<std::string>{SetState(D3DRS_FILLMODE, D3DFILL_WIREFRAME)}));
}

TEST_F(MotionTest, MouseLook) {
    auto& g = GeneralVariables;
    GameWindow& game = Game();
    struct Case {
        float x, y;
        float dYaw, dPitch;
        int lastX, lastY;
        std::size_t recentres;
    };
    // Starts compared with (0, 0).
    const Case cases[] = {
        {500, 350, -0.04f, -0.04f, 500, 350, 0},  // first event: right and down
        {500, 350, 0, 0, 500, 350, 0},
        {400, 350, 0.04f, 0, 400, 350, 0},
        {400, 300, 0, 0.04f, 400, 300, 0},
        {900, 700, -0.04f, -0.04f, 900, 700, 0},  // on the limits: not re-centred
        {901, 701, -0.04f, -0.04f, 901, 701, 2},
        {99.5f, 99.5f, 0.04f, 0.04f, 100, 100, 2},  // halves to even; 99.5 is beyond the limit
        {500, 350, -0.04f, -0.04f, 500, 350, 0},
        {50, 350, 0.04f, 0, 50, 350, 1},
    };
    for (const auto& c : cases) {
        const float yaw = g.Yaw, pitch = g.Pitch;
        FakeLogClear();
        game.Form_MouseMove(0, 0, c.x, c.y);
        EXPECT_NEAR(g.Yaw - yaw, c.dYaw, 1e-5f) << c.x << "," << c.y;
        EXPECT_NEAR(g.Pitch - pitch, c.dPitch, 1e-5f) << c.x << "," << c.y;
        EXPECT_EQ(g.LastMouseX, c.lastX);
        EXPECT_EQ(g.LastMouseY, c.lastY);
        EXPECT_EQ(FakeLogWith("SetCursorPos 500 350").size(), c.recentres) << c.x << "," << c.y;
    }
}

TEST_F(MotionTest, MouseTurnWrapsLikeTheKeys) {
    auto& g = GeneralVariables;
    g.Yaw = 0.01f;
    g.LastMouseX = 200;
    g.LastMouseY = 200;
    Game().Form_MouseMove(0, 0, 300, 200);
    EXPECT_NEAR(g.Yaw, kTwoPi - 0.03f, 1e-5f);
}

}  // namespace

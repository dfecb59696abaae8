// The GL device: creation, defaults, clears, depth, fill mode, subsets, back buffer.
#include <cmath>

#include "platform/sdl_gl/InputKeyboard.h"
#include "tests/gl/GlTestSupport.h"

using namespace gltest;

namespace {

// Device-type answers need no GL context.
TEST(Direct3D8Check, AnswersAsDirect3D8) {
    auto d3d = CreateDirectX8()->Direct3DCreate();
    ASSERT_TRUE(d3d);
    struct Case {
        DWORD adapter, type, display, back;
        int windowed;
        HRESULT want;
    } cases[] = {
        {0, D3DDEVTYPE_HAL, D3DFMT_D32, D3DFMT_D32, 0, D3DERR_NOTAVAILABLE},
        {0, D3DDEVTYPE_HAL, D3DFMT_D16, D3DFMT_D16, 0, D3DERR_NOTAVAILABLE},
        {0, D3DDEVTYPE_HAL, D3DFMT_D24S8, D3DFMT_D24S8, 0, D3DERR_NOTAVAILABLE},
        {0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, D3DFMT_X8R8G8B8, 0, D3D_OK},
        {0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, D3DFMT_A8R8G8B8, 0, D3D_OK},
        {0, D3DDEVTYPE_HAL, D3DFMT_R5G6B5, D3DFMT_R5G6B5, 0, D3D_OK},
        {0, D3DDEVTYPE_HAL, D3DFMT_R5G6B5, D3DFMT_X8R8G8B8, 0, D3DERR_NOTAVAILABLE},
        {0, D3DDEVTYPE_HAL, D3DFMT_A8R8G8B8, D3DFMT_A8R8G8B8, 0, D3DERR_NOTAVAILABLE},
        {0, D3DDEVTYPE_HAL, D3DFMT_UNKNOWN, D3DFMT_UNKNOWN, 0, D3DERR_NOTAVAILABLE},
        {1, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, D3DFMT_X8R8G8B8, 0, D3DERR_INVALIDCALL},
        {0, 9, D3DFMT_X8R8G8B8, D3DFMT_X8R8G8B8, 0, D3DERR_INVALIDDEVICE},
    };
    for (const Case& c : cases)
        EXPECT_EQ(d3d->CheckDeviceType(c.adapter, c.type, c.display, c.back, c.windowed), c.want)
            << "display " << c.display << " back " << c.back << " adapter " << c.adapter << " type " << c.type;
}

TEST(Direct3D8Create, RefusesBadParameters) {
    auto d3d = CreateDirectX8()->Direct3DCreate();
    D3DPRESENT_PARAMETERS params;
    params.BackBufferWidth = 640;
    params.BackBufferHeight = 480;
    params.EnableAutoDepthStencil = 1;
    std::unique_ptr<Direct3DDevice8> device;
    EXPECT_NE(d3d->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, 0x20, params, device), D3D_OK);
    EXPECT_FALSE(device);
}

using DeviceDefaults = GlDeviceTest;

TEST_F(DeviceDefaults, MatchDirect3D8AfterCreation) {
    const struct {
        DWORD state, value;
    } defaults[] = {
        {D3DRS_ZENABLE, D3DZB_TRUE},       {D3DRS_FILLMODE, D3DFILL_SOLID}, {D3DRS_ZWRITEENABLE, 1},
        {D3DRS_CULLMODE, D3DCULL_CCW},     {D3DRS_ZFUNC, 4},                {D3DRS_FOGENABLE, 0},
        {D3DRS_SPECULARENABLE, 0},         {D3DRS_FOGCOLOR, 0},             {D3DRS_FOGTABLEMODE, D3DFOG_NONE},
        {D3DRS_FOGSTART, 0},               {D3DRS_FOGEND, 0x3F800000},      {D3DRS_RANGEFOGENABLE, 0},
        {D3DRS_LIGHTING, 1},               {D3DRS_AMBIENT, 0},              {D3DRS_FOGVERTEXMODE, D3DFOG_NONE},
        {D3DRS_COLORVERTEX, 1},            {D3DRS_LOCALVIEWER, 1},          {D3DRS_NORMALIZENORMALS, 0},
        {27 /* ALPHABLENDENABLE */, 0},    {15 /* ALPHATESTENABLE */, 0},   {52 /* STENCILENABLE */, 0},
        {145 /* DIFFUSEMATERIALSOURCE */, 1}, {146 /* SPECULARMATERIALSOURCE */, 2},
        {60 /* TEXTUREFACTOR */, 0xFFFFFFFF},
    };
    for (const auto& d : defaults) {
        DWORD value = 0xDEADBEEF;
        EXPECT_EQ(device_->GetRenderState(d.state, &value), D3D_OK);
        EXPECT_EQ(value, d.value) << "render state " << d.state;
    }
    int enabled = 7;
    EXPECT_NE(device_->GetLightEnable(0, &enabled), D3D_OK) << "no light is set at creation";
}

TEST_F(DeviceDefaults, StatesAndLightsAreKept) {
    EXPECT_EQ(device_->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE), D3D_OK);
    EXPECT_EQ(device_->SetRenderState(999, 42), D3D_OK);
    DWORD value = 0;
    device_->GetRenderState(D3DRS_CULLMODE, &value);
    EXPECT_EQ(value, D3DCULL_NONE);
    device_->GetRenderState(999, &value);
    EXPECT_EQ(value, 42u);

    D3DLIGHT8 light;
    light.Type = D3DLIGHT_POINT;
    light.Attenuation0 = 1;
    light.Range = 10;
    for (DWORD index : {0u, 1u, 2u, 3u, 20u}) {
        EXPECT_EQ(device_->SetLight(index, light), D3D_OK);
        EXPECT_EQ(device_->LightEnable(index, 1), D3D_OK);
    }
    EXPECT_EQ(device_->SetLight(20, light), D3D_OK);  // replacing keeps it enabled
    int enabled = 0;
    EXPECT_EQ(device_->GetLightEnable(20, &enabled), D3D_OK);
    EXPECT_NE(enabled, 0);
    EXPECT_EQ(device_->LightEnable(3, 0), D3D_OK);
    device_->GetLightEnable(3, &enabled);
    EXPECT_EQ(enabled, 0);
}

TEST_F(DeviceDefaults, SceneBracketsNestAsDirect3D8) {
    EXPECT_NE(device_->EndScene(), D3D_OK);
    EXPECT_EQ(device_->BeginScene(), D3D_OK);
    EXPECT_NE(device_->BeginScene(), D3D_OK);
    EXPECT_EQ(device_->EndScene(), D3D_OK);
    EXPECT_NE(device_->EndScene(), D3D_OK);
}

// Clears are exact, whether the frame goes straight to the window or through the FBO.
class ClearTest : public GlDeviceTest, public ::testing::WithParamInterface<bool> {
protected:
    void SetUp() override {
        // Window and back buffer of equal size draw straight to the window, unless forced off-screen.
        GlDeviceTest::SetUp();
        if (device_) ForceOffscreenBackBuffer(*device_, GetParam());
    }
};

TEST_P(ClearTest, ColoursAreExact) {
    EXPECT_EQ(DrawsToWindow(*device_), !GetParam());
    for (D3DCOLOR colour : {0x00015ADFu, 0x0000000Au, 0x00000001u}) {
        ClearTo(colour);
        Read();
        const Rgb want{static_cast<int>((colour >> 16) & 0xFF), static_cast<int>((colour >> 8) & 0xFF),
                       static_cast<int>(colour & 0xFF)};
        ExpectNear(At(0, 0), want, 0, "corner");
        ExpectNear(At(Width - 1, Height - 1), want, 0, "opposite corner");
    }
}

INSTANTIATE_TEST_SUITE_P(BothTargets, ClearTest, ::testing::Values(false, true));

TEST_F(GlDeviceTest, ScaledPresentKeepsTheBackBuffer) {
    device_.reset();
    SDL_DestroyWindow(window_);
    window_ = nullptr;
    Open(200, 100, 64, 48, D3DFMT_D32);
    if (!device_) return;
    EXPECT_FALSE(DrawsToWindow(*device_));
    ClearTo(0x00112233);
    int hooked = 0;
    SetPresentHook(*device_, [&] { ++hooked; });
    EXPECT_EQ(device_->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    EXPECT_EQ(hooked, 1);
    Read();
    EXPECT_EQ(readW_, 64);
    EXPECT_EQ(readH_, 48);
    ExpectNear(At(10, 10), {0x11, 0x22, 0x33}, 0, "back buffer after present");
}

// A full-screen device whose back buffer differs from the window's first size
// draws the whole picture straight into the window, at both depths, and keeps
// drawing there after a present; the window handle stays the one it was given.
TEST_F(GlDeviceTest, FullScreenDeviceDrawsStraightAtItsOwnSize) {
    const struct {
        int width, height;
        DWORD depth;
    } cases[] = {{96, 72, D3DFMT_D16}, {96, 72, D3DFMT_D32}, {40, 30, D3DFMT_D16}, {40, 30, D3DFMT_D32}};
    for (const auto& c : cases) {
        const std::string what = std::to_string(c.width) + "x" + std::to_string(c.height) + " depth " +
                                 std::to_string(c.depth);
        device_.reset();
        D3DPRESENT_PARAMETERS params;
        params.BackBufferWidth = static_cast<DWORD>(c.width);
        params.BackBufferHeight = static_cast<DWORD>(c.height);
        params.BackBufferFormat = D3DFMT_X8R8G8B8;
        params.hDeviceWindow = window_;
        params.EnableAutoDepthStencil = 1;
        params.AutoDepthStencilFormat = c.depth;
        ASSERT_EQ(d3d_->CreateDevice(0, D3DDEVTYPE_HAL, window_, 0x20, params, device_), D3D_OK) << what;
        if (c.depth == D3DFMT_D16) {
            EXPECT_TRUE(DrawsToWindow(*device_)) << what;
        }
        for (const D3DCOLOR colour : {0x00015ADFu, 0x0000000Au}) {
            ClearTo(colour);
            Read();
            ASSERT_EQ(readW_, c.width) << what;
            ASSERT_EQ(readH_, c.height) << what;
            const Rgb want{static_cast<int>((colour >> 16) & 0xFF), static_cast<int>((colour >> 8) & 0xFF),
                           static_cast<int>(colour & 0xFF)};
            for (const auto& [x, y] : {std::pair{0, 0}, {c.width - 1, 0}, {0, c.height - 1}, {c.width - 1, c.height - 1}})
                ExpectNear(At(x, y), want, 0, what + " corner " + std::to_string(x) + "," + std::to_string(y));
            EXPECT_EQ(device_->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK) << what;
        }
        EXPECT_EQ(SDL_GL_GetCurrentWindow(), window_) << what;
    }
}

TEST_F(GlDeviceTest, FullScreenDeviceOnTheDesktopFormat) {
    D3DDISPLAYMODE mode;
    ASSERT_EQ(d3d_->GetAdapterDisplayMode(D3DADAPTER_DEFAULT, mode), D3D_OK);
    EXPECT_GT(mode.Width, 0u);
    EXPECT_TRUE(mode.Format == D3DFMT_X8R8G8B8 || mode.Format == D3DFMT_R5G6B5 || mode.Format == D3DFMT_X1R5G5B5);
    EXPECT_EQ(d3d_->CheckDeviceType(0, D3DDEVTYPE_HAL, mode.Format, mode.Format, 0), D3D_OK);

    device_.reset();
    D3DPRESENT_PARAMETERS params;
    params.BackBufferWidth = 80;
    params.BackBufferHeight = 60;
    params.BackBufferFormat = mode.Format;
    params.hDeviceWindow = window_;
    params.EnableAutoDepthStencil = 1;
    params.AutoDepthStencilFormat = 0;  // no depth format chosen: 24 bits
    ASSERT_EQ(d3d_->CreateDevice(0, D3DDEVTYPE_HAL, window_, 0x20, params, device_), D3D_OK);
    ClearTo(0x00015ADF);
    EXPECT_EQ(device_->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    ClearTo(0x0000000A);
    Read();
    EXPECT_EQ(readW_, 80);
    ExpectNear(At(79, 59), {0, 0, 10}, 0, "cleared after a present");

    std::unique_ptr<Direct3DDevice8> none;
    params.BackBufferWidth = 0;
    EXPECT_NE(d3d_->CreateDevice(0, D3DDEVTYPE_HAL, window_, 0x20, params, none), D3D_OK);
    EXPECT_FALSE(none);
}

TEST_F(GlDeviceTest, DepthKeepsTheNearerSurfaceAndClipsAtTheNearPlane) {
    UseCamera();
    device_->SetRenderState(D3DRS_LIGHTING, 0);
    device_->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    MeshData nearSquare = Square(0, 0, 5, 5, -1, false);
    nearSquare.Colors.assign(16, 1.0f);
    for (int v = 0; v < 4; ++v) nearSquare.Colors[v * 4 + 1] = nearSquare.Colors[v * 4 + 2] = 0.0f;  // red
    MeshData farSquare = Square(0, 0, 10, 10, -1, false);
    farSquare.Colors.assign(16, 1.0f);
    for (int v = 0; v < 4; ++v) farSquare.Colors[v * 4] = farSquare.Colors[v * 4 + 1] = 0.0f;  // blue
    D3DXMesh& nearMesh = AddMesh(nearSquare);
    D3DXMesh& farMesh = AddMesh(farSquare);

    ClearTo(0);
    DrawInScene(nearMesh);
    DrawInScene(farMesh);  // drawn last, but behind
    Read();
    ExpectNear(Centre(), {255, 0, 0}, 0, "near square wins");

    // A square nearer than the near plane (z = 1) is clipped away.
    D3DXMesh& tooNear = AddMesh(Square(0, 0, 0.9f, 0.2f, -1, false));
    ClearTo(0);
    DrawInScene(tooNear);
    Read();
    ExpectNear(Centre(), {0, 0, 0}, 0, "inside the near plane");
}

TEST_F(GlDeviceTest, WireframeDrawsOnlyEdges) {
    UseCamera();
    device_->SetRenderState(D3DRS_LIGHTING, 0);
    device_->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    D3DXMesh& square = AddMesh(Square(0, 0, 10, 3, -1, false));
    const auto lit = [this] {
        int n = 0;
        for (int y = 0; y < readH_; ++y)
            for (int x = 0; x < readW_; ++x) n += At(x, y).r > 128 ? 1 : 0;
        return n;
    };
    ClearTo(0);
    DrawInScene(square);
    Read();
    const int solid = lit();
    ExpectNear(At(Width / 2 + 5, Height / 2 + 9), {255, 255, 255}, 0, "solid interior");

    device_->SetRenderState(D3DRS_FILLMODE, D3DFILL_WIREFRAME);
    ClearTo(0);
    DrawInScene(square);
    Read();
    const int wire = lit();
    ExpectNear(At(Width / 2 + 5, Height / 2 + 9), {0, 0, 0}, 0, "wireframe interior");
    EXPECT_GT(wire, 40);
    EXPECT_LT(wire * 3, solid);
}

TEST_F(GlDeviceTest, DrawSubsetDrawsOnlyThatAttribute) {
    UseCamera();
    device_->SetRenderState(D3DRS_LIGHTING, 0);
    MeshData two = Square(-3, 0, 10, 2, -1, false);
    MeshData right = Square(3, 0, 10, 2, -1, false);
    for (float p : right.Positions) two.Positions.push_back(p);
    for (float t : right.TexCoords) two.TexCoords.push_back(t);
    for (std::uint32_t i : right.Indices) two.Indices.push_back(i + 4);
    two.Attributes = {1, 1, 0, 0};  // left square is subset 1, right square subset 0
    D3DXMesh& mesh = AddMesh(two);
    const int leftX = Width / 2 - 11, rightX = Width / 2 + 11;

    for (DWORD subset : {0u, 1u, 2u}) {
        ClearTo(0);
        DrawInScene(mesh, subset);
        Read();
        const bool leftLit = At(leftX, Height / 2).r > 128, rightLit = At(rightX, Height / 2).r > 128;
        EXPECT_EQ(leftLit, subset == 1) << "subset " << subset;
        EXPECT_EQ(rightLit, subset == 0) << "subset " << subset;
    }
}

// A draw skips the clusters that lie wholly outside the view and nothing else: each
// mesh gives the same picture with culling on and off, and the clusters it sent are
// those expected.
TEST_F(GlDeviceTest, ClusterCullingSkipsOnlyWhatCannotShow) {
    UseCamera();
    device_->SetRenderState(D3DRS_LIGHTING, 0);
    device_->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    // A floor triangle under the eye from behind it to far ahead: it crosses the
    // near plane and the eye's own plane (w = 0).
    MeshData floor;
    floor.Positions = {-1, -1, -5, 1, -1, -5, 0, -1, 20};
    floor.Indices = {0, 1, 2};
    floor.Attributes = {0};
    // 200 small squares in a row across the view and far beyond both sides.
    MeshData row;
    for (int i = 0; i < 200; ++i) {
        const MeshData square = Square(static_cast<float>(i - 100), 0, 10, 0.4f, -1, false);
        const auto base = static_cast<std::uint32_t>(row.NumVertices());
        row.Positions.insert(row.Positions.end(), square.Positions.begin(), square.Positions.end());
        for (const std::uint32_t index : square.Indices) row.Indices.push_back(base + index);
        row.Attributes.insert(row.Attributes.end(), 2, 0);
    }
    D3DMATRIX broken = IdentityMatrix();
    broken.m[3][0] = std::nanf("");
    struct Case {
        const char* what;
        MeshData mesh;
        D3DMATRIX world;
        int drawn;  // clusters sent, of `asked`
        int asked;
    };
    const Case cases[] = {
        {"in view", Square(0, 0, 10, 1, -1, false), IdentityMatrix(), 1, 1},
        {"behind the eye", Square(0, 0, -10, 1, -1, false), IdentityMatrix(), 0, 1},
        {"beyond the far plane", Square(0, 0, 900, 1, -1, false), IdentityMatrix(), 0, 1},
        {"left of the view", Square(-20, 0, 10, 1, -1, false), IdentityMatrix(), 0, 1},
        {"across the left edge", Square(-6, 0, 10, 1, -1, false), IdentityMatrix(), 1, 1},
        {"across the near plane and the eye", floor, IdentityMatrix(), 1, 1},
        {"a non-finite world", Square(0, 0, 10, 1, -1, false), broken, 1, 1},
        {"a row wider than the view", row, IdentityMatrix(), 2, 7},
    };
    for (const Case& c : cases) {
        D3DXMesh& mesh = AddMesh(c.mesh);
        device_->SetTransform(D3DTS_WORLD, c.world);
        std::vector<std::uint8_t> pictures[2];
        for (const bool culling : {true, false}) {
            Gl().SetClusterCulling(culling);
            const GlFrameCounts before = Gl().FrameCounts();
            ClearTo(0);
            DrawInScene(mesh);
            Read();
            pictures[culling ? 0 : 1] = pixels_;
            const GlFrameCounts& after = Gl().FrameCounts();
            EXPECT_EQ(after.ClustersAsked - before.ClustersAsked, static_cast<std::uint64_t>(c.asked)) << c.what;
            const std::uint64_t drawn = after.Clusters - before.Clusters;
            EXPECT_EQ(drawn, static_cast<std::uint64_t>(culling ? c.drawn : c.asked)) << c.what;
        }
        Gl().SetClusterCulling(true);
        EXPECT_EQ(pictures[0], pictures[1]) << c.what << ": culling changed the picture";
    }
}

TEST(GlMeshLimits, SixteenBitIndicesNeedFewerThan65536Vertices) {
    MeshData big;
    big.Positions.assign(65536 * 3, 0.0f);
    big.Indices = {0, 1, 65535};
    big.Attributes = {0};
    std::string reason;
    EXPECT_FALSE(GlMesh::Make(nullptr, big, D3DXMESH_MANAGED, &reason));
    EXPECT_FALSE(reason.empty());
    EXPECT_TRUE(GlMesh::Make(nullptr, big, D3DXMESH_MANAGED | D3DXMESH_32BIT, nullptr));
    big.Positions.resize(65535 * 3);
    big.Indices = {0, 1, 65534};
    EXPECT_TRUE(GlMesh::Make(nullptr, big, D3DXMESH_MANAGED, nullptr));
    big.Indices = {0, 1, 65535};  // past the last vertex
    EXPECT_FALSE(GlMesh::Make(nullptr, big, D3DXMESH_MANAGED | D3DXMESH_32BIT, nullptr));
}

TEST(Keyboard, ReportsTheSimulatedStateUnderDirectInputCodes) {
    auto input = CreateDirectX8()->DirectInputCreate();
    ASSERT_TRUE(input);
    std::unique_ptr<DirectInputDevice8> keyboard;
    ASSERT_EQ(input->CreateDevice("GUID_SysKeyboard", keyboard), D3D_OK);
    ASSERT_EQ(keyboard->SetCommonDataFormat(DIFORMAT_KEYBOARD), D3D_OK);
    ASSERT_EQ(keyboard->SetCooperativeLevel(nullptr, DISCL_BACKGROUND | DISCL_NONEXCLUSIVE), D3D_OK);
    ASSERT_EQ(keyboard->Acquire(), D3D_OK);
    std::uint8_t keys[256] = {};
    keys[DIK_UP] = 0x80;
    keys[DIK_Q] = 0x80;
    SetSimulatedKeyState(keys);
    std::uint8_t state[256];
    std::memset(state, 0x55, sizeof state);
    ASSERT_EQ(keyboard->GetDeviceState(256, state), D3D_OK);
    EXPECT_EQ(state[DIK_UP], 0x80);
    EXPECT_EQ(state[DIK_Q], 0x80);
    EXPECT_EQ(state[DIK_DOWN], 0);
    ClearSimulatedKeyState();
    ASSERT_EQ(keyboard->GetDeviceState(256, state), D3D_OK);
    EXPECT_EQ(state[DIK_UP], 0);
}

}  // namespace

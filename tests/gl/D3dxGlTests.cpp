// D3DX on the GL platform: textures from pictures, the text font, meshes from .x
// files and the clean-up calls, and the keyboard's scan-code table.
#include <SDL.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "platform/sdl_gl/D3dxTexture.h"
#include "platform/sdl_gl/FontTtf.h"
#include "platform/sdl_gl/InputKeyboard.h"
#include "tests/gl/GlTestSupport.h"

using namespace gltest;
namespace fs = std::filesystem;

namespace {

fs::path TempDir() {
    const fs::path dir = fs::temp_directory_path() / ("nd_gl_tests_" + std::to_string(getpid()));
    fs::create_directories(dir);
    return dir;
}

// Writes a BMP of w x h RGB pixels given top row first.
std::string WriteBmp(const std::string& name, int w, int h, const std::vector<Rgb>& pixels) {
    SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, w, h, 24, SDL_PIXELFORMAT_RGB24);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            auto* p = static_cast<std::uint8_t*>(s->pixels) + y * s->pitch + x * 3;
            const Rgb& c = pixels[static_cast<std::size_t>(y * w + x)];
            p[0] = static_cast<std::uint8_t>(c.R);
            p[1] = static_cast<std::uint8_t>(c.G);
            p[2] = static_cast<std::uint8_t>(c.B);
        }
    const std::string path = (TempDir() / name).string();
    SDL_SaveBMP(s, path.c_str());
    SDL_FreeSurface(s);
    return path;
}

using TextureTest = GlDeviceTest;

TEST_F(TextureTest, PointSampledTopRowFirstAndModulated) {
    const std::string path = WriteBmp("quad.bmp", 2, 2, {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 255}});
    std::unique_ptr<Direct3DTexture8> texture;
    ASSERT_EQ(d3dx->CreateTextureFromFile(*device, path, texture), D3D_OK);
    EXPECT_EQ(texture->Width(), 2u);
    UseCamera();
    device->SetRenderState(D3DRS_LIGHTING, 0);
    device->SetTexture(0, texture.get());
    D3DXMesh& square = AddMesh(Square(0, 0, 10, 3, -1, false));
    ClearTo(0);
    DrawInScene(square);
    Read();
    const int cx = kWidth / 2, cy = kHeight / 2;
    ExpectNear(At(cx - 8, cy - 8), {255, 0, 0}, 0, "top left texel");
    ExpectNear(At(cx + 8, cy - 8), {0, 255, 0}, 0, "top right texel");
    ExpectNear(At(cx - 8, cy + 8), {0, 0, 255}, 0, "bottom left texel");
    ExpectNear(At(cx + 8, cy + 8), {255, 255, 255}, 0, "bottom right texel");

    // Lit: texel times the lit diffuse colour (emissive 0.5 only).
    device->SetRenderState(D3DRS_LIGHTING, 1);
    D3DMATERIAL8 material;
    material.Emissive = {0.5f, 0.5f, 0.5f, 1.0f};
    device->SetMaterial(material);
    ClearTo(0);
    DrawInScene(square);
    Read();
    ExpectNear(At(cx + 8, cy + 8), {128, 128, 128}, 1, "modulated white texel");
    ExpectNear(At(cx - 8, cy - 8), {128, 0, 0}, 1, "modulated red texel");

    // Coordinates past 1 wrap: u, v in 0..2 repeat the 2x2 picture twice each way.
    device->SetMaterial(D3DMATERIAL8{});
    device->SetRenderState(D3DRS_LIGHTING, 0);
    MeshData twice = Square(0, 0, 10, 3, -1, false);
    for (float& t : twice.TexCoords) t *= 2.0f;
    D3DXMesh& wrapped = AddMesh(twice);
    ClearTo(0);
    DrawInScene(wrapped);
    Read();
    ExpectNear(At(cx - 12, cy - 12), {255, 0, 0}, 0, "first repeat, top left");
    ExpectNear(At(cx - 4, cy - 12), {0, 255, 0}, 0, "first repeat, top right");
    ExpectNear(At(cx + 4, cy - 12), {255, 0, 0}, 0, "second repeat, top left");
    ExpectNear(At(cx + 4, cy + 4), {255, 0, 0}, 0, "fourth repeat, top left");
    device->SetRenderState(D3DRS_LIGHTING, 1);
    device->SetMaterial(material);

    // Unbound: the texture stage reads white.
    device->SetTexture(0, nullptr);
    ClearTo(0);
    DrawInScene(square);
    Read();
    ExpectNear(At(cx - 8, cy - 8), {128, 128, 128}, 1, "no texture");
}

TEST_F(TextureTest, SidesRoundUpToPowersOfTwo) {
    std::vector<Rgb> grey(3 * 5, Rgb{100, 100, 100});
    std::unique_ptr<Direct3DTexture8> texture;
    ASSERT_EQ(d3dx->CreateTextureFromFile(*device, WriteBmp("odd.bmp", 3, 5, grey), texture), D3D_OK);
    EXPECT_EQ(texture->Width(), 4u);
    EXPECT_EQ(texture->Height(), 8u);
}

TEST_F(TextureTest, MissingOrCorruptFilesFailCleanly) {
    const std::string corrupt = (TempDir() / "corrupt.jpg").string();
    std::ofstream(corrupt) << "\xFF\xD8 this is not a picture";
    for (const std::string& path : {(TempDir() / "missing.jpg").string(), corrupt}) {
        std::unique_ptr<Direct3DTexture8> texture;
        EXPECT_NE(d3dx->CreateTextureFromFile(*device, path, texture), D3D_OK) << path;
        EXPECT_FALSE(texture) << path;
    }
}

// An uncompressed 24-bit Targa picture, top row first.
std::vector<std::uint8_t> Tga(int w, int h, const std::vector<std::uint8_t>& bgr) {
    std::vector<std::uint8_t> file(18 + bgr.size(), 0);
    file[2] = 2;  // uncompressed true colour
    file[12] = static_cast<std::uint8_t>(w & 0xFF);
    file[13] = static_cast<std::uint8_t>(w >> 8);
    file[14] = static_cast<std::uint8_t>(h & 0xFF);
    file[15] = static_cast<std::uint8_t>(h >> 8);
    file[16] = 24;
    file[17] = 0x20;  // top row first
    std::copy(bgr.begin(), bgr.end(), file.begin() + 18);
    return file;
}

std::vector<std::uint8_t> Bytes(const std::string& s) { return {s.begin(), s.end()}; }

// A 2 x 1 BMP with the old 12-byte info header (16-bit sizes): red, then blue.
std::vector<std::uint8_t> OldBmp() {
    return Bytes(std::string("BM\x22\0\0\0\0\0\0\0\x1A\0\0\0", 14) +      // file header
                 std::string("\x0C\0\0\0\x02\0\x01\0\x01\0\x18\0", 12) +  // 12-byte info
                 std::string("\0\0\xFF\xFF\0\0\0\0", 8));                 // BGR BGR, padding
}

TEST(PictureDecode, FormatsAndHeadersAreCheckedBeforeDecoding) {
    const std::string png8 = std::string("\x89PNG\r\n\x1a\n", 8);
    const std::string ihdr =
        std::string("\0\0\0\x0dIHDR", 8) + std::string("\0\0\0\2\0\0\0\1\x08\x02\0\0\0", 13) + std::string(4, '\0');
    struct Case {
        const char* Name;
        std::vector<std::uint8_t> File;
        std::string Type;
        bool Loads;
        const char* ReasonHas;
    };
    const Case cases[] = {
        {"targa by its extension", Tga(2, 1, {0, 0, 255, 255, 0, 0}), "TGA", true, ""},
        {"targa without its extension", Tga(2, 1, {0, 0, 255, 255, 0, 0}), "jpg", false, "not a picture"},
        {"targa claiming 65535 x 65535", Tga(65535, 65535, {1, 2, 3}), "tga", false, "too large"},
        {"targa claiming 1000 x 1000 in 21 bytes", Tga(1000, 1000, {1, 2, 3}), "tga", false, "truncated"},
        {"bmp with the old 12-byte header", OldBmp(), "bmp", true, ""},
        {"bmp claiming 1000 x 1000 raw pixels in 56 bytes",
         Bytes(std::string("BM", 2) + std::string(8, '\0') +
               std::string("\x36\0\0\0\x28\0\0\0\xE8\x03\0\0\xE8\x03\0\0\1\0\x18\0", 20) + std::string(26, '\0')),
         "bmp", false, "truncated"},
        {"bmp claiming 100000 x 100000",
         Bytes(std::string("BM", 2) + std::string(16, '\0') + std::string("\xA0\x86\x01\0\xA0\x86\x01\0", 8) +
               std::string(30, '\0')),
         "bmp", false, "too large"},
        {"png whose chunk runs past the end", Bytes(png8 + ihdr + std::string("\0\0\x10\0cHRM", 8) + "short"), "png",
         false, "damaged"},
        {"png without an end chunk", Bytes(png8 + ihdr), "png", false, "damaged"},
        {"gif", Bytes("GIF89a\1\0\1\0\0\0\0;"), "gif", false, "not a picture"},
        {"empty", {}, "jpg", false, "empty"},
    };
    for (const Case& c : cases) {
        std::vector<std::uint8_t> file = c.File;
        std::string reason;
        int width = 0, height = 0;
        std::vector<std::uint8_t> texels;
        const HRESULT hr = DecodeTexturePicture(
            file, c.Type, 4096,
            [&](int w, int h, const std::uint8_t* t) {
                width = w;
                height = h;
                texels.assign(t, t + static_cast<std::size_t>(w) * h * 4);
            },
            reason);
        EXPECT_EQ(hr == D3D_OK, c.Loads) << c.Name << ": " << reason;
        if (c.Loads) {
            EXPECT_EQ(width, 2) << c.Name;
            EXPECT_EQ(height, 1) << c.Name;
            // Red then blue, opaque.
            EXPECT_EQ(std::vector<std::uint8_t>(texels.begin(), texels.end()),
                      (std::vector<std::uint8_t>{255, 0, 0, 255, 0, 0, 255, 255}))
                << c.Name;
        } else {
            EXPECT_NE(reason.find(c.ReasonHas), std::string::npos) << c.Name << ": " << reason;
        }
    }
}

TEST(TentResample, FlatStaysFlatShrinkingAveragesEnlargingInterpolates) {
    std::vector<std::uint8_t> flat(3 * 3 * 4, 200), out;
    ResampleTent(flat.data(), 3, 3, 4, 4, out);
    EXPECT_TRUE(std::all_of(out.begin(), out.end(), [](std::uint8_t v) { return v == 200; }));
    // Black and white columns shrink to mid grey.
    std::vector<std::uint8_t> stripes(4 * 1 * 4);
    for (int x = 0; x < 4; ++x)
        for (int c = 0; c < 4; ++c) stripes[x * 4 + c] = (x % 2 == 0) ? 0 : 255;
    ResampleTent(stripes.data(), 4, 1, 1, 1, out);
    EXPECT_NEAR(out[0], 128, 2);
    // Enlarging interpolates between neighbours (a tent one source pixel wide).
    std::vector<std::uint8_t> ramp = {0, 0, 0, 255, 255, 255, 255, 255};
    ResampleTent(ramp.data(), 2, 1, 4, 1, out);
    EXPECT_EQ(out[0], 0);
    EXPECT_EQ(out[4], 64);
    EXPECT_EQ(out[8], 191);
    EXPECT_EQ(out[12], 255);
    EXPECT_EQ(out[15], 255);
    EXPECT_EQ(NextPowerOfTwo(1), 1);
    EXPECT_EQ(NextPowerOfTwo(640), 1024);
    EXPECT_EQ(NextPowerOfTwo(512), 512);
}

class TextTest : public GlDeviceTest {
protected:
    void SetUp() override { Open(1024, 768, 1024, 768, D3DFMT_D16); }

    struct Extent {
        int Left = 1 << 30, Right = -1, Top = 1 << 30, Bottom = -1, Brightest = 0;
        Rgb Colour;
    };
    Extent Ink() const {
        Extent e;
        for (int y = 0; y < readH; ++y)
            for (int x = 0; x < readW; ++x) {
                const Rgb p = At(x, y);
                if (p.R == 0 && p.G == 0 && p.B == 1) continue;
                e.Left = std::min(e.Left, x);
                e.Right = std::max(e.Right, x);
                e.Top = std::min(e.Top, y);
                e.Bottom = std::max(e.Bottom, y);
                if (p.B > e.Brightest) {
                    e.Brightest = p.B;
                    e.Colour = p;
                }
            }
        return e;
    }
};

TEST_F(TextTest, LoadingLineIsCentredInItsRectangleInItsColour) {
    EXPECT_FALSE(ResolveFontFile("Verdana", true, nullptr).empty());
    std::unique_ptr<D3DXFont> font;
    ASSERT_EQ(d3dx->CreateFont(*device, StdFont{"Verdana", 8, true}, font), D3D_OK);
    const RECT rect{100, 5, 1000, 500};
    ClearTo(0x00000001);
    ASSERT_EQ(device->BeginScene(), D3D_OK);
    const int height = font->DrawText("Loading \\data\\3d\\Ground.x", -1, rect, DT_CENTER, 0xFFCCCCFF);
    ASSERT_EQ(device->EndScene(), D3D_OK);
    EXPECT_GE(height, 10);
    EXPECT_LE(height, 20);
    Read();
    const Extent ink = Ink();
    ASSERT_GE(ink.Right, 0) << "no text drawn";
    EXPECT_NEAR((ink.Left + ink.Right) / 2.0, 550.0, 3.0);
    EXPECT_GE(ink.Top, 5);
    EXPECT_LT(ink.Bottom, 5 + height);
    ExpectNear(ink.Colour, {0xCC, 0xCC, 0xFF}, 3, "fully covered glyph pixel");

    // Outside a scene, clipped to a short rectangle: nothing beyond it.
    ClearTo(0x00000001);
    EXPECT_GT(font->DrawText("Loading", -1, RECT{100, 5, 120, 9}, DT_CENTER, 0xFFCCCCFF), 0);
    Read();
    const Extent clipped = Ink();
    if (clipped.Right >= 0) {
        EXPECT_GE(clipped.Left, 100);
        EXPECT_LT(clipped.Right, 120);
        EXPECT_LT(clipped.Bottom, 9);
    }
    EXPECT_EQ(font->DrawText("", -1, rect, DT_CENTER, 0xFFCCCCFF), 0);

    // The colour's alpha blends the text over what is there.
    ClearTo(0x00000001);
    font->DrawText("Loading", -1, rect, DT_CENTER, 0x80FFFFFF);
    Read();
    EXPECT_NEAR(Ink().Brightest, 128, 3);
}

using MeshFileTest = GlDeviceTest;

constexpr const char* kTwoMaterialSquare = R"(xof 0303txt 0032
Mesh {
 4;
 -1.0;1.0;10.0;,
 1.0;1.0;10.0;,
 -1.0;-1.0;10.0;,
 1.0;-1.0;10.0;;
 2;
 3;0,1,2;,
 3;2,1,3;;
 MeshMaterialList {
  2;
  2;
  0,
  1;;
  Material {
   1.0;0.0;0.0;1.0;;
   20.0;
   1.0;1.0;1.0;;
   0.0;0.0;0.0;;
   TextureFilename { "ground.jpg"; }
  }
  Material {
   0.0;1.0;0.0;1.0;;
   20.0;
   1.0;1.0;1.0;;
   0.0;0.0;0.0;;
  }
 }
}
)";

TEST_F(MeshFileTest, LoadsMaterialsAdjacencyAndCleansUp) {
    const std::string path = (TempDir() / "square.x").string();
    std::ofstream(path) << kTwoMaterialSquare;
    std::unique_ptr<D3DXBuffer> adjacency, materials;
    DWORD numMaterials = 0;
    std::unique_ptr<D3DXMesh> mesh;
    std::string reason;
    ASSERT_EQ(
        d3dx->LoadMeshFromX(path, D3DXMESH_MANAGED, *device, &adjacency, &materials, &numMaterials, mesh, &reason),
        D3D_OK)
        << reason;
    EXPECT_EQ(numMaterials, 2u);
    EXPECT_EQ(mesh->GetNumFaces(), 2u);
    EXPECT_EQ(adjacency->GetBufferSize(), 2u * 3u * 4u);
    ASSERT_EQ(materials->GetBufferSize(), 2u * sizeof(D3DXMATERIAL));
    const auto* records = static_cast<const D3DXMATERIAL*>(materials->GetBufferPointer());
    EXPECT_STREQ(records[0].TextureFilename, "ground.jpg");
    EXPECT_FLOAT_EQ(records[1].MatD3D.Diffuse.g, 1.0f);

    std::unique_ptr<D3DXMesh> cleaned;
    std::unique_ptr<D3DXBuffer> cleanAdjacency;
    std::string log;
    ASSERT_EQ(d3dx->CleanMesh(*mesh, static_cast<const DWORD*>(adjacency->GetBufferPointer()), cleaned, &cleanAdjacency,
                              &log),
              D3D_OK);
    std::unique_ptr<D3DXMesh> simplified;
    ASSERT_EQ(d3dx->SimplifyMesh(*cleaned, static_cast<const DWORD*>(cleanAdjacency->GetBufferPointer()), nullptr,
                                 nullptr, cleaned->GetNumVertices(), D3DXMESHSIMP_VERTEX, simplified),
              D3D_OK);
    EXPECT_EQ(simplified->GetNumFaces(), 2u);
    std::unique_ptr<D3DXMesh> compact;
    std::unique_ptr<D3DXBuffer> remap;
    ASSERT_EQ(simplified->Optimize(D3DXMESHOPT_COMPACT, nullptr, nullptr, nullptr, &remap, compact), D3D_OK);
    EXPECT_EQ(remap->GetBufferSize(), compact->GetNumVertices() * 4u);

    // Subset 0 is the first material's face only: the upper-left triangle.
    UseCamera();
    device->SetRenderState(D3DRS_LIGHTING, 0);
    ClearTo(0);
    DrawInScene(*compact, 0);
    Read();
    EXPECT_GT(At(kWidth / 2 - 3, kHeight / 2 - 3).R, 128);
    EXPECT_LT(At(kWidth / 2 + 3, kHeight / 2 + 3).R, 128);
}

TEST_F(MeshFileTest, FailureLeavesEveryOutputUntouched) {
    std::ofstream((TempDir() / "broken.x").string()) << "xof 0303txt 0032\nMesh { 4; 1.0;";
    for (const char* name : {"missing.x", "broken.x"}) {
        auto adjacency = std::make_unique<D3DXBuffer>(1);
        D3DXBuffer* keptAdjacency = adjacency.get();
        std::unique_ptr<D3DXBuffer> materials;
        DWORD numMaterials = 77;
        std::unique_ptr<D3DXMesh> mesh;
        std::string reason;
        EXPECT_NE(d3dx->LoadMeshFromX((TempDir() / name).string(), D3DXMESH_MANAGED, *device, &adjacency, &materials,
                                      &numMaterials, mesh, &reason),
                  D3D_OK)
            << name;
        EXPECT_EQ(adjacency.get(), keptAdjacency);
        EXPECT_FALSE(materials);
        EXPECT_EQ(numMaterials, 77u);
        EXPECT_FALSE(mesh);
        EXPECT_FALSE(reason.empty()) << name;
    }
}

TEST_F(MeshFileTest, CompactDropsUnusedVertices) {
    MeshData m = Square(0, 0, 10, 1);
    m.Positions.insert(m.Positions.begin(), {5, 5, 5});  // vertex 0 is used by no face
    m.Normals.insert(m.Normals.begin(), {0, 0, -1});
    m.TexCoords.insert(m.TexCoords.begin(), {0, 0});
    for (auto& i : m.Indices) ++i;
    D3DXMesh& mesh = AddMesh(m);
    std::unique_ptr<D3DXMesh> compact;
    std::unique_ptr<D3DXBuffer> remap;
    ASSERT_EQ(mesh.Optimize(D3DXMESHOPT_COMPACT, nullptr, nullptr, nullptr, &remap, compact), D3D_OK);
    EXPECT_EQ(compact->GetNumVertices(), 4u);
    EXPECT_EQ(compact->GetNumFaces(), 2u);
    ASSERT_EQ(remap->GetBufferSize(), 16u);
    const auto* r = static_cast<const DWORD*>(remap->GetBufferPointer());
    EXPECT_EQ(r[0], 1u);
    EXPECT_EQ(r[3], 4u);
}

TEST(KeyboardTable, GameKeysMapToDirectInputCodes) {
    const struct {
        SDL_Scancode Sdl;
        int Dik;
    } keys[] = {
        {SDL_SCANCODE_UP, DIK_UP},       {SDL_SCANCODE_DOWN, DIK_DOWN},     {SDL_SCANCODE_LEFT, DIK_LEFT},
        {SDL_SCANCODE_RIGHT, DIK_RIGHT}, {SDL_SCANCODE_PAGEUP, DIK_PRIOR},  {SDL_SCANCODE_PAGEDOWN, DIK_NEXT},
        {SDL_SCANCODE_Z, DIK_Z},         {SDL_SCANCODE_X, DIK_X},           {SDL_SCANCODE_C, DIK_C},
        {SDL_SCANCODE_Q, DIK_Q},         {SDL_SCANCODE_ESCAPE, DIK_ESCAPE}, {SDL_SCANCODE_A, 0x1E},
        {SDL_SCANCODE_RETURN, 0x1C},     {SDL_SCANCODE_SPACE, 0x39},        {SDL_SCANCODE_F12, 0x58},
        {SDL_SCANCODE_KP_ENTER, 0x9C},   {SDL_SCANCODE_RCTRL, 0x9D},        {SDL_SCANCODE_1, 0x02},
    };
    for (const auto& k : keys) EXPECT_EQ(DikFromSdlScancode(k.Sdl), k.Dik) << SDL_GetScancodeName(k.Sdl);
}

}  // namespace

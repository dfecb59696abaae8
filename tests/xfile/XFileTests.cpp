// The .x reader: encodings, frames, faces, normals, materials, adjacency, text
// quirks, skipped templates, nesting and malformed files.
#include "platform/xfile/XFile.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "TestMeshes.h"
#include "platform/xfile/XFileInternal.h"

using xtest::Encoding;
using xtest::TestMesh;
using xtest::XWriter;

namespace {

constexpr std::uint32_t kN = kNoNeighbour;

::testing::AssertionResult Parses(const std::string& bytes, XFileMesh& out) {
    std::string reason;
    if (ParseXFile(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(), out, reason)) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure() << "load failed: " << reason;
}

XFileMesh MustParse(const std::string& bytes) {
    XFileMesh out;
    EXPECT_TRUE(Parses(bytes, out));
    return out;
}

std::string FailReason(const std::string& bytes) {
    XFileMesh out;
    std::string reason;
    if (ParseXFile(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(), out, reason)) {
        return "(loaded)";
    }
    EXPECT_EQ(out.Mesh.NumFaces(), 0u);
    return reason;
}

const std::vector<double> kIdentity = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

std::vector<double> Translate(double x, double y, double z) { return {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, x, y, z, 1}; }

TestMesh Triangle() {
    TestMesh m;
    m.Positions = {0, 0, 0, 1, 0, 0, 0, 1, 0};
    m.Faces = {{0, 1, 2}};
    return m;
}

// An 8-corner cube, quads, with one normal per side.
TestMesh Cube() {
    TestMesh m;
    m.Positions = {-1, -1, -1, 1, -1, -1, 1, 1, -1, -1, 1, -1, -1, -1, 1, 1, -1, 1, 1, 1, 1, -1, 1, 1};
    m.Faces = {{0, 3, 2, 1}, {4, 5, 6, 7}, {0, 1, 5, 4}, {2, 3, 7, 6}, {1, 2, 6, 5}, {0, 4, 7, 3}};
    m.Normals = {0, 0, -1, 0, 0, 1, 0, -1, 0, 0, 1, 0, 1, 0, 0, -1, 0, 0};
    for (std::uint32_t i = 0; i < 6; ++i) {
        m.NormalFaces.push_back({i, i, i, i});
    }
    return m;
}

std::string TextFile(const std::string& body, const std::string& header = "xof 0302txt 0032\n") {
    return header + body;
}

// An animation set with one matrix key for the frame `target`.
void WriteAnimation(XWriter& w, const std::string& target) {
    w.Begin("AnimationSet", "Walk");
    w.Begin("Animation");
    w.Reference(target);
    w.Begin("AnimationKey");
    w.Ints({4, 1, 0, 16});
    w.Floats(kIdentity);
    w.End();
    w.End();
    w.End();
}

const char* kTriangleMesh = "Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;; }\n";

}  // namespace

// ---------------------------------------------------------------------------------
// Encodings

TEST(XFileEncodings, EveryEncodingAndFloatWidthGivesTheSameMesh) {
    const TestMesh grid = xtest::Grid(60);  // big enough for several compressed blocks
    std::vector<XFileMesh> meshes;
    for (const Encoding e : {Encoding::Text, Encoding::Binary, Encoding::TextZip, Encoding::BinaryZip}) {
        for (const bool doubles : {false, true}) {
            SCOPED_TRACE(std::string(xtest::EncodingName(e)) + (doubles ? " 0064" : " 0032"));
            XWriter w(e, doubles);
            w.Template("Custom");
            w.Begin("Frame", "Root");
            w.Begin("FrameTransformMatrix");
            w.Floats(Translate(0, 2, 0));
            w.End();
            xtest::WriteMesh(w, grid, "Ground");
            w.End();
            if (e == Encoding::TextZip || e == Encoding::BinaryZip) {
                ASSERT_GT(w.Body().size(), 2u * 32768u);
            }
            XFileMesh m;
            ASSERT_TRUE(Parses(w.Finish(), m));
            meshes.push_back(std::move(m));
        }
    }
    const XFileMesh& ref = meshes[0];
    EXPECT_EQ(ref.Mesh.NumVertices(), 61u * 61u);
    EXPECT_EQ(ref.Mesh.NumFaces(), 7200u);
    ASSERT_EQ(ref.Materials.size(), 2u);
    EXPECT_FLOAT_EQ(ref.Materials[1].MatD3D.Diffuse.b, 1.0f);
    EXPECT_FLOAT_EQ(ref.Materials[1].MatD3D.Diffuse.a, 0.5f);
    EXPECT_FLOAT_EQ(ref.Materials[1].MatD3D.Power, 2.0f);
    EXPECT_FLOAT_EQ(ref.Materials[1].MatD3D.Emissive.g, 0.25f);
    EXPECT_FLOAT_EQ(ref.Mesh.Positions[1], 2.0f);  // translated
    EXPECT_TRUE(ref.Mesh.HasNormals());
    EXPECT_TRUE(ref.Mesh.HasTexCoords());
    EXPECT_FALSE(ref.Mesh.HasColors());
    for (std::size_t i = 1; i < meshes.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(meshes[i].Mesh.Positions, ref.Mesh.Positions);
        EXPECT_EQ(meshes[i].Mesh.Normals, ref.Mesh.Normals);
        EXPECT_EQ(meshes[i].Mesh.TexCoords, ref.Mesh.TexCoords);
        EXPECT_EQ(meshes[i].Mesh.Indices, ref.Mesh.Indices);
        EXPECT_EQ(meshes[i].Mesh.Attributes, ref.Mesh.Attributes);
        EXPECT_EQ(meshes[i].Adjacency, ref.Adjacency);
        EXPECT_EQ(meshes[i].Materials.size(), ref.Materials.size());
    }
}

// ---------------------------------------------------------------------------------
// Frames and merging

TEST(XFileFrames, NestedTransformsApplyInnermostFirstAndMeshesMerge) {
    for (const Encoding e : {Encoding::Text, Encoding::Binary}) {
        SCOPED_TRACE(xtest::EncodingName(e));
        XWriter w(e);
        TestMesh first = Triangle();
        first.MaterialList = true;
        first.NumMaterials = 1;
        first.FaceMaterials = {0};
        first.InlineMaterials = {{1, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0}};
        xtest::WriteMesh(w, first, "TopLevel");
        w.Begin("Frame", "Outer");
        w.Begin("Frame", "Inner");
        TestMesh second = Triangle();
        second.MaterialList = true;
        second.NumMaterials = 2;
        second.FaceMaterials = {1};
        second.InlineMaterials = {{0, 1, 0, 1, 0, 0, 0, 0, 0, 0, 0}, {0, 0, 1, 1, 0, 0, 0, 0, 0, 0, 0}};
        xtest::WriteMesh(w, second);
        // A matrix may follow the mesh it applies to.
        w.Begin("FrameTransformMatrix");
        w.Floats(Translate(1, 0, 0));
        w.End();
        w.End();
        w.Begin("FrameTransformMatrix");
        w.Floats({2, 0, 0, 0, 0, 2, 0, 0, 0, 0, 2, 0, 0, 0, 0, 1});
        w.End();
        w.End();
        const XFileMesh m = MustParse(w.Finish());
        ASSERT_EQ(m.Mesh.NumVertices(), 6u);
        // (p + (1,0,0)) * 2, not p * 2 + (1,0,0).
        const std::vector<float> expected = {0, 0, 0, 1, 0, 0, 0, 1, 0, 2, 0, 0, 4, 0, 0, 2, 2, 0};
        EXPECT_EQ(m.Mesh.Positions, expected);
        EXPECT_EQ(m.Mesh.Indices, (std::vector<std::uint32_t>{0, 1, 2, 3, 4, 5}));
        ASSERT_EQ(m.Materials.size(), 3u);
        EXPECT_EQ(m.Mesh.Attributes, (std::vector<std::uint32_t>{0, 2}));
        EXPECT_FLOAT_EQ(m.Materials[2].MatD3D.Diffuse.b, 1.0f);
    }
}

TEST(XFileFrames, HundredNestedFramesLoadAndPathologicalNestingFails) {
    const auto nested = [](int depth) {
        std::string body;
        for (int i = 0; i < depth; ++i) {
            body += "Frame { FrameTransformMatrix { 1,0,0,0,0,1,0,0,0,0,1,0,1,0,0,1;; }\n";
        }
        body += kTriangleMesh;
        body += std::string(static_cast<std::size_t>(depth), '}');
        return TextFile(body);
    };
    const XFileMesh m = MustParse(nested(100));
    EXPECT_FLOAT_EQ(m.Mesh.Positions[0], 100.0f);
    EXPECT_EQ(FailReason(nested(100000)), "frames nested too deep");

    // Deep nesting inside an object that is skipped costs no stack either.
    const std::string deepSkipped =
        TextFile(std::string("Custom {") + std::string(100000, '{') + std::string(100001, '}') + kTriangleMesh);
    EXPECT_EQ(MustParse(deepSkipped).Mesh.NumFaces(), 1u);
}

// ---------------------------------------------------------------------------------
// Faces, normals, materials

TEST(XFileFaces, PolygonsAreFannedAndLineFacesKeepTheirPlace) {
    struct Case {
        std::vector<std::vector<std::uint32_t>> Faces;
        std::vector<std::uint32_t> Indices;
        std::vector<std::uint32_t> Attributes;
    };
    const Case cases[] = {
        {{{0, 1, 2, 3, 4}, {1, 5}, {5, 1, 0}}, {0, 1, 2, 0, 2, 3, 0, 3, 4, 5, 1, 0}, {0, 0, 0, 2}},
        // As many corners as the triangles have: still fanned.
        {{{0, 1, 2, 3}, {1, 5}, {5, 1, 0}}, {0, 1, 2, 0, 2, 3, 5, 1, 0}, {0, 0, 2}},
        {{{1, 5}, {0, 1, 2, 3}}, {0, 1, 2, 0, 2, 3}, {1, 1}},
    };
    for (const Case& c : cases) {
        for (const Encoding e : {Encoding::Text, Encoding::Binary}) {
            TestMesh m;
            m.Positions = {0, 0, 0, 1, 0, 0, 2, 1, 0, 1, 2, 0, 0, 1, 0, 5, 5, 5};
            m.Faces = c.Faces;
            m.MaterialList = true;
            m.NumMaterials = 3;
            m.FaceMaterials = {0, 1, 2};
            m.InlineMaterials.assign(3, std::vector<float>(11, 0.0f));
            XWriter w(e);
            xtest::WriteMesh(w, m);
            const XFileMesh x = MustParse(w.Finish());
            EXPECT_EQ(x.Mesh.Indices, c.Indices);
            EXPECT_EQ(x.Mesh.Attributes, c.Attributes);
            EXPECT_EQ(x.Adjacency.size(), c.Indices.size());
        }
    }
}

TEST(XFileNormals, CornersWithDifferentNormalsSplitButStayAdjacent) {
    for (const Encoding e : {Encoding::Text, Encoding::Binary}) {
        XWriter w(e);
        const TestMesh cube = Cube();
        xtest::WriteMesh(w, cube);
        const XFileMesh m = MustParse(w.Finish());
        EXPECT_EQ(m.Mesh.NumVertices(), 24u);
        EXPECT_EQ(m.Mesh.NumFaces(), 12u);
        ASSERT_TRUE(m.Mesh.HasNormals());
        // Every corner's vertex carries its side's normal.
        for (std::size_t f = 0; f < 12; ++f) {
            const float* want = &cube.Normals[(f / 2) * 3];
            for (int k = 0; k < 3; ++k) {
                const float* n = &m.Mesh.Normals[m.Mesh.Indices[f * 3 + k] * 3];
                EXPECT_EQ(std::vector<float>(n, n + 3), std::vector<float>(want, want + 3)) << f;
            }
        }
        // A closed cube: the split copies still count as one point for adjacency.
        for (const std::uint32_t a : m.Adjacency) {
            EXPECT_NE(a, kN);
        }
    }
}

TEST(XFileNormals, MissingOrInconsistentNormalsGiveNoNormalStream) {
    XWriter plain(Encoding::Text);
    xtest::WriteMesh(plain, Triangle());
    EXPECT_FALSE(MustParse(plain.Finish()).Mesh.HasNormals());

    TestMesh mismatched = Cube();
    mismatched.NormalFaces.pop_back();  // five normal faces for six faces
    XWriter w(Encoding::Text);
    xtest::WriteMesh(w, mismatched);
    const XFileMesh m = MustParse(w.Finish());
    EXPECT_FALSE(m.Mesh.HasNormals());
    EXPECT_EQ(m.Mesh.NumVertices(), 8u);
}

// Positions 0..3, two triangles on 0..2 and 1..3 (position 4 unused), normals
// numbered as the positions unless a case says otherwise.
TEST(XFileNormals, NormalsNumberedAsThePositionsSplitOnlyWhereACornerDiffers) {
    struct Case {
        const char* Name;
        std::vector<std::vector<std::uint32_t>> NormalFaces;
        bool SecondMesh;  // after a mesh of one triangle
        std::vector<std::uint32_t> Indices;
        std::vector<float> Normals;  // per vertex, x only (y = z = 0)
    };
    const Case cases[] = {
        {"by position", {{0, 1, 2}, {1, 3, 2}}, false, {0, 1, 2, 1, 3, 2}, {1, 2, 3, 4, 0}},
        {"one corner differs", {{0, 1, 2}, {1, 3, 4}}, false, {0, 1, 2, 1, 3, 5}, {1, 2, 3, 4, 0, 5}},
        {"by position, second mesh",
         {{0, 1, 2}, {1, 3, 2}},
         true,
         {0, 1, 2, 3, 4, 5, 4, 6, 5},
         {9, 9, 9, 1, 2, 3, 4, 0}},
    };
    for (const Case& c : cases) {
        for (const Encoding e : {Encoding::Text, Encoding::Binary}) {
            SCOPED_TRACE(std::string(c.Name) + " " + xtest::EncodingName(e));
            XWriter w(e);
            if (c.SecondMesh) {
                TestMesh before = Triangle();
                before.Normals = {9, 0, 0};
                before.NormalFaces = {{0, 0, 0}};
                xtest::WriteMesh(w, before);
            }
            TestMesh m;
            m.Positions = {0, 0, 0, 1, 0, 0, 0, 1, 0, 1, 1, 0, 5, 5, 5};
            m.Faces = {{0, 1, 2}, {1, 3, 2}};
            m.Normals = {1, 0, 0, 2, 0, 0, 3, 0, 0, 4, 0, 0, 5, 0, 0};
            m.NormalFaces = c.NormalFaces;
            xtest::WriteMesh(w, m);
            const XFileMesh x = MustParse(w.Finish());
            EXPECT_EQ(x.Mesh.Indices, c.Indices);
            std::vector<float> normals;
            for (std::size_t v = 0; v < x.Mesh.NumVertices(); ++v) {
                normals.push_back(x.Mesh.Normals[v * 3]);
                EXPECT_EQ(x.Mesh.Normals[v * 3 + 1], 0.0f);
            }
            EXPECT_EQ(normals, c.Normals);
        }
    }
}

TEST(XFileStreams, StreamsOnlySomeMeshesHaveAreFilledForTheOthers) {
    const XFileMesh m =
        MustParse(TextFile("Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;;\n"
                           " MeshVertexColors { 2; 2; 1;0;0;0.5;;, 0; 0;0;1;1;;; } }\n"
                           "Mesh { 3; 0;0;1;, 1;0;1;, 0;1;1;; 1; 3;0,1,2;;\n"
                           " MeshTextureCoords { 3; 0.5;0.25;, 1;1;, 0;1;; } }\n"));
    ASSERT_EQ(m.Mesh.NumVertices(), 6u);
    const std::vector<float> colors = {0, 0, 1, 1, 1, 1, 1, 1, 1, 0, 0, 0.5f,  // listed, unlisted, listed
                                       1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1};    // no colours: white
    EXPECT_EQ(m.Mesh.Colors, colors);
    const std::vector<float> texCoords = {0, 0, 0, 0, 0, 0, 0.5f, 0.25f, 1, 1, 0, 1};
    EXPECT_EQ(m.Mesh.TexCoords, texCoords);
    EXPECT_FALSE(m.Mesh.HasNormals());
}

TEST(XFileMaterials, ShortListsRepeatTheLastIndexAndReferencesResolve) {
    TestMesh m;
    m.Positions = {0, 0, 0, 1, 0, 0, 0, 1, 0, 1, 1, 0};
    m.Faces = {{0, 1, 2}, {1, 3, 2}, {0, 2, 1}, {1, 2, 3}};
    m.MaterialList = true;
    m.NumMaterials = 3;
    m.FaceMaterials = {2, 1};
    m.MaterialRefs = {"Shiny", "Missing"};  // the second one is skipped
    struct Case {
        std::vector<std::uint32_t> Listed;
        std::vector<std::uint32_t> Attributes;
    };
    for (const Case& c : {Case{{2, 1}, {2, 1, 1, 1}}, Case{{}, {0, 0, 0, 0}}, Case{{1}, {1, 1, 1, 1}},
                          Case{{2, 0, 1, 2}, {2, 0, 1, 2}}}) {
        m.FaceMaterials = c.Listed;
        XWriter w(Encoding::Text);
        xtest::WriteMaterial(w, "Shiny", {0.5f, 0.25f, 0, 1, 30, 1, 1, 1, 0, 0, 0}, "C:\\\\textures\\\\shiny.bmp");
        xtest::WriteMesh(w, m);
        const XFileMesh x = MustParse(w.Finish());
        EXPECT_EQ(x.Mesh.Attributes, c.Attributes);
        ASSERT_EQ(x.Materials.size(), 3u);
        EXPECT_FLOAT_EQ(x.Materials[0].MatD3D.Power, 30.0f);
        EXPECT_STREQ(x.Materials[0].TextureFilename, "C:\\\\textures\\\\shiny.bmp");
        EXPECT_FLOAT_EQ(x.Materials[1].MatD3D.Diffuse.r, 1.0f);  // padded: white
    }
    // A list of no materials counts as no list, also after a mesh that has some.
    const XFileMesh empty =
        MustParse(TextFile("Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;; MeshMaterialList { 2; 1; 1;; } }\n"
                           "Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;; MeshMaterialList { 0; 0;; Material { "
                           "1;1;1;1;; 0; 0;0;0;; 0;0;0;; } } }"));
    EXPECT_EQ(empty.Materials.size(), 2u);
    EXPECT_EQ(empty.Mesh.Attributes, (std::vector<std::uint32_t>{1, 0}));

    XWriter none(Encoding::Text);
    TestMesh bare = m;
    bare.MaterialList = false;
    xtest::WriteMesh(none, bare);
    const XFileMesh x = MustParse(none.Finish());
    EXPECT_TRUE(x.Materials.empty());
    EXPECT_EQ(x.Mesh.Attributes, (std::vector<std::uint32_t>{0, 0, 0, 0}));
}

TEST(XFileAdjacency, TwoByTwoGrid) {
    XWriter w(Encoding::Binary);
    xtest::WriteMesh(w, xtest::Grid(2));
    const XFileMesh m = MustParse(w.Finish());
    const std::vector<std::uint32_t> expected = {kN, 5,  1, 0, 2, kN, 1, 7,  3, 2, kN, kN,
                                                 kN, kN, 5, 4, 6, 0,  5, kN, 7, 6, kN, 2};
    EXPECT_EQ(m.Adjacency, expected);
}

// ---------------------------------------------------------------------------------
// Text quirks

TEST(XFileText, QuirksOfRealFilesLoad) {
    struct Case {
        const char* Name;
        std::string File;
        std::size_t Faces;
    };
    const std::string tri = kTriangleMesh;
    const std::vector<Case> cases = {
        {"crlf", "xof 0303txt 0032\r\nMesh {\r\n3;\r\n0;0;0;,\r\n1;0;0;,\r\n0;1;0;;\r\n1;\r\n3;0,1,2;;\r\n}\r\n", 1},
        {"comments in data",
         TextFile("# exporter line\nMesh { // the mesh\n 3; // count\n 0;0;0;, 1;0;0;, 0;1;0;;\n 1; 3;0,1,2;; }\n"), 1},
        {"commas between members, single semicolons", TextFile("Mesh { 3; 0, 0, 0, 1, 0, 0, 0, 1, 0; 1; 3; 0, 1, 2; }"),
         1},
        {"no separators at all", TextFile("Mesh{3 0 0 0 1 0 0 0 1 0 1 3 0 1 2}"), 1},
        {"extra empty separators", TextFile("Mesh {\n3;;\n;\n0;0;0;,1;0;0;,0;1;0;;\n;;\n1;;\n3;0,1,2;;;\n}"), 1},
        {"case of template names",
         TextFile("FRAME f {\n frametransformmatrix { 1,0,0,0,0,1,0,0,0,0,1,0,0,0,0,1;; }\n"
                  " MESH { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;;\n"
                  "  meshmateriallist { 1; 1; 0;; material { 1;1;1;1;; 0; 0;0;0;; 0;0;0;;\n"
                  "   TextureFileName { \"a.bmp\"; } } } } }"),
         1},
        {"odd names",
         TextFile("Frame 294_screen { Frame mesh-tail { Mesh m.1 { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;; } } }"), 1},
        {"inline template and custom objects",
         TextFile("template KeyValuePair { <26E6B1C3-3D4D-4a1d-A437-B33668FFA1C2> STRING key; STRING value; }\n"
                  "template FrameMeshName { <c2a7e79d-7b49-4f33-9b3d-4a1f4ac7c0d9> [...] }\n"
                  "KeyValuePair { \"a{b\"; \"}\"; }\n" +
                  tri + "FrameMeshName { {x} 1.#QNAN0; }\n"),
         1},
        {"empty skin weights with blank lines",
         TextFile("Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;;\n XSkinMeshHeader { 1; 1; 1; }\n"
                  " SkinWeights { \"Bone\"; 0;\n;\n;\n 1,0,0,0,0,1,0,0,0,0,1,0,0,0,0,1;; } }"),
         1},
        {"zero-face mesh beside a real one", TextFile("Mesh empty { 0;; 0;; }\n" + tri), 1},
        {"double semicolon after one-element list, 0064 text",
         TextFile("Mesh { 3;; 0.0;0.0;0.0;;, 1.0;0.0;0.0;;, 0.0;1.0;0.0;;; 1;; 3;0,1,2;;; }", "xof 0302txt 0064\n"), 1},
        {"trailing NUL and Ctrl-Z", TextFile(tri + std::string("\0\x1a", 2)), 1},
        {"references and GUIDs",
         TextFile("Mesh m { <3D82AB44-62DA-11CF-AB39-0020AF71E433> 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;; { ref } }\n"
                  "Frame { { m <3D82AB44-62DA-11CF-AB39-0020AF71E433> } }"),
         1},
        {"mesh with a 20-gon and a line face",
         TextFile("Mesh { 20; " +
                  [] {
                      std::string s;
                      for (int i = 0; i < 20; ++i) {
                          s += std::to_string(std::cos(i * 0.314159)) + ";" + std::to_string(std::sin(i * 0.314159)) +
                               ";0;,";
                      }
                      return s;
                  }() +
                  "; 2; 20;0,1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17,18,19;, 2;0,1;; }"),
         18},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        XFileMesh m;
        ASSERT_TRUE(Parses(c.File, m));
        EXPECT_EQ(m.Mesh.NumFaces(), c.Faces);
        EXPECT_EQ(m.Adjacency.size(), c.Faces * 3);
    }
}

TEST(XFileText, NonFiniteNumbersReadAsZero) {
    const XFileMesh m =
        MustParse(TextFile("Frame { FrameTransformMatrix { 1,0,0,0,0,1,0,0,0,0,1,0,0,0,1e39,1;; }\n"
                           "Mesh { 3; 1.#QNAN0;-1.#IND00;1.#INF00;, 1e999;-1e999;2.5;, 0;1;-0.125e1;;\n"
                           " 1; 3;0,1,2;;\n MeshNormals { 1; -1.#IND00;1;0;; 1; 3;0,0,0;; } } }"));
    const std::vector<float> expected = {0, 0, 0, 0, 0, 2.5f, 0, 1, -1.25f};
    EXPECT_EQ(m.Mesh.Positions, expected);
    for (const float n : m.Mesh.Normals) {
        EXPECT_TRUE(std::isfinite(n));
    }
    EXPECT_FLOAT_EQ(m.Mesh.Normals[1], 1.0f);
}

TEST(XFileText, NumbersReadLikeTheCLibrary) {
    const std::vector<std::string> numbers = {"0",
                                              "-0",
                                              "1",
                                              "+1.5",
                                              ".5",
                                              "5.",
                                              "123456789",
                                              "0.123456789012345678901234",
                                              "1234567890123456789012",
                                              "1e10",
                                              "1E-10",
                                              "-2.5e+3",
                                              "3.4028234e38",
                                              "1e-45",
                                              "0.000000001234",
                                              "99999999.99999999",
                                              "12345678.9",
                                              "0.00000000000000000000000000001",
                                              "-7.000001",
                                              "6.25e-2"};
    for (const std::string& n : numbers) {
        SCOPED_TRACE(n);
        const XFileMesh m =
            MustParse(TextFile("Mesh { 3; " + n + ";0;0;, 1;0;0;, 0;1;0;; 1; 3;00000000,00000001,2;; }"));
        const float expected = std::strtof(n.c_str(), nullptr);
        EXPECT_NEAR(m.Mesh.Positions[0], expected, std::fabs(expected) * 1e-6f);
        EXPECT_EQ(m.Mesh.Indices, (std::vector<std::uint32_t>{0, 1, 2}));
    }
    EXPECT_EQ(FailReason(TextFile("Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,123456789012345678901;; }")),
              "face index out of range");
}

// Many numbers in the forms exporters write, each compared bit for bit with the C
// library's reading; the file is long, so most take the short path for plain
// decimals, and the last ones, near its end, the general one.
TEST(XFileText, NumbersReadExactlyLikeStrtof) {
    struct Form {
        const char* Format;
        double Low, High;
    };
    const Form forms[] = {
        {"%.6f", -1.0, 1.0},   {"%.6f", -1000.0, 1000.0}, {"%.4f", 0.0, 100000.0}, {"%.9g", -1.0, 1.0},
        {"%.9g", -1e6, 1e6},   {"%.8f", -0.01, 0.01},     {"%.0f", -1e9, 1e9},     {"%.12f", -10.0, 10.0},
        {"%.3f", -1e12, 1e12}, {"%.9g", -1e-30, 1e-30},   {"%.7e", -1e20, 1e20},   {"%.15f", 0.0, 0.001},
    };
    std::mt19937_64 random(20240613);
    std::vector<std::string> numbers = {"0.5",
                                        "-0.0",
                                        "5.",
                                        ".25",
                                        "0.000001",
                                        "16777217",
                                        "0.1",
                                        "3.4028235e38",
                                        "9007199254740993",
                                        "0.3000000000000000444",
                                        "1234567.891"};
    for (const Form& f : forms) {
        std::uniform_real_distribution<double> value(f.Low, f.High);
        for (int i = 0; i < 3000; ++i) {
            char text[64];
            std::snprintf(text, sizeof text, f.Format, value(random));
            numbers.emplace_back(text);
        }
    }
    while (numbers.size() % 3 != 0) {
        numbers.emplace_back("1");
    }
    std::string body = "Mesh { " + std::to_string(numbers.size() / 3) + ";\n";
    for (std::size_t i = 0; i < numbers.size(); ++i) {
        body += numbers[i] + (i % 3 == 2 ? ";,\n" : ";");
    }
    body += "; 1; 3;0,1,2;; }";
    const XFileMesh m = MustParse(TextFile(body));
    ASSERT_EQ(m.Mesh.Positions.size(), numbers.size());
    std::size_t mismatches = 0;
    for (std::size_t i = 0; i < numbers.size(); ++i) {
        const float expected = std::strtof(numbers[i].c_str(), nullptr);
        if (std::memcmp(&m.Mesh.Positions[i], &expected, sizeof expected) != 0 && mismatches++ < 10) {
            ADD_FAILURE() << numbers[i] << " read as " << m.Mesh.Positions[i] << ", strtof gives " << expected;
        }
    }
    EXPECT_EQ(mismatches, 0u);
}

TEST(XFileSkipped, SkinningAnimationAndEffectsNeverFailAStaticLoad) {
    for (const Encoding e : {Encoding::Text, Encoding::Binary}) {
        SCOPED_TRACE(xtest::EncodingName(e));
        XWriter w(e);
        w.Begin("Frame", "Bone01");
        w.Begin("Mesh", "Skinned");
        w.Ints({3});
        w.Floats({0, 0, 0, 1, 0, 0, 0, 1, 0});
        w.Ints({1, 3, 0, 1, 2});
        w.Begin("XSkinMeshHeader");
        w.Ints({1, 1, 1});
        w.End();
        w.Begin("SkinWeights");
        w.String("Bone01");
        w.Ints({2, 999999, 4000000000u});
        w.Floats({0.5f, 0.5f, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1});
        w.End();
        w.Begin("DeclData");
        w.Ints({1, 1, 0, 5, 0, 2, 0x3f800000, 0});
        w.End();
        w.Begin("FVFData");
        w.Ints({0x102, 0});
        w.End();
        w.Begin("EffectInstance");
        w.String("shader.fx");
        w.Begin("EffectParamDWord");
        w.String("Mode");
        w.Ints({7});
        w.End();
        w.End();
        w.End();
        w.End();
        WriteAnimation(w, "Bone01");
        w.Begin("AnimTicksPerSecond");
        w.Ints({4800});
        w.End();
        const XFileMesh m = MustParse(w.Finish());
        EXPECT_EQ(m.Mesh.NumFaces(), 1u);
        EXPECT_EQ(m.Mesh.NumVertices(), 3u);
    }
}

// ---------------------------------------------------------------------------------
// Malformed files

TEST(XFileMalformed, FailsCleanlyWithItsReason) {
    const auto binary = [](auto fill) {
        XWriter w(Encoding::Binary);
        fill(w);
        return w.Finish();
    };
    const auto zipped = [](auto patch) {
        XWriter w(Encoding::TextZip);
        for (int i = 0; i < 3000; ++i) {
            w.Raw("// filler line to make several blocks " + std::to_string(i) + "\n");
        }
        w.Raw(kTriangleMesh);
        std::string file = w.Finish();
        patch(file);
        return file;
    };
    struct Case {
        const char* Name;
        std::string File;
        const char* Reason;
    };
    const std::vector<Case> cases = {
        {"empty", "", "not an x file"},
        {"short header", "xof 0303", "not an x file"},
        {"bad magic", "xif 0303txt 0032" + std::string(kTriangleMesh), "not an x file"},
        {"bad major version", "xof 0203txt 0032" + std::string(kTriangleMesh), "unsupported version"},
        {"bad encoding", "xof 0303abc 0032" + std::string(kTriangleMesh), "unknown encoding"},
        {"bad float width", "xof 0303txt 0016" + std::string(kTriangleMesh), "bad float size"},
        {"no mesh", TextFile("Frame { Frame {} }"), "no mesh"},
        {"zero faces", TextFile("Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 0;; }"), "no faces"},
        {"only line faces", TextFile("Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 2;0,1;; }"), "no faces"},
        {"face index out of range", TextFile("Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,3;; }"),
         "face index out of range"},
        {"truncated", TextFile("Frame { Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;; }"), "truncated file"},
        {"truncated in values", TextFile("Mesh { 3; 0;0;0;, 1;0;0;"), "bad vertex data"},
        {"count promises more than the object holds", TextFile("Mesh { 4; 0;0;0;, 1;0;0;, 0;1;0;; }"),
         "bad vertex data"},
        {"huge vertex count", TextFile("Mesh { 4000000000; 0;0;0;; }"), "vertex count too large"},
        {"huge face size", TextFile("Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3000000000;0,1,2;; }"),
         "face size too large"},
        {"material index out of range",
         TextFile("Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;; MeshMaterialList { 1; 1; 1;; } }"),
         "material index out of range"},
        {"normal index out of range",
         TextFile("Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;; MeshNormals { 1; 0;0;1;; 1; 3;0,0,1;; } }"),
         "normal index out of range"},
        {"colour index out of range",
         TextFile("Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;; MeshVertexColors { 1; 3; 1;1;1;1;;; } }"),
         "colour index out of range"},
        {"unterminated string", TextFile(std::string(kTriangleMesh) + "Custom { \"abc }"), "truncated file"},
        {"binary list count lies", binary([](XWriter& w) {
             w.Name("Mesh");
             w.Code(10);
             w.Ints({3});
             w.Code(7);
             w.Dword(1000000);
             w.Raw(std::string(36, '\0'));
         }),
         "bad vertex data"},
        {"binary unknown token", binary([](XWriter& w) { w.Code(99); }), "unexpected token"},
        {"binary name length lies", binary([](XWriter& w) {
             w.Code(1);
             w.Dword(0xFFFFFFF0u);
             w.Raw("Mesh");
         }),
         "bad object"},
        {"binary truncated after mesh header", binary([](XWriter& w) {
             w.Name("Mesh");
             w.Code(10);
             w.Ints({3});
         }),
         "vertex count too large"},
        {"compressed: bad signature", zipped([](std::string& f) { f[16 + 4 + 4] = 'X'; }),
         "bad compressed block signature"},
        {"compressed: total lies", zipped([](std::string& f) { f[16] = static_cast<char>(f[16] + 1); }),
         "compressed size mismatch"},
        {"compressed: total far too big", zipped([](std::string& f) { f[19] = '\x7f'; }), "compressed size mismatch"},
        {"compressed: block runs past the end", zipped([](std::string& f) { f.resize(f.size() - 3); }),
         "truncated compressed block"},
        {"compressed: corrupt deflate data", zipped([](std::string& f) {
             for (std::size_t i = 16 + 4 + 6; i < 16 + 4 + 40; ++i) {
                 f[i] = static_cast<char>(~f[i]);
             }
         }),
         "bad compressed block"},
        {"compressed: bytes left over", zipped([](std::string& f) { f += "XY"; }), "truncated compressed block"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FailReason(c.File), c.Reason) << c.Name;
    }
}

// A closing brace at the top level closes nothing and is passed over; a file that
// ends inside an object still fails.
TEST(XFileStrayBrace, TopLevelBracesAreSkippedAndOpenObjectsStillFail) {
    // Frame Root (moved 10 along x) holding the triangle.
    const auto frameTree = [](XWriter& w) {
        w.Begin("Frame", "Root");
        w.Begin("FrameTransformMatrix");
        w.Floats(Translate(10, 0, 0));
        w.End();
        xtest::WriteMesh(w, Triangle());
        w.End();
    };
    struct Case {
        const char* Name;
        std::function<void(XWriter&)> Write;
        std::uint32_t Faces;  // 0: the load fails with `reason`
        float FirstX;         // x of the first position
        float LastX;          // x of the last position
        const char* Reason;
    };
    const std::vector<Case> cases = {
        {"between the frame tree and an animation set",
         [&](XWriter& w) {
             frameTree(w);
             w.End();
             WriteAnimation(w, "Root");
         },
         1, 10, 10, ""},
        {"before the first object",
         [&](XWriter& w) {
             w.End();
             frameTree(w);
         },
         1, 10, 10, ""},
        {"two in a row, then a mesh outside the frame",
         [&](XWriter& w) {
             frameTree(w);
             w.End();
             w.End();
             xtest::WriteMesh(w, Triangle());
             WriteAnimation(w, "Root");
         },
         2, 10, 0, ""},
        {"object still open at the end",
         [&](XWriter& w) {
             frameTree(w);
             w.Begin("Frame", "Open");
             xtest::WriteMesh(w, Triangle());
         },
         0, 0, 0, "truncated file"},
        {"mesh still open at the end",
         [&](XWriter& w) {
             w.Begin("Mesh");
             w.Count(3);
             w.Floats(xtest::Doubles(Triangle().Positions), 3);
             w.Faces(Triangle().Faces);
         },
         0, 0, 0, "truncated file"},
    };
    for (const Encoding e : {Encoding::Text, Encoding::Binary}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(xtest::EncodingName(e)) + ": " + c.Name);
            XWriter w(e);
            c.Write(w);
            if (c.Faces == 0) {
                EXPECT_EQ(FailReason(w.Finish()), c.Reason);
                continue;
            }
            const XFileMesh m = MustParse(w.Finish());
            ASSERT_EQ(m.Mesh.NumFaces(), c.Faces);
            ASSERT_EQ(m.Mesh.NumVertices(), 3 * c.Faces);
            EXPECT_FLOAT_EQ(m.Mesh.Positions.front(), c.FirstX);
            EXPECT_FLOAT_EQ(m.Mesh.Positions[m.Mesh.Positions.size() - 3], c.LastX);
        }
    }
}

TEST(XFileMalformed, EveryPrefixOfAGoodFileFailsOrLoadsWithoutHarm) {
    for (const Encoding e : {Encoding::Text, Encoding::Binary, Encoding::BinaryZip}) {
        XWriter w(e);
        xtest::WriteMesh(w, Cube());
        const std::string file = w.Finish();
        for (std::size_t n = 0; n < file.size(); ++n) {
            XFileMesh m;
            std::string reason;
            if (!ParseXFile(reinterpret_cast<const std::uint8_t*>(file.data()), n, m, reason)) {
                EXPECT_FALSE(reason.empty());
            }
        }
    }
}

// ---------------------------------------------------------------------------------
// Files on disk

// Large files are mapped, small ones read: both give what parsing the bytes gives.
TEST(XFileLoad, LargeAndSmallFilesLoadAsTheirBytesParse) {
    const std::string path = ::testing::TempDir() + "/xfile_sizes.x";
    for (const Encoding e : {Encoding::Text, Encoding::Binary}) {
        for (const std::uint32_t side : {4u, 160u}) {
            SCOPED_TRACE(std::string(xtest::EncodingName(e)) + " " + std::to_string(side));
            XWriter w(e);
            xtest::WriteMesh(w, xtest::Grid(side));
            const std::string bytes = w.Finish();
            EXPECT_EQ(bytes.size() > (std::size_t{1} << 20), side > 100);
            { std::ofstream(path, std::ios::binary) << bytes; }
            XFileMesh loaded;
            std::string reason;
            ASSERT_TRUE(LoadXFile(path, loaded, reason)) << reason;
            const XFileMesh parsed = MustParse(bytes);
            EXPECT_EQ(loaded.Mesh.Positions, parsed.Mesh.Positions);
            EXPECT_EQ(loaded.Mesh.Normals, parsed.Mesh.Normals);
            EXPECT_EQ(loaded.Mesh.Indices, parsed.Mesh.Indices);
            EXPECT_EQ(loaded.Adjacency, parsed.Adjacency);
        }
    }
    std::remove(path.c_str());
}

// Another program cutting a mapped file short during a load: the load fails as a
// truncated file, wherever the cut is, and the program goes on.
TEST(XFileLoad, AFileCutShortUnderItsMappingIsATruncatedFile) {
    const std::string path = ::testing::TempDir() + "/xfile_cut.x";
    for (const Encoding e : {Encoding::Text, Encoding::Binary}) {
        XWriter w(e);
        xtest::WriteMesh(w, xtest::Grid(160));
        const std::string bytes = w.Finish();
        ASSERT_GT(bytes.size(), std::size_t{1} << 20);
        for (const std::size_t cut :
             {std::size_t{0}, std::size_t{20000}, bytes.size() / 2, bytes.size() - 1, bytes.size()}) {
            SCOPED_TRACE(std::string(xtest::EncodingName(e)) + " cut at " + std::to_string(cut));
            { std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes; }
            const int fd = ::open(path.c_str(), O_RDWR);
            ASSERT_GE(fd, 0);
            {
                const xfile::FileMapping mapping(fd, bytes.size());
                ASSERT_NE(mapping.Data(), nullptr);
                ASSERT_EQ(::ftruncate(fd, static_cast<off_t>(cut)), 0);
                XFileMesh out;
                std::string reason;
                const bool ok = xfile::ParseMapped(mapping, fd, bytes.size(), out, reason);
                if (cut == bytes.size()) {
                    EXPECT_TRUE(ok) << reason;
                    EXPECT_EQ(out.Mesh.NumFaces(), MustParse(bytes).Mesh.NumFaces());
                } else {
                    EXPECT_FALSE(ok);
                    EXPECT_EQ(reason, "truncated file");
                    EXPECT_EQ(out.Mesh.NumFaces(), 0u);
                    // Pages wholly past the cut were read, and read as zeros.
                    EXPECT_EQ(mapping.Truncated(), cut + 8192 < bytes.size());
                }
            }
            ::close(fd);
        }
    }
    std::remove(path.c_str());
}

TEST(XFileLoad, FileSystemFailuresAreReported) {
    const std::string dir = ::testing::TempDir();
    const std::string good = dir + "/xfile_good.x";
    { std::ofstream(good, std::ios::binary) << TextFile(kTriangleMesh); }
    XFileMesh m;
    std::string reason;
    EXPECT_TRUE(LoadXFile(good, m, reason)) << reason;
    EXPECT_EQ(m.Mesh.NumFaces(), 1u);

    EXPECT_FALSE(LoadXFile(dir + "/no_such_file.x", m, reason));
    EXPECT_EQ(reason, "file not found");
    EXPECT_FALSE(LoadXFile(dir, m, reason));
    EXPECT_EQ(reason, "is a directory");

    const std::string fifo = dir + "/xfile_fifo.x";
    std::remove(fifo.c_str());
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_FALSE(LoadXFile(fifo, m, reason));  // refused at once, not waited on
    EXPECT_EQ(reason, "not a regular file");
    std::remove(fifo.c_str());

    const std::string locked = dir + "/xfile_locked.x";
    { std::ofstream(locked, std::ios::binary) << TextFile(kTriangleMesh); }
    ::chmod(locked.c_str(), 0);
    if (::geteuid() != 0) {
        EXPECT_FALSE(LoadXFile(locked, m, reason));
        EXPECT_EQ(reason, "permission denied");
    }
    std::remove(locked.c_str());
    std::remove(good.c_str());
}

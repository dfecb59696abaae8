// The real program (the headless runner) against a copy of data/ with one thing
// broken: it must end with the exact missing-file message naming the right file,
// say why on stderr, stay within bounded memory, never hang and never trip a
// sanitizer; where an input is merely unusual it must load.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
#include <utility>

#include "tests/reliability/AppFolder.h"
#include "tests/reliability/Inputs.h"

namespace {

enum class Outcome { Fails, Loads, Either };

struct BadInput {
    std::string name;
    std::function<void(AppFolder&)> setup;
    Outcome outcome = Outcome::Fails;
    std::string names;                  // the data path the message names
    std::string args = "--detail low";  // menu choices
    long maxRssKb = 1024 * 1024;        // nothing may allocate what the file cannot hold
    bool needsNonRoot = false;          // permission bits do not stop root
};

void PrintTo(const BadInput& c, std::ostream* os) { *os << c.name; }

// The world's meshes in load order (the last three only at high detail).
const char* const Meshes[] = {
    "3d/3d00014.x",          "3d/3d0005.x",           "3d/3d0007.x",           "3d/3d0006.x",
    "3d/3d00015.x",          "3d/3d000car.x",         "3d/3d0001.x",           "3d/3d00012.x",
    "3d/3d00013.x",          "3d/3d00016.x",          "3d/3d00017.x",          "3d/3d0008.x",
    "3d/3d00011.x",          "3d/3d00019.x",          "3d/3d00020.x",          "3d/3d00021.x",
    "3d/3d00022.x",          "3d/3d00023.x",          "Animation/anim0001.x",  "Animation/anim0002.x",
    "Animation/anim0003.x",  "Animation/anim0004.x",  "Animation/anim0005.x",  "Animation/anim0006.x",
    "Animation/anim0007.x",  "Animation/anim0008.x",  "Animation/anim0009.x",  "Animation/anim00010.x",
    "Animation/anim00011.x", "Animation/anim00012.x", "Animation/anim00013.x", "Animation/anim00014.x",
    "Animation/anim00015.x", "3d/3d00018.x",          "3d/3d0002.x",           "3d/3d0003.x",
    "3d/3d0004.x"};
const char* const Pictures[] = {"texture0004.jpg",  "texture0005.jpg",  "texture00012.jpg", "texture0001.jpg",
                                "texture00010.jpg", "texture00011.jpg", "texture0007.jpg",  "texture0008.jpg",
                                "texture0003.jpg",  "texture0002.jpg"};

bool HighOnly(const std::string& file) {
    return file == "3d/3d0002.x" || file == "3d/3d0003.x" || file == "3d/3d0004.x" || file == "texture0002.jpg";
}

std::string Backslashed(const std::string& relative) {
    std::string path = "\\data\\" + relative;
    std::replace(path.begin(), path.end(), '/', '\\');
    return path;
}

std::string Slashed(const std::string& backslashed) {
    std::string path = backslashed;
    std::replace(path.begin(), path.end(), '\\', '/');
    return path;
}

// The file every mesh case breaks: the first one loaded, and its picture.
const std::string FirstMesh = "data/3d/3d00014.x";
const std::string FirstMeshMessage = "\\data\\3d\\3d00014.x";
const std::string FirstPicture = "data/bitmap/texture0004.jpg";
const std::string FirstPictureMessage = "\\data\\bitmap\\texture0004.jpg";

BadInput MeshCase(std::string name, std::function<std::string()> bytes, Outcome outcome = Outcome::Fails) {
    return {std::move(name), [bytes](AppFolder& app) { app.Write(FirstMesh, bytes()); }, outcome, FirstMeshMessage};
}

BadInput PictureCase(std::string name, std::function<std::string()> bytes, Outcome outcome = Outcome::Fails) {
    return {std::move(name), [bytes](AppFolder& app) { app.Write(FirstPicture, bytes()); }, outcome,
            FirstPictureMessage};
}

// A compressed mesh changed by `breakIt` after compression.
// A compressed grid mesh in parts.
xwriter::Packed PackedGrid(xwriter::Encoding encoding) {
    xwriter::Writer grid = Grid(40, encoding);
    return xwriter::Pack(grid.Header(), grid.Body());
}

// A compressed mesh changed by `breakIt` after compression.
BadInput CompressedCase(const std::string& name, xwriter::Encoding encoding,
                        std::function<void(xwriter::Packed&)> breakIt, Outcome outcome = Outcome::Fails) {
    return MeshCase(name, [encoding, breakIt] {
        xwriter::Packed x = PackedGrid(encoding);
        breakIt(x);
        return x.Bytes();
    }, outcome);
}

std::string TriangleWith(const std::string& vertices, const std::string& faces) {
    return TextX("Mesh T {\n" + vertices + "\n" + faces + "\n}\n");
}

// A binary mesh: the vertex count, the positions and the face list.
std::string BinaryMesh(std::uint32_t vertices, const std::vector<double>& positions,
                       const std::vector<std::uint32_t>& faces) {
    xwriter::Writer x(xwriter::Encoding::Binary);
    x.Begin("Mesh");
    x.Ints({vertices});
    x.Floats(positions);
    x.Ints(faces);
    x.End();
    return x.Finish();
}

const std::vector<double> kTrianglePositions = {0, 0, 0, 1, 0, 0, 0, 1, 0};

std::string BinaryTriangle(float a, float b) {
    return BinaryMesh(3, {0, 0, 0, a, 0, 0, 0, b, 0}, {1, 3, 0, 1, 2});
}

// A binary file of single tokens.
std::string BinaryTokens(const std::function<void(xwriter::Writer&)>& fill) {
    xwriter::Writer x(xwriter::Encoding::Binary);
    fill(x);
    return x.Finish();
}

std::vector<BadInput> Cases() {
    std::vector<BadInput> cases;
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();

    // Each world file missing on its own: the message names exactly that file.
    for (const char* mesh : Meshes) {
        BadInput c{std::string("missing_") + mesh, [mesh](AppFolder& app) { app.Remove(std::string("data/") + mesh); },
                   Outcome::Fails, Backslashed(mesh)};
        if (HighOnly(mesh)) c.args = "--detail high";
        cases.push_back(c);
    }
    for (const char* picture : Pictures) {
        const std::string relative = std::string("bitmap/") + picture;
        BadInput c{std::string("missing_") + picture, [relative](AppFolder& app) { app.Remove("data/" + relative); },
                   Outcome::Fails, Backslashed(relative)};
        if (HighOnly(picture)) c.args = "--detail high";
        cases.push_back(c);
    }
    // The first missing file in load order is the one named, and nothing after it runs.
    cases.push_back({"missing_two_meshes_names_the_earlier",
                     [](AppFolder& app) {
                         app.Remove("data/Animation/anim00015.x");
                         app.Remove("data/3d/3d0005.x");
                     },
                     Outcome::Fails, "\\data\\3d\\3d0005.x"});
    cases.push_back({"missing_picture_before_next_mesh",
                     [](AppFolder& app) {
                         app.Remove("data/3d/3d0005.x");
                         app.Remove(FirstPicture);
                     },
                     Outcome::Fails, FirstPictureMessage});
    cases.push_back({"data_folder_missing", [](AppFolder& app) { app.Remove("data"); }, Outcome::Fails,
                     FirstMeshMessage});
    cases.push_back({"no_textures_needs_no_pictures",
                     [](AppFolder& app) { app.Remove("data/bitmap"); }, Outcome::Loads, "",
                     "--detail high --no-textures"});

    // Meshes that are not meshes.
    cases.push_back(MeshCase("mesh_empty", [] { return std::string(); }));
    cases.push_back(MeshCase("mesh_header_only", [] { return std::string("xof 0303txt 0032"); }));
    cases.push_back(MeshCase("mesh_random_bytes", [] { return RandomBytes(4096, 1); }));
    cases.push_back(MeshCase("mesh_random_body", [] { return "xof 0303txt 0032" + RandomBytes(4096, 2); }));
    cases.push_back(MeshCase("mesh_random_binary_body", [] { return "xof 0303bin 0032" + RandomBytes(4096, 3); }));
    cases.push_back(MeshCase("mesh_wrong_magic", [] { return "xaf 0303txt 0032" + TriangleText().substr(16); }));
    cases.push_back(MeshCase("mesh_wrong_major", [] { return "xof 0403txt 0032" + TriangleText().substr(16); }));
    cases.push_back(MeshCase("mesh_wrong_encoding", [] { return "xof 0303abc 0032" + TriangleText().substr(16); }));
    cases.push_back(MeshCase("mesh_wrong_float_width", [] { return "xof 0303txt 0016" + TriangleText().substr(16); }));
    cases.push_back({"mesh_truncated", [](AppFolder& app) {
                         const std::string whole = app.Read(FirstMesh);
                         app.Write(FirstMesh, whole.substr(0, whole.size() / 2));
                     }, Outcome::Fails, FirstMeshMessage});
    cases.push_back(MeshCase("mesh_unclosed_brace", [] {
        const std::string t = TriangleText();
        return t.substr(0, t.rfind('}'));
    }));
    cases.push_back(MeshCase("mesh_without_mesh", [] { return TextX("Header { 1; 0; 1; }\n"); }));
    cases.push_back({"mesh_is_a_directory", [](AppFolder& app) { app.MakeDirectory(FirstMesh); }, Outcome::Fails,
                     FirstMeshMessage});
    cases.push_back({"mesh_is_a_fifo", [](AppFolder& app) { app.MakeFifo(FirstMesh); }, Outcome::Fails,
                     FirstMeshMessage});
    cases.push_back({"mesh_symlink_loop", [](AppFolder& app) { app.MakeSymlink(FirstMesh, "3d00014.x"); },
                     Outcome::Fails, FirstMeshMessage});
    BadInput unreadableMesh{"mesh_unreadable", [](AppFolder& app) { app.MakeUnreadable(FirstMesh); }, Outcome::Fails,
                            FirstMeshMessage};
    unreadableMesh.needsNonRoot = true;
    cases.push_back(unreadableMesh);

    // Counts far beyond what the file holds: no allocation beyond the file.
    cases.push_back(MeshCase("text_vertices_2pow31", [] {
        return TriangleWith("2147483648;\n 0.0;0.0;0.0;,\n 1.0;0.0;0.0;,\n 0.0;1.0;0.0;;", "1;\n 3;0,1,2;;");
    }));
    cases.push_back(MeshCase("text_vertices_2pow31_minus_1", [] {
        return TriangleWith("2147483647;\n 0.0;0.0;0.0;,\n 1.0;0.0;0.0;,\n 0.0;1.0;0.0;;", "1;\n 3;0,1,2;;");
    }));
    cases.push_back(MeshCase("text_vertices_2pow32_minus_1", [] {
        return TriangleWith("4294967295;\n 0.0;0.0;0.0;;", "1;\n 3;0,1,2;;");
    }));
    cases.push_back(MeshCase("text_vertices_20_digits", [] {
        return TriangleWith("99999999999999999999;\n 0.0;0.0;0.0;;", "1;\n 3;0,1,2;;");
    }));
    cases.push_back(MeshCase("text_faces_2pow31", [] {
        return TriangleWith("3;\n 0.0;0.0;0.0;,\n 1.0;0.0;0.0;,\n 0.0;1.0;0.0;;", "2147483647;\n 3;0,1,2;;");
    }));
    cases.push_back(MeshCase("text_face_corners_2pow31", [] {
        return TriangleWith("3;\n 0.0;0.0;0.0;,\n 1.0;0.0;0.0;,\n 0.0;1.0;0.0;;", "1;\n 2147483647;0,1,2;;");
    }));
    cases.push_back(MeshCase("text_normals_2pow31", [] {
        return TextX("Mesh T {\n 3;\n 0.0;0.0;0.0;,\n 1.0;0.0;0.0;,\n 0.0;1.0;0.0;;\n 1;\n 3;0,1,2;;\n"
                     " MeshNormals { 2147483647; 0.0;1.0;0.0;; 1; 3;0,0,0;; }\n}\n");
    }, Outcome::Either));
    cases.push_back(MeshCase("text_materials_2pow31", [] {
        return TextX("Mesh T {\n 3;\n 0.0;0.0;0.0;,\n 1.0;0.0;0.0;,\n 0.0;1.0;0.0;;\n 1;\n 3;0,1,2;;\n"
                     " MeshMaterialList { 2147483647; 1; 0;; }\n}\n");
    }, Outcome::Either));
    cases.push_back(MeshCase("binary_vertices_2pow31", [] {
        return BinaryMesh(0x80000000u, kTrianglePositions, {1, 3, 0, 1, 2});
    }));
    cases.push_back(MeshCase("binary_int_list_count_lies", [] {
        return BinaryTokens([](xwriter::Writer& x) {
            x.Begin("Mesh");
            x.Code(6);
            x.Dword(0x7fffffffu);
            x.Dword(3);
            x.Floats(kTrianglePositions);
            x.Ints({1, 3, 0, 1, 2});
            x.End();
        });
    }));
    cases.push_back(MeshCase("binary_float_list_count_lies", [] {
        return BinaryTokens([](xwriter::Writer& x) {
            x.Begin("Mesh");
            x.Ints({3});
            x.Code(7);
            x.Dword(0xffffffffu);
            x.Raw(std::string(36, '\0'));
            x.Ints({1, 3, 0, 1, 2});
            x.End();
        });
    }));
    cases.push_back(MeshCase("binary_name_length_lies", [] {
        return BinaryTokens([](xwriter::Writer& x) {
            x.Code(1);
            x.Dword(0xfffffff0u);
            x.Raw("Mesh");
        });
    }));
    cases.push_back(MeshCase("binary_string_length_lies", [] {
        return BinaryTokens([](xwriter::Writer& x) {
            x.Begin("Header");
            x.Code(2);
            x.Dword(0xfffffff0u);
            x.Raw("abc");
        });
    }));
    cases.push_back(MeshCase("binary_unknown_token", [] {
        return BinaryTokens([](xwriter::Writer& x) {
            x.Begin("Mesh");
            x.Code(4);
            x.Dword(1);
            x.End();
        });
    }));

    // Indices and numbers.
    cases.push_back(MeshCase("face_index_out_of_range", [] {
        return TriangleWith("3;\n 0.0;0.0;0.0;,\n 1.0;0.0;0.0;,\n 0.0;1.0;0.0;;", "1;\n 3;0,1,7;;");
    }));
    cases.push_back(MeshCase("face_index_2pow32_minus_1", [] {
        return TriangleWith("3;\n 0.0;0.0;0.0;,\n 1.0;0.0;0.0;,\n 0.0;1.0;0.0;;", "1;\n 3;0,1,4294967295;;");
    }));
    cases.push_back(MeshCase("face_index_negative", [] {
        return TriangleWith("3;\n 0.0;0.0;0.0;,\n 1.0;0.0;0.0;,\n 0.0;1.0;0.0;;", "1;\n 3;0,1,-1;;");
    }));
    cases.push_back(MeshCase("binary_face_index_out_of_range", [] {
        return BinaryMesh(3, kTrianglePositions, {1, 3, 0, 1, 3});
    }));
    cases.push_back(MeshCase("text_nan_inf_words", [] {
        return TriangleWith("3;\n nan;0.0;0.0;,\n inf;0.0;0.0;,\n 0.0;-inf;0.0;;", "1;\n 3;0,1,2;;");
    }, Outcome::Either));
    cases.push_back(MeshCase("text_float_overflow", [] {
        return TriangleWith("3;\n 1e39;0.0;0.0;,\n -1e39;0.0;0.0;,\n 0.0;1e-50;0.0;;", "1;\n 3;0,1,2;;");
    }, Outcome::Either));
    cases.push_back(MeshCase("binary_nan_coordinates", [nan] { return BinaryTriangle(nan, 1); }, Outcome::Either));
    cases.push_back(MeshCase("binary_infinite_coordinates", [inf] { return BinaryTriangle(inf, -inf); },
                             Outcome::Either));
    cases.push_back(MeshCase("faces_with_0_1_2_corners", [] {
        return TriangleWith("3;\n 0.0;0.0;0.0;,\n 1.0;0.0;0.0;,\n 0.0;1.0;0.0;;",
                            "4;\n 0;,\n 1;0;,\n 2;0,1;,\n 3;0,1,2;;");
    }, Outcome::Loads));
    cases.push_back(MeshCase("only_degenerate_faces", [] {
        return TriangleWith("3;\n 0.0;0.0;0.0;,\n 1.0;0.0;0.0;,\n 0.0;1.0;0.0;;", "2;\n 2;0,1;,\n 1;2;;");
    }, Outcome::Either));
    cases.push_back(MeshCase("zero_faces", [] {
        return TriangleWith("3;\n 0.0;0.0;0.0;,\n 1.0;0.0;0.0;,\n 0.0;1.0;0.0;;", "0;;");
    }, Outcome::Either));
    cases.push_back(MeshCase("zero_vertices_zero_faces", [] { return TriangleWith("0;;", "0;;"); }, Outcome::Either));
    cases.push_back(MeshCase("frames_nested_100", [] { return NestedFramesText(100); }, Outcome::Loads));
    cases.push_back(MeshCase("frames_nested_100000", [] { return NestedFramesText(100000); }, Outcome::Either));
    cases.push_back(MeshCase("braces_nested_100000", [] {
        return TextX("Unknown {\n" + std::string(100000, '{') + std::string(100000, '}') + "}\n") +
               TriangleText().substr(16);
    }, Outcome::Either));
    cases.push_back(MeshCase("text_grid_loads", [] { return Grid(40, xwriter::Encoding::Text).Finish(); }, Outcome::Loads));

    // Compressed forms: the valid ones load, every lie fails.
    for (const xwriter::Encoding zip : {xwriter::Encoding::TextZip, xwriter::Encoding::BinaryZip}) {
        const std::string encoding = xwriter::EncodingName(zip);
        cases.push_back(CompressedCase(encoding + "_valid", zip, [](xwriter::Packed&) {}, Outcome::Loads));
        const std::pair<const char*, std::function<void(xwriter::Packed&)>> lies[] = {
            {"_corrupt_first_block", [](xwriter::Packed& x) { x.Blocks[0].Data[0] = static_cast<char>(0xff); }},
            {"_corrupt_last_block", [](xwriter::Packed& x) { x.Blocks.back().Data[0] = static_cast<char>(0xff); }},
            {"_bad_signature", [](xwriter::Packed& x) { x.Blocks[1].Signature = "CX"; }},
            {"_total_too_large", [](xwriter::Packed& x) { x.Total += 1000; }},
            {"_total_too_small", [](xwriter::Packed& x) { x.Total = 26; }},
            {"_total_4GiB", [](xwriter::Packed& x) { x.Total = 0xffffffffu; }},
            {"_raw_size_lies", [](xwriter::Packed& x) { x.Blocks[0].RawSize = 32767; }},
            {"_raw_size_zero", [](xwriter::Packed& x) { x.Blocks[0].RawSize = 0; }},
            {"_packed_size_past_end", [](xwriter::Packed& x) { x.Blocks.back().PackedSize = 0xffff; }},
            {"_packed_size_0", [](xwriter::Packed& x) { x.Blocks[0].PackedSize = 0; }},
            {"_packed_size_1", [](xwriter::Packed& x) { x.Blocks[0].PackedSize = 1; }},
            {"_trailing_bytes", [](xwriter::Packed& x) { x.Trailing = "junk!"; }},
            {"_block_missing", [](xwriter::Packed& x) { x.Blocks.pop_back(); }},
            {"_no_blocks", [](xwriter::Packed& x) { x.Blocks.clear(); }},
        };
        for (const auto& [suffix, breakIt] : lies) {
            cases.push_back(CompressedCase(encoding + suffix, zip, breakIt));
        }
        cases.push_back(MeshCase(encoding + "_truncated_in_block", [zip] {
            const std::string file = PackedGrid(zip).Bytes();
            return file.substr(0, file.size() - 100);
        }));
    }

    // Pictures.
    cases.push_back(PictureCase("picture_empty", [] { return std::string(); }));
    cases.push_back(PictureCase("picture_is_text", [] { return std::string("this is not a picture\n"); }));
    cases.push_back(PictureCase("picture_random_bytes", [] { return RandomBytes(4096, 4); }));
    cases.push_back(PictureCase("picture_jpeg_header_then_random", [] {
        return std::string("\xff\xd8\xff\xe0", 4) + RandomBytes(4096, 5);
    }, Outcome::Either));
    cases.push_back({"picture_truncated", [](AppFolder& app) {
                         const std::string whole = app.Read(FirstPicture);
                         app.Write(FirstPicture, whole.substr(0, whole.size() / 3));
                     }, Outcome::Either, FirstPictureMessage});
    cases.push_back(PictureCase("picture_1x1", [] { return SolidPng(1, 1); }, Outcome::Loads));
    BadInput big = PictureCase("picture_8192x8192", [] { return SolidPng(8192, 8192); }, Outcome::Either);
    big.maxRssKb = 1536 * 1024;  // the picture once as decoded, once as converted, once in the driver
    cases.push_back(big);
    cases.push_back(PictureCase("picture_claims_30000x30000", [] { return TruncatedPng(30000, 30000); },
                                Outcome::Either));
    cases.push_back({"picture_is_a_directory", [](AppFolder& app) { app.MakeDirectory(FirstPicture); },
                     Outcome::Fails, FirstPictureMessage});
    cases.push_back({"picture_is_a_fifo", [](AppFolder& app) { app.MakeFifo(FirstPicture); }, Outcome::Fails,
                     FirstPictureMessage});
    BadInput unreadablePicture{"picture_unreadable", [](AppFolder& app) { app.MakeUnreadable(FirstPicture); },
                               Outcome::Fails, FirstPictureMessage};
    unreadablePicture.needsNonRoot = true;
    cases.push_back(unreadablePicture);
    return cases;
}

std::size_t Count(const std::string& text, const std::string& what) {
    std::size_t n = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + what.size())) ++n;
    return n;
}

class BadInputTest : public testing::TestWithParam<BadInput> {};

TEST_P(BadInputTest, EndsCleanly) {
    const BadInput& c = GetParam();
    // Permission bits do not stop root: there the program runs as the unprivileged
    // user "nobody" (65534), for whom they count.
    const int asUser = c.needsNonRoot && geteuid() == 0 ? 65534 : -1;
    AppFolder app(ND_HEADLESS);
    ASSERT_TRUE(app.Ready()) << "cannot set up " << app.Root();
    c.setup(app);
    const ProcessResult r = app.Run("--frames 3 --size 640x480 " + c.args, 90, asUser);
    const std::string& err = r.err;
    ASSERT_TRUE(r.started);
    EXPECT_FALSE(r.timedOut) << Describe(r);
    EXPECT_EQ(r.signal, 0) << Describe(r);
    EXPECT_EQ(err.find("Sanitizer"), std::string::npos) << Describe(r);
    EXPECT_EQ(err.find("runtime error:"), std::string::npos) << Describe(r);
    EXPECT_LE(r.maxRssKb, c.maxRssKb) << Describe(r);

    const bool failed = r.exitCode != 0 || err.find("Can't find") != std::string::npos;
    // What happened, for the record (the table of cases in docs/reliability.md).
    std::string why = "loads";
    if (failed) {
        const std::size_t at = err.find("nightdrive: /");
        why = at == std::string::npos ? "fails" : "fails: " + err.substr(at, err.find('\n', at) - at);
    }
    std::printf("outcome %s: %s (%.1f s, peak RSS %ld kB)\n", c.name.c_str(), why.c_str(), r.seconds, r.maxRssKb);
    if (c.outcome == Outcome::Loads || (c.outcome == Outcome::Either && !failed)) {
        EXPECT_EQ(r.exitCode, 0) << Describe(r);
        EXPECT_EQ(err.find("Can't find"), std::string::npos) << Describe(r);
        return;
    }
    // The message names the file, exactly once, and nothing else is reported as missing.
    EXPECT_EQ(r.exitCode, 1) << Describe(r);
    const std::string message = "nightdrive: Can't find " + c.names + " This Application will be turminated\n";
    EXPECT_NE(err.find(message), std::string::npos) << "expected: " << message << Describe(r);
    EXPECT_EQ(Count(err, "Can't find"), 1u) << Describe(r);
    // The loader's reason names the full path.
    const std::string reason = "nightdrive: " + app.Root() + Slashed(c.names) + ": ";
    const std::size_t at = err.find(reason);
    ASSERT_NE(at, std::string::npos) << "expected a line starting: " << reason << "\n" << Describe(r);
    const std::size_t end = err.find('\n', at);
    EXPECT_GT(end, at + reason.size()) << "the reason is empty\n" << Describe(r);
}

std::string CaseName(const testing::TestParamInfo<BadInput>& info) {
    std::string name = info.param.name;
    for (char& ch : name) {
        if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
    }
    return name;
}

INSTANTIATE_TEST_SUITE_P(Reliability, BadInputTest, testing::ValuesIn(Cases()), CaseName);

}  // namespace

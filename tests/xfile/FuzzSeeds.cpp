// Writes the .x fuzzer's seed corpus into the folder it is given; run it after
// changing the writers:
//   build/tests/xfile/xfile_fuzz_seeds tests/fuzz/corpus/xfile
#include <cstdio>
#include <fstream>
#include <string>

#include "TestMeshes.h"

using xtest::Encoding;
using xtest::XWriter;

namespace {

std::string Scene(Encoding e, bool doubles) {
    XWriter w(e, doubles);
    w.Template("Custom");
    xtest::WriteMaterial(w, "Shared", {1, 1, 1, 1, 4, 0, 0, 0, 0, 0, 0}, "tex.bmp");
    w.Begin("Frame", "Root");
    w.Begin("FrameTransformMatrix");
    w.Floats({1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 1, 2, 3, 1});
    w.End();
    xtest::TestMesh grid = xtest::Grid(3);
    grid.materialRefs = {"Shared"};
    grid.numMaterials = 3;
    xtest::WriteMesh(w, grid, "Ground");
    w.Begin("Frame", "Child");
    xtest::TestMesh quad;
    quad.positions = {0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0};
    quad.faces = {{0, 1, 2, 3}, {0, 2}};
    quad.normals = {0, 0, 1, 0, 0, -1};
    quad.normalFaces = {{0, 1, 0, 1}, {0, 0}};
    xtest::WriteMesh(w, quad);
    w.End();
    w.End();
    w.Begin("AnimationSet");
    w.Begin("Animation");
    w.Reference("Root");
    w.Begin("AnimationKey");
    w.Ints({2, 1, 0, 3});
    w.Floats({0, 0, 0});
    w.End();
    w.End();
    w.End();
    return w.Finish();
}

const char* kQuirks =
    "xof 0302txt 0064\r\n# comment\r\n"
    "template KeyValuePair { <26E6B1C3-3D4D-4a1d-A437-B33668FFA1C2> STRING key; STRING value; }\r\n"
    "Frame 294_scene-a {\r\n FrameTransformMatrix { 1,0,0,0, 0,1,0,0, 0,0,1,0, 0,0,0,1; }\r\n"
    " mesh { 4; 0.0, 0.0, 0.0; 1.#QNAN0; 0; 0;, -1.#IND00;1;0;, 1.#INF00;1;0;;\r\n"
    "  2; 3; 0, 1, 2;, 3;0,2,3;;\r\n"
    "  MeshVertexColors { 1; 0; 1;0;0;1;;; }\r\n"
    "  MeshTextureCoords { 4; 0;0;, 1;0;, 1;1;, 0;1;; }\r\n"
    "  MeshMaterialList { 1; 1; 0;; Material { 0.5, 0.2, 0.2, 1.0;; 5; 0;0;0;; 0;0;0;; TextureFileName { "
    "\"a\\\\b.bmp\"; } } }\r\n"
    "  SkinWeights { \"Bone\"; 0;\r\n;\r\n;\r\n 1,0,0,0,0,1,0,0,0,0,1,0,0,0,0,1;; }\r\n"
    " }\r\n}\r\n";

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: xfile_fuzz_seeds FOLDER\n");
        return 2;
    }
    const std::string dir = argv[1];
    bool ok = true;
    const auto write = [&](const std::string& name, const std::string& bytes) {
        std::ofstream out(dir + "/" + name, std::ios::binary);
        out << bytes;
        out.close();
        if (!out) {
            std::fprintf(stderr, "xfile_fuzz_seeds: cannot write %s/%s\n", dir.c_str(), name.c_str());
            ok = false;
        }
    };
    write("scene_txt32.x", Scene(Encoding::Text, false));
    write("scene_bin32.x", Scene(Encoding::Binary, false));
    write("scene_bin64.x", Scene(Encoding::Binary, true));
    write("scene_tzip32.x", Scene(Encoding::TextZip, false));
    write("scene_bzip64.x", Scene(Encoding::BinaryZip, true));
    write("quirks_txt64.x", kQuirks);
    XWriter big(Encoding::TextZip);
    xtest::WriteMesh(big, xtest::Grid(30));  // several compressed blocks
    write("grid_tzip_multiblock.x", big.Finish());
    return ok ? 0 : 1;
}

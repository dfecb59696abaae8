// The world's files, loaded once at start-up in a fixed order. Low and Medium load
// the same 35 objects; High adds three more. Several meshes share one texture set,
// which then holds what the last of their loads left in it.
#include "game/state/GeneralVariables.h"
#include "mesh/GenerateMesh.h"
#include "scene/BuildAndRender.h"

namespace {

void Add(MeshSlot& mesh, TextureSet& textures, const char* xPath, const char* texturePath) {
    MeshGenInstance().AddMeshStatic(mesh, textures, xPath, texturePath, GeneralVariables.AdjBuffer);
}

}  // namespace

void LoadWorld() {
    auto& g = GeneralVariables;
    if (g.DetailLevel == 1) LoadWorldBase();
    if (g.DetailLevel == 2) LoadWorldBase();
    if (g.DetailLevel == 3) {
        LoadWorldBase();
        Add(g.Mesh02, g.TexSet04High, "\\data\\3d\\3d0002.x", "\\data\\bitmap\\texture0004.jpg");
        Add(g.Mesh03, g.TexSet02, "\\data\\3d\\3d0003.x", "\\data\\bitmap\\texture0002.jpg");
        Add(g.Mesh04, g.TexSet04High, "\\data\\3d\\3d0004.x", "\\data\\bitmap\\texture0004.jpg");
    }
}

void LoadWorldBase() {
    auto& g = GeneralVariables;
    Add(g.Mesh14, g.TexSet04, "\\data\\3d\\3d00014.x", "\\data\\bitmap\\texture0004.jpg");
    Add(g.Mesh05, g.TexSet04, "\\data\\3d\\3d0005.x", "\\data\\bitmap\\texture0004.jpg");
    Add(g.Mesh07, g.TexSet04, "\\data\\3d\\3d0007.x", "\\data\\bitmap\\texture0004.jpg");
    Add(g.Mesh06, g.TexSet05, "\\data\\3d\\3d0006.x", "\\data\\bitmap\\texture0005.jpg");
    Add(g.Mesh15, g.TexSet05, "\\data\\3d\\3d00015.x", "\\data\\bitmap\\texture0005.jpg");
    // The same car model twice, each with its own picture.
    Add(g.CarMesh1, g.TexSetCar1, "\\data\\3d\\3d000car.x", "\\data\\bitmap\\texture0005.jpg");
    Add(g.CarMesh2, g.TexSetCar2, "\\data\\3d\\3d000car.x", "\\data\\bitmap\\texture00012.jpg");
    Add(g.Mesh01, g.TexSet01, "\\data\\3d\\3d0001.x", "\\data\\bitmap\\texture0001.jpg");
    Add(g.Mesh12, g.TexSet10, "\\data\\3d\\3d00012.x", "\\data\\bitmap\\texture00010.jpg");
    Add(g.Mesh13, g.TexSet11, "\\data\\3d\\3d00013.x", "\\data\\bitmap\\texture00011.jpg");
    Add(g.Mesh16, g.TexSet07, "\\data\\3d\\3d00016.x", "\\data\\bitmap\\texture0007.jpg");
    Add(g.Mesh17, g.TexSet07, "\\data\\3d\\3d00017.x", "\\data\\bitmap\\texture0007.jpg");
    Add(g.Mesh08, g.TexSet08, "\\data\\3d\\3d0008.x", "\\data\\bitmap\\texture0008.jpg");
    Add(g.Mesh11, g.TexSet08, "\\data\\3d\\3d00011.x", "\\data\\bitmap\\texture0008.jpg");
    Add(g.Mesh19, g.TexSet08, "\\data\\3d\\3d00019.x", "\\data\\bitmap\\texture0008.jpg");
    Add(g.Mesh20, g.TexSet08, "\\data\\3d\\3d00020.x", "\\data\\bitmap\\texture0008.jpg");
    Add(g.Mesh21, g.TexSet08, "\\data\\3d\\3d00021.x", "\\data\\bitmap\\texture0008.jpg");
    Add(g.Mesh22, g.TexSet08, "\\data\\3d\\3d00022.x", "\\data\\bitmap\\texture0008.jpg");
    Add(g.Mesh23, g.TexSet08, "\\data\\3d\\3d00023.x", "\\data\\bitmap\\texture0008.jpg");
    Add(g.AnimMesh[1], g.TexSetAnim, "\\data\\Animation\\anim0001.x", "\\data\\bitmap\\texture00012.jpg");
    Add(g.AnimMesh[2], g.TexSetAnim, "\\data\\Animation\\anim0002.x", "\\data\\bitmap\\texture00012.jpg");
    Add(g.AnimMesh[3], g.TexSetAnim, "\\data\\Animation\\anim0003.x", "\\data\\bitmap\\texture00012.jpg");
    Add(g.AnimMesh[4], g.TexSetAnim, "\\data\\Animation\\anim0004.x", "\\data\\bitmap\\texture00012.jpg");
    Add(g.AnimMesh[5], g.TexSetAnim, "\\data\\Animation\\anim0005.x", "\\data\\bitmap\\texture00012.jpg");
    Add(g.AnimMesh[6], g.TexSetAnim, "\\data\\Animation\\anim0006.x", "\\data\\bitmap\\texture00012.jpg");
    Add(g.AnimMesh[7], g.TexSetAnim, "\\data\\Animation\\anim0007.x", "\\data\\bitmap\\texture00012.jpg");
    Add(g.AnimMesh[8], g.TexSetAnim, "\\data\\Animation\\anim0008.x", "\\data\\bitmap\\texture00012.jpg");
    Add(g.AnimMesh[9], g.TexSetAnim, "\\data\\Animation\\anim0009.x", "\\data\\bitmap\\texture00012.jpg");
    Add(g.AnimMesh[10], g.TexSetAnim, "\\data\\Animation\\anim00010.x", "\\data\\bitmap\\texture00012.jpg");
    Add(g.AnimMesh[11], g.TexSetAnim, "\\data\\Animation\\anim00011.x", "\\data\\bitmap\\texture00012.jpg");
    Add(g.AnimMesh[12], g.TexSetAnim, "\\data\\Animation\\anim00012.x", "\\data\\bitmap\\texture00012.jpg");
    Add(g.AnimMesh[13], g.TexSetAnim, "\\data\\Animation\\anim00013.x", "\\data\\bitmap\\texture00012.jpg");
    Add(g.AnimMesh[14], g.TexSetAnim, "\\data\\Animation\\anim00014.x", "\\data\\bitmap\\texture00012.jpg");
    Add(g.AnimMesh[15], g.TexSetAnim, "\\data\\Animation\\anim00015.x", "\\data\\bitmap\\texture00012.jpg");
    Add(g.Mesh18, g.TexSet03, "\\data\\3d\\3d00018.x", "\\data\\bitmap\\texture0003.jpg");
}

// One frame of the game. Objects are drawn first, then the lights are set up and
// the camera moves, so the lights, the view and the fill mode chosen in one frame
// show in the next.
#include "game/Fatal.h"
#include "game/GeneralVariables.h"
#include "motion/Matrix.h"
#include "scene/BuildAndRender.h"

namespace {

void Draw(TextureSet& textures, MeshSlot& mesh) { MeshGenInstance().RenderStatic(textures, mesh); }

// The animation plays its 15 frames forward, holds the last for three timer steps
// and plays back down to frame 2: AnimFrame 1..30 picks the mesh.
int AnimationMesh(std::int32_t animFrame) {
    if (animFrame >= 1 && animFrame <= 15) return animFrame;
    if (animFrame == 16 || animFrame == 17) return 15;
    if (animFrame >= 18 && animFrame <= 30) return 32 - animFrame;
    return 0;
}

}  // namespace

int AnimationMeshFor(std::int32_t animFrame) { return AnimationMesh(animFrame); }

void SetupFrameLights() {
    auto& g = GeneralVariables;
    if (!g.LightOn) return;
    GenerateMesh& meshGen = MeshGenInstance();
    if (g.NightDriveOn) {
        meshGen.SetupLightsPoint(g.Light1, 500, -10, 33, -500, 1, 1, 1, 1, 200, 0.9);
        meshGen.SetupLightsPoint(g.Light2, 500, -10, 33, -100, 2, 1, 1, 1, 200, 0.9);
        meshGen.SetupLightsPoint(g.Light3, 500, -10, 33, 300, 3, 1, 1, 1, 20, 0.9);
    } else {
        meshGen.SetupLightsPoint(g.Light1, 20000, 0, 700, -500, 1, 1, 1, 1, 20, 1);
    }
    if (g.CarLightsOn) {
        meshGen.SetupLightsPoint(g.CarLight1, 150, -45, 5, g.Car1Z + 60, 0, 1, 1, 1, 20, 1);
        meshGen.SetupLightsPoint(g.CarLight2, 150, -85, 5, g.Car2Z + 60, 20, 1, 1, 1, 20, 1);
    }
}

void RenderFrame() {
    auto& g = GeneralVariables;

    Check(g.Device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, g.ClearColor, 1.0f, 0), "Device.Clear");

    if (g.DetailLevel == 3) {
        Draw(g.TexSet04High, g.Mesh02);
        Draw(g.TexSet02, g.Mesh03);
        Draw(g.TexSet04High, g.Mesh04);
    }

    Draw(g.TexSet04, g.Mesh05);
    Draw(g.TexSet04, g.Mesh07);
    Draw(g.TexSet04, g.Mesh14);
    Draw(g.TexSet05, g.Mesh06);
    Draw(g.TexSet05, g.Mesh15);
    Draw(g.TexSet01, g.Mesh01);
    Draw(g.TexSet10, g.Mesh12);
    Draw(g.TexSet11, g.Mesh13);
    Draw(g.TexSet07, g.Mesh16);
    Draw(g.TexSet07, g.Mesh17);
    Draw(g.TexSet08, g.Mesh08);
    Draw(g.TexSet08, g.Mesh11);
    Draw(g.TexSet08, g.Mesh19);
    Draw(g.TexSet08, g.Mesh20);
    Draw(g.TexSet08, g.Mesh21);
    Draw(g.TexSet08, g.Mesh22);
    Draw(g.TexSet08, g.Mesh23);

    if (const int k = AnimationMesh(g.AnimFrame); k != 0) Draw(g.TexSetAnim, g.AnimMesh[k]);

    PlaceCar1();
    Draw(g.TexSetCar1, g.CarMesh1);
    PlaceCar2();
    Draw(g.TexSetCar2, g.CarMesh2);
    PlaceObject(80, 0, -250);
    Draw(g.TexSet03, g.Mesh18);

    SetupFrameLights();

    UpdateCamera();

    if (g.FillWireframesOn) Check(g.Device->SetRenderState(D3DRS_FILLMODE, D3DFILL_WIREFRAME), "Device.SetRenderState");

    Check(g.Device->Present(nullptr, nullptr, nullptr, nullptr), "Device.Present");
}

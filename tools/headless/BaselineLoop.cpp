// The baselines replace the game's frames from the main loop's start: (a) clear
// and present only; (b) the same world as one merged draw with the frame's state.
#include <memory>

#include "game/GeneralVariables.h"
#include "platform/Window.h"
#include "platform/sdl_gl/GlReadBack.h"
#include "platform/sdl_gl/InputKeyboard.h"
#include "scene/BuildAndRender.h"
#include "motion/Matrix.h"
#include "tools/headless/Baseline.h"
#include "tools/headless/Run.h"

[[noreturn]] void RunBaseline() {
    auto& g = GeneralVariables;
    std::unique_ptr<D3DXMesh> merged;
    if (run.options.baseline == "merged") {
        merged = MergeWorld();
        if (!merged) Fail("cannot merge the world for the baseline");
        if (g.LightOn) {
            GenerateMesh& meshGen = MeshGenInstance();
            if (g.NightDriveOn) {
                meshGen.SetupLightsPoint(g.Light1, 500, -10, 33, -500, 1, 1, 1, 1, 200, 0.9);
                meshGen.SetupLightsPoint(g.Light2, 500, -10, 33, -100, 2, 1, 1, 1, 200, 0.9);
                meshGen.SetupLightsPoint(g.Light3, 500, -10, 33, 300, 3, 1, 1, 1, 20, 0.9);
            } else {
                meshGen.SetupLightsPoint(g.Light1, 20000, 0, 700, -500, 1, 1, 1, 1, 20, 1);
            }
            meshGen.SetupLightsPoint(g.CarLight1, 150, -45, 5, g.Car1Z + 60, 0, 1, 1, 1, 20, 1);
            meshGen.SetupLightsPoint(g.CarLight2, 150, -85, 5, g.Car2Z + 60, 20, 1, 1, 1, 20, 1);
        }
        SetSimulatedKeyState(run.keys);
        UpdateCamera();
        if (g.FillWireframesOn) g.Device->SetRenderState(D3DRS_FILLMODE, D3DFILL_WIREFRAME);
    }
    const long frames = run.options.frames > 0 ? run.options.frames : 300;
    while (run.frame < frames) {
        ++run.frame;
        if (run.frame == 1) run.frameStart = Clock::now();
        g.Device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, g.ClearColor, 1.0f, 0);
        if (merged) {
            g.Device->BeginScene();
            if (g.FogOn) SetupFog();
            if (g.TexturesOn) g.Device->SetTexture(0, g.TexSet04.empty() ? nullptr : g.TexSet04[0].get());
            merged->DrawSubset(0);
            g.Device->EndScene();
        }
        g.Device->Present(nullptr, nullptr, nullptr, nullptr);
        if (run.device) FinishRendering(run.device->Inner());
        RecordFrameTime();
        DoEvents();
    }
    if (run.options.bench) WriteBench();
    End(0);
}

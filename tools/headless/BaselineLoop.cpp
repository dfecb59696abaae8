// The baselines replace the game's frames from the main loop's start: (a) clear
// and present only; (b) the same world as one merged draw with the frame's state.
#include <memory>

#include "game/state/GeneralVariables.h"
#include "platform/Window.h"
#include "platform/sdl_gl/GlReadBack.h"
#include "platform/sdl_gl/InputKeyboard.h"
#include "scene/BuildAndRender.h"
#include "scene/loading/LoadingText.h"
#include "motion/Matrix.h"
#include "tools/headless/Baseline.h"
#include "tools/headless/Run.h"

[[noreturn]] void RunBaseline() {
    auto& g = GeneralVariables;
    std::unique_ptr<D3DXMesh> merged;
    if (run.options.baseline == "merged") {
        merged = MergeWorld();
        if (!merged) Fail("cannot merge the world for the baseline");
        SetupFrameLights();
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

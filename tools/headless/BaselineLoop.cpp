// The baselines replace the game's frames from the main loop's start: (a) clear
// and present only; (b) the same world as one merged draw with the frame's state;
// (c) that draw with no light, fog or texture.
#include <memory>

#include "game/state/GeneralVariables.h"
#include "motion/Matrix.h"
#include "platform/Window.h"
#include "platform/sdl_gl/GlReadBack.h"
#include "platform/sdl_gl/InputKeyboard.h"
#include "scene/BuildAndRender.h"
#include "scene/loading/LoadingText.h"
#include "tools/headless/Baseline.h"
#include "tools/headless/Run.h"

[[noreturn]] void RunBaseline() {
    auto& g = GeneralVariables;
    std::unique_ptr<D3DXMesh> merged;
    const bool dressed = run.Settings.Baseline == "merged";  // with the frame's light, fog and texture
    if (dressed || run.Settings.Baseline == "flat") {
        merged = MergeWorld();
        if (!merged) Fail("cannot merge the world for the baseline");
        if (dressed) {
            SetupFrameLights();
        } else {
            // The cheapest drawing that still writes depth and colour.
            g.Device->SetRenderState(D3DRS_LIGHTING, 0);
            g.Device->SetRenderState(D3DRS_FOGENABLE, 0);
            g.Device->SetTexture(0, nullptr);
        }
        SetSimulatedKeyState(run.Keys);
        UpdateCamera();
        if (g.FillWireframesOn) g.Device->SetRenderState(D3DRS_FILLMODE, D3DFILL_WIREFRAME);
    }
    const long frames = run.Settings.Frames > 0 ? run.Settings.Frames : 300;
    while (run.Frame < frames) {
        ++run.Frame;
        if (run.Frame == 1) run.FrameStart = Clock::now();
        g.Device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, g.ClearColor, 1.0f, 0);
        if (merged) {
            g.Device->BeginScene();
            if (g.FogOn && dressed) SetupFog();
            if (g.TexturesOn && dressed) g.Device->SetTexture(0, g.TexSet04.empty() ? nullptr : g.TexSet04[0].get());
            merged->DrawSubset(0);
            g.Device->EndScene();
        }
        g.Device->Present(nullptr, nullptr, nullptr, nullptr);
        if (run.Device) FinishRendering(run.Device->Inner());
        RecordFrameTime();
        DoEvents();
    }
    if (run.Settings.Bench) WriteBench();
    End(0);
}

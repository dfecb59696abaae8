// The trace: one line of JSON per drawn frame with the motion state, the render
// states the frame left, the enabled lights and the scenes drawn.
#include <cinttypes>
#include <string>

#include "game/state/GeneralVariables.h"
#include "platform/sdl_gl/SdlWindowHooks.h"
#include "tools/headless/Run.h"

void WriteTrace(bool end) {
    if (!run.Trace) return;
    const auto& g = GeneralVariables;
    DWORD fill = 0, lighting = 0;
    g.Device->GetRenderState(D3DRS_FILLMODE, &fill);
    g.Device->GetRenderState(D3DRS_LIGHTING, &lighting);
    std::string lights;
    for (DWORD i = 0; i < 64; ++i) {
        int on = 0;
        g.Device->GetLightEnable(i, &on);
        if (!on) continue;
        if (!lights.empty()) lights += ',';
        lights += std::to_string(i);
    }
    std::fprintf(run.Trace,
                 "{\"frame\":%ld,\"PosX\":%.17g,\"PosY\":%.17g,\"PosZ\":%.17g,\"Yaw\":%.9g,\"Pitch\":%.9g,"
                 "\"Speed\":%.17g,\"CanMove\":%s,\"Car1Z\":%d,\"Car2Z\":%d,\"AnimFrame\":%d,\"AnimMesh\":%s,"
                 "\"FillMode\":%u,\"Lighting\":%s,\"LightsEnabled\":[%s],\"Scenes\":%" PRIu64
                 ",\"CursorShown\":%s%s}\n",
                 run.Frame, g.PosX, g.PosY, g.PosZ, static_cast<double>(g.Yaw), static_cast<double>(g.Pitch), g.Speed,
                 g.CanMove ? "true" : "false", g.Car1Z, g.Car2Z, g.AnimFrame,
                 run.AnimMesh ? std::to_string(run.AnimMesh).c_str() : "null", fill, lighting ? "true" : "false",
                 lights.c_str(), run.Device ? run.Device->Scenes() - run.ScenesAtStart : 0,
                 CursorCounter() >= 0 ? "true" : "false", end ? ",\"End\":true" : "");
    std::fflush(run.Trace);
}

// Test and capture entry points of the GL device (see GlReadBack.h).
#include "platform/sdl_gl/GlReadBack.h"

#include "platform/sdl_gl/GlDevice.h"

bool ReadBackBuffer(Direct3DDevice8& device, std::vector<std::uint8_t>& rgba, int& width, int& height) {
    auto* gl = dynamic_cast<GlDevice*>(&device);
    return gl != nullptr && gl->ReadBack(rgba, width, height);
}

bool SetPresentHook(Direct3DDevice8& device, std::function<void()> hook) {
    auto* gl = dynamic_cast<GlDevice*>(&device);
    if (gl == nullptr) return false;
    gl->SetPresentHook(std::move(hook));
    return true;
}

bool ForceOffscreenBackBuffer(Direct3DDevice8& device, bool force) {
    auto* gl = dynamic_cast<GlDevice*>(&device);
    if (gl == nullptr) return false;
    gl->ForceOffscreenBackBuffer(force);
    return true;
}

bool DrawsToWindow(Direct3DDevice8& device) {
    auto* gl = dynamic_cast<GlDevice*>(&device);
    return gl != nullptr && gl->DrawingToWindow();
}

bool FinishRendering(Direct3DDevice8& device) {
    auto* gl = dynamic_cast<GlDevice*>(&device);
    if (gl == nullptr || !gl->ContextRef()->MakeCurrent()) return false;
    glFinish();
    return true;
}

bool SetClusterCulling(Direct3DDevice8& device, bool on) {
    auto* gl = dynamic_cast<GlDevice*>(&device);
    if (gl == nullptr) return false;
    gl->SetClusterCulling(on);
    return true;
}

bool ReadFrameCounts(Direct3DDevice8& device, GlFrameCounts& counts) {
    auto* gl = dynamic_cast<GlDevice*>(&device);
    if (gl == nullptr) return false;
    counts = gl->FrameCounts();
    return true;
}

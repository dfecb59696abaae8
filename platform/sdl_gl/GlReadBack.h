// Extras of the GL device for tests, the headless runner and screenshots. Each
// takes the device as the game holds it and fails (false) for any device that is
// not this platform's GL device.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "platform/Graphics.h"

// What the draws of one frame sent to the GL, against what they were asked to draw.
struct GlFrameCounts {
    std::uint64_t Clusters = 0, Triangles = 0, Vertices = 0;
    std::uint64_t ClustersAsked = 0, TrianglesAsked = 0, VerticesAsked = 0;
    std::uint64_t Draws = 0;  // GL draw calls
};

// Copies the back buffer (what the frame drawn so far looks like) as RGBA bytes,
// top row first, width*height*4 bytes. Read it before Present: after Present the
// back buffer holds the frame only while it is off-screen (ForceOffscreenBackBuffer).
bool ReadBackBuffer(Direct3DDevice8& device, std::vector<std::uint8_t>& rgba, int& width, int& height);

// `hook` runs inside every Present, before the frame goes to the window, while
// ReadBackBuffer still sees the finished frame. An empty function removes it.
bool SetPresentHook(Direct3DDevice8& device, std::function<void()> hook);

// Keeps the back buffer in an off-screen framebuffer even when the window's drawable
// has the back buffer's size (the device otherwise draws straight into the window).
bool ForceOffscreenBackBuffer(Direct3DDevice8& device, bool force);

// True while the device draws straight into the window rather than into its FBO.
bool DrawsToWindow(Direct3DDevice8& device);

// Waits until the device has finished every drawing command given so far (for
// timings: a software renderer may otherwise defer the work of a frame).
bool FinishRendering(Direct3DDevice8& device);

// Cluster culling on (the default) or off: off, every cluster of a draw is drawn.
bool SetClusterCulling(Direct3DDevice8& device, bool on);

// The counts of the draws since the last Present (complete inside the present hook).
bool ReadFrameCounts(Direct3DDevice8& device, GlFrameCounts& counts);

// What the draws of one frame sent to the GL, against what they were asked to draw.
#pragma once

#include <cstdint>

struct GlFrameCounts {
    std::uint64_t Clusters = 0, Triangles = 0, Vertices = 0;
    std::uint64_t ClustersAsked = 0, TrianglesAsked = 0, VerticesAsked = 0;
    std::uint64_t Draws = 0;  // GL draw calls
};

// Loads one .x file from disk in a fresh process and prints the milliseconds it
// took: "load" is the reader alone (read, parse, build, adjacency), "whole" adds
// the clean-up, simplification and compaction the game runs on every mesh.
// Prints "WALL ms CPU cpu_ms N faces" (CPU: all threads, user and system).
// Usage: bench_xload load|whole FILE
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "bench/CpuTime.h"
#include "platform/meshops/MeshOps.h"
#include "platform/xfile/XFile.h"

namespace {

// The steps after the load, as the game runs them; false when one fails.
bool Prepare(const XFileMesh& loaded, MeshData& result) {
    MeshData cleaned;
    std::vector<std::uint32_t> adjacency;
    std::string log;
    MeshData simplified;
    std::vector<std::uint32_t> remap;
    return CleanMeshData(loaded.Mesh, loaded.Adjacency.data(), cleaned, adjacency, log) &&
           SimplifyMeshData(cleaned, adjacency.data(), static_cast<std::uint32_t>(cleaned.NumVertices()), 1,
                            simplified) &&
           CompactMeshData(simplified, result, remap);
}

}  // namespace

int main(int argc, char** argv) {
    const std::string mode = argc == 3 ? argv[1] : "";
    if (mode != "load" && mode != "whole") {
        std::fputs("usage: bench_xload load|whole FILE\n", stderr);
        return 2;
    }
    const double cpuStart = CpuMs();
    const auto start = std::chrono::steady_clock::now();
    XFileMesh loaded;
    std::string reason;
    if (!LoadXFile(argv[2], loaded, reason)) {
        std::fprintf(stderr, "bench_xload: %s: %s\n", argv[2], reason.c_str());
        return 1;
    }
    std::size_t faces = loaded.Mesh.NumFaces();
    if (mode == "whole") {
        MeshData result;
        if (!Prepare(loaded, result)) {
            std::fprintf(stderr, "bench_xload: %s: the clean-up failed\n", argv[2]);
            return 1;
        }
        faces = result.NumFaces();
    }
    const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
    std::printf("%.3f ms %.3f cpu_ms %zu faces\n", took.count(), CpuMs() - cpuStart, faces);
    return 0;
}

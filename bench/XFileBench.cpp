// Benchmarks of the .x reader and the mesh operations on generated grids (a gently
// curved sheet with per-vertex normals and texture coordinates) of about 10 k,
// 100 k and 1 M triangles, as text and as binary files held in memory.
// Reports MB/s of file, triangles/s, and the peak heap in use during one run
// against the size of the mesh that results.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <new>
#include <string>
#include <vector>

#include "platform/meshops/MeshOps.h"
#include "platform/xfile/XFile.h"
#include "bench/XGrid.h"

// ---------------------------------------------------------------------------------
// Heap accounting: every allocation of the process goes through these.
namespace {
std::atomic<std::size_t> inUse{0};
std::atomic<std::size_t> peakInUse{0};

void* Allocate(std::size_t n) {
    void* p = std::malloc(n != 0 ? n : 1);
    if (p == nullptr) {
        throw std::bad_alloc();
    }
    const std::size_t now = inUse.fetch_add(malloc_usable_size(p), std::memory_order_relaxed) + malloc_usable_size(p);
    std::size_t peak = peakInUse.load(std::memory_order_relaxed);
    while (now > peak && !peakInUse.compare_exchange_weak(peak, now, std::memory_order_relaxed)) {
    }
    return p;
}

void Release(void* p) {
    if (p != nullptr) {
        inUse.fetch_sub(malloc_usable_size(p), std::memory_order_relaxed);
        std::free(p);
    }
}
}  // namespace

void* operator new(std::size_t n) { return Allocate(n); }
void* operator new[](std::size_t n) { return Allocate(n); }
void* operator new(std::size_t n, const std::nothrow_t&) noexcept {
    try {
        return Allocate(n);
    } catch (...) {
        return nullptr;
    }
}
void* operator new[](std::size_t n, const std::nothrow_t&) noexcept {
    try {
        return Allocate(n);
    } catch (...) {
        return nullptr;
    }
}
void operator delete(void* p) noexcept { Release(p); }
void operator delete[](void* p) noexcept { Release(p); }
void operator delete(void* p, std::size_t) noexcept { Release(p); }
void operator delete[](void* p, std::size_t) noexcept { Release(p); }

namespace {

std::uint32_t Side(std::int64_t triangles) { return xgrid::Side(static_cast<double>(triangles)); }

const std::string& File(bool binary, std::int64_t triangles) {
    static std::map<std::pair<bool, std::int64_t>, std::string> cache;
    auto& s = cache[{binary, triangles}];
    if (s.empty()) {
        s = xgrid::GridFile(xgrid::MakeGrid(Side(triangles)), binary);
    }
    return s;
}

std::size_t MeshBytes(const MeshData& m) {
    return (m.Positions.size() + m.Normals.size() + m.TexCoords.size() + m.Colors.size()) * sizeof(float) +
           (m.Indices.size() + m.Attributes.size()) * sizeof(std::uint32_t);
}

void Report(benchmark::State& state, const std::string& file, std::size_t triangles, std::size_t baseline,
            std::size_t resultBytes) {
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * file.size()));
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * triangles));
    const double peak = static_cast<double>(peakInUse.load() - baseline);
    state.counters["file_MB"] = static_cast<double>(file.size()) / 1e6;
    state.counters["peak_MB"] = peak / 1e6;
    state.counters["result_MB"] = static_cast<double>(resultBytes) / 1e6;
    state.counters["peak_x"] = peak / static_cast<double>(resultBytes);
}

// Parses `file`; false, with the run marked failed, when it does not load.
bool Parse(benchmark::State& state, const std::string& file, XFileMesh& mesh) {
    std::string reason;
    if (!ParseXFile(reinterpret_cast<const std::uint8_t*>(file.data()), file.size(), mesh, reason)) {
        state.SkipWithError(reason.c_str());
        return false;
    }
    return true;
}

// Runs `step(file, triangles, resultBytes)` once per iteration with the heap
// peak measured from its start, then reports; a step that returns false ends
// the run.
template <class Step>
void Measure(benchmark::State& state, bool binary, Step step) {
    const std::string& file = File(binary, state.range(0));
    std::size_t triangles = 0;
    std::size_t resultBytes = 0;
    std::size_t baseline = 0;
    for (auto _ : state) {
        baseline = inUse.load();
        peakInUse.store(baseline);
        if (!step(file, triangles, resultBytes)) {
            return;
        }
    }
    Report(state, file, triangles, baseline, resultBytes);
}

void LoadFile(benchmark::State& state, bool binary) {
    Measure(state, binary, [&state](const std::string& file, std::size_t& triangles, std::size_t& resultBytes) {
        XFileMesh mesh;
        if (!Parse(state, file, mesh)) {
            return false;
        }
        triangles = mesh.Mesh.NumFaces();
        resultBytes = MeshBytes(mesh.Mesh) + mesh.Adjacency.size() * sizeof(std::uint32_t);
        benchmark::DoNotOptimize(mesh);
        return true;
    });
}

void LoadAndPrepare(benchmark::State& state, bool binary) {
    Measure(state, binary, [&state](const std::string& file, std::size_t& triangles, std::size_t& resultBytes) {
        MeshData compacted;
        std::vector<std::uint32_t> remap;
        {
            XFileMesh mesh;
            if (!Parse(state, file, mesh)) {
                return false;
            }
            MeshData cleaned;
            std::vector<std::uint32_t> adjacency;
            std::string log;
            CleanMeshData(mesh.Mesh, mesh.Adjacency.data(), cleaned, adjacency, log);
            mesh = XFileMesh{};
            MeshData simplified;
            SimplifyMeshData(cleaned, adjacency.data(), static_cast<std::uint32_t>(cleaned.NumVertices()), 1,
                             simplified);
            cleaned = MeshData{};
            CompactMeshData(simplified, compacted, remap);
        }
        triangles = compacted.NumFaces();
        resultBytes = MeshBytes(compacted) + remap.size() * sizeof(std::uint32_t);
        benchmark::DoNotOptimize(compacted);
        return true;
    });
}

}  // namespace

BENCHMARK_CAPTURE(LoadFile, text, false)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(LoadFile, binary, true)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(LoadAndPrepare, text, false)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(LoadAndPrepare, binary, true)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond)->UseRealTime();

BENCHMARK_MAIN();

// Benchmarks of the .x reader and the mesh operations on generated grids (a gently
// curved sheet with per-vertex normals and texture coordinates) of about 10 k,
// 100 k and 1 M triangles, as text and as binary files held in memory.
// Reports MB/s of file, triangles/s, and the peak heap in use during one run
// against the size of the mesh that results.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <atomic>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <new>
#include <string>
#include <vector>

#include "platform/xfile/MeshOps.h"
#include "platform/xfile/XFile.h"

// ---------------------------------------------------------------------------------
// Heap accounting: every allocation of the process goes through these.
namespace {
std::atomic<std::size_t> g_inUse{0};
std::atomic<std::size_t> g_peak{0};

void* Allocate(std::size_t n) {
    void* p = std::malloc(n != 0 ? n : 1);
    if (p == nullptr) {
        throw std::bad_alloc();
    }
    const std::size_t now = g_inUse.fetch_add(malloc_usable_size(p), std::memory_order_relaxed) + malloc_usable_size(p);
    std::size_t peak = g_peak.load(std::memory_order_relaxed);
    while (now > peak && !g_peak.compare_exchange_weak(peak, now, std::memory_order_relaxed)) {
    }
    return p;
}

void Release(void* p) {
    if (p != nullptr) {
        g_inUse.fetch_sub(malloc_usable_size(p), std::memory_order_relaxed);
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

// ---------------------------------------------------------------------------------
// Generated files.

struct Grid {
    std::vector<float> positions, normals, texCoords;
    std::vector<std::uint32_t> faces;  // 3 per triangle
};

Grid MakeGrid(std::uint32_t n) {
    Grid g;
    for (std::uint32_t z = 0; z <= n; ++z) {
        for (std::uint32_t x = 0; x <= n; ++x) {
            const float fx = static_cast<float>(x) * 0.1f;
            const float fz = static_cast<float>(z) * 0.1f;
            const float y = 0.5f * std::sin(fx) * std::cos(fz);
            g.positions.insert(g.positions.end(), {fx, y, fz});
            const float dx = 0.5f * std::cos(fx) * std::cos(fz);
            const float dz = -0.5f * std::sin(fx) * std::sin(fz);
            const float len = std::sqrt(dx * dx + 1.0f + dz * dz);
            g.normals.insert(g.normals.end(), {-dx / len, 1.0f / len, -dz / len});
            g.texCoords.insert(g.texCoords.end(), {static_cast<float>(x) / static_cast<float>(n),
                                                   static_cast<float>(z) / static_cast<float>(n)});
        }
    }
    for (std::uint32_t z = 0; z < n; ++z) {
        for (std::uint32_t x = 0; x < n; ++x) {
            const std::uint32_t a = z * (n + 1) + x, b = a + 1, c = a + n + 1, d = c + 1;
            g.faces.insert(g.faces.end(), {a, c, d, a, d, b});
        }
    }
    return g;
}

void AppendFloat(std::string& s, float v, char sep) {
    char buf[32];
    const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, 6);
    s.append(buf, r.ptr);
    s += sep;
}

void AppendUInt(std::string& s, std::uint32_t v, char sep) {
    char buf[16];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    s.append(buf, r.ptr);
    s += sep;
}

// The writer convention: members end with ';', elements are separated by ','.
void AppendVectors(std::string& s, const std::vector<float>& v, std::size_t width) {
    const std::size_t n = v.size() / width;
    AppendUInt(s, static_cast<std::uint32_t>(n), ';');
    s += '\n';
    for (std::size_t i = 0; i < n; ++i) {
        for (std::size_t k = 0; k < width; ++k) {
            AppendFloat(s, v[i * width + k], ';');
        }
        s += i + 1 < n ? ",\n" : ";\n";
    }
}

void AppendFaces(std::string& s, const std::vector<std::uint32_t>& f) {
    const std::size_t n = f.size() / 3;
    AppendUInt(s, static_cast<std::uint32_t>(n), ';');
    s += '\n';
    for (std::size_t i = 0; i < n; ++i) {
        s += "3;";
        AppendUInt(s, f[i * 3], ',');
        AppendUInt(s, f[i * 3 + 1], ',');
        AppendUInt(s, f[i * 3 + 2], ';');
        s += i + 1 < n ? ",\n" : ";\n";
    }
}

std::string TextFile(const Grid& g) {
    std::string s = "xof 0303txt 0032\nFrame Root {\nFrameTransformMatrix {\n"
                    "1.000000,0.000000,0.000000,0.000000,0.000000,1.000000,0.000000,0.000000,"
                    "0.000000,0.000000,1.000000,0.000000,0.000000,0.000000,0.000000,1.000000;;\n}\nMesh Grid {\n";
    s.reserve(g.faces.size() * 60);
    AppendVectors(s, g.positions, 3);
    AppendFaces(s, g.faces);
    s += "MeshNormals {\n";
    AppendVectors(s, g.normals, 3);
    AppendFaces(s, g.faces);
    s += "}\nMeshTextureCoords {\n";
    AppendVectors(s, g.texCoords, 2);
    s += "}\nMeshMaterialList {\n1;\n1;\n0;;\nMaterial {\n1.000000;1.000000;1.000000;1.000000;;\n"
         "0.000000;\n0.000000;0.000000;0.000000;;\n0.000000;0.000000;0.000000;;\n}\n}\n}\n}\n";
    return s;
}

void Code(std::string& s, std::uint16_t c) { s.append(reinterpret_cast<const char*>(&c), 2); }
void Dword(std::string& s, std::uint32_t v) { s.append(reinterpret_cast<const char*>(&v), 4); }
void Name(std::string& s, const char* n) {
    Code(s, 1);
    Dword(s, static_cast<std::uint32_t>(std::strlen(n)));
    s += n;
}
void Ints(std::string& s, const std::vector<std::uint32_t>& v) {
    Code(s, 6);
    Dword(s, static_cast<std::uint32_t>(v.size()));
    s.append(reinterpret_cast<const char*>(v.data()), v.size() * 4);
}
void Floats(std::string& s, const std::vector<float>& v) {
    Code(s, 7);
    Dword(s, static_cast<std::uint32_t>(v.size()));
    s.append(reinterpret_cast<const char*>(v.data()), v.size() * 4);
}
std::vector<std::uint32_t> FaceList(const std::vector<std::uint32_t>& f) {
    std::vector<std::uint32_t> out{static_cast<std::uint32_t>(f.size() / 3)};
    out.reserve(f.size() / 3 * 4 + 1);
    for (std::size_t i = 0; i < f.size(); i += 3) {
        out.insert(out.end(), {3u, f[i], f[i + 1], f[i + 2]});
    }
    return out;
}

std::string BinaryFile(const Grid& g) {
    std::string s = "xof 0303bin 0032";
    Name(s, "Frame");
    Name(s, "Root");
    Code(s, 10);
    Name(s, "FrameTransformMatrix");
    Code(s, 10);
    Floats(s, {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1});
    Code(s, 11);
    Name(s, "Mesh");
    Name(s, "Grid");
    Code(s, 10);
    Ints(s, {static_cast<std::uint32_t>(g.positions.size() / 3)});
    Floats(s, g.positions);
    const std::vector<std::uint32_t> faces = FaceList(g.faces);
    Ints(s, faces);
    Name(s, "MeshNormals");
    Code(s, 10);
    Ints(s, {static_cast<std::uint32_t>(g.normals.size() / 3)});
    Floats(s, g.normals);
    Ints(s, faces);
    Code(s, 11);
    Name(s, "MeshTextureCoords");
    Code(s, 10);
    Ints(s, {static_cast<std::uint32_t>(g.texCoords.size() / 2)});
    Floats(s, g.texCoords);
    Code(s, 11);
    Name(s, "MeshMaterialList");
    Code(s, 10);
    Ints(s, {1, 1, 0});
    Name(s, "Material");
    Code(s, 10);
    Floats(s, {1, 1, 1, 1, 0, 0, 0, 0, 0, 0, 0});
    Code(s, 11);
    Code(s, 11);
    Code(s, 11);
    Code(s, 11);
    return s;
}

// Quads per side for about 10 k, 100 k and 1 M triangles.
std::uint32_t Side(std::int64_t triangles) {
    return static_cast<std::uint32_t>(std::lround(std::sqrt(static_cast<double>(triangles) / 2.0)));
}

const std::string& File(bool binary, std::int64_t triangles) {
    static std::map<std::pair<bool, std::int64_t>, std::string> cache;
    auto& s = cache[{binary, triangles}];
    if (s.empty()) {
        const Grid g = MakeGrid(Side(triangles));
        s = binary ? BinaryFile(g) : TextFile(g);
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
    const double peak = static_cast<double>(g_peak.load() - baseline);
    state.counters["file_MB"] = static_cast<double>(file.size()) / 1e6;
    state.counters["peak_MB"] = peak / 1e6;
    state.counters["result_MB"] = static_cast<double>(resultBytes) / 1e6;
    state.counters["peak_x"] = peak / static_cast<double>(resultBytes);
}

void BM_Load(benchmark::State& state, bool binary) {
    const std::string& file = File(binary, state.range(0));
    std::size_t triangles = 0;
    std::size_t resultBytes = 0;
    std::size_t baseline = 0;
    for (auto _ : state) {
        baseline = g_inUse.load();
        g_peak.store(baseline);
        XFileMesh mesh;
        std::string reason;
        if (!ParseXFile(reinterpret_cast<const std::uint8_t*>(file.data()), file.size(), mesh, reason)) {
            state.SkipWithError(reason.c_str());
            return;
        }
        triangles = mesh.Mesh.NumFaces();
        resultBytes = MeshBytes(mesh.Mesh) + mesh.Adjacency.size() * sizeof(std::uint32_t);
        benchmark::DoNotOptimize(mesh);
    }
    Report(state, file, triangles, baseline, resultBytes);
}

void BM_Chain(benchmark::State& state, bool binary) {
    const std::string& file = File(binary, state.range(0));
    std::size_t triangles = 0;
    std::size_t resultBytes = 0;
    std::size_t baseline = 0;
    for (auto _ : state) {
        baseline = g_inUse.load();
        g_peak.store(baseline);
        MeshData compacted;
        std::vector<std::uint32_t> remap;
        {
            XFileMesh mesh;
            std::string reason;
            if (!ParseXFile(reinterpret_cast<const std::uint8_t*>(file.data()), file.size(), mesh, reason)) {
                state.SkipWithError(reason.c_str());
                return;
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
    }
    Report(state, file, triangles, baseline, resultBytes);
}

}  // namespace

BENCHMARK_CAPTURE(BM_Load, text, false)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_Load, binary, true)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_Chain, text, false)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_Chain, binary, true)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond)->UseRealTime();

BENCHMARK_MAIN();

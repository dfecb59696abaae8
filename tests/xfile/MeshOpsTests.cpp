// Mesh operations: adjacency, clean (bowties, back-facing pairs), simplify, compact,
// and the chain the mesh store runs on a loaded file.
#include "platform/meshops/MeshOps.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "TestMeshes.h"
#include "platform/xfile/XFile.h"

namespace {

constexpr std::uint32_t N = NoNeighbour;

MeshData Make(std::size_t numVertices, std::vector<std::uint32_t> indices) {
    MeshData m;
    for (std::size_t i = 0; i < numVertices; ++i) {
        m.Positions.insert(m.Positions.end(), {static_cast<float>(i), static_cast<float>(i % 3), 0.0f});
        m.TexCoords.insert(m.TexCoords.end(), {static_cast<float>(i) / 8.0f, 0.5f});
    }
    m.Attributes.assign(indices.size() / 3, 0);
    m.Indices = std::move(indices);
    return m;
}

// A named mesh and the indices an operation on it should give.
struct MeshCase {
    const char* Name;
    MeshData Mesh;
    std::vector<std::uint32_t> Expected;
};

// A mesh as CleanMeshData leaves it, with its adjacency and the repairs' log.
struct Cleaned {
    bool Ok = false;
    MeshData Mesh;
    std::vector<std::uint32_t> Adjacency;
    std::string Log;
};

Cleaned Clean(const MeshData& in, const std::uint32_t* adjacency) {
    Cleaned c;
    c.Ok = CleanMeshData(in, adjacency, c.Mesh, c.Adjacency, c.Log);
    return c;
}

XFileMesh LoadGrid(std::uint32_t n) {
    xtest::XWriter w(xtest::Encoding::Binary);
    xtest::WriteMesh(w, xtest::Grid(n));
    const std::string file = w.Finish();
    XFileMesh x;
    std::string reason;
    EXPECT_TRUE(ParseXFile(reinterpret_cast<const std::uint8_t*>(file.data()), file.size(), x, reason)) << reason;
    return x;
}

void ExpectSymmetric(const std::vector<std::uint32_t>& adjacency) {
    for (std::size_t s = 0; s < adjacency.size(); ++s) {
        const std::uint32_t g = adjacency[s];
        if (g == N) {
            continue;
        }
        ASSERT_LT(g * 3u + 2u, adjacency.size());
        const std::uint32_t f = static_cast<std::uint32_t>(s / 3);
        EXPECT_TRUE(adjacency[g * 3] == f || adjacency[g * 3 + 1] == f || adjacency[g * 3 + 2] == f) << s;
    }
}

}  // namespace

TEST(MeshAdjacency, EdgesPairUpAndStaySymmetric) {
    const std::vector<MeshCase> cases = {
        {"two triangles on a shared edge", Make(4, {0, 1, 2, 2, 1, 3}), {N, 1, N, 0, N, N}},
        {"inconsistent winding still pairs", Make(4, {0, 1, 2, 1, 2, 3}), {N, 1, N, 0, N, N}},
        {"three faces on one edge: the opposite direction wins", Make(5, {0, 1, 2, 0, 1, 3, 1, 0, 4}), {2, N, N, N, N, N, 0, N, N}},
        {"degenerate face has no neighbours across a collapsed edge", Make(3, {0, 0, 1, 0, 1, 2}), {N, N, N, N, N, N}},
        {"edges through an out-of-range index are ignored", Make(3, {0, 1, 2, 2, 1, 7}), {N, 1, N, 0, N, N}},
    };
    for (const MeshCase& c : cases) {
        SCOPED_TRACE(c.Name);
        const std::vector<std::uint32_t> adjacency = ComputeAdjacency(c.Mesh);
        EXPECT_EQ(adjacency, c.Expected);
        ExpectSymmetric(adjacency);
    }
    const XFileMesh grid = LoadGrid(30);
    EXPECT_EQ(ComputeAdjacency(grid.Mesh), grid.Adjacency);
    ExpectSymmetric(grid.Adjacency);
}

TEST(MeshAdjacency, BigMeshesFromOneFileGetTheirOwnFaceNumbers) {
    // Big enough for the loader to work out adjacency beside the parser.
    xtest::XWriter w(xtest::Encoding::Binary);
    const xtest::TestMesh grid = xtest::Grid(130);
    xtest::WriteMesh(w, grid);
    xtest::TestMesh quads;  // the same grid as quads, fanned by the loader
    quads.positions = grid.positions;
    for (std::size_t f = 0; f < grid.faces.size(); f += 2) {
        const auto& a = grid.faces[f];
        quads.faces.push_back({a[0], a[1], a[2], grid.faces[f + 1][2]});
    }
    xtest::WriteMesh(w, quads);
    const std::string file = w.Finish();
    XFileMesh x;
    std::string reason;
    ASSERT_TRUE(ParseXFile(reinterpret_cast<const std::uint8_t*>(file.data()), file.size(), x, reason)) << reason;
    ASSERT_EQ(x.Mesh.NumFaces(), 2u * 130u * 130u * 2u);
    EXPECT_EQ(x.Adjacency, ComputeAdjacency(x.Mesh));
    ExpectSymmetric(x.Adjacency);
    EXPECT_EQ(x.Mesh.Normals.size(), x.Mesh.Positions.size());  // the second mesh has zeros
}

TEST(MeshClean, BowtieVertexGetsACopyPerExtraFan) {
    const std::vector<MeshCase> cases = {
        // Two faces sharing the edge 0-2 form one fan; the third touches only vertex 0.
        {"two fans", Make(6, {0, 1, 2, 0, 2, 5, 0, 3, 4}), {0, 1, 2, 0, 2, 5, 6, 3, 4}},
        {"three fans", Make(7, {0, 1, 2, 3, 4, 0, 5, 0, 6}), {0, 1, 2, 3, 4, 7, 5, 8, 6}},
        // Once the back-facing face has its own vertices, vertex 2 joins two faces
        // that share no edge: a bowtie as well.
        {"back-facing pair beside a fan", Make(5, {0, 1, 2, 0, 2, 1, 2, 3, 4}), {0, 1, 2, 5, 6, 7, 8, 3, 4}},
    };
    for (const MeshCase& c : cases) {
        SCOPED_TRACE(c.Name);
        const std::vector<std::uint32_t> adjacency = ComputeAdjacency(c.Mesh);
        const Cleaned cleaned = Clean(c.Mesh, adjacency.data());
        ASSERT_TRUE(cleaned.Ok);
        const MeshData& out = cleaned.Mesh;
        EXPECT_EQ(out.Indices, c.Expected);
        ASSERT_EQ(out.NumVertices(), *std::max_element(c.Expected.begin(), c.Expected.end()) + 1);
        EXPECT_EQ(out.TexCoords.size(), out.NumVertices() * 2);
        // Every corner keeps its position and texture coordinate.
        for (std::size_t s = 0; s < c.Expected.size(); ++s) {
            const std::uint32_t was = c.Mesh.Indices[s];
            const std::uint32_t now = out.Indices[s];
            EXPECT_EQ(out.Positions[now * 3], c.Mesh.Positions[was * 3]);
            EXPECT_EQ(out.TexCoords[now * 2], c.Mesh.TexCoords[was * 2]);
        }
        EXPECT_FALSE(cleaned.Log.empty());
        ExpectSymmetric(cleaned.Adjacency);
    }
}

TEST(MeshClean, ClosedAndSplitMeshesNeedNoCleaning) {
    const XFileMesh grid = LoadGrid(8);
    const Cleaned cleaned = Clean(grid.Mesh, grid.Adjacency.data());
    ASSERT_TRUE(cleaned.Ok);
    const MeshData& out = cleaned.Mesh;
    EXPECT_EQ(out.Positions, grid.Mesh.Positions);
    EXPECT_EQ(out.Indices, grid.Mesh.Indices);
    EXPECT_EQ(cleaned.Adjacency, grid.Adjacency);
    EXPECT_TRUE(cleaned.Log.empty());
}

// A big mesh (its copy made beside the search) and a small one, each with a
// back-facing pair and a bowtie added: the same repairs either way.
TEST(MeshClean, BigAndSmallMeshesGetTheSameRepairs) {
    for (const std::uint32_t side : {4u, 130u}) {
        SCOPED_TRACE(side);
        MeshData in = LoadGrid(side).Mesh;
        const auto numVertices = static_cast<std::uint32_t>(in.NumVertices());
        // Two triangles meeting only at vertex 0 (a bowtie with the grid's corner),
        // and a face with its back-facing twin.
        for (int k = 0; k < 3; ++k) {
            in.Positions.insert(in.Positions.end(), {-1.0f - static_cast<float>(k), -1.0f, 0.0f});
            in.Normals.insert(in.Normals.end(), {0.0f, 1.0f, 0.0f});
            in.TexCoords.insert(in.TexCoords.end(), {0.0f, 0.0f});
        }
        const std::vector<std::uint32_t> extra = {0, numVertices, numVertices + 1, numVertices + 1, numVertices + 2,
                                                  numVertices, numVertices + 1, numVertices, numVertices + 2};
        in.Indices.insert(in.Indices.end(), extra.begin(), extra.end());
        in.Attributes.resize(in.NumFaces(), 0);
        const Cleaned cleaned = Clean(in, ComputeAdjacency(in).data());
        ASSERT_TRUE(cleaned.Ok);
        const MeshData& out = cleaned.Mesh;
        const std::string& log = cleaned.Log;
        EXPECT_NE(log.find("bowtie at vertex 0"), std::string::npos) << log;
        EXPECT_NE(log.find("back-facing"), std::string::npos) << log;
        // At least three vertices for the back-facing face and one bowtie copy.
        ASSERT_GE(out.NumVertices(), in.NumVertices() + 4);
        EXPECT_TRUE(std::equal(in.Positions.begin(), in.Positions.end(), out.Positions.begin()));
        EXPECT_TRUE(std::equal(in.Normals.begin(), in.Normals.end(), out.Normals.begin()));
        EXPECT_EQ(out.Attributes, in.Attributes);
        for (std::size_t i = 0; i < out.Indices.size(); ++i) {
            const std::size_t from = in.Indices[i] * 3;
            const std::size_t to = out.Indices[i] * 3;
            EXPECT_EQ(std::vector<float>(&out.Positions[to], &out.Positions[to] + 3),
                      std::vector<float>(&in.Positions[from], &in.Positions[from] + 3));
        }
        EXPECT_LT(std::count(out.Indices.begin(), out.Indices.end(), 0u),
                  std::count(in.Indices.begin(), in.Indices.end(), 0u));
    }
}

TEST(MeshClean, BackFacingPairGetsReplicatedVertices) {
    const MeshData in = Make(3, {0, 1, 2, 0, 2, 1});
    const std::vector<std::uint32_t> adjacency = ComputeAdjacency(in);
    EXPECT_EQ(adjacency, (std::vector<std::uint32_t>{1, 1, 1, 0, 0, 0}));
    const Cleaned cleaned = Clean(in, adjacency.data());
    ASSERT_TRUE(cleaned.Ok);
    const MeshData& out = cleaned.Mesh;
    EXPECT_EQ(out.NumVertices(), 6u);
    EXPECT_EQ(out.Indices, (std::vector<std::uint32_t>{0, 1, 2, 3, 4, 5}));
    EXPECT_EQ(std::vector<float>(out.Positions.begin() + 9, out.Positions.begin() + 12),
              std::vector<float>(in.Positions.begin(), in.Positions.begin() + 3));
    EXPECT_EQ(cleaned.Adjacency, std::vector<std::uint32_t>(6, N));
    EXPECT_NE(cleaned.Log.find("back-facing"), std::string::npos);
}

TEST(MeshClean, GarbageAdjacencyIsToleratedAndBadMeshesRefused) {
    const MeshData in = Make(4, {0, 1, 2, 2, 1, 3});
    const std::vector<std::uint32_t> garbage = {7, 0, 99999, 0xFFFFFFFEu, 1, 5};
    MeshData out;
    std::vector<std::uint32_t> adjacencyOut;
    std::string log;
    ASSERT_TRUE(CleanMeshData(in, garbage.data(), out, adjacencyOut, log));
    for (const std::uint32_t a : adjacencyOut) {
        EXPECT_TRUE(a == N || a < 2u);
    }
    ASSERT_TRUE(CleanMeshData(in, nullptr, out, adjacencyOut, log));
    EXPECT_EQ(adjacencyOut, ComputeAdjacency(in));

    const MeshData bad = Make(3, {0, 1, 3});
    std::vector<std::uint32_t> remap;
    EXPECT_FALSE(CleanMeshData(bad, nullptr, out, adjacencyOut, log));
    EXPECT_FALSE(SimplifyMeshData(bad, nullptr, 1, 1, out));
    EXPECT_FALSE(CompactMeshData(bad, out, remap));
    MeshData ragged = Make(3, {0, 1, 2});
    ragged.Normals = {0, 1};
    EXPECT_FALSE(CompactMeshData(ragged, out, remap));
}

TEST(MeshSimplify, TargetAtOrAboveTheCurrentCountKeepsTheMesh) {
    const XFileMesh grid = LoadGrid(10);
    const auto vertices = static_cast<std::uint32_t>(grid.Mesh.NumVertices());
    const auto faces = static_cast<std::uint32_t>(grid.Mesh.NumFaces());
    struct Case {
        std::uint32_t target;
        std::uint32_t options;
    };
    for (const Case c : {Case{vertices, 1}, Case{vertices + 10, 1}, Case{faces, 2}}) {
        MeshData out;
        ASSERT_TRUE(SimplifyMeshData(grid.Mesh, grid.Adjacency.data(), c.target, c.options, out));
        EXPECT_EQ(out.Positions, grid.Mesh.Positions);
        EXPECT_EQ(out.Normals, grid.Mesh.Normals);
        EXPECT_EQ(out.TexCoords, grid.Mesh.TexCoords);
        EXPECT_EQ(out.Indices, grid.Mesh.Indices);
        EXPECT_EQ(out.Attributes, grid.Mesh.Attributes);
    }
    MeshData out;
    EXPECT_FALSE(SimplifyMeshData(grid.Mesh, nullptr, 1, 3, out));
}

TEST(MeshSimplify, ReductionKeepsEveryFaceInItsSubset) {
    const XFileMesh grid = LoadGrid(20);
    MeshData out;
    ASSERT_TRUE(SimplifyMeshData(grid.Mesh, grid.Adjacency.data(), 60, 1, out));
    EXPECT_LT(out.NumVertices(), grid.Mesh.NumVertices() / 2);
    EXPECT_GT(out.NumFaces(), 0u);
    ASSERT_EQ(out.Attributes.size(), out.NumFaces());
    EXPECT_EQ(std::set<std::uint32_t>(out.Attributes.begin(), out.Attributes.end()),
              (std::set<std::uint32_t>{0, 1}));
    // Subset 0 is the left half (x < 2.5), subset 1 the right half.
    for (std::size_t f = 0; f < out.NumFaces(); ++f) {
        for (int k = 0; k < 3; ++k) {
            const float x = out.Positions[out.Indices[f * 3 + k] * 3];
            if (out.Attributes[f] == 0) {
                EXPECT_LE(x, 2.5f);
            } else {
                EXPECT_GE(x, 2.5f);
            }
        }
    }
}

TEST(MeshCompact, DropsUnusedVerticesAndKeepsOrderAndFaces) {
    MeshData in = Make(6, {4, 2, 2, 2, 4, 0, 0, 4, 5});
    in.Normals.assign(18, 0.0f);
    in.Normals[4 * 3 + 1] = 1.0f;
    in.Colors.assign(24, 0.5f);
    in.Attributes = {3, 1, 2};
    MeshData out;
    std::vector<std::uint32_t> remap;
    ASSERT_TRUE(CompactMeshData(in, out, remap));
    EXPECT_EQ(remap, (std::vector<std::uint32_t>{0, 2, 4, 5}));
    EXPECT_EQ(out.Indices, (std::vector<std::uint32_t>{2, 1, 1, 1, 2, 0, 0, 2, 3}));
    EXPECT_EQ(out.Attributes, in.Attributes);
    EXPECT_EQ(out.NumVertices(), 4u);
    EXPECT_EQ(out.Normals.size(), 12u);
    EXPECT_FLOAT_EQ(out.Normals[2 * 3 + 1], 1.0f);
    EXPECT_EQ(out.Colors.size(), 16u);
    for (std::size_t i = 0; i < remap.size(); ++i) {
        EXPECT_FLOAT_EQ(out.Positions[i * 3], in.Positions[remap[i] * 3]);
        EXPECT_FLOAT_EQ(out.TexCoords[i * 2], in.TexCoords[remap[i] * 2]);
    }
    // In place: the output may be the input.
    ASSERT_TRUE(CompactMeshData(in, in, remap));
    EXPECT_EQ(in.Indices, out.Indices);
}

TEST(MeshCompact, AMeshThatUsesEveryVertexStaysAsItIs) {
    const MeshData in = Make(4, {0, 1, 2, 2, 1, 3});
    MeshData out;
    std::vector<std::uint32_t> remap;
    ASSERT_TRUE(CompactMeshData(in, out, remap));
    EXPECT_EQ(remap, (std::vector<std::uint32_t>{0, 1, 2, 3}));
    EXPECT_EQ(out.Positions, in.Positions);
    EXPECT_EQ(out.TexCoords, in.TexCoords);
    EXPECT_EQ(out.Indices, in.Indices);
    EXPECT_EQ(out.Attributes, in.Attributes);
    MeshData same = in;
    ASSERT_TRUE(CompactMeshData(same, same, remap));
    EXPECT_EQ(same.Positions, in.Positions);
    EXPECT_EQ(same.Indices, in.Indices);
}

TEST(MeshChain, LoadCleanSimplifyCompactAsTheMeshStoreDoes) {
    const XFileMesh loaded = LoadGrid(12);
    const Cleaned cleaned = Clean(loaded.Mesh, loaded.Adjacency.data());
    ASSERT_TRUE(cleaned.Ok);
    MeshData simplified;
    ASSERT_TRUE(SimplifyMeshData(cleaned.Mesh, cleaned.Adjacency.data(),
                                 static_cast<std::uint32_t>(cleaned.Mesh.NumVertices()), 1, simplified));
    MeshData compacted;
    std::vector<std::uint32_t> remap;
    ASSERT_TRUE(CompactMeshData(simplified, compacted, remap));
    EXPECT_EQ(compacted.NumVertices(), loaded.Mesh.NumVertices());
    EXPECT_EQ(compacted.Indices, loaded.Mesh.Indices);
    EXPECT_EQ(remap.size(), compacted.NumVertices());
    EXPECT_EQ(remap.back(), remap.size() - 1);
}

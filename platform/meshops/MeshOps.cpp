// Mesh operations behind the D3DX clean-up steps: adjacency, clean (bowties and
// back-facing pairs), simplify (meshoptimizer) and compact. Each works on a copy, so
// the output may be the input object.
#include "platform/meshops/MeshOps.h"

#include <meshoptimizer.h>

#include <algorithm>
#include <cstring>
#include <exception>
#include <memory>
#include <new>
#include <system_error>
#include <thread>

#include "platform/meshops/Adjacency.h"

namespace meshops {

namespace {

// A half-edge in the bucket of its lower vertex: (higher vertex << 32) | slot,
// where slot = 3 * face + corner. Sorting these sorts by edge, then face order.
void SortBucket(std::uint64_t* first, std::uint64_t* last) {
    if (last - first <= 16) {
        for (std::uint64_t* i = first + 1; i < last; ++i) {
            const std::uint64_t e = *i;
            std::uint64_t* j = i;
            while (j > first && e < *(j - 1)) {
                *j = *(j - 1);
                --j;
            }
            *j = e;
        }
    } else {
        std::sort(first, last);
    }
}

// Calls visit(slot, a, b) for every half-edge (a, b) of the faces whose two ends
// are different vertices below `numVertices`.
template <class VertexOf, class Visit>
void ForEachHalfEdge(std::size_t numFaces, std::size_t numVertices, VertexOf vertex, Visit visit) {
    for (std::size_t f = 0; f < numFaces; ++f) {
        const std::uint32_t v[3] = {vertex(f * 3), vertex(f * 3 + 1), vertex(f * 3 + 2)};
        for (std::size_t k = 0; k < 3; ++k) {
            const std::uint32_t a = v[k];
            const std::uint32_t b = v[(k + 1) % 3];
            if (a != b && a < numVertices && b < numVertices) {
                visit(f * 3 + k, a, b);
            }
        }
    }
}

}  // namespace

std::uint32_t AdjacencyJob::Vertex(std::size_t slot) const {
    const std::uint32_t v = indices_[slot];
    if (v >= numVertices_) {
        return NoNeighbour;
    }
    return canonical_ != nullptr ? canonical_[v] : v;
}

void AdjacencyJob::Prepare(const std::uint32_t* indices, std::size_t numFaces, std::size_t numVertices,
                           const std::uint32_t* canonical, std::uint32_t* adjacency, std::uint32_t faceBase) {
    indices_ = indices;
    numVertices_ = numVertices;
    canonical_ = canonical;
    adjacency_ = adjacency;
    faceBase_ = faceBase;
    next_.store(0, std::memory_order_relaxed);
    std::fill(adjacency, adjacency + numFaces * 3, NoNeighbour);
    // Slots are 32-bit: past that many faces (tens of gigabytes) nothing is paired.
    if (numFaces == 0 || numVertices == 0 || numFaces > 0xFFFFFFFFu / 3) {
        numVertices_ = 0;  // nothing to pair
        return;
    }

    // Counting sort of the half-edges by their lower vertex.
    start_.assign(numVertices + 1, 0);
    const auto vertex = [this](std::size_t slot) { return Vertex(slot); };
    ForEachHalfEdge(numFaces, numVertices, vertex,
                    [this](std::size_t, std::uint32_t a, std::uint32_t b) { ++start_[std::min(a, b) + 1]; });
    for (std::size_t i = 0; i < numVertices; ++i) {
        start_[i + 1] += start_[i];
    }
    // Every entry is written below: no need to clear it first.
    edges_.reset(new std::uint64_t[start_[numVertices] + 1]);
    HugePages(edges_.get(), (start_[numVertices] + 1) * sizeof(std::uint64_t));
    std::vector<std::uint32_t> fill(start_.begin(), start_.end() - 1);
    ForEachHalfEdge(numFaces, numVertices, vertex, [this, &fill](std::size_t slot, std::uint32_t a, std::uint32_t b) {
        edges_[fill[std::min(a, b)]++] = (std::uint64_t{std::max(a, b)} << 32) | slot;
    });
}

// Within a bucket, half-edges on the same edge pair up: opposite directions first
// (the consistent winding), then what is left, in face order. Buckets are taken in
// chunks from a shared counter; each adjacency entry belongs to one bucket.
void AdjacencyJob::Pair() {
    constexpr std::size_t kChunk = 4096;
    std::vector<std::uint32_t> forward;
    std::vector<std::uint32_t> backward;
    const auto link = [this](std::uint32_t s, std::uint32_t t) {
        if (s / 3 != t / 3) {
            adjacency_[s] = t / 3 + faceBase_;
            adjacency_[t] = s / 3 + faceBase_;
        }
    };
    const auto slotOf = [](std::uint64_t e) { return static_cast<std::uint32_t>(e); };
    for (;;) {
        const std::size_t chunk = next_.fetch_add(1, std::memory_order_relaxed);
        const std::size_t begin = chunk * kChunk;
        if (begin >= numVertices_) {
            return;
        }
        const std::size_t end = std::min(numVertices_, begin + kChunk);
        for (std::size_t lo = begin; lo < end; ++lo) {
            std::uint64_t* first = edges_.get() + start_[lo];
            std::uint64_t* last = edges_.get() + start_[lo + 1];
            if (last - first < 2) {
                continue;
            }
            SortBucket(first, last);
            for (std::uint64_t* run = first; run < last;) {
                const std::uint64_t hi = *run >> 32;
                std::uint64_t* runEnd = run + 1;
                while (runEnd < last && (*runEnd >> 32) == hi) {
                    ++runEnd;
                }
                if (runEnd - run == 2) {
                    link(slotOf(run[0]), slotOf(run[1]));
                } else if (runEnd - run > 2) {
                    forward.clear();
                    backward.clear();
                    for (std::uint64_t* e = run; e < runEnd; ++e) {
                        (Vertex(slotOf(*e)) == lo ? forward : backward).push_back(slotOf(*e));
                    }
                    const std::size_t pairs = std::min(forward.size(), backward.size());
                    for (std::size_t i = 0; i < pairs; ++i) {
                        link(forward[i], backward[i]);
                    }
                    std::vector<std::uint32_t>& rest = forward.size() > pairs ? forward : backward;
                    for (std::size_t i = pairs; i + 1 < rest.size(); i += 2) {
                        link(rest[i], rest[i + 1]);
                    }
                }
                run = runEnd;
            }
        }
    }
}

void BuildAdjacency(const std::uint32_t* indices, std::size_t numFaces, std::size_t numVertices,
                    const std::uint32_t* canonical, std::uint32_t* adjacency) {
    AdjacencyJob job;
    job.Prepare(indices, numFaces, numVertices, canonical, adjacency, 0);
    job.Pair();
}

}  // namespace meshops

namespace {

bool ValidMesh(const MeshData& m) {
    if (m.Positions.size() % 3 != 0 || m.Indices.size() % 3 != 0) {
        return false;
    }
    const std::size_t numVertices = m.NumVertices();
    if (numVertices >= 0xFFFFFFFFu || m.NumFaces() >= 0xFFFFFFFFu) {
        return false;
    }
    if ((!m.Normals.empty() && m.Normals.size() != numVertices * 3) ||
        (!m.TexCoords.empty() && m.TexCoords.size() != numVertices * 2) ||
        (!m.Colors.empty() && m.Colors.size() != numVertices * 4) ||
        (!m.Attributes.empty() && m.Attributes.size() != m.NumFaces())) {
        return false;
    }
    for (const std::uint32_t i : m.Indices) {
        if (i >= numVertices) {
            return false;
        }
    }
    return true;
}

// Appends a copy of vertex v to every stream.
void CopyVertex(MeshData& m, std::uint32_t v) {
    const auto copy = [v](std::vector<float>& s, std::size_t width) {
        if (s.empty()) {
            return;
        }
        for (std::size_t k = 0; k < width; ++k) {
            const float x = s[std::size_t{v} * width + k];
            s.push_back(x);
        }
    };
    copy(m.Positions, 3);
    copy(m.Normals, 3);
    copy(m.TexCoords, 2);
    copy(m.Colors, 4);
}

// What cleaning will change, found before the mesh is copied.
struct CleanPlan {
    std::vector<std::uint32_t> backFacing;  // faces that get three vertices of their own
    std::vector<std::uint32_t> copyOf;      // source vertex of each bowtie copy
    std::vector<std::uint32_t> moves;       // pairs: corner slot, bowtie copy number
};

// Faces on the same three vertices with opposite winding: the faces of the
// minority winding of each such group get vertices of their own, and the
// adjacency between the group's faces is dropped.
void FindBackFacingPairs(const MeshData& m, std::vector<std::uint32_t>& adjacency, CleanPlan& plan,
                         std::string& log) {
    const std::size_t numFaces = m.NumFaces();
    const std::size_t numVertices = m.NumVertices();
    const std::uint32_t* idx = m.Indices.data();
    const auto distinct = [idx](std::size_t f) {
        const std::uint32_t a = idx[f * 3], b = idx[f * 3 + 1], c = idx[f * 3 + 2];
        return a != b && b != c && a != c;
    };
    // The lowest vertex, the other two in order, and the winding relative to that order.
    struct Key {
        std::uint32_t lo, b, c, parity;
    };
    const auto key = [idx](std::size_t f) {
        const std::uint32_t a = idx[f * 3], b = idx[f * 3 + 1], c = idx[f * 3 + 2];
        Key k{a, b, c, 0};
        if (b < a && b < c) {
            k = {b, c, a, 0};
        } else if (c < a && c < b) {
            k = {c, a, b, 0};
        }
        if (k.b > k.c) {
            std::swap(k.b, k.c);
            k.parity = 1;
        }
        return k;
    };
    std::vector<std::uint32_t> start(numVertices + 1, 0);
    for (std::size_t f = 0; f < numFaces; ++f) {
        if (distinct(f)) {
            ++start[key(f).lo + 1];
        }
    }
    for (std::size_t i = 0; i < numVertices; ++i) {
        start[i + 1] += start[i];
    }
    std::vector<std::uint32_t> faces(start[numVertices]);
    {
        std::vector<std::uint32_t> fill(start.begin(), start.end() - 1);
        for (std::size_t f = 0; f < numFaces; ++f) {
            if (distinct(f)) {
                faces[fill[key(f).lo]++] = static_cast<std::uint32_t>(f);
            }
        }
    }
    for (std::size_t lo = 0; lo < numVertices; ++lo) {
        std::uint32_t* first = faces.data() + start[lo];
        std::uint32_t* last = faces.data() + start[lo + 1];
        if (last - first < 2) {
            continue;
        }
        if (last - first <= 16) {
            // Most often no two faces here share their other two vertices: nothing to sort.
            std::uint64_t others[16];
            std::size_t n = 0;
            bool shared = false;
            for (const std::uint32_t* f = first; f < last && !shared; ++f) {
                const Key k = key(*f);
                const std::uint64_t pair = (std::uint64_t{k.b} << 32) | k.c;
                for (std::size_t i = 0; i < n && !shared; ++i) {
                    shared = others[i] == pair;
                }
                others[n++] = pair;
            }
            if (!shared) {
                continue;
            }
        }
        std::sort(first, last, [&](std::uint32_t p, std::uint32_t q) {
            const Key kp = key(p), kq = key(q);
            return kp.b != kq.b ? kp.b < kq.b : kp.c != kq.c ? kp.c < kq.c : p < q;
        });
        for (std::uint32_t* run = first; run < last;) {
            const Key k0 = key(*run);
            std::uint32_t* runEnd = run + 1;
            bool mixed = false;
            while (runEnd < last && key(*runEnd).b == k0.b && key(*runEnd).c == k0.c) {
                mixed = mixed || key(*runEnd).parity != k0.parity;
                ++runEnd;
            }
            for (std::uint32_t* g = run; mixed && g < runEnd; ++g) {
                if (key(*g).parity == k0.parity) {
                    continue;
                }
                const std::size_t face = *g;
                // Edges to a face on the same three vertices are what conflict.
                for (int e = 0; e < 3; ++e) {
                    const std::uint32_t other = adjacency[face * 3 + e];
                    if (other >= numFaces || !distinct(other)) {
                        continue;
                    }
                    const Key ko = key(other);
                    if (ko.lo != k0.lo || ko.b != k0.b || ko.c != k0.c) {
                        continue;
                    }
                    adjacency[face * 3 + e] = NoNeighbour;
                    for (int j = 0; j < 3; ++j) {
                        if (adjacency[std::size_t{other} * 3 + j] == face) {
                            adjacency[std::size_t{other} * 3 + j] = NoNeighbour;
                        }
                    }
                }
                if (plan.backFacing.size() < 8) {
                    log += "back-facing face " + std::to_string(face) + " given its own vertices\n";
                }
                plan.backFacing.push_back(static_cast<std::uint32_t>(face));
            }
            run = runEnd;
        }
    }
}

// A vertex whose faces form several fans that share no edge at it gets one copy
// per extra fan. Faces already given their own vertices take no part. Corners are
// taken in order: the first one not yet reached at its vertex starts a fan there,
// which takes in every corner at that vertex reachable across edges at it. A vertex
// of one fan is thus done in one sweep, with no list of its corners. Copies are
// numbered by vertex, then by the order of their fans' first corners.
void FindBowties(const MeshData& m, const std::vector<std::uint32_t>& adjacency, CleanPlan& plan, std::string& log) {
    const std::size_t numFaces = m.NumFaces();
    const std::size_t numVertices = m.NumVertices();
    const std::vector<std::uint32_t>& idx = m.Indices;
    std::vector<std::uint8_t> visited(idx.size(), 0);
    for (const std::uint32_t f : plan.backFacing) {
        visited[std::size_t{f} * 3] = visited[std::size_t{f} * 3 + 1] = visited[std::size_t{f} * 3 + 2] = 1;
    }
    std::vector<std::uint32_t> fans(numVertices, 0);  // fans found so far at each vertex
    struct ExtraFan {
        std::uint32_t vertex;
        std::uint32_t firstMove;  // in `moves`, which holds corner slots here
    };
    std::vector<ExtraFan> extra;
    std::vector<std::uint32_t> moves;
    std::vector<std::uint32_t> stack;
    for (std::size_t seed = 0; seed < idx.size(); ++seed) {
        if (visited[seed]) {
            continue;
        }
        const std::uint32_t v = idx[seed];
        const bool isExtra = fans[v]++ > 0;
        if (isExtra) {
            extra.push_back({v, static_cast<std::uint32_t>(moves.size())});
        }
        // Every corner at v of the faces reachable across edges at v.
        const auto visit = [&](std::size_t face) {
            for (std::size_t k = 0; k < 3; ++k) {
                const std::size_t s = face * 3 + k;
                if (!visited[s] && idx[s] == v) {
                    visited[s] = 1;
                    stack.push_back(static_cast<std::uint32_t>(s));
                    if (isExtra) {
                        moves.push_back(static_cast<std::uint32_t>(s));
                    }
                }
            }
        };
        visit(seed / 3);
        while (!stack.empty()) {
            const std::uint32_t s = stack.back();
            stack.pop_back();
            const std::size_t face = s / 3;
            const std::size_t k = s % 3;
            // The two edges at this corner: k -> k+1 and k+2 -> k.
            for (const std::uint32_t g : {adjacency[face * 3 + k], adjacency[face * 3 + (k + 2) % 3]}) {
                if (g < numFaces) {
                    visit(g);
                }
            }
        }
    }
    if (extra.empty()) {
        return;
    }
    // Copies by vertex; a vertex's fans are already in the order of their first corners.
    std::vector<std::uint32_t> order(extra.size());
    for (std::size_t i = 0; i < order.size(); ++i) {
        order[i] = static_cast<std::uint32_t>(i);
    }
    std::stable_sort(order.begin(), order.end(),
                     [&](std::uint32_t a, std::uint32_t b) { return extra[a].vertex < extra[b].vertex; });
    std::size_t logged = 0;
    for (std::size_t i = 0; i < order.size(); ++i) {
        const ExtraFan& fan = extra[order[i]];
        const auto copy = static_cast<std::uint32_t>(plan.copyOf.size());
        plan.copyOf.push_back(fan.vertex);
        const std::size_t last = order[i] + 1 < extra.size() ? extra[order[i] + 1].firstMove : moves.size();
        for (std::size_t j = fan.firstMove; j < last; ++j) {
            plan.moves.push_back(moves[j]);
            plan.moves.push_back(copy);
        }
        if ((i == 0 || extra[order[i - 1]].vertex != fan.vertex) && logged++ < 8) {
            log += "bowtie at vertex " + std::to_string(fan.vertex) + " split into " +
                   std::to_string(fans[fan.vertex]) + "\n";
        }
    }
}

// Copies a mesh, on a second thread when it is big; Join waits for it and says
// whether it succeeded. The destructor waits too, so nothing outlives the copy.
class Copier {
public:
    Copier(const MeshData& from, MeshData& to) : from_(from), to_(to) {
        if (from.NumFaces() >= kThreadedFaces) {
            try {
                worker_ = std::thread([this] { Run(); });
                return;
            } catch (const std::system_error&) {
                // No thread to be had: copy here.
            }
        }
        Run();
    }
    ~Copier() { Join(); }
    Copier(const Copier&) = delete;
    Copier& operator=(const Copier&) = delete;

    bool Join() {
        if (worker_.joinable()) {
            worker_.join();
        }
        return ok_;
    }

private:
    static constexpr std::size_t kThreadedFaces = 32768;

    void Run() {
        try {
            to_ = from_;
            ok_ = true;
        } catch (const std::bad_alloc&) {
            ok_ = false;
        }
    }

    const MeshData& from_;
    MeshData& to_;
    bool ok_ = false;
    std::thread worker_;
};

bool CompactInto(const MeshData& in, MeshData& out, std::vector<std::uint32_t>& vertexRemap) {
    const std::size_t numVertices = in.NumVertices();
    std::vector<std::uint32_t> newIndex(numVertices, NoNeighbour);
    for (const std::uint32_t v : in.Indices) {
        newIndex[v] = 0;
    }
    std::vector<std::uint32_t> remap;
    for (std::size_t v = 0; v < numVertices; ++v) {
        if (newIndex[v] == 0) {
            newIndex[v] = static_cast<std::uint32_t>(remap.size());
            remap.push_back(static_cast<std::uint32_t>(v));
        }
    }
    MeshData m;
    if (remap.size() == numVertices) {
        // Every vertex is used: the mesh as it is.
        if (&out != &in) {
            m = in;
            out = std::move(m);
        }
        vertexRemap = std::move(remap);
        return true;
    }
    const auto gather = [&](const std::vector<float>& src, std::vector<float>& dst, std::size_t width) {
        if (src.empty()) {
            return;
        }
        dst.resize(remap.size() * width);
        for (std::size_t i = 0; i < remap.size(); ++i) {
            std::memcpy(&dst[i * width], &src[std::size_t{remap[i]} * width], width * sizeof(float));
        }
    };
    gather(in.Positions, m.Positions, 3);
    gather(in.Normals, m.Normals, 3);
    gather(in.TexCoords, m.TexCoords, 2);
    gather(in.Colors, m.Colors, 4);
    m.Indices.resize(in.Indices.size());
    for (std::size_t i = 0; i < in.Indices.size(); ++i) {
        m.Indices[i] = newIndex[in.Indices[i]];
    }
    m.Attributes = in.Attributes;
    out = std::move(m);
    vertexRemap = std::move(remap);
    return true;
}

}  // namespace

std::vector<std::uint32_t> ComputeAdjacency(const MeshData& mesh) {
    std::vector<std::uint32_t> adjacency(mesh.NumFaces() * 3);
    meshops::BuildAdjacency(mesh.Indices.data(), mesh.NumFaces(), mesh.NumVertices(), nullptr, adjacency.data());
    return adjacency;
}

bool CleanMeshData(const MeshData& in, const std::uint32_t* adjacency, MeshData& out,
                   std::vector<std::uint32_t>& adjacencyOut, std::string& log) {
    if (!ValidMesh(in)) {
        return false;
    }
    try {
        const std::size_t numFaces = in.NumFaces();
        std::vector<std::uint32_t> adj(numFaces * 3);
        if (adjacency != nullptr) {
            for (std::size_t s = 0; s < adj.size(); ++s) {
                const std::uint32_t g = adjacency[s];
                adj[s] = (g < numFaces && g != s / 3) ? g : NoNeighbour;
            }
        } else {
            meshops::BuildAdjacency(in.Indices.data(), numFaces, in.NumVertices(), nullptr, adj.data());
        }
        std::string text;
        CleanPlan plan;
        // The copy of the mesh is made while the plan is worked out (on a second
        // thread for big meshes); the copies of vertices come after.
        MeshData m;
        Copier copy(in, m);
        FindBackFacingPairs(in, adj, plan, text);
        FindBowties(in, adj, plan, text);
        if (!copy.Join()) {
            return false;
        }
        for (const std::uint32_t f : plan.backFacing) {
            for (std::size_t k = 0; k < 3; ++k) {
                std::uint32_t& index = m.Indices[std::size_t{f} * 3 + k];
                const std::uint32_t copy = static_cast<std::uint32_t>(m.NumVertices());
                CopyVertex(m, index);
                index = copy;
            }
        }
        const auto bowtieBase = static_cast<std::uint32_t>(m.NumVertices());
        for (const std::uint32_t v : plan.copyOf) {
            CopyVertex(m, v);
        }
        for (std::size_t i = 0; i < plan.moves.size(); i += 2) {
            m.Indices[plan.moves[i]] = bowtieBase + plan.moves[i + 1];
        }
        if (!plan.backFacing.empty() || !plan.copyOf.empty()) {
            text += "cleaned: " + std::to_string(plan.copyOf.size()) + " bowtie vertex copies, " +
                    std::to_string(plan.backFacing.size()) + " back-facing faces\n";
        }
        out = std::move(m);
        adjacencyOut = std::move(adj);
        log = std::move(text);
        return true;
    } catch (const std::exception&) {  // out of memory
        return false;
    }
}

// Each subset is reduced on its own (faces never change subset), by meshoptimizer
// with the face target scaled from the requested count; the vertices left unused are
// then dropped. A target at or above the current count returns the mesh as it is.
bool SimplifyMeshData(const MeshData& in, const std::uint32_t* adjacency, std::uint32_t minValue,
                      std::uint32_t options, MeshData& out) {
    (void)adjacency;  // meshoptimizer finds its own topology
    if (!ValidMesh(in) || (options != 1 && options != 2)) {
        return false;
    }
    const std::size_t current = options == 1 ? in.NumVertices() : in.NumFaces();
    if (minValue >= current) {
        if (&out != &in) {
            out = in;
        }
        return true;
    }
    try {
        const double ratio = static_cast<double>(minValue) / static_cast<double>(current);
        const std::size_t numFaces = in.NumFaces();
        // Each attribute group is simplified on its own so that faces keep their subset.
        std::vector<std::uint32_t> order(numFaces);
        for (std::size_t f = 0; f < numFaces; ++f) {
            order[f] = static_cast<std::uint32_t>(f);
        }
        if (!in.Attributes.empty()) {
            std::stable_sort(order.begin(), order.end(),
                             [&](std::uint32_t a, std::uint32_t b) { return in.Attributes[a] < in.Attributes[b]; });
        }
        MeshData reduced;
        reduced.Positions = in.Positions;
        reduced.Normals = in.Normals;
        reduced.TexCoords = in.TexCoords;
        reduced.Colors = in.Colors;
        std::vector<std::uint32_t> group;
        std::vector<std::uint32_t> result;
        std::vector<std::uint32_t> local(in.NumVertices(), NoNeighbour);  // vertex -> subset vertex
        std::vector<std::uint32_t> used;                                  // subset vertex -> vertex
        std::vector<float> localPositions;
        for (std::size_t i = 0; i < numFaces;) {
            const std::uint32_t attribute = in.Attributes.empty() ? 0 : in.Attributes[order[i]];
            std::size_t j = i;
            group.clear();
            while (j < numFaces && (in.Attributes.empty() || in.Attributes[order[j]] == attribute)) {
                const std::size_t f = order[j];
                group.insert(group.end(), in.Indices.begin() + static_cast<std::ptrdiff_t>(f * 3),
                             in.Indices.begin() + static_cast<std::ptrdiff_t>(f * 3 + 3));
                ++j;
            }
            const std::size_t groupFaces = j - i;
            std::size_t target = static_cast<std::size_t>(static_cast<double>(groupFaces) * ratio + 0.5);
            target = std::max<std::size_t>(target, 1) * 3;
            // The subset on its own vertices, so that many small subsets stay linear.
            used.clear();
            localPositions.clear();
            for (std::uint32_t& v : group) {
                if (local[v] == NoNeighbour) {
                    local[v] = static_cast<std::uint32_t>(used.size());
                    used.push_back(v);
                    localPositions.insert(localPositions.end(), &in.Positions[std::size_t{v} * 3],
                                          &in.Positions[std::size_t{v} * 3] + 3);
                }
                v = local[v];
            }
            result.resize(group.size());
            const std::size_t n = meshopt_simplify(result.data(), group.data(), group.size(), localPositions.data(),
                                                   used.size(), sizeof(float) * 3, target, 1.0f, 0, nullptr);
            for (std::size_t k = 0; k < n; ++k) {
                reduced.Indices.push_back(used[result[k]]);
            }
            for (const std::uint32_t v : used) {
                local[v] = NoNeighbour;
            }
            if (!in.Attributes.empty()) {
                reduced.Attributes.insert(reduced.Attributes.end(), n / 3, attribute);
            }
            i = j;
        }
        std::vector<std::uint32_t> remap;
        return CompactInto(reduced, out, remap);
    } catch (const std::exception&) {  // out of memory
        return false;
    }
}

bool CompactMeshData(const MeshData& in, MeshData& out, std::vector<std::uint32_t>& vertexRemap) {
    if (!ValidMesh(in)) {
        return false;
    }
    try {
        return CompactInto(in, out, vertexRemap);
    } catch (const std::exception&) {  // out of memory
        return false;
    }
}

// From parsed Mesh objects to the one output mesh: vertex splitting by normal,
// fans, materials per triangle, adjacency and frame transforms. The rules are listed
// at the top of XFile.cpp.
#include <cmath>
#include <cstring>
#include <limits>
#include <new>
#include <system_error>

#include "platform/xfile/XFileInternal.h"

namespace xfile {

namespace {

// Meshes with at least this many triangles get their adjacency on a second thread.
constexpr std::size_t kThreadedTriangles = 32768;

void Multiply(const float* a, const float* b, float* r) {
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            float s = 0.0f;
            for (int k = 0; k < 4; ++k) {
                s += a[i * 4 + k] * b[k * 4 + j];
            }
            r[i * 4 + j] = s;
        }
    }
}

bool IsIdentity(const float* m) {
    for (int i = 0; i < 16; ++i) {
        if (m[i] != ((i % 5 == 0) ? 1.0f : 0.0f)) {
            return false;
        }
    }
    return true;
}

float Finite(float v) { return std::isfinite(v) ? v : 0.0f; }

std::uint64_t HashCopy(std::uint32_t position, const float* n) {
    std::uint64_t h = position * 0x9E3779B97F4A7C15ull;
    for (int i = 0; i < 3; ++i) {
        std::uint32_t bits = 0;
        const float v = n[i] + 0.0f;  // -0 and +0 hash alike
        std::memcpy(&bits, &v, 4);
        h = (h ^ bits) * 0xFF51AFD7ED558CCDull;
    }
    return h ^ (h >> 29);
}

// Fans the faces' corners into triangles: (v0, vk, vk+1).
void Fan(const std::vector<std::uint32_t>& faceSizes, const std::uint32_t* corners, std::uint32_t* out) {
    std::size_t c = 0;
    for (const std::uint32_t n : faceSizes) {
        for (std::uint32_t k = 1; k + 1 < n; ++k) {
            *out++ = corners[c];
            *out++ = corners[c + k];
            *out++ = corners[c + k + 1];
        }
        c += n;
    }
}

void AppendStream(std::vector<float>& dst, std::vector<float>& src, std::size_t base, std::size_t end,
                  std::size_t width, float fill) {
    if (src.empty()) {
        if (!dst.empty()) {
            dst.resize(end * width, fill);
        }
        return;
    }
    if (base == 0 && dst.empty()) {
        dst = std::move(src);
        return;
    }
    dst.resize(base * width, fill);
    dst.insert(dst.end(), src.begin(), src.end());
}

}  // namespace

bool MeshBuilder::Join() {
    if (worker_.joinable()) {
        worker_.join();
    }
    job_.Release();
    return !workerFailed_ && !prepareFailed_;
}

bool MeshBuilder::BeginMesh(RawMesh& m, std::string& reason) {
    if (!Join()) {
        reason = "out of memory";
        return false;
    }
    const std::size_t numPositions = m.Positions.size() / 3;
    std::uint64_t triangles = 0;
    if (m.FaceSizes.empty()) {
        triangles = m.NumFaces;  // all triangles
    }
    for (const std::uint32_t n : m.FaceSizes) {
        triangles += n >= 3 ? n - 2 : 0;
    }
    const std::size_t firstFace = out_.Adjacency.size() / 3;
    if (out_.Mesh.NumVertices() + numPositions + m.Corners.size() >= 0xFFFFFFFFull ||
        firstFace + triangles >= 0xFFFFFFFFull) {
        reason = "mesh too large";
        return false;
    }
    m.Triangles = static_cast<std::size_t>(triangles);
    m.Fanned.clear();
    // Any face that is not a triangle (faces of fewer corners give none) means fanning,
    // even where the counts happen to match.
    if (!m.FaceSizes.empty()) {
        ReserveHuge(m.Fanned, m.Triangles * 3);
        m.Fanned.resize(m.Triangles * 3);
        Fan(m.FaceSizes, m.Corners.data(), m.Fanned.data());
    }
    if (m.Triangles == 0) {
        return true;
    }
    ReserveHuge(out_.Adjacency, (firstFace + m.Triangles) * 3);
    out_.Adjacency.resize((firstFace + m.Triangles) * 3);

    // The adjacency works on the file's position indices, so split copies made later
    // still count as one point. It reads only `corners`/`fanned`, which nothing
    // changes until Append has joined it.
    const std::uint32_t* tri = m.Fanned.empty() ? m.Corners.data() : m.Fanned.data();
    std::uint32_t* dst = out_.Adjacency.data() + firstFace * 3;
    const std::size_t count = m.Triangles;
    prepared_.store(false, std::memory_order_relaxed);
    prepareFailed_ = false;
    const auto work = [this, tri, dst, count, numPositions, firstFace] {
        try {
            job_.Prepare(tri, count, numPositions, nullptr, dst, static_cast<std::uint32_t>(firstFace));
        } catch (const std::bad_alloc&) {
            prepareFailed_ = true;
        }
        prepared_.store(true, std::memory_order_release);
        prepared_.notify_all();
        if (!prepareFailed_) {
            try {
                job_.Pair();
            } catch (const std::bad_alloc&) {
                workerFailed_ = true;
            }
        }
    };
    if (count >= kThreadedTriangles) {
        try {
            worker_ = std::thread(work);
            return true;
        } catch (const std::system_error&) {
            // No thread to be had: do it here.
        }
    }
    work();
    if (prepareFailed_ || workerFailed_) {
        reason = "out of memory";
        return false;
    }
    return true;
}

bool MeshBuilder::Append(RawMesh& m, std::uint32_t frame, std::string& reason) {
    MeshData& o = out_.Mesh;
    const std::size_t base = o.NumVertices();
    const std::size_t numPositions = m.Positions.size() / 3;
    const bool hasNormals = !m.CornerNormals.empty() || m.NormalsAreCorners;

    // Streams: positions always; the others when this mesh or an earlier one has them.
    if (o.Positions.empty()) {
        o.Positions = std::move(m.Positions);
    } else {
        o.Positions.insert(o.Positions.end(), m.Positions.begin(), m.Positions.end());
    }
    const std::size_t end = base + numPositions;
    const std::size_t firstFace = o.NumFaces();
    const std::size_t count = m.Triangles * 3;
    const std::uint32_t* tri = m.Fanned.empty() ? m.Corners.data() : m.Fanned.data();
    // The first mesh, all triangles: its arrays can become the output's streams; the
    // file's normals and corners themselves when every corner has the normal of its
    // position's own number (no position is then split).
    const bool first = base == 0 && firstFace == 0 && m.Fanned.empty();
    const bool normalsByPosition = first && m.NormalsAreCorners && m.Normals.size() == numPositions * 3;
    const bool resolveInPlace = first && !m.CornerNormals.empty() && m.CornerNormals.size() == count;
    if (normalsByPosition) {
        o.Normals = std::move(m.Normals);
    } else if (hasNormals) {
        ReserveHuge(o.Normals, end * 3);
        o.Normals.resize(base * 3, 0.0f);
        o.Normals.resize(end * 3, std::numeric_limits<float>::quiet_NaN());  // "not yet set"
    } else if (!o.Normals.empty()) {
        o.Normals.resize(end * 3, 0.0f);
    }
    AppendStream(o.TexCoords, m.TexCoords, base, end, 2, 0.0f);
    AppendStream(o.Colors, m.Colors, base, end, 4, 1.0f);

    // Triangle corners become output vertices.
    if (normalsByPosition) {
        // The buffer moves, not its address: the adjacency may still be reading it.
        o.Indices = std::move(m.Corners);
        // Positions that no corner uses have no normal.
        std::vector<std::uint8_t> used(numPositions, 0);
        for (std::size_t i = 0; i < count; ++i) {
            used[tri[i]] = 1;
        }
        for (std::size_t v = 0; v < numPositions; ++v) {
            if (used[v] == 0) {
                o.Normals[v * 3] = o.Normals[v * 3 + 1] = o.Normals[v * 3 + 2] = 0.0f;
            }
        }
    } else if (!hasNormals) {
        ReserveHuge(o.Indices, o.Indices.size() + count);
        o.Indices.resize(o.Indices.size() + count);
        std::uint32_t* dst = o.Indices.data() + firstFace * 3;
        const auto offset = static_cast<std::uint32_t>(base);
        for (std::size_t i = 0; i < count; ++i) {
            dst[i] = tri[i] + offset;
        }
    } else {
        // For the first mesh the normal index of each corner is replaced by its vertex
        // where it stands, and that array becomes the index stream.
        std::uint32_t* dst = nullptr;
        if (resolveInPlace) {
            o.Indices = std::move(m.CornerNormals);
            dst = o.Indices.data();
        } else {
            ReserveHuge(o.Indices, o.Indices.size() + count);
            o.Indices.resize(o.Indices.size() + count);
            dst = o.Indices.data() + firstFace * 3;
        }
        std::vector<std::uint32_t> fannedNormals;
        const std::uint32_t* triNormals = resolveInPlace ? dst : m.CornerNormals.data();
        if (m.NormalsAreCorners) {
            triNormals = tri;
        } else if (!m.Fanned.empty()) {
            fannedNormals.resize(count);
            Fan(m.FaceSizes, m.CornerNormals.data(), fannedNormals.data());
            triNormals = fannedNormals.data();
        }
        ResolveNormals(m, tri, triNormals, count, base, dst);
        ClearUnsetNormals(base, end);
    }

    // The face's material on every triangle it gave.
    const std::uint32_t materialBase = static_cast<std::uint32_t>(out_.Materials.size());
    const std::size_t numListed = m.FaceMaterials.size();
    const std::size_t numFaces = m.NumFaces;
    // One listed material per triangle of the first mesh: the list is the attribute stream.
    const bool listIsStream = m.HasMaterialList && !m.Materials.empty() && m.FaceSizes.empty() && firstFace == 0 &&
                              materialBase == 0 && numListed == numFaces;
    if (listIsStream) {
        o.Attributes = std::move(m.FaceMaterials);
    } else {
        ReserveHuge(o.Attributes, firstFace + m.Triangles);
        o.Attributes.resize(firstFace + m.Triangles);
    }
    std::uint32_t* attr = o.Attributes.data() + firstFace;
    if (listIsStream) {
        // Already in place.
    } else if (!m.HasMaterialList || m.Materials.empty()) {
        // No list, or a list of no materials: subset 0, as for a mesh without one.
        std::fill(attr, attr + m.Triangles, 0u);
    } else {
        for (std::size_t f = 0; f < numFaces; ++f) {
            const std::uint32_t n = m.FaceSizes.empty() ? 3 : m.FaceSizes[f];
            const std::uint32_t material =
                materialBase + (numListed == 0 ? 0 : m.FaceMaterials[f < numListed ? f : numListed - 1]);
            for (std::uint32_t k = 2; k < n; ++k) {
                *attr++ = material;
            }
        }
    }
    out_.Materials.insert(out_.Materials.end(), m.Materials.begin(), m.Materials.end());
    ranges_.push_back({frame, base, o.NumVertices()});
    m.CornerNormals = {};
    m.Normals = {};
    // Done here: help the worker pair up the last buckets of the adjacency.
    if (worker_.joinable()) {
        prepared_.wait(false, std::memory_order_acquire);
        if (!prepareFailed_) {
            try {
                job_.Pair();
            } catch (const std::bad_alloc&) {
                Join();
                reason = "out of memory";
                return false;
            }
        }
    }
    if (!Join()) {
        reason = "out of memory";
        return false;
    }
    return true;
}

// Normals that no corner gave (positions no face uses) become 0.
void MeshBuilder::ClearUnsetNormals(std::size_t first, std::size_t end) {
    float* normals = out_.Mesh.Normals.data();
    for (std::size_t v = first; v < end; ++v) {
        if (std::isnan(normals[v * 3])) {
            normals[v * 3] = normals[v * 3 + 1] = normals[v * 3 + 2] = 0.0f;
        }
    }
}

// Gives every triangle corner its output vertex: the position itself for the first
// normal seen there, a copy (after the mesh's positions) for each other normal.
// `out` may be `triNormals`: each entry is read before it is written.
void MeshBuilder::ResolveNormals(const RawMesh& m, const std::uint32_t* tri, const std::uint32_t* triNormals,
                                 std::size_t count, std::size_t base, std::uint32_t* out) {
    MeshData& o = out_.Mesh;
    const float* normals = m.Normals.data();
    const std::size_t copyBase = o.NumVertices();  // the mesh's positions are in already
    std::vector<std::uint32_t> slots;              // copy vertex + 1, or 0
    std::vector<std::uint32_t> copySource;         // position of each copy
    std::size_t used = 0;
    const auto source = [&](std::uint32_t v) { return copySource[v - copyBase]; };
    const auto find = [&](std::uint32_t position, const float* n, std::uint64_t hash) -> std::uint32_t& {
        const std::size_t mask = slots.size() - 1;
        for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
            std::uint32_t& s = slots[i];
            if (s == 0) {
                return s;
            }
            const float* cn = o.Normals.data() + std::size_t{s - 1} * 3;
            if (source(s - 1) == position && cn[0] == n[0] && cn[1] == n[1] && cn[2] == n[2]) {
                return s;
            }
        }
    };
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint32_t position = static_cast<std::uint32_t>(base + tri[i]);
        const float* n = normals + std::size_t{triNormals[i]} * 3;
        float* vn = o.Normals.data() + std::size_t{position} * 3;
        if (std::isnan(vn[0])) {
            vn[0] = n[0];
            vn[1] = n[1];
            vn[2] = n[2];
            out[i] = position;
            continue;
        }
        if (vn[0] == n[0] && vn[1] == n[1] && vn[2] == n[2]) {
            out[i] = position;
            continue;
        }
        if (slots.empty()) {
            slots.assign(1024, 0);
        }
        const std::uint64_t hash = HashCopy(position, n);
        std::uint32_t& slot = find(position, n, hash);
        if (slot != 0) {
            out[i] = slot - 1;
            continue;
        }
        // A new copy of the position with this normal.
        const std::size_t v = o.NumVertices();
        copySource.push_back(position);
        for (int k = 0; k < 3; ++k) {
            const float x = o.Positions[std::size_t{position} * 3 + k];
            o.Positions.push_back(x);
        }
        o.Normals.insert(o.Normals.end(), n, n + 3);
        if (!o.TexCoords.empty()) {
            for (int k = 0; k < 2; ++k) {
                const float x = o.TexCoords[std::size_t{position} * 2 + k];
                o.TexCoords.push_back(x);
            }
        }
        if (!o.Colors.empty()) {
            for (int k = 0; k < 4; ++k) {
                const float x = o.Colors[std::size_t{position} * 4 + k];
                o.Colors.push_back(x);
            }
        }
        slot = static_cast<std::uint32_t>(v + 1);
        out[i] = static_cast<std::uint32_t>(v);
        if (++used * 2 > slots.size()) {
            std::vector<std::uint32_t> old(slots.size() * 2, 0);
            old.swap(slots);
            for (const std::uint32_t s : old) {
                if (s != 0) {
                    const std::uint32_t c = s - 1;
                    const std::size_t mask = slots.size() - 1;
                    std::size_t j = HashCopy(source(c), o.Normals.data() + std::size_t{c} * 3) & mask;
                    while (slots[j] != 0) {
                        j = (j + 1) & mask;
                    }
                    slots[j] = s;
                }
            }
        }
    }
}

void MeshBuilder::Finish(const std::vector<FrameNode>& frames) {
    Join();
    MeshData& o = out_.Mesh;
    const std::size_t numVertices = o.NumVertices();
    if (!o.Normals.empty()) {
        o.Normals.resize(numVertices * 3, 0.0f);
    }
    if (!o.TexCoords.empty()) {
        o.TexCoords.resize(numVertices * 2, 0.0f);
    }
    if (!o.Colors.empty()) {
        o.Colors.resize(numVertices * 4, 1.0f);
    }
    // World matrices: a frame's parent always comes before it.
    std::vector<float> world(frames.size() * 16);
    std::memcpy(world.data(), frames[0].Local, 16 * sizeof(float));
    for (std::size_t i = 1; i < frames.size(); ++i) {
        Multiply(frames[i].Local, &world[std::size_t{frames[i].Parent} * 16], &world[i * 16]);
    }
    for (const Range& range : ranges_) {
        const float* w = &world[std::size_t{range.Frame} * 16];
        if (!IsIdentity(w)) {
            Transform(w, range.FirstVertex, range.EndVertex);
        }
    }
}

// Row vectors: p' = p * M. Normals go through the inverse transpose of the upper
// 3x3 and are renormalised.
void MeshBuilder::Transform(const float* w, std::size_t first, std::size_t end) {
    MeshData& o = out_.Mesh;
    for (std::size_t v = first; v < end; ++v) {
        float* p = &o.Positions[v * 3];
        const float x = p[0], y = p[1], z = p[2];
        for (int j = 0; j < 3; ++j) {
            p[j] = Finite(x * w[j] + y * w[4 + j] + z * w[8 + j] + w[12 + j]);
        }
    }
    if (o.Normals.empty()) {
        return;
    }
    // Cofactors of the upper 3x3: det(M) times the inverse transpose. The scale goes
    // with the renormalisation; only the sign of det(M) is kept.
    const float a = w[0], b = w[1], c = w[2], d = w[4], e = w[5], f = w[6], g = w[8], h = w[9], i = w[10];
    const float n[9] = {e * i - f * h, f * g - d * i, d * h - e * g, c * h - b * i, a * i - c * g,
                        b * g - a * h, b * f - c * e, c * d - a * f, a * e - b * d};
    const float det = a * n[0] + b * n[1] + c * n[2];
    const float sign = det < 0.0f ? -1.0f : 1.0f;
    for (std::size_t v = first; v < end; ++v) {
        float* q = &o.Normals[v * 3];
        const float x = q[0], y = q[1], z = q[2];
        float r[3];
        for (int j = 0; j < 3; ++j) {
            r[j] = sign * (x * n[j] + y * n[3 + j] + z * n[6 + j]);
        }
        const float len = std::sqrt(r[0] * r[0] + r[1] * r[1] + r[2] * r[2]);
        for (int j = 0; j < 3; ++j) {
            q[j] = (len > 0.0f && std::isfinite(len)) ? Finite(r[j] / len) : 0.0f;
        }
    }
}

}  // namespace xfile

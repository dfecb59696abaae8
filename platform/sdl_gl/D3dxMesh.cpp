// GL meshes: lazily uploaded at the first DrawSubset, one buffer holding the
// streams one after another (positions, normals, texture coordinates, colours) and
// one index buffer with the faces grouped by attribute. Within a subset the faces
// follow a space-filling curve through their centres and are cut into clusters of
// a fixed number of faces; the vertices are laid out in the order the faces first
// use them, so a cluster's vertices lie together and neighbouring clusters are
// neighbours in both buffers.
#include "platform/sdl_gl/D3dxMesh.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <numeric>

#include "platform/host/Host.h"
#include "platform/sdl_gl/GlDebug.h"

namespace {

constexpr std::size_t kMax16BitVertices = 65536;
// Faces per cluster: small enough that a cluster is a small piece of a town-sized
// mesh, large enough that the per-draw test stays cheap and visible runs stay long.
constexpr std::size_t kClusterFaces = 64;

// 10 bits of each coordinate interleaved: the position on a Morton curve.
std::uint32_t SpreadBits(std::uint32_t v) {
    v &= 0x3FFu;
    v = (v | (v << 16)) & 0x030000FFu;
    v = (v | (v << 8)) & 0x0300F00Fu;
    v = (v | (v << 4)) & 0x030C30C3u;
    v = (v | (v << 2)) & 0x09249249u;
    return v;
}

// Sorts each attribute group of `order` (faces already grouped by attribute) along
// the Morton curve of the face centres within the cube round the mesh.
void SortGroupsSpatially(const MeshData& m, std::vector<std::uint32_t>& order) {
    float lo[3] = {0, 0, 0}, hi[3] = {0, 0, 0};
    for (std::size_t v = 0; v < m.NumVertices(); ++v)
        for (int a = 0; a < 3; ++a) {
            const float x = m.Positions[v * 3 + a];
            if (!std::isfinite(x)) continue;
            lo[a] = v == 0 ? x : std::min(lo[a], x);
            hi[a] = v == 0 ? x : std::max(hi[a], x);
        }
    // One scale for all axes, so that a cluster is as compact across as along: a
    // flat mesh keeps its few levels of height together.
    const float extent = std::max({hi[0] - lo[0], hi[1] - lo[1], hi[2] - lo[2]});
    std::vector<std::pair<std::uint32_t, std::uint32_t>> keyed(order.size());
    for (std::size_t k = 0; k < order.size(); ++k) {
        const std::uint32_t f = order[k];
        std::uint32_t code = 0;
        for (int a = 0; a < 3; ++a) {
            float c = 0;
            for (int corner = 0; corner < 3; ++corner) c += m.Positions[m.Indices[f * 3 + corner] * 3 + a];
            const float unit = extent > 0 ? (c / 3 - lo[a]) / extent : 0.0f;
            const float clamped = std::isfinite(unit) ? std::clamp(unit, 0.0f, 1.0f) : 0.0f;
            code |= SpreadBits(static_cast<std::uint32_t>(clamped * 1023.0f)) << a;
        }
        keyed[k] = {code, f};
    }
    for (std::size_t begin = 0; begin < order.size();) {
        std::size_t end = begin;
        while (end < order.size() && m.Attributes[order[end]] == m.Attributes[order[begin]]) ++end;
        std::sort(keyed.begin() + static_cast<std::ptrdiff_t>(begin), keyed.begin() + static_cast<std::ptrdiff_t>(end));
        begin = end;
    }
    for (std::size_t k = 0; k < order.size(); ++k) order[k] = keyed[k].second;
}

bool StreamsConsistent(const MeshData& m, std::string* reason) {
    const std::size_t n = m.NumVertices();
    const char* why = nullptr;
    if (m.Positions.size() % 3 != 0) why = "position stream is not 3 floats per vertex";
    else if (m.HasNormals() && m.Normals.size() != n * 3) why = "normal stream does not match the vertices";
    else if (m.HasTexCoords() && m.TexCoords.size() != n * 2) why = "texture coordinates do not match the vertices";
    else if (m.HasColors() && m.Colors.size() != n * 4) why = "colour stream does not match the vertices";
    else if (m.Indices.size() % 3 != 0) why = "index count is not 3 per face";
    else if (m.Attributes.size() != m.NumFaces()) why = "attribute count does not match the faces";
    else if (std::any_of(m.Indices.begin(), m.Indices.end(), [n](std::uint32_t i) { return i >= n; }))
        why = "an index is past the last vertex";
    if (why != nullptr && reason != nullptr) *reason = why;
    return why == nullptr;
}

}  // namespace

std::unique_ptr<GlMesh> GlMesh::Make(std::shared_ptr<GlContextRef> context, MeshData data, DWORD options,
                                     std::string* reason) {
    if (!StreamsConsistent(data, reason)) return nullptr;
    if ((options & D3DXMESH_32BIT) == 0 && data.NumVertices() >= kMax16BitVertices) {
        if (reason != nullptr) *reason = "too many vertices for a 16-bit index buffer";
        return nullptr;
    }
    return std::unique_ptr<GlMesh>(new GlMesh(std::move(context), std::move(data), options));
}

GlMesh::GlMesh(std::shared_ptr<GlContextRef> context, MeshData data, DWORD options)
    : MemoryMesh(std::move(data), options), context_(std::move(context)) {}

std::unique_ptr<MemoryMesh> GlMesh::MakeLike(MeshData data) const {
    return Make(context_, std::move(data), Options(), nullptr);
}

void GlMesh::PrepareToDraw() {
    if (context_ && context_->MakeCurrent()) (void)Upload();
}

GlMesh::~GlMesh() {
    if (!uploaded_ || !context_ || !context_->MakeCurrent()) return;
    glDeleteVertexArrays(1, &vao_);
    glDeleteBuffers(1, &vbo_);
    glDeleteBuffers(1, &ibo_);
}

bool GlMesh::Upload() {
    const MeshData& data = Data();
    const std::size_t faces = data.NumFaces();
    const std::size_t vertexCount = data.NumVertices();
    std::vector<std::uint32_t> order(faces);
    std::iota(order.begin(), order.end(), 0u);
    std::stable_sort(order.begin(), order.end(),
                     [&data](std::uint32_t a, std::uint32_t b) { return data.Attributes[a] < data.Attributes[b]; });
    SortGroupsSpatially(data, order);

    // Vertices in the order of their first use; unused ones go last.
    constexpr std::uint32_t kUnplaced = 0xFFFFFFFFu;
    std::vector<std::uint32_t> place(vertexCount, kUnplaced);
    std::vector<std::uint32_t> source;  // new vertex -> old vertex
    source.reserve(vertexCount);
    for (const std::uint32_t f : order)
        for (int c = 0; c < 3; ++c) {
            const std::uint32_t v = data.Indices[f * 3 + c];
            if (place[v] == kUnplaced) {
                place[v] = static_cast<std::uint32_t>(source.size());
                source.push_back(v);
            }
        }
    for (std::uint32_t v = 0; v < vertexCount; ++v)
        if (place[v] == kUnplaced) {
            place[v] = static_cast<std::uint32_t>(source.size());
            source.push_back(v);
        }

    indexType_ = vertexCount <= kMax16BitVertices ? GL_UNSIGNED_SHORT : GL_UNSIGNED_INT;
    const std::size_t indexSize = indexType_ == GL_UNSIGNED_SHORT ? 2 : 4;
    std::vector<std::uint8_t> indices(faces * 3 * indexSize);
    subsets_.clear();
    clusters_.clear();
    std::vector<std::uint32_t> seenIn(vertexCount, kUnplaced);  // the last cluster that counted a vertex
    for (std::size_t k = 0; k < faces; ++k) {
        const std::uint32_t f = order[k];
        const DWORD attribute = data.Attributes[f];
        if (subsets_.empty() || subsets_.back().Attribute != attribute) {
            subsets_.push_back(Subset{attribute, k * 3 * indexSize, 0});
            subsets_.back().FirstCluster = clusters_.size();
        }
        Subset& subset = subsets_.back();
        if (static_cast<std::size_t>(subset.Count) % (kClusterFaces * 3) == 0) {
            GlCluster cluster;
            cluster.FirstIndex = static_cast<std::uint32_t>(k * 3);
            clusters_.push_back(cluster);
            ++subset.ClusterCount;
        }
        GlCluster& cluster = clusters_.back();
        const auto clusterNumber = static_cast<std::uint32_t>(clusters_.size() - 1);
        subset.Count += 3;
        cluster.IndexCount += 3;
        for (int c = 0; c < 3; ++c) {
            const std::uint32_t old = data.Indices[f * 3 + c];
            const std::uint32_t index = place[old];
            if (seenIn[old] != clusterNumber) {
                const bool first = cluster.VertexCount == 0;
                for (int a = 0; a < 3; ++a) {
                    const float x = data.Positions[old * 3 + a];
                    cluster.Min[a] = first ? x : std::min(cluster.Min[a], x);
                    cluster.Max[a] = first ? x : std::max(cluster.Max[a], x);
                }
                seenIn[old] = clusterNumber;
                ++cluster.VertexCount;
            }
            std::uint8_t* dst = indices.data() + (k * 3 + c) * indexSize;
            if (indexSize == 2) {
                const auto narrow = static_cast<std::uint16_t>(index);
                std::memcpy(dst, &narrow, 2);
            } else {
                std::memcpy(dst, &index, 4);
            }
        }
    }
    // A non-finite coordinate makes the box meaningless: such a cluster is always drawn.
    for (GlCluster& cluster : clusters_)
        for (int a = 0; a < 3; ++a)
            if (!std::isfinite(cluster.Min[a]) || !std::isfinite(cluster.Max[a])) {
                cluster.Min[a] = -std::numeric_limits<float>::infinity();
                cluster.Max[a] = std::numeric_limits<float>::infinity();
            }

    // Without polygon modes, wireframe draws each triangle's three edges as lines.
    if (!host::HasPolygonModes()) {
        for (Subset& subset : subsets_) {
            subset.LineOffsetBytes = indices.size();
            subset.LineCount = subset.Count * 2;
            const std::size_t first = subset.OffsetBytes / indexSize;
            for (std::size_t i = first; i < first + static_cast<std::size_t>(subset.Count); i += 3) {
                for (std::size_t e = 0; e < 3; ++e) {
                    const std::size_t corners[2] = {i + e, i + (e + 1) % 3};
                    for (const std::size_t c : corners) {
                        const std::uint8_t* src = indices.data() + c * indexSize;
                        const std::uint8_t copy[4] = {src[0], src[1], indexSize == 4 ? src[2] : std::uint8_t{0},
                                                      indexSize == 4 ? src[3] : std::uint8_t{0}};
                        indices.insert(indices.end(), copy, copy + indexSize);
                    }
                }
            }
        }
    }

    const auto bytes = [](const std::vector<float>& v) { return v.size() * sizeof(float); };
    const std::size_t normalsAt = bytes(data.Positions);
    const std::size_t texAt = normalsAt + bytes(data.Normals);
    const std::size_t colorsAt = texAt + bytes(data.TexCoords);
    const std::size_t total = colorsAt + bytes(data.Colors);

    glGenVertexArrays(1, &vao_);
    glGenBuffers(1, &vbo_);
    glGenBuffers(1, &ibo_);
    glBindVertexArray(vao_);
    glBindBuffer(GL_ARRAY_BUFFER, vbo_);
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(std::max<std::size_t>(total, 4)), nullptr, GL_STATIC_DRAW);
    const auto put = [](std::size_t at, const std::vector<float>& v) {
        if (!v.empty())
            glBufferSubData(GL_ARRAY_BUFFER, static_cast<GLintptr>(at),
                            static_cast<GLsizeiptr>(v.size() * sizeof(float)), v.data());
    };
    std::vector<float> permuted;
    const auto putPermuted = [&](std::size_t at, const std::vector<float>& v, std::size_t width) {
        if (v.empty()) return;
        permuted.resize(v.size());
        for (std::size_t n = 0; n < source.size(); ++n)
            std::copy_n(v.begin() + static_cast<std::ptrdiff_t>(source[n] * width), width,
                        permuted.begin() + static_cast<std::ptrdiff_t>(n * width));
        put(at, permuted);
    };
    putPermuted(0, data.Positions, 3);
    putPermuted(normalsAt, data.Normals, 3);
    putPermuted(texAt, data.TexCoords, 2);
    putPermuted(colorsAt, data.Colors, 4);
    const auto attrib = [](GLuint location, GLint size, std::size_t at) {
        glEnableVertexAttribArray(location);
        glVertexAttribPointer(location, size, GL_FLOAT, GL_FALSE, 0, reinterpret_cast<const void*>(at));
    };
    attrib(0, 3, 0);
    if (data.HasNormals()) attrib(1, 3, normalsAt);
    if (data.HasTexCoords()) attrib(2, 2, texAt);
    if (data.HasColors()) attrib(3, 4, colorsAt);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, ibo_);
    glBufferData(GL_ELEMENT_ARRAY_BUFFER, static_cast<GLsizeiptr>(std::max<std::size_t>(indices.size(), 4)),
                 indices.empty() ? nullptr : indices.data(), GL_STATIC_DRAW);
    glBindVertexArray(0);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    GlCheck("mesh upload");
    uploaded_ = true;
    return true;
}

HRESULT GlMesh::DrawSubset(DWORD attribId) {
    if (!context_ || !context_->MakeCurrent()) return D3DERR_INVALIDCALL;
    if (!uploaded_ && !Upload()) return E_FAIL;
    const auto it = std::lower_bound(subsets_.begin(), subsets_.end(), attribId,
                                     [](const Subset& s, DWORD a) { return s.Attribute < a; });
    if (it == subsets_.end() || it->Attribute != attribId) return D3D_OK;  // an empty subset draws nothing
    GlDrawCall call;
    call.VertexArray = vao_;
    call.IndexType = indexType_;
    call.IndexOffsetBytes = it->OffsetBytes;
    call.IndexCount = it->Count;
    call.LineOffsetBytes = it->LineOffsetBytes;
    call.LineCount = it->LineCount;
    call.HasNormals = Data().HasNormals();
    call.HasColors = Data().HasColors();
    call.Clusters = clusters_.data() + it->FirstCluster;
    call.ClusterCount = it->ClusterCount;
    context_->Device->Draw(call);
    return D3D_OK;
}

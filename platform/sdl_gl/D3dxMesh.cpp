// GL meshes: lazily uploaded at the first DrawSubset, one buffer holding the
// streams one after another (positions, normals, texture coordinates, colours) and
// one index buffer with the faces grouped by attribute.
#include "platform/sdl_gl/D3dxMesh.h"

#include <algorithm>
#include <cstring>
#include <numeric>

#include "platform/host/Host.h"
#include "platform/sdl_gl/GlDebug.h"
#include "platform/meshops/MeshOps.h"

namespace {

constexpr std::size_t Max16BitVertices = 65536;

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
    if ((options & D3DXMESH_32BIT) == 0 && data.NumVertices() >= Max16BitVertices) {
        if (reason != nullptr) *reason = "too many vertices for a 16-bit index buffer";
        return nullptr;
    }
    return std::unique_ptr<GlMesh>(new GlMesh(std::move(context), std::move(data), options));
}

GlMesh::GlMesh(std::shared_ptr<GlContextRef> context, MeshData data, DWORD options)
    : context_(std::move(context)), data_(std::move(data)), options_(options) {}

GlMesh::~GlMesh() {
    if (!uploaded_ || !context_ || !context_->MakeCurrent()) return;
    glDeleteVertexArrays(1, &vao_);
    glDeleteBuffers(1, &vbo_);
    glDeleteBuffers(1, &ibo_);
}

bool GlMesh::Upload() {
    const std::size_t faces = data_.NumFaces();
    std::vector<std::uint32_t> order(faces);
    std::iota(order.begin(), order.end(), 0u);
    std::stable_sort(order.begin(), order.end(),
                     [this](std::uint32_t a, std::uint32_t b) { return data_.Attributes[a] < data_.Attributes[b]; });

    indexType_ = data_.NumVertices() <= Max16BitVertices ? GL_UNSIGNED_SHORT : GL_UNSIGNED_INT;
    const std::size_t indexSize = indexType_ == GL_UNSIGNED_SHORT ? 2 : 4;
    std::vector<std::uint8_t> indices(faces * 3 * indexSize);
    subsets_.clear();
    for (std::size_t k = 0; k < faces; ++k) {
        const std::uint32_t f = order[k];
        const DWORD attribute = data_.Attributes[f];
        if (subsets_.empty() || subsets_.back().Attribute != attribute)
            subsets_.push_back(Subset{attribute, k * 3 * indexSize, 0});
        subsets_.back().Count += 3;
        for (int c = 0; c < 3; ++c) {
            const std::uint32_t index = data_.Indices[f * 3 + c];
            std::uint8_t* dst = indices.data() + (k * 3 + c) * indexSize;
            if (indexSize == 2) {
                const auto narrow = static_cast<std::uint16_t>(index);
                std::memcpy(dst, &narrow, 2);
            } else {
                std::memcpy(dst, &index, 4);
            }
        }
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
    const std::size_t normalsAt = bytes(data_.Positions);
    const std::size_t texAt = normalsAt + bytes(data_.Normals);
    const std::size_t colorsAt = texAt + bytes(data_.TexCoords);
    const std::size_t total = colorsAt + bytes(data_.Colors);

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
    put(0, data_.Positions);
    put(normalsAt, data_.Normals);
    put(texAt, data_.TexCoords);
    put(colorsAt, data_.Colors);
    const auto attrib = [](GLuint location, GLint size, std::size_t at) {
        glEnableVertexAttribArray(location);
        glVertexAttribPointer(location, size, GL_FLOAT, GL_FALSE, 0, reinterpret_cast<const void*>(at));
    };
    attrib(0, 3, 0);
    if (data_.HasNormals()) attrib(1, 3, normalsAt);
    if (data_.HasTexCoords()) attrib(2, 2, texAt);
    if (data_.HasColors()) attrib(3, 4, colorsAt);
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
    call.HasNormals = data_.HasNormals();
    call.HasColors = data_.HasColors();
    context_->Device->Draw(call);
    return D3D_OK;
}

HRESULT GlMesh::Optimize(DWORD flags, const DWORD* adjacencyIn, DWORD* adjacencyOut, DWORD* faceRemap,
                         std::unique_ptr<D3DXBuffer>* vertexRemap, std::unique_ptr<D3DXMesh>& out) {
    // Faces keep their order; with COMPACT the vertices no face uses are dropped.
    MeshData result;
    std::vector<std::uint32_t> remap;
    if ((flags & D3DXMESHOPT_COMPACT) != 0) {
        if (!CompactMeshData(data_, result, remap)) return D3DERR_INVALIDCALL;
    } else {
        result = data_;
        remap.resize(data_.NumVertices());
        std::iota(remap.begin(), remap.end(), 0u);
    }
    std::unique_ptr<GlMesh> mesh = Make(context_, std::move(result), options_, nullptr);
    if (!mesh) return E_FAIL;

    const std::size_t faces = mesh->data_.NumFaces();
    if (adjacencyOut != nullptr) {
        if (adjacencyIn != nullptr) {
            std::copy(adjacencyIn, adjacencyIn + faces * 3, adjacencyOut);
        } else {
            const std::vector<std::uint32_t> adjacency = ComputeAdjacency(mesh->data_);
            std::copy(adjacency.begin(), adjacency.end(), adjacencyOut);
        }
    }
    if (faceRemap != nullptr)
        for (std::size_t f = 0; f < faces; ++f) faceRemap[f] = static_cast<DWORD>(f);
    if (vertexRemap != nullptr) {
        auto buffer = std::make_unique<D3DXBuffer>(remap.size() * sizeof(DWORD));
        if (!remap.empty()) std::memcpy(buffer->GetBufferPointer(), remap.data(), remap.size() * sizeof(DWORD));
        *vertexRemap = std::move(buffer);
    }
    // An optimised mesh is the one that gets drawn: its buffers go up now, while
    // the world loads, instead of at its first draw in the middle of the game.
    if (mesh->context_ && mesh->context_->MakeCurrent()) (void)mesh->Upload();
    out = std::move(mesh);
    return D3D_OK;
}

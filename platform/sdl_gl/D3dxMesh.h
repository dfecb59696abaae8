// A D3DX mesh of the GL platform: the mesh data kept in memory (the clean-up calls
// work on it) and, from its first draw, a vertex array with the faces sorted by
// attribute so that each subset is one contiguous index range, split into spatially
// compact clusters that the device skips when they lie outside the view.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/D3dx.h"
#include "platform/MeshData.h"
#include "platform/common/MemoryMesh.h"
#include "platform/sdl_gl/GlDevice.h"

class GlMesh final : public MemoryMesh {
public:
    // Checks the streams and indices and the 16-bit index limit (a mesh without
    // D3DXMESH_32BIT in `options` must have fewer than 65536 vertices). Null, with
    // a reason, when the data cannot make a mesh. `context` may be null (a device of
    // another platform): such a mesh can be inspected and cleaned but not drawn.
    static std::unique_ptr<GlMesh> Make(std::shared_ptr<GlContextRef> context, MeshData data, DWORD options,
                                        std::string* reason);
    ~GlMesh() override;
    GlMesh(const GlMesh&) = delete;
    GlMesh& operator=(const GlMesh&) = delete;

    HRESULT DrawSubset(DWORD attribId) override;
    std::unique_ptr<MemoryMesh> MakeLike(MeshData data) const override;

    const std::shared_ptr<GlContextRef>& Context() const { return context_; }

protected:
    void PrepareToDraw() override;

private:
    GlMesh(std::shared_ptr<GlContextRef> context, MeshData data, DWORD options);
    bool Upload();

    struct Subset {
        DWORD Attribute;
        std::size_t OffsetBytes;
        GLsizei Count;
        // Line list of the subset's triangle edges, where the GL has no polygon modes.
        std::size_t LineOffsetBytes = 0;
        GLsizei LineCount = 0;
        std::size_t FirstCluster = 0, ClusterCount = 0;
    };

    std::shared_ptr<GlContextRef> context_;
    GLuint vao_ = 0, vbo_ = 0, ibo_ = 0;
    GLenum indexType_ = GL_UNSIGNED_SHORT;
    std::vector<Subset> subsets_;      // sorted by attribute
    std::vector<GlCluster> clusters_;  // in index-buffer order, subset by subset
    bool uploaded_ = false;
};

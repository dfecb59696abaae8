// Meshes whose data lies in memory, and the D3DX calls that are CPU work on that
// data: loading a .x file, cleaning, simplifying and compacting. A platform
// supplies the mesh objects (what drawing needs) and the textures and fonts; what
// the calls compute is the same for every platform that keeps its meshes so.
// Every call leaves its outputs untouched when it fails.
#pragma once

#include <memory>
#include <string>
#include <utility>

#include "platform/D3dx.h"
#include "platform/MeshData.h"

class MemoryMesh : public D3DXMesh {
public:
    DWORD GetNumFaces() const override { return static_cast<DWORD>(data_.NumFaces()); }
    DWORD GetNumVertices() const override { return static_cast<DWORD>(data_.NumVertices()); }
    // Faces keep their order; with D3DXMESHOPT_COMPACT the vertices no face uses
    // are dropped. The result is the mesh that gets drawn, so it is prepared for
    // drawing at once.
    HRESULT Optimize(DWORD flags, const DWORD* adjacencyIn, DWORD* adjacencyOut, DWORD* faceRemap,
                     std::unique_ptr<D3DXBuffer>* vertexRemap, std::unique_ptr<D3DXMesh>& out) override;

    const MeshData& Data() const { return data_; }
    DWORD Options() const { return options_; }

    // A mesh like this one (the same platform, device and options) holding `data`;
    // null where the data cannot make one.
    virtual std::unique_ptr<MemoryMesh> MakeLike(MeshData data) const = 0;

protected:
    MemoryMesh(MeshData data, DWORD options) : data_(std::move(data)), options_(options) {}
    // Readies the mesh for drawing now instead of at its first draw.
    virtual void PrepareToDraw() {}

private:
    MeshData data_;
    DWORD options_;
};

class MemoryD3DX8 : public D3DX8 {
public:
    HRESULT LoadMeshFromX(const std::string& path, DWORD options, Direct3DDevice8& device,
                          std::unique_ptr<D3DXBuffer>* adjacency, std::unique_ptr<D3DXBuffer>* materials,
                          DWORD* numMaterials, std::unique_ptr<D3DXMesh>& mesh, std::string* reason) override;
    // Only meshes of this kind (MemoryMesh) can be cleaned and simplified.
    HRESULT CleanMesh(D3DXMesh& mesh, const DWORD* adjacencyIn, std::unique_ptr<D3DXMesh>& out,
                      std::unique_ptr<D3DXBuffer>* adjacencyOut, std::string* errors) override;
    HRESULT SimplifyMesh(D3DXMesh& mesh, const DWORD* adjacency, const void* attributeWeights,
                         const float* vertexWeights, DWORD minValue, DWORD options,
                         std::unique_ptr<D3DXMesh>& out) override;

protected:
    // The platform's mesh for `device` holding `data`; null, with a reason, where
    // the data cannot make one.
    virtual std::unique_ptr<MemoryMesh> MakeMesh(Direct3DDevice8& device, MeshData data, DWORD options,
                                                 std::string* reason) = 0;
};

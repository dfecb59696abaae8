// The D3DX utility services: meshes from .x files, textures from pictures, text,
// byte buffers and the matrix functions. Meshes, textures and fonts belong to a
// platform implementation; buffers and matrices are plain code shared by all.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/D3dTypes.h"
#include "platform/Graphics.h"

// An opaque block of bytes (adjacency, materials, remap tables, scratch).
class D3DXBuffer {
public:
    explicit D3DXBuffer(std::size_t bytes) : data_(bytes) {}
    void* GetBufferPointer() { return data_.data(); }
    const void* GetBufferPointer() const { return data_.data(); }
    DWORD GetBufferSize() const { return static_cast<DWORD>(data_.size()); }

private:
    std::vector<std::uint8_t> data_;
};

class D3DXMesh {
public:
    virtual ~D3DXMesh() = default;
    virtual DWORD GetNumFaces() const = 0;
    virtual DWORD GetNumVertices() const = 0;
    // Draws every face whose attribute equals attribId, with the device's current state.
    virtual HRESULT DrawSubset(DWORD attribId) = 0;
    // flags: D3DXMESHOPT_COMPACT. adjacencyIn has 3 entries per face. adjacencyOut and
    // faceRemap may be null. vertexRemap, when given, receives one DWORD per output
    // vertex: the input vertex it came from.
    virtual HRESULT Optimize(DWORD flags, const DWORD* adjacencyIn, DWORD* adjacencyOut, DWORD* faceRemap,
                             std::unique_ptr<D3DXBuffer>* vertexRemap, std::unique_ptr<D3DXMesh>& out) = 0;
};

// The slots the game keeps its meshes, texture sets and buffers in: empty or one
// object, owned by the slot.
using MeshSlot = std::unique_ptr<D3DXMesh>;
using TextureSet = std::vector<std::unique_ptr<Direct3DTexture8>>;
using BufferSlot = std::unique_ptr<D3DXBuffer>;

class D3DXFont {
public:
    virtual ~D3DXFont() = default;
    // count -1: up to the end of text. Returns the height of the text drawn (0 on failure).
    virtual int DrawText(const std::string& text, int count, const RECT& rect, DWORD format, D3DCOLOR color) = 0;
};

// A window-system font description: face, size in points and weight.
struct StdFont {
    std::string Name;
    float Size = 0;
    bool Bold = false;
};

class D3DX8 {
public:
    virtual ~D3DX8() = default;

    // One mesh for the whole file (every mesh merged, frame transforms applied).
    // On failure every output is left untouched. `reason` (optional) receives a short
    // explanation of a failure.
    virtual HRESULT LoadMeshFromX(const std::string& path, DWORD options, Direct3DDevice8& device,
                                  std::unique_ptr<D3DXBuffer>* adjacency, std::unique_ptr<D3DXBuffer>* materials,
                                  DWORD* numMaterials, std::unique_ptr<D3DXMesh>& mesh,
                                  std::string* reason = nullptr) = 0;
    virtual HRESULT CreateTextureFromFile(Direct3DDevice8& device, const std::string& path,
                                          std::unique_ptr<Direct3DTexture8>& texture) = 0;
    virtual HRESULT CreateFont(Direct3DDevice8& device, const StdFont& font, std::unique_ptr<D3DXFont>& out) = 0;

    // Returns the cleaned mesh (a copy when nothing needed cleaning); adjacencyOut
    // receives its adjacency, errors a text describing what was mended.
    virtual HRESULT CleanMesh(D3DXMesh& mesh, const DWORD* adjacencyIn, std::unique_ptr<D3DXMesh>& out,
                              std::unique_ptr<D3DXBuffer>* adjacencyOut, std::string* errors) = 0;
    // attributeWeights and vertexWeights: the game passes none (null).
    virtual HRESULT SimplifyMesh(D3DXMesh& mesh, const DWORD* adjacency, const void* attributeWeights,
                                 const float* vertexWeights, DWORD minValue, DWORD options,
                                 std::unique_ptr<D3DXMesh>& out) = 0;
};

// Buffers. BufferGetData / BufferSetData copy elemSize * count bytes between the
// buffer (from element `index`) and an array of destBytes bytes; they fail, copying
// nothing, when either side is too small or the size overflows.
HRESULT CreateBuffer(DWORD bytes, std::unique_ptr<D3DXBuffer>& out);
HRESULT BufferGetData(const D3DXBuffer& buffer, DWORD index, DWORD elemSize, DWORD count, void* dest,
                      std::size_t destBytes);
HRESULT BufferSetData(D3DXBuffer& buffer, DWORD index, DWORD elemSize, DWORD count, const void* src,
                      std::size_t srcBytes);

// Matrices: row vectors, left-handed, as published for D3DX.
D3DMATRIX* D3DXMatrixIdentity(D3DMATRIX* out);
D3DMATRIX* D3DXMatrixMultiply(D3DMATRIX* out, const D3DMATRIX* a, const D3DMATRIX* b);
D3DMATRIX* D3DXMatrixTranslation(D3DMATRIX* out, float x, float y, float z);
D3DMATRIX* D3DXMatrixRotationX(D3DMATRIX* out, float angle);
D3DMATRIX* D3DXMatrixRotationY(D3DMATRIX* out, float angle);
D3DMATRIX* D3DXMatrixPerspectiveFovLH(D3DMATRIX* out, float fovy, float aspect, float zn, float zf);

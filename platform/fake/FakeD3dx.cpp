// The recording D3DX: meshes and textures are named after their files, and each
// clean-up step appends its name, so tests can follow a mesh through the loader.
#include <cstring>

#include "platform/D3dx.h"
#include "platform/DirectX.h"
#include "platform/fake/Fake.h"

namespace {

std::string BaseName(const std::string& path) {
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

class FakeMesh final : public D3DXMesh {
public:
    FakeMesh(const std::string& name, DWORD faces, DWORD vertices) : faces_(faces), vertices_(vertices) {
        FakeSetName(this, name);
    }
    ~FakeMesh() override {
        FakeRecord("Release Mesh " + FakeName(this));
        FakeForget(this);
    }
    DWORD GetNumFaces() const override { return faces_; }
    DWORD GetNumVertices() const override { return vertices_; }
    HRESULT DrawSubset(DWORD attribId) override {
        FakeRecord("DrawSubset " + FakeName(this) + " " + std::to_string(attribId));
        return D3D_OK;
    }
    HRESULT Optimize(DWORD flags, const DWORD* adjacencyIn, DWORD*, DWORD*, std::unique_ptr<D3DXBuffer>* vertexRemap,
                     std::unique_ptr<D3DXMesh>& out) override {
        FakeRecord("Optimize " + FakeName(this) + " " + std::to_string(flags) +
                   " adj0=" + (adjacencyIn ? std::to_string(adjacencyIn[0]) : "null"));
        if (Fake().OptimizeFails) return E_FAIL;
        if (vertexRemap) {
            *vertexRemap = std::make_unique<D3DXBuffer>(static_cast<std::size_t>(vertices_) * 4);
            auto* remap = static_cast<DWORD*>((*vertexRemap)->GetBufferPointer());
            for (DWORD i = 0; i < vertices_; ++i) remap[i] = i;
        }
        out = std::make_unique<FakeMesh>(FakeName(this) + "+compact", faces_, vertices_);
        return D3D_OK;
    }

private:
    DWORD faces_;
    DWORD vertices_;
};

class FakeTexture final : public Direct3DTexture8 {
public:
    explicit FakeTexture(const std::string& name) { FakeSetName(this, name); }
    ~FakeTexture() override {
        FakeRecord("Release Texture " + FakeName(this));
        FakeForget(this);
    }
    DWORD Width() const override { return 64; }
    DWORD Height() const override { return 64; }
};

class FakeFont final : public D3DXFont {
public:
    int DrawText(const std::string& text, int count, const RECT& r, DWORD format, D3DCOLOR color) override {
        FakeRecord("DrawText \"" + text + "\" " + std::to_string(count) + " " + std::to_string(r.left) + "," +
                   std::to_string(r.top) + "," + std::to_string(r.right) + "," + std::to_string(r.bottom) + " " +
                   std::to_string(format) + " " + std::to_string(color));
        return 13;
    }
};

// Adjacency of the fake meshes: each face's first neighbour is its own index plus one.
std::unique_ptr<D3DXBuffer> FakeAdjacency(DWORD faces) {
    auto buffer = std::make_unique<D3DXBuffer>(static_cast<std::size_t>(faces) * 12);
    auto* adjacency = static_cast<DWORD*>(buffer->GetBufferPointer());
    for (DWORD f = 0; f < faces; ++f) {
        adjacency[3 * f] = f + 1;
        adjacency[3 * f + 1] = 0xFFFFFFFFu;
        adjacency[3 * f + 2] = 0xFFFFFFFFu;
    }
    return buffer;
}

class FakeD3DX final : public D3DX8 {
public:
    ~FakeD3DX() override { FakeRecord("Release D3DXLib"); }

    HRESULT LoadMeshFromX(const std::string& path, DWORD options, Direct3DDevice8&,
                          std::unique_ptr<D3DXBuffer>* adjacency, std::unique_ptr<D3DXBuffer>* materials,
                          DWORD* numMaterials, std::unique_ptr<D3DXMesh>& mesh, std::string* reason) override {
        FakeRecord("LoadMeshFromX " + path + " " + std::to_string(options));
        if (Fake().MissingFiles.count(path)) {
            if (reason) *reason = "file not found";
            return D3DXERR_INVALIDDATA;
        }
        FakeMeshShape shape;
        if (const auto it = Fake().Shapes.find(path); it != Fake().Shapes.end()) shape = it->second;
        mesh = std::make_unique<FakeMesh>(BaseName(path), shape.Faces, shape.Vertices);
        if (adjacency) *adjacency = FakeAdjacency(shape.Faces);
        if (materials) *materials = std::make_unique<D3DXBuffer>(sizeof(D3DXMATERIAL) * shape.Materials);
        if (numMaterials) *numMaterials = shape.Materials;
        return D3D_OK;
    }

    HRESULT CreateTextureFromFile(Direct3DDevice8&, const std::string& path,
                                  std::unique_ptr<Direct3DTexture8>& texture) override {
        FakeRecord("CreateTextureFromFile " + path);
        if (Fake().MissingFiles.count(path)) return D3DXERR_INVALIDDATA;
        texture = std::make_unique<FakeTexture>(BaseName(path));
        return D3D_OK;
    }

    HRESULT CreateFont(Direct3DDevice8&, const StdFont& font, std::unique_ptr<D3DXFont>& out) override {
        FakeRecord("CreateFont " + font.Name + " " + std::to_string(static_cast<int>(font.Size)) + " " +
                   (font.Bold ? "bold" : "regular"));
        out = std::make_unique<FakeFont>();
        return D3D_OK;
    }

    HRESULT CleanMesh(D3DXMesh& mesh, const DWORD* adjacencyIn, std::unique_ptr<D3DXMesh>& out,
                      std::unique_ptr<D3DXBuffer>* adjacencyOut, std::string* errors) override {
        FakeRecord("CleanMesh " + FakeName(&mesh) + " adj0=" + (adjacencyIn ? std::to_string(adjacencyIn[0]) : "null"));
        if (Fake().CleanFails) return E_FAIL;
        out = std::make_unique<FakeMesh>(FakeName(&mesh) + "+clean", mesh.GetNumFaces(), mesh.GetNumVertices());
        if (adjacencyOut) *adjacencyOut = FakeAdjacency(mesh.GetNumFaces());
        if (errors) *errors = "";
        return D3D_OK;
    }

    HRESULT SimplifyMesh(D3DXMesh& mesh, const DWORD* adjacency, const void*, const float*, DWORD minValue,
                         DWORD options, std::unique_ptr<D3DXMesh>& out) override {
        FakeRecord("SimplifyMesh " + FakeName(&mesh) + " adj0=" + (adjacency ? std::to_string(adjacency[0]) : "null") +
                   " " + std::to_string(minValue) + " " + std::to_string(options));
        if (Fake().SimplifyFails) return E_FAIL;
        out = std::make_unique<FakeMesh>(FakeName(&mesh) + "+simplify", mesh.GetNumFaces(), mesh.GetNumVertices());
        return D3D_OK;
    }
};

}  // namespace

std::unique_ptr<D3DX8> CreateD3DX8() { return std::make_unique<FakeD3DX>(); }

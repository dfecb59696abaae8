#include "tools/headless/Instruments.h"

namespace {

using Clock = std::chrono::steady_clock;

StartupTimes times;
CountingDevice* counted = nullptr;

double MsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

Direct3DDevice8& Unwrap(Direct3DDevice8& device) {
    if (auto* c = dynamic_cast<CountingDevice*>(&device)) return c->Inner();
    return device;
}

class InstrumentedDirect3D final : public Direct3D8 {
public:
    explicit InstrumentedDirect3D(std::unique_ptr<Direct3D8> inner) : inner_(std::move(inner)) {}
    HRESULT GetAdapterDisplayMode(DWORD adapter, D3DDISPLAYMODE& mode) override {
        return inner_->GetAdapterDisplayMode(adapter, mode);
    }
    HRESULT CheckDeviceType(DWORD a, DWORD t, DWORD d, DWORD b, int w) override {
        return inner_->CheckDeviceType(a, t, d, b, w);
    }
    HRESULT CreateDevice(DWORD adapter, DWORD type, void* window, DWORD flags, D3DPRESENT_PARAMETERS& params,
                         std::unique_ptr<Direct3DDevice8>& device) override {
        std::unique_ptr<Direct3DDevice8> inner;
        const HRESULT hr = inner_->CreateDevice(adapter, type, window, flags, params, inner);
        if (inner) {
            auto wrapped = std::make_unique<CountingDevice>(std::move(inner));
            counted = wrapped.get();
            device = std::move(wrapped);
        }
        return hr;
    }

private:
    std::unique_ptr<Direct3D8> inner_;
};

class InstrumentedRoot final : public DirectX8 {
public:
    InstrumentedRoot() : inner_(CreateDirectX8()) {}
    std::unique_ptr<DirectInput8> DirectInputCreate() override { return inner_->DirectInputCreate(); }
    std::unique_ptr<Direct3D8> Direct3DCreate() override {
        auto d3d = inner_->Direct3DCreate();
        if (!d3d) return nullptr;
        return std::make_unique<InstrumentedDirect3D>(std::move(d3d));
    }

private:
    std::unique_ptr<DirectX8> inner_;
};

class InstrumentedD3DX final : public D3DX8 {
public:
    InstrumentedD3DX() : inner_(CreateD3DX8()) {}
    HRESULT LoadMeshFromX(const std::string& path, DWORD options, Direct3DDevice8& device,
                          std::unique_ptr<D3DXBuffer>* adjacency, std::unique_ptr<D3DXBuffer>* materials,
                          DWORD* numMaterials, std::unique_ptr<D3DXMesh>& mesh, std::string* reason) override {
        const auto start = Clock::now();
        const HRESULT hr =
            inner_->LoadMeshFromX(path, options, Unwrap(device), adjacency, materials, numMaterials, mesh, reason);
        times.ParseMs += MsSince(start);
        ++times.Meshes;
        return hr;
    }
    HRESULT CreateTextureFromFile(Direct3DDevice8& device, const std::string& path,
                                  std::unique_ptr<Direct3DTexture8>& texture) override {
        const auto start = Clock::now();
        const HRESULT hr = inner_->CreateTextureFromFile(Unwrap(device), path, texture);
        times.TextureMs += MsSince(start);
        ++times.Textures;
        return hr;
    }
    HRESULT CreateFont(Direct3DDevice8& device, const StdFont& font, std::unique_ptr<D3DXFont>& out) override {
        return inner_->CreateFont(Unwrap(device), font, out);
    }
    HRESULT CleanMesh(D3DXMesh& mesh, const DWORD* adjacencyIn, std::unique_ptr<D3DXMesh>& out,
                      std::unique_ptr<D3DXBuffer>* adjacencyOut, std::string* errors) override {
        const auto start = Clock::now();
        const HRESULT hr = inner_->CleanMesh(mesh, adjacencyIn, out, adjacencyOut, errors);
        times.CleanupMs += MsSince(start);
        return hr;
    }
    HRESULT SimplifyMesh(D3DXMesh& mesh, const DWORD* adjacency, const void* attributeWeights,
                         const float* vertexWeights, DWORD minValue, DWORD options,
                         std::unique_ptr<D3DXMesh>& out) override {
        const auto start = Clock::now();
        const HRESULT hr =
            inner_->SimplifyMesh(mesh, adjacency, attributeWeights, vertexWeights, minValue, options, out);
        times.CleanupMs += MsSince(start);
        return hr;
    }

private:
    std::unique_ptr<D3DX8> inner_;
};

}  // namespace

HRESULT CountingDevice::Present(const RECT* s, const RECT* d, void* w, const void* r) {
    if (!loading_) return inner_->Present(s, d, w, r);
    const auto start = Clock::now();
    const HRESULT hr = inner_->Present(s, d, w, r);
    times.PresentMs += MsSince(start);
    ++times.Presents;
    return hr;
}

StartupTimes& Times() { return times; }
CountingDevice* CountedDevice() { return counted; }
std::unique_ptr<DirectX8> MakeInstrumentedRoot() { return std::make_unique<InstrumentedRoot>(); }
std::unique_ptr<D3DX8> MakeInstrumentedD3DX() { return std::make_unique<InstrumentedD3DX>(); }

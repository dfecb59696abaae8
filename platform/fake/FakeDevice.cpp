// The recording Direct3D, device and keyboard.
#include <cstdio>
#include <cstring>
#include <map>
#include <set>

#include "platform/DirectX.h"
#include "platform/fake/Fake.h"

namespace {

std::string Num(double v) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", v);
    return text;
}

std::string Hex(DWORD v) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%X", static_cast<unsigned>(v));
    return text;
}

std::string Color(const D3DCOLORVALUE& c) { return Num(c.r) + "," + Num(c.g) + "," + Num(c.b) + "," + Num(c.a); }

class FakeDevice final : public Direct3DDevice8 {
public:
    explicit FakeDevice(const D3DPRESENT_PARAMETERS& params) {
        states_[D3DRS_LIGHTING] = 1;
        states_[D3DRS_FILLMODE] = D3DFILL_SOLID;
        states_[D3DRS_CULLMODE] = D3DCULL_CCW;
        states_[D3DRS_ZENABLE] = params.EnableAutoDepthStencil ? 1 : 0;
    }
    ~FakeDevice() override { FakeRecord("Release Device"); }

    HRESULT Clear(DWORD count, const D3DRECT*, DWORD flags, D3DCOLOR color, float z, DWORD stencil) override {
        FakeRecord("Clear " + std::to_string(count) + " " + std::to_string(flags) + " " + std::to_string(color) + " " +
                   Num(z) + " " + std::to_string(stencil));
        return D3D_OK;
    }
    HRESULT BeginScene() override {
        FakeRecord("BeginScene");
        if (inScene_) return D3DERR_INVALIDCALL;
        inScene_ = true;
        return D3D_OK;
    }
    HRESULT EndScene() override {
        FakeRecord("EndScene");
        if (!inScene_) return D3DERR_INVALIDCALL;
        inScene_ = false;
        return D3D_OK;
    }
    HRESULT Present(const RECT*, const RECT*, void*, const void*) override {
        FakeRecord("Present");
        return D3D_OK;
    }
    HRESULT SetRenderState(DWORD state, DWORD value) override {
        FakeRecord("SetRenderState " + std::to_string(state) + " " + std::to_string(value));
        states_[state] = value;
        return D3D_OK;
    }
    HRESULT GetRenderState(DWORD state, DWORD* value) override {
        const auto it = states_.find(state);
        *value = it == states_.end() ? 0 : it->second;
        return D3D_OK;
    }
    HRESULT SetTransform(DWORD state, const D3DMATRIX& m) override {
        FakeRecord("SetTransform " + std::to_string(state) + " " + Num(m.m[3][0]) + " " + Num(m.m[3][1]) + " " +
                   Num(m.m[3][2]));
        return D3D_OK;
    }
    HRESULT SetTexture(DWORD stage, Direct3DTexture8* texture) override {
        FakeRecord("SetTexture " + std::to_string(stage) + " " + FakeName(texture));
        return D3D_OK;
    }
    HRESULT SetMaterial(const D3DMATERIAL8& m) override {
        FakeRecord("SetMaterial D=" + Color(m.Diffuse) + " A=" + Color(m.Ambient) + " S=" + Color(m.Specular) +
                   " E=" + Color(m.Emissive) + " P=" + Num(m.Power));
        return D3D_OK;
    }
    HRESULT SetLight(DWORD index, const D3DLIGHT8& l) override {
        FakeRecord("SetLight " + std::to_string(index) + " type=" + std::to_string(l.Type) +
                   " pos=" + Num(l.Position.x) + "," + Num(l.Position.y) + "," + Num(l.Position.z) +
                   " diffuse=" + Color(l.Diffuse) + " range=" + Num(l.Range) + " att0=" + Num(l.Attenuation0));
        return D3D_OK;
    }
    HRESULT LightEnable(DWORD index, int enable) override {
        FakeRecord("LightEnable " + std::to_string(index) + " " + std::to_string(enable));
        if (enable) {
            enabled_.insert(index);
        } else {
            enabled_.erase(index);
        }
        return D3D_OK;
    }
    HRESULT GetLightEnable(DWORD index, int* enable) override {
        *enable = enabled_.count(index) ? 1 : 0;
        return D3D_OK;
    }

private:
    std::map<DWORD, DWORD> states_;
    std::set<DWORD> enabled_;
    bool inScene_ = false;
};

class FakeDirect3D final : public Direct3D8 {
public:
    ~FakeDirect3D() override { FakeRecord("Release D3DRoot"); }
    HRESULT GetAdapterDisplayMode(DWORD adapter, D3DDISPLAYMODE& mode) override {
        FakeRecord("GetAdapterDisplayMode " + std::to_string(adapter));
        if (Fake().DisplayModeFails) return D3DERR_INVALIDCALL;
        mode = D3DDISPLAYMODE{1920, 1080, 60, Fake().DisplayFormat};
        return D3D_OK;
    }
    HRESULT CheckDeviceType(DWORD adapter, DWORD devType, DWORD displayFormat, DWORD backBufferFormat,
                            int windowed) override {
        FakeRecord("CheckDeviceType " + std::to_string(adapter) + " " + std::to_string(devType) + " " +
                   std::to_string(displayFormat) + " " + std::to_string(backBufferFormat) + " " +
                   std::to_string(windowed));
        return Fake().CheckDeviceTypeResult;
    }
    HRESULT CreateDevice(DWORD adapter, DWORD devType, void*, DWORD flags, D3DPRESENT_PARAMETERS& p,
                         std::unique_ptr<Direct3DDevice8>& device) override {
        FakeRecord("CreateDevice " + std::to_string(adapter) + " " + std::to_string(devType) + " " + Hex(flags) +
                   " size=" + std::to_string(p.BackBufferWidth) + "x" + std::to_string(p.BackBufferHeight) +
                   " format=" + std::to_string(p.BackBufferFormat) + " count=" + std::to_string(p.BackBufferCount) +
                   " swap=" + std::to_string(p.SwapEffect) + " windowed=" + std::to_string(p.Windowed) + " autodepth=" +
                   std::to_string(p.EnableAutoDepthStencil) + " depth=" + std::to_string(p.AutoDepthStencilFormat) +
                   " window=" + (p.hDeviceWindow ? "set" : "none"));
        if (Fake().CreateDeviceFails || p.BackBufferWidth == 0 || p.BackBufferHeight == 0) return D3DERR_INVALIDCALL;
        device = std::make_unique<FakeDevice>(p);
        return D3D_OK;
    }
};

class FakeKeyboard final : public DirectInputDevice8 {
public:
    ~FakeKeyboard() override { FakeRecord("Release Keyboard"); }
    HRESULT SetCommonDataFormat(DWORD format) override {
        FakeRecord("SetCommonDataFormat " + std::to_string(format));
        return D3D_OK;
    }
    HRESULT SetCooperativeLevel(void* window, DWORD flags) override {
        FakeRecord(std::string("SetCooperativeLevel ") + (window ? "window " : "none ") + std::to_string(flags));
        return D3D_OK;
    }
    HRESULT Acquire() override {
        FakeRecord("Acquire");
        return D3D_OK;
    }
    HRESULT GetDeviceState(DWORD size, void* data) override {
        if (size > FakeKeys().size()) return D3DERR_INVALIDCALL;
        std::memcpy(data, FakeKeys().data(), size);
        return D3D_OK;
    }
};

class FakeDirectInput final : public DirectInput8 {
public:
    ~FakeDirectInput() override { FakeRecord("Release DInput"); }
    HRESULT CreateDevice(const std::string& name, std::unique_ptr<DirectInputDevice8>& device) override {
        FakeRecord("CreateInputDevice " + name);
        if (Fake().KeyboardCreateFails) return E_FAIL;
        device = std::make_unique<FakeKeyboard>();
        return D3D_OK;
    }
};

class FakeDirectX final : public DirectX8 {
public:
    ~FakeDirectX() override { FakeRecord("Release DxRoot"); }
    std::unique_ptr<DirectInput8> DirectInputCreate() override {
        FakeRecord("DirectInputCreate");
        if (Fake().DirectInputFails) return nullptr;
        return std::make_unique<FakeDirectInput>();
    }
    std::unique_ptr<Direct3D8> Direct3DCreate() override {
        FakeRecord("Direct3DCreate");
        if (Fake().Direct3DFails) return nullptr;
        return std::make_unique<FakeDirect3D>();
    }
};

}  // namespace

std::unique_ptr<DirectX8> CreateDirectX8() { return std::make_unique<FakeDirectX>(); }

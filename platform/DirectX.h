// The root object that creates the Direct3D and DirectInput objects, and the
// factories each platform implementation provides (chosen at link time).
#pragma once

#include <memory>

#include "platform/Graphics.h"
#include "platform/Input.h"

class D3DX8;

class DirectX8 {
public:
    virtual ~DirectX8() = default;
    // Empty on failure.
    virtual std::unique_ptr<DirectInput8> DirectInputCreate() = 0;
    virtual std::unique_ptr<Direct3D8> Direct3DCreate() = 0;
};

std::unique_ptr<DirectX8> CreateDirectX8();
std::unique_ptr<D3DX8> CreateD3DX8();

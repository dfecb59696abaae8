// The system keyboard as a 256-byte state indexed by DirectInput scan codes.
#pragma once

#include <memory>
#include <string>

#include "platform/D3dTypes.h"

inline constexpr int DIK_ESCAPE = 0x01;
inline constexpr int DIK_Q = 0x10;
inline constexpr int DIK_Z = 0x2C;
inline constexpr int DIK_X = 0x2D;
inline constexpr int DIK_C = 0x2E;
inline constexpr int DIK_UP = 0xC8;
inline constexpr int DIK_PRIOR = 0xC9;
inline constexpr int DIK_LEFT = 0xCB;
inline constexpr int DIK_RIGHT = 0xCD;
inline constexpr int DIK_DOWN = 0xD0;
inline constexpr int DIK_NEXT = 0xD1;

class DirectInputDevice8 {
public:
    virtual ~DirectInputDevice8() = default;
    virtual HRESULT SetCommonDataFormat(DWORD format) = 0;
    virtual HRESULT SetCooperativeLevel(void* window, DWORD flags) = 0;
    virtual HRESULT Acquire() = 0;
    // Fills `size` bytes (256 for the keyboard): non-zero = key down.
    virtual HRESULT GetDeviceState(DWORD size, void* data) = 0;
};

class DirectInput8 {
public:
    virtual ~DirectInput8() = default;
    // name: "GUID_SysKeyboard"
    virtual HRESULT CreateDevice(const std::string& name, std::unique_ptr<DirectInputDevice8>& device) = 0;
};

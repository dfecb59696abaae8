// Opening the keyboard and creating the full-screen 3-D device, once, at the
// game's start-up, after the game window is shown and before the world loads.
#include "game/state/Fatal.h"
#include "game/state/GeneralVariables.h"
#include "platform/Window.h"
#include "scene/BuildAndRender.h"

void SetupKeyboard() {
    auto& g = GeneralVariables;
    if (!g.DxRoot) g.DxRoot = CreateDirectX8();
    g.DInput = g.DxRoot ? g.DxRoot->DirectInputCreate() : nullptr;
    if (!g.DInput) FatalMessage("Error starting Direct Input, please make sure you have DirectX installed");

    Check(g.DInput->CreateDevice("GUID_SysKeyboard", g.Keyboard), "DirectInput.CreateDevice");
    Check(g.Keyboard->SetCommonDataFormat(DIFORMAT_KEYBOARD), "Keyboard.SetCommonDataFormat");
    // Background, non-exclusive: read whatever window has the focus, and leave the
    // keyboard to other programs too.
    Check(g.Keyboard->SetCooperativeLevel(g.WindowHandle, DISCL_BACKGROUND | DISCL_NONEXCLUSIVE),
          "Keyboard.SetCooperativeLevel");
    Check(g.Keyboard->Acquire(), "Keyboard.Acquire");
}

// Every step runs even when an earlier one failed; only a missing Direct3D
// object or device ends the set-up early.
bool SetupDevice() {
    auto& g = GeneralVariables;
    if (!g.DxRoot) g.DxRoot = CreateDirectX8();
    if (g.DxRoot) g.D3DRoot = g.DxRoot->Direct3DCreate();
    if (!g.D3DRoot) return false;

    D3DDISPLAYMODE dispMode{};
    D3DPRESENT_PARAMETERS presentParams{};
    D3DDISPLAYMODE mode{};
    if (Succeeded(g.D3DRoot->GetAdapterDisplayMode(D3DADAPTER_DEFAULT, mode))) dispMode = mode;

    presentParams.SwapEffect = D3DSWAPEFFECT_FLIP;
    presentParams.BackBufferFormat = dispMode.Format;
    presentParams.BackBufferCount = 1;
    presentParams.EnableAutoDepthStencil = 1;

    // The depth format is tested as a display format, which the check answers with
    // an error (non-zero): the depth buffer then follows the menu's choice.
    if (g.Use32Bit) {
        if (g.D3DRoot->CheckDeviceType(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, D3DFMT_D32, D3DFMT_D32, 0) != 0) {
            presentParams.AutoDepthStencilFormat = D3DFMT_D32;
        } else {
            presentParams.AutoDepthStencilFormat = D3DFMT_D16;
            MsgBox("your Graphics Card Doesn't Support 32Bit");
        }
    } else {
        if (g.D3DRoot->CheckDeviceType(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, D3DFMT_D16, D3DFMT_D16, 0) != 0) {
            presentParams.AutoDepthStencilFormat = D3DFMT_D16;
        }
    }

    presentParams.BackBufferHeight = static_cast<DWORD>(static_cast<std::int32_t>(g.ScreenHeight));
    presentParams.BackBufferWidth = static_cast<DWORD>(static_cast<std::int32_t>(g.ScreenWidth.value_or(0)));
    presentParams.hDeviceWindow = g.WindowHandle;

    (void)g.D3DRoot->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, g.WindowHandle,
                                  D3DCREATE_SOFTWARE_VERTEXPROCESSING, presentParams, g.Device);
    if (!g.Device) return false;

    (void)g.Device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    (void)g.Device->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
    (void)g.Device->SetRenderState(D3DRS_SPECULARENABLE, 1);
    (void)g.Device->SetRenderState(D3DRS_LIGHTING, 0);
    return true;
}

// Common set-up of the unit tests: fresh shared state, a fresh recording platform,
// and no windows.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "game/Game.h"
#include "game/state/GeneralVariables.h"
#include "menu/Menu.h"
#include "platform/fake/Fake.h"

// The log line of a render-state change.
inline std::string SetState(DWORD state, DWORD value) {
    return "SetRenderState " + std::to_string(state) + " " + std::to_string(value);
}

class FakePlatformTest : public ::testing::Test {
protected:
    void SetUp() override { Reset(); }
    void TearDown() override { Reset(); }

    static void Reset() {
        ResetGame();
        ResetMenu();
        GeneralVariables = {};
        FakeReset();
    }

    // A device, keyboard, D3DX and text font from the recording platform, with the
    // log cleared afterwards.
    static void UseFakeDevice() {
        auto& g = GeneralVariables;
        g.DxRoot = CreateDirectX8();
        g.D3DRoot = g.DxRoot->Direct3DCreate();
        D3DPRESENT_PARAMETERS params{};
        params.BackBufferWidth = 1024;
        params.BackBufferHeight = 768;
        params.EnableAutoDepthStencil = 1;
        g.D3DRoot->CreateDevice(0, 1, nullptr, 0x20, params, g.Device);
        g.DInput = g.DxRoot->DirectInputCreate();
        g.DInput->CreateDevice("GUID_SysKeyboard", g.Keyboard);
        g.D3DXLib = CreateD3DX8();
        StdFont font{"Verdana", 8, true};
        g.D3DXLib->CreateFont(*g.Device, font, g.TextFont);
        FakeLogClear();
    }

    // The log lines that start with any of the prefixes, in order.
    static std::vector<std::string> Calls(std::initializer_list<const char*> prefixes) {
        std::vector<std::string> lines;
        for (const auto& line : FakeLog()) {
            for (const char* prefix : prefixes) {
                if (line.rfind(prefix, 0) == 0) {
                    lines.push_back(line);
                    break;
                }
            }
        }
        return lines;
    }
};

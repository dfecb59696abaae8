// The shared state of the whole program: the settings chosen in the start menu,
// the values of the running game, the platform objects, the motion state, the
// world's mesh slots and texture sets, the lights and the mesh store. Every module
// reads and writes these members directly; each starts at its process-start value.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>

#include "platform/D3dTypes.h"
#include "platform/D3dx.h"
#include "platform/DirectX.h"
#include "platform/Graphics.h"
#include "platform/Input.h"

class GenerateMesh;

struct GeneralVariablesModule {
    // Settings from the start menu
    std::optional<std::int16_t> ScreenWidth;  // empty until the game reads the menu; empty reads as 0
    std::int16_t ScreenHeight = 0;
    // "Fill Screen": the back buffer takes the screen's own pixel size and the
    // projection its shape; false keeps the 4:3 picture of the three sizes.
    bool FillScreen = false;
    bool Use32Bit = false;
    std::int32_t DetailLevel = 0;  // 1 Low, 2 Medium, 3 High
    bool NightDriveOn = false;
    bool LightOn = false;
    bool FogOn = false;
    bool FillWireframesOn = false;
    bool CollisionOn = false;
    bool TexturesOn = false;

    // Values of the running game
    bool Running = false;
    std::int32_t AnimFrame = 0;
    RECT TextRect;
    D3DCOLOR ClearColor = 0;
    D3DCOLOR FogColor = 0;
    void* WindowHandle = nullptr;  // the game window's, recorded by its start-up

    // Platform objects
    std::unique_ptr<DirectX8> DxRoot;
    std::unique_ptr<Direct3D8> D3DRoot;
    std::unique_ptr<Direct3DDevice8> Device;
    std::unique_ptr<D3DX8> D3DXLib;
    std::unique_ptr<DirectInput8> DInput;
    std::unique_ptr<DirectInputDevice8> Keyboard;
    std::unique_ptr<D3DXFont> TextFont;
    std::unique_ptr<StdFont> TextFontDesc;

    // Motion and camera
    double PosX = 0;
    double PosY = 0;
    double PosZ = 0;
    float Yaw = 0;
    float Pitch = 0;
    float MoveAngle = 0;
    double Speed = 0;
    double PitchStep = 0;
    bool CanMove = false;
    std::array<std::uint8_t, 256> KeyState{};
    D3DMATRIX MatWorld, MatYaw, MatPitch, MatRotation, MatTranslation, MatView, MatProj;

    // Moving objects
    std::int32_t Car1Z = 0;
    std::int32_t Car2Z = 0;
    D3DMATRIX MatCar1, MatCar2, MatPlaced;

    // Mouse look
    std::int32_t LastMouseX = 0;
    std::int32_t LastMouseY = 0;

    // World slots
    MeshSlot Mesh01, Mesh02, Mesh03, Mesh04, Mesh05, Mesh06, Mesh07, Mesh08;
    MeshSlot Mesh11, Mesh12, Mesh13, Mesh14, Mesh15, Mesh16, Mesh17, Mesh18, Mesh19, Mesh20, Mesh21, Mesh22,
        Mesh23;
    std::array<MeshSlot, 16> AnimMesh;  // AnimMesh[1] .. AnimMesh[15]; element 0 is unused
    MeshSlot CarMesh1, CarMesh2;
    TextureSet TexSet01, TexSet02, TexSet03, TexSet04, TexSet04High, TexSet05, TexSet07, TexSet08, TexSet10,
        TexSet11, TexSetAnim, TexSetCar1, TexSetCar2;
    BufferSlot AdjBuffer;

    // Lights
    D3DLIGHT8 Light1, Light2, Light3, CarLight1, CarLight2;
    bool CarLightsOn = false;
    D3DMATERIAL8 SceneMaterial;

    // Mesh store, created on first use (shared ownership lets this state stay
    // below the mesh store's own code)
    std::shared_ptr<GenerateMesh> MeshGen;
};

extern GeneralVariablesModule GeneralVariables;

// The mesh store: loads a mesh and its picture into the caller's variables, draws a
// loaded mesh in a scene of its own, and sets up lights with the one scene material.
// It keeps no data of its own; everything goes into variables passed by reference.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/D3dTypes.h"
#include "platform/D3dx.h"
#include "platform/Graphics.h"

// NOLINTBEGIN(readability-identifier-naming): the mesh store's calls keep the parameter names of its design

class GenerateMesh {
public:
    void AddMeshStatic(MeshSlot& XName, TextureSet& TextureName, const std::string& XPath,
                       const std::string& TexturePath, BufferSlot& AdjVar);
    void RenderStatic(TextureSet& HasTexture, MeshSlot& HasX);
    void SetupLightsDirectional(D3DLIGHT8& LightVarD, int LightRangeD, int LightXD, int LightYD, int LightZD,
                                int LightNumberD, int LightBD, int LightGD, int LightRD, int LightPowerD,
                                int LightAttenuation0D, int LightDirectionX, int LightDirectionY, int LightDirectionZ);
    D3DCOLORVALUE ColorValue(const float& A, const float& R, const float& G, const float& B);
    void SetupLightsPoint(D3DLIGHT8& LightVar, int LightRange, double LightX, double LightY, double LightZ,
                          int LightNumber, int LightB, int LightG, int LightR, int LightPower,
                          double LightAttenuation0);

private:
    void FinishLight(D3DLIGHT8& light, int range, int number, int power, float attenuation0);
};

// The shared mesh store `MeshGen`, created on first use.
GenerateMesh& MeshGenInstance();
// NOLINTEND(readability-identifier-naming)

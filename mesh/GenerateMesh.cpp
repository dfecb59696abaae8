// The mesh store. AddMeshStatic runs each step on its own: a failed step is
// skipped and the next one runs; only a missing mesh or picture stops the program.
#include "mesh/GenerateMesh.h"

#include <cmath>
#include <cstdio>
#include <limits>

#include "game/state/Fatal.h"
#include "game/state/GeneralVariables.h"
#include "platform/DataPath.h"
#include "scene/loading/LoadingText.h"

// NOLINTBEGIN(readability-identifier-naming): the mesh store's calls keep the parameter names of its design

namespace {

D3DX8& D3DXLibInstance() {
    auto& g = GeneralVariables;
    if (!g.D3DXLib) g.D3DXLib = CreateD3DX8();
    return *g.D3DXLib;
}

D3DVECTOR Vector(double x, double y, double z) {
    return {static_cast<float>(x), static_cast<float>(y), static_cast<float>(z)};
}

// Sets a light's colour; its alpha stays as it was.
void SetDiffuse(D3DLIGHT8& light, int r, int g, int b) {
    light.Diffuse.r = static_cast<float>(r);
    light.Diffuse.g = static_cast<float>(g);
    light.Diffuse.b = static_cast<float>(b);
}

}  // namespace

GenerateMesh& MeshGenInstance() {
    auto& g = GeneralVariables;
    if (!g.MeshGen) g.MeshGen = std::make_shared<GenerateMesh>();
    return *g.MeshGen;
}

void GenerateMesh::AddMeshStatic(MeshSlot& XName, TextureSet& TextureName, const std::string& XPath,
                                 const std::string& TexturePath, BufferSlot& AdjVar) {
    auto& g = GeneralVariables;
    D3DX8& d3dx = D3DXLibInstance();
    DWORD materialCount = 0;
    BufferSlot materialBuffer;
    std::vector<std::int32_t> adjacency;
    std::string errors;

    // Load the mesh. A failure leaves XName as it was.
    if (g.Device) {
        std::string reason;
        const std::string path = DataPath(XPath);
        if (Failed(d3dx.LoadMeshFromX(path, D3DXMESH_MANAGED, *g.Device, &AdjVar, &materialBuffer, &materialCount,
                                      XName, &reason))) {
            std::fprintf(stderr, "nightdrive: %s: %s\n", path.c_str(), reason.empty() ? "cannot load" : reason.c_str());
        }
    }

    // Missing mesh: the test looks at the variable, not at the load's result.
    if (!XName) FatalMessage("Can't find " + XPath + " This Application will be turminated");

    // Texture set: indices 0 to the material count; the earlier textures are released.
    TextureName.clear();
    TextureName.resize(static_cast<std::size_t>(materialCount) + 1);

    // Picture: loaded, and required, only while textures are on.
    if (g.TexturesOn) {
        if (g.Device) (void)d3dx.CreateTextureFromFile(*g.Device, DataPath(TexturePath), TextureName[0]);
        if (!TextureName[0]) FatalMessage("Can't find " + TexturePath + " This Application will be turminated");
    }

    // Materials: the file's own are not used.
    materialBuffer.reset();

    // Loading line: names both files, also when textures are off.
    (void)RenderText("loading...." + XPath + "      " + TexturePath);

    // Adjacency array: one element more than the buffer holds; halves round to the
    // even neighbour.
    if (AdjVar) {
        const double elements = std::nearbyint(static_cast<double>(AdjVar->GetBufferSize()) / 4.0);
        adjacency.assign(static_cast<std::size_t>(elements) + 1, 0);
    }

    // Adjacency copy: three neighbours per face. When AdjVar still holds an older call's remap
    // buffer (the load failed while the slot kept its mesh), the copy does not fit
    // and is skipped instead of running past either end.
    const std::int64_t count = static_cast<std::int64_t>(XName->GetNumFaces()) * 3;
    if (AdjVar && count <= std::numeric_limits<std::int32_t>::max()) {
        (void)BufferGetData(*AdjVar, 0, 4, static_cast<DWORD>(count), adjacency.data(),
                            adjacency.size() * sizeof(std::int32_t));
    }

    // Clean, simplify and compact read the adjacency as the copy left it; a mesh whose array cannot hold
    // an adjacency for every face skips them rather than read past its end.
    const auto adjacencyFits = [&] { return adjacency.size() >= static_cast<std::size_t>(XName->GetNumFaces()) * 3; };
    const auto* adjacencyIn = reinterpret_cast<const DWORD*>(adjacency.data());

    // Clean.
    if (adjacencyFits()) {
        MeshSlot cleaned;
        BufferSlot cleanedAdjacency;
        if (Succeeded(d3dx.CleanMesh(*XName, adjacencyIn, cleaned, &cleanedAdjacency, &errors)) && cleaned) {
            XName = std::move(cleaned);
            AdjVar = std::move(cleanedAdjacency);
        }
    }

    // Simplify, to the mesh's own vertex count.
    if (adjacencyFits()) {
        MeshSlot simplified;
        if (Succeeded(d3dx.SimplifyMesh(*XName, adjacencyIn, nullptr, nullptr, XName->GetNumVertices(),
                                        D3DXMESHSIMP_VERTEX, simplified)) &&
            simplified) {
            XName = std::move(simplified);
        }
    }

    // Compact; AdjVar ends up holding the vertex remap.
    AdjVar.reset();
    if (adjacencyFits()) {
        MeshSlot compacted;
        if (Succeeded(XName->Optimize(D3DXMESHOPT_COMPACT, adjacencyIn, nullptr, nullptr, &AdjVar, compacted)) &&
            compacted) {
            XName = std::move(compacted);
        }
    }
    // The error log, the material buffer and the array go with this call.
}

void GenerateMesh::RenderStatic(TextureSet& HasTexture, MeshSlot& HasX) {
    auto& g = GeneralVariables;
    Check(g.Device->BeginScene(), "Device.BeginScene");
    if (g.FogOn) Check(SetupFog(), "Device.SetRenderState (fog)");
    if (g.TexturesOn) {
        if (HasTexture.empty()) FatalError("Device.SetTexture (empty texture set)", D3DERR_INVALIDCALL);
        Check(g.Device->SetTexture(0, HasTexture[0].get()), "Device.SetTexture");
    }
    if (!HasX) FatalError("D3DXMesh.DrawSubset (no mesh)", D3DERR_INVALIDCALL);
    Check(HasX->DrawSubset(0), "D3DXMesh.DrawSubset");
    Check(g.Device->EndScene(), "Device.EndScene");
}

D3DCOLORVALUE GenerateMesh::ColorValue(const float& A, const float& R, const float& G, const float& B) {
    D3DCOLORVALUE color;
    color.r = R;
    color.g = G;
    color.b = B;
    color.a = A;
    return color;
}

// Steps shared by both light set-ups, after the light's type, position and
// colour: the scene material, attenuation and range, then the device calls.
void GenerateMesh::FinishLight(D3DLIGHT8& light, int range, int number, int power, float attenuation0) {
    auto& g = GeneralVariables;
    g.SceneMaterial.Ambient = ColorValue(1, 1, 1, 1);
    g.SceneMaterial.Diffuse = ColorValue(1, 1, 1, 1);
    g.SceneMaterial.Specular = ColorValue(1, 1, 1, 1);
    g.SceneMaterial.Emissive = ColorValue(1, 0.05f, 0.05f, 0.05f);
    g.SceneMaterial.Power = static_cast<float>(power);
    light.Attenuation0 = attenuation0;
    light.Range = static_cast<float>(range);
    Check(g.Device->SetLight(static_cast<DWORD>(number), light), "Device.SetLight");
    Check(g.Device->LightEnable(static_cast<DWORD>(number), 1), "Device.LightEnable");
    Check(g.Device->SetRenderState(D3DRS_LIGHTING, 1), "Device.SetRenderState");
    Check(g.Device->SetRenderState(D3DRS_SPECULARENABLE, 1), "Device.SetRenderState");
    Check(g.Device->SetMaterial(g.SceneMaterial), "Device.SetMaterial");
}

void GenerateMesh::SetupLightsPoint(D3DLIGHT8& LightVar, int LightRange, double LightX, double LightY, double LightZ,
                                    int LightNumber, int LightB, int LightG, int LightR, int LightPower,
                                    double LightAttenuation0) {
    LightVar.Type = D3DLIGHT_POINT;
    LightVar.Position = Vector(LightX, LightY, LightZ);
    SetDiffuse(LightVar, LightR, LightG, LightB);
    FinishLight(LightVar, LightRange, LightNumber, LightPower, static_cast<float>(LightAttenuation0));
}

void GenerateMesh::SetupLightsDirectional(D3DLIGHT8& LightVarD, int LightRangeD, int LightXD, int LightYD, int LightZD,
                                          int LightNumberD, int LightBD, int LightGD, int LightRD, int LightPowerD,
                                          int LightAttenuation0D, int LightDirectionX, int LightDirectionY,
                                          int LightDirectionZ) {
    LightVarD.Type = D3DLIGHT_DIRECTIONAL;
    LightVarD.Position = Vector(LightXD, LightYD, LightZD);
    LightVarD.Direction = Vector(LightDirectionX, LightDirectionY, LightDirectionZ);
    SetDiffuse(LightVarD, LightRD, LightGD, LightBD);
    FinishLight(LightVarD, LightRangeD, LightNumberD, LightPowerD, static_cast<float>(LightAttenuation0D));
}
// NOLINTEND(readability-identifier-naming)

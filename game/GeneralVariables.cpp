// The one instance of the shared state.
#include "game/GeneralVariables.h"

GeneralVariablesModule GeneralVariables;

GenerateMesh& MeshGenInstance() {
    if (!GeneralVariables.MeshGen) GeneralVariables.MeshGen = std::make_unique<GenerateMesh>();
    return *GeneralVariables.MeshGen;
}

// nightdrive-xinfo FILE...: loads each .x file as the game's mesh store does (load,
// clean, simplify to the current vertex count, compact) and prints one line per
// file:
//   PATH ok vertices=V faces=F materials=M subsets=S
//   PATH fail REASON
// Exit status 0 when every file loaded, 1 otherwise.
#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "platform/xfile/MeshOps.h"
#include "platform/xfile/XFile.h"

namespace {

bool LoadLikeTheGame(const std::string& path, XFileMesh& loaded, MeshData& mesh, std::string& reason) {
    if (!LoadXFile(path, loaded, reason)) {
        return false;
    }
    MeshData cleaned;
    std::vector<std::uint32_t> adjacency;
    std::string log;
    if (!CleanMeshData(loaded.Mesh, loaded.Adjacency.data(), cleaned, adjacency, log)) {
        reason = "clean failed";
        return false;
    }
    MeshData simplified;
    const auto target = static_cast<std::uint32_t>(cleaned.NumVertices());
    if (!SimplifyMeshData(cleaned, adjacency.data(), target, 1, simplified)) {
        reason = "simplify failed";
        return false;
    }
    std::vector<std::uint32_t> remap;
    if (!CompactMeshData(simplified, mesh, remap)) {
        reason = "compact failed";
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s FILE...\n", argv[0]);
        return 2;
    }
    bool allLoaded = true;
    for (int i = 1; i < argc; ++i) {
        const std::string path = argv[i];
        XFileMesh loaded;
        MeshData mesh;
        std::string reason;
        if (LoadLikeTheGame(path, loaded, mesh, reason)) {
            const std::set<std::uint32_t> subsets(mesh.Attributes.begin(), mesh.Attributes.end());
            std::printf("%s ok vertices=%zu faces=%zu materials=%zu subsets=%zu\n", path.c_str(), mesh.NumVertices(),
                        mesh.NumFaces(), loaded.Materials.size(), subsets.size());
        } else {
            std::printf("%s fail %s\n", path.c_str(), reason.c_str());
            allLoaded = false;
        }
        std::fflush(stdout);
    }
    return allLoaded ? 0 : 1;
}

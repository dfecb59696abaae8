// nightdrive-xinfo: loads .x files as the game's mesh store does and reports what
// came out (see kUsage).
#include <cstdio>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "platform/meshops/MeshOps.h"
#include "platform/xfile/XFile.h"
#include "tools/xinfo/Version.h"

namespace {

constexpr const char* kUsage =
    "usage: nightdrive-xinfo [--help] [--version] [--] FILE...\n"
    "\n"
    "Loads each .x file as the game does (load, clean, simplify to the current\n"
    "vertex count, compact) and prints one line per file:\n"
    "  PATH ok vertices=V faces=F materials=M subsets=S\n"
    "  PATH fail REASON\n"
    "\n"
    "Options:\n"
    "  --help     print this help and exit\n"
    "  --version  print the program name and version and exit\n"
    "  --         end of options: every later argument is a file\n"
    "\n"
    "Exit status: 0 when every file loaded, 1 when any failed, 2 for bad usage.\n";

enum class Action { Load, Help, Version, Refuse };

// Splits the arguments into files and the one action they ask for.
Action ReadArguments(int argc, char** argv, std::vector<std::string>& files) {
    bool options = true;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (options && arg == "--") {
            options = false;
        } else if (options && arg == "--help") {
            return Action::Help;
        } else if (options && arg == "--version") {
            return Action::Version;
        } else if (options && arg.starts_with('-')) {
            std::fprintf(stderr, "nightdrive-xinfo: unknown option '%s'\n", argv[i]);
            return Action::Refuse;
        } else {
            files.emplace_back(arg);
        }
    }
    return files.empty() ? Action::Refuse : Action::Load;
}

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
    std::vector<std::string> files;
    switch (ReadArguments(argc, argv, files)) {
    case Action::Help:
        std::fputs(kUsage, stdout);
        return 0;
    case Action::Version:
        std::printf("nightdrive-xinfo %s\n", xinfo::kVersion);
        return 0;
    case Action::Refuse:
        std::fputs(kUsage, stderr);
        return 2;
    case Action::Load:
        break;
    }
    bool allLoaded = true;
    for (const std::string& path : files) {
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

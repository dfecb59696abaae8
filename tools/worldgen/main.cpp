// nightdrive-worldgen OUTDIR [--preview DIR]
//
// Writes the game's data folder: OUTDIR/3d/*.x, OUTDIR/Animation/*.x and
// OUTDIR/bitmap/*.jpg, always the same bytes for the same program. Prints a
// table of the files with their sizes and the triangle count of one frame
// at each detail level. With --preview, also draws PNG previews into DIR.
#include <cstdio>
#include <filesystem>
#include <string>

#include <SDL.h>

#include "MeshText.h"
#include "Preview.h"
#include "Textures.h"
#include "World.h"
#include "tools/xwriter/XWriter.h"

using namespace worldgen;

int main(int argc, char** argv) {
    if (argc != 2 && !(argc == 4 && std::string(argv[2]) == "--preview")) {
        std::fprintf(stderr, "usage: nightdrive-worldgen OUTDIR [--preview DIR]\n");
        return 2;
    }
    const std::filesystem::path out = argv[1];
    std::error_code ec;
    for (const char* sub : {"3d", "Animation", "bitmap"}) {
        std::filesystem::create_directories(out / sub, ec);
        if (ec) {
            std::fprintf(stderr, "cannot create %s: %s\n", (out / sub).c_str(), ec.message().c_str());
            return 1;
        }
    }

    const std::vector<Picture> pictures = MakePictures();
    const std::vector<MeshFile> world = MakeWorld();

    size_t totalBytes = 0;
    std::printf("%-28s %8s %8s %9s\n", "file", "vertices", "faces", "bytes");
    for (const Picture& p : pictures) {
        const auto path = out / "bitmap" / p.File;
        if (!SaveJpeg(p.Pixels, path.string(), 85)) {
            std::fprintf(stderr, "cannot write %s: %s\n", path.c_str(), SDL_GetError());
            return 1;
        }
        const size_t bytes = std::filesystem::file_size(path);
        totalBytes += bytes;
        std::printf("%-28s %8s %8s %9zu  %dx%d\n", ("bitmap/" + p.File).c_str(), "", "", bytes, p.Pixels.W, p.Pixels.H);
    }
    size_t base = 0, high = 0, anim = 0, car = 0;
    for (const MeshFile& f : world) {
        if (f.Shape.Verts.size() >= 65536) {
            std::fprintf(stderr, "%s has %zu vertices, more than 16-bit indices allow\n", f.Path.c_str(),
                         f.Shape.Verts.size());
            return 1;
        }
        const std::string text = XText(f.Shape);
        if (!xwriter::WriteFile((out / f.Path).string(), text)) {
            std::fprintf(stderr, "cannot write %s\n", (out / f.Path).c_str());
            return 1;
        }
        totalBytes += text.size();
        std::printf("%-28s %8zu %8zu %9zu  %s\n", f.Path.c_str(), f.Shape.Verts.size(), f.Shape.Tris.size(),
                    text.size(), f.Shape.Name.c_str());
        const size_t n = f.Shape.Tris.size();
        if (f.Path.rfind("Animation/", 0) == 0) anim = std::max(anim, n);
        else if (f.Path == "3d/3d000car.x") car = n;
        else if (f.HighOnly) high += n;
        else base += n;
    }
    const size_t low = base + anim + 2 * car;
    std::printf("triangles per frame: Low/Medium %zu, High %zu; data %zu bytes\n", low, low + high, totalBytes);

    if (argc == 4) {
        std::filesystem::create_directories(argv[3], ec);
        if (ec || !RenderPreviews(world, pictures, argv[3])) {
            std::fprintf(stderr, "cannot write the previews into %s\n", argv[3]);
            return 1;
        }
    }
    return 0;
}

// Writes the generated terrain (see XGrid.h) to disk as DIR/grid_text.x and
// DIR/grid_binary.x, for load measurements in fresh processes.
// Usage: bench_xgrid DIR [TRIANGLES]   (default about 1 000 000 triangles)
#include <cstdio>
#include <cstdlib>
#include <string>

#include "bench/XGrid.h"

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3) {
        std::fputs("usage: bench_xgrid DIR [TRIANGLES]\n", stderr);
        return 2;
    }
    const std::string dir = argv[1];
    const double triangles = argc == 3 ? std::strtod(argv[2], nullptr) : 1e6;
    if (!(triangles >= 2.0 && triangles <= 2e7)) {
        std::fputs("bench_xgrid: TRIANGLES must be between 2 and 20000000\n", stderr);
        return 2;
    }
    const xgrid::Grid grid = xgrid::MakeGrid(xgrid::Side(triangles));
    for (const bool binary : {false, true}) {
        const std::string path = dir + (binary ? "/grid_binary.x" : "/grid_text.x");
        if (!xwriter::WriteFile(path, xgrid::GridFile(grid, binary, true))) {
            std::fprintf(stderr, "bench_xgrid: cannot write %s\n", path.c_str());
            return 1;
        }
    }
    std::printf("%zu triangles\n", grid.Faces.size());
    return 0;
}

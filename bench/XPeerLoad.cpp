// The peer engine's bare load of one .x file, in a fresh process: a null device,
// then the scene manager's getMesh, timed alone; nothing is released afterwards.
// Prints the milliseconds like bench_xload.
// Usage: bench_xpeer FILE
#include <irrlicht.h>

#include <chrono>
#include <cstdio>

#include "bench/CpuTime.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fputs("usage: bench_xpeer FILE\n", stderr);
        return 2;
    }
    irr::IrrlichtDevice* device = irr::createDevice(irr::video::EDT_NULL);
    if (device == nullptr) {
        std::fputs("bench_xpeer: no null device\n", stderr);
        return 1;
    }
    device->getLogger()->setLogLevel(irr::ELL_NONE);
    const double cpuStart = CpuMs();
    const auto start = std::chrono::steady_clock::now();
    irr::scene::IAnimatedMesh* mesh = device->getSceneManager()->getMesh(argv[1]);
    const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
    const double cpu = CpuMs() - cpuStart;
    if (mesh == nullptr) {
        std::fprintf(stderr, "bench_xpeer: %s did not load\n", argv[1]);
        return 1;
    }
    unsigned faces = 0;
    irr::scene::IMesh* frame = mesh->getMesh(0);
    for (irr::u32 i = 0; i < frame->getMeshBufferCount(); ++i) {
        faces += frame->getMeshBuffer(i)->getIndexCount() / 3;
    }
    std::printf("%.3f ms %.3f cpu_ms %u faces\n", took.count(), cpu, faces);
    return 0;
}

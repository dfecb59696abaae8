// Face adjacency of triangle lists, and the huge-page hint for the big buffers of
// mesh work; used by the mesh operations and the .x reader.
#pragma once

#include <sys/mman.h>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace meshops {

// Asks the kernel to back a large buffer with huge pages before it is first
// touched: a million-triangle mesh otherwise spends much of its load time in page
// faults. Only a hint; nothing depends on it.
inline void HugePages(const void* data, std::size_t bytes) {
    constexpr std::size_t kHuge = std::size_t{2} << 20;
    if (bytes < 2 * kHuge) {
        return;
    }
    const auto begin = (reinterpret_cast<std::uintptr_t>(data) + kHuge - 1) & ~(kHuge - 1);
    const auto end = (reinterpret_cast<std::uintptr_t>(data) + bytes) & ~(kHuge - 1);
    if (end > begin) {
        ::madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
    }
}

// Face adjacency of a triangle list. `canonical`, when given, maps each vertex to
// the vertex that stands for its position (split copies share one), so that faces
// on either side of a normal seam still count as neighbours. Indices at or above
// `numVertices` and degenerate edges get no neighbour. `adjacency` receives 3
// entries per face.
void BuildAdjacency(const std::uint32_t* indices, std::size_t numFaces, std::size_t numVertices,
                    const std::uint32_t* canonical, std::uint32_t* adjacency);

// BuildAdjacency in two steps, so that two threads can share the second: Prepare
// buckets the half-edges by their lower vertex (one thread); Pair then matches
// them bucket by bucket and may run on several threads at once. Neighbour numbers
// are offset by faceBase.
class AdjacencyJob {
public:
    void Prepare(const std::uint32_t* indices, std::size_t numFaces, std::size_t numVertices,
                 const std::uint32_t* canonical, std::uint32_t* adjacency, std::uint32_t faceBase);
    void Pair();
    // Frees the buckets.
    void Release() {
        start_ = {};
        edges_.reset();
        numVertices_ = 0;
    }

private:
    std::uint32_t Vertex(std::size_t slot) const;

    const std::uint32_t* indices_ = nullptr;
    std::size_t numVertices_ = 0;
    const std::uint32_t* canonical_ = nullptr;
    std::uint32_t* adjacency_ = nullptr;
    std::uint32_t faceBase_ = 0;
    std::vector<std::uint32_t> start_;
    std::unique_ptr<std::uint64_t[]> edges_;  // (higher vertex << 32) | slot, by bucket
    std::atomic<std::size_t> next_{0};        // the next chunk of buckets to pair
};

}  // namespace meshops

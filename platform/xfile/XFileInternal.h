// Pieces shared by the .x reader's source files; not part of the public
// interface.
#pragma once

#include <sys/mman.h>

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/meshops/Adjacency.h"
#include "platform/xfile/XFileMesh.h"

namespace xfile {

using meshops::AdjacencyJob;
using meshops::HugePages;

// Makes room for n elements in a vector that is about to be filled, with the
// huge-page hint for big ones. The caller resizes as usual. The first reservation
// is exact (one big mesh takes no more than it needs); later ones grow by half, so
// that many small meshes appended one by one stay linear.
template <class T>
void ReserveHuge(std::vector<T>& v, std::size_t n) {
    if (n > v.capacity()) {
        const std::size_t capacity = v.capacity() == 0 ? n : std::max(n, v.capacity() + v.capacity() / 2);
        std::vector<T> fresh;
        fresh.reserve(capacity);
        HugePages(fresh.data(), capacity * sizeof(T));
        fresh.assign(v.begin(), v.end());
        v.swap(fresh);
    }
}

// A read-only mapping of a whole file, its pages mapped up front; Data() is null
// when the file cannot be mapped. Should the file shrink while it is mapped, the
// pages past its new end read as zeros instead of stopping the program, and
// Truncated() says so: whatever was read from the mapping is then not the file.
class FileMapping {
public:
    FileMapping(int fd, std::size_t size);
    ~FileMapping();
    FileMapping(const FileMapping&) = delete;
    FileMapping& operator=(const FileMapping&) = delete;

    const std::uint8_t* Data() const { return data_; }
    bool Truncated() const;

private:
    const std::uint8_t* data_ = nullptr;
    std::size_t size_ = 0;
    int slot_ = -1;  // in the table of guarded mappings
};

// Parses a mapped file; fails with "truncated file" when the file (still open as
// `fd`) shrank before the parse was done, whatever the bytes read gave.
bool ParseMapped(const FileMapping& mapping, int fd, std::size_t size, XFileMesh& out, std::string& reason);

// Walks the objects of a decoded body (text or binary tokens, 32- or 64-bit
// floats) and folds every Mesh into `out`; false with `reason` set on failure.
bool ParseBody(const std::uint8_t* body, std::size_t size, bool binary, bool doubles, XFileMesh& out,
               std::string& reason);

// Inflates the MSZIP blocks that follow the 16-byte header of a tzip/bzip file.
// `data` starts at the DWORD total size.
bool InflateMsZip(const std::uint8_t* data, std::size_t size, std::vector<std::uint8_t>& out, std::string& reason);

// A frame of the file's hierarchy; the root (index 0) has the identity.
struct FrameNode {
    std::uint32_t Parent = 0;
    float Local[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};  // row-major, row vectors
};

// One Mesh object as read, before it joins the output.
struct RawMesh {
    std::vector<float> Positions;  // 3 per position
    std::size_t NumFaces = 0;
    std::vector<std::uint32_t> FaceSizes;      // corners per face; empty when all are triangles
    std::vector<std::uint32_t> Corners;        // position index per corner, all checked
    std::vector<float> Normals;                // 3 per normal
    std::vector<std::uint32_t> CornerNormals;  // normal index per corner (checked), or empty
    bool NormalsAreCorners = false;            // normals whose index per corner is `corners`
    std::vector<float> TexCoords;              // 2 per position, or empty
    std::vector<float> Colors;                 // 4 per position, or empty
    std::vector<std::uint32_t> FaceMaterials;  // checked against materials
    std::vector<D3DXMATERIAL> Materials;
    bool HasMaterialList = false;
    // Set by MeshBuilder::BeginMesh.
    std::size_t Triangles = 0;
    std::vector<std::uint32_t> Fanned;  // position triangles when some face is not a triangle
};

// Folds the meshes of one file into an XFileMesh. For each mesh: BeginMesh once
// its faces are read (the adjacency of its triangles is then worked out, on a
// second thread for big meshes, while the parser reads normals and the rest), then
// Append once the whole Mesh object is read. Finish applies the frame transforms.
class MeshBuilder {
public:
    explicit MeshBuilder(XFileMesh& out) : out_(out) {}
    ~MeshBuilder() { Join(); }
    MeshBuilder(const MeshBuilder&) = delete;
    MeshBuilder& operator=(const MeshBuilder&) = delete;

    bool BeginMesh(RawMesh& mesh, std::string& reason);
    bool Append(RawMesh& mesh, std::uint32_t frame, std::string& reason);
    void Finish(const std::vector<FrameNode>& frames);
    // Waits for the adjacency worker, if one runs.
    void Wait() { Join(); }

private:
    struct Range {
        std::uint32_t Frame;
        std::size_t FirstVertex;
        std::size_t EndVertex;
    };

    bool Join();
    void ResolveNormals(const RawMesh& mesh, const std::uint32_t* triangles, const std::uint32_t* triangleNormals,
                        std::size_t count, std::size_t base, std::uint32_t* out);
    void ClearUnsetNormals(std::size_t first, std::size_t end);
    void Transform(const float* world, std::size_t first, std::size_t end);

    XFileMesh& out_;
    std::thread worker_;
    bool workerFailed_ = false;
    AdjacencyJob job_;
    std::atomic<bool> prepared_{false};  // the worker has bucketed the half-edges
    bool prepareFailed_ = false;         // written before prepared_ is set
    std::vector<Range> ranges_;
};

}  // namespace xfile

// The walk over the objects of a decoded .x body: frames, the standard templates,
// and the fold of every Mesh in the file into one MeshData.
//
// Decisions taken here (the loader's documented behaviour leaves them open):
// - Normals are never generated. A file without MeshNormals gives a mesh without a
//   normal stream (lighting then shows only the emissive term), as the file says.
// - Non-finite numbers (the C runtime's "1.#QNAN0", "-1.#IND00", "1.#INF00", huge
//   literals, NaN/infinity in binary lists) are read as 0.
// - A vertex is the pair (position, normal value): a position whose corners carry
//   different normals is split into copies, which go after the mesh's own positions.
//   Texture coordinates and colours are per position, so they never split. The
//   adjacency still treats copies of one position as one point.
// - Several meshes: vertices, faces and materials are appended in file order; each
//   mesh's material indices are offset by the materials before it. A stream that
//   only some meshes have is filled with 0 (colours: opaque white) for the others.
// - Material list: faces past the listed indices take the last one (material 0 when
//   none is listed); missing materials are white; unresolved references are skipped.
//   A material's specular and emissive alpha are 1 and its ambient colour 0 (the
//   file has none); texture names longer than the record holds are cut.
// - A closing brace at the top level, between objects, is passed over; a file that
//   ends inside an object is refused.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <string_view>
#include <unordered_map>

#include "platform/xfile/XFileBinary.h"
#include "platform/xfile/XFileInternal.h"
#include "platform/xfile/XFileText.h"

namespace xfile {
namespace {

constexpr std::size_t kMaxFrameDepth = 1024;    // deeper frame nesting fails the load
constexpr std::uint32_t kMaxMaterials = 65536;  // per material list

D3DXMATERIAL WhiteMaterial() {
    D3DXMATERIAL m;
    m.MatD3D.Diffuse = {1.0f, 1.0f, 1.0f, 1.0f};
    return m;
}

// Reads the objects of one body and hands each Mesh to the MeshBuilder. Open
// frames are kept on an explicit stack and unknown objects are skipped by brace
// counting, so no input nests the machine stack.
// What a failure in the opening of a mesh or of its normals is called, step by step.
struct VectorsAndFacesErrors {
    const char* Bad;            // a count is missing
    const char* TooLarge;       // the vector count
    const char* BadData;        // the vectors
    const char* FacesTooLarge;  // the face count
};
constexpr VectorsAndFacesErrors kMeshErrors{"bad mesh", "vertex count too large", "bad vertex data",
                                            "face count too large"};
constexpr VectorsAndFacesErrors kNormalsErrors{"bad normals", "normal count too large", "bad normals",
                                               "normal face count too large"};

struct WaitFor {
    MeshBuilder& Builder;
    ~WaitFor() { Builder.Wait(); }
};

template <class R>
class Parser {
public:
    Parser(R& reader, XFileMesh& out, std::string& reason) : r_(reader), out_(out), reason_(reason) {}

    bool Run() {
        frames_.emplace_back();  // the root: identity
        std::vector<std::uint32_t> open{0};
        std::size_t meshCount = 0;
        for (;;) {
            const Tok t = r_.Peek();
            if (t == Tok::End) {
                if (open.size() > 1) {
                    return Fail("truncated file");
                }
                break;
            }
            if (t == Tok::CloseBrace) {
                // A closing brace between top-level objects closes nothing; some
                // exporters leave one there, so it is passed over.
                r_.Consume();
                if (open.size() > 1) {
                    open.pop_back();
                }
                continue;
            }
            bool isObject = false;
            std::string_view type;
            std::string_view name;
            if (!Between(
                    t, "unexpected token", [](std::string_view) {}, isObject, type, name)) {
                return false;
            }
            if (!isObject) {
                continue;
            }
            if (EqualsNoCase(type, "Frame")) {
                if (open.size() > kMaxFrameDepth) {
                    return Fail("frames nested too deep");
                }
                FrameNode node;
                node.Parent = open.back();
                frames_.push_back(node);
                open.push_back(static_cast<std::uint32_t>(frames_.size() - 1));
            } else if (EqualsNoCase(type, "FrameTransformMatrix")) {
                float m[16];
                if (!r_.ReadFloats(m, 16)) {
                    return Fail("bad frame matrix");
                }
                if (open.size() > 1) {
                    std::memcpy(frames_[open.back()].Local, m, sizeof m);
                }
                if (!SkipRest()) {
                    return false;
                }
            } else if (EqualsNoCase(type, "Mesh")) {
                RawMesh raw;
                // Before `raw` goes, even by an exception: the adjacency may still be reading it.
                const WaitFor waitFor{builder_};
                if (!ParseMesh(raw) || !builder_.Append(raw, open.back(), reason_)) {
                    return false;
                }
                ++meshCount;
            } else if (EqualsNoCase(type, "Material")) {
                D3DXMATERIAL material;
                if (!ParseMaterial(material)) {
                    return false;
                }
                if (!name.empty()) {
                    namedMaterials_[std::string(name)] = material;
                }
            } else if (!SkipRest()) {
                return false;
            }
        }
        if (meshCount == 0) {
            return Fail("no mesh");
        }
        if (out_.Mesh.NumFaces() == 0) {
            return Fail("no faces");
        }
        builder_.Finish(frames_);
        return true;
    }

private:
    bool Fail(const char* why) {
        if (reason_.empty()) {
            reason_ = why;
        }
        return false;
    }

    bool SkipRest() { return r_.SkipBlock() || Fail("truncated file"); }

    bool SkipTemplate() {
        r_.Consume();
        std::string_view name;
        if (!r_.ReadName(name) || r_.Peek() != Tok::OpenBrace) {
            return Fail("bad template");
        }
        r_.Consume();
        return SkipRest();
    }

    // TYPE [name] '{' [GUID]
    bool ReadObjectHeader(std::string_view& type, std::string_view& name) {
        if (!r_.ReadName(type)) {
            return Fail("bad object");
        }
        name = {};
        if (r_.Peek() == Tok::Name && !r_.ReadName(name)) {
            return Fail("bad object name");
        }
        if (r_.Peek() != Tok::OpenBrace) {
            return Fail("expected '{'");
        }
        r_.Consume();
        if (!r_.SkipGuid()) {
            return Fail("bad GUID");
        }
        return true;
    }

    // '{' already read: [name] [GUID] '}'. Anything else inside is skipped.
    bool ReadReference(std::string_view& name) {
        name = {};
        if (r_.Peek() == Tok::Name && !r_.ReadName(name)) {
            return Fail("bad reference");
        }
        if (!r_.SkipGuid()) {
            return Fail("bad GUID");
        }
        if (r_.Peek() == Tok::CloseBrace) {
            r_.Consume();
            return true;
        }
        name = {};
        return SkipRest();
    }

    // Runs `child(type)` for every child object up to the closing brace; references
    // go to `reference(name)`.
    template <class Child, class Reference>
    bool Children(Child child, Reference reference) {
        r_.EndValues();
        for (;;) {
            const Tok t = r_.Peek();
            if (t == Tok::CloseBrace) {
                r_.Consume();
                return true;
            }
            if (t == Tok::End) {
                return Fail("truncated file");
            }
            bool isObject = false;
            std::string_view type;
            std::string_view name;
            if (!Between(t, "unexpected data in object", reference, isObject, type, name) ||
                (isObject && !child(type))) {
                return false;
            }
        }
    }

    // What may stand between objects, after Peek gave `t`: a reference (passed to
    // `reference`), a template (skipped), or an object's header (read into `type`
    // and `name`, and `isObject` set). False on a failure.
    template <class Reference>
    bool Between(Tok t, const char* unexpected, Reference reference, bool& isObject, std::string_view& type,
                 std::string_view& name) {
        isObject = false;
        if (t == Tok::OpenBrace) {
            r_.Consume();
            std::string_view target;
            if (!ReadReference(target)) {
                return false;
            }
            reference(target);
            return true;
        }
        if (t == Tok::Template) {
            return SkipTemplate();
        }
        if (t != Tok::Name) {
            return Fail(unexpected);
        }
        isObject = true;
        return ReadObjectHeader(type, name);
    }

    bool CheckCount(std::uint64_t count, std::uint64_t valuesEach) { return count * valuesEach <= r_.MaxValuesLeft(); }

    // A count of items of `each` values, checked against what the file can still
    // hold before anything is allocated.
    bool ReadCount(std::uint32_t& count, std::uint64_t each, const char* bad, const char* tooLarge) {
        if (!r_.ReadUInt(count)) {
            return Fail(bad);
        }
        if (!CheckCount(count, each)) {
            return Fail(tooLarge);
        }
        return true;
    }

    // A count, then `each` floats per item: the count is checked against what the
    // file can still hold before anything is allocated.
    bool ReadCountedFloats(std::vector<float>& out, std::uint32_t& count, std::uint64_t each, const char* badCount,
                           const char* tooLarge, const char* badData) {
        if (!ReadCount(count, each, badCount, tooLarge)) {
            return false;
        }
        ReserveHuge(out, std::size_t{count} * each);
        out.resize(std::size_t{count} * each);
        if (!r_.ReadFloats(out.data(), out.size())) {
            return Fail(badData);
        }
        return true;
    }

    // n indices into `at`; maxIndex rises to the largest of them.
    bool ReadIndices(std::uint32_t* at, std::uint32_t n, std::uint32_t& maxIndex, const char* bad) {
        if (!r_.ReadUInts(at, n)) {
            return Fail(bad);
        }
        for (std::uint32_t k = 0; k < n; ++k) {
            maxIndex = std::max(maxIndex, at[k]);
        }
        return true;
    }

    // The opening that meshes and their normals share: a count, that many
    // 3-vectors, then the count of the faces that follow.
    bool ReadVectorsAndFaceCount(std::vector<float>& vectors, std::uint32_t& numVectors, std::uint32_t& numFaces,
                                 const VectorsAndFacesErrors& errors) {
        return ReadCountedFloats(vectors, numVectors, 3, errors.Bad, errors.TooLarge, errors.BadData) &&
               ReadCount(numFaces, 1, errors.Bad, errors.FacesTooLarge);
    }

    bool ParseMesh(RawMesh& m) {
        std::uint32_t numPositions = 0, numFaces = 0;
        if (!ReadVectorsAndFaceCount(m.Positions, numPositions, numFaces, kMeshErrors)) {
            return false;
        }
        m.NumFaces = numFaces;
        ReserveHuge(m.Corners, std::min<std::size_t>(std::size_t{numFaces} * 3, r_.MaxValuesLeft()));
        m.Corners.resize(std::min<std::size_t>(std::size_t{numFaces} * 3, r_.MaxValuesLeft()));
        std::size_t used = 0;
        std::uint32_t maxIndex = 0;
        for (std::uint32_t f = 0; f < numFaces; ++f) {
            if (used + 3 <= m.Corners.size() && r_.TryTriangle(m.Corners.data() + used)) {
                const std::uint32_t* c = m.Corners.data() + used;
                maxIndex = std::max({maxIndex, c[0], c[1], c[2]});
                if (!m.FaceSizes.empty()) {
                    m.FaceSizes[f] = 3;
                }
                used += 3;
                continue;
            }
            std::uint32_t n = 0;
            if (!ReadCount(n, 1, "bad face data", "face size too large")) {
                return false;
            }
            if (n != 3 && m.FaceSizes.empty()) {
                // The first face that is not a triangle: from now on sizes are kept.
                ReserveHuge(m.FaceSizes, numFaces);
                m.FaceSizes.assign(numFaces, 3);
            }
            if (!m.FaceSizes.empty()) {
                m.FaceSizes[f] = n;
            }
            if (used + n > m.Corners.size()) {
                m.Corners.resize(std::max(used + n, m.Corners.size() * 2));
            }
            if (!ReadIndices(m.Corners.data() + used, n, maxIndex, "bad face data")) {
                return false;
            }
            used += n;
        }
        m.Corners.resize(used);
        if (used > 0 && maxIndex >= numPositions) {
            return Fail("face index out of range");
        }
        if (!builder_.BeginMesh(m, reason_)) {
            return false;
        }
        return Children(
            [&](std::string_view type) {
                if (EqualsNoCase(type, "MeshNormals")) {
                    return ParseNormals(m);
                }
                if (EqualsNoCase(type, "MeshTextureCoords")) {
                    return ParseTexCoords(m);
                }
                if (EqualsNoCase(type, "MeshVertexColors")) {
                    return ParseColors(m);
                }
                if (EqualsNoCase(type, "MeshMaterialList")) {
                    return ParseMaterialList(m);
                }
                return SkipRest();
            },
            [](std::string_view) {});
    }

    bool ParseNormals(RawMesh& m) {
        std::uint32_t numNormals = 0, numFaces = 0;
        if (!ReadVectorsAndFaceCount(m.Normals, numNormals, numFaces, kNormalsErrors)) {
            return false;
        }
        // The normal faces must match the mesh faces corner for corner; otherwise the
        // normals are dropped rather than guessed.
        bool matches = numFaces == m.NumFaces;
        // While every corner's normal index is its position index, nothing is stored:
        // the corners stand for them. The first corner that differs stores them all.
        bool sameAsCorners = true;
        m.CornerNormals.clear();
        std::size_t used = 0;
        const auto store = [&] {
            if (sameAsCorners) {
                sameAsCorners = false;
                ReserveHuge(m.CornerNormals, m.Corners.size());
                m.CornerNormals.assign(m.Corners.begin(), m.Corners.begin() + static_cast<std::ptrdiff_t>(used));
                m.CornerNormals.resize(m.Corners.size());
            }
        };
        std::uint32_t maxIndex = 0;
        const bool allTriangles = m.FaceSizes.empty();
        for (std::uint32_t f = 0; f < numFaces; ++f) {
            std::uint32_t c[3];
            if (matches && allTriangles && r_.TryTriangle(c)) {
                maxIndex = std::max({maxIndex, c[0], c[1], c[2]});
                const std::uint32_t* at = m.Corners.data() + used;
                if (!sameAsCorners || c[0] != at[0] || c[1] != at[1] || c[2] != at[2]) {
                    store();
                    std::memcpy(m.CornerNormals.data() + used, c, sizeof c);
                }
                used += 3;
                continue;
            }
            std::uint32_t n = 0;
            if (!ReadCount(n, 1, "bad normal faces", "normal face size too large")) {
                return false;
            }
            if (matches && n == (m.FaceSizes.empty() ? 3u : m.FaceSizes[f])) {
                store();
                if (!ReadIndices(m.CornerNormals.data() + used, n, maxIndex, "bad normal faces")) {
                    return false;
                }
                used += n;
            } else {
                matches = false;
                for (std::uint32_t k = 0; k < n; ++k) {
                    std::uint32_t ignored = 0;
                    if (!r_.ReadUInt(ignored)) {
                        return Fail("bad normal faces");
                    }
                }
            }
        }
        if (matches && used > 0 && maxIndex >= numNormals) {
            return Fail("normal index out of range");
        }
        if (!matches || used == 0) {
            m.Normals.clear();
            m.CornerNormals.clear();
            sameAsCorners = false;
        }
        m.NormalsAreCorners = sameAsCorners;
        return SkipRest();
    }

    bool ParseTexCoords(RawMesh& m) {
        std::uint32_t n = 0;
        if (!ReadCountedFloats(m.TexCoords, n, 2, "bad texture coordinates", "texture coordinate count too large",
                               "bad texture coordinates")) {
            return false;
        }
        m.TexCoords.resize(m.Positions.size() / 3 * 2, 0.0f);
        return SkipRest();
    }

    bool ParseColors(RawMesh& m) {
        std::uint32_t n = 0;
        if (!ReadCount(n, 5, "bad vertex colours", "vertex colour count too large")) {
            return false;
        }
        const std::size_t numPositions = m.Positions.size() / 3;
        m.Colors.assign(numPositions * 4, 1.0f);
        for (std::uint32_t i = 0; i < n; ++i) {
            std::uint32_t index = 0;
            float c[4];
            if (!r_.ReadUInt(index) || !r_.ReadFloats(c, 4)) {
                return Fail("bad vertex colours");
            }
            if (index >= numPositions) {
                return Fail("colour index out of range");
            }
            std::memcpy(&m.Colors[std::size_t{index} * 4], c, sizeof c);
        }
        return SkipRest();
    }

    bool ParseMaterialList(RawMesh& m) {
        std::uint32_t numMaterials = 0;
        std::uint32_t numIndices = 0;
        if (!r_.ReadUInt(numMaterials) || !r_.ReadUInt(numIndices)) {
            return Fail("bad material list");
        }
        if (numMaterials > kMaxMaterials) {
            return Fail("too many materials");
        }
        if (!CheckCount(numIndices, 1)) {
            return Fail("material index count too large");
        }
        m.FaceMaterials.resize(numIndices);
        if (!r_.ReadUInts(m.FaceMaterials.data(), numIndices)) {
            return Fail("bad material list");
        }
        for (const std::uint32_t index : m.FaceMaterials) {
            if (index >= numMaterials) {
                return Fail("material index out of range");
            }
        }
        m.Materials.clear();
        m.HasMaterialList = true;
        const bool ok = Children(
            [&](std::string_view type) {
                if (!EqualsNoCase(type, "Material")) {
                    return SkipRest();
                }
                D3DXMATERIAL material;
                if (!ParseMaterial(material)) {
                    return false;
                }
                m.Materials.push_back(material);
                return true;
            },
            [&](std::string_view name) {
                const auto it = namedMaterials_.find(std::string(name));
                if (it != namedMaterials_.end()) {
                    m.Materials.push_back(it->second);
                }
            });
        if (!ok) {
            return false;
        }
        m.Materials.resize(numMaterials, WhiteMaterial());
        return true;
    }

    bool ParseMaterial(D3DXMATERIAL& material) {
        float v[11];
        if (!r_.ReadFloats(v, 11)) {
            return Fail("bad material");
        }
        material = D3DXMATERIAL{};
        material.MatD3D.Diffuse = {v[0], v[1], v[2], v[3]};
        material.MatD3D.Power = v[4];
        material.MatD3D.Specular = {v[5], v[6], v[7], 1.0f};
        material.MatD3D.Emissive = {v[8], v[9], v[10], 1.0f};
        return Children(
            [&](std::string_view type) {
                if (EqualsNoCase(type, "TextureFilename")) {
                    std::string_view file;
                    if (r_.Peek() == Tok::String) {
                        if (!r_.ReadString(file)) {
                            return Fail("bad texture name");
                        }
                        const std::size_t n = std::min(file.size(), sizeof material.TextureFilename - 1);
                        std::memcpy(material.TextureFilename, file.data(), n);
                        material.TextureFilename[n] = '\0';
                    }
                }
                return SkipRest();
            },
            [](std::string_view) {});
    }

    R& r_;
    XFileMesh& out_;
    std::string& reason_;
    std::vector<FrameNode> frames_;
    std::unordered_map<std::string, D3DXMATERIAL> namedMaterials_;
    MeshBuilder builder_{out_};
};

}  // namespace

bool ParseBody(const std::uint8_t* body, std::size_t size, bool binary, bool doubles, XFileMesh& out,
               std::string& reason) {
    if (binary) {
        BinaryReader reader(body, size, doubles);
        return Parser<BinaryReader>(reader, out, reason).Run();
    }
    TextReader reader(body, size);
    return Parser<TextReader>(reader, out, reason).Run();
}

}  // namespace xfile

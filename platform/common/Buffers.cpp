// D3DX byte buffers and the element copies in and out of them. Every copy is
// checked against both the buffer and the caller's array before a byte moves.
#include <cstring>
#include <limits>

#include "platform/D3dx.h"

namespace {

// The byte range [offset, offset + bytes) of a copy, or false on overflow.
bool CopyRange(DWORD index, DWORD elemSize, DWORD count, std::size_t& offset, std::size_t& bytes) {
    const std::uint64_t off = static_cast<std::uint64_t>(index) * elemSize;
    const std::uint64_t len = static_cast<std::uint64_t>(count) * elemSize;
    if (off > std::numeric_limits<std::size_t>::max() || len > std::numeric_limits<std::size_t>::max()) {
        return false;
    }
    offset = static_cast<std::size_t>(off);
    bytes = static_cast<std::size_t>(len);
    return true;
}

}  // namespace

HRESULT CreateBuffer(DWORD bytes, std::unique_ptr<D3DXBuffer>& out) {
    out = std::make_unique<D3DXBuffer>(bytes);
    return D3D_OK;
}

HRESULT BufferGetData(const D3DXBuffer& buffer, DWORD index, DWORD elemSize, DWORD count, void* dest,
                      std::size_t destBytes) {
    std::size_t offset = 0, bytes = 0;
    if (!CopyRange(index, elemSize, count, offset, bytes)) return D3DERR_INVALIDCALL;
    const std::size_t size = buffer.GetBufferSize();
    if (offset > size || bytes > size - offset || bytes > destBytes) return D3DERR_INVALIDCALL;
    if (bytes == 0) return D3D_OK;
    if (dest == nullptr) return D3DERR_INVALIDCALL;
    std::memcpy(dest, static_cast<const std::uint8_t*>(buffer.GetBufferPointer()) + offset, bytes);
    return D3D_OK;
}

HRESULT BufferSetData(D3DXBuffer& buffer, DWORD index, DWORD elemSize, DWORD count, const void* src,
                      std::size_t srcBytes) {
    std::size_t offset = 0, bytes = 0;
    if (!CopyRange(index, elemSize, count, offset, bytes)) return D3DERR_INVALIDCALL;
    const std::size_t size = buffer.GetBufferSize();
    if (offset > size || bytes > size - offset || bytes > srcBytes) return D3DERR_INVALIDCALL;
    if (bytes == 0) return D3D_OK;
    if (src == nullptr) return D3DERR_INVALIDCALL;
    std::memcpy(static_cast<std::uint8_t*>(buffer.GetBufferPointer()) + offset, src, bytes);
    return D3D_OK;
}

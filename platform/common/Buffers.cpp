// D3DX byte buffers and the element copies in and out of them. Every copy is
// checked against both the buffer and the caller's array before a byte moves.
#include <cstring>
#include <limits>

#include "platform/D3dx.h"

namespace {

// Checks a copy of `count` elements of `elemSize` bytes from element `index` of
// a buffer of `size` bytes, to or from the caller's array of `arrayBytes` bytes:
// D3D_OK with the byte range [offset, offset + bytes) in the buffer (bytes 0:
// nothing to copy), or D3DERR_INVALIDCALL.
HRESULT CheckCopy(std::size_t size, DWORD index, DWORD elemSize, DWORD count, const void* array, std::size_t arrayBytes,
                  std::size_t& offset, std::size_t& bytes) {
    const std::uint64_t off = static_cast<std::uint64_t>(index) * elemSize;
    const std::uint64_t len = static_cast<std::uint64_t>(count) * elemSize;
    if (off > std::numeric_limits<std::size_t>::max() || len > std::numeric_limits<std::size_t>::max()) {
        return D3DERR_INVALIDCALL;
    }
    offset = static_cast<std::size_t>(off);
    bytes = static_cast<std::size_t>(len);
    if (offset > size || bytes > size - offset || bytes > arrayBytes) return D3DERR_INVALIDCALL;
    if (bytes == 0) return D3D_OK;
    if (array == nullptr) return D3DERR_INVALIDCALL;
    return D3D_OK;
}

}  // namespace

HRESULT CreateBuffer(DWORD bytes, std::unique_ptr<D3DXBuffer>& out) {
    out = std::make_unique<D3DXBuffer>(bytes);
    return D3D_OK;
}

HRESULT BufferGetData(const D3DXBuffer& buffer, DWORD index, DWORD elemSize, DWORD count, void* dest,
                      std::size_t destBytes) {
    std::size_t offset = 0, bytes = 0;
    const HRESULT hr = CheckCopy(buffer.GetBufferSize(), index, elemSize, count, dest, destBytes, offset, bytes);
    if (hr == D3D_OK && bytes > 0) {
        std::memcpy(dest, static_cast<const std::uint8_t*>(buffer.GetBufferPointer()) + offset, bytes);
    }
    return hr;
}

HRESULT BufferSetData(D3DXBuffer& buffer, DWORD index, DWORD elemSize, DWORD count, const void* src,
                      std::size_t srcBytes) {
    std::size_t offset = 0, bytes = 0;
    const HRESULT hr = CheckCopy(buffer.GetBufferSize(), index, elemSize, count, src, srcBytes, offset, bytes);
    if (hr == D3D_OK && bytes > 0) {
        std::memcpy(static_cast<std::uint8_t*>(buffer.GetBufferPointer()) + offset, src, bytes);
    }
    return hr;
}

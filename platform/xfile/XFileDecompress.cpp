// Compressed .x bodies (tzip, bzip): MSZIP blocks, each a raw deflate stream that
// continues the history of the blocks before it.
#include "platform/xfile/XFileInternal.h"

#include <zlib.h>

#include <cstring>

namespace xfile {

namespace {

std::uint16_t Load16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }

// The most a compressed body may inflate to. Larger claims are refused before any
// memory is taken.
constexpr std::size_t kMaxInflated = std::size_t{1} << 30;

}  // namespace

bool InflateMsZip(const std::uint8_t* data, std::size_t size, std::vector<std::uint8_t>& out, std::string& reason) {
    if (size < 4) {
        reason = "truncated compressed data";
        return false;
    }
    const std::uint32_t total = static_cast<std::uint32_t>(data[0]) | (static_cast<std::uint32_t>(data[1]) << 8) |
                                (static_cast<std::uint32_t>(data[2]) << 16) |
                                (static_cast<std::uint32_t>(data[3]) << 24);
    if (total < 16) {
        reason = "bad compressed size";
        return false;
    }
    const std::size_t payload = total - 16;

    // First pass over the block headers only: the claimed size must match the blocks
    // that are really there before anything is allocated.
    std::size_t sum = 0;
    std::size_t blocks = 0;
    for (std::size_t at = 4; at < size;) {
        if (size - at < 6) {
            reason = "truncated compressed block";
            return false;
        }
        const std::size_t raw = Load16(data + at);
        const std::size_t packed = Load16(data + at + 2);
        if (packed < 2 || packed > size - at - 4) {
            reason = "truncated compressed block";
            return false;
        }
        if (data[at + 4] != 'C' || data[at + 5] != 'K') {
            reason = "bad compressed block signature";
            return false;
        }
        if (raw > 32768) {
            reason = "bad compressed block size";
            return false;
        }
        sum += raw;
        ++blocks;
        at += 4 + packed;
    }
    if (blocks == 0 || sum != payload) {
        reason = "compressed size mismatch";
        return false;
    }
    if (payload > kMaxInflated) {
        reason = "compressed data too large";
        return false;
    }

    out.resize(payload);
    z_stream z;
    std::memset(&z, 0, sizeof z);
    if (inflateInit2(&z, -MAX_WBITS) != Z_OK) {
        reason = "inflate failed";
        return false;
    }
    bool ok = true;
    std::size_t produced = 0;
    for (std::size_t at = 4; at < size && ok;) {
        const std::size_t raw = Load16(data + at);
        const std::size_t packed = Load16(data + at + 2);
        if (inflateReset(&z) != Z_OK) {
            ok = false;
            break;
        }
        // The history is the last 32 KiB of what the earlier blocks produced.
        const std::size_t history = produced < 32768 ? produced : 32768;
        if (history > 0 &&
            inflateSetDictionary(&z, out.data() + produced - history, static_cast<uInt>(history)) != Z_OK) {
            ok = false;
            break;
        }
        z.next_in = const_cast<Bytef*>(data + at + 6);
        z.avail_in = static_cast<uInt>(packed - 2);
        z.next_out = out.data() + produced;
        z.avail_out = static_cast<uInt>(raw);
        const int rc = inflate(&z, Z_FINISH);
        if (rc != Z_STREAM_END || z.avail_out != 0) {
            ok = false;
            break;
        }
        produced += raw;
        at += 4 + packed;
    }
    inflateEnd(&z);
    if (!ok || produced != payload) {
        out.clear();
        reason = "bad compressed block";
        return false;
    }
    return true;
}

}  // namespace xfile

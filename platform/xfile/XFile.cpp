// The .x reader's entry points: reading the file, the header, and the choice of
// body decoding (text, binary, compressed) before the object walk.
#include "platform/xfile/XFile.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <exception>
#include <memory>
#include <new>
#include <string_view>

#include "platform/xfile/XFileInternal.h"

namespace xfile {
namespace {

constexpr std::size_t kMaxFileSize = std::size_t{1} << 30;
// Files at least this large are mapped rather than copied into memory.
constexpr std::size_t kMapSize = std::size_t{1} << 20;

// A read-only mapping of a whole file, its pages mapped up front; empty when the
// file cannot be mapped.
class Mapping {
public:
    Mapping(int fd, std::size_t size) : size_(size) {
        void* p = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE | MAP_POPULATE, fd, 0);
        if (p != MAP_FAILED) {
            data_ = static_cast<const std::uint8_t*>(p);
            ::madvise(p, size, MADV_SEQUENTIAL);
        }
    }
    ~Mapping() {
        if (data_ != nullptr) {
            ::munmap(const_cast<std::uint8_t*>(data_), size_);
        }
    }
    Mapping(const Mapping&) = delete;
    Mapping& operator=(const Mapping&) = delete;

    const std::uint8_t* Data() const { return data_; }

private:
    const std::uint8_t* data_ = nullptr;
    std::size_t size_;
};

bool ParseChecked(const std::uint8_t* data, std::size_t size, XFileMesh& out, std::string& reason) {
    if (size < 16) {
        reason = "not an x file";
        return false;
    }
    if (std::memcmp(data, "xof ", 4) != 0) {
        reason = "not an x file";
        return false;
    }
    if (std::memcmp(data + 4, "03", 2) != 0) {
        reason = "unsupported version";
        return false;
    }
    const std::string_view encoding(reinterpret_cast<const char*>(data + 8), 4);
    const std::string_view width(reinterpret_cast<const char*>(data + 12), 4);
    bool doubles = false;
    if (width == "0064") {
        doubles = true;
    } else if (width != "0032") {
        reason = "bad float size";
        return false;
    }
    const std::uint8_t* body = data + 16;
    const std::size_t bodySize = size - 16;
    if (encoding == "txt ") {
        return ParseBody(body, bodySize, false, doubles, out, reason);
    }
    if (encoding == "bin ") {
        return ParseBody(body, bodySize, true, doubles, out, reason);
    }
    if (encoding == "tzip" || encoding == "bzip") {
        std::vector<std::uint8_t> inflated;
        if (!InflateMsZip(body, bodySize, inflated, reason)) {
            return false;
        }
        return ParseBody(inflated.data(), inflated.size(), encoding == "bzip", doubles, out, reason);
    }
    reason = "unknown encoding";
    return false;
}

}  // namespace
}  // namespace xfile

bool ParseXFile(const std::uint8_t* data, std::size_t size, XFileMesh& out, std::string& reason) {
    out = XFileMesh{};
    reason.clear();
    bool ok = false;
    try {
        ok = xfile::ParseChecked(data, size, out, reason);
    } catch (const std::bad_alloc&) {
        reason = "out of memory";
        ok = false;
    } catch (const std::exception&) {
        reason = "file too large";
        ok = false;
    }
    if (!ok) {
        out = XFileMesh{};
        if (reason.empty()) {
            reason = "bad file";
        }
    }
    return ok;
}

bool LoadXFile(const std::string& path, XFileMesh& out, std::string& reason) {
    out = XFileMesh{};
    // Non-blocking, so that a FIFO in place of a file is refused below, not waited on.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        reason = errno == ENOENT ? "file not found" : errno == EACCES ? "permission denied" : std::strerror(errno);
        return false;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        ::close(fd);
        reason = "cannot open file";
        return false;
    }
    if (S_ISDIR(st.st_mode)) {
        ::close(fd);
        reason = "is a directory";
        return false;
    }
    if (!S_ISREG(st.st_mode)) {
        ::close(fd);
        reason = "not a regular file";
        return false;
    }
    if (static_cast<std::uint64_t>(st.st_size) > xfile::kMaxFileSize) {
        ::close(fd);
        reason = "file too large";
        return false;
    }
    const std::size_t size = static_cast<std::size_t>(st.st_size);
    if (size >= xfile::kMapSize) {
        const xfile::Mapping mapping(fd, size);
        if (mapping.Data() != nullptr) {
            ::close(fd);
            return ParseXFile(mapping.Data(), size, out, reason);
        }
    }
    std::unique_ptr<std::uint8_t[]> data(new (std::nothrow) std::uint8_t[size > 0 ? size : 1]);
    if (!data) {
        ::close(fd);
        reason = "out of memory";
        return false;
    }
    std::size_t got = 0;
    while (got < size) {
        const ssize_t n = ::read(fd, data.get() + got, size - got);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            break;
        }
        got += static_cast<std::size_t>(n);
    }
    ::close(fd);
    if (got != size) {
        reason = errno == EISDIR ? "is a directory" : "read error";
        return false;
    }
    return ParseXFile(data.get(), size, out, reason);
}

// The .x reader's entry points: reading the file, the header, and the choice of
// body decoding (text, binary, compressed) before the object walk.
#include "platform/xfile/XFile.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
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

// Mappings that a SIGBUS inside them (the file shrank under the mapping) mends:
// the rest of the mapping is replaced by zero pages, the mapping marked, and the
// read that faulted goes on. Faults elsewhere go to the handler found before.
struct GuardedRange {
    std::atomic<bool> used{false};
    std::atomic<std::uintptr_t> begin{0};  // 0 while the slot is being filled or emptied
    std::atomic<std::uintptr_t> end{0};
    std::atomic<bool> hit{false};
};
constexpr int kGuardedSlots = 16;
GuardedRange guarded[kGuardedSlots];

struct sigaction previousBusAction {};
std::uintptr_t pageSize = 4096;  // set with the handler

void OnBusError(int signal, siginfo_t* info, void* context) {
    const auto at = reinterpret_cast<std::uintptr_t>(info->si_addr);
    for (GuardedRange& range : guarded) {
        const std::uintptr_t begin = range.begin.load(std::memory_order_acquire);
        const std::uintptr_t end = range.end.load(std::memory_order_acquire);
        if (begin != 0 && at >= begin && at < end) {
            const std::uintptr_t from = at & ~(pageSize - 1);
            // mmap is a plain system call here: nothing it does takes a lock.
            void* zeros = ::mmap(reinterpret_cast<void*>(from), end - from, PROT_READ,
                                 MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1, 0);
            if (zeros != MAP_FAILED) {
                range.hit.store(true, std::memory_order_release);
                return;
            }
        }
    }
    if ((previousBusAction.sa_flags & SA_SIGINFO) != 0 && previousBusAction.sa_sigaction != nullptr) {
        previousBusAction.sa_sigaction(signal, info, context);
    } else if (previousBusAction.sa_handler != SIG_DFL && previousBusAction.sa_handler != SIG_IGN) {
        previousBusAction.sa_handler(signal);
    } else {
        // Not ours: the fault comes again on return, under the old disposition.
        ::sigaction(SIGBUS, &previousBusAction, nullptr);
    }
}

bool InstallBusHandler() {
    pageSize = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
    struct sigaction action {};
    action.sa_sigaction = OnBusError;
    action.sa_flags = SA_SIGINFO;
    sigemptyset(&action.sa_mask);
    return ::sigaction(SIGBUS, &action, &previousBusAction) == 0;
}

// A free slot for [begin, end), or -1 when none is free (or no handler).
int Guard(const void* data, std::size_t size) {
    static const bool installed = InstallBusHandler();
    if (!installed) {
        return -1;
    }
    const auto begin = reinterpret_cast<std::uintptr_t>(data);
    for (int i = 0; i < kGuardedSlots; ++i) {
        GuardedRange& range = guarded[i];
        bool expected = false;
        if (range.used.compare_exchange_strong(expected, true, std::memory_order_acquire)) {
            // The begin last: the handler never sees it without its end.
            range.hit.store(false, std::memory_order_relaxed);
            range.end.store(begin + size, std::memory_order_relaxed);
            range.begin.store(begin, std::memory_order_release);
            return i;
        }
    }
    return -1;
}

}  // namespace

FileMapping::FileMapping(int fd, std::size_t size) : size_(size) {
    void* p = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE | MAP_POPULATE, fd, 0);
    if (p == MAP_FAILED) {
        return;
    }
    slot_ = Guard(p, size);
    if (slot_ < 0) {
        ::munmap(p, size);  // unguarded: the caller reads the file instead
        return;
    }
    data_ = static_cast<const std::uint8_t*>(p);
    ::madvise(p, size, MADV_SEQUENTIAL);
}

FileMapping::~FileMapping() {
    if (data_ == nullptr) {
        return;
    }
    if (slot_ >= 0) {
        guarded[slot_].begin.store(0, std::memory_order_release);
        guarded[slot_].used.store(false, std::memory_order_release);
    }
    ::munmap(const_cast<std::uint8_t*>(data_), size_);
}

bool FileMapping::Truncated() const { return slot_ >= 0 && guarded[slot_].hit.load(std::memory_order_acquire); }

bool ParseMapped(const FileMapping& mapping, int fd, std::size_t size, XFileMesh& out, std::string& reason) {
    const bool ok = ParseXFile(mapping.Data(), size, out, reason);
    struct stat st {};
    // A cut within the last page faults nowhere: the size tells.
    if (mapping.Truncated() || ::fstat(fd, &st) != 0 || static_cast<std::uint64_t>(st.st_size) < size) {
        out = XFileMesh{};
        reason = "truncated file";
        return false;
    }
    return ok;
}

namespace {

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
        const xfile::FileMapping mapping(fd, size);
        if (mapping.Data() != nullptr) {
            const bool ok = xfile::ParseMapped(mapping, fd, size, out, reason);
            ::close(fd);
            return ok;
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

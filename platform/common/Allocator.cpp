#include "platform/Allocator.h"

#include <malloc.h>

#include <cstdlib>
#include <cstring>

void ConfigureAllocator() {
    const char* setting = std::getenv("NIGHTDRIVE_MALLOC");
    if (setting && std::strcmp(setting, "default") == 0) return;
    mallopt(M_MMAP_THRESHOLD, 32 * 1024 * 1024);
    mallopt(M_TRIM_THRESHOLD, 0x7FFFFFFF);
}

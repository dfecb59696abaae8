// Heap settings made once at start-up, before any window or GL context exists.
#pragma once

// Keeps freed memory in the process instead of handing it back to the kernel
// after every frame: a software renderer frees and reallocates large buffers each
// frame, and faulting them in again dominates its frame time. NIGHTDRIVE_MALLOC=default
// leaves the allocator as it is (for comparisons).
void ConfigureAllocator();

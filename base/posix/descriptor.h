// File descriptors as the opaque handles the file seams pass around, and the
// 64-bit offsets the POSIX halves rely on.
#pragma once

#include <cstdint>
#include <sys/types.h>

// Offsets past 2 GiB must survive the casts to off_t, in 32-bit builds too.
static_assert(sizeof(off_t) == 8, "build with _FILE_OFFSET_BITS=64");

// Descriptors travel as fd + 1, so that descriptor 0 is not null.
inline void* ToHandle(int fd) {
    return reinterpret_cast<void*>(static_cast<intptr_t>(fd) + 1);
}
inline int ToFd(void* handle) {
    return static_cast<int>(reinterpret_cast<intptr_t>(handle) - 1);
}

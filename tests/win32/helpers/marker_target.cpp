// A target for the process-memory tests: holds a 32-byte marker in each of two
// committed regions of its own, and has a committed no-access page and a guard
// page; prints the four addresses, frees the second marker's region when the
// named event is set, and then waits until it is killed.
// Usage: marker_target <event name>.
// Output lines: "<kept> <released> <no-access> <guard>", then "released".
#include "tests/win32/helpers/marker_target.h"

#include <windows.h>

#include <cstdio>

namespace {

constexpr size_t kRegionSize = 0x10000;
constexpr size_t kMarkerOffset = 0x123; // not at the region's start

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2)
        return 2;
    HANDLE release = OpenEventW(SYNCHRONIZE, FALSE, argv[1]);
    if (release == nullptr)
        return 3;
    auto* kept = static_cast<uint8_t*>(
        VirtualAlloc(nullptr, kRegionSize, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
    auto* freed = static_cast<uint8_t*>(
        VirtualAlloc(nullptr, kRegionSize, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
    void* no_access = VirtualAlloc(nullptr, 0x1000, MEM_COMMIT | MEM_RESERVE, PAGE_NOACCESS);
    void* guard =
        VirtualAlloc(nullptr, 0x1000, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE | PAGE_GUARD);
    if (kept == nullptr || freed == nullptr || no_access == nullptr || guard == nullptr)
        return 4;
    DWORD id = GetCurrentProcessId();
    FillMarker(kept + kMarkerOffset, id, 0);
    FillMarker(freed + kMarkerOffset, id, 1);
    std::printf("%p %p %p %p\n", static_cast<void*>(kept + kMarkerOffset),
                static_cast<void*>(freed + kMarkerOffset), no_access, guard);
    std::fflush(stdout);
    if (WaitForSingleObject(release, INFINITE) != WAIT_OBJECT_0)
        return 5;
    VirtualFree(freed, 0, MEM_RELEASE);
    std::printf("released\n");
    std::fflush(stdout);
    Sleep(INFINITE);
    return 0;
}

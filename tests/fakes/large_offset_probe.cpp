// Probe of the platform's mapping of offsets above 4 GiB (see large_offset_probe.h).
#include "tests/fakes/large_offset_probe.h"

#include "tests/fakes/temp_dir.h"

#ifdef _WIN32

bool PlatformMapsAboveFourGiB(const TempDir&) {
    return true; // the Win32 calls take 64-bit offsets in every build
}

#else

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

bool PlatformMapsAboveFourGiB(const TempDir& dir) {
    const uint64_t offset = (4ull << 30) + 0x10000;
    const std::wstring path = dir.WriteSparseFile("probe.bin", offset + 0x10000, offset, {0x5A});
    if (path.empty())
        return false;
    const int fd = ::open(dir.File("probe.bin").c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    bool seen = false;
    void* view = ::mmap(nullptr, 0x10000, PROT_READ, MAP_SHARED, fd, static_cast<off_t>(offset));
    if (view != MAP_FAILED) {
        seen = *static_cast<const unsigned char*>(view) == 0x5A;
        ::munmap(view, 0x10000);
    }
    ::close(fd);
    return seen;
}

#endif

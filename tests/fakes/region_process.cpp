#include "tests/fakes/region_process.h"

#include <algorithm>
#include <string>

int RegionProcess::EnumerateProcesses(void (*visit)(void*, const SnapshotEntry&), void* context) {
    visit(context, SnapshotEntry{42, L"target.exe"});
    return 1;
}

size_t RegionProcess::ModulePath(void*, wchar_t* buffer, size_t capacity) {
    const std::wstring path = L"C:\\apps\\target.exe";
    if (capacity <= path.size())
        return capacity;
    std::copy(path.begin(), path.end(), buffer);
    buffer[path.size()] = 0;
    return path.size();
}

int RegionProcess::QueryRegion(void*, ProcAddress address, MemoryRegion* region) {
    if (address >= kTop)
        return 0;
    for (const Region& r : m_regions) {
        if (address >= r.base && address - r.base < r.size) {
            *region = {r.base, r.size, 1, r.readable};
            return 1;
        }
        if (address < r.base) {
            *region = {address, r.base - address, 0, 0};
            return 1;
        }
    }
    *region = {address, kTop - address, 0, 0};
    return 1;
}

size_t RegionProcess::ReadMemory(void*, ProcAddress address, void* buffer, size_t count) {
    for (const Region& r : m_regions)
        if (address >= r.base && address - r.base < r.size) {
            if (count > r.size - (address - r.base))
                return 0;
            for (size_t i = 0; i < count; ++i)
                static_cast<uint8_t*>(buffer)[i] = Byte(address + i);
            return count;
        }
    return 0;
}

uint8_t RegionProcess::Byte(ProcAddress address) {
    uint64_t x = address + 0x9E3779B97F4A7C15ull;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    return static_cast<uint8_t>(x ^ (x >> 31));
}

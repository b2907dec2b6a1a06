// RegionProcess: one process of committed regions below 0x100000, for tests
// of documents that read another process's memory.
#pragma once

#include "data/proc_info.h"

#include <cstdint>
#include <utility>
#include <vector>

// Serves Byte(address) from every committed region; a region marked
// unreadable is reported so by QueryRegion, while ReadMemory still returns its
// bytes, as Wine's ReadProcessMemory does whatever the protection.
class RegionProcess : public ProcessOps {
  public:
    struct Region {
        ProcAddress base;
        uint64_t size;
        int readable;
    };
    static constexpr ProcAddress kTop = 0x100000;

    explicit RegionProcess(std::vector<Region> regions) : m_regions(std::move(regions)) {}

    int EnumerateProcesses(void (*visit)(void*, const SnapshotEntry&), void* context) override;
    void* OpenForRead(uint32_t) override { return this; }
    size_t ModulePath(void*, wchar_t* buffer, size_t capacity) override;
    void* SmallIcon(const wchar_t*) override { return nullptr; }
    void DestroyIcon(void*) override {}
    void CloseProcess(void*) override {}
    int QueryRegion(void*, ProcAddress address, MemoryRegion* region) override;
    size_t ReadMemory(void*, ProcAddress address, void* buffer, size_t count) override;

    // Scrambled bytes: no three in a row recur within a few pages.
    static uint8_t Byte(ProcAddress address);

    std::vector<Region> m_regions; // sorted by base, not overlapping
};

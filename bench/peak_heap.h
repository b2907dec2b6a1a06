// Counts the heap bytes a benchmark's code holds, through replaced global
// operator new and delete, so a benchmark can print the peak a search or a
// save held whatever the file's size. Include in one benchmark source only.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <new>

namespace peak_heap {

inline std::atomic<int64_t> g_live{0};
inline std::atomic<int64_t> g_peak{0};

// Starts a new peak from the bytes held now; returns them.
inline int64_t Reset() {
    const int64_t live = g_live.load();
    g_peak.store(live);
    return live;
}
inline int64_t Peak() {
    return g_peak.load();
}

inline void* Allocate(size_t size) {
    // A header before the block remembers its size for the release.
    auto* block = static_cast<int64_t*>(std::malloc(size + 16));
    if (block == nullptr)
        return nullptr;
    block[0] = static_cast<int64_t>(size);
    const int64_t live = g_live.fetch_add(block[0]) + block[0];
    int64_t peak = g_peak.load();
    while (live > peak && !g_peak.compare_exchange_weak(peak, live)) {
    }
    return block + 2;
}

inline void Release(void* p) {
    if (p == nullptr)
        return;
    auto* block = static_cast<int64_t*>(p) - 2;
    g_live.fetch_sub(block[0]);
    std::free(block);
}

// Over-aligned blocks: a counted block with room to align within it; the
// counted block's address sits just before the aligned one.
inline void* AllocateAligned(size_t size, size_t alignment) {
    auto* raw = static_cast<uint8_t*>(Allocate(size + alignment + sizeof(void*)));
    if (raw == nullptr)
        return nullptr;
    const uintptr_t start = reinterpret_cast<uintptr_t>(raw) + sizeof(void*);
    const uintptr_t aligned = (start + alignment - 1) / alignment * alignment;
    reinterpret_cast<void**>(aligned)[-1] = raw;
    return reinterpret_cast<void*>(aligned);
}

inline void ReleaseAligned(void* p) {
    if (p != nullptr)
        Release(static_cast<void**>(p)[-1]);
}

} // namespace peak_heap

void* operator new(size_t size) {
    void* p = peak_heap::Allocate(size);
    if (p == nullptr)
        throw std::bad_alloc();
    return p;
}
void* operator new[](size_t size) {
    return operator new(size);
}
void* operator new(size_t size, const std::nothrow_t&) noexcept {
    return peak_heap::Allocate(size);
}
void* operator new[](size_t size, const std::nothrow_t&) noexcept {
    return peak_heap::Allocate(size);
}
void operator delete(void* p) noexcept {
    peak_heap::Release(p);
}
void operator delete[](void* p) noexcept {
    peak_heap::Release(p);
}
void operator delete(void* p, size_t) noexcept {
    peak_heap::Release(p);
}
void operator delete[](void* p, size_t) noexcept {
    peak_heap::Release(p);
}
void* operator new(size_t size, std::align_val_t alignment) {
    void* p = peak_heap::AllocateAligned(size, static_cast<size_t>(alignment));
    if (p == nullptr)
        throw std::bad_alloc();
    return p;
}
void* operator new[](size_t size, std::align_val_t alignment) {
    return operator new(size, alignment);
}
void* operator new(size_t size, std::align_val_t alignment, const std::nothrow_t&) noexcept {
    return peak_heap::AllocateAligned(size, static_cast<size_t>(alignment));
}
void* operator new[](size_t size, std::align_val_t alignment, const std::nothrow_t&) noexcept {
    return peak_heap::AllocateAligned(size, static_cast<size_t>(alignment));
}
void operator delete(void* p, std::align_val_t) noexcept {
    peak_heap::ReleaseAligned(p);
}
void operator delete[](void* p, std::align_val_t) noexcept {
    peak_heap::ReleaseAligned(p);
}
void operator delete(void* p, size_t, std::align_val_t) noexcept {
    peak_heap::ReleaseAligned(p);
}
void operator delete[](void* p, size_t, std::align_val_t) noexcept {
    peak_heap::ReleaseAligned(p);
}

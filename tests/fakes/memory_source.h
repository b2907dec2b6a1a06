// MemorySource and FailingSource: data sources over bytes held in memory, for
// tests of everything that reads through CSrclibrary.
#pragma once

#include "data/source.h"

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

// Serves the bytes it was given; offsets outside them give null. Counts calls.
class MemorySource : public CSrclibrary {
  public:
    MemorySource() = default;
    explicit MemorySource(std::vector<uint8_t> bytes) : m_bytes(std::move(bytes)) {}
    // Bytes 0..size-1 with the pattern (offset * 7 + 3) & 0xFF.
    static std::vector<uint8_t> Pattern(size_t size);

    const uint8_t* GetData(int64_t offset) override;

    std::vector<uint8_t> m_bytes;
    int64_t m_n_calls = 0; // GetData calls so far
};

// A MemorySource whose GetData returns null from its fail_from-th call on
// (1-based; 0 never fails), for loops that must stop cleanly on a read error.
class FailingSource : public MemorySource {
  public:
    FailingSource(std::vector<uint8_t> bytes, int64_t fail_from)
        : MemorySource(std::move(bytes)), m_n_fail_from(fail_from) {}

    const uint8_t* GetData(int64_t offset) override;

    int64_t m_n_fail_from;
};

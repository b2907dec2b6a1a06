// PatternMatcher: the first or last occurrence of a byte pattern in one
// contiguous buffer. Where the processor has SSE2, 64 window positions are
// tested at a time for two anchor bytes of the pattern (its first byte and the
// last one that differs from it) and only the positions where both agree are
// compared in full; elsewhere a Horspool scan does the work.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

class PatternMatcher {
  public:
    // vector 0 keeps to the portable scan even where SSE2 exists.
    PatternMatcher(const uint8_t* pattern, size_t n, int vector = 1);
    // Offset of the first / last window of the buffer equal to the pattern, or -1.
    int64_t First(const uint8_t* data, size_t length) const;
    int64_t Last(const uint8_t* data, size_t length) const;
    size_t Size() const { return m_pattern.size(); }
    // 1 when First and Last use the SSE2 scan.
    int Vector() const { return m_b_vector; }

  private:
    int64_t PortableFirst(const uint8_t* data, size_t length) const;
    int64_t PortableLast(const uint8_t* data, size_t length) const;

    std::vector<uint8_t> m_pattern;
    size_t m_n_anchor = 0; // the second anchor byte's index
    int m_b_vector = 0;
    size_t m_n_forward_skip[256];
    size_t m_n_backward_skip[256];
};

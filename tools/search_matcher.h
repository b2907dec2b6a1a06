// One interface over the ways a search matches bytes (exact bytes, a masked
// hex pattern, text without regard to case), so that the search over a
// document's runs serves them all; a match may be longer or shorter than
// the pattern, so each reports its own length.
#pragma once

#include "tools/folded_pattern.h"
#include "tools/masked_pattern.h"

#include <cstddef>
#include <cstdint>
#include <memory>

class SearchMatcher {
  public:
    virtual ~SearchMatcher() = default;
    // Offset of the first / last match lying wholly in the buffer, or -1;
    // *matched gets its length in bytes.
    virtual int64_t First(const uint8_t* data, size_t length, size_t* matched) const = 0;
    virtual int64_t Last(const uint8_t* data, size_t length, size_t* matched) const = 0;
    // The fewest and the most bytes a match takes: a search across runs
    // keeps MaxLength() - 1 bytes of the run before; 0 finds nothing.
    virtual size_t MinLength() const = 0;
    virtual size_t MaxLength() const = 0;
};

// Exact bytes (hex, text with case, typed values), a masked hex pattern, and
// text without case in an encoding.
std::unique_ptr<SearchMatcher> MakeExactMatcher(const uint8_t* pattern, size_t n);
std::unique_ptr<SearchMatcher> MakeMaskedMatcher(MaskedPattern pattern);
std::unique_ptr<SearchMatcher> MakeFoldedMatcher(const uint8_t* pattern, size_t n,
                                                 FoldEncoding encoding);

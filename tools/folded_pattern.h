// Text found without regard to case. In the single-byte (ANSI) and UTF-7
// encodings ASCII letters match either case; in UTF-8 and UTF-16 (either
// byte order) characters match when their simple case folds agree, so a
// match may be longer or shorter than the pattern: "k" also finds the
// three-byte UTF-8 KELVIN SIGN. Each match reports its length in bytes.
#pragma once

#include "tools/anchor_scan.h"
#include "tools/masked_pattern.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

enum FoldEncoding : int { kFoldAnsi, kFoldUtf7, kFoldUtf8, kFoldUtf16Le, kFoldUtf16Be };

// The encoding of a code page number as the Find dialog names them: -1 and
// 1200 UTF-16LE, 1201 UTF-16BE, 65001 UTF-8, 65000 UTF-7, anything else a
// single-byte page.
FoldEncoding FoldEncodingOfCodePage(int32_t code_page);

// The single-byte and UTF-7 pattern as a masked one: ASCII letters match
// either case, except the base64 letters of a UTF-7 "+...-" run, which carry
// bits of the text and must match exactly.
MaskedPattern AsciiFoldedPattern(const uint8_t* pattern, size_t n, int utf7);

class FoldedMatcher {
  public:
    // pattern: the text's bytes in the encoding (as the exact search would
    // look for them). Bytes of a UTF-8 or UTF-16 pattern that form no
    // character (a cut sequence, an odd last byte) must match exactly.
    // vector 0 keeps to the portable scan even where SSE2 exists.
    FoldedMatcher(const uint8_t* pattern, size_t n, FoldEncoding encoding, int vector = 1);
    ~FoldedMatcher();
    FoldedMatcher(const FoldedMatcher&) = delete;
    FoldedMatcher& operator=(const FoldedMatcher&) = delete;

    // Offset of the first / last match that lies wholly in the buffer, or
    // -1; *matched gets its length in bytes.
    int64_t First(const uint8_t* data, size_t length, size_t* matched) const;
    int64_t Last(const uint8_t* data, size_t length, size_t* matched) const;
    // The fewest and the most bytes a match may take (a search across
    // separate buffers keeps MaxLength() - 1 bytes of the one before).
    size_t MinLength() const { return m_n_min_length; }
    size_t MaxLength() const { return m_n_max_length; }
    int Vector() const { return m_b_vector; }

  private:
    // A character of the pattern, by its fold, or a byte that must match as it is.
    struct Element {
        uint32_t m_n_folded;
        int m_b_raw;
    };
    // One scan for the matches whose first character takes forms of one
    // length: its anchors and the fewest bytes of those matches.
    struct Pass {
        anchor_scan::Anchor m_first_anchor;
        anchor_scan::Anchor m_second_anchor;
        size_t m_n_min_length;
    };
    void BuildElements(const uint8_t* pattern, size_t n);
    Pass MakePass(size_t first_length) const;
    // The length of the match that starts at the bytes, 0 for none.
    size_t MatchLength(const uint8_t* at, size_t available) const;
    // The bytes of every form a character may take in the encoding.
    std::vector<std::vector<uint8_t>> Forms(const Element& e) const;

    FoldEncoding m_n_encoding;
    std::unique_ptr<MaskedMatcher> m_p_masked; // ANSI and UTF-7
    std::vector<Element> m_elements;
    size_t m_n_min_length = 0;
    size_t m_n_max_length = 0;
    std::vector<Pass> m_passes;
    int m_b_vector = 0;
};

// Case-insensitive text matching. The single-byte encodings reduce to masked
// patterns (a letter's two cases differ only in bit 0x20). UTF-8 and UTF-16
// are scanned for anchor bytes, each the set of bytes that one pattern
// character's case variants have at a fixed distance from the match's start,
// and every candidate is decoded and compared fold by fold.
#include "tools/folded_pattern.h"

#include "base/utf8.h"
#include "tools/case_fold.h"

#include <algorithm>

namespace {

bool IsAsciiLetter(uint8_t b) {
    return static_cast<uint8_t>((b | 0x20) - 'a') < 26;
}

bool IsBase64(uint8_t b) {
    return IsAsciiLetter(b) || (b >= '0' && b <= '9') || b == '+' || b == '/';
}

// Tests that pass exactly the bytes of the set: two bytes that differ in one
// bit share a test that ignores that bit. More than four tests (no fold has
// that many forms) would pass every byte instead, which only costs speed.
anchor_scan::Anchor MakeAnchor(size_t offset, std::vector<uint8_t> set) {
    anchor_scan::Anchor anchor;
    anchor.m_n_offset = offset;
    anchor.m_n_count = 0;
    std::vector<bool> used(set.size());
    for (size_t i = 0; i < set.size(); ++i) {
        if (used[i])
            continue;
        uint8_t mask = 0xFF;
        for (size_t j = i + 1; j < set.size(); ++j) {
            const unsigned diff = static_cast<unsigned>(set[i] ^ set[j]);
            if (!used[j] && diff != 0 && (diff & (diff - 1)) == 0) {
                mask = static_cast<uint8_t>(~diff);
                used[j] = true;
                break;
            }
        }
        if (anchor.m_n_count == 4) {
            anchor.m_n_count = 1;
            anchor.m_values[0] = anchor.m_masks[0] = 0;
            return anchor;
        }
        anchor.m_values[anchor.m_n_count] = static_cast<uint8_t>(set[i] & mask);
        anchor.m_masks[anchor.m_n_count] = mask;
        ++anchor.m_n_count;
    }
    if (anchor.m_n_count == 0) { // no byte at all: nothing to test
        anchor.m_n_count = 1;
        anchor.m_values[0] = anchor.m_masks[0] = 0;
    }
    return anchor;
}

} // namespace

FoldEncoding FoldEncodingOfCodePage(int32_t code_page) {
    switch (code_page) {
    case -1:
    case 1200:
        return kFoldUtf16Le;
    case 1201:
        return kFoldUtf16Be;
    case 65001:
        return kFoldUtf8;
    case 65000:
        return kFoldUtf7;
    default:
        return kFoldAnsi;
    }
}

MaskedPattern AsciiFoldedPattern(const uint8_t* pattern, size_t n, int utf7) {
    MaskedPattern masked;
    bool shifted = false; // inside a UTF-7 base64 run
    for (size_t i = 0; i < n; ++i) {
        const uint8_t b = pattern[i];
        bool exact = false;
        if (utf7 && shifted) {
            shifted = IsBase64(b); // any other byte ends the run; a '-' ending it is its own
            exact = shifted || b == '-';
        } else if (utf7 && b == '+') {
            shifted = true;
            exact = true;
        }
        const uint8_t mask = !exact && IsAsciiLetter(b) ? 0xDF : 0xFF;
        masked.m_bytes.push_back(static_cast<uint8_t>(b & mask));
        masked.m_mask.push_back(mask);
    }
    return masked;
}

FoldedMatcher::FoldedMatcher(const uint8_t* pattern, size_t n, FoldEncoding encoding, int vector)
    : m_n_encoding(encoding) {
    m_b_vector = vector && anchor_scan::HasSse2() ? 1 : 0;
    if (encoding == kFoldAnsi || encoding == kFoldUtf7) {
        m_p_masked = std::make_unique<MaskedMatcher>(
            AsciiFoldedPattern(pattern, n, encoding == kFoldUtf7), vector);
        m_n_min_length = m_n_max_length = n;
        return;
    }
    BuildElements(pattern, n);
    // A first character whose forms differ in length ("s", LONG S) would
    // leave its own frequent bytes as the only anchor: one pass per length
    // keeps two anchors each, and the passes share every block of the data
    // while it is in the cache.
    if (!m_elements.empty()) {
        std::vector<size_t> lengths;
        for (const std::vector<uint8_t>& form : Forms(m_elements[0]))
            lengths.push_back(form.size());
        std::sort(lengths.begin(), lengths.end());
        lengths.erase(std::unique(lengths.begin(), lengths.end()), lengths.end());
        for (size_t length : lengths)
            m_passes.push_back(MakePass(length));
    }
}

FoldedMatcher::~FoldedMatcher() = default;

void FoldedMatcher::BuildElements(const uint8_t* pattern, size_t n) {
    size_t i = 0;
    while (i < n) {
        uint32_t cp = 0;
        int length = 0;
        if (m_n_encoding == kFoldUtf8) {
            length = DecodeUtf8Sequence(pattern + i, n - i, &cp);
        } else if (i + 2 <= n) {
            cp = m_n_encoding == kFoldUtf16Le ? pattern[i] | pattern[i + 1] << 8
                                              : pattern[i] << 8 | pattern[i + 1];
            length = 2;
        }
        if (length <= 0) {
            m_elements.push_back({pattern[i], 1});
            ++i;
            continue;
        }
        m_elements.push_back({SimpleCaseFold(cp), 0});
        i += static_cast<size_t>(length);
    }
    for (const Element& e : m_elements) {
        size_t fewest = SIZE_MAX, most = 0;
        for (const std::vector<uint8_t>& form : Forms(e)) {
            fewest = std::min(fewest, form.size());
            most = std::max(most, form.size());
        }
        m_n_min_length += fewest;
        m_n_max_length += most;
    }
}

std::vector<std::vector<uint8_t>> FoldedMatcher::Forms(const Element& e) const {
    std::vector<std::vector<uint8_t>> forms;
    if (e.m_b_raw) {
        forms.push_back({static_cast<uint8_t>(e.m_n_folded)});
        return forms;
    }
    uint32_t variants[kMostCaseVariants];
    const int count =
        std::min(CaseVariants(e.m_n_folded, variants, kMostCaseVariants), kMostCaseVariants);
    for (int k = 0; k < count; ++k) {
        const uint32_t v = variants[k];
        if (m_n_encoding == kFoldUtf8) {
            char bytes[4];
            const int length = EncodeUtf8(v, bytes);
            forms.emplace_back(bytes, bytes + length);
        } else if (m_n_encoding == kFoldUtf16Le) {
            forms.push_back({static_cast<uint8_t>(v & 0xFF), static_cast<uint8_t>(v >> 8)});
        } else {
            forms.push_back({static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v & 0xFF)});
        }
    }
    return forms;
}

// Anchors lie where every match of a pass has a known byte set at a known
// distance from its start: in the characters before the first one (after
// the first) whose forms differ in length. Of a character's bytes the one
// that tells most is taken: the low byte of a UTF-16 unit, the last byte of
// a UTF-8 sequence (its lead byte names only the script). The first
// character gives one anchor, the last such character with another set the
// second.
FoldedMatcher::Pass FoldedMatcher::MakePass(size_t first_length) const {
    Pass pass;
    pass.m_n_min_length = 0;
    size_t offset = 0;
    bool fixed = true; // the offset is the same in every match of the pass
    std::vector<uint8_t> first_set;
    for (size_t i = 0; i < m_elements.size(); ++i) {
        std::vector<std::vector<uint8_t>> forms = Forms(m_elements[i]);
        if (i == 0) {
            forms.erase(std::remove_if(forms.begin(), forms.end(),
                                       [&](const std::vector<uint8_t>& form) {
                                           return form.size() != first_length;
                                       }),
                        forms.end());
        }
        size_t fewest = SIZE_MAX;
        for (const std::vector<uint8_t>& form : forms)
            fewest = std::min(fewest, form.size());
        pass.m_n_min_length += fewest;
        if (!fixed)
            continue;
        const size_t length = forms[0].size();
        bool uniform = true;
        for (const std::vector<uint8_t>& form : forms)
            uniform = uniform && form.size() == length;
        size_t index = 0;
        if (m_n_encoding == kFoldUtf16Be && length == 2)
            index = 1;
        else if (m_n_encoding == kFoldUtf8 && uniform)
            index = length - 1;
        std::vector<uint8_t> set;
        for (const std::vector<uint8_t>& form : forms)
            set.push_back(form[index]);
        std::sort(set.begin(), set.end());
        set.erase(std::unique(set.begin(), set.end()), set.end());
        if (i == 0) {
            pass.m_first_anchor = pass.m_second_anchor = MakeAnchor(index, set);
            first_set = set;
        } else if (set != first_set) {
            pass.m_second_anchor = MakeAnchor(offset + index, set);
        }
        fixed = uniform;
        offset += length;
    }
    return pass;
}

size_t FoldedMatcher::MatchLength(const uint8_t* at, size_t available) const {
    size_t offset = 0;
    for (const Element& e : m_elements) {
        if (offset >= available)
            return 0;
        if (e.m_b_raw) {
            if (at[offset] != e.m_n_folded)
                return 0;
            ++offset;
            continue;
        }
        uint32_t cp = at[offset];
        int length = 1;
        if (m_n_encoding == kFoldUtf8) {
            if (cp >= 0x80)
                length = DecodeUtf8Sequence(at + offset, available - offset, &cp);
        } else if (offset + 2 <= available) {
            cp = m_n_encoding == kFoldUtf16Le ? cp | at[offset + 1] << 8 : cp << 8 | at[offset + 1];
            length = 2;
        } else {
            length = 0;
        }
        if (length <= 0 || SimpleCaseFold(cp) != e.m_n_folded)
            return 0;
        offset += static_cast<size_t>(length);
    }
    return offset;
}

namespace {

// Positions are scanned in blocks, every pass over one block before the
// next; a pass after one that found a match stops at it. The blocks grow from
// the first to the largest, so a match near the start costs little however
// many passes there are.
constexpr size_t kFirstBlock = 256;
constexpr size_t kLargestBlock = 1 << 16;

} // namespace

int64_t FoldedMatcher::First(const uint8_t* data, size_t length, size_t* matched) const {
    if (m_p_masked != nullptr) {
        const int64_t p = m_p_masked->First(data, length);
        if (p >= 0 && matched != nullptr)
            *matched = m_p_masked->Size();
        return p;
    }
    if (m_elements.empty() || length < m_n_min_length)
        return -1;
    const size_t positions = length - m_n_min_length + 1;
    size_t block = kFirstBlock;
    for (size_t begin = 0; begin < positions;
         begin += block, block = std::min(2 * block, kLargestBlock)) {
        size_t end = std::min(positions, begin + block);
        int64_t best = -1;
        size_t best_length = 0;
        for (const Pass& pass : m_passes) {
            if (length < pass.m_n_min_length)
                continue;
            const size_t stop = std::min(end, length - pass.m_n_min_length + 1);
            if (stop <= begin)
                continue;
            const uint8_t* base = data + begin;
            size_t found = 0;
            auto check = [&](size_t pos) {
                return (found = MatchLength(base + pos, length - begin - pos)) != 0;
            };
            const int64_t p = anchor_scan::First(base, stop - begin, pass.m_first_anchor,
                                                 pass.m_second_anchor, m_b_vector, check);
            if (p >= 0) { // lower than any before: the later passes stop there
                best = static_cast<int64_t>(begin) + p;
                best_length = found;
                end = static_cast<size_t>(best);
            }
        }
        if (best >= 0) {
            if (matched != nullptr)
                *matched = best_length;
            return best;
        }
    }
    return -1;
}

int64_t FoldedMatcher::Last(const uint8_t* data, size_t length, size_t* matched) const {
    if (m_p_masked != nullptr) {
        const int64_t p = m_p_masked->Last(data, length);
        if (p >= 0 && matched != nullptr)
            *matched = m_p_masked->Size();
        return p;
    }
    if (m_elements.empty() || length < m_n_min_length)
        return -1;
    size_t block = kFirstBlock;
    for (size_t end = length - m_n_min_length + 1; end > 0;) {
        size_t begin = end > block ? end - block : 0;
        const size_t block_begin = begin;
        int64_t best = -1;
        size_t best_length = 0;
        for (const Pass& pass : m_passes) {
            if (length < pass.m_n_min_length)
                continue;
            const size_t stop = std::min(end, length - pass.m_n_min_length + 1);
            if (stop <= begin)
                continue;
            const uint8_t* base = data + begin;
            size_t found = 0;
            auto check = [&](size_t pos) {
                return (found = MatchLength(base + pos, length - begin - pos)) != 0;
            };
            const int64_t p = anchor_scan::Last(base, stop - begin, pass.m_first_anchor,
                                                pass.m_second_anchor, m_b_vector, check);
            if (p >= 0) { // higher than any before: the later passes start after it
                best = static_cast<int64_t>(begin) + p;
                best_length = found;
                begin = static_cast<size_t>(best) + 1;
            }
        }
        if (best >= 0) {
            if (matched != nullptr)
                *matched = best_length;
            return best;
        }
        end = block_begin;
        block = std::min(2 * block, kLargestBlock);
    }
    return -1;
}

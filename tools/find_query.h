// What the user asks the Find dialog for (a hex pattern that may hold
// wildcards, text in an encoding with or without case, or a typed number),
// and the one matcher that answers it, shared by Find next and previous,
// Find all and Replace all.
#pragma once

#include "tools/find.h"
#include "tools/search_matcher.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct FindQuery {
    int m_n_mode = kFindModeHex;
    std::wstring m_sz_text;
    int32_t m_n_code_page = -1; // text: an entry of FindCodePages
    int m_b_match_case = 1;     // text only
    int m_n_value_type = 0;     // value: an inspector integer/float row type
    int m_b_big_endian = 0;     // value
};

// The matcher of a query, or null with *message set to the text to show (an
// empty message for an empty query, which finds nothing and says nothing).
// A hex pattern without wildcards and text with case use the exact scan.
std::unique_ptr<SearchMatcher> MakeQueryMatcher(const FindQuery& query, std::wstring* message);

// The bytes a replacement query stands for: hex digits without wildcards,
// text in the encoding (case as typed), or a value. An empty text gives no
// bytes, which removes what is replaced. 1, or 0 with *message set.
int BuildQueryBytes(const FindQuery& query, std::vector<uint8_t>* bytes, std::wstring* message);

// A Find query turned into its matcher or into plain bytes.
#include "tools/find_query.h"

#include "tools/case_fold.h"
#include "tools/masked_pattern.h"
#include "tools/value_pattern.h"

#include <algorithm>
#include <utility>

namespace {

int Refuse(std::wstring* message, const wchar_t* why) {
    if (message != nullptr)
        *message = why;
    return 0;
}

bool FullyFixed(const MaskedPattern& pattern) {
    return std::all_of(pattern.m_mask.begin(), pattern.m_mask.end(),
                       [](uint8_t m) { return m == 0xFF; });
}

// Text bytes in the query's encoding; empty when the text converts to none.
std::vector<uint8_t> TextBytes(const FindQuery& query) {
    return BuildFindPattern(kFindModeText, query.m_sz_text.c_str(), query.m_n_code_page);
}

} // namespace

std::unique_ptr<SearchMatcher> MakeQueryMatcher(const FindQuery& query, std::wstring* message) {
    if (message != nullptr)
        message->clear();
    if (query.m_sz_text.empty())
        return nullptr;
    switch (query.m_n_mode) {
    case kFindModeHex: {
        MaskedPattern pattern;
        if (!ParseMaskedHex(query.m_sz_text.c_str(), &pattern, message))
            return nullptr;
        if (FullyFixed(pattern))
            return MakeExactMatcher(pattern.m_bytes.data(), pattern.m_bytes.size());
        return MakeMaskedMatcher(std::move(pattern));
    }
    case kFindModeText: {
        const std::vector<uint8_t> bytes = TextBytes(query);
        if (bytes.empty()) {
            Refuse(message, L"The text has no bytes in this code page");
            return nullptr;
        }
        if (query.m_b_match_case)
            return MakeExactMatcher(bytes.data(), bytes.size());
        return MakeFoldedMatcher(bytes.data(), bytes.size(),
                                 FoldEncodingOfCodePage(query.m_n_code_page));
    }
    case kFindModeValue: {
        std::vector<uint8_t> bytes;
        if (!BuildValuePattern(query.m_n_value_type, query.m_sz_text.c_str(), query.m_b_big_endian,
                               &bytes, message))
            return nullptr;
        return MakeExactMatcher(bytes.data(), bytes.size());
    }
    default:
        Refuse(message, L"Choose Hex, Text or Value");
        return nullptr;
    }
}

int BuildQueryBytes(const FindQuery& query, std::vector<uint8_t>* bytes, std::wstring* message) {
    bytes->clear();
    if (message != nullptr)
        message->clear();
    if (query.m_sz_text.empty())
        return 1;
    switch (query.m_n_mode) {
    case kFindModeHex: {
        if (query.m_sz_text.find(L'?') != std::wstring::npos)
            return Refuse(message, L"A replacement cannot hold wildcards");
        MaskedPattern pattern;
        if (!ParseMaskedHex(query.m_sz_text.c_str(), &pattern, message))
            return 0;
        *bytes = std::move(pattern.m_bytes);
        return 1;
    }
    case kFindModeText:
        *bytes = TextBytes(query);
        if (bytes->empty())
            return Refuse(message, L"The text has no bytes in this code page");
        return 1;
    case kFindModeValue:
        return BuildValuePattern(query.m_n_value_type, query.m_sz_text.c_str(),
                                 query.m_b_big_endian, bytes, message);
    default:
        return Refuse(message, L"Choose Hex, Text or Value");
    }
}

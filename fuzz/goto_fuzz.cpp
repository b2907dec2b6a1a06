// Fuzzes the Goto parser, the offset field's filter and the jump decision:
// what the filter keeps parses to the value of the whole text, parsed values
// print and parse back to themselves, and a jump never leaves the document.
#include "tools/goto_parse.h"

#include "fuzz/fuzz_text.h"

#include <cinttypes>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

std::wstring Widen(const char* text) {
    return std::wstring(text, text + std::char_traits<char>::length(text));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const uint8_t flags = static_cast<uint8_t>(FuzzTakeNumber(&data, &size, 1));
    const auto selection = static_cast<int64_t>(FuzzTakeNumber(&data, &size, 8));
    const auto data_size = static_cast<int64_t>(FuzzTakeNumber(&data, &size, 8) >> 1);
    const std::wstring text = FuzzWideText(data, size);

    // The filter keeps a prefix that reads as the whole text does.
    const GotoFilterResult filter = FilterGotoInput(text.c_str());
    if (filter.m_n_cut > text.size() ||
        filter.m_b_hex != (text.size() >= 2 && text[0] == L'0' && (text[1] | 0x20) == L'x'))
        std::abort();
    const std::wstring kept = text.substr(0, filter.m_n_cut);
    int64_t whole = 0;
    int64_t prefix = 0;
    const int whole_ok = ParseInt64(text.c_str(), filter.m_b_hex, &whole);
    const int prefix_ok = ParseInt64(kept.c_str(), filter.m_b_hex, &prefix);
    if (filter.m_n_cut > (filter.m_b_hex ? 2u : 0u) && (!whole_ok || !prefix_ok || whole != prefix))
        std::abort();

    // Parsed values print and parse back, in decimal and in hex.
    for (int hex = 0; hex < 2; ++hex) {
        int64_t value = 0;
        if (!ParseInt64(text.c_str(), hex, &value))
            continue;
        char printed[32];
        if (hex)
            std::snprintf(printed, sizeof printed, "0x%" PRIX64, static_cast<uint64_t>(value));
        else
            std::snprintf(printed, sizeof printed, "%" PRId64, value);
        int64_t back = 0;
        if (!ParseInt64(Widen(printed).c_str(), hex, &back) || back != value)
            std::abort();
    }

    // A jump lands inside the document or nowhere; from the beginning it goes
    // to the number itself.
    const int hex_checked = flags & 1;
    const int from_beginning = (flags >> 1) & 1;
    const int button = (flags & 4) ? kGotoPrevious : kGotoNext;
    const int64_t target =
        GotoTarget(text.c_str(), hex_checked, from_beginning, button, selection, data_size);
    if (target != -1 && (target < 0 || target >= data_size))
        std::abort();
    int64_t value = 0;
    if (from_beginning && ParseInt64(text.c_str(), hex_checked, &value) && value >= 0 &&
        value < data_size && target != value)
        std::abort();
    return 0;
}

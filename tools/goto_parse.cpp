// Goto parsing and decisions.
#include "tools/goto_parse.h"

#include "base/format_text.h"
#include "data/document.h"
#include "view/selection.h"

#include <cwchar>

namespace {

int DigitValue(wchar_t ch, int base) {
    int v = -1;
    if (ch >= L'0' && ch <= L'9')
        v = ch - L'0';
    else if (ch >= L'a' && ch <= L'f')
        v = ch - L'a' + 10;
    else if (ch >= L'A' && ch <= L'F')
        v = ch - L'A' + 10;
    return v >= 0 && v < base ? v : -1;
}

} // namespace

int ParseInt64(const wchar_t* text, int allow_hex, int64_t* value) {
    if (text == nullptr)
        return 0;
    const wchar_t* p = text;
    while (*p == L' ' || *p == L'\t')
        ++p;
    bool negative = false;
    if (*p == L'-' || *p == L'+') {
        negative = *p == L'-';
        ++p;
    }
    int base = 10;
    if (allow_hex && p[0] == L'0' && (p[1] == L'x' || p[1] == L'X')) {
        base = 16;
        p += 2;
    }
    // Digits accumulate modulo 2^64, so sixteen hex digits give every bit
    // pattern (0xFFFFFFFFFFFFFFFF is -1), as the platform parser does.
    uint64_t accumulated = 0;
    int digits = 0;
    for (int v; (v = DigitValue(*p, base)) >= 0; ++p, ++digits)
        accumulated = accumulated * static_cast<uint64_t>(base) + static_cast<uint64_t>(v);
    if (digits == 0)
        return 0;
    if (negative)
        accumulated = 0 - accumulated;
    *value = static_cast<int64_t>(accumulated);
    return 1;
}

GotoFilterResult FilterGotoInput(const wchar_t* text) {
    GotoFilterResult result = {0, 0};
    if (text == nullptr || text[0] == 0)
        return result;
    const size_t length = std::wcslen(text);
    result.m_b_hex = length >= 2 && text[0] == L'0' && (text[1] == L'x' || text[1] == L'X');
    size_t i = result.m_b_hex ? 2 : 0;
    const int base = result.m_b_hex ? 16 : 10;
    while (i < length && DigitValue(text[i], base) >= 0)
        ++i;
    result.m_n_cut = i;
    return result;
}

int64_t GotoTarget(const wchar_t* text, int hex_checked, int from_beginning, int button,
                   int64_t selection_start, int64_t data_size) {
    int64_t value = -1;
    if (!ParseInt64(text, hex_checked, &value) || value == -1)
        return -1;
    int64_t target = value;
    if (!from_beginning) {
        // Offsets wrap as the platform's 64-bit arithmetic does; the range
        // check below refuses whatever lands outside the document.
        const auto base = static_cast<uint64_t>(selection_start);
        const auto delta = static_cast<uint64_t>(value);
        target = static_cast<int64_t>(button == kGotoPrevious ? base - delta : base + delta);
    }
    if (target < 0 || target > data_size - 1)
        return -1;
    return target;
}

std::wstring GotoMissText(const wchar_t* text, int hex_checked, int from_beginning, int button,
                          int64_t selection_start, int64_t data_size) {
    int64_t value = -1;
    if (!ParseInt64(text, hex_checked, &value) || value == -1 ||
        GotoTarget(text, hex_checked, from_beginning, button, selection_start, data_size) >= 0)
        return std::wstring();
    if (data_size <= 0)
        return L"The document has no bytes: nothing moved";
    // A step back past the first byte, or a negative value from the beginning.
    const bool before = from_beginning ? value < 0 : button == kGotoPrevious;
    if (before)
        return L"Before the first byte: nothing moved";
    return FormatText(L"Past the end (the last offset is 0x%I64X): nothing moved", data_size - 1);
}

int GotoOffsetValue(CallBackInfo* doc, ViewState* state, const wchar_t* text, int hex_checked,
                    int from_beginning, int button) {
    if (doc == nullptr)
        return 0;
    const int64_t target = GotoTarget(text, hex_checked, from_beginning, button,
                                      SelectionStart(doc), doc->m_n_data_size);
    if (target < 0)
        return 0;
    ScrollIntoView(doc, state, target);
    GoToOffset(doc, target);
    return 1;
}

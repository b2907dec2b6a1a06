// Goto: the number parser (the platform's StrToInt64ExW rules), the input
// filter of the offset field and the jump decision, free of any window.
#pragma once

#include "view/view_state.h"

#include <cstdint>
#include <string>

// Parses text as a signed 64-bit number: optional leading spaces and tabs, an
// optional sign, then decimal digits, or with hex allowed "0x"/"0X" and hex
// digits; parsing stops at the first other character. 1 and *value on
// success; 0 when no digit was read ("0x" alone included).
int ParseInt64(const wchar_t* text, int allow_hex, int64_t* value);

// The field's filter: whether the text counts as hexadecimal (it starts with
// "0x" in any case) and the text cut at its first character that does not fit.
struct GotoFilterResult {
    int m_b_hex;
    size_t m_n_cut; // length to keep; equal to the text's length when nothing is cut
};
GotoFilterResult FilterGotoInput(const wchar_t* text);

enum : int { kGotoPrevious = 1011, kGotoNext = 1012 };

// The offset a jump goes to, or -1 when nothing happens: text parsed as hex
// when hex_checked, from the beginning or relative to the selection start.
int64_t GotoTarget(const wchar_t* text, int hex_checked, int from_beginning, int button,
                   int64_t selection_start, int64_t data_size);
// Why a jump with a value lands outside the document, as the dialog says it;
// empty when the jump lands inside or there is no value to jump by.
std::wstring GotoMissText(const wchar_t* text, int hex_checked, int from_beginning, int button,
                          int64_t selection_start, int64_t data_size);
// One jump on the document (scroll into view, go to offset); 1 when it moved.
int GotoOffsetValue(CallBackInfo* doc, ViewState* state, const wchar_t* text, int hex_checked,
                    int from_beginning, int button);

// Colour items and swatches, size reading, and OK's save and apply.
#include "settings/preference_rules.h"

#include "base/messages.h"
#include "settings/settings_file.h"

const wchar_t* const kColorItemNames[kColorItemCount] = {
    L"Background",    L"Line Number", L"Header",           L"Hex Text", L"Selected Text",
    L"Modified Text", L"Caret",       L"Selection Marker", L"Bookmark",
};

namespace {

struct SwatchKeys {
    const wchar_t* m_sz_fg_key;
    ColorRef ItemColors::*m_p_fg;
    const wchar_t* m_sz_bk_key;
    ColorRef ItemColors::*m_p_bk;
};

// The colour keys behind the two swatches of each item, in list order; a
// swatch without a key is disabled.
const SwatchKeys kSwatchKeys[kColorItemCount] = {
    {nullptr, nullptr, L"color_background_fg", &ItemColors::color_background_fg},
    {L"color_line_number_fg", &ItemColors::color_line_number_fg, L"color_line_number_bk",
     &ItemColors::color_line_number_bk},
    {L"color_header_fg", &ItemColors::color_header_fg, L"color_header_bk",
     &ItemColors::color_header_bk},
    {L"color_hex_text_fg", &ItemColors::color_hex_text_fg, L"color_hex_text_bk",
     &ItemColors::color_hex_text_bk},
    {L"color_selected_text_fg", &ItemColors::color_selected_text_fg, L"color_selected_text_bk",
     &ItemColors::color_selected_text_bk},
    {L"color_modified_text_fg", &ItemColors::color_modified_text_fg, L"color_modified_text_bk",
     &ItemColors::color_modified_text_bk},
    {L"color_caret_fg", &ItemColors::color_caret_fg, nullptr, nullptr},
    {nullptr, nullptr, L"color_selection_marker_bk", &ItemColors::color_selection_marker_bk},
    {nullptr, nullptr, L"color_bookmark_bk", &ItemColors::color_bookmark_bk},
};

bool ValidItem(int item) {
    return item >= 0 && item < kColorItemCount;
}

} // namespace

SwatchState SwatchForItem(int item, const ItemColors& colors) {
    SwatchState state = {0, 0, 0};
    if (!ValidItem(item)) {
        return state;
    }
    const SwatchKeys& keys = kSwatchKeys[item];
    if (keys.m_p_fg) {
        state.m_n_mask |= kSwatchForeground;
        state.m_cr_fg = colors.*keys.m_p_fg;
    }
    if (keys.m_p_bk) {
        state.m_n_mask |= kSwatchBackground;
        state.m_cr_bk = colors.*keys.m_p_bk;
    }
    return state;
}

ColorRef ItemColors::*SwatchMember(int item, int background) {
    if (!ValidItem(item)) {
        return nullptr;
    }
    return background ? kSwatchKeys[item].m_p_bk : kSwatchKeys[item].m_p_fg;
}

const wchar_t* SwatchKey(int item, int background) {
    if (!ValidItem(item)) {
        return nullptr;
    }
    return background ? kSwatchKeys[item].m_sz_bk_key : kSwatchKeys[item].m_sz_fg_key;
}

uint32_t ParseSizeText(const wchar_t* text) {
    if (!text) {
        return 0;
    }
    while (*text == L' ' || *text == L'\t') {
        ++text;
    }
    uint64_t value = 0;
    for (; *text >= L'0' && *text <= L'9'; ++text) {
        value = value * 10 + static_cast<uint64_t>(*text - L'0');
        if (value > UINT32_MAX) {
            return UINT32_MAX;
        }
    }
    return static_cast<uint32_t>(value);
}

int SampleSize(uint32_t size) {
    if (size < static_cast<uint32_t>(kMinFontSize)) {
        return kMinFontSize;
    }
    // Sizes beyond what a font height can hold gain nothing; keep them signed.
    return size > 0x7FFFu ? 0x7FFF : static_cast<int>(size);
}

int StoredSize(uint32_t size) {
    if (size < static_cast<uint32_t>(kMinFontSize)) {
        return kMinFontSize;
    }
    return size > static_cast<uint32_t>(kMaxFontSize) ? kMaxFontSize : static_cast<int>(size);
}

int CommitPreferences(CallBackInfo* doc, ViewState* state, const wchar_t* face,
                      const wchar_t* style, const wchar_t* size_text) {
    const int size = StoredSize(ParseSizeText(size_text));
    if (!SaveItemAttributes(face, style, size)) {
        ShowMessage(L"Failed to write settings file %s\n", g_sz_settings_path);
        return 0;
    }
    ApplyPreferences(doc, state, face && face[0] ? face : L"Courier New", style, size);
    return 1;
}

// Item attributes: font and colours between the settings file, ItemColors and
// the hex view, and the font zoom.
#include "settings/item_attributes.h"

#include "settings/settings_file.h"
#include "view/geometry.h"
#include "view/selection.h"
#include "view/view_state.h"

#include <string>

ItemColors g_item_colors = {};

namespace {

const wchar_t kSection[] = L"item_attributes";
const wchar_t kDefaultFace[] = L"Courier New";
const wchar_t kDefaultStyle[] = L"Italic";
constexpr int kDefaultSize = 12;

struct ColorKey {
    const wchar_t* m_sz_key;
    ColorRef ItemColors::*m_p_member;
};

// The order in which the colours are read and written.
const ColorKey kColorKeys[15] = {
    {L"color_line_number_fg", &ItemColors::color_line_number_fg},
    {L"color_header_fg", &ItemColors::color_header_fg},
    {L"color_hex_text_fg", &ItemColors::color_hex_text_fg},
    {L"color_selected_text_fg", &ItemColors::color_selected_text_fg},
    {L"color_modified_text_fg", &ItemColors::color_modified_text_fg},
    {L"color_caret_fg", &ItemColors::color_caret_fg},
    {L"color_selection_marker_fg", &ItemColors::color_selection_marker_fg},
    {L"color_background_fg", &ItemColors::color_background_fg},
    {L"color_line_number_bk", &ItemColors::color_line_number_bk},
    {L"color_header_bk", &ItemColors::color_header_bk},
    {L"color_hex_text_bk", &ItemColors::color_hex_text_bk},
    {L"color_selected_text_bk", &ItemColors::color_selected_text_bk},
    {L"color_modified_text_bk", &ItemColors::color_modified_text_bk},
    {L"color_selection_marker_bk", &ItemColors::color_selection_marker_bk},
    {L"color_bookmark_bk", &ItemColors::color_bookmark_bk},
};

// The colour record of the eleven view colours (mask 0x7FF0).
ViewOptions ColorRecord(const ItemColors& colors) {
    ViewOptions options = {};
    options.m_n_mask = 0x7FF0;
    options.m_cr_hex_fg = static_cast<int32_t>(colors.color_hex_text_fg);
    options.m_cr_hex_bk = static_cast<int32_t>(colors.color_hex_text_bk);
    options.m_cr_sel_fg = static_cast<int32_t>(colors.color_selected_text_fg);
    options.m_cr_sel_bk = static_cast<int32_t>(colors.color_selected_text_bk);
    options.m_cr_header_fg = static_cast<int32_t>(colors.color_header_fg);
    options.m_cr_header_bk = static_cast<int32_t>(colors.color_header_bk);
    options.m_cr_line_number_fg = static_cast<int32_t>(colors.color_line_number_fg);
    options.m_cr_line_number_bk = static_cast<int32_t>(colors.color_line_number_bk);
    options.m_cr_marker_bk = static_cast<int32_t>(colors.color_selection_marker_bk);
    options.m_cr_modified_fg = static_cast<int32_t>(colors.color_modified_text_fg);
    options.m_cr_modified_bk = static_cast<int32_t>(colors.color_modified_text_bk);
    return options;
}

int ClampSize(int size) {
    return size < kMinFontSize ? kMinFontSize : (size > kMaxFontSize ? kMaxFontSize : size);
}

} // namespace

void ResetItemColors() {
    g_item_colors.color_background_fg = 0;
    g_item_colors.color_line_number_fg = 32896;
    g_item_colors.color_line_number_bk = 0;
    g_item_colors.color_header_fg = 65280;
    g_item_colors.color_header_bk = 0;
    g_item_colors.color_hex_text_fg = 4227327;
    g_item_colors.color_hex_text_bk = 0;
    g_item_colors.color_selected_text_fg = 16776960;
    g_item_colors.color_selected_text_bk = 0;
    g_item_colors.color_modified_text_fg = 12615680;
    g_item_colors.color_modified_text_bk = 0;
    g_item_colors.color_caret_fg = 65408;
    g_item_colors.color_selection_marker_fg = 16776960;
    g_item_colors.color_selection_marker_bk = 32768;
    // A muted blue: readable under the default orange text on the black view.
    g_item_colors.color_bookmark_bk = 0x5A3A1E;
}

void ReadFontSettings(wchar_t* face, uint32_t face_capacity, wchar_t* style,
                      uint32_t style_capacity, int* size) {
    ReadProfileString(kSection, L"font_name", kDefaultFace, face, face_capacity);
    ReadProfileString(kSection, L"font_style", kDefaultStyle, style, style_capacity);
    *size = static_cast<int>(ReadProfileInt(kSection, L"font_size", kDefaultSize));
}

void ReadItemColors() {
    for (const ColorKey& key : kColorKeys) {
        ColorRef& color = g_item_colors.*key.m_p_member;
        color = ReadProfileInt(kSection, key.m_sz_key, static_cast<int32_t>(color));
    }
}

int LoadItemAttributes(CallBackInfo* doc, ViewState* state) {
    wchar_t face[32];
    wchar_t style[64];
    int size = 0;
    ReadFontSettings(face, 32, style, 64, &size);
    ReadItemColors();
    return ApplyPreferences(doc, state, face, style, size);
}

int ApplyPreferences(CallBackInfo* doc, ViewState* state, const wchar_t* face, const wchar_t* style,
                     int size) {
    if (state) {
        state->m_cr_background = g_item_colors.color_background_fg;
    }
    // The colours reach a document only; without one, the font alone is made.
    const ViewOptions options = ColorRecord(g_item_colors);
    const int created = ApplyFont(doc, state, face, style, size, &options);
    if (state) {
        state->m_cr_caret = g_item_colors.color_caret_fg;
        state->m_cr_bookmark_bk = g_item_colors.color_bookmark_bk;
    }
    return created;
}

int SaveItemAttributes(const wchar_t* face, const wchar_t* style, int size) {
    // One replacement of the file: a failure leaves none of the keys written.
    CSettingsBatch batch;
    batch.Set(kSection, L"font_name", face && face[0] ? face : kDefaultFace);
    batch.Set(kSection, L"font_style", style ? style : L"");
    batch.SetInt(kSection, L"font_size", ClampSize(size));
    for (const ColorKey& key : kColorKeys) {
        batch.SetInt(kSection, key.m_sz_key, static_cast<int32_t>(g_item_colors.*key.m_p_member));
    }
    return batch.Commit();
}

namespace {

// Re-creates the view font from the stored face, style and size, one size
// larger (step 1), smaller (-1) or the same (0); a changed size is stored.
// The edit-mode caret is made again for the new line height. 1 when created.
int RecreateFont(CallBackInfo* doc, ViewState* state, int step) {
    // A file that is there but cannot be read now says nothing of the size;
    // stepping from the default would jump the view and the step could not
    // be stored, so the view stays as it is.
    if (!CSettingsBatch().Readable()) {
        return 0;
    }
    DestroyViewCaret();
    wchar_t face[32];
    wchar_t style[64];
    int size = 0;
    ReadFontSettings(face, 32, style, 64, &size);
    // A hand-edited size is first brought into 1..200 (no font has a size
    // below 1, none beyond the editors' limit) so the step cannot overflow;
    // the step then bounds the size only in its own direction, so 3 grows to 4.
    if (step != 0) {
        size = size < 1 ? kMinFontSize : (size > kMaxFontSize ? kMaxFontSize : size);
    }
    if (step > 0) {
        size = size + 1 > kMaxFontSize ? kMaxFontSize : size + 1;
    } else if (step < 0) {
        size = size - 1 < kMinFontSize ? kMinFontSize : size - 1;
    }
    const int created = ApplyFont(doc, state, face, style, size, nullptr);
    if (created && step != 0) {
        WriteProfileInt(kSection, L"font_size", size);
    }
    if (state && state->m_b_edit_mode) {
        CreateViewCaret(doc, state);
    }
    return created;
}

} // namespace

int ZoomFont(CallBackInfo* doc, ViewState* state, int larger) {
    return RecreateFont(doc, state, larger ? 1 : -1);
}

int ApplyFontStep(CallBackInfo* doc, ViewState* state, int step) {
    return RecreateFont(doc, state, step > 0 ? 1 : step < 0 ? -1 : 0);
}

int RefreshFont(CallBackInfo* doc, ViewState* state) {
    return RecreateFont(doc, state, 0);
}

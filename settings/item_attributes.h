// Item attributes: the view font and the fifteen display colours kept in the
// "item_attributes" section, their in-memory copy and the font zoom.
#pragma once

#include "data/document.h"
#include "settings/settings_file.h"
#include "view/view_state.h"

#include <cstdint>

// The program's current colours, one per colour key of the settings file.
struct ItemColors {
    ColorRef color_background_fg;
    ColorRef color_line_number_fg;
    ColorRef color_line_number_bk;
    ColorRef color_header_fg;
    ColorRef color_header_bk;
    ColorRef color_hex_text_fg;
    ColorRef color_hex_text_bk;
    ColorRef color_selected_text_fg;
    ColorRef color_selected_text_bk;
    ColorRef color_modified_text_fg;
    ColorRef color_modified_text_bk;
    ColorRef color_caret_fg;
    ColorRef color_selection_marker_fg;
    ColorRef color_selection_marker_bk;
    ColorRef color_bookmark_bk;
};

extern ItemColors g_item_colors;

constexpr int kMinFontSize = 6;
constexpr int kMaxFontSize = 200;

// Puts the built-in default colours into g_item_colors.
void ResetItemColors();
// Reads the fifteen colour keys into g_item_colors, each with its current
// value as the default.
void ReadItemColors();
// Reads font and colours, hands them to the view of doc (null: none open);
// 1 when the font was created.
int LoadItemAttributes(CallBackInfo* doc, ViewState* state);
// Hands face, style and size with the colours of g_item_colors to the view:
// background and caret colours into the view state, the font with the eleven
// view colours. 1 when the font was created.
int ApplyPreferences(CallBackInfo* doc, ViewState* state, const wchar_t* face, const wchar_t* style,
                     int size);
// Writes font_name (empty -> "Courier New"), font_style, font_size (clamped
// 6..200) and the fifteen colours in one replacement of the file; 1 when
// written, 0 when the file is left as it was.
int SaveItemAttributes(const wchar_t* face, const wchar_t* style, int size);
// One zoom step of the view font; 1 when the font was created. A settings
// file that exists but cannot be read leaves the view as it is (0).
int ZoomFont(CallBackInfo* doc, ViewState* state, int larger);
// The view font made again at its stored size, for a canvas whose pixels per
// inch changed (the window moved to a monitor of another scale); nothing is
// written. 1 when the font was created.
int RefreshFont(CallBackInfo* doc, ViewState* state);
// A font step the view asked for: one size larger (step > 0), one smaller
// (step < 0), or the same size made anew (0); the result of the call made.
int ApplyFontStep(CallBackInfo* doc, ViewState* state, int step);
// WriteProfileInt (signed decimal text) is declared in settings_file.h.

// Reads the three font keys with their defaults (face capacity 32).
void ReadFontSettings(wchar_t* face, uint32_t face_capacity, wchar_t* style,
                      uint32_t style_capacity, int* size);

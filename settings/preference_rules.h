// The rules of the preferences dialog that need no window: the colour items
// and their swatches, the size field's reading, and OK's save and apply.
#pragma once

#include "settings/item_attributes.h"

#include <cstdint>

// The colour items of the Fonts and Colors page, in list order.
constexpr int kColorItemCount = 9;
extern const wchar_t* const kColorItemNames[kColorItemCount];

constexpr uint32_t kSwatchForeground = 0x01;
constexpr uint32_t kSwatchBackground = 0x10;

// Which swatches show a colour and which colours they show.
struct SwatchState {
    uint32_t m_n_mask;
    ColorRef m_cr_fg;
    ColorRef m_cr_bk;
};

// The swatch state right after item `item` (0..8) is selected; mask 0 for an
// index out of range.
SwatchState SwatchForItem(int item, const ItemColors& colors);
// The colour member behind one swatch of an item, or null when that swatch has
// no colour key (it is disabled).
ColorRef ItemColors::*SwatchMember(int item, int background);
// The settings key behind one swatch of an item, or null.
const wchar_t* SwatchKey(int item, int background);

// Reads a size text as unsigned leading digits (blanks first are skipped);
// text that is not a number is 0, a number too big for 32 bits saturates.
uint32_t ParseSizeText(const wchar_t* text);
// Size the sample uses: below 6 becomes 6, no upper limit.
int SampleSize(uint32_t size);
// Size OK stores and applies: clamped to 6..200.
int StoredSize(uint32_t size);

// OK of the dialog: writes the font (size text read and clamped) and the
// colours, then applies them. When the settings file cannot be written a
// message names it and the view keeps its font and colours; 0 then.
int CommitPreferences(CallBackInfo* doc, ViewState* state, const wchar_t* face,
                      const wchar_t* style, const wchar_t* size_text);

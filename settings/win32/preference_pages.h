// The two child pages of the preferences dialog and what the frame asks of
// them.
#pragma once

#include <windows.h>

// Create the pages as hidden child dialogs of the frame; null on failure.
// Each page destroys itself on WM_CLOSE.
HWND CreateKeyboardPage(HWND frame);
HWND CreateFontsPage(HWND frame);

// The Fonts and Colors page's choice as OK reads it: the selected face and
// style texts and the size field's text.
struct FontChoice {
    wchar_t m_sz_face[32];
    wchar_t m_sz_style[32];
    wchar_t m_sz_size[16];
};
void ReadFontChoice(HWND fonts_page, FontChoice* choice);

// A white line at y with a grey one just above it, from left to right, drawn
// with the DC pen; the pen and its colour are restored.
void DrawPageRule(HDC dc, int left, int right, int y);
// Paints a page: the rule along its bottom edge, from the left edge of one
// control to the right edge of another.
void PaintPageRule(HWND page, int left_control, int right_control);

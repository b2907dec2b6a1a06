// The back bitmap of the memory DC: replaced whole, never resized in place.
#include "view/win32/back_bitmap.h"

#include "view/view_state.h"

#include <windows.h>

namespace {

int32_t Larger(int32_t a, int32_t b) {
    return a > b ? a : b;
}

} // namespace

int ReplaceBackBitmap(ViewState* state, int32_t width, int32_t height) {
    if (!state || !state->m_h_memory_dc || width <= 0 || height <= 0) {
        return 0;
    }
    HDC screen = GetDC(nullptr);
    if (!screen) {
        return 0;
    }
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    ReleaseDC(nullptr, screen);
    if (!bitmap) {
        return 0;
    }
    SelectObject(static_cast<HDC>(state->m_h_memory_dc), bitmap);
    if (state->m_h_back_bitmap) {
        DeleteObject(static_cast<HBITMAP>(state->m_h_back_bitmap));
    }
    state->m_h_back_bitmap = bitmap;
    return 1;
}

int FitBackBitmap(ViewState* state, int32_t width, int32_t height) {
    if (!state || !state->m_h_memory_dc) {
        return 0;
    }
    BITMAP current = {};
    if (state->m_h_back_bitmap &&
        GetObjectW(static_cast<HBITMAP>(state->m_h_back_bitmap), sizeof(current), &current)) {
        if (current.bmWidth >= width && current.bmHeight >= height) {
            return 1;
        }
    }
    // Grown in both directions at once, never shrunk: views come back to
    // sizes they had before.
    return ReplaceBackBitmap(state, Larger(width, current.bmWidth),
                             Larger(height, current.bmHeight));
}

int RemakeBackBitmapForDisplay(ViewState* state, int32_t screen_width, int32_t screen_height,
                               int32_t min_width, int32_t min_height) {
    return ReplaceBackBitmap(state, Larger(screen_width, min_width),
                             Larger(screen_height, min_height));
}

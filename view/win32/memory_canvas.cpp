// The memory DC of ViewState with its back bitmap and the initial
// view font; the caret size of that font.
#include "view/memory_canvas.h"

#include "view/geometry.h"
#include "view/selection.h"
#include "view/view_state.h"
#include "view/win32/back_bitmap.h"
#include "view/win32/hex_view_control.h"
#include "view/win32/gdi_canvas.h"

#include <windows.h>

namespace {

void* CreateDefaultFont() {
    LOGFONTW font = {};
    font.lfWeight = FW_NORMAL;
    lstrcpynW(font.lfFaceName, L"Courier New", LF_FACESIZE);
    return CreateFontIndirectW(&font);
}

} // namespace

int CreateMemoryCanvas(ViewState* state) {
    if (!state || state->m_h_memory_dc) {
        return 0;
    }
    HDC screen = GetDC(nullptr);
    if (!screen) {
        return 0;
    }
    HDC memory = CreateCompatibleDC(screen);
    ReleaseDC(nullptr, screen);
    if (!memory) {
        return 0;
    }
    state->m_h_memory_dc = memory;
    // The screen's size to begin with; a larger view grows it when it paints.
    if (!ReplaceBackBitmap(state, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN))) {
        // Without a drawing surface the view paints nothing; the program goes on.
        DeleteDC(memory);
        state->m_h_memory_dc = nullptr;
        return 0;
    }
    state->m_h_font = CreateDefaultFont();
    if (state->m_h_font) {
        SelectObject(memory, static_cast<HFONT>(state->m_h_font));
    }
    GdiCanvas canvas(memory);
    SetCaretSize(TextWidth(&canvas, L"7A") / 2, LineHeight(&canvas));
    return 1;
}

void ReleaseMemoryCanvas(ViewState* state) {
    if (!state) {
        return;
    }
    // The host must not reach a state that is going away.
    UnbindViewHostState(state);
    // Deleting the DC first releases the objects selected into it.
    if (state->m_h_memory_dc) {
        DeleteDC(static_cast<HDC>(state->m_h_memory_dc));
        state->m_h_memory_dc = nullptr;
    }
    if (state->m_h_back_bitmap) {
        DeleteObject(static_cast<HBITMAP>(state->m_h_back_bitmap));
        state->m_h_back_bitmap = nullptr;
    }
    if (state->m_h_font) {
        DeleteObject(static_cast<HFONT>(state->m_h_font));
        state->m_h_font = nullptr;
    }
}

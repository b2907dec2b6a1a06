// CSamplePreview: the sample static of the Fonts and Colors page, drawn from
// a memory DC through the view's GDI canvas, with an XOR caret bitmap.
#pragma once

#include "settings/sample_preview.h"
#include "view/win32/caret_bitmap.h"
#include "view/win32/gdi_canvas.h"

#include <windows.h>

#include <cstdint>

class CSamplePreview {
  public:
    CSamplePreview() = default;
    ~CSamplePreview() { Release(); }
    CSamplePreview(const CSamplePreview&) = delete;
    CSamplePreview& operator=(const CSamplePreview&) = delete;

    // Takes over the static's window procedure and makes the memory DC and
    // a bitmap of the static's client size; 1, or 0 with nothing held.
    int Attach(HWND sample);
    // Gives the window procedure back and frees font, bitmaps and DC.
    void Release();
    // New attributes: new font, metrics and caret, then a repaint. With
    // take_focus the sample takes the keyboard focus and shows its caret;
    // without, the focus (e.g. in the size field being typed in) stays.
    void Refresh(const wchar_t* face, const wchar_t* style, int size, const ItemColors& colors,
                 int take_focus);

    const SampleModel& Model() const { return m_model; }

  private:
    static LRESULT CALLBACK SampleProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam,
                                       UINT_PTR id, DWORD_PTR data);
    void Paint();
    void DestroySampleCaret();
    void CreateSampleCaret();

    HWND m_h_sample = nullptr;
    HDC m_h_memory_dc = nullptr;
    HBITMAP m_h_bitmap = nullptr;
    HGDIOBJ m_h_old_bitmap = nullptr;
    CaretBitmap m_caret_bitmap;
    int m_b_caret = 0; // this window made the thread's caret
    int32_t m_n_width = 0;
    int32_t m_n_height = 0;
    GdiCanvas m_canvas;
    SampleModel m_model;
};

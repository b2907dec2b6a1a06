// The sample static: memory DC, bitmap, GDI canvas and the XOR caret.
#include "settings/win32/sample_window.h"

#include <commctrl.h>

namespace {

constexpr UINT_PTR kSampleSubclass = 1;

} // namespace

int CSamplePreview::Attach(HWND sample) {
    Release();
    if (!sample) {
        return 0;
    }
    RECT client = {};
    GetClientRect(sample, &client);
    HDC window_dc = GetDC(sample);
    if (!window_dc) {
        return 0;
    }
    m_h_memory_dc = CreateCompatibleDC(window_dc);
    m_n_width = client.right - client.left;
    m_n_height = client.bottom - client.top;
    m_h_bitmap = m_h_memory_dc ? CreateCompatibleBitmap(window_dc, m_n_width, m_n_height) : nullptr;
    ReleaseDC(sample, window_dc);
    if (!m_h_bitmap || !SetWindowSubclass(sample, SampleProc, kSampleSubclass,
                                          reinterpret_cast<DWORD_PTR>(this))) {
        Release();
        return 0;
    }
    m_h_old_bitmap = SelectObject(m_h_memory_dc, m_h_bitmap);
    m_canvas.Bind(m_h_memory_dc);
    // The sample is sized for the monitor the dialog is on, as the view is.
    m_canvas.SetScaleWindow(sample);
    m_h_sample = sample;
    return 1;
}

void CSamplePreview::Release() {
    DestroySampleCaret();
    if (m_h_sample) {
        RemoveWindowSubclass(m_h_sample, SampleProc, kSampleSubclass);
        m_h_sample = nullptr;
    }
    if (m_h_memory_dc) {
        m_model.Release(&m_canvas);
        if (m_h_old_bitmap) {
            SelectObject(m_h_memory_dc, m_h_old_bitmap);
        }
        m_canvas.Bind(nullptr);
        m_canvas.SetScaleWindow(nullptr);
        DeleteDC(m_h_memory_dc);
        m_h_memory_dc = nullptr;
    }
    m_h_old_bitmap = nullptr;
    if (m_h_bitmap) {
        DeleteObject(m_h_bitmap);
        m_h_bitmap = nullptr;
    }
}

void CSamplePreview::DestroySampleCaret() {
    if (m_b_caret) {
        DestroyCaret();
        m_b_caret = 0;
    }
    m_caret_bitmap.Release();
}

void CSamplePreview::CreateSampleCaret() {
    const SampleCaret caret = m_model.Caret();
    if (caret.m_n_width <= 0 || caret.m_n_height <= 0) {
        return;
    }
    HBITMAP bitmap = m_caret_bitmap.Make(caret.m_n_width, caret.m_n_height, caret.m_cr_pixel);
    if (bitmap && CreateCaret(m_h_sample, bitmap, 0, 0)) {
        m_b_caret = 1;
        SetCaretPos(caret.m_n_x, caret.m_n_y);
        ShowCaret(m_h_sample);
    }
}

void CSamplePreview::Refresh(const wchar_t* face, const wchar_t* style, int size,
                             const ItemColors& colors, int take_focus) {
    if (!m_h_sample) {
        return;
    }
    if (take_focus) {
        SetFocus(m_h_sample);
    }
    DestroySampleCaret();
    m_model.SetAttributes(&m_canvas, face, style, size, colors);
    if (take_focus) {
        CreateSampleCaret();
    }
    InvalidateRect(m_h_sample, nullptr, FALSE);
}

void CSamplePreview::Paint() {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(m_h_sample, &paint);
    if (dc) {
        m_model.Paint(&m_canvas, m_n_width, m_n_height);
        BitBlt(dc, 0, 0, m_n_width, m_n_height, m_h_memory_dc, 0, 0, SRCCOPY);
        EndPaint(m_h_sample, &paint);
    }
}

LRESULT CALLBACK CSamplePreview::SampleProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam,
                                            UINT_PTR, DWORD_PTR data) {
    CSamplePreview* self = reinterpret_cast<CSamplePreview*>(data);
    switch (message) {
    case WM_PAINT:
        self->Paint();
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_KILLFOCUS:
        // The caret belongs to the thread; leave it to the window taking focus.
        if (self->m_b_caret) {
            DestroyCaret();
            self->m_b_caret = 0;
        }
        break;
    default:
        break;
    }
    return DefSubclassProc(window, message, wparam, lparam);
}

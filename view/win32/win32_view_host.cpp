// The Win32 view host: caret, status bar, scroll bar, sizes, capture and
// hover tracking of the hex view control, and the canvas over the memory DC.
#include "view/view_host.h"

#include "view/view_state.h"
#include "view/win32/caret_bitmap.h"
#include "view/win32/gdi_canvas.h"
#include "view/win32/hex_view_control.h"

#include <windows.h>
#include <commctrl.h>

namespace {

class Win32ViewHost : public ViewHost {
  public:
    void BindState(ViewState* state) { m_p_state = state; }
    bool BoundTo(const ViewState* state) const { return m_p_state == state; }
    Canvas* MemoryCanvas() override {
        if (!m_p_state || !m_p_state->m_h_memory_dc) {
            return nullptr;
        }
        m_canvas.Bind(static_cast<HDC>(m_p_state->m_h_memory_dc));
        m_canvas.SetScaleWindow(ViewWindow());
        return &m_canvas;
    }
    void Invalidate() override {
        if (HWND view = ViewWindow()) {
            InvalidateRect(view, nullptr, FALSE);
        }
        Changed();
    }
    void SetChangedHook(void (*hook)(void*), void* context) {
        m_p_changed_hook = hook;
        m_p_changed_context = context;
    }
    // Further listeners beside the one hook (tool windows); 0 when all
    // places are taken.
    int AddListener(void (*hook)(void*), void* context) {
        for (Listener& listener : m_listeners) {
            if (listener.m_p_hook == nullptr) {
                listener = {hook, context};
                return 1;
            }
        }
        return 0;
    }
    void RemoveListener(void* context) {
        for (Listener& listener : m_listeners) {
            if (listener.m_p_context == context) {
                listener = {};
            }
        }
    }
    void Changed() {
        if (m_p_changed_hook) {
            m_p_changed_hook(m_p_changed_context);
        }
        for (const Listener& listener : m_listeners) {
            if (listener.m_p_hook) {
                listener.m_p_hook(listener.m_p_context);
            }
        }
    }
    // The thread has one caret, and while another window (a dialog's text
    // box) has the focus it is that window's: the view makes, moves and shows
    // it only while it has the focus, and destroys only one it made.
    int CreateCaret(int32_t width, int32_t height, ColorRef xor_color) override {
        HWND view = ViewWindow();
        if (!HasFocus(view) || width <= 0 || height <= 0) {
            return 0;
        }
        DestroyCaret();
        HBITMAP bitmap = m_caret.Make(width, height, xor_color);
        if (!bitmap || !::CreateCaret(view, bitmap, width, height)) {
            m_caret.Release();
            return 0;
        }
        return 1;
    }
    void DestroyCaret() override {
        if (OwnsCaret(ViewWindow())) {
            ::DestroyCaret();
        }
        m_caret.Release();
    }
    void SetCaretPos(int32_t x, int32_t y) override {
        if (HasFocus(ViewWindow())) {
            ::SetCaretPos(x, y);
        }
    }
    void ShowCaret() override {
        HWND view = ViewWindow();
        if (HasFocus(view)) {
            ::ShowCaret(view);
        }
    }
    void SetStatusText(int part, const wchar_t* text) override {
        if (HWND status = HexViewStatusBar()) {
            SendMessageW(status, SB_SETTEXTW, static_cast<WPARAM>(part),
                         reinterpret_cast<LPARAM>(text));
            SendMessageW(status, SB_SETTIPTEXTW, static_cast<WPARAM>(part),
                         reinterpret_cast<LPARAM>(text));
        }
    }
    void SetScrollRange(int32_t max) override {
        HWND view = ViewWindow();
        if (!view) {
            return;
        }
        ShowScrollBar(view, SB_VERT, TRUE);
        SCROLLINFO info = {};
        info.cbSize = sizeof(info);
        info.fMask = SIF_RANGE | SIF_POS;
        info.nMin = 0;
        info.nMax = max;
        info.nPos = 0;
        SetScrollInfo(view, SB_VERT, &info, TRUE);
    }
    void SetScrollPos(int32_t pos) override {
        if (HWND view = ViewWindow()) {
            SCROLLINFO info = {};
            info.cbSize = sizeof(info);
            info.fMask = SIF_POS;
            info.nPos = pos;
            SetScrollInfo(view, SB_VERT, &info, TRUE);
        }
    }
    int GetScrollState(ScrollState* state) override {
        HWND view = ViewWindow();
        if (!view) {
            return 0;
        }
        SCROLLINFO info = {};
        info.cbSize = sizeof(info);
        info.fMask = SIF_RANGE | SIF_POS | SIF_TRACKPOS;
        if (!GetScrollInfo(view, SB_VERT, &info)) {
            return 0;
        }
        *state = {info.nMin, info.nMax, info.nPos, info.nTrackPos};
        return 1;
    }
    int32_t ClientHeight() override {
        RECT rect = {};
        HWND view = ViewWindow();
        return view && GetClientRect(view, &rect) ? rect.bottom - rect.top : 0;
    }
    int32_t WindowHeight() override {
        RECT rect = {};
        HWND view = ViewWindow();
        return view && GetWindowRect(view, &rect) ? rect.bottom - rect.top : 0;
    }
    int32_t ClientBottom() override {
        RECT rect = {};
        HWND view = ViewWindow();
        return view && GetClientRect(view, &rect) ? rect.bottom : 0;
    }
    void FitMainWindowWidth(int32_t width) override {
        HWND main = m_p_state ? static_cast<HWND>(m_p_state->m_h_main_window) : nullptr;
        RECT rect = {};
        if (main && GetWindowRect(main, &rect)) {
            SetWindowPos(main, nullptr, 0, 0, width, rect.bottom - rect.top,
                         SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        }
    }
    void CaptureMouse() override {
        if (HWND view = ViewWindow()) {
            SetCapture(view);
        }
    }
    void ReleaseMouse() override { ReleaseCapture(); }
    void TrackHover(int arm) override {
        HWND view = ViewWindow();
        if (!view) {
            return;
        }
        TRACKMOUSEEVENT track = {};
        track.cbSize = sizeof(track);
        track.dwFlags = arm ? TME_HOVER : (TME_CANCEL | TME_HOVER);
        track.hwndTrack = view;
        track.dwHoverTime = 50;
        TrackMouseEvent(&track);
    }
    void RequestFont(int step) override {
        if (HWND view = ViewWindow()) {
            SendMessageW(GetAncestor(view, GA_ROOT), kViewFontMessage,
                         static_cast<WPARAM>(step + 1), 0);
        }
    }

  private:
    HWND ViewWindow() const {
        return m_p_state ? static_cast<HWND>(m_p_state->m_h_view_window) : nullptr;
    }
    static bool HasFocus(HWND view) { return view && GetFocus() == view; }
    static bool OwnsCaret(HWND view) {
        GUITHREADINFO info = {};
        info.cbSize = sizeof(info);
        return view && GetGUIThreadInfo(GetCurrentThreadId(), &info) && info.hwndCaret == view;
    }

    ViewState* m_p_state = nullptr; // the control's, bound when it is made
    GdiCanvas m_canvas;
    CaretBitmap m_caret;
    void (*m_p_changed_hook)(void*) = nullptr; // null: nobody listens
    void* m_p_changed_context = nullptr;
    struct Listener {
        void (*m_p_hook)(void*) = nullptr;
        void* m_p_context = nullptr;
    };
    Listener m_listeners[4];
};

Win32ViewHost& TheHost() {
    static Win32ViewHost host;
    return host;
}

} // namespace

ViewHost* PlatformViewHost() {
    return &TheHost();
}

void BindViewHostState(ViewState* state) {
    TheHost().BindState(state);
}

void UnbindViewHostState(const ViewState* state) {
    if (TheHost().BoundTo(state)) {
        TheHost().BindState(nullptr);
    }
}

void SetViewChangedHook(void (*hook)(void* context), void* context) {
    TheHost().SetChangedHook(hook, context);
}

int AddViewChangedListener(void (*hook)(void* context), void* context) {
    return TheHost().AddListener(hook, context);
}

void RemoveViewChangedListener(void* context) {
    TheHost().RemoveListener(context);
}

void NotifyViewChanged() {
    TheHost().Changed();
}

// The hex view control window "PELMORA_CTRL": status bar, focus and caret,
// painting from the memory DC, mouse selection with edge auto-scroll, wheel,
// typed hex digits and the vertical scroll bar.
#include "view/win32/hex_view_control.h"

#include "view/control_logic.h"
#include "view/geometry.h"
#include "view/paint.h"
#include "view/selection.h"
#include "view/status_panes.h"
#include "view/view_host.h"
#include "view/view_state.h"
#include "view/win32/back_bitmap.h"

#include <windows.h>
#include <commctrl.h>

// Sent to child windows of a per-monitor-aware window after it changed scale
// (Windows 10 1703 on); the SDK declares it only for newer targets.
#ifndef WM_DPICHANGED_AFTERPARENT
#define WM_DPICHANGED_AFTERPARENT 0x02E3
#endif

namespace {

const wchar_t kClassName[] = L"PELMORA_CTRL";
HWND g_h_status_bar = nullptr;

int32_t PointX(LPARAM lparam) {
    return static_cast<int16_t>(LOWORD(lparam));
}

int32_t PointY(LPARAM lparam) {
    return static_cast<int16_t>(HIWORD(lparam));
}

// The window's extra bytes hold what it shows: its view state, from its
// creation, and the document the frame installs in it (null: none).
constexpr int kStateSlot = 0;
constexpr int kDocumentSlot = sizeof(LONG_PTR);

ViewState* StateOf(HWND window) {
    return reinterpret_cast<ViewState*>(GetWindowLongPtrW(window, kStateSlot));
}

CallBackInfo* DocumentOf(HWND window) {
    return reinterpret_cast<CallBackInfo*>(GetWindowLongPtrW(window, kDocumentSlot));
}

bool HasMemoryDc(const ViewState* state) {
    return state && state->m_h_memory_dc;
}

void OnCreate(HWND window, ViewState* state) {
    const HINSTANCE instance = state ? static_cast<HINSTANCE>(state->m_h_instance) : nullptr;
    g_h_status_bar =
        CreateWindowExW(WS_EX_TOPMOST, STATUSCLASSNAMEW, nullptr,
                        WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | SBARS_TOOLTIPS,
                        0, 0, 0, 0, window, nullptr, instance, nullptr);
    ShowScrollBar(window, SB_VERT, FALSE);
}

// The panes share the width the scroll bar leaves, the last one wide enough
// for the longest selection count.
void SizeStatusBar(WPARAM wparam, LPARAM lparam) {
    if (!g_h_status_bar) {
        return;
    }
    SendMessageW(g_h_status_bar, WM_SIZE, wparam, lparam);
    int edges[4] = {0, 0, 0, -1};
    StatusPaneEdges(LOWORD(lparam), edges);
    SendMessageW(g_h_status_bar, SB_SETPARTS, 4, reinterpret_cast<LPARAM>(edges));
}

void OnSetFocus(CallBackInfo* doc, ViewState* state) {
    // The focus first: the view makes and moves the caret only while it has it.
    if (doc) {
        doc->m_b_has_focus = 1;
    }
    if (state && state->m_b_edit_mode) {
        CreateViewCaret(doc, state);
    }
    if (doc) {
        const CaretPoint point = CaretPositionForFocus(doc);
        SetCaretPos(point.x, point.y);
        ShowCaret(static_cast<HWND>(state ? state->m_h_view_window : nullptr));
    }
}

void OnKillFocus(CallBackInfo* doc, ViewState* state) {
    if (state && state->m_b_edit_mode) {
        DestroyViewCaret();
    }
    if (doc) {
        doc->m_b_has_focus = 0;
    }
}

LRESULT CALLBACK ControlProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_NCCREATE) {
        const CREATESTRUCTW* create = reinterpret_cast<const CREATESTRUCTW*>(lparam);
        SetWindowLongPtrW(window, kStateSlot, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
        SetWindowLongPtrW(window, kDocumentSlot, 0);
        return DefWindowProcW(window, message, wparam, lparam);
    }
    ViewState* state = StateOf(window);
    CallBackInfo* doc = DocumentOf(window);
    switch (message) {
    case WM_CREATE:
        OnCreate(window, state);
        break;
    case WM_SIZE:
        SizeStatusBar(wparam, lparam);
        break;
    case WM_SETFOCUS:
        OnSetFocus(doc, state);
        break;
    case WM_DPICHANGED_AFTERPARENT:
        // The main window has moved to a monitor of another scale and taken
        // its new size: the font follows at the same point size.
        if (HasMemoryDc(state)) {
            CurrentViewHost()->RequestFont(0);
        }
        return 0;
    case WM_KILLFOCUS:
        OnKillFocus(doc, state);
        break;
    case WM_PAINT:
        if (state) {
            PAINTSTRUCT paint;
            HDC dc = BeginPaint(window, &paint);
            PaintHexView(window, dc);
            EndPaint(window, &paint);
            return 0;
        }
        break;
    case WM_ERASEBKGND:
        if (doc && HasMemoryDc(state)) {
            return 1;
        }
        break;
    case WM_CHAR:
        // The whole UTF-16 unit: only 0-9, A-F and a-f type, not every
        // character whose low byte happens to be one of them.
        TypeKey(doc, state, static_cast<unsigned>(wparam));
        break;
    case WM_DISPLAYCHANGE:
        // Sent on by the main window: the bitmap is made again for the new
        // display, large enough for its screen.
        if (HasMemoryDc(state)) {
            RECT client = {};
            GetClientRect(window, &client);
            RemakeBackBitmapForDisplay(state, LOWORD(lparam), HIWORD(lparam), client.right,
                                       client.bottom);
            InvalidateRect(window, nullptr, FALSE);
        }
        break;
    case WM_VSCROLL: {
        ScrollState scroll = {};
        CurrentViewHost()->GetScrollState(&scroll);
        if (OnScrollCode(doc, state, LOWORD(wparam), scroll.m_n_track_pos)) {
            return 0;
        }
        break;
    }
    case WM_LBUTTONDOWN:
        if (doc) {
            OnLeftButtonDown(doc, PointX(lparam), PointY(lparam), (wparam & MK_SHIFT) != 0);
        }
        break;
    case WM_MOUSEMOVE:
        if (wparam == MK_LBUTTON && doc && ControlDragState().m_b_dragging) {
            OnDragMove(doc, state, PointX(lparam), PointY(lparam));
        }
        break;
    case WM_LBUTTONUP:
        if (doc) {
            OnLeftButtonUp(doc, PointX(lparam), PointY(lparam));
        }
        break;
    case WM_LBUTTONDBLCLK:
        if (doc) {
            OnDoubleClick(doc, state);
        }
        break;
    case WM_MOUSEWHEEL: {
        // The key state carried by the message counts as well as the live one,
        // so that a Ctrl held when the wheel turned is seen.
        const bool ctrl = (GetAsyncKeyState(VK_CONTROL) & 0x8000) != 0 ||
                          (GET_KEYSTATE_WPARAM(wparam) & MK_CONTROL) != 0;
        OnMouseWheel(doc, state, GET_WHEEL_DELTA_WPARAM(wparam), ctrl ? 1 : 0);
        return 0;
    }
    case WM_MOUSEHOVER:
        if (wparam == MK_LBUTTON && doc) {
            OnDragHover(doc, state, PointX(lparam), PointY(lparam));
        }
        break;
    default:
        break;
    }
    return DefWindowProcW(window, message, wparam, lparam);
}

} // namespace

int PaintHexView(HWND control, HDC target) {
    CallBackInfo* doc = DocumentOf(control);
    ViewState* state = StateOf(control);
    if (!doc || !state || !state->m_b_document_open || !HasMemoryDc(state)) {
        return 0;
    }
    RECT client = {};
    GetClientRect(control, &client);
    // A view larger than the bitmap would show stale pixels past its edge.
    FitBackBitmap(state, client.right - client.left, client.bottom - client.top);
    Canvas* canvas = CurrentViewHost()->MemoryCanvas();
    if (!PaintView(doc, state, canvas, client.right - client.left, client.bottom - client.top)) {
        return 0;
    }
    BitBlt(target, client.left, client.top, client.right - client.left, client.bottom - client.top,
           static_cast<HDC>(state->m_h_memory_dc), 0, 0, SRCCOPY);
    return 1;
}

HWND HexViewStatusBar() {
    return g_h_status_bar;
}

void SetHexViewDocument(HWND control, CallBackInfo* doc) {
    if (control) {
        SetWindowLongPtrW(control, kDocumentSlot, reinterpret_cast<LONG_PTR>(doc));
    }
}

HWND CreateHexViewControl(HWND main_window, ViewState* state) {
    if (!state) {
        return nullptr;
    }
    state->m_h_main_window = main_window;
    BindViewHostState(state);
    const HINSTANCE instance = static_cast<HINSTANCE>(state->m_h_instance);

    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);

    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof(wc);
    wc.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS | CS_PARENTDC;
    wc.lpfnWndProc = ControlProc;
    wc.cbWndExtra = 2 * sizeof(LONG_PTR);
    wc.hInstance = instance;
    wc.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
    wc.hIconSm = LoadIconW(nullptr, IDI_APPLICATION);
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    wc.lpszClassName = kClassName;
    WNDCLASSEXW existing = {};
    existing.cbSize = sizeof(existing);
    if (!GetClassInfoExW(instance, kClassName, &existing) && !RegisterClassExW(&wc)) {
        MessageBoxW(nullptr, L"RegisterClassEx PELMORA_CTRL failed!", L"PELMORA_CTRL",
                    MB_ICONERROR);
        return nullptr;
    }
    RECT client = {};
    GetClientRect(main_window, &client);
    HWND control = CreateWindowExW(
        0, kClassName, L"PelmoraCtrl", WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | WS_VSCROLL,
        client.left, client.top, client.right - client.left, client.bottom - client.top,
        main_window, nullptr, instance, state);
    if (!control) {
        return nullptr;
    }
    state->m_h_view_window = control;
    ShowWindow(control, SW_SHOWNORMAL);
    UpdateWindow(control);
    return control;
}

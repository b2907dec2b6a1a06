// The common part of the tool windows (see tool_window.h).
#include "tools/win32/tool_window.h"

#include "settings/settings_file.h"
#include "tools/tool_window_settings.h"
#include "tools/win32/tool_window_place.h"

CToolWindow::CToolWindow(HINSTANCE instance, HWND owner, const ToolWindowKind& kind)
    : m_h_instance(instance), m_h_owner(owner), m_kind(kind) {}

CToolWindow::~CToolWindow() {
    // A derived destructor normally destroyed it already; if not, no message
    // of the destruction may reach the half-gone object.
    if (m_h_window) {
        SetWindowLongPtrW(m_h_window, GWLP_USERDATA, 0);
        DestroyWindow(m_h_window);
        m_h_window = nullptr;
    }
}

void CToolWindow::LoadSettings() {
    const CSettingsBatch file;
    const ToolWindowPlace kept = ReadToolWindowPlace(file, m_kind.m_sz_section);
    m_b_open_at_exit = kept.m_b_open;
    if (kept.m_n_width > 0) {
        m_rc_kept = {kept.m_n_left, kept.m_n_top, kept.m_n_left + kept.m_n_width,
                     kept.m_n_top + kept.m_n_height};
        m_b_place_kept = 1;
    }
    ReadKeys(file, m_kind.m_sz_section);
}

void CToolWindow::Destroy() {
    if (m_h_window) {
        DestroyWindow(m_h_window); // WM_NCDESTROY forgets the handle
    }
}

void CToolWindow::RestoreFromSettings() {
    if (m_b_open_at_exit) {
        Open();
    }
}

int CToolWindow::RegisterOnce() const {
    WNDCLASSEXW existing = {};
    existing.cbSize = sizeof(existing);
    if (GetClassInfoExW(m_h_instance, m_kind.m_sz_class_name, &existing)) {
        return 1;
    }
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = m_h_instance;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = m_kind.m_sz_class_name;
    return RegisterClassExW(&wc) != 0 ? 1 : 0;
}

int CToolWindow::Open() {
    if (m_h_window) {
        return 1;
    }
    if (!RegisterOnce()) {
        return 0;
    }
    // A kept place from another monitor setup is moved back onto the screen.
    const RECT place = FitIntoWorkArea(
        m_h_owner, m_b_place_kept
                       ? m_rc_kept
                       : FirstPlaceBeside(m_h_owner, m_kind.m_n_first_width,
                                          m_kind.m_n_first_height, m_kind.m_n_min_width));
    HWND window = CreateWindowExW(
        WS_EX_TOOLWINDOW, m_kind.m_sz_class_name, m_kind.m_sz_title,
        WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_CLIPCHILDREN, place.left, place.top,
        place.right - place.left, place.bottom - place.top, m_h_owner, nullptr, m_h_instance, this);
    if (!window) {
        return 0;
    }
    m_b_shown = 1;
    OnOpened();
    ShowWindow(window, SW_SHOWNOACTIVATE);
    SaveSettings();
    return 1;
}

void CToolWindow::Close() {
    if (!m_h_window) {
        return;
    }
    RECT place = {};
    if (GetWindowRect(m_h_window, &place)) {
        m_rc_kept = place;
        m_b_place_kept = 1;
    }
    DestroyWindow(m_h_window); // WM_NCDESTROY forgets the handles
    SaveSettings();
    SetActiveWindow(m_h_owner);
}

void CToolWindow::SaveSettings() const {
    if (!m_b_shown) {
        return;
    }
    RECT rect = m_rc_kept;
    if (m_h_window) {
        GetWindowRect(m_h_window, &rect);
    }
    ToolWindowPlace place;
    place.m_b_open = IsOpen();
    if (m_h_window || m_b_place_kept) {
        place.m_n_left = rect.left;
        place.m_n_top = rect.top;
        place.m_n_width = rect.right - rect.left;
        place.m_n_height = rect.bottom - rect.top;
    }
    CSettingsBatch file;
    WriteToolWindowPlace(&file, m_kind.m_sz_section, place);
    WriteKeys(&file, m_kind.m_sz_section);
    file.Commit();
}

int CToolWindow::PreTranslate(MSG* message) {
    return m_h_window && IsDialogMessageW(m_h_window, message) ? 1 : 0;
}

LRESULT CToolWindow::Handle(UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_CREATE:
        CreateControls();
        return 0;
    case WM_SIZE:
        Layout();
        return 0;
    case WM_CLOSE:
        Close();
        return 0;
    case WM_CONTEXTMENU:
        if (RowList() != nullptr && reinterpret_cast<HWND>(wparam) == RowList()) {
            ShowRowMenu();
            return 0;
        }
        break;
    default:
        break;
    }
    return DefWindowProcW(m_h_window, message, wparam, lparam);
}

LRESULT CALLBACK CToolWindow::WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_NCCREATE) {
        const CREATESTRUCTW* create = reinterpret_cast<const CREATESTRUCTW*>(lparam);
        auto* self = static_cast<CToolWindow*>(create->lpCreateParams);
        self->m_h_window = window;
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<CToolWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (!self) {
        return DefWindowProcW(window, message, wparam, lparam);
    }
    if (message == WM_NCDESTROY) {
        self->OnDestroyed();
        self->m_h_window = nullptr;
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        return DefWindowProcW(window, message, wparam, lparam);
    }
    return self->Handle(message, wparam, lparam);
}

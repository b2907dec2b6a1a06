// The main window "Pelmora": creation of its children, layout under the
// toolbar band, dropped files, commands and menus, and the close sequence.
#include "settings/item_attributes.h"
#include "frame/current_document.h"

#include "frame/frame_window.h"
#include "frame/win32/document_bookmarks.h"
#include "frame/win32/file_change_check.h"
#include "frame/win32/frame_state.h"
#include "frame/win32/recovery_hooks.h"

#include "resources/resource.h"
#include "settings/shortcut_keys.h"
#include "settings/win32/accelerator_table.h"
#include "view/control_logic.h"
#include "view/selection.h"
#include "view/view_state.h"
#include "view/win32/hex_view_control.h"

#include <windows.h>
#include <shellapi.h>

#include <cwchar>
#include <string>
#include <vector>

namespace {

LRESULT OnCreate(HWND window) {
    FrameState& frame = Frame();
    frame.m_h_main_window = window;
    CreateToolbar(frame.m_h_instance, window);
    frame.m_h_view_control = CreateHexViewControl(window, g_p_view_state);
    SetEditModeChangedHook(OnEditModeChanged);
    CheckMenuItem(GetMenu(window), ID_EDIT_MODE, MF_BYCOMMAND | MF_UNCHECKED);
    SetEditMode(g_p_current_document, g_p_view_state, 0);
    DragAcceptFiles(window, TRUE);
    if (ViewState* state = g_p_view_state) {
        wcsncpy(state->m_sz_title, L"Pelmora", 259);
        state->m_sz_title[259] = 0;
        SetWindowTextW(window, state->m_sz_title);
    }
    if (!frame.m_sz_start_path.empty()) {
        OpenDocument(frame.m_sz_start_path.c_str());
    } else {
        CleanRecoveryFolder();
    }
    SetTimer(window, kRecoveryTimerId, kRecoveryTimerMs, nullptr);
    ResetItemColors();
    LoadItemAttributes(g_p_current_document, g_p_view_state);
    LoadShortcutKeys();
    RebuildAcceleratorTable();
    AttachMenuBitmaps(nullptr, window, GetMenu(window));
    frame.m_p_inspector =
        std::make_unique<CInspectorWindow>(frame.m_h_instance, window, g_p_view_state);
    frame.m_p_inspector->SetDocument(g_p_current_document);
    frame.m_p_inspector->RestoreFromSettings();
    frame.m_p_checksums = std::make_unique<CChecksumsWindow>(frame.m_h_instance, window);
    frame.m_p_checksums->SetDocument(g_p_current_document);
    frame.m_p_checksums->RestoreFromSettings();
    frame.m_p_find_results =
        std::make_unique<CFindResultsWindow>(frame.m_h_instance, window, g_p_view_state);
    frame.m_p_find_results->SetDocument(g_p_current_document);
    frame.m_p_bookmarks_window =
        std::make_unique<CBookmarksWindow>(frame.m_h_instance, window, g_p_view_state);
    frame.m_p_bookmarks_window->SetBookmarks(CurrentBookmarks());
    frame.m_p_bookmarks_window->RestoreFromSettings();
    return 0;
}

void OnSize(HWND window, WPARAM wparam, LPARAM lparam) {
    FrameState& frame = Frame();
    const int bar = RebarHeight();
    if (frame.m_h_rebar) {
        SendMessageW(frame.m_h_rebar, WM_SIZE, wparam, lparam);
    }
    if (frame.m_h_view_control) {
        RECT client = {};
        GetClientRect(window, &client);
        MoveWindow(frame.m_h_view_control, client.left, client.top + bar,
                   client.right - client.left, client.bottom - client.top - bar, TRUE);
    }
}

void OnDropFiles(HDROP drop) {
    const UINT length = ModalWindowOpen() ? 0 : DragQueryFileW(drop, 0, nullptr, 0);
    if (length > 0) {
        std::vector<wchar_t> path(static_cast<size_t>(length) + 1, 0);
        if (DragQueryFileW(drop, 0, path.data(), length + 1) > 0) {
            OpenDocument(path.data());
        }
    }
    DragFinish(drop);
}

// Everything the main window holds besides its child windows.
void ReleaseFrame() {
    if (Frame().m_h_main_window) {
        KillTimer(Frame().m_h_main_window, kRecoveryTimerId);
    }
    FrameState& frame = Frame();
    if (frame.m_p_inspector) {
        frame.m_p_inspector->SaveSettings();
        frame.m_p_inspector.reset();
    }
    if (frame.m_p_checksums) {
        frame.m_p_checksums->SaveSettings();
        frame.m_p_checksums.reset(); // stops a computation before the document goes
    }
    if (frame.m_p_find_results) {
        frame.m_p_find_results->SaveSettings();
        frame.m_p_find_results.reset(); // stops a pass before the document goes
    }
    if (frame.m_p_bookmarks_window) {
        frame.m_p_bookmarks_window->SaveSettings();
        frame.m_p_bookmarks_window.reset();
    }
    CloseDocument();
    DestroyToolbarImages();
    DeleteMenuBitmaps();
    FreeShortcutKeys();
    if (frame.m_h_accelerators) {
        DestroyAcceleratorTable(frame.m_h_accelerators);
        frame.m_h_accelerators = nullptr;
    }
}

// 1 when the window goes on to be destroyed. While a modal window is open
// (a save or a search may be running on the document) the request is refused.
int OnClose() {
    if (ModalWindowOpen() || !PrepareWindowClose()) {
        return 0;
    }
    ReleaseFrame();
    return 1;
}

// The session ends (logoff, shutdown): edits are kept as at close, and with
// no modal window open the program ends as when it is closed.
void OnEndSession(HWND window) {
    KeepEditsAtSessionEnd();
    if (!ModalWindowOpen()) {
        ReleaseFrame();
        DestroyWindow(window);
    }
}

// Menu item states on request of another process (end-to-end tests), which
// cannot read this process's menus: wparam the command ID; lparam 0, or the
// main-menu submenu index + 1 to run the popup update on it first.
LRESULT MenuItemStateQuery(HWND window, WPARAM wparam, LPARAM lparam) {
    HMENU menu = GetMenu(window);
    if (lparam > 0) {
        if (HMENU popup = GetSubMenu(menu, static_cast<int>(lparam - 1))) {
            UpdateMenuPopup(popup);
        }
    }
    return static_cast<LRESULT>(GetMenuState(menu, static_cast<UINT>(wparam), MF_BYCOMMAND));
}

// A main menu item's text for a program outside (menus cannot be read
// across processes everywhere): a global atom of the text, which the asker
// deletes; 0 for no such item.
LRESULT MenuItemTextQuery(HWND window, WPARAM command) {
    wchar_t text[256] = {};
    if (GetMenuStringW(GetMenu(window), static_cast<UINT>(command), text, 256, MF_BYCOMMAND) <= 0) {
        return 0;
    }
    return GlobalAddAtomW(text);
}

} // namespace

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    static const UINT menu_state_message = RegisterWindowMessageW(L"PelmoraMenuItemState");
    if (message == menu_state_message && message != 0) {
        return MenuItemStateQuery(window, wparam, lparam);
    }
    static const UINT menu_text_message = RegisterWindowMessageW(L"PelmoraMenuItemText");
    if (message == menu_text_message && message != 0) {
        return MenuItemTextQuery(window, wparam);
    }
    switch (message) {
    case WM_CREATE:
        return OnCreate(window);
    case WM_SIZE:
        OnSize(window, wparam, lparam);
        return 0;
    case WM_DPICHANGED: {
        // Moved to a monitor of another scale: take the size the system
        // proposes; the view then makes its font for the new scale.
        const RECT* proposed = reinterpret_cast<const RECT*>(lparam);
        SetWindowPos(window, nullptr, proposed->left, proposed->top,
                     proposed->right - proposed->left, proposed->bottom - proposed->top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
        return 0;
    }
    case WM_DISPLAYCHANGE:
        // Only top-level windows hear of a display change; the view's back
        // bitmap follows the new display.
        if (Frame().m_h_view_control) {
            SendMessageW(Frame().m_h_view_control, WM_DISPLAYCHANGE, wparam, lparam);
        }
        break;
    case WM_ACTIVATE:
        // Back from another program, which may have written the file.
        if (LOWORD(wparam) != WA_INACTIVE) {
            PostMessageW(window, kCheckFileChangeMessage, 0, 0);
        }
        break;
    case WM_ACTIVATEAPP:
        if (wparam) {
            PostMessageW(window, kCheckFileChangeMessage, 0, 0);
        }
        break;
    case kCheckFileChangeMessage:
        CheckFileAtActivation(window);
        return 0;
    case kViewFontMessage:
        ApplyFontStep(g_p_current_document, g_p_view_state, static_cast<int>(wparam) - 1);
        return 0;
    case WM_SETFOCUS:
        if (Frame().m_h_view_control) {
            SetFocus(Frame().m_h_view_control);
        }
        return 0;
    case WM_COMMAND:
        DispatchCommand(LOWORD(wparam));
        return 0;
    case WM_INITMENUPOPUP:
        UpdateMenuPopup(reinterpret_cast<HMENU>(wparam));
        return 0;
    case WM_CONTEXTMENU:
        if (ShowContextMenu(window, lparam)) {
            return 0;
        }
        break;
    case WM_DROPFILES:
        OnDropFiles(reinterpret_cast<HDROP>(wparam));
        break;
    case WM_CLOSE:
        if (!OnClose()) {
            return 0;
        }
        break;
    case WM_TIMER:
        if (wparam == kRecoveryTimerId) {
            OnRecoveryTimer();
            return 0;
        }
        break;
    case WM_QUERYENDSESSION:
        // Never held up by a question: the edits are kept at WM_ENDSESSION.
        return TRUE;
    case WM_ENDSESSION:
        if (wparam) {
            OnEndSession(window);
        }
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    case WM_NCDESTROY:
        // The children are gone too; later teardown steps must not reach them.
        Frame().m_h_main_window = nullptr;
        Frame().m_h_view_control = nullptr;
        Frame().m_h_rebar = nullptr;
        Frame().m_h_toolbar = nullptr;
        break;
    default:
        break;
    }
    return DefWindowProcW(window, message, wparam, lparam);
}

ATOM RegisterMainWindowClass(HINSTANCE instance) {
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof(wc);
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = MainWindowProc;
    wc.hInstance = instance;
    wc.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(IDI_PELMORA));
    wc.hIconSm = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(IDI_PELMORA), IMAGE_ICON,
                                               32, 32, LR_LOADTRANSPARENT));
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    wc.lpszMenuName = MAKEINTRESOURCEW(IDR_MAIN_MENU);
    wc.lpszClassName = L"Pelmora";
    return RegisterClassExW(&wc);
}

// The preferences frame: tree, page switching by item data, OK and Cancel.
#include "settings/win32/preferences_dialog.h"

#include "resources/settings_ids.h"
#include "settings/preference_rules.h"
#include "settings/win32/preference_pages.h"

#include <commctrl.h>

namespace {

// Item data of the tree: which page an item stands for.
constexpr LPARAM kFontsPageItem = 1;
constexpr LPARAM kKeyboardPageItem = 2;

struct PreferencesFrame {
    CallBackInfo* m_p_doc = nullptr; // what the new font and colours reach
    ViewState* m_p_state = nullptr;
    HWND m_h_keyboard = nullptr;
    HWND m_h_fonts = nullptr;
};

PreferencesFrame* FrameOf(HWND dialog) {
    return reinterpret_cast<PreferencesFrame*>(GetWindowLongPtrW(dialog, DWLP_USER));
}

HTREEITEM InsertItem(HWND tree, HTREEITEM parent, const wchar_t* text, LPARAM data) {
    TVINSERTSTRUCTW insert = {};
    insert.hParent = parent;
    insert.hInsertAfter = TVI_LAST;
    insert.item.mask = TVIF_TEXT | TVIF_PARAM;
    insert.item.pszText = const_cast<wchar_t*>(text);
    insert.item.lParam = data;
    return reinterpret_cast<HTREEITEM>(
        SendMessageW(tree, TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&insert)));
}

void PlacePage(HWND dialog, HWND page) {
    RECT origin = {115, 0, 0, 0};
    MapDialogRect(dialog, &origin);
    SetWindowPos(page, nullptr, origin.left, origin.top, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void ShowPage(HWND dialog, LPARAM item) {
    PreferencesFrame* frame = FrameOf(dialog);
    if (!frame || (item != kFontsPageItem && item != kKeyboardPageItem)) {
        return;
    }
    const bool fonts = item == kFontsPageItem;
    HWND hide = fonts ? frame->m_h_keyboard : frame->m_h_fonts;
    HWND show = fonts ? frame->m_h_fonts : frame->m_h_keyboard;
    if (hide) {
        ShowWindow(hide, SW_HIDE);
    }
    if (show) {
        ShowWindow(show, SW_SHOW);
    }
    InvalidateRect(dialog, nullptr, TRUE);
}

void OnInit(HWND dialog, PreferencesFrame* frame) {
    SetWindowLongPtrW(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(frame));
    HWND tree = GetDlgItem(dialog, IDC_PREF_TREE);
    HTREEITEM root = InsertItem(tree, TVI_ROOT, L"Environment", 0);
    HTREEITEM keyboard = InsertItem(tree, root, L"Keyboard", kKeyboardPageItem);
    InsertItem(tree, root, L"Fonts and Colors", kFontsPageItem);
    SendMessageW(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(root));
    frame->m_h_keyboard = CreateKeyboardPage(dialog);
    frame->m_h_fonts = CreateFontsPage(dialog);
    for (HWND page : {frame->m_h_keyboard, frame->m_h_fonts}) {
        if (page) {
            PlacePage(dialog, page);
        }
    }
    // Selecting after the pages exist lets the selection change show the
    // Keyboard page; showing it directly covers a selection that was already
    // there and sent no notification.
    SendMessageW(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(keyboard));
    ShowPage(dialog, kKeyboardPageItem);
}

void ClosePages(HWND dialog) {
    PreferencesFrame* frame = FrameOf(dialog);
    if (!frame) {
        return;
    }
    for (HWND* page : {&frame->m_h_keyboard, &frame->m_h_fonts}) {
        if (*page && IsWindow(*page)) {
            SendMessageW(*page, WM_CLOSE, 0, 0);
        }
        *page = nullptr;
    }
}

void Close(HWND dialog) {
    ClosePages(dialog);
    EndDialog(dialog, 0);
}

void OnOk(HWND dialog) {
    PreferencesFrame* frame = FrameOf(dialog);
    if (frame && frame->m_h_fonts) {
        FontChoice choice = {};
        ReadFontChoice(frame->m_h_fonts, &choice);
        if (!CommitPreferences(frame->m_p_doc, frame->m_p_state, choice.m_sz_face,
                               choice.m_sz_style, choice.m_sz_size)) {
            // The user has been told; the dialog stays open with the choices
            // made, to try again or cancel.
            return;
        }
    }
    Close(dialog);
}

INT_PTR CALLBACK FrameProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_INITDIALOG:
        OnInit(dialog, reinterpret_cast<PreferencesFrame*>(lparam));
        return TRUE;
    case WM_NOTIFY: {
        const NMHDR* header = reinterpret_cast<const NMHDR*>(lparam);
        if (header->idFrom == IDC_PREF_TREE && header->code == TVN_SELCHANGEDW) {
            ShowPage(dialog, reinterpret_cast<const NMTREEVIEWW*>(lparam)->itemNew.lParam);
        }
        return FALSE;
    }
    case WM_COMMAND:
        switch (LOWORD(wparam)) {
        case IDOK:
            OnOk(dialog);
            return TRUE;
        case IDCANCEL:
            Close(dialog);
            return TRUE;
        default:
            return FALSE;
        }
    case WM_CLOSE:
        Close(dialog);
        return TRUE;
    case WM_DESTROY:
        ClosePages(dialog);
        return FALSE;
    default:
        return FALSE;
    }
}

} // namespace

INT_PTR ShowPreferencesDialog(HWND owner, CallBackInfo* doc, ViewState* state) {
    PreferencesFrame frame;
    frame.m_p_doc = doc;
    frame.m_p_state = state;
    DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_PREFERENCES), owner, FrameProc,
                    reinterpret_cast<LPARAM>(&frame));
    return 0;
}

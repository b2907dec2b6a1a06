// The About box (see about_dialog.h).
#include "settings/win32/about_dialog.h"

#include "base/format_text.h"
#include "resources/about_ids.h"
#include "resources/version.h"

#include <shellapi.h>

#include <string>

namespace {

bool IsLink(int id) {
    return id == IDC_ABOUT_SUPPORT || id == IDC_ABOUT_SITE;
}

// Hands a document beside the program to the shell; one that cannot be
// opened is left alone and the dialog stays as it is.
void OpenBesideProgram(const wchar_t* name) {
    wchar_t module[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameW(nullptr, module, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        return;
    }
    std::wstring path = module;
    path = path.substr(0, path.find_last_of(L"\\/") + 1) + name;
    ShellExecuteW(nullptr, L"open", path.c_str(), nullptr, nullptr, SW_SHOWNA);
}

void InitAboutDialog(HWND dialog) {
    SetWindowTextW(dialog, L"Pelmora - About");
    SetDlgItemTextW(dialog, IDC_ABOUT_GROUP, L"Pelmora: ");
    const std::wstring version = FormatText(L"Version: %s ", PELMORA_VERSION_WTEXT);
    SetDlgItemTextW(dialog, IDC_ABOUT_VERSION, version.c_str());
    SetDlgItemTextW(dialog, IDC_ABOUT_SUPPORT, L"Guide: " PELMORA_GUIDE_FILE);
}

void CloseAboutDialog(HWND dialog) {
    HICON icon = reinterpret_cast<HICON>(SendMessageW(dialog, WM_GETICON, ICON_SMALL, 0));
    if (icon) {
        DestroyIcon(icon);
    }
    EndDialog(dialog, 0);
}

INT_PTR CALLBACK AboutDialogProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_INITDIALOG:
        InitAboutDialog(dialog);
        return TRUE; // the focus goes to the default button
    case WM_CTLCOLORSTATIC:
        // The version line reaches the group box's right edge; drawn without
        // a background of its own, it leaves the box's border whole.
        if (GetDlgCtrlID(reinterpret_cast<HWND>(lparam)) == IDC_ABOUT_VERSION) {
            SetBkMode(reinterpret_cast<HDC>(wparam), TRANSPARENT);
            return reinterpret_cast<INT_PTR>(GetStockObject(NULL_BRUSH));
        }
        return FALSE;
    case WM_SETCURSOR:
        if (IsLink(GetDlgCtrlID(reinterpret_cast<HWND>(wparam)))) {
            SetCursor(LoadCursorW(nullptr, IDC_HAND));
            SetWindowLongPtrW(dialog, DWLP_MSGRESULT, TRUE);
            return TRUE;
        }
        return FALSE;
    case WM_COMMAND:
        switch (LOWORD(wparam)) {
        case IDC_ABOUT_SUPPORT:
            if (HIWORD(wparam) == STN_CLICKED) {
                OpenBesideProgram(PELMORA_GUIDE_FILE);
            }
            return TRUE;
        case IDC_ABOUT_SITE:
            if (HIWORD(wparam) == STN_CLICKED) {
                OpenBesideProgram(PELMORA_LICENCE_FILE);
            }
            return TRUE;
        case IDOK:
        case IDCANCEL:
            CloseAboutDialog(dialog);
            return TRUE;
        }
        return FALSE;
    case WM_CLOSE:
        CloseAboutDialog(dialog);
        return TRUE;
    }
    return FALSE;
}

} // namespace

INT_PTR ShowAboutDialog(HINSTANCE instance, HWND owner) {
    DialogBoxParamW(instance, MAKEINTRESOURCEW(IDD_ABOUT), owner, AboutDialogProc, 0);
    return 0;
}

// The bookmark dialog (see bookmark_dialog.h).
#include "tools/win32/bookmark_dialog.h"

#include "resources/tools_ids.h"

namespace {

struct BookmarkTexts {
    std::wstring* m_p_name;
    std::wstring* m_p_note;
};

std::wstring ItemText(HWND dialog, int id) {
    HWND edit = GetDlgItem(dialog, id);
    const int length = GetWindowTextLengthW(edit);
    std::wstring text(static_cast<size_t>(length > 0 ? length : 0) + 1, L'\0');
    const int copied = GetWindowTextW(edit, &text[0], length + 1);
    text.resize(static_cast<size_t>(copied > 0 ? copied : 0));
    return text;
}

INT_PTR CALLBACK BookmarkDialogProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_INITDIALOG: {
        SetWindowLongPtrW(dialog, DWLP_USER, lparam);
        const BookmarkTexts* texts = reinterpret_cast<const BookmarkTexts*>(lparam);
        SetDlgItemTextW(dialog, IDC_BOOKMARK_NAME, texts->m_p_name->c_str());
        SetDlgItemTextW(dialog, IDC_BOOKMARK_NOTE, texts->m_p_note->c_str());
        // A new bookmark starts with its offset as the name, meant to be typed over.
        HWND name = GetDlgItem(dialog, IDC_BOOKMARK_NAME);
        SetFocus(name);
        SendMessageW(name, EM_SETSEL, 0, -1);
        return FALSE;
    }
    case WM_COMMAND:
        switch (LOWORD(wparam)) {
        case IDOK: {
            const BookmarkTexts* texts =
                reinterpret_cast<const BookmarkTexts*>(GetWindowLongPtrW(dialog, DWLP_USER));
            *texts->m_p_name = ItemText(dialog, IDC_BOOKMARK_NAME);
            *texts->m_p_note = ItemText(dialog, IDC_BOOKMARK_NOTE);
            EndDialog(dialog, 1);
            return TRUE;
        }
        case IDCANCEL:
            EndDialog(dialog, 0);
            return TRUE;
        }
        break;
    }
    return FALSE;
}

} // namespace

int AskBookmarkText(HINSTANCE instance, HWND owner, std::wstring* name, std::wstring* note) {
    if (!name || !note) {
        return 0;
    }
    BookmarkTexts texts = {name, note};
    return DialogBoxParamW(instance, MAKEINTRESOURCEW(IDD_BOOKMARK), owner, BookmarkDialogProc,
                           reinterpret_cast<LPARAM>(&texts)) == 1;
}

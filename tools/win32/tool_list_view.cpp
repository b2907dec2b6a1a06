// The tool windows' list-views (see tool_list_view.h).
#include "tools/win32/tool_list_view.h"

HWND CreateToolList(HWND parent, HINSTANCE instance, int id, DWORD extended_style,
                    const ListColumn* columns, int count) {
    HWND list = CreateWindowExW(
        WS_EX_CLIENTEDGE, WC_LISTVIEWW, L"",
        WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_CLIPCHILDREN | LVS_REPORT | LVS_SINGLESEL |
            LVS_SHOWSELALWAYS | LVS_NOSORTHEADER,
        0, 0, 0, 0, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
    if (!list) {
        return nullptr;
    }
    SendMessageW(list, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)),
                 FALSE);
    SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, extended_style);
    for (int i = 0; i < count; ++i) {
        LVCOLUMNW column = {};
        column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
        column.pszText = const_cast<wchar_t*>(columns[i].m_sz_title);
        column.cx = columns[i].m_n_width;
        column.iSubItem = i;
        SendMessageW(list, LVM_INSERTCOLUMNW, static_cast<WPARAM>(i),
                     reinterpret_cast<LPARAM>(&column));
    }
    return list;
}

void AppendListRow(HWND list, const wchar_t* text) {
    LVITEMW item = {};
    item.mask = LVIF_TEXT;
    item.iItem = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
    item.pszText = const_cast<wchar_t*>(text);
    SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
}

void SetListCell(HWND list, int row, int column, const std::wstring& text) {
    LVITEMW item = {};
    item.iSubItem = column;
    item.pszText = const_cast<wchar_t*>(text.c_str());
    SendMessageW(list, LVM_SETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
}

int SelectedListRow(HWND list) {
    return list ? static_cast<int>(
                      SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED))
                : -1;
}

int IsCopyKey(const NMLVKEYDOWN* key) {
    return key->wVKey == 'C' && (GetKeyState(VK_CONTROL) & 0x8000) ? 1 : 0;
}

UINT TrackMenuAtCursor(HMENU menu, HWND owner) {
    POINT cursor = {};
    GetCursorPos(&cursor);
    return static_cast<UINT>(TrackPopupMenuEx(menu, TPM_RIGHTBUTTON | TPM_RETURNCMD, cursor.x,
                                              cursor.y, owner, nullptr));
}

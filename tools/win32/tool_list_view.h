// The report list-views of the tool windows: columns, rows, cells, the
// selected row, the Ctrl+C key and a row's shortcut menu at the cursor.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include <string>

struct ListColumn {
    const wchar_t* m_sz_title;
    int m_n_width;
};

// Makes a report list-view child of parent with the given extended styles
// (single selection, always showing it, no sorting header) and its columns.
HWND CreateToolList(HWND parent, HINSTANCE instance, int id, DWORD extended_style,
                    const ListColumn* columns, int count);
// Appends a row whose first cell is text.
void AppendListRow(HWND list, const wchar_t* text);
void SetListCell(HWND list, int row, int column, const std::wstring& text);
// The selected row, or -1 (none, or no list).
int SelectedListRow(HWND list);
// 1 when a list-view's key notice is Ctrl+C.
int IsCopyKey(const NMLVKEYDOWN* key);
// Shows menu at the mouse cursor for owner; the command chosen, or 0.
UINT TrackMenuAtCursor(HMENU menu, HWND owner);

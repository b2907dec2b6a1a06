// The bookmarks window: a modeless tool window beside the main window with a
// list of the current document's bookmarks (offset, length, name, note) in
// offset order, and buttons to edit the note, delete, export and import.
// Enter or a double click selects a bookmark's bytes in the view; F2 renames
// it in place; Delete removes the selected ones after asking; Ctrl+C copies
// them as text in the export format.
#pragma once

#include "tools/win32/tool_window.h"

#include <windows.h>
#include <commctrl.h>

#include <cstdint>
#include <string>
#include <vector>

class BookmarkSet;
struct ViewState;

class CBookmarksWindow : public CToolWindow {
  public:
    CBookmarksWindow(HINSTANCE instance, HWND owner, ViewState* state);
    ~CBookmarksWindow() override;

    // The bookmarks it shows and edits from now on (null: none, no document).
    void SetBookmarks(BookmarkSet* set);
    // Shows the set as it is now (after any change of it).
    void Refresh();

  protected:
    LRESULT Handle(UINT message, WPARAM wparam, LPARAM lparam) override;
    void CreateControls() override;
    void Layout() override;
    void OnOpened() override;
    void OnDestroyed() override;

  private:
    // The ids of the selected rows, in list order.
    std::vector<uint64_t> SelectedIds() const;
    int FocusedRow() const;
    void GoToRow(int row);
    void EditNote();
    void DeleteSelected();
    void CopySelected();
    void Export();
    void Import();
    HWND RowList() const override { return m_h_list; }
    void ShowRowMenu() override;
    void FillCell(NMLVDISPINFOW* info);
    void EndRename(const NMLVDISPINFOW* info);

    ViewState* m_p_state;
    BookmarkSet* m_p_set = nullptr;
    HWND m_h_list = nullptr;
    HWND m_h_buttons[4] = {};
    std::wstring m_sz_cell; // the text of the cell last handed to the list
};

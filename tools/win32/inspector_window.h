// The data inspector window: a modeless tool window owned by the main window
// with a "Big endian" check box and a list-view of one row a type (name,
// value, note). While it is open it follows the selection through the view's
// change hook and the bytes through its watch of the document.
#pragma once

#include "data/document_change.h"
#include "tools/value_decoder.h"
#include "tools/win32/tool_window.h"
#include "view/view_state.h"

#include <windows.h>

#include <string>

class CInspectorWindow : public CToolWindow, private DocumentWatcher {
  public:
    // Shows the document the frame sets, in edit mode as the view state says.
    CInspectorWindow(HINSTANCE instance, HWND owner, ViewState* state);
    ~CInspectorWindow() override;

    // The document it shows and watches for changed bytes from now on (null:
    // none); the frame sets it whenever it installs a document.
    void SetDocument(CallBackInfo* doc);

  private:
    static LRESULT CALLBACK EditProc(HWND edit, UINT message, WPARAM wparam, LPARAM lparam,
                                     UINT_PTR id, DWORD_PTR data);
    static void OnViewChanged(void* context);
    void DocumentChanged(const CallBackInfo& doc, const DocumentChange& change) override;
    LRESULT Handle(UINT message, WPARAM wparam, LPARAM lparam) override;
    void CreateControls() override;
    void Layout() override;
    void OnOpened() override;
    void OnDestroyed() override;
    // The byte order beside the open state and place.
    void ReadKeys(const CSettingsBatch& file, const wchar_t* section) override;
    void WriteKeys(CSettingsBatch* file, const wchar_t* section) const override;
    // Sets the texts that differ from the shown ones, so unchanged rows never repaint.
    void Refresh();
    // Refresh when the document, its bytes, the selection start or the edit
    // mode differ from the last refresh: an edit reaches the window twice
    // (through its watch and through the view's repaint), and most repaints
    // change nothing it shows.
    void RefreshIfChanged();
    void SetCell(int row, int column, const std::wstring& text);
    // A note beside the row that stays while the selection starts at offset
    // and the bytes are unchanged.
    void KeepNote(int row, const std::wstring& note, int64_t offset);
    void ClearNotes();
    void BeginEdit(int row);
    void CommitEdit();
    void EndEdit();
    void CopyRow(int row);
    HWND RowList() const override { return m_h_list; }
    void ShowRowMenu() override;
    int EditModeOn() const;
    uint64_t BytesGeneration() const;

    ViewState* m_p_state;
    CallBackInfo* m_p_doc = nullptr;
    HWND m_h_check = nullptr;
    HWND m_h_list = nullptr;
    HWND m_h_edit = nullptr; // the in-place editor, while a value is typed
    int m_n_edit_row = -1;
    int64_t m_n_edit_offset = -1; // the selection start the editor writes at
    int m_b_big_endian = 0;
    // What each row shows now: value and note.
    std::wstring m_sz_values[kInspectorTypeCount];
    std::wstring m_sz_notes[kInspectorTypeCount];
    // What the rows were last filled from (m_b_basis: they were).
    struct Basis {
        const CallBackInfo* m_p_doc = nullptr;
        int64_t m_n_start = -1;
        uint64_t m_n_generation = 0;
        int m_b_edit_mode = 0;
        bool operator==(const Basis& o) const {
            return m_p_doc == o.m_p_doc && m_n_start == o.m_n_start &&
                   m_n_generation == o.m_n_generation && m_b_edit_mode == o.m_b_edit_mode;
        }
    };
    Basis CurrentBasis() const;
    Basis m_basis;
    int m_b_basis = 0;
    int64_t m_n_note_offset = -1;     // a refusal's note stays while the selection starts here
    uint64_t m_n_note_generation = 0; // and while the bytes are as they were then
    DocumentWatch m_watch;
};

// The data inspector window: a modeless tool window owned by the main window
// with a "Big endian" check box and a list-view of one row a type (name,
// value, note). While it is open it follows the selection through the view's
// change hook and the bytes through its watch of the document.
#pragma once

#include "data/document_change.h"
#include "tools/value_decoder.h"
#include "view/view_state.h"

#include <windows.h>

#include <string>

class CInspectorWindow : private DocumentWatcher {
  public:
    // Shows the document the frame sets, in edit mode as the view state says.
    CInspectorWindow(HINSTANCE instance, HWND owner, ViewState* state);
    ~CInspectorWindow();
    CInspectorWindow(const CInspectorWindow&) = delete;
    CInspectorWindow& operator=(const CInspectorWindow&) = delete;

    // Shows the window where it was last kept (or beside the owner); 1 when it shows.
    int Open();
    // Keeps its place and destroys it.
    void Close();
    int IsOpen() const { return m_h_window != nullptr; }
    // The document it shows and watches for changed bytes from now on (null:
    // none); the frame sets it whenever it installs a document.
    void SetDocument(CallBackInfo* doc);
    // Opens it when settings.ini says it was open at the last exit.
    void RestoreFromSettings();
    // Keeps open state, place and byte order in settings.ini (at exit); a
    // window never opened in this run leaves the file as it is.
    void SaveSettings() const;
    // Dialog keys (Tab, Enter, Esc) for the window's controls; 1 when taken.
    int PreTranslate(MSG* message);

  private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
    static LRESULT CALLBACK EditProc(HWND edit, UINT message, WPARAM wparam, LPARAM lparam,
                                     UINT_PTR id, DWORD_PTR data);
    static void OnViewChanged(void* context);
    void DocumentChanged(const CallBackInfo& doc, const DocumentChange& change) override;
    LRESULT Handle(UINT message, WPARAM wparam, LPARAM lparam);
    void CreateControls();
    void Layout();
    // Sets the texts that differ from the shown ones, so unchanged rows never repaint.
    void Refresh();
    void SetCell(int row, int column, const std::wstring& text);
    // A note beside the row that stays while the selection starts at offset
    // and the bytes are unchanged.
    void KeepNote(int row, const std::wstring& note, int64_t offset);
    void ClearNotes();
    int SelectedRow() const;
    void BeginEdit(int row);
    void CommitEdit();
    void EndEdit();
    void CopyRow(int row);
    void ShowRowMenu();
    void OnDestroyed();
    int EditModeOn() const;
    uint64_t BytesGeneration() const;

    HINSTANCE m_h_instance;
    HWND m_h_owner;
    ViewState* m_p_state;
    CallBackInfo* m_p_doc = nullptr;
    HWND m_h_window = nullptr;
    HWND m_h_check = nullptr;
    HWND m_h_list = nullptr;
    HWND m_h_edit = nullptr; // the in-place editor, while a value is typed
    int m_n_edit_row = -1;
    int64_t m_n_edit_offset = -1; // the selection start the editor writes at
    int m_b_big_endian = 0;
    RECT m_rc_kept = {}; // the last place, kept when the window goes
    int m_b_place_kept = 0;
    int m_b_shown = 0; // opened in this run: only then is there anything to keep
    // What each row shows now: value and note.
    std::wstring m_sz_values[kInspectorTypeCount];
    std::wstring m_sz_notes[kInspectorTypeCount];
    int64_t m_n_note_offset = -1;     // a refusal's note stays while the selection starts here
    uint64_t m_n_note_generation = 0; // and while the bytes are as they were then
    DocumentWatch m_watch;
};

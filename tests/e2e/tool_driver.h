// Driving the editing tools of the real pelmora.exe: a sandbox folder with a
// private copy of the program, the status panes, the system clipboard as
// this test process sees it, the Goto dialog and selections made through it.
#pragma once

#include "tests/e2e/e2e_harness.h"
#include "tests/e2e/e2e_session.h"

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace tools_e2e {

using Bytes = std::vector<unsigned char>;

constexpr WORD kCmdEditMode = 40020;
constexpr WORD kCmdGoto = 40018;
constexpr WORD kCmdFind = 40019;
constexpr WORD kCmdCopyHex = 40041;
constexpr WORD kCmdCopyHexFormat = 40039;
constexpr WORD kCmdCopyRaw = 40038;
constexpr WORD kCmdCut = 40066;
constexpr WORD kCmdPasteInsert = 40092;
constexpr WORD kCmdPasteOverwrite = 40096;
constexpr WORD kCmdRemove = 40063;
constexpr WORD kCmdSetBegin = 40053;
constexpr WORD kCmdSetEnd = 40052;
constexpr WORD kCmdSaveWorkspace = 40077;

using e2e::Counting;
using e2e::Sandbox;
using e2e::WaitGone;
// A file of the size in the sandbox, zero everywhere except the bytes written
// at `at`; its path, or "" when it could not be made.
std::wstring WriteSparse(const Sandbox& box, const std::wstring& name, int64_t size, int64_t at,
                         const Bytes& bytes);
inline Bytes ReadFileBytes(const std::wstring& path) {
    return e2e::ReadAll(path);
}
std::string Hex(const Bytes& bytes); // "41420D"

class GotoDialog;

// The program with one file open: the main window and its view's parts.
// Selections are made through a Goto dialog that stays open between them
// (commands still reach the main window while it shows), since every hiding
// of a dialog costs Wine two seconds without a window manager.
struct App {
    App();
    ~App();
    App(const App&) = delete;
    App& operator=(const App&) = delete;

    e2e::PelmoraProcess m_process;
    HWND m_h_main = nullptr;
    HWND m_h_view = nullptr;
    HWND m_h_status = nullptr;
    std::unique_ptr<GotoDialog> m_p_goto;

    // The open Goto dialog, opened on first use (null when it did not appear).
    GotoDialog* Goto();
    void CloseGoto();
    // Closes the Goto dialog, then the program; its exit code or -1.
    int Close();

    // Starts the program on the file; 1 when its window shows the file.
    int Open(const Sandbox& box, const std::wstring& path);
    std::wstring Status(int part) const;
    // Polls the pane until it shows the text (after posted input); its last text.
    std::wstring WaitStatus(int part, const std::wstring& text, int timeout_ms = 3000) const;
    // A command that opens no modal window, returning once it has run; false
    // when the program did not answer in time.
    bool Command(WORD id) const;
    // The "Message" box of the program, or null when none shows in time.
    HWND WaitForMessage(DWORD timeout_ms) const;
};

inline std::wstring MessageText(HWND box) {
    return e2e::MessageBoxText(box);
}
// Presses a dialog button by command ID (posted) and waits for the window to go.
bool Dismiss(HWND box, WORD button, int timeout_ms = 5000);

// The system clipboard from this process. Read: the block of the format with
// its full size, false when there is none. Put: replaces the clipboard with
// one block.
bool ReadClipboard(UINT format, Bytes* block);
bool PutClipboard(UINT format, const Bytes& block);
bool PutClipboardText(const std::wstring& text);
bool ClearClipboard();
// CF_UNICODETEXT as text, without its terminator; "<none>" when absent.
std::wstring ClipboardUnicode();

// The Goto dialog of a running program.
class GotoDialog {
  public:
    // Opens it through "&Goto..."; Window() is null when it did not appear.
    explicit GotoDialog(App* app);
    ~GotoDialog();
    GotoDialog(const GotoDialog&) = delete;
    GotoDialog& operator=(const GotoDialog&) = delete;

    HWND Window() const { return m_h_dialog; }
    HWND Input() const { return GetDlgItem(m_h_dialog, 1001); }
    std::wstring Text() const;
    void SetText(const std::wstring& text) const; // as a paste of the whole text would
    void Type(const std::wstring& keys) const;    // one WM_CHAR per character
    bool HexChecked() const;
    void Click(int id) const; // a real button click (BM_CLICK)
    // Types the number (hex with "0x") from the beginning and presses "&Next".
    void JumpTo(int64_t offset) const;
    void Close();

  private:
    App* m_p_app;
    HWND m_h_dialog = nullptr;
};

// The Find dialog of a running program (opened through "&Find...").
class FindDialog {
  public:
    // Opens it through the command ("&Find..." or its shortcut command).
    explicit FindDialog(App* app, WORD command = kCmdFind);
    ~FindDialog();
    FindDialog(const FindDialog&) = delete;
    FindDialog& operator=(const FindDialog&) = delete;

    HWND Window() const { return m_h_dialog; }
    HWND Item(int id) const { return GetDlgItem(m_h_dialog, id); }
    std::wstring Pattern() const;
    void SetPattern(const std::wstring& text) const;
    void TypePattern(const std::wstring& keys) const;
    void Click(int id) const;
    // Hex mode, or text mode with the code page entry (0 "UNICODE" .. 3 "UTF-7").
    void UseHex() const;
    void UseText(int code_page_index) const;
    bool Enabled(int id) const;
    int ProgressPos() const;
    int ProgressMax() const;
    // Waits until "&Next" is usable again (the search ended); false on timeout.
    bool WaitIdle(int timeout_ms) const;
    // Sets the pattern, presses "&Next" (1012) or "&Previous" (1011) and
    // waits for the end of the search.
    bool Search(const std::wstring& pattern, int button, int timeout_ms = 10000) const;
    // Closes it through Cancel; false when it did not go in time.
    bool Close(int timeout_ms = 5000);

  private:
    HWND m_h_dialog = nullptr;
};

// Selects first..last (both included) through Goto and the begin and end
// markers; 1 when the status bar then shows that selection.
int SelectRange(App* app, int64_t first, int64_t last);
// The whole document as plain hex text, copied through "&Displayed hex".
std::wstring DocumentHex(App* app, int64_t size);

// Adds the selection first..last as a bookmark through "Add &bookmark" and
// its dialog; 1 when the dialog offered the first offset as the name and
// took the ones given.
int AddBookmark(App* app, int64_t first, int64_t last, const std::wstring& name,
                const std::wstring& note);
// A list-view cell's text through LVM_GETITEMTEXTW, with the item record and
// the text buffer in the program's own memory.
std::wstring ListCell(const App& app, HWND list, int row, int column);
// Opens the bookmarks window through "&Bookmarks"; its list, or null.
HWND OpenBookmarks(App* app, HWND* window);

} // namespace tools_e2e

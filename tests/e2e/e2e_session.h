// Shared pieces of the end-to-end tests: a private folder with its own copy
// of pelmora.exe (so settings.ini and workspace files touch no other test),
// file helpers, and the windows of a running instance (view, status bar,
// message boxes) read from outside the process.
#pragma once

#include "tests/e2e/e2e_harness.h"

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <utility>
#include <vector>

namespace e2e {

std::wstring Env(const wchar_t* name);
// A Unix path as Wine sees it (Z:\...), backslashes throughout.
std::wstring WindowsPath(std::wstring path);

// A fresh folder named after the test with a copy of $PELMORA_EXE in it;
// the folder and every file in it are removed at the end.
class Sandbox {
  public:
    explicit Sandbox(const std::wstring& name);
    ~Sandbox();
    Sandbox(const Sandbox&) = delete;
    Sandbox& operator=(const Sandbox&) = delete;

    // Writes a file of the given bytes into the folder; its full path, or ""
    // when it could not be written whole.
    std::wstring File(const std::wstring& name, const std::vector<unsigned char>& bytes) const;
    // Writes settings.ini beside the exe; false when it could not.
    bool Settings(const std::string& text) const;
    // The names of the plain files in the folder (the exe included).
    std::vector<std::wstring> Files() const;
    const std::wstring& Exe() const { return m_sz_exe; }
    const std::wstring& Folder() const { return m_sz_folder; }

  private:
    // Deletes every plain file in the folder.
    void Empty() const;

    std::wstring m_sz_folder;
    std::wstring m_sz_exe;
};

std::vector<unsigned char> ReadAll(const std::wstring& path);
bool Exists(const std::wstring& path);
// Bytes 00 01 02 ... wrapping at 256.
std::vector<unsigned char> Counting(size_t size);

// Starts the exe with the arguments and waits for its main window (with the
// title when given); null when it did not appear.
HWND StartOn(PelmoraProcess& app, const std::wstring& exe, const std::wstring& arguments,
             const wchar_t* title = nullptr);
// Starts the sandbox's exe on a file, waits for the window titled with the
// file's path, sizes it and waits for its paint to settle; null when it did
// not appear, take the size or settle.
HWND StartSizedOn(PelmoraProcess& app, const Sandbox& box, const std::wstring& path, int width,
                  int height);
HWND ViewControl(HWND main);
HWND StatusBar(HWND main);
// One status pane's text, read through memory of the program's own process.
std::wstring StatusPane(const PelmoraProcess& app, HWND status, int part);

// The root items of a tree view of the program and their texts, read through
// memory of the program's own process; empty when that memory is refused.
std::vector<std::pair<HTREEITEM, std::wstring>> TreeItems(const PelmoraProcess& app, HWND tree);
// Whether the text ends with the given end, letter case ignored as Windows
// compares file names.
bool EndsWithNoCase(const std::wstring& text, const std::wstring& end);
// Posts "Open virtual memory" to the main window and waits for its dialog;
// null when it did not appear.
HWND ShowProcessDialog(PelmoraProcess& app, HWND main);
// The process tree of that dialog.
HWND ProcessTree(HWND dialog);
// Shows that dialog and selects the first process whose path ends with the
// name; the dialog, or null when it did not appear or the process is not listed.
HWND ChooseProcess(PelmoraProcess& app, HWND main, const std::wstring& name);

// Runs a command that opens no modal window and returns once it has run (a
// posted command would still be queued behind a synchronising sent message);
// false when the program did not answer in time.
bool Command(HWND main, WORD id);

// The longest static text of a dialog or message box.
std::wstring MessageBoxText(HWND box);
// Waits until the window is hidden or destroyed (Wine may destroy a hidden
// dialog a little later); false on timeout.
bool WaitGone(HWND window, int timeout_ms);
// Waits until the window is destroyed, not only hidden; false on timeout.
bool WaitDestroyed(HWND window, int timeout_ms);
// Presses a dialog button by its command ID and waits for the dialog to go;
// false when it did not go.
bool Answer(HWND box, WORD button);
// Waits for the "Message" box and returns its text after closing it.
std::wstring TakeMessage(PelmoraProcess& app, int timeout_ms = 20000);

// The view's colours where the settings file sets none, as picture pixels.
struct ViewPixels {
    uint32_t m_n_hex;
    uint32_t m_n_selected;
    uint32_t m_n_modified;
    uint32_t m_n_modified_selected; // a modified byte inside the selection
    uint32_t m_n_header;
    uint32_t m_n_line_number;
};
ViewPixels DefaultViewPixels();
// Pixels of the colour over the first hex cell of the first row as the
// screen shows it; -1 when the cell cannot be found.
int FirstCellColour(HWND control, uint32_t pixel);

// Client point of the first hex cell of the first row, found on the screen:
// the first header label marks the column and the first address text the row.
bool FirstCellPoint(HWND control, POINT* point);
// Waits until the status bar's thread (the main window's) has handled every
// message posted to it before: a simple mode posted after them has been
// taken (it is undone at once). False on timeout.
bool PostedMessagesHandled(HWND status);
// Double click on the first byte (select, edit mode on) and two digits typed
// into the view; true when the byte then reads as typed, copied through
// "&Displayed hex" (which replaces the clipboard).
bool EditFirstByte(HWND main, char high = '4', char low = '1');

} // namespace e2e

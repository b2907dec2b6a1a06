// Shared pieces of the end-to-end tests (see e2e_session.h).
#include "tests/e2e/e2e_session.h"

#include "settings/item_attributes.h"

#include <commctrl.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cwchar>

namespace e2e {

std::wstring Env(const wchar_t* name) {
    wchar_t buffer[1024] = {};
    const DWORD n = GetEnvironmentVariableW(name, buffer, 1024);
    return n > 0 && n < 1024 ? std::wstring(buffer) : std::wstring();
}

std::wstring WindowsPath(std::wstring path) {
    if (!path.empty() && path[0] == L'/') {
        path = L"Z:" + path;
    }
    for (wchar_t& c : path) {
        if (c == L'/') {
            c = L'\\';
        }
    }
    return path;
}

namespace {

// Deletes a folder with everything in it.
void RemoveTree(const std::wstring& folder) {
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = data.cFileName;
            if (name == L"." || name == L"..") {
                continue;
            }
            const std::wstring path = folder + L"\\" + name;
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTree(path);
            } else {
                SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileW(path.c_str());
            }
        } while (FindNextFileW(find, &data));
        FindClose(find);
    }
    RemoveDirectoryW(folder.c_str());
}

} // namespace

Sandbox::Sandbox(const std::wstring& name) {
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    m_sz_folder = std::wstring(temp) + L"pelmora_e2e_" + std::to_wstring(GetCurrentProcessId()) +
                  L"_" + name + L"\\";
    CreateDirectoryW(m_sz_folder.c_str(), nullptr);
    // A run cut short leaves its folder, and process IDs repeat under Wine:
    // a test starts from an empty folder, never from another run's settings.
    Empty();
    // The per-user data the program keeps (its bookmarks) stays in the
    // sandbox too: the programs started from here inherit this environment.
    RemoveTree(m_sz_folder + L"appdata");
    SetEnvironmentVariableW(L"LOCALAPPDATA", (m_sz_folder + L"appdata").c_str());
    m_sz_exe = m_sz_folder + L"pelmora.exe";
    CopyFileW(WindowsPath(Env(L"PELMORA_EXE")).c_str(), m_sz_exe.c_str(), FALSE);
}

Sandbox::~Sandbox() {
    Empty();
    RemoveTree(m_sz_folder + L"appdata");
    RemoveDirectoryW(m_sz_folder.c_str());
}

void Sandbox::Empty() const {
    for (const std::wstring& file : Files()) {
        const std::wstring path = m_sz_folder + file;
        SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(path.c_str());
    }
}

std::wstring Sandbox::File(const std::wstring& name,
                           const std::vector<unsigned char>& bytes) const {
    const std::wstring path = m_sz_folder + name;
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return std::wstring();
    }
    size_t done = 0;
    while (done < bytes.size()) {
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1 << 24));
        DWORD written = 0;
        if (!WriteFile(file, bytes.data() + done, chunk, &written, nullptr) || written == 0) {
            break;
        }
        done += written;
    }
    CloseHandle(file);
    return done == bytes.size() ? path : std::wstring();
}

bool Sandbox::Settings(const std::string& text) const {
    std::FILE* f = _wfopen((m_sz_folder + L"settings.ini").c_str(), L"wb");
    if (!f) {
        return false;
    }
    const bool written = std::fwrite(text.data(), 1, text.size(), f) == text.size();
    return std::fclose(f) == 0 && written;
}

std::vector<std::wstring> Sandbox::Files() const {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((m_sz_folder + L"*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) {
        return names;
    }
    do {
        if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
            names.push_back(data.cFileName);
        }
    } while (FindNextFileW(find, &data));
    FindClose(find);
    return names;
}

std::vector<unsigned char> ReadAll(const std::wstring& path) {
    std::vector<unsigned char> bytes;
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return bytes;
    }
    LARGE_INTEGER size = {};
    GetFileSizeEx(file, &size);
    bytes.resize(static_cast<size_t>(size.QuadPart));
    size_t done = 0;
    while (done < bytes.size()) {
        DWORD read = 0;
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1 << 24));
        if (!ReadFile(file, bytes.data() + done, chunk, &read, nullptr) || read == 0) {
            break;
        }
        done += read;
    }
    bytes.resize(done);
    CloseHandle(file);
    return bytes;
}

bool Exists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::vector<unsigned char> Counting(size_t size) {
    std::vector<unsigned char> bytes(size);
    for (size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<unsigned char>(i);
    }
    return bytes;
}

HWND StartOn(PelmoraProcess& app, const std::wstring& exe, const std::wstring& arguments,
             const wchar_t* title) {
    if (app.Start(arguments, exe) != 1) {
        return nullptr;
    }
    HWND main = app.WaitForMainWindow(20000, title);
    return main != nullptr && Sync(main) ? main : nullptr;
}

HWND StartSizedOn(PelmoraProcess& app, const Sandbox& box, const std::wstring& path, int width,
                  int height) {
    const std::wstring title = L"Pelmora - " + path;
    HWND main = StartOn(app, box.Exe(), L"\"" + path + L"\"", title.c_str());
    if (!main) {
        return nullptr;
    }
    SetWindowPos(main, nullptr, 0, 0, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
    RECT rect = {};
    const bool sized = GetWindowRect(main, &rect) && rect.right - rect.left == width &&
                       rect.bottom - rect.top == height;
    return sized && Sync(main) && WaitPaintSettled(main) ? main : nullptr;
}

HWND ViewControl(HWND main) {
    return FindChild(main, L"PELMORA_CTRL");
}

HWND StatusBar(HWND main) {
    HWND control = ViewControl(main);
    return control ? FindChild(control, STATUSCLASSNAMEW) : nullptr;
}

std::wstring StatusPane(const PelmoraProcess& app, HWND status, int part) {
    const LRESULT length = Send(status, SB_GETTEXTLENGTHW, static_cast<WPARAM>(part), 0);
    const size_t count = static_cast<size_t>(LOWORD(length)) + 1;
    void* remote = VirtualAllocEx(app.Handle(), nullptr, count * sizeof(wchar_t),
                                  MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    if (!remote) {
        return L"<no memory>";
    }
    std::vector<wchar_t> text(count, 0);
    Send(status, SB_GETTEXTW, static_cast<WPARAM>(part), reinterpret_cast<LPARAM>(remote));
    SIZE_T read = 0;
    ReadProcessMemory(app.Handle(), remote, text.data(), count * sizeof(wchar_t), &read);
    VirtualFreeEx(app.Handle(), remote, 0, MEM_RELEASE);
    text[count - 1] = 0;
    return std::wstring(text.data());
}

std::vector<std::pair<HTREEITEM, std::wstring>> TreeItems(const PelmoraProcess& app, HWND tree) {
    std::vector<std::pair<HTREEITEM, std::wstring>> items;
    const size_t capacity = 1024;
    const size_t bytes = sizeof(TVITEMW) + capacity * sizeof(wchar_t);
    auto* remote = static_cast<unsigned char*>(
        VirtualAllocEx(app.Handle(), nullptr, bytes, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
    if (remote == nullptr)
        return items;
    auto item = reinterpret_cast<HTREEITEM>(Send(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0));
    while (item != nullptr) {
        TVITEMW query = {};
        query.mask = TVIF_TEXT | TVIF_HANDLE;
        query.hItem = item;
        query.pszText = reinterpret_cast<wchar_t*>(remote + sizeof(TVITEMW));
        query.cchTextMax = static_cast<int>(capacity);
        SIZE_T moved = 0;
        WriteProcessMemory(app.Handle(), remote, &query, sizeof(query), &moved);
        Send(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(remote));
        std::vector<wchar_t> text(capacity, 0);
        ReadProcessMemory(app.Handle(), remote + sizeof(TVITEMW), text.data(),
                          capacity * sizeof(wchar_t), &moved);
        text[capacity - 1] = 0;
        items.emplace_back(item, std::wstring(text.data()));
        item = reinterpret_cast<HTREEITEM>(
            Send(tree, TVM_GETNEXTITEM, TVGN_NEXT, reinterpret_cast<LPARAM>(item)));
    }
    VirtualFreeEx(app.Handle(), remote, 0, MEM_RELEASE);
    return items;
}

bool EndsWithNoCase(const std::wstring& text, const std::wstring& end) {
    return text.size() >= end.size() &&
           _wcsicmp(text.c_str() + text.size() - end.size(), end.c_str()) == 0;
}

// The first root item of the tree whose text ends with the name; null when none.
static HTREEITEM FindTreeItem(const PelmoraProcess& app, HWND tree, const std::wstring& name) {
    for (const auto& item : TreeItems(app, tree))
        if (EndsWithNoCase(item.second, name))
            return item.first;
    return nullptr;
}

HWND ShowProcessDialog(PelmoraProcess& app, HWND main) {
    const WORD open_process = 40010;
    if (!PostCommand(main, open_process))
        return nullptr;
    return app.WaitForWindow(L"#32770", L"Pelmora -- Open virtual memory", 20000);
}

HWND ProcessTree(HWND dialog) {
    return GetDlgItem(dialog, 1054);
}

HWND ChooseProcess(PelmoraProcess& app, HWND main, const std::wstring& name) {
    HWND dialog = ShowProcessDialog(app, main);
    if (dialog == nullptr)
        return nullptr;
    HWND tree = ProcessTree(dialog);
    HTREEITEM item = FindTreeItem(app, tree, name);
    if (item == nullptr)
        return nullptr;
    if (!Send(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item))) {
        return nullptr;
    }
    return dialog;
}

bool Command(HWND main, WORD id) {
    DWORD_PTR result = 0;
    return SendMessageTimeoutW(main, WM_COMMAND, MAKEWPARAM(id, 0), 0, SMTO_ABORTIFHUNG, 5000,
                               &result) != 0;
}

std::wstring MessageBoxText(HWND box) {
    std::wstring best;
    for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (ClassName(child) == L"Static") {
            const std::wstring text = WindowText(child);
            if (text.size() > best.size()) {
                best = text;
            }
        }
    }
    return best;
}

bool WaitGone(HWND window, int timeout_ms) {
    // A hidden dialog counts as gone: Wine may destroy it a little later.
    for (int waited = 0; IsWindow(window) && IsWindowVisible(window); waited += 20) {
        if (waited >= timeout_ms) {
            return false;
        }
        Sleep(20);
    }
    return true;
}

bool WaitDestroyed(HWND window, int timeout_ms) {
    for (int waited = 0; IsWindow(window); waited += 20) {
        if (waited >= timeout_ms) {
            return false;
        }
        Sleep(20);
    }
    return true;
}

bool Answer(HWND box, WORD button) {
    return Post(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0) && WaitGone(box, 5000);
}

std::wstring TakeMessage(PelmoraProcess& app, int timeout_ms) {
    HWND box = app.WaitForWindow(L"#32770", L"Message", static_cast<DWORD>(timeout_ms));
    if (!box) {
        return std::wstring();
    }
    const std::wstring text = MessageBoxText(box);
    return Answer(box, IDOK) ? text : L"<not closed by OK> " + text;
}

bool FirstCellPoint(HWND control, POINT* point) {
    Picture picture;
    if (!CaptureWindow(control, &picture)) {
        return false;
    }
    const POINT origin = ClientOrigin(control);
    // The header row has no text above the address column.
    const uint32_t background = picture.At(origin.x + 1, origin.y + 1);
    int header_y = -1;
    int header_x = -1;
    for (int y = origin.y; y < picture.m_n_height && header_y < 0; ++y) {
        for (int x = origin.x; x < picture.m_n_width - 20; ++x) {
            if (picture.At(x, y) != background) {
                header_y = y;
                header_x = x;
                break;
            }
        }
    }
    if (header_y < 0) {
        return false;
    }
    // Row 0 starts below the header: the first line with text left of the labels.
    for (int y = header_y + 4; y < picture.m_n_height; ++y) {
        bool header_gap = true;
        for (int x = origin.x; x < header_x - 4; ++x) {
            if (picture.At(x, y) != background) {
                header_gap = false;
                break;
            }
        }
        if (!header_gap) {
            point->x = header_x + 2 - origin.x;
            point->y = y + 4 - origin.y;
            return true;
        }
    }
    return false;
}

ViewPixels DefaultViewPixels() {
    ResetItemColors();
    const ItemColors& c = g_item_colors;
    return ViewPixels{PixelOf(c.color_hex_text_fg),
                      PixelOf(c.color_selected_text_fg),
                      PixelOf(c.color_modified_text_fg),
                      PixelOf(c.color_modified_text_fg ^ c.color_selected_text_fg),
                      PixelOf(c.color_header_fg),
                      PixelOf(c.color_line_number_fg)};
}

int FirstCellColour(HWND control, uint32_t pixel) {
    POINT cell = {};
    Picture picture;
    if (!FirstCellPoint(control, &cell) || !CaptureWindow(control, &picture)) {
        return -1;
    }
    // The point lies on the first digit's upper part; the area holds both
    // digits of the cell and nothing of the next one.
    const POINT origin = ClientOrigin(control);
    const int x = origin.x + cell.x;
    const int y = origin.y + cell.y;
    return CountColour(picture, RECT{x - 6, y - 6, x + 14, y + 12}, pixel);
}

// CF_UNICODETEXT of the clipboard as this process sees it; "" when there is none.
static std::wstring ClipboardText() {
    std::wstring text;
    for (int i = 0; i < 50 && !OpenClipboard(nullptr); ++i) {
        Sleep(20);
    }
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        if (const wchar_t* chars = static_cast<const wchar_t*>(GlobalLock(data))) {
            text.assign(chars, wcsnlen(chars, GlobalSize(data) / sizeof(wchar_t)));
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    return text;
}

static void ClearClipboardText() {
    for (int i = 0; i < 50 && !OpenClipboard(nullptr); ++i) {
        Sleep(20);
    }
    EmptyClipboard();
    CloseClipboard();
}

// The selected bytes as the program copies them with "&Displayed hex" ("" when
// nothing is selected). Sent, so the copy runs before this returns.
static std::wstring SelectedHex(HWND main) {
    const WORD copy_hex = 40041;
    ClearClipboardText();
    Command(main, copy_hex);
    return ClipboardText();
}

bool PostedMessagesHandled(HWND status) {
    if (Send(status, SB_ISSIMPLE) || !Post(status, SB_SIMPLE, TRUE, 0)) {
        return false;
    }
    const bool handled = WaitUntil([&] { return Send(status, SB_ISSIMPLE) != 0; });
    Send(status, SB_SIMPLE, FALSE, 0);
    return handled;
}

bool EditFirstByte(HWND main, char high, char low) {
    HWND control = ViewControl(main);
    HWND status = StatusBar(main);
    POINT cell = {};
    if (!control || !status || !FirstCellPoint(control, &cell)) {
        return false;
    }
    // Posted as one run: no command may come between the two digits, since
    // any command starts a new undo step.
    PostClick(control, cell.x, cell.y, true);
    Post(control, WM_CHAR, static_cast<WPARAM>(high), 0);
    Post(control, WM_CHAR, static_cast<WPARAM>(low), 0);
    if (!PostedMessagesHandled(status)) {
        return false;
    }
    const wchar_t typed[] = {static_cast<wchar_t>(toupper(high)),
                             static_cast<wchar_t>(toupper(low)), 0};
    return SelectedHex(main) == typed;
}

} // namespace e2e

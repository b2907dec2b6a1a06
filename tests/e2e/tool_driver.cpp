// Driving the editing tools of the real pelmora.exe (see tool_driver.h).
#include "tests/e2e/tool_driver.h"

#include <commctrl.h>

#include <algorithm>
#include <cstring>
#include <cwchar>

namespace tools_e2e {

namespace {

// The program may hold the clipboard for a moment; try for a while.
bool OpenClipboardPatiently() {
    for (int i = 0; i < 100; ++i) {
        if (OpenClipboard(nullptr))
            return true;
        Sleep(20);
    }
    return false;
}

// Owns an open clipboard of this process.
struct ClipboardLock {
    ClipboardLock() : m_b_open(OpenClipboardPatiently()) {}
    ~ClipboardLock() {
        if (m_b_open)
            CloseClipboard();
    }
    bool m_b_open;
};

} // namespace

std::wstring WriteSparse(const Sandbox& box, const std::wstring& name, int64_t size, int64_t at,
                         const Bytes& bytes) {
    const std::wstring path = box.Folder() + name;
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return std::wstring();
    LARGE_INTEGER to = {};
    to.QuadPart = size;
    bool ok = SetFilePointerEx(file, to, nullptr, FILE_BEGIN) && SetEndOfFile(file);
    if (ok && !bytes.empty() && at >= 0) {
        to.QuadPart = at;
        DWORD written = 0;
        ok = SetFilePointerEx(file, to, nullptr, FILE_BEGIN) &&
             WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
             written == bytes.size();
    }
    CloseHandle(file);
    return ok ? path : std::wstring();
}

std::string Hex(const Bytes& bytes) {
    static const char digits[] = "0123456789ABCDEF";
    std::string text;
    for (unsigned char b : bytes) {
        text += digits[b >> 4];
        text += digits[b & 15];
    }
    return text;
}

App::App() = default;

App::~App() {
    CloseGoto();
}

GotoDialog* App::Goto() {
    if (m_p_goto == nullptr || m_p_goto->Window() == nullptr || !IsWindow(m_p_goto->Window()))
        m_p_goto.reset(new GotoDialog(this));
    return m_p_goto->Window() != nullptr ? m_p_goto.get() : nullptr;
}

void App::CloseGoto() {
    m_p_goto.reset();
}

int App::Close() {
    CloseGoto();
    return m_process.Close();
}

int App::Open(const Sandbox& box, const std::wstring& path) {
    if (!m_process.Start(path, box.Exe()))
        return 0;
    const std::wstring title = L"Pelmora - " + path;
    m_h_main = m_process.WaitForMainWindow(20000, title.c_str());
    if (m_h_main == nullptr)
        return 0;
    if (!e2e::Sync(m_h_main))
        return 0;
    m_h_view = e2e::FindChild(m_h_main, L"PELMORA_CTRL");
    m_h_status = m_h_view ? e2e::FindChild(m_h_view, STATUSCLASSNAMEW) : nullptr;
    return m_h_view != nullptr && m_h_status != nullptr ? 1 : 0;
}

std::wstring App::Status(int part) const {
    return e2e::StatusPane(m_process, m_h_status, part);
}

std::wstring App::WaitStatus(int part, const std::wstring& text, int timeout_ms) const {
    std::wstring shown = Status(part);
    for (int waited = 0; shown != text && waited < timeout_ms; waited += 20) {
        Sleep(20);
        shown = Status(part);
    }
    return shown;
}

bool App::Command(WORD id) const {
    DWORD_PTR result = 0;
    return SendMessageTimeoutW(m_h_main, WM_COMMAND, MAKEWPARAM(id, 0), 0, SMTO_ABORTIFHUNG, 20000,
                               &result) != 0;
}

HWND App::WaitForMessage(DWORD timeout_ms) const {
    return const_cast<e2e::PelmoraProcess&>(m_process).WaitForWindow(L"#32770", L"Message",
                                                                     timeout_ms);
}

bool Dismiss(HWND box, WORD button, int timeout_ms) {
    e2e::Post(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
    return e2e::WaitGone(box, timeout_ms);
}

bool ReadClipboard(UINT format, Bytes* block) {
    block->clear();
    ClipboardLock lock;
    if (!lock.m_b_open)
        return false;
    HANDLE data = GetClipboardData(format);
    if (data == nullptr)
        return false;
    const SIZE_T size = GlobalSize(data);
    const void* bytes = GlobalLock(data);
    if (bytes == nullptr)
        return false;
    block->assign(static_cast<const unsigned char*>(bytes),
                  static_cast<const unsigned char*>(bytes) + size);
    GlobalUnlock(data);
    return true;
}

bool PutClipboard(UINT format, const Bytes& block) {
    ClipboardLock lock;
    if (!lock.m_b_open || !EmptyClipboard())
        return false;
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, block.size());
    if (memory == nullptr)
        return false;
    void* bytes = GlobalLock(memory);
    if (bytes != nullptr && !block.empty())
        std::memcpy(bytes, block.data(), block.size());
    GlobalUnlock(memory);
    if (SetClipboardData(format, memory) == nullptr) {
        GlobalFree(memory);
        return false;
    }
    return true;
}

bool PutClipboardText(const std::wstring& text) {
    Bytes block((text.size() + 1) * sizeof(wchar_t), 0);
    std::memcpy(block.data(), text.c_str(), text.size() * sizeof(wchar_t));
    return PutClipboard(CF_UNICODETEXT, block);
}

bool ClearClipboard() {
    ClipboardLock lock;
    return lock.m_b_open && EmptyClipboard();
}

std::wstring ClipboardUnicode() {
    Bytes block;
    if (!ReadClipboard(CF_UNICODETEXT, &block))
        return L"<none>";
    std::wstring text(block.size() / 2, L'\0');
    std::memcpy(&text[0], block.data(), text.size() * 2);
    const size_t end = text.find(L'\0');
    if (end != std::wstring::npos)
        text.resize(end);
    return text;
}

GotoDialog::GotoDialog(App* app) : m_p_app(app) {
    e2e::PostCommand(app->m_h_main, kCmdGoto);
    m_h_dialog = app->m_process.WaitForWindow(L"#32770", L"  Pelmora - Goto address", 10000);
}

GotoDialog::~GotoDialog() {
    Close();
}

std::wstring GotoDialog::Text() const {
    return e2e::WindowText(Input());
}

void GotoDialog::SetText(const std::wstring& text) const {
    e2e::Send(Input(), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

void GotoDialog::Type(const std::wstring& keys) const {
    for (wchar_t key : keys)
        e2e::Send(Input(), WM_CHAR, static_cast<WPARAM>(key), 1);
}

bool GotoDialog::HexChecked() const {
    return e2e::Send(GetDlgItem(m_h_dialog, 1002), BM_GETCHECK) == BST_CHECKED;
}

void GotoDialog::Click(int id) const {
    e2e::Send(GetDlgItem(m_h_dialog, id), BM_CLICK, 0, 0, 20000);
}

void GotoDialog::JumpTo(int64_t offset) const {
    wchar_t text[40] = {};
    swprintf(text, 40, L"0x%llX", static_cast<unsigned long long>(offset));
    if (e2e::Send(GetDlgItem(m_h_dialog, 1014), BM_GETCHECK) != BST_CHECKED)
        Click(1014);
    SetText(text);
    Click(1012);
}

void GotoDialog::Close() {
    if (m_h_dialog == nullptr)
        return;
    Dismiss(m_h_dialog, IDCANCEL);
    m_h_dialog = nullptr;
}

FindDialog::FindDialog(App* app, WORD command) {
    e2e::PostCommand(app->m_h_main, command);
    m_h_dialog = app->m_process.WaitForWindow(L"#32770", L"  Pelmora - Find", 10000);
}

FindDialog::~FindDialog() {
    Close();
}

std::wstring FindDialog::Pattern() const {
    return e2e::WindowText(Item(1010));
}

void FindDialog::SetPattern(const std::wstring& text) const {
    e2e::Send(Item(1010), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
    // The caret after the text, as after typing it.
    e2e::Send(Item(1010), EM_SETSEL, text.size(), text.size());
}

void FindDialog::TypePattern(const std::wstring& keys) const {
    for (wchar_t key : keys)
        e2e::Send(Item(1010), WM_CHAR, static_cast<WPARAM>(key), 1);
}

void FindDialog::Click(int id) const {
    e2e::Send(Item(id), BM_CLICK, 0, 0, 20000);
}

void FindDialog::UseHex() const {
    if (e2e::Send(Item(1007), BM_GETCHECK) != BST_CHECKED)
        Click(1007);
}

void FindDialog::UseText(int code_page_index) const {
    if (e2e::Send(Item(1009), BM_GETCHECK) != BST_CHECKED)
        Click(1009);
    e2e::Send(Item(1017), CB_SETCURSEL, static_cast<WPARAM>(code_page_index), 0);
}

bool FindDialog::Enabled(int id) const {
    return IsWindowEnabled(Item(id)) != FALSE;
}

int FindDialog::ProgressPos() const {
    return static_cast<int>(e2e::Send(Item(1018), PBM_GETPOS));
}

int FindDialog::ProgressMax() const {
    return static_cast<int>(e2e::Send(Item(1018), PBM_GETRANGE, FALSE, 0));
}

bool FindDialog::WaitIdle(int timeout_ms) const {
    for (int waited = 0;; waited += 10) {
        if (!e2e::Sync(m_h_dialog))
            return false;
        if (Enabled(1012) && Enabled(1011))
            return true;
        if (waited >= timeout_ms)
            return false;
        Sleep(10);
    }
}

bool FindDialog::Search(const std::wstring& pattern, int button, int timeout_ms) const {
    SetPattern(pattern);
    Click(button);
    return WaitIdle(timeout_ms);
}

bool FindDialog::Close(int timeout_ms) {
    if (m_h_dialog == nullptr)
        return true;
    const bool gone = Dismiss(m_h_dialog, IDCANCEL, timeout_ms);
    m_h_dialog = nullptr;
    return gone;
}

int SelectRange(App* app, int64_t first, int64_t last) {
    GotoDialog* go = app->Goto();
    if (go == nullptr)
        return 0;
    go->JumpTo(first);
    app->Command(kCmdSetBegin);
    go->JumpTo(last);
    app->Command(kCmdSetEnd);

    wchar_t begin[40] = {};
    wchar_t end[40] = {};
    swprintf(begin, 40, L"Begin: 0x%llX", static_cast<unsigned long long>(first));
    swprintf(end, 40, L"End: 0x%llX", static_cast<unsigned long long>(last));
    return app->Status(1) == begin && app->Status(2) == end ? 1 : 0;
}

std::wstring DocumentHex(App* app, int64_t size) {
    if (size <= 0 || !SelectRange(app, 0, size - 1))
        return L"<no selection>";
    ClearClipboard();
    app->Command(kCmdCopyHex);
    return ClipboardUnicode();
}

int AddBookmark(App* app, int64_t first, int64_t last, const std::wstring& name,
                const std::wstring& note) {
    if (SelectRange(app, first, last) != 1)
        return 0;
    e2e::PostCommand(app->m_h_main, 40106);
    HWND dialog = app->m_process.WaitForWindow(L"#32770", L"Pelmora - Bookmark", 10000);
    if (dialog == nullptr)
        return 0;
    wchar_t offered[64] = {};
    e2e::Send(GetDlgItem(dialog, 1201), WM_GETTEXT, 64, reinterpret_cast<LPARAM>(offered));
    wchar_t expected[64] = {};
    swprintf(expected, 64, L"0x%llX", static_cast<unsigned long long>(first));
    // The name offered is the first offset.
    const int offered_right = std::wcscmp(offered, expected) == 0;
    e2e::Send(GetDlgItem(dialog, 1201), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(name.c_str()));
    e2e::Send(GetDlgItem(dialog, 1202), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(note.c_str()));
    return Dismiss(dialog, IDOK) && offered_right ? 1 : 0;
}

std::wstring ListCell(const App& app, HWND list, int row, int column) {
    constexpr size_t kChars = 256;
    HANDLE process = app.m_process.Handle();
    auto* remote = static_cast<char*>(VirtualAllocEx(process, nullptr,
                                                     sizeof(LVITEMW) + kChars * sizeof(wchar_t),
                                                     MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
    if (remote == nullptr)
        return L"<no memory>";
    LVITEMW item = {};
    item.iSubItem = column;
    item.pszText = reinterpret_cast<wchar_t*>(remote + sizeof(LVITEMW));
    item.cchTextMax = kChars;
    SIZE_T done = 0;
    WriteProcessMemory(process, remote, &item, sizeof(item), &done);
    e2e::Send(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(remote));
    wchar_t text[kChars] = {};
    ReadProcessMemory(process, remote + sizeof(LVITEMW), text, sizeof(text), &done);
    VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    text[kChars - 1] = 0;
    return text;
}

HWND OpenBookmarks(App* app, HWND* window) {
    app->Command(40105);
    *window = nullptr;
    for (int waited = 0; waited < 5000; waited += 20) {
        *window = e2e::FindProcessWindow(app->m_process.Id(), L"PelmoraBookmarks", nullptr);
        if (*window != nullptr && IsWindowVisible(*window))
            return e2e::FindChild(*window, WC_LISTVIEWW);
        Sleep(20);
    }
    return nullptr;
}

} // namespace tools_e2e

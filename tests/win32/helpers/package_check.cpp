// Checks an installed Pelmora from the user's side; scripts/test-package runs
// it in the Wine prefix the msi was installed into. Usage:
//   package_check version <exe> <version>  version resource, main window shown and closed
//   package_check zoom <exe>               one zoom step (Ctrl+wheel) in the started program;
//                                          settings.ini must then be beside the exe
//   package_check open-with <file>         the "Open with Pelmora" command of the
//                                          registry, run through ShellExecuteW on
//                                          file, must open a window titled with it
//   package_check product <code> <version> the product is installed for this user
//                                          alone, with that version ("absent": not
//                                          installed at all), as Add/Remove
//                                          Programs asks the Windows Installer
#include <windows.h>

#include <msi.h>
#include <shellapi.h>

#include <cstdio>
#include <string>

namespace {

// Owns a kernel handle.
class Handle {
  public:
    explicit Handle(HANDLE h = nullptr) : m_h(h) {}
    ~Handle() {
        if (m_h != nullptr)
            CloseHandle(m_h);
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    HANDLE get() const { return m_h; }
    void reset(HANDLE h) {
        if (m_h != nullptr)
            CloseHandle(m_h);
        m_h = h;
    }

  private:
    HANDLE m_h;
};

int Fail(const wchar_t* what, const std::wstring& detail = L"") {
    std::fwprintf(stderr, L"package_check: %ls%ls\n", what, detail.c_str());
    return 1;
}

std::wstring FileVersionOf(const wchar_t* path) {
    DWORD ignored = 0;
    DWORD size = GetFileVersionInfoSizeW(path, &ignored);
    if (size == 0)
        return L"";
    std::string block(size, '\0');
    if (!GetFileVersionInfoW(path, 0, size, block.data()))
        return L"";
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length) ||
        fixed == nullptr)
        return L"";
    wchar_t text[64];
    swprintf(text, 64, L"%u.%u.%u.%u", HIWORD(fixed->dwFileVersionMS),
             LOWORD(fixed->dwFileVersionMS), HIWORD(fixed->dwFileVersionLS),
             LOWORD(fixed->dwFileVersionLS));
    return text;
}

// A visible Pelmora main window, of one process (process_id != 0) or with a
// given title (title non-empty).
struct WindowSearch {
    DWORD process_id;
    std::wstring title;
    HWND found;
};

BOOL CALLBACK FindMainWindow(HWND window, LPARAM context) {
    auto* search = reinterpret_cast<WindowSearch*>(context);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    wchar_t title[1024] = {};
    GetWindowTextW(window, title, 1024);
    if (std::wstring(name) == L"Pelmora" && IsWindowVisible(window) &&
        (search->process_id == 0 || owner == search->process_id) &&
        (search->title.empty() || search->title == title)) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

HWND WaitForWindow(DWORD process_id, const std::wstring& title) {
    WindowSearch search = {process_id, title, nullptr};
    for (int i = 0; i < 200 && search.found == nullptr; ++i) {
        Sleep(100);
        EnumWindows(FindMainWindow, reinterpret_cast<LPARAM>(&search));
    }
    return search.found;
}

// Asks the window to close and waits for its process to end; 1 when it did.
int CloseAndWait(HWND window, HANDLE process) {
    PostMessageW(window, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(process, 20000) == WAIT_OBJECT_0)
        return 1;
    TerminateProcess(process, 1);
    return 0;
}

// Starts exe with no arguments and waits for its main window.
HWND Start(const wchar_t* exe, Handle* process) {
    std::wstring command = L"\"" + std::wstring(exe) + L"\"";
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info = {};
    if (!CreateProcessW(exe, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &info))
        return nullptr;
    CloseHandle(info.hThread);
    process->reset(info.hProcess);
    HWND window = WaitForWindow(info.dwProcessId, L"");
    if (window == nullptr)
        TerminateProcess(info.hProcess, 1);
    return window;
}

int CheckVersion(const wchar_t* exe, const wchar_t* version) {
    const std::wstring got = FileVersionOf(exe);
    if (got != version)
        return Fail(L"version resource reads ", got);
    Handle process;
    HWND window = Start(exe, &process);
    if (window == nullptr)
        return Fail(L"the installed program showed no main window");
    if (!CloseAndWait(window, process.get()))
        return Fail(L"the installed program did not end after WM_CLOSE");
    std::wprintf(L"version %ls, window shown and closed\n", got.c_str());
    return 0;
}

int CheckZoom(const wchar_t* exe) {
    std::wstring settings(exe);
    settings = settings.substr(0, settings.find_last_of(L'\\') + 1) + L"settings.ini";
    Handle process;
    HWND window = Start(exe, &process);
    if (window == nullptr)
        return Fail(L"the installed program showed no main window");
    HWND view = FindWindowExW(window, nullptr, L"PELMORA_CTRL", nullptr);
    if (view == nullptr) {
        CloseAndWait(window, process.get());
        return Fail(L"no view window");
    }
    SendMessageW(view, WM_MOUSEWHEEL, MAKEWPARAM(MK_CONTROL, WHEEL_DELTA), MAKELPARAM(100, 100));
    if (!CloseAndWait(window, process.get()))
        return Fail(L"the installed program did not end after WM_CLOSE");
    wchar_t size[16] = {};
    GetPrivateProfileStringW(L"item_attributes", L"font_size", L"", size, 16, settings.c_str());
    if (size[0] == 0)
        return Fail(L"no font size in the settings beside the exe: ", settings);
    std::wprintf(L"zoom step written to %ls (font_size=%ls)\n", settings.c_str(), size);
    return 0;
}

// The registry's command line for the entry, split as the shell runs it:
// the program (its first, quoted word) and, after one space, the parameters
// with %1 replaced by file.
int OpenWithCommand(const std::wstring& file, std::wstring* program, std::wstring* parameters) {
    wchar_t command[2048] = {};
    DWORD bytes = sizeof(command);
    if (RegGetValueW(HKEY_CURRENT_USER, L"Software\\Classes\\*\\shell\\Pelmora\\command", nullptr,
                     RRF_RT_REG_SZ, nullptr, command, &bytes) != ERROR_SUCCESS)
        return 0;
    const std::wstring text(command);
    const size_t close =
        text.size() > 1 && text[0] == L'"' ? text.find(L"\" ", 1) : std::wstring::npos;
    if (close == std::wstring::npos)
        return 0;
    *program = text.substr(1, close - 1);
    *parameters = text.substr(close + 2);
    const size_t marker = parameters->find(L"%1");
    if (marker == std::wstring::npos)
        return 0;
    parameters->replace(marker, 2, file);
    return 1;
}

int CheckOpenWith(const wchar_t* file) {
    wchar_t label[256] = {};
    DWORD bytes = sizeof(label);
    if (RegGetValueW(HKEY_CURRENT_USER, L"Software\\Classes\\*\\shell\\Pelmora", nullptr,
                     RRF_RT_REG_SZ, nullptr, label, &bytes) != ERROR_SUCCESS ||
        std::wstring(label) != L"Open with Pelmora")
        return Fail(L"no \"Open with Pelmora\" entry, found ", label);
    std::wstring program, parameters;
    if (!OpenWithCommand(file, &program, &parameters))
        return Fail(L"the entry has no command of the form \"<exe>\" ... %1");
    const auto started = reinterpret_cast<INT_PTR>(ShellExecuteW(
        nullptr, L"open", program.c_str(), parameters.c_str(), nullptr, SW_SHOWNORMAL));
    if (started <= 32)
        return Fail(L"ShellExecuteW failed on ", program);
    HWND window = WaitForWindow(0, L"Pelmora - " + std::wstring(file));
    if (window == nullptr)
        return Fail(L"no window titled with the file: ", parameters);
    DWORD process_id = 0;
    GetWindowThreadProcessId(window, &process_id);
    Handle process(OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, process_id));
    if (process.get() == nullptr || !CloseAndWait(window, process.get()))
        return Fail(L"the opened program did not end after WM_CLOSE");
    std::wprintf(L"opened through the context menu command: %ls %ls\n", program.c_str(),
                 parameters.c_str());
    return 0;
}

int CheckProduct(const wchar_t* code, const wchar_t* version) {
    wchar_t got[64] = {};
    DWORD length = 64;
    const UINT user = MsiGetProductInfoExW(code, nullptr, MSIINSTALLCONTEXT_USERUNMANAGED,
                                           L"VersionString", got, &length);
    wchar_t any[64] = {};
    DWORD any_length = 64;
    const UINT anywhere = MsiGetProductInfoW(code, L"VersionString", any, &any_length);
    if (std::wstring(version) == L"absent") {
        if (user == ERROR_SUCCESS || anywhere == ERROR_SUCCESS)
            return Fail(L"still installed: ", code);
        std::wprintf(L"%ls is not installed\n", code);
        return 0;
    }
    if (user != ERROR_SUCCESS)
        return Fail(L"not installed for the current user: ", code);
    if (std::wstring(got) != version)
        return Fail(L"installed version is ", got);
    if (MsiGetProductInfoExW(code, nullptr, MSIINSTALLCONTEXT_MACHINE, L"VersionString", any,
                             &any_length) == ERROR_SUCCESS)
        return Fail(L"also installed for all users: ", code);
    std::wprintf(L"%ls installed for the current user, version %ls\n", code, got);
    return 0;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    const std::wstring mode = argc > 1 ? argv[1] : L"";
    if (mode == L"version" && argc == 4)
        return CheckVersion(argv[2], argv[3]);
    if (mode == L"zoom" && argc == 3)
        return CheckZoom(argv[2]);
    if (mode == L"open-with" && argc == 3)
        return CheckOpenWith(argv[2]);
    if (mode == L"product" && argc == 4)
        return CheckProduct(argv[2], argv[3]);
    std::fwprintf(stderr, L"usage: package_check version <exe> <version> | zoom <exe> | "
                          L"open-with <file> | product <code> <version>\n");
    return 2;
}

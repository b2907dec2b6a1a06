// Checks an installed pelmora.exe: its version resource must read the expected
// version through GetFileVersionInfoW, and it must start and show its main
// window, which is then closed. Usage: package_check <exe> <version>.
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

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
    swprintf(text, 64, L"%u.%u.%u.%u", HIWORD(fixed->dwFileVersionMS), LOWORD(fixed->dwFileVersionMS),
             HIWORD(fixed->dwFileVersionLS), LOWORD(fixed->dwFileVersionLS));
    return text;
}

struct WindowSearch {
    DWORD process_id;
    HWND found;
};

BOOL CALLBACK FindMainWindow(HWND window, LPARAM context) {
    auto* search = reinterpret_cast<WindowSearch*>(context);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    if (owner == search->process_id && std::wstring(name) == L"Pelmora" && IsWindowVisible(window)) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 3) {
        std::fwprintf(stderr, L"usage: package_check <exe> <version>\n");
        return 2;
    }
    std::wstring version = FileVersionOf(argv[1]);
    if (version != argv[2]) {
        std::fwprintf(stderr, L"version resource reads '%ls', expected '%ls'\n", version.c_str(),
                      argv[2]);
        return 1;
    }
    std::wstring command = L"\"" + std::wstring(argv[1]) + L"\"";
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(argv[1], command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
        std::fwprintf(stderr, L"cannot start %ls (error %lu)\n", argv[1], GetLastError());
        return 1;
    }
    WindowSearch search = {process.dwProcessId, nullptr};
    for (int i = 0; i < 200 && search.found == nullptr; ++i) {
        Sleep(100);
        EnumWindows(FindMainWindow, reinterpret_cast<LPARAM>(&search));
    }
    int result = 0;
    if (search.found == nullptr) {
        std::fwprintf(stderr, L"the installed program showed no main window\n");
        TerminateProcess(process.hProcess, 1);
        result = 1;
    } else {
        PostMessageW(search.found, WM_CLOSE, 0, 0);
        if (WaitForSingleObject(process.hProcess, 20000) != WAIT_OBJECT_0) {
            std::fwprintf(stderr, L"the installed program did not end after WM_CLOSE\n");
            TerminateProcess(process.hProcess, 1);
            result = 1;
        }
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    if (result == 0)
        std::wprintf(L"version %ls, window shown and closed\n", version.c_str());
    return result;
}

// The recovery folder and its calls on Windows: %LOCALAPPDATA%\Pelmora\Recovery,
// file times from GetFileAttributesExW, and whether a process still runs.
#include "data/recovery.h"

#include <windows.h>
#include <knownfolders.h>
#include <shlobj.h>

#include <string>

namespace {

int64_t Ticks(const FILETIME& t) {
    return static_cast<int64_t>((static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime);
}

// The per-user local application data folder: the environment's value when
// set (so that a test can give each run its own), else the shell's.
std::wstring LocalAppData() {
    wchar_t buffer[MAX_PATH];
    const DWORD n = GetEnvironmentVariableW(L"LOCALAPPDATA", buffer, MAX_PATH);
    if (n > 0 && n < MAX_PATH)
        return buffer;
    PWSTR known = nullptr;
    std::wstring out;
    if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_LocalAppData, 0, nullptr, &known)) && known)
        out = known;
    CoTaskMemFree(known);
    return out;
}

class Win32RecoveryPlatform final : public RecoveryPlatform {
  public:
    std::wstring Folder() override {
        std::wstring folder = LocalAppData();
        if (folder.empty())
            return folder;
        for (const wchar_t* part : {L"\\Pelmora", L"\\Recovery"}) {
            folder += part;
            if (!CreateDirectoryW(folder.c_str(), nullptr) &&
                GetLastError() != ERROR_ALREADY_EXISTS)
                return std::wstring();
        }
        return folder + L"\\";
    }
    int List(const wchar_t* folder, std::vector<std::wstring>* names) override {
        WIN32_FIND_DATAW data;
        const std::wstring pattern = std::wstring(folder) + L"*";
        HANDLE find = FindFirstFileW(pattern.c_str(), &data);
        if (find == INVALID_HANDLE_VALUE)
            return GetLastError() == ERROR_FILE_NOT_FOUND ? 1 : 0;
        do {
            if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                names->push_back(data.cFileName);
        } while (FindNextFileW(find, &data));
        FindClose(find);
        return 1;
    }
    int Stamp(const wchar_t* path, int64_t* size, int64_t* time) override {
        WIN32_FILE_ATTRIBUTE_DATA data;
        if (!GetFileAttributesExW(path, GetFileExInfoStandard, &data) ||
            (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            return 0;
        *size = static_cast<int64_t>((static_cast<uint64_t>(data.nFileSizeHigh) << 32) |
                                     data.nFileSizeLow);
        *time = Ticks(data.ftLastWriteTime);
        return 1;
    }
    int64_t Now() override {
        FILETIME now;
        GetSystemTimeAsFileTime(&now);
        return Ticks(now);
    }
    int ProcessRuns(uint32_t process_id, const wchar_t* image_path) override {
        HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, process_id);
        if (process == nullptr)
            return GetLastError() == ERROR_ACCESS_DENIED ? 1 : 0;
        DWORD code = 0;
        int runs = GetExitCodeProcess(process, &code) && code == STILL_ACTIVE ? 1 : 0;
        wchar_t image[MAX_PATH];
        DWORD length = MAX_PATH;
        // Another program under a reused ID does not keep the copy alive.
        if (runs && image_path && image_path[0] &&
            QueryFullProcessImageNameW(process, 0, image, &length) &&
            lstrcmpiW(image, image_path) != 0)
            runs = 0;
        CloseHandle(process);
        return runs;
    }
};

} // namespace

RecoveryPlatform& PlatformRecovery() {
    static Win32RecoveryPlatform platform;
    return platform;
}

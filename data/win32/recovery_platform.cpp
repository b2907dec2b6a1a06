// The recovery folder and its calls on Windows: %LOCALAPPDATA%\Pelmora\Recovery,
// file times from GetFileAttributesExW, a file's volume serial and index, and
// whether a process (or this program's instance) still runs.
#include "data/recovery.h"

#include <windows.h>
#include <knownfolders.h>
#include <shlobj.h>

#include <cwchar>
#include <string>

namespace {

// Closes a handle when it goes; null and INVALID_HANDLE_VALUE are both "none".
class ScopedHandle {
  public:
    explicit ScopedHandle(HANDLE h) : m_h_handle(h) {}
    ~ScopedHandle() {
        if (Valid())
            CloseHandle(m_h_handle);
    }
    ScopedHandle(const ScopedHandle&) = delete;
    ScopedHandle& operator=(const ScopedHandle&) = delete;
    bool Valid() const { return m_h_handle != nullptr && m_h_handle != INVALID_HANDLE_VALUE; }
    HANDLE Get() const { return m_h_handle; }

  private:
    HANDLE m_h_handle;
};

int64_t CreationTime(HANDLE process) {
    FILETIME created, exited, kernel, user;
    if (!GetProcessTimes(process, &created, &exited, &kernel, &user))
        return 0;
    return static_cast<int64_t>((static_cast<uint64_t>(created.dwHighDateTime) << 32) |
                                created.dwLowDateTime);
}

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
    void Self(uint32_t* process_id, int64_t* start) override {
        *process_id = GetCurrentProcessId();
        *start = CreationTime(GetCurrentProcess());
    }
    int InstanceRuns(uint32_t process_id, int64_t start) override {
        ScopedHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, process_id));
        if (!process.Valid()) {
            // A process that cannot be looked at may be running: its copies stay.
            return GetLastError() == ERROR_ACCESS_DENIED ? 1 : 0;
        }
        DWORD code = 0;
        if (!GetExitCodeProcess(process.Get(), &code) || code != STILL_ACTIVE)
            return 0;
        const int64_t created = CreationTime(process.Get());
        return created == 0 || created == start ? 1 : 0;
    }
    int FileKey(const wchar_t* path, std::wstring* key) override {
        ScopedHandle file(CreateFileW(path, FILE_READ_ATTRIBUTES,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
        BY_HANDLE_FILE_INFORMATION info;
        if (!file.Valid() || !GetFileInformationByHandle(file.Get(), &info))
            return 0;
        wchar_t text[32];
        std::swprintf(text, 32, L"%08lX-%08lX%08lX", info.dwVolumeSerialNumber, info.nFileIndexHigh,
                      info.nFileIndexLow);
        *key = text;
        return 1;
    }
};

} // namespace

RecoveryPlatform& PlatformRecovery() {
    static Win32RecoveryPlatform platform;
    return platform;
}

// Settings file access on Windows: replacement by a flushed temporary file
// moved over the target with write-through.
#include "settings/settings_io.h"

#include <windows.h>

#include <string>

namespace {

class FileHandle {
  public:
    explicit FileHandle(HANDLE handle) : m_h_file(handle) {}
    ~FileHandle() { Close(); }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    HANDLE Get() const { return m_h_file; }
    bool Valid() const { return m_h_file != INVALID_HANDLE_VALUE; }
    BOOL Close() {
        BOOL ok = TRUE;
        if (Valid()) {
            ok = CloseHandle(m_h_file);
            m_h_file = INVALID_HANDLE_VALUE;
        }
        return ok;
    }

  private:
    HANDLE m_h_file;
};

} // namespace

SettingsFileState ReadSettingsBytes(const wchar_t* path, std::string* bytes) {
    bytes->clear();
    FileHandle file(CreateFileW(path, GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.Valid()) {
        const DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND
                   ? SettingsFileState::kMissing
                   : SettingsFileState::kUnreadable;
    }
    char buffer[4096];
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(file.Get(), buffer, sizeof(buffer), &got, nullptr)) {
            bytes->clear();
            return SettingsFileState::kUnreadable;
        }
        if (got == 0) {
            return SettingsFileState::kRead;
        }
        bytes->append(buffer, got);
    }
}

int ReplaceSettingsBytes(const wchar_t* path, const std::string& bytes) {
    // Replacing through a move would silently overwrite a file the user marked
    // read-only (Wine allows that move); such a file counts as unwritable.
    const DWORD attributes = GetFileAttributesW(path);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) {
        return 0;
    }
    const std::wstring temp = std::wstring(path) + L".tmp" + std::to_wstring(GetCurrentProcessId());
    {
        FileHandle file(CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file.Valid()) {
            return 0;
        }
        size_t done = 0;
        while (done < bytes.size()) {
            DWORD put = 0;
            const DWORD chunk = static_cast<DWORD>(
                bytes.size() - done > 0x10000000 ? 0x10000000 : bytes.size() - done);
            if (!WriteFile(file.Get(), bytes.data() + done, chunk, &put, nullptr) || put == 0) {
                file.Close();
                DeleteFileW(temp.c_str());
                return 0;
            }
            done += put;
        }
        if (!FlushFileBuffers(file.Get()) || !file.Close()) {
            DeleteFileW(temp.c_str());
            return 0;
        }
    }
    if (!MoveFileExW(temp.c_str(), path, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        DeleteFileW(temp.c_str());
        return 0;
    }
    return 1;
}

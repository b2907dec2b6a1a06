// Apply's replacement on Windows: ReplaceFileW keeps the replaced file's
// attributes, security and creation time, and fails while another program
// holds the file open without delete sharing.
#include "data/apply_file.h"

#include <windows.h>

int PlatformIsReadOnly(const wchar_t* path) {
    const DWORD attributes = GetFileAttributesW(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) ? 1 : 0;
}

int PlatformReplaceKeeping(const wchar_t* target, const wchar_t* replacement) {
    // A file that another program holds open without delete sharing cannot be
    // replaced; asked first, so that no replacement is begun (some
    // implementations leave a stray file behind when they fail half way).
    HANDLE probe =
        CreateFileW(target, DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                    OPEN_EXISTING, 0, nullptr);
    if (probe == INVALID_HANDLE_VALUE) {
        return 0;
    }
    CloseHandle(probe);
    return ReplaceFileW(target, replacement, nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr,
                        nullptr)
               ? 1
               : 0;
}

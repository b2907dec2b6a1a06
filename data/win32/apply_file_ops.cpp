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
    return ReplaceFileW(target, replacement, nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr,
                        nullptr)
               ? 1
               : 0;
}

// Apply's replacement on Windows: ReplaceFileW keeps the replaced file's
// attributes, security and creation time, and fails while another program
// holds the file open without delete sharing.
#include "data/apply_file.h"

#include <windows.h>

int PlatformIsReadOnly(const wchar_t* path) {
    const DWORD attributes = GetFileAttributesW(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) ? 1 : 0;
}

namespace {

DWORD WINAPI CloseInBackground(void* handle) {
    CloseHandle(static_cast<HANDLE>(handle));
    return 0;
}

} // namespace

int PlatformReplaceKeeping(const wchar_t* target, const wchar_t* replacement) {
    // A file that another program holds open without delete sharing cannot be
    // replaced; asked first, so that no replacement is begun (some
    // implementations leave a stray file behind when they fail half way).
    HANDLE probe = CreateFileW(target, GENERIC_READ | DELETE,
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                               OPEN_EXISTING, 0, nullptr);
    if (probe == INVALID_HANDLE_VALUE) {
        return 0;
    }
    // One byte read, so that this process itself holds the file open too
    // (Wine keeps a descriptor per reading process): the last close, and the
    // freeing of the old file that comes with it, is then the closing
    // thread's, not the system's own on behalf of every program.
    uint8_t first = 0;
    DWORD got = 0;
    OVERLAPPED start = {};
    ReadFile(probe, &first, 1, &got, &start);
    const int replaced = ReplaceFileW(target, replacement, nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS,
                                      nullptr, nullptr)
                             ? 1
                             : 0;
    // The old file goes with the last handle on it, and with it every page of
    // it the system still caches, which takes a good part of a second for a
    // file of a GiB: that last handle is the probe, closed off this thread.
    HANDLE closer = CreateThread(nullptr, 0, CloseInBackground, probe, 0, nullptr);
    if (closer != nullptr) {
        CloseHandle(closer);
    } else {
        CloseHandle(probe);
    }
    return replaced;
}

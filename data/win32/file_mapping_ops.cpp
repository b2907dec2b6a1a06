// File and mapping calls of CFileMapping on Windows: CreateFileW,
// GetFileSizeEx, GetFileInformationByHandle, CreateFileMappingW, MapViewOfFileEx, UnmapViewOfFile.
#include "data/file_mapping.h"

#include <windows.h>

namespace {

class Win32FileMapOps final : public FileMapOps {
  public:
    void* OpenExisting(const wchar_t* path, int writable) override {
        if (path == nullptr)
            return nullptr;
        const DWORD access = writable ? (GENERIC_READ | GENERIC_WRITE) : GENERIC_READ;
        const DWORD share = writable ? (FILE_SHARE_READ | FILE_SHARE_WRITE) : FILE_SHARE_READ;
        HANDLE file = CreateFileW(path, access, share, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
        return file == INVALID_HANDLE_VALUE ? nullptr : file;
    }

    int GetSize(void* file, int64_t* size) override {
        LARGE_INTEGER value;
        if (!GetFileSizeEx(static_cast<HANDLE>(file), &value))
            return 0;
        *size = value.QuadPart;
        return 1;
    }

    int GetStamp(void* file, FileStamp* stamp) override {
        BY_HANDLE_FILE_INFORMATION info;
        if (!GetFileInformationByHandle(static_cast<HANDLE>(file), &info))
            return 0;
        stamp->m_n_size = static_cast<int64_t>((static_cast<uint64_t>(info.nFileSizeHigh) << 32) |
                                               info.nFileSizeLow);
        stamp->m_n_time = static_cast<int64_t>(
            (static_cast<uint64_t>(info.ftLastWriteTime.dwHighDateTime) << 32) |
            info.ftLastWriteTime.dwLowDateTime);
        return 1;
    }

    void* CreateMapping(void* file, int writable, int64_t max_size) override {
        const uint64_t size = static_cast<uint64_t>(max_size);
        SetLastError(ERROR_SUCCESS); // a stale ERROR_ALREADY_EXISTS must not count
        HANDLE mapping = CreateFileMappingW(
            static_cast<HANDLE>(file), nullptr, writable ? PAGE_READWRITE : PAGE_READONLY,
            static_cast<DWORD>(size >> 32), static_cast<DWORD>(size & 0xFFFFFFFFu), nullptr);
        // An unnamed mapping never pre-exists; if the system says so, treat it
        // as a failure rather than view someone else's object.
        if (mapping != nullptr && GetLastError() == ERROR_ALREADY_EXISTS) {
            CloseHandle(mapping);
            return nullptr;
        }
        return mapping;
    }

    void* MapView(void* mapping, int writable, int64_t offset, size_t length) override {
        const uint64_t at = static_cast<uint64_t>(offset);
        return MapViewOfFileEx(static_cast<HANDLE>(mapping),
                               writable ? (FILE_MAP_READ | FILE_MAP_WRITE) : FILE_MAP_READ,
                               static_cast<DWORD>(at >> 32), static_cast<DWORD>(at & 0xFFFFFFFFu),
                               length, nullptr);
    }

    int UnmapView(void* view, size_t) override { return UnmapViewOfFile(view) ? 1 : 0; }

    void CloseMapping(void* mapping) override { CloseHandle(static_cast<HANDLE>(mapping)); }

    void CloseFile(void* file) override { CloseHandle(static_cast<HANDLE>(file)); }
};

} // namespace

FileMapOps& PlatformFileMapOps() {
    static Win32FileMapOps ops;
    return ops;
}

// File operations of the in-place apply on Windows. The journal is held
// without read or write sharing while it is in use, so that another instance
// opening the file meanwhile leaves it alone; delete sharing lets the holder
// remove it before closing it.
#include "data/apply_journal.h"

#include <windows.h>

namespace {

constexpr DWORD kChunk = DWORD{1} << 20;

class Win32InPlaceFileOps final : public InPlaceFileOps {
  public:
    void* OpenForUpdate(const wchar_t* path) override {
        return Handle(CreateFileW(path, GENERIC_READ | GENERIC_WRITE,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    }

    void* CreateJournal(const wchar_t* path) override {
        return Handle(CreateFileW(path, GENERIC_READ | GENERIC_WRITE | DELETE, FILE_SHARE_DELETE,
                                  nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    }

    void* OpenJournal(const wchar_t* path) override {
        return Handle(CreateFileW(path, GENERIC_READ | DELETE, FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    }

    int ReadAt(void* file, int64_t offset, uint8_t* out, size_t length) override {
        while (length > 0) {
            OVERLAPPED at = At(offset);
            DWORD done = 0;
            const DWORD n = length < kChunk ? static_cast<DWORD>(length) : kChunk;
            if (!ReadFile(static_cast<HANDLE>(file), out, n, &done, &at) || done == 0)
                return 0;
            out += done;
            offset += done;
            length -= done;
        }
        return 1;
    }

    int WriteAt(void* file, int64_t offset, const uint8_t* data, size_t length) override {
        while (length > 0) {
            OVERLAPPED at = At(offset);
            DWORD done = 0;
            const DWORD n = length < kChunk ? static_cast<DWORD>(length) : kChunk;
            if (!WriteFile(static_cast<HANDLE>(file), data, n, &done, &at) || done == 0)
                return 0;
            data += done;
            offset += done;
            length -= done;
        }
        return 1;
    }

    int Flush(void* file) override { return FlushFileBuffers(static_cast<HANDLE>(file)) ? 1 : 0; }

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

    int SetWriteTime(void* file, int64_t time) override {
        FILETIME when;
        when.dwLowDateTime = static_cast<DWORD>(static_cast<uint64_t>(time) & 0xFFFFFFFFu);
        when.dwHighDateTime = static_cast<DWORD>(static_cast<uint64_t>(time) >> 32);
        return SetFileTime(static_cast<HANDLE>(file), nullptr, nullptr, &when) ? 1 : 0;
    }

    int Close(void* file) override {
        return file != nullptr && CloseHandle(static_cast<HANDLE>(file)) ? 1 : 0;
    }

    int Exists(const wchar_t* path) override {
        return GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES ? 1 : 0;
    }

    int Delete(const wchar_t* path) override { return DeleteFileW(path) ? 1 : 0; }

    int Rename(const wchar_t* from, const wchar_t* to) override {
        return MoveFileExW(from, to, MOVEFILE_WRITE_THROUGH) ? 1 : 0;
    }

  private:
    static void* Handle(HANDLE file) { return file == INVALID_HANDLE_VALUE ? nullptr : file; }
    static OVERLAPPED At(int64_t offset) {
        OVERLAPPED at = {};
        at.Offset = static_cast<DWORD>(static_cast<uint64_t>(offset) & 0xFFFFFFFFu);
        at.OffsetHigh = static_cast<DWORD>(static_cast<uint64_t>(offset) >> 32);
        return at;
    }
};

} // namespace

InPlaceFileOps& PlatformInPlaceFileOps() {
    static Win32InPlaceFileOps ops;
    return ops;
}

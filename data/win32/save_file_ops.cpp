// File operations of the save on Windows: a temporary file created beside the
// target; each "view" is a buffer of one save block handed
// to the file with WriteFile (large sequential unbuffered writes, far
// cheaper than mapped views), one FlushFileBuffers at the end, and
// MoveFileExW to put the file in the target's place.
#include "data/save_file.h"
#include "data/save_window.h"

#include <windows.h>

#include <atomic>
#include <string>

namespace {

void FillIdentity(const BY_HANDLE_FILE_INFORMATION& info, FileIdentity* id) {
    id->m_n_volume = info.dwVolumeSerialNumber;
    id->m_n_index_high = info.nFileIndexHigh;
    id->m_n_index_low = info.nFileIndexLow;
}

class Win32SaveFileOps final : public SaveFileOps {
  public:
    int IdentifyPath(const wchar_t* path, FileIdentity* id) override {
        if (path == nullptr || path[0] == 0)
            return 0;
        // No access needed to ask; backup semantics let folders be opened too.
        HANDLE file = CreateFileW(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
        if (file == INVALID_HANDLE_VALUE)
            return 0;
        const int ok = IdentifyFile(file, id);
        CloseHandle(file);
        return ok;
    }

    int IdentifyFile(void* file, FileIdentity* id) override {
        BY_HANDLE_FILE_INFORMATION info;
        if (file == nullptr || !GetFileInformationByHandle(static_cast<HANDLE>(file), &info))
            return 0;
        FillIdentity(info, id);
        return 1;
    }

    void* CreateTemp(const wchar_t* target, std::wstring* temp_path) override {
        if (target == nullptr)
            return nullptr;
        const std::wstring path(target);
        const size_t cut = path.find_last_of(L"\\/");
        const std::wstring folder =
            cut == std::wstring::npos ? std::wstring() : path.substr(0, cut + 1);
        static std::atomic<unsigned> counter{0};
        for (int attempt = 0; attempt < 100; ++attempt) {
            wchar_t leaf[64];
            wsprintfW(leaf, L"~pel%lX-%lX.tmp", static_cast<unsigned long>(GetCurrentProcessId()),
                      static_cast<unsigned long>(counter.fetch_add(1)));
            const std::wstring temp = folder + leaf;
            // Unbuffered: the data reaches the disk once, at its speed,
            // instead of being copied into the cache and written out again
            // by the flush. Where that is refused, ordinary writes.
            HANDLE file = CreateFileW(temp.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ,
                                      nullptr, CREATE_NEW, FILE_FLAG_NO_BUFFERING, nullptr);
            if (file == INVALID_HANDLE_VALUE && GetLastError() == ERROR_INVALID_PARAMETER)
                file = CreateFileW(temp.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ,
                                   nullptr, CREATE_NEW, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
            if (file != INVALID_HANDLE_VALUE) {
                *temp_path = temp;
                return file;
            }
            const DWORD error = GetLastError();
            if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS)
                return nullptr;
        }
        return nullptr;
    }

    void* CreateMapping(void* file, int64_t size) override {
        // The file grows as its blocks are appended: sizing it first would
        // leave a hole that each write then fills, at well under half the
        // speed of an append on the disks Wine writes to.
        return NewSaveWindow(file, size);
    }

    uint8_t* MapView(void* mapping, int64_t offset, size_t length) override {
        return TakeSaveView(static_cast<SaveWindow*>(mapping), offset, length);
    }

    int FlushView(uint8_t* view, size_t length) override {
        const SaveWindow* m = SaveWindowOf(view);
        const auto file = static_cast<HANDLE>(m->m_h_file);
        const size_t padded = PadToSectors(view, length);
        size_t done = 0;
        while (done < padded) {
            const uint64_t at = static_cast<uint64_t>(m->m_n_view_offset) + done;
            OVERLAPPED where = {};
            where.Offset = static_cast<DWORD>(at & 0xFFFFFFFFu);
            where.OffsetHigh = static_cast<DWORD>(at >> 32);
            DWORD written = 0;
            if (!WriteFile(file, view + done, static_cast<DWORD>(padded - done), &written,
                           &where) ||
                written == 0)
                return 0;
            done += written;
        }
        if (padded != length) {
            LARGE_INTEGER end;
            end.QuadPart = m->m_n_size;
            if (!SetFilePointerEx(file, end, nullptr, FILE_BEGIN) || !SetEndOfFile(file))
                return 0;
        }
        return 1;
    }

    int UnmapView(uint8_t* view, size_t) override {
        ReleaseSaveView(view);
        return 1;
    }

    int FlushFile(void* file) override {
        return FlushFileBuffers(static_cast<HANDLE>(file)) ? 1 : 0;
    }

    void CloseMapping(void* mapping) override {
        DeleteSaveWindow(static_cast<SaveWindow*>(mapping));
    }

    int CloseFile(void* file) override { return CloseHandle(static_cast<HANDLE>(file)) ? 1 : 0; }

    int ReplaceTarget(const wchar_t* temp_path, const wchar_t* target) override {
        return MoveFileExW(temp_path, target, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)
                   ? 1
                   : 0;
    }

    int DeletePath(const wchar_t* path) override { return DeleteFileW(path) ? 1 : 0; }
};

} // namespace

SaveFileOps& PlatformSaveFileOps() {
    static Win32SaveFileOps ops;
    return ops;
}

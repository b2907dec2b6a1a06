// File operations of the save on Windows: a temporary file created beside the
// target, a mapping of the document's size, 64 KiB views, FlushViewOfFile and
// FlushFileBuffers, and MoveFileExW to put the file in the target's place.
#include "data/save_file.h"

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
            HANDLE file = CreateFileW(temp.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ,
                                      nullptr, CREATE_NEW,
                                      FILE_FLAG_WRITE_THROUGH | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
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
        if (file == nullptr || size <= 0)
            return nullptr;
        const uint64_t n = static_cast<uint64_t>(size);
        // The mapping's maximum size also extends the new file to exactly size bytes.
        HANDLE mapping = CreateFileMappingW(static_cast<HANDLE>(file), nullptr, PAGE_READWRITE,
                                            static_cast<DWORD>(n >> 32),
                                            static_cast<DWORD>(n & 0xFFFFFFFFu), nullptr);
        if (mapping != nullptr && GetLastError() == ERROR_ALREADY_EXISTS) {
            CloseHandle(mapping);
            return nullptr;
        }
        return mapping;
    }

    uint8_t* MapView(void* mapping, int64_t offset, size_t length) override {
        const uint64_t at = static_cast<uint64_t>(offset);
        return static_cast<uint8_t*>(MapViewOfFileEx(
            static_cast<HANDLE>(mapping), FILE_MAP_WRITE, static_cast<DWORD>(at >> 32),
            static_cast<DWORD>(at & 0xFFFFFFFFu), length, nullptr));
    }

    int FlushView(uint8_t* view, size_t length) override {
        return FlushViewOfFile(view, length) ? 1 : 0;
    }

    int UnmapView(uint8_t* view, size_t) override { return UnmapViewOfFile(view) ? 1 : 0; }

    int FlushFile(void* file) override {
        return FlushFileBuffers(static_cast<HANDLE>(file)) ? 1 : 0;
    }

    void CloseMapping(void* mapping) override { CloseHandle(static_cast<HANDLE>(mapping)); }

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

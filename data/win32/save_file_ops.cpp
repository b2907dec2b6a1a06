// File operations of the save on Windows: a temporary file created beside the
// target; each "view" is a buffer of one save block, handed to the file with
// cached sequential WriteFile calls by the save window's writer thread (far
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

// Writes one block of the save at offset, through the file position: the
// blocks arrive front to back, so the file grows by appends. The block goes
// to the file in pieces of 256 KiB. Under Wine each write with an explicit
// offset costs a round trip to the server, and on Linux a large write fills
// the page cache with large folios, which take several times as long to get
// as small pages once the memory was idle; writes of this size ran at the
// speed of a copy there. The cache then writes back while the walk goes on.
int WriteBlock(void* file, int64_t, int64_t offset, uint8_t* data, size_t length) {
    constexpr size_t kPiece = size_t{256} << 10;
    const auto handle = static_cast<HANDLE>(file);
    LARGE_INTEGER at;
    at.QuadPart = offset;
    if (!SetFilePointerEx(handle, at, nullptr, FILE_BEGIN))
        return 0;
    size_t done = 0;
    while (done < length) {
        const size_t rest = length - done;
        DWORD written = 0;
        if (!WriteFile(handle, data + done, static_cast<DWORD>(rest < kPiece ? rest : kPiece),
                       &written, nullptr) ||
            written == 0)
            return 0;
        done += written;
    }
    return 1;
}

class Win32SaveFileOps final : public SaveWindowOps {
  public:
    Win32SaveFileOps() : SaveWindowOps(WriteBlock) {}

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

    int FlushFile(void* file) override {
        return FlushFileBuffers(static_cast<HANDLE>(file)) ? 1 : 0;
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

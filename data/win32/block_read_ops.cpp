// Block reads on Windows: ReadFile at explicit offsets through a handle of
// its own, reopened from the document's with the sequential-scan hint so the
// cache reads ahead; the document's handle serves when reopening is refused.
#include "data/block_reader.h"

#include <windows.h>

#include <new>

namespace {

// A reading handle, and whether it is ours to close.
struct ReadHandle {
    HANDLE handle;
    bool owned;
};

class Win32BlockReadOps final : public BlockReadOps {
  public:
    void* Open(void* file) override {
        if (file == nullptr)
            return nullptr;
        auto* reader = new (std::nothrow) ReadHandle{static_cast<HANDLE>(file), false};
        if (reader == nullptr)
            return nullptr;
        HANDLE own = ReOpenFile(static_cast<HANDLE>(file), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                FILE_FLAG_SEQUENTIAL_SCAN);
        if (own != INVALID_HANDLE_VALUE && own != nullptr) {
            reader->handle = own;
            reader->owned = true;
        }
        return reader;
    }

    int64_t Read(void* reader, int64_t offset, uint8_t* buffer, size_t count) override {
        HANDLE handle = static_cast<ReadHandle*>(reader)->handle;
        size_t done = 0;
        while (done < count) {
            // The offset travels with each call, so a handle shared with the
            // document keeps no position that matters.
            const uint64_t at = static_cast<uint64_t>(offset) + done;
            OVERLAPPED where = {};
            where.Offset = static_cast<DWORD>(at & 0xFFFFFFFFu);
            where.OffsetHigh = static_cast<DWORD>(at >> 32);
            const size_t rest = count - done;
            const DWORD want = rest > 0x40000000u ? 0x40000000u : static_cast<DWORD>(rest);
            DWORD got = 0;
            if (!ReadFile(handle, buffer + done, want, &got, &where))
                return GetLastError() == ERROR_HANDLE_EOF ? static_cast<int64_t>(done) : -1;
            if (got == 0)
                break;
            done += got;
        }
        return static_cast<int64_t>(done);
    }

    void Close(void* reader) override {
        auto* r = static_cast<ReadHandle*>(reader);
        if (r->owned)
            CloseHandle(r->handle);
        delete r;
    }
};

} // namespace

BlockReadOps& PlatformBlockReadOps() {
    static Win32BlockReadOps ops;
    return ops;
}

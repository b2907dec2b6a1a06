// The Windows clipboard: blocks are movable global memory handles.
#include "tools/clipboard.h"

#include <windows.h>

namespace {

class Win32Clipboard : public ClipboardOps {
  public:
    int Open(void* owner) override { return OpenClipboard(static_cast<HWND>(owner)) ? 1 : 0; }
    int Empty() override { return EmptyClipboard() ? 1 : 0; }
    void Close() override { CloseClipboard(); }
    void* Alloc(size_t size) override { return GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size); }
    uint8_t* Lock(void* block) override {
        return block == nullptr ? nullptr : static_cast<uint8_t*>(GlobalLock(block));
    }
    void Unlock(void* block) override {
        if (block != nullptr)
            GlobalUnlock(block);
    }
    void Free(void* block) override {
        if (block != nullptr)
            GlobalFree(block);
    }
    size_t Size(void* block) override { return block == nullptr ? 0 : GlobalSize(block); }
    int SetData(uint32_t format, void* block) override {
        return SetClipboardData(format, block) != nullptr ? 1 : 0;
    }
    void* GetData(uint32_t format) override { return GetClipboardData(format); }
    int IsFormatAvailable(uint32_t format) override {
        return IsClipboardFormatAvailable(format) ? 1 : 0;
    }
    // The system lists the placed formats first, in their order, then the
    // ones it can make from them.
    int PlacedBefore(uint32_t a, uint32_t b) override {
        for (UINT f = EnumClipboardFormats(0); f != 0; f = EnumClipboardFormats(f)) {
            if (f == a)
                return 1;
            if (f == b)
                return 0;
        }
        return 0;
    }
};

} // namespace

ClipboardOps& PlatformClipboard() {
    static Win32Clipboard clipboard;
    return clipboard;
}

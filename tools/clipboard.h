// ClipboardOps: the system clipboard behind one narrow seam (open, empty,
// blocks of bytes handed over or read under a format, close). The Win32 half
// wraps the real clipboard; elsewhere, and in tests, an in-memory clipboard.
#pragma once

#include <cstddef>
#include <cstdint>

// Clipboard formats by their Windows numbers, which every implementation uses.
enum : uint32_t {
    kClipboardText = 1,        // CF_TEXT
    kClipboardOemText = 7,     // CF_OEMTEXT
    kClipboardUnicodeText = 13 // CF_UNICODETEXT
};

class ClipboardOps {
  public:
    virtual ~ClipboardOps() = default;

    virtual int Open(void* owner) = 0; // 1 when this process now holds the clipboard
    virtual int Empty() = 0;
    virtual void Close() = 0;

    // Blocks: movable, zero-filled memory of a fixed size; null on failure.
    virtual void* Alloc(size_t size) = 0;
    virtual uint8_t* Lock(void* block) = 0; // null on failure
    virtual void Unlock(void* block) = 0;
    virtual void Free(void* block) = 0;
    virtual size_t Size(void* block) = 0;

    // Hands a block over; on success the clipboard owns it.
    virtual int SetData(uint32_t format, void* block) = 0;
    // The clipboard's block of a format (still owned by it), or null.
    virtual void* GetData(uint32_t format) = 0;
    virtual int IsFormatAvailable(uint32_t format) = 0;
    // 1 when format a was placed before format b (formats that the system
    // makes from a placed one come after it); needs the clipboard open.
    virtual int PlacedBefore(uint32_t a, uint32_t b) = 0;
};

// The platform's clipboard (tools/win32, or an in-memory one in tools/posix).
ClipboardOps& PlatformClipboard();
// The clipboard the commands use: an installed one, else the platform's. Never null.
ClipboardOps* CurrentClipboard();
// Installs a clipboard (null restores the platform's); returns the previous one.
ClipboardOps* SetClipboard(ClipboardOps* clipboard);

// Opens the clipboard for owner; while another program holds it (clipboard
// managers and remote-desktop tools do, for a moment) tries again a few times
// over about a fifth of a second. 1 when this process now holds it.
int OpenClipboardPatiently(ClipboardOps* clipboard, void* owner);

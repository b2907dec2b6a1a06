// Without a window system the program's clipboard is one held in memory.
#include "tools/clipboard.h"
#include "tools/memory_clipboard.h"

ClipboardOps& PlatformClipboard() {
    static MemoryClipboard clipboard;
    return clipboard;
}

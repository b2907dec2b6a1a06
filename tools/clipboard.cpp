// The installed clipboard: the platform's unless a test installed another.
#include "tools/clipboard.h"

namespace {
ClipboardOps* g_p_installed_clipboard = nullptr;
}

ClipboardOps* CurrentClipboard() {
    return g_p_installed_clipboard != nullptr ? g_p_installed_clipboard : &PlatformClipboard();
}

ClipboardOps* SetClipboard(ClipboardOps* clipboard) {
    ClipboardOps* previous = g_p_installed_clipboard;
    g_p_installed_clipboard = clipboard;
    return previous;
}

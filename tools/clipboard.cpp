// The installed clipboard (the platform's unless a test installed another) and the patient open.
#include "tools/clipboard.h"

#include <chrono>
#include <thread>

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

int OpenClipboardPatiently(ClipboardOps* clipboard, void* owner) {
    constexpr int kAttempts = 8;
    constexpr auto kPause = std::chrono::milliseconds(25);
    for (int attempt = 1;; ++attempt) {
        if (clipboard->Open(owner))
            return 1;
        if (attempt == kAttempts)
            return 0;
        std::this_thread::sleep_for(kPause);
    }
}

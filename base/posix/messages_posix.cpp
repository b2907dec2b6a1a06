// Message output without a window system: messages and traces go to stderr.
#include "base/messages.h"

#include <cstdio>

void PlatformShowMessage(const std::wstring& text) {
    std::fprintf(stderr, "Message: %ls\n", text.c_str());
}

void PlatformDebugTrace(const std::wstring& text) {
    std::fprintf(stderr, "trace: %ls", text.c_str());
}

// Message output on Windows: an owner-less top-most "Message" box and
// OutputDebugStringW.
#include "base/messages.h"

#include <windows.h>

void PlatformShowMessage(const std::wstring& text) {
    MessageBoxW(nullptr, text.c_str(), L"Message", MB_TOPMOST);
}

void PlatformDebugTrace(const std::wstring& text) {
    OutputDebugStringW(text.c_str());
}

// Owned window text and program path copies (see lib_luna.h).
#include "frame/win32/lib_luna.h"

#include <new>

CLibLuna::~CLibLuna() {
    delete[] m_sz_window_text;
    delete[] m_sz_module_path;
}

wchar_t* CLibLuna::GetWindowTextCopy(HWND window) {
    const int length = GetWindowTextLengthW(window);
    if (length <= 0) {
        return nullptr;
    }
    wchar_t* text = new (std::nothrow) wchar_t[static_cast<size_t>(length) + 1]();
    if (!text) {
        return nullptr;
    }
    if (GetWindowTextW(window, text, length + 1) == 0) {
        delete[] text;
        return nullptr;
    }
    delete[] m_sz_window_text;
    m_sz_window_text = text;
    return text;
}

wchar_t* CLibLuna::GetModulePath() {
    for (DWORD capacity = MAX_PATH; capacity <= 32768 + MAX_PATH; capacity += MAX_PATH) {
        wchar_t* path = new (std::nothrow) wchar_t[capacity]();
        if (!path) {
            return nullptr;
        }
        const DWORD length = GetModuleFileNameW(nullptr, path, capacity);
        if (length == 0) {
            delete[] path;
            return nullptr;
        }
        if (length < capacity) {
            delete[] m_sz_module_path;
            m_sz_module_path = path;
            return path;
        }
        // The path filled the buffer without its terminator: try a larger one.
        delete[] path;
    }
    return nullptr;
}

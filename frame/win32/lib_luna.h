// CLibLuna: owned copies of a window's text and of the program's path, made
// on the stack where one of them is needed for one operation.
#pragma once

#include <windows.h>

class CLibLuna {
  public:
    CLibLuna() = default;
    virtual ~CLibLuna();
    CLibLuna(const CLibLuna&) = delete;
    CLibLuna& operator=(const CLibLuna&) = delete;

    // The window's whole text, owned by this object; null when it is empty.
    wchar_t* GetWindowTextCopy(HWND window);
    // The program file's full path, owned by this object; null on failure.
    wchar_t* GetModulePath();

    wchar_t* m_sz_window_text = nullptr;
    wchar_t* m_sz_module_path = nullptr;
};

// The program's folder (see module_folder.h).
#include "frame/win32/module_folder.h"

int GetModuleFolder(HINSTANCE instance, wchar_t* folder) {
    const DWORD length = GetModuleFileNameW(instance, folder, MAX_PATH);
    if (length == 0) {
        folder[0] = 0;
        return 0;
    }
    // A path that filled the whole buffer may lack its terminator.
    const DWORD end = length < MAX_PATH ? length : MAX_PATH - 1;
    folder[end] = 0;
    for (DWORD i = end; i > 0; --i) {
        if (folder[i - 1] == L'\\') {
            folder[i] = 0;
            return static_cast<int>(i) + 1;
        }
    }
    return 0;
}

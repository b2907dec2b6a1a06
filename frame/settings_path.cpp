// Composes the settings file path from the program's folder.
#include "frame/settings_path.h"

#include <cwchar>

int ComposeSettingsPath(const wchar_t* folder, wchar_t* out) {
    static const wchar_t kName[] = L"settings.ini";
    const size_t name_length = sizeof(kName) / sizeof(kName[0]) - 1;
    out[0] = 0;
    if (folder == nullptr) {
        return 0;
    }
    const size_t folder_length = std::wcslen(folder);
    if (folder_length + name_length + 1 > kSettingsPathCapacity) {
        return 0;
    }
    std::wmemcpy(out, folder, folder_length);
    std::wmemcpy(out + folder_length, kName, name_length + 1);
    return 1;
}

// Fuzzes the path string: any text, with or without separators, gives a folder
// that is a strict prefix of the text ending just before its last separator.
#include "base/tkstr.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cwchar>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::wstring text;
    for (size_t i = 0; i + 1 < size; i += 2) {
        const wchar_t c = static_cast<wchar_t>(data[i] | (data[i + 1] << 8));
        if (c == 0)
            break;
        text += c;
    }
    tkstr plain(text.c_str());
    tkstr room(text.size() + 32, text.c_str());
    if (text.empty() ? plain.c_str() != nullptr : text != plain.c_str())
        std::abort();
    if (!text.empty() && (room.c_str() == nullptr || text != room.c_str()))
        std::abort();
    const size_t cut = text.find_last_of(L"\\/");
    for (int round = 0; round < 2; ++round) {
        const wchar_t* folder = plain.GetFolder();
        if (cut == std::wstring::npos) {
            if (folder != nullptr)
                std::abort();
        } else if (folder == nullptr || text.compare(0, cut, folder) != 0 ||
                   std::wcslen(folder) != cut) {
            std::abort();
        }
    }
    return 0;
}

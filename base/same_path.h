// Paths compared as Windows compares file names in the program's "C" locale:
// without regard to the case of ASCII letters, every other character as it is.
#pragma once

#include <cstdint>
#include <string>

// A path's character with its case folded: equal for characters that a path
// comparison takes as the same.
inline uint32_t FoldPathChar(wchar_t c) {
    const auto u = static_cast<uint32_t>(c);
    return u >= 'a' && u <= 'z' ? u - ('a' - 'A') : u;
}

// Whether two paths (or names) name the same file by their text.
inline bool SamePath(const std::wstring& a, const std::wstring& b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (FoldPathChar(a[i]) != FoldPathChar(b[i]))
            return false;
    return true;
}

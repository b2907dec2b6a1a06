// Fuzzes the settings-file reader with arbitrary file bytes: a file comes back
// byte for byte when nothing changed (unless Windows-1252 text had to become
// UTF-16), a value that is set reads back, other values stay as they were,
// and all of that survives writing the bytes and reading them again.
#include "settings/ini_text.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

const wchar_t* const kSections[] = {L"item_attributes", L"hotkey", L"s", L"Item_Attributes"};
const wchar_t* const kKeys[] = {L"font_name", L"font_size", L"Open file", L"024F", L"k"};
constexpr int kSectionCount = 4;
constexpr int kKeyCount = 5;

struct Snapshot {
    int m_b_found[kSectionCount][kKeyCount];
    std::wstring m_values[kSectionCount][kKeyCount];
};

Snapshot Take(const CIniText& text) {
    Snapshot snap;
    for (int s = 0; s < kSectionCount; ++s)
        for (int k = 0; k < kKeyCount; ++k)
            snap.m_b_found[s][k] = text.Lookup(kSections[s], kKeys[k], &snap.m_values[s][k]);
    return snap;
}

bool SameName(const wchar_t* a, const wchar_t* b) {
    for (; *a && *b; ++a, ++b) {
        const wchar_t x = *a >= L'A' && *a <= L'Z' ? *a + 32 : *a;
        const wchar_t y = *b >= L'A' && *b <= L'Z' ? *b + 32 : *b;
        if (x != y)
            return false;
    }
    return *a == *b;
}

bool StartsWith(const std::string& bytes, const char* mark, size_t length) {
    return bytes.size() >= length && bytes.compare(0, length, mark, length) == 0;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0)
        return 0;
    // The first byte chooses the edit; the rest is the file.
    const uint8_t choice = data[0];
    const std::string bytes(reinterpret_cast<const char*>(data + 1), size - 1);
    CIniText text(bytes);

    const std::string same = text.Encode();
    const bool utf16 = StartsWith(bytes, "\xFF\xFE", 2);
    if (utf16 ? bytes.size() % 2 == 0 && same != bytes
              : same != bytes && !StartsWith(same, "\xFF\xFE", 2))
        std::abort();
    if (!utf16 && StartsWith(bytes, "\xEF\xBB\xBF", 3) && same != bytes)
        std::abort(); // a file with the UTF-8 mark is kept exactly

    const Snapshot before = Take(text);
    const int s = choice % kSectionCount;
    const int k = (choice / kSectionCount) % kKeyCount;
    const bool erase = (choice & 0x80) != 0;
    const std::wstring value = L"v" + std::to_wstring(choice);
    text.Set(kSections[s], kKeys[k], erase ? nullptr : value.c_str());
    const Snapshot after = Take(text);
    for (int s2 = 0; s2 < kSectionCount; ++s2) {
        for (int k2 = 0; k2 < kKeyCount; ++k2) {
            if (SameName(kSections[s2], kSections[s]) && SameName(kKeys[k2], kKeys[k])) {
                if (!erase && (!after.m_b_found[s2][k2] || after.m_values[s2][k2] != value))
                    std::abort();
            } else if (after.m_b_found[s2][k2] != before.m_b_found[s2][k2] ||
                       after.m_values[s2][k2] != before.m_values[s2][k2]) {
                std::abort();
            }
        }
    }

    const CIniText again(text.Encode());
    const Snapshot reread = Take(again);
    for (int s2 = 0; s2 < kSectionCount; ++s2)
        for (int k2 = 0; k2 < kKeyCount; ++k2)
            if (reread.m_b_found[s2][k2] != after.m_b_found[s2][k2] ||
                reread.m_values[s2][k2] != after.m_values[s2][k2])
                std::abort();
    return 0;
}

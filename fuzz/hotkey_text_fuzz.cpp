// Fuzzes the hot-key text form: any text ParseHotkeyText accepts formats back
// to a text that parses to the same code, and every code formats within the
// capacity it reports and parses back to its modifiers and key name.
#include "settings/shortcut_keys.h"

#include "fuzz/fuzz_text.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cwchar>
#include <string>

namespace {

std::wstring Format(uint32_t code) {
    wchar_t text[64];
    uint32_t capacity = 64;
    if (!FormatHotkeyText(code, text, &capacity))
        std::abort(); // every non-zero code fits the callers' 64 characters
    return text;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const uint32_t code = static_cast<uint32_t>(FuzzTakeNumber(&data, &size, 2));
    const uint32_t small = static_cast<uint32_t>(FuzzTakeNumber(&data, &size, 1)) % 32;

    // Formatting with any capacity either fits or reports what it needs.
    wchar_t out[32];
    uint32_t capacity = small;
    const int formatted = FormatHotkeyText(code, out, &capacity);
    if (code == 0) {
        if (formatted)
            std::abort();
    } else if (formatted) {
        if (std::wcslen(out) + 1 > small)
            std::abort();
    } else if (capacity <= small || Format(code).size() + 1 != capacity) {
        std::abort();
    }

    // A code with a named key comes back with its modifiers and key name.
    const uint32_t key = code & 0xFF;
    if (key >= 0x01 && key <= 0xFE) {
        uint32_t parsed = 0;
        if (!ParseHotkeyText(Format(code).c_str(), &parsed))
            std::abort();
        if ((parsed >> 8) != ((code >> 8) & 0x07) ||
            std::wcscmp(KeyName(parsed & 0xFF), KeyName(key)) != 0)
            std::abort();
    }

    // Whatever text parses formats back to the same code.
    const std::wstring text = FuzzWideText(data, size);
    uint32_t parsed = 0;
    if (ParseHotkeyText(text.c_str(), &parsed)) {
        if (parsed > 0x07FF)
            std::abort();
        if (parsed & 0xFF) {
            uint32_t again = 0;
            if (!ParseHotkeyText(Format(parsed).c_str(), &again) || again != parsed)
                std::abort();
        }
    }
    return 0;
}

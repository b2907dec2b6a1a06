// Fuzzes the inspector's types: any bytes decode to a text in either byte
// order, a shown value parses back to exactly the bytes it came from, and any
// typed text either is refused with a reason or gives bytes the type can hold.
#include "tools/value_decoder.h"
#include "tools/value_parser.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2)
        return 0;
    const int type = data[0] % kInspectorTypeCount;
    const int big_endian = data[1] & 1;
    data += 2;
    size -= 2;
    AnsiCharSet& ansi = Windows1252CharSet();

    const int available = size < kInspectorSpan ? static_cast<int>(size) : kInspectorSpan;
    const std::wstring shown = DecodeValue(type, data, available, big_endian, ansi);
    if (shown.empty())
        std::abort();
    uint8_t out[kInspectorSpan] = {};
    int length = 0;
    std::wstring reason;
    if (shown != kNoValue && shown != L"invalid" && shown != L"out of range" && shown != L"NaN") {
        if (!EncodeValue(type, shown.c_str(), big_endian, out, &length, &reason, ansi) ||
            !FitToCurrent(type, data, available, big_endian, out, &length, &reason))
            std::abort();
        if (length < 1 || length > available || std::memcmp(out, data, length) != 0)
            std::abort();
    }

    // The same bytes read as UTF-16 units make a typed text.
    std::wstring text;
    for (size_t i = 0; i + 1 < size && text.size() < 64; i += 2) {
        const wchar_t c = static_cast<wchar_t>(data[i] | (data[i + 1] << 8));
        if (c == 0)
            break;
        text += c;
    }
    reason.clear();
    if (EncodeValue(type, text.c_str(), big_endian, out, &length, &reason, ansi)) {
        if (length < 1 || length > kInspectorSpan)
            std::abort();
    } else if (reason.empty()) {
        std::abort();
    }
    return 0;
}

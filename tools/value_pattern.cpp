// Typed numbers as search patterns, through the inspector's parser.
#include "tools/value_pattern.h"

#include "tools/value_decoder.h"
#include "tools/value_parser.h"

int IsSearchValueType(int type) {
    return type >= kTypeInt8 && type <= kTypeFloat64 ? 1 : 0;
}

int BuildValuePattern(int type, const wchar_t* text, int big_endian, std::vector<uint8_t>* bytes,
                      std::wstring* reason) {
    bytes->clear();
    if (!IsSearchValueType(type)) {
        if (reason != nullptr)
            *reason = L"Not a number type";
        return 0;
    }
    uint8_t out[kInspectorSpan] = {};
    int length = 0;
    if (!EncodeValue(type, text, big_endian, out, &length, reason))
        return 0;
    bytes->assign(out, out + length);
    return 1;
}

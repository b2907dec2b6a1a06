#include "base/utf8.h"

#include "base/utf16.h"

int EncodeUtf8(uint32_t cp, char out[4]) {
    if (cp < 0x80) {
        out[0] = static_cast<char>(cp);
        return 1;
    }
    if (cp < 0x800) {
        out[0] = static_cast<char>(0xC0 | (cp >> 6));
        out[1] = static_cast<char>(0x80 | (cp & 0x3F));
        return 2;
    }
    if (cp < 0x10000) {
        out[0] = static_cast<char>(0xE0 | (cp >> 12));
        out[1] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out[2] = static_cast<char>(0x80 | (cp & 0x3F));
        return 3;
    }
    out[0] = static_cast<char>(0xF0 | (cp >> 18));
    out[1] = static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out[2] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out[3] = static_cast<char>(0x80 | (cp & 0x3F));
    return 4;
}

void AppendUtf8(uint32_t code_point, std::string* out) {
    char bytes[4];
    out->append(bytes, static_cast<size_t>(EncodeUtf8(code_point, bytes)));
}

int WideToUtf8(const wchar_t* text, std::string* out) {
    if (!text) {
        return 0;
    }
    for (const wchar_t* p = text; *p != 0; ++p) {
        auto c = static_cast<uint32_t>(*p);
        if (sizeof(wchar_t) == 2 && IsHighSurrogate(c) &&
            IsLowSurrogate(static_cast<uint32_t>(p[1]))) {
            c = CombineSurrogates(c, static_cast<uint32_t>(p[1]));
            ++p;
        }
        if (IsSurrogate(c) || c > 0x10FFFF) {
            return 0;
        }
        AppendUtf8(c, out);
    }
    return 1;
}

int DecodeUtf8Sequence(const uint8_t* bytes, size_t count, uint32_t* code_point) {
    if (count == 0) {
        return 0;
    }
    const uint8_t lead = bytes[0];
    size_t length = 0;
    uint32_t cp = 0;
    if (lead < 0x80) {
        *code_point = lead;
        return 1;
    }
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        cp = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        cp = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        cp = lead & 0x07;
    } else {
        return 0;
    }
    for (size_t i = 1; i < length; ++i) {
        if (i >= count)
            return -1;
        if ((bytes[i] & 0xC0) != 0x80)
            return 0;
        cp = (cp << 6) | (bytes[i] & 0x3F);
    }
    static const uint32_t kLeast[5] = {0, 0, 0x80, 0x800, 0x10000}; // overlong below these
    if (cp < kLeast[length] || cp > 0x10FFFF || IsSurrogate(cp))
        return 0;
    *code_point = cp;
    return static_cast<int>(length);
}

int Utf8ToWide(const std::string& text, std::wstring* out) {
    out->clear();
    const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
    for (size_t i = 0; i < text.size();) {
        uint32_t cp = 0;
        const int length = DecodeUtf8Sequence(bytes + i, text.size() - i, &cp);
        if (length <= 0)
            return 0;
        i += static_cast<size_t>(length);
        if (sizeof(wchar_t) == 2 && cp > 0xFFFF) {
            uint32_t high = 0, low = 0;
            SplitSurrogates(cp, &high, &low);
            out->push_back(static_cast<wchar_t>(high));
            out->push_back(static_cast<wchar_t>(low));
        } else {
            out->push_back(static_cast<wchar_t>(cp));
        }
    }
    return 1;
}

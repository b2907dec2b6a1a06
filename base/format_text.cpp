// Portable wide-text formatter (see format_text.h).
#include "base/format_text.h"

#include "base/hex_digits.h"

#include <cstdint>
#include <cwchar>

namespace {

// Flags, width and precision of one % conversion.
struct Conversion {
    bool left = false;
    bool zero = false;
    int width = 0;
    int precision = -1;
};

void Pad(std::wstring& out, const std::wstring& body, const Conversion& field, bool numeric) {
    size_t w = field.width > 0 ? static_cast<size_t>(field.width) : 0;
    if (body.size() >= w) {
        out += body;
        return;
    }
    size_t fill = w - body.size();
    if (field.left) {
        out += body;
        out.append(fill, L' ');
    } else if (field.zero && numeric && field.precision < 0) {
        size_t sign = (!body.empty() && body[0] == L'-') ? 1 : 0;
        out += body.substr(0, sign);
        out.append(fill, L'0');
        out += body.substr(sign);
    } else {
        out.append(fill, L' ');
        out += body;
    }
}

std::wstring Digits(uint64_t v, unsigned base, bool upper) {
    wchar_t buf[32];
    int n = 0;
    do {
        buf[n++] = static_cast<wchar_t>(HexDigit(static_cast<unsigned>(v % base), !upper));
        v /= base;
    } while (v != 0);
    std::wstring s;
    while (n > 0)
        s += buf[--n];
    return s;
}

std::wstring Number(uint64_t magnitude, bool negative, unsigned base, bool upper,
                    const Conversion& field) {
    std::wstring d =
        (field.precision == 0 && magnitude == 0) ? L"" : Digits(magnitude, base, upper);
    if (field.precision > 0 && d.size() < static_cast<size_t>(field.precision))
        d.insert(0, static_cast<size_t>(field.precision) - d.size(), L'0');
    return negative ? L"-" + d : d;
}

} // namespace

std::wstring FormatTextV(const wchar_t* format, va_list args) {
    std::wstring out;
    if (format == nullptr)
        return out;
    for (const wchar_t* p = format; *p != 0; ++p) {
        if (*p != L'%') {
            out += *p;
            continue;
        }
        ++p;
        if (*p == L'%') {
            out += L'%';
            continue;
        }
        Conversion field;
        for (;; ++p) {
            if (*p == L'-')
                field.left = true;
            else if (*p == L'0')
                field.zero = true;
            else if (*p == L'+' || *p == L' ' || *p == L'#')
                continue;
            else
                break;
        }
        if (*p == L'*') {
            field.width = va_arg(args, int);
            if (field.width < 0) {
                field.left = true;
                field.width = -field.width;
            }
            ++p;
        }
        while (*p >= L'0' && *p <= L'9')
            field.width = field.width * 10 + (*p++ - L'0');
        if (*p == L'.') {
            ++p;
            field.precision = 0;
            if (*p == L'*') {
                field.precision = va_arg(args, int);
                ++p;
            }
            while (*p >= L'0' && *p <= L'9')
                field.precision = field.precision * 10 + (*p++ - L'0');
        }
        bool wide64 = false;
        if (p[0] == L'I' && p[1] == L'6' && p[2] == L'4') {
            wide64 = true;
            p += 3;
        } else if (p[0] == L'l' && p[1] == L'l') {
            wide64 = true;
            p += 2;
        } else if (*p == L'l' || *p == L'h' || *p == L'w') {
            ++p;
        }
        wchar_t conv = *p;
        if (conv == 0)
            break;
        switch (conv) {
        case L'd':
        case L'i': {
            int64_t v = wide64 ? va_arg(args, long long) : va_arg(args, int);
            uint64_t mag = v < 0 ? (0 - static_cast<uint64_t>(v)) : static_cast<uint64_t>(v);
            Pad(out, Number(mag, v < 0, 10, false, field), field, true);
            break;
        }
        case L'u':
        case L'x':
        case L'X': {
            uint64_t v = wide64 ? va_arg(args, unsigned long long) : va_arg(args, unsigned int);
            unsigned base = conv == L'u' ? 10 : 16;
            Pad(out, Number(v, false, base, conv == L'X', field), field, true);
            break;
        }
        case L'c': {
            wchar_t c = static_cast<wchar_t>(va_arg(args, int));
            Pad(out, std::wstring(1, c), field, false);
            break;
        }
        case L's': {
            const wchar_t* s = va_arg(args, const wchar_t*);
            std::wstring body = s != nullptr ? s : L"(null)";
            if (field.precision >= 0 && body.size() > static_cast<size_t>(field.precision))
                body.resize(static_cast<size_t>(field.precision));
            Pad(out, body, field, false);
            break;
        }
        default:
            out += L'%';
            out += conv;
            break;
        }
    }
    return out;
}

std::wstring FormatText(const wchar_t* format, ...) {
    va_list args;
    va_start(args, format);
    std::wstring s = FormatTextV(format, args);
    va_end(args);
    return s;
}

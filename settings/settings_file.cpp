// Settings file reader and writer (see settings_file.h for the rules).
#include "settings/settings_file.h"

#include "frame/format_text.h"
#include "frame/utf8.h"
#include "settings/settings_io.h"

#include <cstring>
#include <vector>

wchar_t g_sz_settings_path[260] = {};

namespace {

enum class Encoding { kAscii, kUtf8, kUtf8Bom, kAnsi, kUtf16 };

// One line of the file as code points, with the terminator it had.
struct IniLine {
    std::u32string m_text;
    std::u32string m_end;
};

struct IniFile {
    Encoding m_encoding = Encoding::kAscii;
    std::vector<IniLine> m_lines;
};

// Windows-1252 characters 0x80..0x9F; unassigned ones map to themselves.
const char16_t kCp1252High[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                  0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                  0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                  0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

int DecodeUtf8(const std::string& bytes, size_t start, std::u32string* out) {
    for (size_t i = start; i < bytes.size();) {
        const unsigned char c = static_cast<unsigned char>(bytes[i]);
        uint32_t cp = 0;
        size_t extra = 0;
        if (c < 0x80) {
            cp = c;
        } else if (c >= 0xC2 && c < 0xE0) {
            cp = c & 0x1F;
            extra = 1;
        } else if (c >= 0xE0 && c < 0xF0) {
            cp = c & 0x0F;
            extra = 2;
        } else if (c >= 0xF0 && c < 0xF5) {
            cp = c & 0x07;
            extra = 3;
        } else {
            return 0;
        }
        for (size_t k = 1; k <= extra; ++k) {
            if (i + k >= bytes.size()) {
                return 0;
            }
            const unsigned char t = static_cast<unsigned char>(bytes[i + k]);
            if ((t & 0xC0) != 0x80) {
                return 0;
            }
            cp = (cp << 6) | (t & 0x3F);
        }
        if ((extra == 2 && cp < 0x800) || (extra == 3 && (cp < 0x10000 || cp > 0x10FFFF)) ||
            (cp >= 0xD800 && cp < 0xE000)) {
            return 0;
        }
        out->push_back(cp);
        i += extra + 1;
    }
    return 1;
}

std::u32string DecodeUtf16(const std::string& bytes, size_t start) {
    std::u32string out;
    for (size_t i = start; i + 1 < bytes.size(); i += 2) {
        uint32_t unit = static_cast<unsigned char>(bytes[i]) |
                        (static_cast<uint32_t>(static_cast<unsigned char>(bytes[i + 1])) << 8);
        if (unit >= 0xD800 && unit < 0xDC00 && i + 3 < bytes.size()) {
            const uint32_t low =
                static_cast<unsigned char>(bytes[i + 2]) |
                (static_cast<uint32_t>(static_cast<unsigned char>(bytes[i + 3])) << 8);
            if (low >= 0xDC00 && low < 0xE000) {
                unit = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
                i += 2;
            }
        }
        out.push_back(unit);
    }
    return out;
}

std::u32string Decode(const std::string& bytes, Encoding* encoding) {
    std::u32string text;
    if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
        static_cast<unsigned char>(bytes[1]) == 0xFE) {
        *encoding = Encoding::kUtf16;
        return DecodeUtf16(bytes, 2);
    }
    if (bytes.size() >= 3 && bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) {
        *encoding = Encoding::kUtf8Bom;
        if (DecodeUtf8(bytes, 3, &text)) {
            return text;
        }
        text.clear();
    }
    int ascii = 1;
    for (char c : bytes) {
        if (static_cast<unsigned char>(c) >= 0x80) {
            ascii = 0;
            break;
        }
    }
    if (ascii) {
        *encoding = Encoding::kAscii;
        return std::u32string(bytes.begin(), bytes.end());
    }
    if (*encoding != Encoding::kUtf8Bom) {
        if (DecodeUtf8(bytes, 0, &text)) {
            *encoding = Encoding::kUtf8;
            return text;
        }
        text.clear();
    }
    *encoding = Encoding::kAnsi;
    for (char c : bytes) {
        const unsigned char b = static_cast<unsigned char>(c);
        text.push_back(b >= 0x80 && b < 0xA0 ? kCp1252High[b - 0x80] : b);
    }
    return text;
}

void AppendUtf16(uint32_t cp, std::string* out) {
    auto unit = [out](uint32_t u) {
        out->push_back(static_cast<char>(u & 0xFF));
        out->push_back(static_cast<char>((u >> 8) & 0xFF));
    };
    if (cp >= 0x10000) {
        cp -= 0x10000;
        unit(0xD800 + (cp >> 10));
        unit(0xDC00 + (cp & 0x3FF));
    } else {
        unit(cp);
    }
}

std::string Encode(const IniFile& file) {
    std::u32string text;
    for (const IniLine& line : file.m_lines) {
        text += line.m_text;
        text += line.m_end;
    }
    int ascii = 1;
    for (char32_t c : text) {
        if (c >= 0x80) {
            ascii = 0;
            break;
        }
    }
    Encoding encoding = file.m_encoding;
    if (encoding == Encoding::kAscii || encoding == Encoding::kAnsi) {
        encoding = ascii ? Encoding::kAscii : Encoding::kUtf16;
    }
    std::string out;
    if (encoding == Encoding::kUtf16) {
        out = "\xFF\xFE";
        for (char32_t c : text) {
            AppendUtf16(c, &out);
        }
        return out;
    }
    if (encoding == Encoding::kUtf8Bom) {
        out = "\xEF\xBB\xBF";
    }
    for (char32_t c : text) {
        AppendUtf8(c, &out);
    }
    return out;
}

IniFile Load(const wchar_t* path) {
    IniFile file;
    std::string bytes;
    if (!path || !ReadSettingsBytes(path, &bytes)) {
        return file;
    }
    const std::u32string text = Decode(bytes, &file.m_encoding);
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = pos;
        while (end < text.size() && text[end] != U'\r' && text[end] != U'\n') {
            ++end;
        }
        IniLine line;
        line.m_text = text.substr(pos, end - pos);
        size_t next = end;
        if (next < text.size() && text[next] == U'\r') {
            ++next;
        }
        if (next < text.size() && text[next] == U'\n') {
            ++next;
        }
        line.m_end = text.substr(end, next - end);
        file.m_lines.push_back(line);
        pos = next;
    }
    return file;
}

std::u32string FromWide(const wchar_t* text) {
    std::u32string out;
    if (!text) {
        return out;
    }
    for (const wchar_t* p = text; *p; ++p) {
        uint32_t c = static_cast<uint32_t>(*p);
        if (sizeof(wchar_t) == 2 && c >= 0xD800 && c < 0xDC00 && p[1] >= 0xDC00 && p[1] < 0xE000) {
            c = 0x10000 + ((c - 0xD800) << 10) + (static_cast<uint32_t>(p[1]) - 0xDC00);
            ++p;
        }
        out.push_back(c);
    }
    return out;
}

std::wstring ToWide(const std::u32string& text) {
    std::wstring out;
    for (char32_t c : text) {
        if (sizeof(wchar_t) == 2 && c >= 0x10000) {
            out.push_back(static_cast<wchar_t>(0xD800 + ((c - 0x10000) >> 10)));
            out.push_back(static_cast<wchar_t>(0xDC00 + ((c - 0x10000) & 0x3FF)));
        } else {
            out.push_back(static_cast<wchar_t>(c));
        }
    }
    return out;
}

bool IsBlank(char32_t c) {
    return c == U' ' || c == U'\t';
}

std::u32string Trim(const std::u32string& text) {
    size_t begin = 0;
    size_t end = text.size();
    while (begin < end && IsBlank(text[begin])) {
        ++begin;
    }
    while (end > begin && IsBlank(text[end - 1])) {
        --end;
    }
    return text.substr(begin, end - begin);
}

char32_t Fold(char32_t c) {
    if ((c >= U'A' && c <= U'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7)) {
        return c + 0x20;
    }
    return c;
}

bool SameName(const std::u32string& a, const std::u32string& b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (size_t i = 0; i < a.size(); ++i) {
        if (Fold(a[i]) != Fold(b[i])) {
            return false;
        }
    }
    return true;
}

// The section name of a "[name]" line, or false.
bool SectionOf(const IniLine& line, std::u32string* name) {
    const std::u32string text = Trim(line.m_text);
    if (text.empty() || text[0] != U'[') {
        return false;
    }
    const size_t close = text.find(U']');
    *name = Trim(text.substr(1, close == std::u32string::npos ? std::u32string::npos : close - 1));
    return true;
}

// Key and value of a "key=value" line inside a section, or false.
bool KeyOf(const IniLine& line, std::u32string* key, std::u32string* value) {
    const std::u32string text = Trim(line.m_text);
    if (text.empty() || text[0] == U';') {
        return false;
    }
    const size_t eq = text.find(U'=');
    if (eq == std::u32string::npos) {
        *key = text;
        value->clear();
        return true;
    }
    *key = Trim(text.substr(0, eq));
    *value = Trim(text.substr(eq + 1));
    return true;
}

// Line index of the section header, or -1.
long FindSection(const IniFile& file, const std::u32string& section) {
    std::u32string name;
    for (size_t i = 0; i < file.m_lines.size(); ++i) {
        if (SectionOf(file.m_lines[i], &name) && SameName(name, section)) {
            return static_cast<long>(i);
        }
    }
    return -1;
}

// One past the last line of the section starting at header.
size_t SectionEnd(const IniFile& file, long header) {
    std::u32string name;
    size_t i = static_cast<size_t>(header) + 1;
    while (i < file.m_lines.size() && !SectionOf(file.m_lines[i], &name)) {
        ++i;
    }
    return i;
}

long FindKey(const IniFile& file, long header, const std::u32string& key, std::u32string* value) {
    const size_t end = SectionEnd(file, header);
    std::u32string name;
    std::u32string text;
    for (size_t i = static_cast<size_t>(header) + 1; i < end; ++i) {
        if (KeyOf(file.m_lines[i], &name, &text) && SameName(name, key)) {
            if (value) {
                *value = text;
            }
            return static_cast<long>(i);
        }
    }
    return -1;
}

// Reads one value; false when the file, section or key is missing.
bool Lookup(const wchar_t* path, const wchar_t* section, const wchar_t* key,
            std::u32string* value) {
    if (!section || !key) {
        return false;
    }
    const IniFile file = Load(path);
    const long header = FindSection(file, FromWide(section));
    if (header < 0) {
        return false;
    }
    if (FindKey(file, header, FromWide(key), value) < 0) {
        return false;
    }
    // A value in one pair of matching quotes is read without them.
    if (value->size() >= 2 && (value->front() == U'"' || value->front() == U'\'') &&
        value->back() == value->front()) {
        *value = value->substr(1, value->size() - 2);
    }
    return true;
}

uint32_t CopyOut(const std::wstring& text, wchar_t* out, uint32_t capacity) {
    if (!out || capacity == 0) {
        return 0;
    }
    size_t count = text.size();
    if (count > capacity - 1) {
        count = capacity - 1;
        // Never leave half of a surrogate pair.
        if (count > 0 && sizeof(wchar_t) == 2 && text[count - 1] >= 0xD800 &&
            text[count - 1] < 0xDC00) {
            --count;
        }
    }
    std::memcpy(out, text.data(), count * sizeof(wchar_t));
    out[count] = 0;
    return static_cast<uint32_t>(count);
}

const std::u32string kLineEnd = U"\r\n";

void EnsureLastLineEnds(IniFile* file) {
    if (!file->m_lines.empty() && file->m_lines.back().m_end.empty()) {
        file->m_lines.back().m_end = kLineEnd;
    }
}

} // namespace

uint32_t ParseProfileInt(const std::wstring& text, int32_t default_value) {
    if (text.empty()) {
        return static_cast<uint32_t>(default_value);
    }
    size_t i = 0;
    while (i < text.size() && static_cast<uint32_t>(text[i]) <= L' ') {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == L'-' || text[i] == L'+')) {
        negative = text[i] == L'-';
        ++i;
    }
    // The profile functions take a base prefix: 0x hexadecimal, 0o octal, 0b binary.
    uint32_t base = 10;
    if (i + 1 < text.size() && text[i] == L'0') {
        const wchar_t mark = text[i + 1];
        if (mark == L'x' || mark == L'X') {
            base = 16;
        } else if (mark == L'o' || mark == L'O') {
            base = 8;
        } else if (mark == L'b' || mark == L'B') {
            base = 2;
        }
        if (base != 10) {
            i += 2;
        }
    }
    uint32_t value = 0;
    for (; i < text.size(); ++i) {
        const wchar_t c = text[i];
        uint32_t digit = base;
        if (c >= L'0' && c <= L'9') {
            digit = static_cast<uint32_t>(c - L'0');
        } else if (c >= L'a' && c <= L'f') {
            digit = static_cast<uint32_t>(c - L'a') + 10;
        } else if (c >= L'A' && c <= L'F') {
            digit = static_cast<uint32_t>(c - L'A') + 10;
        }
        if (digit >= base) {
            break;
        }
        value = value * base + digit;
    }
    return negative ? 0u - value : value;
}

uint32_t ReadProfileStringAt(const wchar_t* path, const wchar_t* section, const wchar_t* key,
                             const wchar_t* default_text, wchar_t* out, uint32_t capacity) {
    std::u32string value;
    if (!Lookup(path, section, key, &value)) {
        value = Trim(FromWide(default_text));
    }
    return CopyOut(ToWide(value), out, capacity);
}

uint32_t ReadProfileIntAt(const wchar_t* path, const wchar_t* section, const wchar_t* key,
                          int32_t default_value) {
    std::u32string value;
    if (!Lookup(path, section, key, &value)) {
        return static_cast<uint32_t>(default_value);
    }
    return ParseProfileInt(ToWide(value), default_value);
}

int WriteSettingsStringAt(const wchar_t* path, const wchar_t* section, const wchar_t* key,
                          const wchar_t* value) {
    if (!path || !path[0] || !section) {
        return 0;
    }
    IniFile file = Load(path);
    const std::u32string section_name = Trim(FromWide(section));
    long header = FindSection(file, section_name);
    if (!key) {
        // A null key removes the whole section.
        if (header < 0) {
            return 1;
        }
        const size_t end = SectionEnd(file, header);
        file.m_lines.erase(file.m_lines.begin() + header,
                           file.m_lines.begin() + static_cast<long>(end));
        return ReplaceSettingsBytes(path, Encode(file));
    }
    const std::u32string key_name = Trim(FromWide(key));
    if (header < 0) {
        if (!value) {
            return 1;
        }
        EnsureLastLineEnds(&file);
        file.m_lines.push_back({U"[" + section_name + U"]", kLineEnd});
        file.m_lines.push_back({key_name + U"=" + FromWide(value), kLineEnd});
        return ReplaceSettingsBytes(path, Encode(file));
    }
    const long at = FindKey(file, header, key_name, nullptr);
    if (!value) {
        if (at < 0) {
            return 1;
        }
        file.m_lines.erase(file.m_lines.begin() + at);
        return ReplaceSettingsBytes(path, Encode(file));
    }
    if (at >= 0) {
        // The key keeps the spelling it already has in the file.
        std::u32string old_key;
        std::u32string old_value;
        KeyOf(file.m_lines[static_cast<size_t>(at)], &old_key, &old_value);
        file.m_lines[static_cast<size_t>(at)].m_text = old_key + U"=" + FromWide(value);
        if (file.m_lines[static_cast<size_t>(at)].m_end.empty() &&
            static_cast<size_t>(at) + 1 < file.m_lines.size()) {
            file.m_lines[static_cast<size_t>(at)].m_end = kLineEnd;
        }
        return ReplaceSettingsBytes(path, Encode(file));
    }
    // A new key goes after the last non-blank line of its section.
    size_t insert = SectionEnd(file, header);
    while (insert > static_cast<size_t>(header) + 1 &&
           Trim(file.m_lines[insert - 1].m_text).empty()) {
        --insert;
    }
    if (file.m_lines[insert - 1].m_end.empty()) {
        file.m_lines[insert - 1].m_end = kLineEnd;
    }
    file.m_lines.insert(file.m_lines.begin() + static_cast<long>(insert),
                        IniLine{key_name + U"=" + FromWide(value), kLineEnd});
    return ReplaceSettingsBytes(path, Encode(file));
}

uint32_t ReadProfileString(const wchar_t* section, const wchar_t* key, const wchar_t* default_text,
                           wchar_t* out, uint32_t capacity) {
    return ReadProfileStringAt(g_sz_settings_path, section, key, default_text, out, capacity);
}

uint32_t ReadProfileInt(const wchar_t* section, const wchar_t* key, int32_t default_value) {
    return ReadProfileIntAt(g_sz_settings_path, section, key, default_value);
}

int WriteSettingsString(const wchar_t* section, const wchar_t* key, const wchar_t* value) {
    return WriteSettingsStringAt(g_sz_settings_path, section, key, value);
}

int WriteProfileInt(const wchar_t* section, const wchar_t* key, int32_t value) {
    return WriteSettingsString(section, key, FormatText(L"%d", value).c_str());
}

// Initialisation file text: decoding, lookups, edits and encoding.
#include "settings/ini_text.h"

#include "base/utf16.h"
#include "base/utf8.h"
#include "base/windows_1252.h"

namespace {

// A byte of a UTF-8 file that belongs to no valid sequence is held as this
// value plus the byte: beyond every code point, so it can never be mistaken
// for text, and written back unchanged.
constexpr char32_t kRawByte = 0x110000;
constexpr char32_t kReplacement = 0xFFFD;

bool IsRawByte(char32_t c) {
    return c >= kRawByte && c < kRawByte + 0x100;
}

// Decodes UTF-8 from start. With keep_raw, bytes outside valid sequences are
// kept as raw-byte values; without it the first one fails the decoding (0).
int DecodeUtf8(const std::string& bytes, size_t start, int keep_raw, std::u32string* out) {
    for (size_t i = start; i < bytes.size();) {
        uint32_t cp = 0;
        const int length = DecodeUtf8Sequence(reinterpret_cast<const uint8_t*>(bytes.data()) + i,
                                              bytes.size() - i, &cp);
        if (length <= 0) {
            if (!keep_raw) {
                return 0;
            }
            cp = kRawByte + static_cast<unsigned char>(bytes[i]);
        }
        out->push_back(cp);
        i += length <= 0 ? 1 : static_cast<size_t>(length);
    }
    return 1;
}

std::u32string DecodeUtf16(const std::string& bytes, size_t start) {
    std::u32string out;
    for (size_t i = start; i + 1 < bytes.size(); i += 2) {
        uint32_t unit = static_cast<unsigned char>(bytes[i]) |
                        (static_cast<uint32_t>(static_cast<unsigned char>(bytes[i + 1])) << 8);
        if (IsHighSurrogate(unit) && i + 3 < bytes.size()) {
            const uint32_t low =
                static_cast<unsigned char>(bytes[i + 2]) |
                (static_cast<uint32_t>(static_cast<unsigned char>(bytes[i + 3])) << 8);
            if (IsLowSurrogate(low)) {
                unit = CombineSurrogates(unit, low);
                i += 2;
            }
        }
        out.push_back(unit);
    }
    return out;
}

void AppendUtf16(char32_t cp, std::string* out) {
    auto unit = [out](uint32_t u) {
        out->push_back(static_cast<char>(u & 0xFF));
        out->push_back(static_cast<char>((u >> 8) & 0xFF));
    };
    if (cp > 0x10FFFF) {
        cp = kReplacement;
    }
    if (cp >= 0x10000) {
        uint32_t high = 0, low = 0;
        SplitSurrogates(cp, &high, &low);
        unit(high);
        unit(low);
    } else {
        unit(cp);
    }
}

std::u32string FromWide(const wchar_t* text) {
    std::u32string out;
    if (!text) {
        return out;
    }
    for (const wchar_t* p = text; *p; ++p) {
        uint32_t c = static_cast<uint32_t>(*p);
        if (sizeof(wchar_t) == 2 && IsHighSurrogate(c) &&
            IsLowSurrogate(static_cast<uint32_t>(p[1]))) {
            c = CombineSurrogates(c, static_cast<uint32_t>(p[1]));
            ++p;
        }
        out.push_back(c > 0x10FFFF ? kReplacement : c);
    }
    return out;
}

std::wstring ToWide(const std::u32string& text) {
    std::wstring out;
    for (char32_t c : text) {
        if (c > 0x10FFFF) {
            c = kReplacement;
        }
        if (sizeof(wchar_t) == 2 && c >= 0x10000) {
            uint32_t high = 0, low = 0;
            SplitSurrogates(c, &high, &low);
            out.push_back(static_cast<wchar_t>(high));
            out.push_back(static_cast<wchar_t>(low));
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
bool SectionOf(const std::u32string& line, std::u32string* name) {
    // Most lines are no header; they are turned away before anything is copied.
    size_t first = 0;
    while (first < line.size() && IsBlank(line[first])) {
        ++first;
    }
    if (first == line.size() || line[first] != U'[') {
        return false;
    }
    const std::u32string text = Trim(line);
    const size_t close = text.find(U']');
    *name = Trim(text.substr(1, close == std::u32string::npos ? std::u32string::npos : close - 1));
    return true;
}

// Key and value of a "key=value" line inside a section, or false.
bool KeyOf(const std::u32string& line, std::u32string* key, std::u32string* value) {
    const std::u32string text = Trim(line);
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

const std::u32string kLineEnd = U"\r\n";

} // namespace

CIniText::CIniText(const std::string& bytes) {
    std::u32string text;
    const auto byte = [&bytes](size_t i) { return static_cast<unsigned char>(bytes[i]); };
    if (bytes.size() >= 2 && byte(0) == 0xFF && byte(1) == 0xFE) {
        m_n_encoding = Encoding::kUtf16;
        text = DecodeUtf16(bytes, 2);
    } else if (bytes.size() >= 3 && bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) {
        // The mark says UTF-8; a stray byte does not make the file ANSI.
        m_n_encoding = Encoding::kUtf8Bom;
        DecodeUtf8(bytes, 3, 1, &text);
    } else {
        int ascii = 1;
        for (size_t i = 0; i < bytes.size() && ascii; ++i) {
            ascii = byte(i) < 0x80;
        }
        if (ascii) {
            m_n_encoding = Encoding::kAscii;
            text.assign(bytes.begin(), bytes.end());
        } else if (DecodeUtf8(bytes, 0, 0, &text)) {
            m_n_encoding = Encoding::kUtf8;
        } else {
            m_n_encoding = Encoding::kAnsi;
            text.clear();
            for (size_t i = 0; i < bytes.size(); ++i) {
                const unsigned char b = byte(i);
                text.push_back(Windows1252Char(b));
            }
        }
    }
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = pos;
        while (end < text.size() && text[end] != U'\r' && text[end] != U'\n') {
            ++end;
        }
        size_t next = end;
        if (next < text.size() && text[next] == U'\r') {
            ++next;
        }
        if (next < text.size() && text[next] == U'\n') {
            ++next;
        }
        m_lines.push_back({text.substr(pos, end - pos), text.substr(end, next - end)});
        pos = next;
    }
}

long CIniText::FindSection(const std::u32string& section) const {
    std::u32string name;
    for (size_t i = 0; i < m_lines.size(); ++i) {
        if (SectionOf(m_lines[i].m_text, &name) && SameName(name, section)) {
            return static_cast<long>(i);
        }
    }
    return -1;
}

size_t CIniText::SectionEnd(long header) const {
    std::u32string name;
    size_t i = static_cast<size_t>(header) + 1;
    while (i < m_lines.size() && !SectionOf(m_lines[i].m_text, &name)) {
        ++i;
    }
    return i;
}

long CIniText::FindKey(long header, const std::u32string& key, std::u32string* value) const {
    const size_t end = SectionEnd(header);
    std::u32string name;
    std::u32string text;
    for (size_t i = static_cast<size_t>(header) + 1; i < end; ++i) {
        if (KeyOf(m_lines[i].m_text, &name, &text) && SameName(name, key)) {
            if (value) {
                *value = text;
            }
            return static_cast<long>(i);
        }
    }
    return -1;
}

int CIniText::Lookup(const wchar_t* section, const wchar_t* key, std::wstring* value) const {
    if (!section || !key || !value) {
        return 0;
    }
    const long header = FindSection(FromWide(section));
    std::u32string text;
    if (header < 0 || FindKey(header, FromWide(key), &text) < 0) {
        return 0;
    }
    // A value in one pair of matching quotes is read without them.
    if (text.size() >= 2 && (text.front() == U'"' || text.front() == U'\'') &&
        text.back() == text.front()) {
        text = text.substr(1, text.size() - 2);
    }
    *value = ToWide(text);
    return 1;
}

void CIniText::EnsureLastLineEnds() {
    if (!m_lines.empty() && m_lines.back().m_end.empty()) {
        m_lines.back().m_end = kLineEnd;
    }
}

void CIniText::Set(const wchar_t* section, const wchar_t* key, const wchar_t* value) {
    if (!section) {
        return;
    }
    const std::u32string section_name = Trim(FromWide(section));
    const long header = FindSection(section_name);
    if (!key) {
        if (header >= 0) {
            const size_t end = SectionEnd(header);
            m_lines.erase(m_lines.begin() + header, m_lines.begin() + static_cast<long>(end));
            m_b_changed = 1;
        }
        return;
    }
    const std::u32string key_name = Trim(FromWide(key));
    if (header < 0) {
        if (value) {
            EnsureLastLineEnds();
            m_lines.push_back({U"[" + section_name + U"]", kLineEnd});
            m_lines.push_back({key_name + U"=" + FromWide(value), kLineEnd});
            m_b_changed = 1;
        }
        return;
    }
    const long at = FindKey(header, key_name, nullptr);
    if (!value) {
        if (at >= 0) {
            m_lines.erase(m_lines.begin() + at);
            m_b_changed = 1;
        }
        return;
    }
    m_b_changed = 1;
    if (at >= 0) {
        Line& line = m_lines[static_cast<size_t>(at)];
        std::u32string old_key;
        std::u32string old_value;
        KeyOf(line.m_text, &old_key, &old_value);
        line.m_text = old_key + U"=" + FromWide(value);
        if (line.m_end.empty() && static_cast<size_t>(at) + 1 < m_lines.size()) {
            line.m_end = kLineEnd;
        }
        return;
    }
    size_t insert = SectionEnd(header);
    while (insert > static_cast<size_t>(header) + 1 && Trim(m_lines[insert - 1].m_text).empty()) {
        --insert;
    }
    if (m_lines[insert - 1].m_end.empty()) {
        m_lines[insert - 1].m_end = kLineEnd;
    }
    m_lines.insert(m_lines.begin() + static_cast<long>(insert),
                   Line{key_name + U"=" + FromWide(value), kLineEnd});
}

std::string CIniText::Encode() const {
    std::u32string text;
    for (const Line& line : m_lines) {
        text += line.m_text;
        text += line.m_end;
    }
    int ascii = 1;
    for (size_t i = 0; i < text.size() && ascii; ++i) {
        ascii = text[i] < 0x80;
    }
    Encoding encoding = m_n_encoding;
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
        if (IsRawByte(c)) {
            out.push_back(static_cast<char>(c - kRawByte));
        } else {
            AppendUtf8(c, &out);
        }
    }
    return out;
}

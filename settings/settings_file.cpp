// Settings file reader and writer (see settings_file.h for the rules).
#include "settings/settings_file.h"

#include "base/format_text.h"
#include "settings/settings_io.h"

#include <cstring>

wchar_t g_sz_settings_path[260] = {};

namespace {

// The file's text; *readable is 0 when it exists but could not be read (its
// text is then empty, so reads give their defaults).
CIniText Load(const wchar_t* path, int* readable) {
    std::string bytes;
    const SettingsFileState state =
        path ? CurrentSettingsFileOps()->Read(path, &bytes) : SettingsFileState::kMissing;
    *readable = state != SettingsFileState::kUnreadable;
    return state == SettingsFileState::kRead ? CIniText(bytes) : CIniText();
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

std::wstring TrimBlanks(const wchar_t* text) {
    std::wstring out = text ? text : L"";
    const size_t begin = out.find_first_not_of(L" \t");
    if (begin == std::wstring::npos) {
        return std::wstring();
    }
    return out.substr(begin, out.find_last_not_of(L" \t") + 1 - begin);
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
    int readable = 0;
    std::wstring value;
    if (!Load(path, &readable).Lookup(section, key, &value)) {
        value = TrimBlanks(default_text);
    }
    return CopyOut(value, out, capacity);
}

uint32_t ReadProfileIntAt(const wchar_t* path, const wchar_t* section, const wchar_t* key,
                          int32_t default_value) {
    int readable = 0;
    std::wstring value;
    if (!Load(path, &readable).Lookup(section, key, &value)) {
        return static_cast<uint32_t>(default_value);
    }
    return ParseProfileInt(value, default_value);
}

int WriteSettingsStringAt(const wchar_t* path, const wchar_t* section, const wchar_t* key,
                          const wchar_t* value) {
    if (!section) {
        return 0;
    }
    CSettingsBatch batch(path);
    batch.Set(section, key, value);
    return batch.Commit();
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

CSettingsBatch::CSettingsBatch(const wchar_t* path)
    : m_sz_path(path ? path : L""), m_b_readable(0), m_text(Load(path, &m_b_readable)) {}

uint32_t CSettingsBatch::ReadInt(const wchar_t* section, const wchar_t* key,
                                 int32_t default_value) const {
    std::wstring value;
    if (!m_text.Lookup(section, key, &value)) {
        return static_cast<uint32_t>(default_value);
    }
    return ParseProfileInt(value, default_value);
}

void CSettingsBatch::Set(const wchar_t* section, const wchar_t* key, const wchar_t* value) {
    m_text.Set(section, key, value);
}

void CSettingsBatch::SetInt(const wchar_t* section, const wchar_t* key, int32_t value) {
    Set(section, key, FormatText(L"%d", value).c_str());
}

int CSettingsBatch::Commit() {
    if (!m_b_readable || m_sz_path.empty()) {
        return 0;
    }
    if (!m_text.Changed()) {
        return 1;
    }
    return CurrentSettingsFileOps()->Replace(m_sz_path.c_str(), m_text.Encode());
}

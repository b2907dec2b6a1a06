// Bookmarks as text lines, and the per-user store built on them.
#include "tools/bookmark_text.h"

#include "base/same_path.h"
#include "base/utf16.h"
#include "base/utf8.h"

#define XXH_INLINE_ALL
#include <xxhash.h>

#include <cstring>
#include <new>

namespace {

const char kStoreHeader[] = "# Pelmora bookmarks";
const char kMovedField[] = "moved";

// Appends the text as UTF-8 with its tabs, line breaks and backslashes
// escaped; a lone surrogate or a NUL is left out.
void AppendEscaped(const std::wstring& text, std::string* out) {
    for (size_t i = 0; i < text.size(); ++i) {
        auto c = static_cast<uint32_t>(text[i]);
        switch (c) {
        case '\t':
            *out += "\\t";
            continue;
        case '\n':
            *out += "\\n";
            continue;
        case '\r':
            *out += "\\r";
            continue;
        case '\\':
            *out += "\\\\";
            continue;
        default:
            break;
        }
        if (c < 0x80) {
            if (c != 0)
                *out += static_cast<char>(c);
            continue;
        }
        if (sizeof(wchar_t) == 2 && IsHighSurrogate(c) && i + 1 < text.size() &&
            IsLowSurrogate(static_cast<uint32_t>(text[i + 1])))
            c = CombineSurrogates(c, static_cast<uint32_t>(text[++i]));
        if (!IsSurrogate(c) && c <= 0x10FFFF)
            AppendUtf8(c, out);
    }
}

void AppendHex(uint64_t value, std::string* out) {
    char digits[16];
    int n = 0;
    do {
        digits[n++] = "0123456789ABCDEF"[value & 15];
        value >>= 4;
    } while (value != 0);
    *out += "0x";
    while (n > 0)
        *out += digits[--n];
}

// A field's text with its escapes undone, as wide text; 0 for a bad escape
// or text that is not UTF-8.
int Unescape(const char* begin, const char* end, std::wstring* out) {
    std::string utf8;
    utf8.reserve(static_cast<size_t>(end - begin));
    for (const char* p = begin; p < end; ++p) {
        if (*p == 0)
            return 0; // no name or note holds one; it would cut the text short
        if (*p != '\\') {
            utf8 += *p;
            continue;
        }
        if (++p == end)
            return 0;
        switch (*p) {
        case 't':
            utf8 += '\t';
            break;
        case 'n':
            utf8 += '\n';
            break;
        case 'r':
            utf8 += '\r';
            break;
        case '\\':
            utf8 += '\\';
            break;
        default:
            return 0;
        }
    }
    out->clear();
    return Utf8ToWide(utf8, out);
}

// A whole field as a number of the given base, at most INT64_MAX; -1 when it
// is not one.
int64_t ParseNumber(const char* begin, const char* end, int base) {
    if (begin == end)
        return -1;
    uint64_t value = 0;
    for (const char* p = begin; p < end; ++p) {
        int digit;
        if (*p >= '0' && *p <= '9')
            digit = *p - '0';
        else if (base == 16 && *p >= 'a' && *p <= 'f')
            digit = *p - 'a' + 10;
        else if (base == 16 && *p >= 'A' && *p <= 'F')
            digit = *p - 'A' + 10;
        else
            return -1;
        if (value > (static_cast<uint64_t>(INT64_MAX) - static_cast<uint64_t>(digit)) /
                        static_cast<uint64_t>(base))
            return -1;
        value = value * static_cast<uint64_t>(base) + static_cast<uint64_t>(digit);
    }
    return static_cast<int64_t>(value);
}

// One bookmark line (no line break): 1 with *out filled, or 0 when damaged.
int ParseLine(const char* begin, const char* end, Bookmark* out) {
    const char* fields[6];
    const char* ends[6];
    int count = 0;
    const char* start = begin;
    for (const char* p = begin;; ++p) {
        if (p == end || *p == '\t') {
            if (count == 5)
                return 0;
            fields[count] = start;
            ends[count++] = p;
            start = p + 1;
            if (p == end)
                break;
        }
    }
    if (count < 3)
        return 0;
    const char* hex = fields[0];
    if (ends[0] - hex >= 2 && hex[0] == '0' && (hex[1] == 'x' || hex[1] == 'X'))
        hex += 2;
    const int64_t first = ParseNumber(hex, ends[0], 16);
    const int64_t length = ParseNumber(fields[1], ends[1], 10);
    if (first < 0 || length < 0 || length > INT64_MAX - first)
        return 0;
    Bookmark mark;
    mark.m_n_first = first;
    mark.m_n_length = length;
    if (!Unescape(fields[2], ends[2], &mark.m_sz_name) ||
        (count > 3 && !Unescape(fields[3], ends[3], &mark.m_sz_note)))
        return 0;
    if (count == 5) {
        const size_t n = static_cast<size_t>(ends[4] - fields[4]);
        if (n != sizeof kMovedField - 1 || std::memcmp(fields[4], kMovedField, n) != 0)
            return 0;
        mark.m_b_maybe_moved = 1;
    }
    *out = std::move(mark);
    return 1;
}

// The UTF-16 form of a path with the case of ASCII letters folded and '/'
// taken as '\', as little-endian bytes: the same in every build.
std::string FoldedPathBytes(const std::wstring& path) {
    std::string out;
    auto put = [&out](uint32_t unit) {
        out += static_cast<char>(unit & 0xFF);
        out += static_cast<char>(unit >> 8);
    };
    for (wchar_t c : path) {
        uint32_t u = FoldPathChar(c == L'/' ? L'\\' : c);
        if (u > 0xFFFF) {
            uint32_t high, low;
            SplitSurrogates(u, &high, &low);
            put(high);
            put(low);
        } else {
            put(u);
        }
    }
    return out;
}

std::wstring JoinPath(const std::wstring& folder, const std::wstring& name) {
    if (folder.empty())
        return name;
    const wchar_t last = folder.back();
    if (last == L'\\' || last == L'/')
        return folder + name;
#ifdef _WIN32
    return folder + L'\\' + name;
#else
    return folder + L'/' + name;
#endif
}

} // namespace

std::string BookmarksToText(const BookmarkSet& set) {
    std::string out;
    try {
        out.reserve(set.Count() * 40);
        for (size_t i = 0; i < set.Count(); ++i) {
            const Bookmark& m = set.At(i);
            AppendHex(static_cast<uint64_t>(m.m_n_first), &out);
            out += '\t';
            out += std::to_string(m.m_n_length);
            out += '\t';
            AppendEscaped(m.m_sz_name, &out);
            out += '\t';
            AppendEscaped(m.m_sz_note, &out);
            if (m.m_b_maybe_moved) {
                out += '\t';
                out += kMovedField;
            }
            out += '\n';
        }
    } catch (const std::bad_alloc&) {
        return std::string();
    }
    return out;
}

int ParseBookmarkText(const char* data, size_t size, std::vector<Bookmark>* out,
                      std::vector<size_t>* bad_lines) {
    if (data == nullptr || out == nullptr)
        return 0;
    const char* p = data;
    const char* const end = data + size;
    if (size >= 3 && std::memcmp(p, "\xEF\xBB\xBF", 3) == 0)
        p += 3;
    int read = 0;
    for (size_t line = 1; p < end; ++line) {
        const char* eol =
            static_cast<const char*>(std::memchr(p, '\n', static_cast<size_t>(end - p)));
        const char* line_end = eol != nullptr ? eol : end;
        const char* next = eol != nullptr ? eol + 1 : end;
        if (line_end > p && line_end[-1] == '\r')
            --line_end;
        // Empty lines and comments (the store's header) carry no bookmark.
        if (line_end > p && *p != '#') {
            try {
                Bookmark mark;
                if (ParseLine(p, line_end, &mark)) {
                    out->push_back(std::move(mark));
                    ++read;
                } else if (bad_lines != nullptr) {
                    bad_lines->push_back(line);
                }
            } catch (const std::bad_alloc&) {
                if (bad_lines != nullptr)
                    bad_lines->push_back(line);
            }
        }
        p = next;
    }
    return read;
}

std::string BookmarkStoreText(const BookmarkSet& set, int64_t file_size, int64_t file_time) {
    try {
        std::string out = kStoreHeader;
        out += "\tsize ";
        out += std::to_string(file_size);
        out += "\ttime ";
        out += std::to_string(file_time);
        out += '\n';
        out += BookmarksToText(set);
        return out;
    } catch (const std::bad_alloc&) {
        return std::string();
    }
}

int ReadBookmarkStore(const char* data, size_t size, int64_t file_size_now, int64_t file_time_now,
                      std::vector<Bookmark>* out, std::vector<size_t>* bad_lines) {
    (void)file_time_now;
    if (data == nullptr || out == nullptr)
        return 0;
    // The header: "# Pelmora bookmarks\tsize N\ttime T".
    int64_t recorded_size = -1;
    const size_t header = sizeof kStoreHeader - 1;
    const char* eol = static_cast<const char*>(std::memchr(data, '\n', size));
    const char* line_end = eol != nullptr ? eol : data + size;
    const char* size_field = data + header;
    if (size >= header + 6 && std::memcmp(data, kStoreHeader, header) == 0 &&
        std::memcmp(size_field, "\tsize ", 6) == 0) {
        const char* digits = size_field + 6;
        const char* digits_end = digits;
        while (digits_end < line_end && *digits_end >= '0' && *digits_end <= '9')
            ++digits_end;
        recorded_size = ParseNumber(digits, digits_end, 10);
    }
    const size_t first = out->size();
    const int read = ParseBookmarkText(data, size, out, bad_lines);
    if (recorded_size < 0 || recorded_size != file_size_now)
        for (size_t i = first; i < out->size(); ++i)
            (*out)[i].m_b_maybe_moved = 1;
    return read;
}

std::wstring BookmarkStoreName(const std::wstring& full_path) {
    const std::string folded = FoldedPathBytes(full_path);
    const uint64_t hash = XXH64(folded.data(), folded.size(), 0);
    // The file's own name, cut to a readable length, with what a file name
    // may not hold replaced; folded as the hash is, so that every spelling
    // of the path finds the same store.
    const size_t slash = full_path.find_last_of(L"\\/");
    std::wstring tail = full_path.substr(slash == std::wstring::npos ? 0 : slash + 1);
    constexpr size_t kTail = 40;
    if (tail.size() > kTail) {
        tail.resize(kTail);
        if (IsHighSurrogate(static_cast<uint32_t>(tail.back())))
            tail.pop_back();
    }
    for (wchar_t& c : tail)
        if (c < 0x20 || std::wcschr(L"<>:\"/\\|?*", c) != nullptr)
            c = L'_';
        else if (c >= L'A' && c <= L'Z')
            c = static_cast<wchar_t>(c - L'A' + L'a');
    wchar_t hex[17];
    for (int i = 0; i < 16; ++i)
        hex[i] = L"0123456789abcdef"[(hash >> (60 - 4 * i)) & 15];
    hex[16] = 0;
    return tail + L'-' + hex + L".txt";
}

int WriteBookmarkStore(const std::wstring& folder, const std::wstring& name,
                       const std::string& text, WorkspaceFileOps& ops) {
    if (name.empty())
        return 0;
    const std::wstring path = JoinPath(folder, name);
    const std::wstring fresh = path + L".new";
    void* file = ops.OpenWrite(fresh.c_str());
    if (file == nullptr)
        return 0;
    // A short write means the disk is full or failing.
    bool ok = text.empty() || ops.Write(file, text.data(), text.size()) == text.size();
    ok = ok && ops.FlushToDisk(file) != 0;
    ok = ops.Close(file) != 0 && ok;
    ok = ok && ops.MoveReplace(fresh.c_str(), path.c_str()) != 0;
    if (!ok)
        ops.Delete(fresh.c_str());
    return ok ? 1 : 0;
}

int ReadBookmarkStoreFile(const std::wstring& folder, const std::wstring& name, std::string* text,
                          size_t max_bytes, WorkspaceFileOps& ops) {
    if (text == nullptr || name.empty())
        return 0;
    const std::wstring path = JoinPath(folder, name);
    void* file = ops.OpenRead(path.c_str());
    if (file == nullptr)
        return 0;
    const int64_t size = ops.Size(file);
    bool ok = size >= 0 && static_cast<uint64_t>(size) <= max_bytes;
    try {
        if (ok)
            text->resize(static_cast<size_t>(size));
    } catch (const std::bad_alloc&) {
        ok = false;
    }
    for (size_t done = 0; ok && done < text->size();) {
        const size_t n = ops.Read(file, &(*text)[done], text->size() - done);
        ok = n > 0;
        done += n;
    }
    ops.Close(file);
    if (!ok)
        text->clear();
    return ok ? 1 : 0;
}

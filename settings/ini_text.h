// An initialisation file held in memory: its lines as code points and the
// encoding its bytes came in, lookups and edits with the rules of the Windows
// private profile functions, and its bytes again for writing.
//
// Encodings: UTF-16LE with its mark; UTF-8 with its mark, whatever its bytes
// (a byte that is no part of a UTF-8 sequence reads as U+FFFD and is written
// back exactly as it was); ASCII; UTF-8 without a mark when it is valid UTF-8;
// Windows-1252 otherwise. Writing keeps a UTF-16 or UTF-8 file in its encoding
// and an ASCII one byte for byte; an ASCII or Windows-1252 file whose text is
// no longer ASCII becomes UTF-16LE with its mark, which the Windows profile
// functions read too.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class CIniText {
  public:
    // An empty file (as a missing one reads).
    CIniText() = default;
    // The text of a file's bytes.
    explicit CIniText(const std::string& bytes);

    // 1 with the value of a key (blanks around it trimmed, one pair of
    // matching quotes removed); 0 when the section or key is missing.
    // Section and key names match without regard to case.
    int Lookup(const wchar_t* section, const wchar_t* key, std::wstring* value) const;

    // Sets a key to a value, creating the section and key as needed and
    // leaving every other line alone; a null value deletes the key, a null
    // key the whole section. A new key follows its section's last line that
    // is not blank; an existing key keeps its spelling.
    void Set(const wchar_t* section, const wchar_t* key, const wchar_t* value);
    // 1 once a Set has changed the text.
    int Changed() const { return m_b_changed; }

    // The file's bytes in its encoding (see above).
    std::string Encode() const;

  private:
    enum class Encoding { kAscii, kUtf8, kUtf8Bom, kAnsi, kUtf16 };
    // One line as code points, with the terminator it had (empty for the last
    // line of a file that does not end in one).
    struct Line {
        std::u32string m_text;
        std::u32string m_end;
    };

    long FindSection(const std::u32string& section) const;
    size_t SectionEnd(long header) const;
    long FindKey(long header, const std::u32string& key, std::u32string* value) const;
    void EnsureLastLineEnds();

    Encoding m_n_encoding = Encoding::kAscii;
    std::vector<Line> m_lines;
    int m_b_changed = 0;
};

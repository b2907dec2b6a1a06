// Settings file: a small reader and writer of the initialisation-file form
// (sections in brackets, key=value lines) with the semantics of the Windows
// private profile functions, one implementation for every platform.
//
// Section and key names match without regard to case. Every call reads the
// file afresh. A missing file, section or key gives the caller's default.
// Writing creates the file, section and key as needed and leaves every other
// line as it was; a null value deletes the key (a null key the section).
// Integers read like GetPrivateProfileIntW: an empty or missing value gives the
// default; otherwise optional blanks, an optional sign, an optional base prefix
// (0x, 0o, 0b) and the leading digits count (wrapping modulo 2^32); text
// without digits reads as 0.
// Encodings are those of CIniText (settings/ini_text.h).
// Writes go to a temporary file beside the target, flushed and then moved over
// it, so the file is never left half written; a file that exists but could
// not be read is never written, so a passing sharing violation cannot cost
// the user the rest of the file.
#pragma once

#include "settings/ini_text.h"

#include <cstdint>
#include <string>

// Full path of settings.ini, set once at start-up by the frame.
extern wchar_t g_sz_settings_path[260];

// Copies the value (or the default, null meaning empty) into out, truncated to
// capacity - 1 characters; returns the number of characters copied.
uint32_t ReadProfileString(const wchar_t* section, const wchar_t* key, const wchar_t* default_text,
                           wchar_t* out, uint32_t capacity);
// The integer value of a key, see above.
uint32_t ReadProfileInt(const wchar_t* section, const wchar_t* key, int32_t default_value);
// 1 when the file holds the change afterwards (a deletion of something absent
// succeeds without writing), 0 when the file exists but could not be read or
// could not be written; it is then left as it was.
int WriteSettingsString(const wchar_t* section, const wchar_t* key, const wchar_t* value);
// Writes a signed 32-bit value as decimal text; 1/0 as WriteSettingsString.
int WriteProfileInt(const wchar_t* section, const wchar_t* key, int32_t value);

// The same on a file of the caller's choice.
uint32_t ReadProfileStringAt(const wchar_t* path, const wchar_t* section, const wchar_t* key,
                             const wchar_t* default_text, wchar_t* out, uint32_t capacity);
uint32_t ReadProfileIntAt(const wchar_t* path, const wchar_t* section, const wchar_t* key,
                          int32_t default_value);
int WriteSettingsStringAt(const wchar_t* path, const wchar_t* section, const wchar_t* key,
                          const wchar_t* value);

// Several changes to one settings file made in one replacement of it: either
// the file holds all of them afterwards or it is left as it was.
class CSettingsBatch {
  public:
    // Reads the file (the program's settings file by default) once.
    explicit CSettingsBatch(const wchar_t* path = g_sz_settings_path);
    // 0 when the file exists but could not be read (a missing one is readable).
    int Readable() const { return m_b_readable; }
    // The integer value of a key as the file stands with the changes so far.
    uint32_t ReadInt(const wchar_t* section, const wchar_t* key, int32_t default_value) const;
    // A change as WriteSettingsString would make it; nothing is written yet.
    void Set(const wchar_t* section, const wchar_t* key, const wchar_t* value);
    void SetInt(const wchar_t* section, const wchar_t* key, int32_t value);
    // Writes every change in one replacement. 1 when the file holds them (or
    // nothing changed and the file was readable); 0 leaves it as it was.
    int Commit();

  private:
    std::wstring m_sz_path;
    int m_b_readable;
    CIniText m_text;
};

// Integer reading rule on a value text (exposed for tests).
uint32_t ParseProfileInt(const std::wstring& text, int32_t default_value);

// Whole-file access for the settings file: read all bytes, and replace the
// file atomically through a flushed temporary file beside it; behind one seam
// so tests can make a read or a replacement fail.
#pragma once

#include <string>

// What reading the settings file found.
enum class SettingsFileState {
    kRead,      // the bytes are the file's
    kMissing,   // there is no such file (nor folder): the defaults apply
    kUnreadable // it exists but could not be read (sharing, permissions, an I/O error)
};

// The platform halves (settings/win32, settings/posix).
SettingsFileState ReadSettingsBytes(const wchar_t* path, std::string* bytes);
// 1 when the file holds exactly bytes afterwards; 0 leaves the old file untouched.
int ReplaceSettingsBytes(const wchar_t* path, const std::string& bytes);

class SettingsFileOps {
  public:
    virtual ~SettingsFileOps() = default;
    virtual SettingsFileState Read(const wchar_t* path, std::string* bytes) = 0;
    virtual int Replace(const wchar_t* path, const std::string& bytes) = 0;
};

// The ops the settings file uses: an installed one, else the platform's. Never null.
SettingsFileOps* CurrentSettingsFileOps();
// Installs ops (null restores the platform's); returns the previous ones.
SettingsFileOps* SetSettingsFileOps(SettingsFileOps* ops);

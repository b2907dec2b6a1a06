// Whole-file access for the settings file: read all bytes, and replace the
// file atomically through a flushed temporary file beside it.
#pragma once

#include <string>

// 1 with the bytes when the file could be read; 0 when it is missing or unreadable.
int ReadSettingsBytes(const wchar_t* path, std::string* bytes);
// 1 when the file holds exactly bytes afterwards; 0 leaves the old file untouched.
int ReplaceSettingsBytes(const wchar_t* path, const std::string& bytes);

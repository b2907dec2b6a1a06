// The settings file path: the program's folder followed by "settings.ini".
#pragma once

#include <cstddef>

constexpr size_t kSettingsPathCapacity = 260;

// Writes folder + "settings.ini" into out (kSettingsPathCapacity characters).
// A folder too long to leave room for the name gives an empty path, so the
// built-in defaults are used and nothing is written anywhere else; 1 or 0.
int ComposeSettingsPath(const wchar_t* folder, wchar_t* out);

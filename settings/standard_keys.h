// The standard key set a new user can take in one go: the keys most programs
// give these commands, bound to every command that has no key yet.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct StandardKey {
    const wchar_t* m_sz_command; // a name of ShortcutCommandTable
    uint16_t m_n_code;           // a HotkeyCode
};
extern const StandardKey kStandardKeys[];
extern const int kStandardKeyCount;

// One standard key to bind, with the command that has the key now (empty
// when none does).
struct StandardBinding {
    StandardKey m_key;
    std::wstring m_sz_owner;
};

// The standard keys of the commands that have no key, read from the
// "hotkey" section; those whose key belongs to another command are "taken".
struct StandardKeysPlan {
    std::vector<StandardBinding> m_free;
    std::vector<StandardBinding> m_taken;
};
StandardKeysPlan PlanStandardKeys();

// The taken keys as the question lists them, one line each:
// "CTRL + O: Close file".
std::wstring TakenKeysText(const StandardKeysPlan& plan);

// Binds the free keys, and with move_taken the taken ones too (their owners
// lose them), in one replacement of the settings file; the accelerator
// entries change only when the file holds the change. 1, or 0 when the file
// could not be written and nothing changed.
int ApplyStandardKeys(const StandardKeysPlan& plan, int move_taken);

// What the program shows of a bindable command besides its name: a one-line
// description on the Keyboard page and its key beside its menu item.
#pragma once

#include <cstdint>
#include <string>

// The description of a shortcut command ID; empty text for an unknown ID.
const wchar_t* ShortcutDescription(uint16_t id);

// A HotkeyCode as a menu shows it after a tab: "Ctrl+Shift+Home", "Delete",
// "F5"; empty for code 0.
std::wstring MenuKeyText(uint32_t code);

// The key bound to a shortcut command ID in the accelerator entries, as a
// HotkeyCode; 0 when it has none.
uint32_t BoundKeyOf(uint16_t id);

// A menu item's text with the key text after a tab, or without any when the
// key text is empty; a key text the item had before is replaced.
std::wstring MenuTextWithKey(const std::wstring& item_text, const std::wstring& key_text);

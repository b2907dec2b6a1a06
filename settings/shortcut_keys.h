// Shortcut keys: the bindable commands, key names, the accelerator entries
// made from the "hotkey" section, and the text form of a key combination.
#pragma once

#include <cstdint>

// A HotkeyCode: low byte virtual key, high byte kHotkey* modifier flags.
constexpr uint16_t kHotkeyShift = 0x01;
constexpr uint16_t kHotkeyCtrl = 0x02;
constexpr uint16_t kHotkeyAlt = 0x04;

// Accelerator flags with the values Windows gives them.
constexpr uint8_t kAccelVirtKey = 0x01; // FVIRTKEY
constexpr uint8_t kAccelShift = 0x04;   // FSHIFT
constexpr uint8_t kAccelControl = 0x08; // FCONTROL
constexpr uint8_t kAccelAlt = 0x10;     // FALT

struct ShortcutCommand {
    const wchar_t* m_sz_name;
    uint16_t m_n_id;
};

constexpr int kShortcutCommandCount = 48;
extern const ShortcutCommand ShortcutCommandTable[kShortcutCommandCount];

constexpr int kKeyNameCount = 255;
extern const wchar_t* const KeyNameTable[kKeyNameCount];
// The name of a virtual-key code; codes 0xFF and above have the empty name.
const wchar_t* KeyName(uint32_t vk);

// One accelerator entry laid out as a Windows ACCEL.
struct AcceleratorEntry {
    uint8_t fVirt;
    uint16_t key;
    uint16_t cmd;
};

// Entry i belongs to row i of ShortcutCommandTable; null when it could not be
// allocated. The count is always kShortcutCommandCount.
extern AcceleratorEntry* AcceleratorEntries;
extern int g_n_accelerator_count;

// The accelerator entry of a HotkeyCode for a command ID (all zero for code 0).
AcceleratorEntry AcceleratorFromHotkey(uint32_t code, uint16_t cmd);

// Rebuilds AcceleratorEntries from the "hotkey" section.
void LoadShortcutKeys();
// Frees AcceleratorEntries (at exit).
void FreeShortcutKeys();
void SetShortcutKey(const wchar_t* name, uint32_t code);
// Copies the owner of code (or empty text) into out, at most capacity - 1 characters.
void FindShortcutOwner(uint32_t code, wchar_t* out, uint32_t capacity);
// Binds code to the command (taking it from its owner): both entries are
// written in one replacement of the file and the accelerator entries change
// only when that succeeded. 1 when bound (or code is 0), 0 when nothing changed.
int AssignShortcutKey(const wchar_t* name, uint32_t code, const wchar_t* owner);
// Removes the binding a text names, from the file and then from the entries;
// 1, or 0 when the file could not be written and nothing changed.
int RemoveShortcutKey(const wchar_t* text);
// 1 with the text; 0 for code 0, or with the required length in *capacity.
int FormatHotkeyText(uint32_t code, wchar_t* out, uint32_t* capacity);
// 1 with the code; 0 for no text or only modifier prefixes.
int ParseHotkeyText(const wchar_t* text, uint32_t* code);

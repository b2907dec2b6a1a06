// Shortcut keys: command table, key names, accelerator entries from the
// "hotkey" section and the hot-key text form.
#include "settings/shortcut_keys.h"

#include "base/format_text.h"
#include "settings/item_attributes.h"
#include "settings/settings_file.h"

#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <string>

const ShortcutCommand ShortcutCommandTable[kShortcutCommandCount] = {
    {L"Close file", 41001},
    {L"Duplicate frame", 41002},
    {L"Open file", 41003},
    {L"Save workspace", 41004},
    {L"Save as", 41005},
    {L"Exit", 41006},
    {L"Cut", 41018},
    {L"Copy displayed hex", 41007},
    {L"Copy displayed hex (format)", 41008},
    {L"Copy raw data", 41009},
    {L"Insert from clipboard", 41010},
    {L"Overwrite from clipboard", 41011},
    {L"Remove", 41012},
    {L"Goto dialog", 41013},
    {L"Find dialog", 41014},
    {L"Preference dialog", 41017},
    {L"Byte left", 41021},
    {L"Byte right", 41022},
    {L"Extend byte left", 41025},
    {L"Extend byte right", 41026},
    {L"Line up", 41019},
    {L"Line down", 41020},
    {L"Extend line up", 41023},
    {L"Extend line down", 41024},
    {L"Undo", 41027},
    {L"Redo", 41028},
    {L"Apply", 41029},
    {L"Data inspector", 41030},
    {L"Checksums", 41031},
    {L"Revert", 41040},
    {L"Page up", 41041},
    {L"Page down", 41042},
    {L"Extend page up", 41043},
    {L"Extend page down", 41044},
    {L"Row start", 41045},
    {L"Row end", 41046},
    {L"Extend row start", 41047},
    {L"Extend row end", 41048},
    {L"Document start", 41049},
    {L"Document end", 41050},
    {L"Extend document start", 41051},
    {L"Extend document end", 41052},
    {L"Edit mode", 41053},
    {L"Replace", 41054},
    {L"Bookmarks", 41055},
    {L"Add bookmark", 41056},
    {L"Next bookmark", 41057},
    {L"Previous bookmark", 41058},
};

const wchar_t* const KeyNameTable[kKeyNameCount] = {
    L"",               // 0x00
    L"LBUTTON",        // 0x01
    L"RBUTTON",        // 0x02
    L"CANCEL",         // 0x03
    L"MBUTTON",        // 0x04
    L"XBUTTON1",       // 0x05
    L"XBUTTON2",       // 0x06
    L"Undefined",      // 0x07
    L"Backspace",      // 0x08
    L"TAB",            // 0x09
    L"Reserved",       // 0x0A
    L"Reserved",       // 0x0B
    L"CLEAR",          // 0x0C
    L"ENTER",          // 0x0D
    L"Undefined",      // 0x0E
    L"Undefined",      // 0x0F
    L"Shift",          // 0x10
    L"Ctrl",           // 0x11
    L"Alt",            // 0x12
    L"PAUSE",          // 0x13
    L"CAPS LOCK",      // 0x14
    L"IME",            // 0x15
    L"Undefined",      // 0x16
    L"IME",            // 0x17
    L"IME",            // 0x18
    L"IME",            // 0x19
    L"Undefined",      // 0x1A
    L"ESC",            // 0x1B
    L"IME",            // 0x1C
    L"IME",            // 0x1D
    L"IME",            // 0x1E
    L"IME",            // 0x1F
    L"SPACE",          // 0x20
    L"PAGE UP",        // 0x21
    L"PAGE DOWN",      // 0x22
    L"END",            // 0x23
    L"HOME",           // 0x24
    L"LEFT",           // 0x25
    L"UP",             // 0x26
    L"RIGHT",          // 0x27
    L"DOWN",           // 0x28
    L"SELECT",         // 0x29
    L"PRINT",          // 0x2A
    L"EXECUTE",        // 0x2B
    L"SNAPSHOT",       // 0x2C
    L"INSERT",         // 0x2D
    L"DELETE",         // 0x2E
    L"HELP",           // 0x2F
    L"0",              // 0x30
    L"1",              // 0x31
    L"2",              // 0x32
    L"3",              // 0x33
    L"4",              // 0x34
    L"5",              // 0x35
    L"6",              // 0x36
    L"7",              // 0x37
    L"8",              // 0x38
    L"9",              // 0x39
    L"Undefined",      // 0x3A
    L"Undefined",      // 0x3B
    L"Undefined",      // 0x3C
    L"Undefined",      // 0x3D
    L"Undefined",      // 0x3E
    L"Undefined",      // 0x3F
    L"Undefined",      // 0x40
    L"A",              // 0x41
    L"B",              // 0x42
    L"C",              // 0x43
    L"D",              // 0x44
    L"E",              // 0x45
    L"F",              // 0x46
    L"G",              // 0x47
    L"H",              // 0x48
    L"I",              // 0x49
    L"J",              // 0x4A
    L"K",              // 0x4B
    L"L",              // 0x4C
    L"M",              // 0x4D
    L"N",              // 0x4E
    L"O",              // 0x4F
    L"P",              // 0x50
    L"Q",              // 0x51
    L"R",              // 0x52
    L"S",              // 0x53
    L"T",              // 0x54
    L"U",              // 0x55
    L"V",              // 0x56
    L"W",              // 0x57
    L"X",              // 0x58
    L"Y",              // 0x59
    L"Z",              // 0x5A
    L"LEFT WIN",       // 0x5B
    L"RIGHT WIN",      // 0x5C
    L"APP",            // 0x5D
    L"Reserved",       // 0x5E
    L"SLEEP",          // 0x5F
    L"NUMPAD 0",       // 0x60
    L"NUMPAD 1",       // 0x61
    L"NUMPAD 2",       // 0x62
    L"NUMPAD 3",       // 0x63
    L"NUMPAD 4",       // 0x64
    L"NUMPAD 5",       // 0x65
    L"NUMPAD 6",       // 0x66
    L"NUMPAD 7",       // 0x67
    L"NUMPAD 8",       // 0x68
    L"NUMPAD 9",       // 0x69
    L"MULTIPLY",       // 0x6A
    L"ADD",            // 0x6B
    L"SEPARATOR",      // 0x6C
    L"SUBTRACT",       // 0x6D
    L"DECIMAL",        // 0x6E
    L"DEVIDE",         // 0x6F
    L"F1",             // 0x70
    L"F2",             // 0x71
    L"F3",             // 0x72
    L"F4",             // 0x73
    L"F5",             // 0x74
    L"F6",             // 0x75
    L"F7",             // 0x76
    L"F8",             // 0x77
    L"F9",             // 0x78
    L"F10",            // 0x79
    L"F11",            // 0x7A
    L"F12",            // 0x7B
    L"F13",            // 0x7C
    L"F14",            // 0x7D
    L"F15",            // 0x7E
    L"F16",            // 0x7F
    L"F17",            // 0x80
    L"F18",            // 0x81
    L"F19",            // 0x82
    L"F20",            // 0x83
    L"F21",            // 0x84
    L"F22",            // 0x85
    L"F23",            // 0x86
    L"F24",            // 0x87
    L"Unassigned",     // 0x88
    L"Unassigned",     // 0x89
    L"Unassigned",     // 0x8A
    L"Unassigned",     // 0x8B
    L"Unassigned",     // 0x8C
    L"Unassigned",     // 0x8D
    L"Unassigned",     // 0x8E
    L"Unassigned",     // 0x8F
    L"NUM LOCK",       // 0x90
    L"SCROLL LOCK",    // 0x91
    L"OEM specific",   // 0x92
    L"OEM specific",   // 0x93
    L"OEM specific",   // 0x94
    L"OEM specific",   // 0x95
    L"OEM specific",   // 0x96
    L"Unassigned",     // 0x97
    L"Unassigned",     // 0x98
    L"Unassigned",     // 0x99
    L"Undefined",      // 0x9A
    L"Undefined",      // 0x9B
    L"Undefined",      // 0x9C
    L"Undefined",      // 0x9D
    L"Undefined",      // 0x9E
    L"Undefined",      // 0x9F
    L"LEFT SHIFT",     // 0xA0
    L"RIGHT SHIFT",    // 0xA1
    L"LEFT CONTROL",   // 0xA2
    L"RIGHT CONTROL",  // 0xA3
    L"LEFT MENU",      // 0xA4
    L"RIGHT MENU",     // 0xA5
    L"BACK",           // 0xA6
    L"FORWARD",        // 0xA7
    L"REFRESH",        // 0xA8
    L"STOP",           // 0xA9
    L"SEARCH",         // 0xAA
    L"FAVORITES",      // 0xAB
    L"START",          // 0xAC
    L"VOL MUTE",       // 0xAD
    L"VOL DOWN",       // 0xAE
    L"VOL UP",         // 0xAF
    L"NEXT TRACK",     // 0xB0
    L"PREVIOUS TRACK", // 0xB1
    L"STOP",           // 0xB2
    L"PLAY/PAUSE",     // 0xB3
    L"START MAIL",     // 0xB4
    L"SELECT MEDIA",   // 0xB5
    L"START APP 1",    // 0xB6
    L"START APP 2",    // 0xB7
    L"Reserved",       // 0xB8
    L"Reserved",       // 0xB9
    L";",              // 0xBA
    L"+",              // 0xBB
    L",",              // 0xBC
    L"-",              // 0xBD
    L".",              // 0xBE
    L"/",              // 0xBF
    L"`",              // 0xC0
    L"Reserved",       // 0xC1
    L"Reserved",       // 0xC2
    L"Reserved",       // 0xC3
    L"Reserved",       // 0xC4
    L"Reserved",       // 0xC5
    L"Reserved",       // 0xC6
    L"Reserved",       // 0xC7
    L"Reserved",       // 0xC8
    L"Reserved",       // 0xC9
    L"Reserved",       // 0xCA
    L"Reserved",       // 0xCB
    L"Reserved",       // 0xCC
    L"Reserved",       // 0xCD
    L"Reserved",       // 0xCE
    L"Reserved",       // 0xCF
    L"Reserved",       // 0xD0
    L"Reserved",       // 0xD1
    L"Reserved",       // 0xD2
    L"Reserved",       // 0xD3
    L"Reserved",       // 0xD4
    L"Reserved",       // 0xD5
    L"Reserved",       // 0xD6
    L"Reserved",       // 0xD7
    L"Unassigned",     // 0xD8
    L"Unassigned",     // 0xD9
    L"Unassigned",     // 0xDA
    L"[",              // 0xDB
    L"\\",             // 0xDC
    L"]",              // 0xDD
    L"'",              // 0xDE
    L"Undefined",      // 0xDF
    L"Reserved",       // 0xE0
    L"OEM specific",   // 0xE1
    L"Undefined",      // 0xE2
    L"OEM specific",   // 0xE3
    L"OEM specific",   // 0xE4
    L"PROCESS",        // 0xE5
    L"OEM specific",   // 0xE6
    L"PACKET",         // 0xE7
    L"Unassigned",     // 0xE8
    L"OEM specific",   // 0xE9
    L"OEM specific",   // 0xEA
    L"OEM specific",   // 0xEB
    L"OEM specific",   // 0xEC
    L"OEM specific",   // 0xED
    L"OEM specific",   // 0xEE
    L"HELP",           // 0xEF
    L"OEM specific",   // 0xF0
    L"OEM specific",   // 0xF1
    L"OEM specific",   // 0xF2
    L"OEM specific",   // 0xF3
    L"OEM specific",   // 0xF4
    L"OEM specific",   // 0xF5
    L"ATTN",           // 0xF6
    L"CRSEL",          // 0xF7
    L"EXSEL",          // 0xF8
    L"ERASE EOF",      // 0xF9
    L"PLAY",           // 0xFA
    L"ZOOM",           // 0xFB
    L"Reserved",       // 0xFC
    L"PA1",            // 0xFD
    L"CLEAR",          // 0xFE
};

AcceleratorEntry* AcceleratorEntries = nullptr;
int g_n_accelerator_count = kShortcutCommandCount;

namespace {

const wchar_t kSection[] = L"hotkey";

wchar_t FoldAscii(wchar_t c) {
    return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c + 32) : c;
}

bool SameText(const wchar_t* a, const wchar_t* b) {
    for (; *a && *b; ++a, ++b) {
        if (FoldAscii(*a) != FoldAscii(*b)) {
            return false;
        }
    }
    return *a == *b;
}

// Length of prefix when text starts with it (ignoring case), else 0.
size_t StartsWith(const wchar_t* text, const wchar_t* prefix) {
    size_t i = 0;
    for (; prefix[i]; ++i) {
        if (!text[i] || FoldAscii(text[i]) != FoldAscii(prefix[i])) {
            return 0;
        }
    }
    return i;
}

std::wstring ReverseKey(uint32_t code) {
    return FormatText(L"%04X", code & 0xFFFF);
}

} // namespace

const wchar_t* KeyName(uint32_t vk) {
    return vk < kKeyNameCount ? KeyNameTable[vk] : KeyNameTable[0];
}

AcceleratorEntry AcceleratorFromHotkey(uint32_t code, uint16_t cmd) {
    AcceleratorEntry entry = {0, 0, 0};
    code &= 0xFFFF;
    if (code == 0) {
        return entry;
    }
    const uint32_t modifiers = code >> 8;
    entry.fVirt = kAccelVirtKey;
    if (modifiers & kHotkeyCtrl) {
        entry.fVirt |= kAccelControl;
    }
    if (modifiers & kHotkeyShift) {
        entry.fVirt |= kAccelShift;
    }
    if (modifiers & kHotkeyAlt) {
        entry.fVirt |= kAccelAlt;
    }
    entry.key = static_cast<uint16_t>(code & 0xFF);
    entry.cmd = cmd;
    return entry;
}

void FreeShortcutKeys() {
    std::free(AcceleratorEntries);
    AcceleratorEntries = nullptr;
}

void LoadShortcutKeys() {
    FreeShortcutKeys();
    g_n_accelerator_count = kShortcutCommandCount;
    AcceleratorEntries = static_cast<AcceleratorEntry*>(
        std::calloc(kShortcutCommandCount, sizeof(AcceleratorEntry)));
    if (!AcceleratorEntries) {
        return;
    }
    for (int i = 0; i < kShortcutCommandCount; ++i) {
        const uint32_t code =
            ReadProfileInt(kSection, ShortcutCommandTable[i].m_sz_name, 0) & 0xFFFF;
        if (code) {
            AcceleratorEntries[i] = AcceleratorFromHotkey(code, ShortcutCommandTable[i].m_n_id);
        }
    }
}

void SetShortcutKey(const wchar_t* name, uint32_t code) {
    if (!name || !AcceleratorEntries) {
        return;
    }
    for (int i = 0; i < kShortcutCommandCount; ++i) {
        if (SameText(ShortcutCommandTable[i].m_sz_name, name)) {
            AcceleratorEntries[i] = AcceleratorFromHotkey(code, ShortcutCommandTable[i].m_n_id);
            return;
        }
    }
}

void FindShortcutOwner(uint32_t code, wchar_t* out, uint32_t capacity) {
    ReadProfileString(kSection, ReverseKey(code).c_str(), L"", out,
                      capacity < 200 ? capacity : 200);
}

int AssignShortcutKey(const wchar_t* name, uint32_t code, const wchar_t* owner) {
    code &= 0xFFFF;
    if (code == 0 || !name) {
        return 1;
    }
    // Every entry changes in one replacement of the file, and the live
    // entries follow only once the file holds the change.
    CSettingsBatch batch;
    const int has_owner = owner && owner[0];
    if (has_owner) {
        batch.Set(kSection, owner, nullptr);
    }
    const uint32_t old_code = batch.ReadInt(kSection, name, 0) & 0xFFFF;
    if (old_code) {
        batch.Set(kSection, ReverseKey(old_code).c_str(), nullptr);
    }
    batch.Set(kSection, ReverseKey(code).c_str(), name);
    batch.SetInt(kSection, name, static_cast<int32_t>(code));
    if (!batch.Commit()) {
        return 0;
    }
    if (has_owner) {
        SetShortcutKey(owner, 0);
    }
    SetShortcutKey(name, code);
    return 1;
}

int RemoveShortcutKey(const wchar_t* text) {
    uint32_t code = 0;
    if (!ParseHotkeyText(text, &code)) {
        code = 0;
    }
    wchar_t owner[200];
    FindShortcutOwner(code, owner, 200);
    CSettingsBatch batch;
    if (owner[0]) {
        batch.Set(kSection, owner, nullptr);
    }
    batch.Set(kSection, ReverseKey(code).c_str(), nullptr);
    if (!batch.Commit()) {
        return 0;
    }
    SetShortcutKey(owner, 0);
    return 1;
}

int FormatHotkeyText(uint32_t code, wchar_t* out, uint32_t* capacity) {
    code &= 0xFFFF;
    if (code == 0 || !capacity) {
        return 0;
    }
    const uint32_t modifiers = code >> 8;
    std::wstring text;
    if (modifiers & kHotkeyCtrl) {
        text += L"CTRL + ";
    }
    if (modifiers & kHotkeyShift) {
        text += L"SHIFT + ";
    }
    if (modifiers & kHotkeyAlt) {
        text += L"ALT + ";
    }
    text += KeyName(code & 0xFF);
    // The terminating zero needs a place of its own.
    const uint32_t needed = static_cast<uint32_t>(text.size()) + 1;
    if (!out || *capacity < needed) {
        *capacity = needed;
        return 0;
    }
    std::memcpy(out, text.c_str(), needed * sizeof(wchar_t));
    return 1;
}

int ParseHotkeyText(const wchar_t* text, uint32_t* code) {
    if (!text || !text[0] || !code) {
        return 0;
    }
    static const wchar_t* const kPrefixes[3] = {L"CTRL + ", L"SHIFT + ", L"ALT + "};
    static const uint32_t kFlags[3] = {kHotkeyCtrl, kHotkeyShift, kHotkeyAlt};
    uint32_t modifiers = 0;
    for (int i = 0; i < 3; ++i) {
        const size_t length = StartsWith(text, kPrefixes[i]);
        if (length) {
            modifiers |= kFlags[i];
            text += length;
        }
    }
    if (!text[0]) {
        return 0;
    }
    uint32_t key = 0;
    for (uint32_t vk = 0x01; vk <= 0xFE; ++vk) {
        if (SameText(KeyNameTable[vk], text)) {
            key = vk;
            break;
        }
    }
    *code = (modifiers << 8) + key;
    return 1;
}

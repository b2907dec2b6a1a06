// Descriptions and menu key texts of the bindable commands (see command_captions.h).
#include "settings/command_captions.h"

#include "settings/shortcut_keys.h"

namespace {

struct Description {
    uint16_t m_n_id;
    const wchar_t* m_sz_text;
};

const Description kDescriptions[] = {
    {41001, L"Closes the shown document."},
    {41002, L"Starts another window on the shown file."},
    {41003, L"Opens a file."},
    {41004, L"Keeps the pending changes in the workspace beside the file."},
    {41005, L"Saves the data as shown into a file of your choice."},
    {41006, L"Closes the program."},
    {41018, L"Copies the selected bytes and removes them."},
    {41007, L"Copies the selected bytes as hex text."},
    {41008, L"Copies the selected bytes as hex text laid out in rows."},
    {41009, L"Copies the selected bytes as they are."},
    {41010, L"Inserts the clipboard's data at the selection."},
    {41011, L"Writes the clipboard's data over the selected bytes."},
    {41012, L"Removes the selected bytes."},
    {41013, L"Opens the Goto dialog to jump to an offset."},
    {41014, L"Opens the Find dialog to search for bytes or text."},
    {41017, L"Opens the preferences."},
    {41021, L"Moves the caret one byte back."},
    {41022, L"Moves the caret one byte forward."},
    {41025, L"Extends the selection one byte back."},
    {41026, L"Extends the selection one byte forward."},
    {41019, L"Moves the caret one row up."},
    {41020, L"Moves the caret one row down."},
    {41023, L"Extends the selection one row up."},
    {41024, L"Extends the selection one row down."},
    {41027, L"Takes back the last change."},
    {41028, L"Makes the change taken back again."},
    {41029, L"Writes the pending changes into the file."},
    {41030, L"Opens or closes the data inspector."},
    {41031, L"Opens the checksums window over the selection or the whole document."},
    {41040, L"Drops every pending change and shows the file as it is on the disk."},
    {41041, L"Moves the caret one page up."},
    {41042, L"Moves the caret one page down."},
    {41043, L"Extends the selection one page up."},
    {41044, L"Extends the selection one page down."},
    {41045, L"Moves the caret to the start of its row."},
    {41046, L"Moves the caret to the end of its row."},
    {41047, L"Extends the selection to the start of the row."},
    {41048, L"Extends the selection to the end of the row."},
    {41049, L"Moves the caret to the first byte."},
    {41050, L"Moves the caret to the last byte."},
    {41051, L"Extends the selection to the first byte."},
    {41052, L"Extends the selection to the last byte."},
    {41053, L"Switches edit mode on or off."},
    {41054, L"Opens the Find dialog with its row to replace what is found."},
    {41055, L"Opens or closes the bookmarks window."},
    {41056, L"Adds the selection as a named bookmark."},
    {41057, L"Selects the next bookmark after the selection."},
    {41058, L"Selects the previous bookmark before the selection."},
};

// "PAGE UP" as "Page Up"; one-letter names and digits stay as they are.
std::wstring TitleCase(const wchar_t* name) {
    std::wstring text = name;
    bool word_start = true;
    for (wchar_t& c : text) {
        if (!word_start && c >= L'A' && c <= L'Z') {
            c = static_cast<wchar_t>(c + 32);
        }
        word_start = c == L' ';
    }
    return text;
}

} // namespace

const wchar_t* ShortcutDescription(uint16_t id) {
    for (const Description& row : kDescriptions) {
        if (row.m_n_id == id) {
            return row.m_sz_text;
        }
    }
    return L"";
}

std::wstring MenuKeyText(uint32_t code) {
    code &= 0xFFFF;
    if ((code & 0xFF) == 0) {
        return std::wstring();
    }
    const uint32_t modifiers = code >> 8;
    std::wstring text;
    if (modifiers & kHotkeyCtrl) {
        text += L"Ctrl+";
    }
    if (modifiers & kHotkeyShift) {
        text += L"Shift+";
    }
    if (modifiers & kHotkeyAlt) {
        text += L"Alt+";
    }
    return text + TitleCase(KeyName(code & 0xFF));
}

uint32_t BoundKeyOf(uint16_t id) {
    if (!AcceleratorEntries) {
        return 0;
    }
    for (int i = 0; i < g_n_accelerator_count; ++i) {
        const AcceleratorEntry& entry = AcceleratorEntries[i];
        if (ShortcutCommandTable[i].m_n_id != id || entry.fVirt == 0) {
            continue;
        }
        uint32_t modifiers = 0;
        modifiers |= (entry.fVirt & kAccelControl) ? kHotkeyCtrl : 0;
        modifiers |= (entry.fVirt & kAccelShift) ? kHotkeyShift : 0;
        modifiers |= (entry.fVirt & kAccelAlt) ? kHotkeyAlt : 0;
        return (modifiers << 8) | (entry.key & 0xFF);
    }
    return 0;
}

std::wstring MenuTextWithKey(const std::wstring& item_text, const std::wstring& key_text) {
    std::wstring text = item_text.substr(0, item_text.find(L'\t'));
    if (!key_text.empty()) {
        text += L'\t' + key_text;
    }
    return text;
}

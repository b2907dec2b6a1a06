// Bound keys beside the menu items (see menu_keys.h).
#include "frame/win32/menu_keys.h"

#include "frame/command_rules.h"
#include "settings/command_captions.h"
#include "settings/shortcut_keys.h"

#include <string>

namespace {

// The key of the first bindable command that runs the menu command; 0 when none has one.
uint32_t KeyOfMenuCommand(UINT id) {
    for (const ShortcutCommand& row : ShortcutCommandTable) {
        if (MenuCommandOfShortcut(row.m_n_id) == id) {
            if (const uint32_t code = BoundKeyOf(row.m_n_id)) {
                return code;
            }
        }
    }
    return 0;
}

void ShowKeyOfItem(HMENU menu, int position, UINT id) {
    wchar_t text[260] = {};
    MENUITEMINFOW info = {};
    info.cbSize = sizeof(info);
    info.fMask = MIIM_STRING;
    info.dwTypeData = text;
    info.cch = 260;
    if (!GetMenuItemInfoW(menu, static_cast<UINT>(position), TRUE, &info)) {
        return;
    }
    const std::wstring old_text = text;
    const std::wstring new_text = MenuTextWithKey(old_text, MenuKeyText(KeyOfMenuCommand(id)));
    if (new_text == old_text) {
        return;
    }
    info.fMask = MIIM_STRING;
    info.dwTypeData = const_cast<wchar_t*>(new_text.c_str());
    SetMenuItemInfoW(menu, static_cast<UINT>(position), TRUE, &info);
}

} // namespace

void ShowBoundKeysInMenu(HMENU menu) {
    const int count = menu ? GetMenuItemCount(menu) : 0;
    for (int position = 0; position < count; ++position) {
        if (HMENU submenu = GetSubMenu(menu, position)) {
            ShowBoundKeysInMenu(submenu);
            continue;
        }
        const UINT id = GetMenuItemID(menu, position);
        if (id != 0 && id != static_cast<UINT>(-1)) {
            ShowKeyOfItem(menu, position, id);
        }
    }
}

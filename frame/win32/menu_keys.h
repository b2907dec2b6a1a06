// The bound keys beside the menu items: each item of a command with a key
// shows it after a tab, as menus usually do.
#pragma once

#include <windows.h>

// Puts the key text of every bound command into the menu and its submenus,
// and takes it away from commands that lost their key.
void ShowBoundKeysInMenu(HMENU menu);

// When each command may run, and how the menus are enabled, greyed and
// checked: decisions over the current state, apart from the window system.
#pragma once

#include <cstdint>

// Conditions a command can require. A command runs only when every condition
// it requires holds; otherwise it is ignored without a message.
enum CommandCondition : uint32_t {
    kCondNone = 0,
    kCondDocument = 0x01,    // a document is current
    kCondOpen = 0x02,        // the document-open flag is set
    kCondEditMode = 0x04,    // edit mode is on (never for a read-only document)
    kCondFile = 0x08,        // the document's source is a disk file
    kCondSelection = 0x10,   // both selection ends are set
    kCondModified = 0x20,    // the document has pending changes
    kCondClipboard = 0x40,   // the clipboard offers a text format
    kCondTitle = 0x80,       // the window title names a document
    kCondCanUndo = 0x100,    // the document's history has a step to undo
    kCondCanRedo = 0x200,    // the document's history has a step to redo
    kCondApplicable = 0x400, // a file document whose bytes differ from its file
    // A selection, or a document with no bytes left: an insertion goes to the
    // selection start, or to offset 0.
    kCondInsertPoint = 0x800,
    kCondWritable = 0x1000,  // no document, or one that was not opened read-only
    kCondBookmarks = 0x2000, // the document has at least one bookmark
};

struct CommandRule {
    uint16_t m_n_id;
    uint32_t m_n_conditions;
};

// The rule of a command ID; null for IDs that do nothing (41015, 41016 and
// every unknown ID). Shortcut commands that stand for a menu command have no
// rule of their own: map them with MenuCommandOfShortcut first.
const CommandRule* FindCommandRule(uint16_t id);
// The menu command a shortcut command does the same as; the ID itself for
// every other command (the caret movements are commands of their own).
uint16_t MenuCommandOfShortcut(uint16_t id);

// The facts the conditions are decided from.
struct ConditionFacts {
    int m_b_has_document;
    int m_b_document_open;
    int m_b_edit_mode;
    int m_b_modified;
    int32_t m_n_source_kind; // 0 disk file, 1 process memory
    int64_t m_n_sel_anchor;
    int64_t m_n_sel_active;
    int m_b_clipboard_has_text;
    int m_b_title_shows_document;
    int m_b_can_undo;
    int m_b_can_redo;
    int m_b_can_apply;
    int m_b_empty;     // the document has no bytes (every one was removed)
    int m_b_read_only; // the document was opened read-only
    int m_b_has_bookmarks;
};
uint32_t EvaluateConditions(const ConditionFacts& facts);

// The conditions that hold now. D, E, F, S and M are read from the current
// document and ViewState; the document-open flag (the frame's), the clipboard
// and the title conditions are passed in.
uint32_t CurrentConditions(int document_commands_on, int clipboard_has_text,
                           int title_shows_document, int has_bookmarks = 0);
inline bool ConditionsHold(uint32_t required, uint32_t satisfied) {
    return (required & satisfied) == required;
}
// A command refused only because edit mode is off, in a document that can
// be edited: the user is told, since nothing else shows why nothing happened.
inline bool RefusedForEditModeOnly(uint32_t required, uint32_t satisfied) {
    return (required & kCondEditMode) && !(satisfied & kCondEditMode) &&
           (satisfied & kCondWritable) && ConditionsHold(required & ~kCondEditMode, satisfied);
}

// What the "&Paste" submenu gets when a popup opens.
enum PasteDecision : int {
    kPasteGreySubmenu = 0, // edit mode off: grey the submenu, leave its items
    kPasteEnableAll = 1,   // submenu and both items enabled
    kPasteGreyAll = 2,     // submenu and both items greyed
    kPasteInsertOnly = 3,  // a document with no bytes: only "Insert from clipboard"
};

struct MenuDecisions {
    int m_b_copy_enabled;           // "&Copy" submenu
    int m_b_duplicate_enabled;      // "&Duplicate"
    int m_b_save_workspace_enabled; // "Save &workspace"
    int m_b_edit_mode_checked;      // "&Edit mode" check mark
    int m_b_edit_mode_enabled;      // "&Edit mode" itself
    int m_b_cut_remove_enabled;     // "C&ut" and "&Remove"
    PasteDecision m_n_paste;
    int m_b_undo_enabled;          // "&Undo"
    int m_b_redo_enabled;          // "&Redo"
    int m_b_apply_enabled;         // "&Apply"
    int m_b_revert_enabled;        // "&Revert to file"
    int m_b_add_bookmark_enabled;  // "Add &bookmark"
    int m_b_step_bookmark_enabled; // "Ne&xt bookmark" and "Pre&vious bookmark"
};

MenuDecisions DecideMenus(uint32_t satisfied);

// The submenus of the main menu by position, for the rules that find them so
// (the menu pictures, the menu state query of the end-to-end tests).
enum MainMenuPosition : int {
    kFileMenu = 0,
    kEditMenu = 1,
    kViewMenu = 2,
    kOptionsMenu = 3,
    kHelpMenu = 4,
};

// Where the "&Copy" and "&Paste" submenus stand in a popup, which finds them
// by position: the main menu's "&Edit" begins with "&Undo", "&Redo" and a
// separator, the right-click menu with "&Edit mode".
struct SubmenuPositions {
    int m_n_copy;
    int m_n_paste;
};
extern const SubmenuPositions kEditMenuPositions;
extern const SubmenuPositions kRightMenuPositions;

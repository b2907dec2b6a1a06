// Command conditions and menu decisions (see command_rules.h).
#include "frame/command_rules.h"

namespace {

constexpr uint32_t D = kCondDocument;
constexpr uint32_t O = kCondOpen;
constexpr uint32_t E = kCondEditMode;
constexpr uint32_t F = kCondFile;
constexpr uint32_t S = kCondSelection;
constexpr uint32_t M = kCondModified;
constexpr uint32_t C = kCondClipboard;
constexpr uint32_t T = kCondTitle;
constexpr uint32_t U = kCondCanUndo;
constexpr uint32_t R = kCondCanRedo;
constexpr uint32_t A = kCondApplicable;
constexpr uint32_t I = kCondInsertPoint;
constexpr uint32_t W = kCondWritable;
constexpr uint32_t B = kCondBookmarks;

const CommandRule kRules[] = {
    {40045, kCondNone},     // New frame
    {40047, T},             // Duplicate
    {40007, kCondNone},     // Open file
    {40029, O},             // Close
    {40009, O | D | F | A}, // Apply
    {40077, O | M},         // Save workspace
    {40071, O},             // Save file
    {40008, kCondNone},     // Exit
    {40010, kCondNone},     // Open virtual memory
    {40020, O | W},         // Edit mode
    {40066, D | E | F | S}, // Cut
    {40041, D | S},         // Displayed hex
    {40039, D | S},         // Displayed hex (format)
    {40038, D | S},         // Raw data
    {40092, D | E | I | C}, // Insert from clipboard
    {40096, D | E | S | C}, // Overwrite from clipboard
    {40063, D | E | F | S}, // Remove
    {40018, O},             // Goto
    {40019, O},             // Find (the dialog also refuses while a search runs)
    {40104, D | E},         // Replace: the Find dialog with its replace row
    {40098, kCondNone},     // Preference
    {40034, kCondNone},     // About
    {40053, D},             // Set begin pos
    {40052, D},             // Set end pos
    {41019, D},             // Line up
    {41020, D},             // Line down
    {41021, D},             // Byte left
    {41022, D},             // Byte right
    {41023, D},             // Extend line up
    {41024, D},             // Extend line down
    {41025, D},             // Extend byte left
    {41026, D},             // Extend byte right
    {40101, D | U},         // Undo (edit mode or not: it only goes back)
    {40102, D | R},         // Redo
    {40103, kCondNone},     // Data inspector (open or close)
    {40109, kCondNone},     // Checksums (opens the window, or brings it up)
    {40111, O | D | F | A}, // Revert to file: there is something to drop
    {40105, kCondNone},     // Bookmarks window (open or close)
    {40106, D | S},         // Add bookmark: the selection becomes one
    {40107, D | B},         // Next bookmark
    {40108, D | B},         // Previous bookmark
    {41041, D},             // Page up
    {41042, D},             // Page down
    {41043, D},             // Extend page up
    {41044, D},             // Extend page down
    {41045, D},             // Row start
    {41046, D},             // Row end
    {41047, D},             // Extend row start
    {41048, D},             // Extend row end
    {41049, D},             // Document start
    {41050, D},             // Document end
    {41051, D},             // Extend document start
    {41052, D},             // Extend document end
};

struct ShortcutAlias {
    uint16_t m_n_shortcut;
    uint16_t m_n_menu;
};

const ShortcutAlias kAliases[] = {
    {41001, 40029}, {41002, 40047}, {41003, 40007}, {41004, 40077}, {41005, 40071}, {41006, 40008},
    {41007, 40041}, {41008, 40039}, {41009, 40038}, {41010, 40092}, {41011, 40096}, {41012, 40063},
    {41013, 40018}, {41014, 40019}, {41017, 40098}, {41018, 40066}, {41027, 40101}, {41028, 40102},
    {41029, 40009}, {41030, 40103}, {41031, 40109}, {41040, 40111}, {41053, 40020}, {41054, 40104},
    {41055, 40105}, {41056, 40106}, {41057, 40107}, {41058, 40108},
};

} // namespace

const SubmenuPositions kEditMenuPositions = {6, 7};
const SubmenuPositions kRightMenuPositions = {3, 4};

const CommandRule* FindCommandRule(uint16_t id) {
    for (const CommandRule& rule : kRules) {
        if (rule.m_n_id == id) {
            return &rule;
        }
    }
    return nullptr;
}

uint16_t MenuCommandOfShortcut(uint16_t id) {
    for (const ShortcutAlias& alias : kAliases) {
        if (alias.m_n_shortcut == id) {
            return alias.m_n_menu;
        }
    }
    return id;
}

uint32_t EvaluateConditions(const ConditionFacts& facts) {
    uint32_t satisfied = 0;
    if (facts.m_b_has_document) {
        satisfied |= D;
        if (facts.m_n_source_kind == 0) {
            satisfied |= F;
        }
        // The selection start is the smaller end; -1 at either end means none.
        const int64_t start = facts.m_n_sel_anchor < facts.m_n_sel_active ? facts.m_n_sel_anchor
                                                                          : facts.m_n_sel_active;
        if (facts.m_n_sel_anchor != -1 && facts.m_n_sel_active != -1 && start >= 0) {
            satisfied |= S | I;
        }
        if (facts.m_b_empty) {
            satisfied |= I;
        }
    }
    if (facts.m_b_document_open) {
        satisfied |= O;
    }
    // A document opened read-only is never edited, undone or applied,
    // whatever state the edit mode was left in.
    const bool read_only = facts.m_b_has_document && facts.m_b_read_only;
    if (!read_only) {
        satisfied |= W;
    }
    if (facts.m_b_edit_mode && !read_only) {
        satisfied |= E;
    }
    if (facts.m_b_modified) {
        satisfied |= M;
    }
    if (facts.m_b_clipboard_has_text) {
        satisfied |= C;
    }
    if (facts.m_b_title_shows_document) {
        satisfied |= T;
    }
    if (facts.m_b_has_document && facts.m_b_can_undo && !read_only) {
        satisfied |= U;
    }
    if (facts.m_b_has_document && facts.m_b_can_redo && !read_only) {
        satisfied |= R;
    }
    if (facts.m_b_has_document && facts.m_n_source_kind == 0 && facts.m_b_can_apply && !read_only) {
        satisfied |= A;
    }
    if (facts.m_b_has_document && facts.m_b_has_bookmarks) {
        satisfied |= B;
    }
    return satisfied;
}

MenuDecisions DecideMenus(uint32_t satisfied) {
    MenuDecisions decisions = {};
    decisions.m_b_copy_enabled = ConditionsHold(D | S, satisfied);
    decisions.m_b_duplicate_enabled = ConditionsHold(T, satisfied);
    decisions.m_b_save_workspace_enabled = ConditionsHold(M, satisfied);
    decisions.m_b_edit_mode_checked = ConditionsHold(E, satisfied);
    decisions.m_b_edit_mode_enabled = ConditionsHold(O | W, satisfied);
    decisions.m_b_cut_remove_enabled = ConditionsHold(D | E | F | S, satisfied);
    decisions.m_b_undo_enabled = ConditionsHold(D | U, satisfied);
    decisions.m_b_redo_enabled = ConditionsHold(D | R, satisfied);
    decisions.m_b_apply_enabled = ConditionsHold(O | D | F | A, satisfied);
    decisions.m_b_revert_enabled = decisions.m_b_apply_enabled;
    decisions.m_b_add_bookmark_enabled = ConditionsHold(D | S, satisfied);
    decisions.m_b_step_bookmark_enabled = ConditionsHold(D | B, satisfied);
    if (!ConditionsHold(E, satisfied)) {
        decisions.m_n_paste = kPasteGreySubmenu;
    } else if (ConditionsHold(D | F | S | C, satisfied)) {
        decisions.m_n_paste = kPasteEnableAll;
    } else if (ConditionsHold(D | F | I | C, satisfied)) {
        decisions.m_n_paste = kPasteInsertOnly;
    } else {
        decisions.m_n_paste = kPasteGreyAll;
    }
    return decisions;
}

// Which commands run in which state, and how the menus follow the state.
#include "frame/command_rules.h"
#include "settings/shortcut_keys.h"

#include <cwchar>
#include <string>

#include <gtest/gtest.h>

namespace {

ConditionFacts NoDocument() {
    ConditionFacts facts = {};
    facts.m_n_sel_anchor = -1;
    facts.m_n_sel_active = -1;
    return facts;
}

ConditionFacts FileWithSelection() {
    ConditionFacts facts = NoDocument();
    facts.m_b_has_document = 1;
    facts.m_b_document_open = 1;
    facts.m_n_sel_anchor = 0x20;
    facts.m_n_sel_active = 0x10;
    return facts;
}

bool Runs(uint16_t id, const ConditionFacts& facts) {
    const CommandRule* rule = FindCommandRule(MenuCommandOfShortcut(id));
    return rule && ConditionsHold(rule->m_n_conditions, EvaluateConditions(facts));
}

} // namespace

TEST(CommandRules, SelectionNeedsBothEnds) {
    ConditionFacts facts = FileWithSelection();
    EXPECT_TRUE(EvaluateConditions(facts) & kCondSelection);
    facts.m_n_sel_active = -1;
    EXPECT_FALSE(EvaluateConditions(facts) & kCondSelection);
    facts = FileWithSelection();
    facts.m_n_sel_anchor = -1;
    EXPECT_FALSE(EvaluateConditions(facts) & kCondSelection);
    // Without a document there is no selection, whatever the fields say.
    facts = FileWithSelection();
    facts.m_b_has_document = 0;
    EXPECT_FALSE(EvaluateConditions(facts) & (kCondSelection | kCondFile | kCondDocument));
}

TEST(CommandRules, NoDocumentLeavesOnlyUnconditionalCommands) {
    const ConditionFacts facts = NoDocument();
    // Toolbar buttons: Close, Save workspace, Goto, Find, Edit mode, Cut, Copy
    // raw data and Paste do nothing without a document.
    for (uint16_t id : {40029, 40077, 40018, 40019, 40020, 40066, 40038, 40092}) {
        EXPECT_FALSE(Runs(id, facts)) << id;
    }
    for (uint16_t id : {40045, 40007, 40008, 40010, 40098, 40034}) {
        EXPECT_TRUE(Runs(id, facts)) << id;
    }
    EXPECT_FALSE(Runs(40047, facts)); // Duplicate needs a document in the title
}

TEST(CommandRules, EditCommandsNeedEditModeAndAFileSource) {
    ConditionFacts facts = FileWithSelection();
    EXPECT_TRUE(Runs(40038, facts));
    EXPECT_FALSE(Runs(40066, facts));
    EXPECT_FALSE(Runs(40063, facts));
    facts.m_b_edit_mode = 1;
    EXPECT_TRUE(Runs(40066, facts));
    EXPECT_TRUE(Runs(41012, facts)); // Remove by its shortcut
    EXPECT_FALSE(Runs(40092, facts)) << "paste needs clipboard text";
    facts.m_b_clipboard_has_text = 1;
    EXPECT_TRUE(Runs(41010, facts));
    // A process-memory document: cut and remove refuse, paste itself does not test F.
    facts.m_n_source_kind = 1;
    EXPECT_FALSE(Runs(40066, facts));
    EXPECT_FALSE(Runs(41018, facts));
    EXPECT_TRUE(Runs(40092, facts));
    EXPECT_TRUE(Runs(40096, facts));
}

TEST(CommandRules, OnlyEditModeMissingIsWorthSaying) {
    ConditionFacts facts = FileWithSelection();
    facts.m_b_clipboard_has_text = 1;
    const auto said = [&](uint16_t id) {
        const uint32_t needed = FindCommandRule(MenuCommandOfShortcut(id))->m_n_conditions;
        return RefusedForEditModeOnly(needed, EvaluateConditions(facts));
    };
    EXPECT_TRUE(said(40092));
    EXPECT_TRUE(said(41012));
    EXPECT_FALSE(said(40038)) << "copying needs no edit mode";
    facts.m_b_clipboard_has_text = 0;
    EXPECT_FALSE(said(40092)) << "nothing to paste: edit mode is not why";
    facts.m_b_read_only = 1;
    EXPECT_FALSE(said(40063)) << "a read-only document cannot be edited at all";
    facts.m_b_read_only = 0;
    facts.m_b_edit_mode = 1;
    EXPECT_FALSE(said(40063));
}

TEST(CommandRules, SaveWorkspaceNeedsPendingChangesAndAnOpenDocument) {
    ConditionFacts facts = FileWithSelection();
    EXPECT_FALSE(Runs(41004, facts));
    facts.m_b_modified = 1;
    EXPECT_TRUE(Runs(41004, facts));
    facts.m_b_document_open = 0;
    EXPECT_FALSE(Runs(40077, facts));
}

TEST(CommandRules, ShortcutsMapToTheirMenuCommands) {
    const uint16_t pairs[][2] = {{41001, 40029}, {41002, 40047}, {41003, 40007}, {41004, 40077},
                                 {41005, 40071}, {41006, 40008}, {41007, 40041}, {41008, 40039},
                                 {41009, 40038}, {41010, 40092}, {41011, 40096}, {41012, 40063},
                                 {41013, 40018}, {41014, 40019}, {41017, 40098}, {41018, 40066}};
    for (const auto& pair : pairs) {
        EXPECT_EQ(MenuCommandOfShortcut(pair[0]), pair[1]);
    }
    // Caret movements are commands of their own and need only a document.
    for (uint16_t id = 41019; id <= 41026; ++id) {
        EXPECT_EQ(MenuCommandOfShortcut(id), id);
        ConditionFacts facts = NoDocument();
        EXPECT_FALSE(Runs(id, facts));
        facts.m_b_has_document = 1;
        EXPECT_TRUE(Runs(id, facts)) << id;
    }
    EXPECT_EQ(FindCommandRule(41015), nullptr);
    EXPECT_EQ(FindCommandRule(41016), nullptr);
    EXPECT_EQ(FindCommandRule(12345), nullptr);
}

TEST(CommandRules, UndoAndRedoFollowTheHistoryWithOrWithoutEditMode) {
    ConditionFacts facts = NoDocument();
    facts.m_b_can_undo = 1;
    facts.m_b_can_redo = 1;
    EXPECT_FALSE(Runs(40101, facts)) << "no document, nothing to undo";
    facts = FileWithSelection();
    facts.m_n_source_kind = 1;
    EXPECT_FALSE(Runs(40101, facts));
    EXPECT_FALSE(DecideMenus(EvaluateConditions(facts)).m_b_undo_enabled);
    facts.m_b_can_undo = 1;
    EXPECT_TRUE(Runs(40101, facts));
    EXPECT_TRUE(Runs(41027, facts)); // by its shortcut
    EXPECT_FALSE(Runs(41028, facts));
    facts.m_b_can_redo = 1;
    EXPECT_TRUE(Runs(41028, facts));
    const MenuDecisions d = DecideMenus(EvaluateConditions(facts));
    EXPECT_TRUE(d.m_b_undo_enabled);
    EXPECT_TRUE(d.m_b_redo_enabled);
    EXPECT_EQ(MenuCommandOfShortcut(41027), 40101);
    EXPECT_EQ(MenuCommandOfShortcut(41028), 40102);
}

TEST(CommandRules, ApplyNeedsAnOpenFileDocumentThatDiffersFromItsFile) {
    ConditionFacts facts = FileWithSelection();
    EXPECT_FALSE(Runs(40009, facts));
    facts.m_b_can_apply = 1;
    EXPECT_TRUE(Runs(40009, facts));
    EXPECT_TRUE(Runs(41029, facts));
    EXPECT_TRUE(DecideMenus(EvaluateConditions(facts)).m_b_apply_enabled);
    facts.m_n_source_kind = 1;
    EXPECT_FALSE(Runs(40009, facts)) << "process memory is never written";
    EXPECT_FALSE(DecideMenus(EvaluateConditions(facts)).m_b_apply_enabled);
    facts = NoDocument();
    facts.m_b_can_apply = 1;
    EXPECT_FALSE(Runs(40009, facts));
}

TEST(MenuDecisions, CopyFollowsTheSelectionAlsoWithoutEditMode) {
    ConditionFacts facts = FileWithSelection();
    EXPECT_TRUE(DecideMenus(EvaluateConditions(facts)).m_b_copy_enabled);
    facts.m_n_sel_anchor = -1;
    EXPECT_FALSE(DecideMenus(EvaluateConditions(facts)).m_b_copy_enabled);
}

TEST(MenuDecisions, PasteSubmenu) {
    ConditionFacts facts = FileWithSelection();
    facts.m_b_clipboard_has_text = 1;
    EXPECT_EQ(DecideMenus(EvaluateConditions(facts)).m_n_paste, kPasteGreySubmenu);
    facts.m_b_edit_mode = 1;
    EXPECT_EQ(DecideMenus(EvaluateConditions(facts)).m_n_paste, kPasteEnableAll);
    facts.m_b_clipboard_has_text = 0;
    EXPECT_EQ(DecideMenus(EvaluateConditions(facts)).m_n_paste, kPasteGreyAll);
    facts.m_b_clipboard_has_text = 1;
    facts.m_n_source_kind = 1;
    const MenuDecisions process = DecideMenus(EvaluateConditions(facts));
    EXPECT_EQ(process.m_n_paste, kPasteGreyAll);
    EXPECT_FALSE(process.m_b_cut_remove_enabled);
    // Every byte removed: no selection, yet an insertion at offset 0.
    facts.m_n_source_kind = 0;
    facts.m_n_sel_anchor = facts.m_n_sel_active = -1;
    facts.m_b_empty = 1;
    EXPECT_EQ(DecideMenus(EvaluateConditions(facts)).m_n_paste, kPasteInsertOnly);
    EXPECT_TRUE(Runs(40092, facts));
    EXPECT_FALSE(Runs(40096, facts));
    facts.m_b_empty = 0;
    EXPECT_FALSE(Runs(40092, facts));
}

TEST(MenuDecisions, TitleModifiedAndEditModeMarks) {
    ConditionFacts facts = NoDocument();
    MenuDecisions d = DecideMenus(EvaluateConditions(facts));
    EXPECT_FALSE(d.m_b_duplicate_enabled);
    EXPECT_FALSE(d.m_b_save_workspace_enabled);
    EXPECT_FALSE(d.m_b_edit_mode_checked);
    facts.m_b_title_shows_document = 1;
    facts.m_b_modified = 1;
    facts.m_b_edit_mode = 1;
    d = DecideMenus(EvaluateConditions(facts));
    EXPECT_TRUE(d.m_b_duplicate_enabled);
    EXPECT_TRUE(d.m_b_save_workspace_enabled);
    EXPECT_TRUE(d.m_b_edit_mode_checked);
}

TEST(CommandRules, AReadOnlyDocumentIsNeitherEditedNorApplied) {
    ConditionFacts facts = FileWithSelection();
    facts.m_b_edit_mode = 1; // left on from the document before
    facts.m_b_clipboard_has_text = 1;
    facts.m_b_can_apply = 1;
    facts.m_b_can_undo = 1;
    facts.m_b_read_only = 1;
    for (uint16_t id : {40020, 40066, 40063, 40092, 40096, 40009, 41029, 40101}) {
        EXPECT_FALSE(Runs(id, facts)) << id;
    }
    for (uint16_t id : {40038, 40071, 40018, 40019, 40029}) {
        EXPECT_TRUE(Runs(id, facts)) << id;
    }
    const MenuDecisions d = DecideMenus(EvaluateConditions(facts));
    EXPECT_FALSE(d.m_b_edit_mode_enabled);
    EXPECT_FALSE(d.m_b_edit_mode_checked);
    EXPECT_FALSE(d.m_b_apply_enabled);
    EXPECT_FALSE(d.m_b_cut_remove_enabled);
    EXPECT_EQ(d.m_n_paste, kPasteGreySubmenu);
    facts.m_b_read_only = 0;
    EXPECT_TRUE(DecideMenus(EvaluateConditions(facts)).m_b_edit_mode_enabled);
}

TEST(CommandRules, EveryBindableCommandHasARule) {
    for (const ShortcutCommand& row : ShortcutCommandTable) {
        EXPECT_NE(FindCommandRule(MenuCommandOfShortcut(row.m_n_id)), nullptr)
            << "a key bound to \""
            << std::string(row.m_sz_name, row.m_sz_name + wcslen(row.m_sz_name))
            << "\" would do nothing";
    }
}

TEST(CommandRules, BookmarkCommandsNeedADocumentAndStepsNeedABookmark) {
    ConditionFacts facts = FileWithSelection();
    EXPECT_TRUE(Runs(41056, facts)) << "Add bookmark takes the selection";
    EXPECT_FALSE(Runs(41057, facts)) << "Next bookmark: there is none";
    EXPECT_FALSE(DecideMenus(EvaluateConditions(facts)).m_b_step_bookmark_enabled);
    facts.m_b_has_bookmarks = 1;
    EXPECT_TRUE(Runs(40107, facts));
    EXPECT_TRUE(Runs(41058, facts));
    EXPECT_TRUE(DecideMenus(EvaluateConditions(facts)).m_b_step_bookmark_enabled);
    facts.m_n_sel_active = -1;
    EXPECT_FALSE(Runs(40106, facts)) << "no selection to add";
    EXPECT_TRUE(Runs(40107, facts)) << "stepping starts from the document's start";
    facts = NoDocument();
    facts.m_b_has_bookmarks = 1;
    EXPECT_FALSE(Runs(40107, facts));
    EXPECT_FALSE(Runs(40106, facts));
    EXPECT_TRUE(Runs(40105, facts)) << "the window opens without a document";
}

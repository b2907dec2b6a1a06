// The command conditions read from the current document and ViewState.
#include "frame/command_rules.h"
#include "frame/current_document.h"

#include "data/apply_file.h"
#include "data/document.h"
#include "view/view_state.h"

uint32_t CurrentConditions(int document_commands_on, int clipboard_has_text,
                           int title_shows_document, int has_bookmarks) {
    ConditionFacts facts = {};
    if (const CallBackInfo* doc = g_p_current_document) {
        facts.m_b_has_document = 1;
        facts.m_n_source_kind = doc->m_n_source_kind;
        facts.m_n_sel_anchor = doc->m_n_sel_anchor;
        facts.m_n_sel_active = doc->m_n_sel_active;
        facts.m_b_can_undo = doc->m_history.CanUndo();
        facts.m_b_can_redo = doc->m_history.CanRedo();
        facts.m_b_can_apply = CanApply(doc);
        facts.m_b_empty = doc->m_n_data_size == 0 && doc->m_p_data_plane != nullptr;
        facts.m_b_read_only = doc->m_b_read_only;
        facts.m_b_modified = doc->IsModified();
        facts.m_b_has_bookmarks = has_bookmarks;
    }
    if (const ViewState* state = g_p_view_state) {
        facts.m_b_edit_mode = state->m_b_edit_mode;
    }
    facts.m_b_document_open = document_commands_on;
    facts.m_b_clipboard_has_text = clipboard_has_text;
    facts.m_b_title_shows_document = title_shows_document;
    return EvaluateConditions(facts);
}

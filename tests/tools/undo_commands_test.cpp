// Undo and redo over the editing commands: bytes, size, selection, top row,
// status and the pending flag after each step.
#include "tests/tools/tools_fixture.h"
#include "tools/clipboard_commands.h"
#include "tools/undo_commands.h"
#include "view/selection.h"

namespace {

class UndoCommands : public ToolsFixture {};

} // namespace

TEST_F(UndoCommands, TypingRemoveAndInsertGoBackToTheOpenedStateAndForwardAgain) {
    Open(Counting(64));
    m_doc->m_n_top_line = 1;
    Select(0x12, 0x13);
    for (unsigned ch : {'A', 'b', 'C', 'd'})
        ASSERT_EQ(1, TypeDigit(m_doc.get(), m_state.get(), ch));
    std::vector<uint8_t> typed = Counting(64);
    typed[0x12] = 0xAB;
    typed[0x13] = 0xCD;
    Select(0x20, 0x2F);
    ASSERT_EQ(1, RemoveSelection(m_doc.get(), m_state.get()));
    std::vector<uint8_t> removed = typed;
    removed.erase(removed.begin() + 0x20, removed.begin() + 0x30);
    Select(4, 4);
    m_clipboard.Put(kClipboardText, {'x', 'y', 'z', 0});
    ASSERT_EQ(1, InsertFromClipboard(m_doc.get(), m_state.get()));
    EXPECT_EQ(51, m_doc->m_n_data_size);

    ASSERT_EQ(1, UndoLastStep(m_doc.get(), m_state.get()));
    EXPECT_EQ(removed, Effective());
    EXPECT_EQ(48, m_doc->m_n_data_size);
    EXPECT_EQ(L"Total: 0x2F", m_host.m_status[0]);
    EXPECT_EQ(4, SelectionStart(m_doc.get()));
    ASSERT_EQ(1, UndoLastStep(m_doc.get(), m_state.get()));
    EXPECT_EQ(typed, Effective());
    EXPECT_EQ(0x20, SelectionStart(m_doc.get()));
    EXPECT_EQ(0x2F, SelectionEnd(m_doc.get()));
    EXPECT_EQ(1, m_doc->IsModified());
    ASSERT_EQ(1, UndoLastStep(m_doc.get(), m_state.get())); // the four digits were one step
    EXPECT_EQ(Counting(64), Effective());
    EXPECT_EQ(0x12, SelectionStart(m_doc.get()));
    EXPECT_EQ(0x13, SelectionEnd(m_doc.get()));
    EXPECT_EQ(1, m_doc->m_n_top_line);
    EXPECT_EQ(0, m_doc->IsModified()) << "back where the file was opened";
    EXPECT_EQ(1, m_doc->m_p_data_plane->PieceCount());
    EXPECT_EQ(0, UndoLastStep(m_doc.get(), m_state.get()));

    ASSERT_EQ(1, RedoNextStep(m_doc.get(), m_state.get()));
    EXPECT_EQ(typed, Effective());
    EXPECT_EQ(1, m_doc->IsModified());
    EXPECT_EQ(0x12, SelectionStart(m_doc.get()));
    EXPECT_EQ(0x13, SelectionEnd(m_doc.get()));
    ASSERT_EQ(1, RedoNextStep(m_doc.get(), m_state.get()));
    EXPECT_EQ(removed, Effective());
    EXPECT_EQ(0x20, SelectionStart(m_doc.get())) << "the byte that took the removed ones' place";
    // A new edit drops what could be redone.
    Select(0, 0);
    ASSERT_EQ(1, RemoveSelection(m_doc.get(), m_state.get()));
    EXPECT_EQ(0, m_doc->m_history.CanRedo());
    EXPECT_EQ(0, RedoNextStep(m_doc.get(), m_state.get()));
}

TEST_F(UndoCommands, KeptStateIsTheCleanOneAndUndoWorksWithoutEditMode) {
    Open(Counting(16));
    Select(2, 3);
    ASSERT_EQ(1, RemoveSelection(m_doc.get(), m_state.get()));
    m_doc->MarkKept(); // as after "Save workspace"
    EXPECT_EQ(0, m_doc->IsModified());
    m_state->m_b_edit_mode = 0;
    ASSERT_EQ(1, UndoLastStep(m_doc.get(), m_state.get()));
    EXPECT_EQ(1, m_doc->IsModified());
    EXPECT_EQ(Counting(16), Effective());
    ASSERT_EQ(1, RedoNextStep(m_doc.get(), m_state.get()));
    EXPECT_EQ(0, m_doc->IsModified());
}

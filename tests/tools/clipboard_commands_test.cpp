// Clipboard commands over the in-memory clipboard and a real document.
#include "tests/tools/tools_fixture.h"
#include "tools/clipboard_commands.h"
#include "tools/operation.h"
#include "tools/tool_commands.h"
#include "view/geometry.h"
#include "view/paint.h"
#include "view/selection.h"

#include <string>

namespace {

std::vector<uint8_t> Utf16(const std::string& text) {
    std::vector<uint8_t> bytes;
    for (char c : text) {
        bytes.push_back(static_cast<uint8_t>(c));
        bytes.push_back(0);
    }
    bytes.push_back(0);
    bytes.push_back(0);
    return bytes;
}

std::vector<uint8_t> Ansi(const std::string& text) {
    std::vector<uint8_t> bytes(text.begin(), text.end());
    bytes.push_back(0);
    return bytes;
}

// Fails every Insert, or the first Remove, it is asked for; a replacement
// fails for either.
class FailingEditor : public OverlayEditor {
  public:
    int Insert(CallBackInfo* doc, int64_t offset, const uint8_t* bytes, int64_t count) override {
        ++m_n_inserts;
        if (m_b_fail_insert)
            return 0;
        return OverlayEditor::Insert(doc, offset, bytes, count);
    }
    int Remove(CallBackInfo* doc, int64_t first, int64_t last) override {
        if (m_b_fail_remove && m_n_removes++ == 0)
            return 0;
        return OverlayEditor::Remove(doc, first, last);
    }
    int Replace(CallBackInfo* doc, int64_t first, int64_t count, const uint8_t* bytes,
                int64_t length) override {
        if (m_b_fail_insert || (m_b_fail_remove && m_n_removes++ == 0))
            return 0;
        return OverlayEditor::Replace(doc, first, count, bytes, length);
    }
    int m_b_fail_insert = 0;
    int m_b_fail_remove = 0;
    int m_n_inserts = 0;
    int m_n_removes = 0;
};

class ScopedEditor {
  public:
    explicit ScopedEditor(OverlayEditor* editor) : m_p_previous(SetOverlayEditor(editor)) {}
    ~ScopedEditor() { SetOverlayEditor(m_p_previous); }
    ScopedEditor(const ScopedEditor&) = delete;
    ScopedEditor& operator=(const ScopedEditor&) = delete;

  private:
    OverlayEditor* m_p_previous;
};

class ClipboardCommands : public ToolsFixture {};

} // namespace

TEST_F(ClipboardCommands, CopiesDisplayedHexPlainAndFormatted) {
    Open({0x41, 0x42, 0x0D, 0x00});
    Select(0, 2);
    ASSERT_EQ(1, CopyDisplayedHex(m_doc.get(), 0));
    EXPECT_EQ(Utf16("41420D"), m_clipboard.Get(kClipboardUnicodeText));
    ASSERT_EQ(1, CopyDisplayedHex(m_doc.get(), 1));
    EXPECT_EQ(Utf16("41 42 0D "), m_clipboard.Get(kClipboardUnicodeText));
    // The copy emptied the clipboard first and left it closed.
    EXPECT_EQ(0, m_clipboard.HasFormat(kClipboardOemText));
    EXPECT_EQ(0, m_clipboard.m_b_open);
    EXPECT_EQ(0, m_clipboard.m_n_live_blocks);
}

TEST_F(ClipboardCommands, CopyIncludesPendingEdits) {
    Open(Counting(40));
    const uint8_t inserted[] = {0xAB};
    ASSERT_EQ(1, m_doc->m_p_data_plane->Insert(17, inserted, 1));
    m_doc->m_n_data_size += 1;
    Select(15, 18);
    ASSERT_EQ(1, CopyDisplayedHex(m_doc.get(), 1));
    EXPECT_EQ(Utf16(std::string(45 + 1, ' ') + "0F\r\n10 AB 11 "),
              m_clipboard.Get(kClipboardUnicodeText));
}

TEST_F(ClipboardCommands, LimitIsTwoMebibytes) {
    Open(std::vector<uint8_t>(0x200001, 0x5A));
    Select(0, 0x1FFFFF);
    ASSERT_EQ(1, CopyRawData(m_doc.get()));
    std::vector<uint8_t> raw = m_clipboard.Get(kClipboardOemText);
    ASSERT_EQ(0x200001u, raw.size());
    EXPECT_EQ(0x5A, raw[0x1FFFFF]);
    EXPECT_EQ(0, raw[0x200000]);
    ASSERT_EQ(1, CopyDisplayedHex(m_doc.get(), 0));
    EXPECT_EQ((2 * 0x200000 + 1) * 2u, m_clipboard.Get(kClipboardUnicodeText).size());
    EXPECT_TRUE(m_messages.Messages().empty());

    m_clipboard.Put(kClipboardText, Ansi("keep"));
    Select(0, 0x200000);
    EXPECT_EQ(0, CopyRawData(m_doc.get()));
    EXPECT_EQ(0, CopyDisplayedHex(m_doc.get(), 1));
    ASSERT_EQ(2u, m_messages.Messages().size());
    EXPECT_EQ(L"The selected range is too large to copy!", m_messages.Messages()[0]);
    EXPECT_EQ(Ansi("keep"), m_clipboard.Get(kClipboardText));
}

TEST_F(ClipboardCommands, RawCopyKeepsEmbeddedZeros) {
    Open({0x00, 0x41, 0x00, 0x00, 0x42});
    Select(0, 1);
    ASSERT_EQ(1, CopyRawData(m_doc.get()));
    EXPECT_EQ((std::vector<uint8_t>{0x00, 0x41, 0x00}), m_clipboard.Get(kClipboardOemText));
    Select(4, 0); // anchor after the active end: the same range is meant
    ASSERT_EQ(1, CopyRawData(m_doc.get()));
    EXPECT_EQ((std::vector<uint8_t>{0x00, 0x41, 0x00, 0x00, 0x42, 0x00}),
              m_clipboard.Get(kClipboardOemText));
    EXPECT_EQ(0, m_clipboard.m_b_open);
}

TEST_F(ClipboardCommands, NoSelectionCopiesNothing) {
    Open({1, 2, 3});
    Select(-1, -1);
    EXPECT_EQ(0, CopyRawData(m_doc.get()));
    EXPECT_EQ(0, CopyDisplayedHex(m_doc.get(), 0));
    EXPECT_EQ(0, m_clipboard.m_n_alloc_calls);
}

TEST_F(ClipboardCommands, UnreadableByteLeavesTheClipboardAlone) {
    Open(Counting(0x30000));
    m_clipboard.Put(kClipboardText, Ansi("old"));
    Select(0x8000, 0x18000);
    // The copy's own view maps fail from now on: the second view cannot be read.
    m_ops.m_n_fail_map_at = m_ops.m_n_map_calls + 2;
    EXPECT_EQ(0, CopyRawData(m_doc.get()));
    // The mapping may report its own failure first; the copy's message comes last.
    ASSERT_FALSE(m_messages.Messages().empty());
    EXPECT_EQ(L"The byte at 0x10000 cannot be read; nothing was copied!",
              m_messages.Messages().back());
    EXPECT_EQ(Ansi("old"), m_clipboard.Get(kClipboardText));
    EXPECT_EQ(0, m_clipboard.m_n_alloc_calls);
}

TEST_F(ClipboardCommands, SingleShotAllocationFailureClosesTheClipboard) {
    Open({1, 2});
    Select(0, 1);
    m_clipboard.m_n_fail_alloc_at = 1;
    COperation operation(nullptr, &m_clipboard);
    EXPECT_EQ(0, operation.CopyDataToClipboard(4, "abc", kClipboardText));
    EXPECT_EQ(0, m_clipboard.m_b_open);
    EXPECT_EQ(0, m_clipboard.m_n_live_blocks);
}

TEST_F(ClipboardCommands, StreamingReportsTruncationAndFullBlock) {
    {
        COperation operation(nullptr, 3, &m_clipboard);
        EXPECT_EQ(1, operation.CopyDataToClipboard(2, "ab"));
        EXPECT_EQ(1, operation.CopyDataToClipboard(2, "cd"));
        EXPECT_EQ(3, operation.m_n_cur_index);
        EXPECT_EQ(0, operation.CopyDataToClipboard(1, "e"));
        EXPECT_EQ(1, m_clipboard.m_b_open);
    }
    EXPECT_EQ((std::vector<uint8_t>{'a', 'b', 'c'}), m_clipboard.Get(kClipboardOemText));
    ASSERT_EQ(2u, m_messages.Messages().size());
    EXPECT_EQ(L"COperation::CopyDataToClipboard Warning (data truncated).\r\n append = true. "
              L"m_n_cur_index = 2, n_size = 2, m_n_size = 3\n",
              m_messages.Messages()[0]);
    EXPECT_EQ(L"COperation::CopyDataToClipboard Failed. append = true. m_n_cur_index = 3, "
              L"m_n_size = 3\n",
              m_messages.Messages()[1]);
    EXPECT_EQ(0, m_clipboard.m_b_open);
    EXPECT_EQ(0, m_clipboard.m_n_lock_count);
}

TEST_F(ClipboardCommands, InsertPutsTheTextBeforeTheSelection) {
    Open(Counting(20));
    Select(10, 12);
    m_clipboard.Put(kClipboardText, Ansi("ABC"));
    m_clipboard.Put(kClipboardUnicodeText, Utf16("XY"));
    ASSERT_EQ(1, InsertFromClipboard(m_doc.get(), m_state.get()));
    EXPECT_EQ(23, m_doc->m_n_data_size);
    std::vector<uint8_t> expected = Counting(20);
    expected.insert(expected.begin() + 10, {0x41, 0x42, 0x43});
    EXPECT_EQ(expected, Effective());
    EXPECT_EQ(L"Total: 0x16", m_host.m_status[0]);
    EXPECT_EQ(1, m_doc->IsModified());
    EXPECT_EQ(10, SelectionStart(m_doc.get()));
    EXPECT_EQ(10, m_doc->m_n_sel_active);
    EXPECT_EQ(0, m_clipboard.m_b_open);
}

TEST_F(ClipboardCommands, InsertTakesUnicodeUnitsAndTheWholeBlock) {
    Open(Counting(4));
    Select(0, 0);
    m_clipboard.Put(kClipboardUnicodeText, Utf16("AB"));
    ASSERT_EQ(1, InsertFromClipboard(m_doc.get(), m_state.get()));
    EXPECT_EQ((std::vector<uint8_t>{0x41, 0, 0x42, 0, 0, 1, 2, 3}), Effective());
    // A block larger than its text brings the bytes after the terminator along.
    m_clipboard.Clear();
    m_clipboard.Put(kClipboardOemText, {'Q', 0, 'R', 0});
    ASSERT_EQ(1, InsertFromClipboard(m_doc.get(), m_state.get()));
    EXPECT_EQ((std::vector<uint8_t>{'Q', 0, 'R', 0x41, 0, 0x42, 0, 0, 1, 2, 3}), Effective());
    EXPECT_EQ(11, m_doc->m_n_data_size);
}

TEST_F(ClipboardCommands, RawCopyPastesBackAsPlacedNotAsTheTextMadeFromIt) {
    Open(Counting(8));
    // A raw copy of 00 41 80 FF, and the ANSI text the system makes from it.
    Select(4, 7);
    m_doc->m_p_data_plane->Remove(4, 7);
    m_doc->m_n_data_size = 4;
    m_clipboard.Put(kClipboardOemText, {0x00, 0x41, 0x80, 0xFF, 0x00});
    m_clipboard.Put(kClipboardText, {0x00, 0x41, 0xC7, 0xA0, 0x00});
    Select(2, 2);
    ASSERT_EQ(1, InsertFromClipboard(m_doc.get(), m_state.get()));
    EXPECT_EQ((std::vector<uint8_t>{0, 1, 0x00, 0x41, 0x80, 0xFF, 2, 3}), Effective());
    Select(0, 1);
    ASSERT_EQ(1, OverwriteFromClipboard(m_doc.get(), m_state.get()));
    EXPECT_EQ((std::vector<uint8_t>{0x00, 0x41, 0x00, 0x41, 0x80, 0xFF, 2, 3}), Effective());
    // ANSI text placed first (OEM text made from it) keeps the usual order.
    m_clipboard.Clear();
    m_clipboard.Put(kClipboardText, {'a', 0});
    m_clipboard.Put(kClipboardOemText, {'o', 0});
    Select(0, 0);
    ASSERT_EQ(1, InsertFromClipboard(m_doc.get(), m_state.get()));
    EXPECT_EQ('a', Effective()[0]);
}

TEST_F(ClipboardCommands, PasteRefusals) {
    Open(Counting(8));
    Select(2, 3);
    EXPECT_EQ(0, InsertFromClipboard(m_doc.get(), m_state.get())); // nothing on the clipboard
    EXPECT_EQ(0, OverwriteFromClipboard(m_doc.get(), m_state.get()));
    m_clipboard.Put(kClipboardText, Ansi(""));
    EXPECT_EQ(0, OverwriteFromClipboard(m_doc.get(), m_state.get())); // an empty block
    m_clipboard.Put(kClipboardText, Ansi("Z"));
    m_clipboard.m_b_refuse_open = 1;
    EXPECT_EQ(0, InsertFromClipboard(m_doc.get(), m_state.get()));
    m_clipboard.m_b_refuse_open = 0;
    m_state->m_b_edit_mode = 0;
    EXPECT_EQ(0, InsertFromClipboard(m_doc.get(), m_state.get()));
    EXPECT_EQ(0, RemoveSelection(m_doc.get(), m_state.get()));
    m_state->m_b_edit_mode = 1;
    Select(-1, -1);
    EXPECT_EQ(0, OverwriteFromClipboard(m_doc.get(), m_state.get()));
    EXPECT_EQ(Counting(8), Effective());
    EXPECT_EQ(8, m_doc->m_n_data_size);
    EXPECT_EQ(0, m_doc->IsModified());
}

TEST_F(ClipboardCommands, OverwriteKeepsTheLength) {
    Open(Counting(16));
    Select(4, 5);
    m_clipboard.Put(kClipboardText, Ansi("ABCD"));
    ASSERT_EQ(1, OverwriteFromClipboard(m_doc.get(), m_state.get()));
    std::vector<uint8_t> expected = Counting(16);
    expected[4] = 0x41;
    expected[5] = 0x42;
    EXPECT_EQ(expected, Effective());
    Select(6, 15);
    m_clipboard.Put(kClipboardText, Ansi("AB"));
    ASSERT_EQ(1, OverwriteFromClipboard(m_doc.get(), m_state.get()));
    expected[6] = 0x41;
    expected[7] = 0x42;
    EXPECT_EQ(expected, Effective());
    EXPECT_EQ(16, m_doc->m_n_data_size);
    EXPECT_EQ(6, SelectionStart(m_doc.get()));
    EXPECT_EQ(15, SelectionEnd(m_doc.get()));
}

TEST_F(ClipboardCommands, OverwriteIsAllOrNothing) {
    Open(Counting(16));
    Select(4, 9);
    m_clipboard.Put(kClipboardText, Ansi("WXYZ"));
    FailingEditor editor;
    ScopedEditor scoped(&editor);
    editor.m_b_fail_insert = 1;
    EXPECT_EQ(0, OverwriteFromClipboard(m_doc.get(), m_state.get()));
    EXPECT_EQ(Counting(16), Effective());
    EXPECT_EQ(16, m_doc->m_n_data_size);
    EXPECT_EQ(0, m_doc->IsModified());

    editor.m_b_fail_insert = 0;
    editor.m_b_fail_remove = 1;
    EXPECT_EQ(0, OverwriteFromClipboard(m_doc.get(), m_state.get()));
    EXPECT_EQ(Counting(16), Effective());
    EXPECT_EQ(16, m_doc->m_n_data_size);
    EXPECT_EQ(0, m_clipboard.m_b_open);
    EXPECT_EQ(0, m_clipboard.m_n_lock_count);
}

TEST_F(ClipboardCommands, RemoveMovesTheCaretAndShowsTotal) {
    Open(Counting(32));
    Select(0, 15);
    ASSERT_EQ(1, RemoveSelection(m_doc.get(), m_state.get()));
    EXPECT_EQ(16, m_doc->m_n_data_size);
    const std::vector<uint8_t> all = Counting(32);
    const std::vector<uint8_t> expected(all.begin() + 16, all.end());
    EXPECT_EQ(expected, Effective());
    EXPECT_EQ(0, m_doc->m_n_caret_offset);
    EXPECT_EQ(0, SelectionStart(m_doc.get()));
    EXPECT_EQ(0, SelectionEnd(m_doc.get()));
    EXPECT_EQ(L"Total: 0xF", m_host.m_status[0]);
    EXPECT_EQ(1, m_doc->IsModified());
}

TEST_F(ClipboardCommands, RemoveAtTheEndClampsTheCaret) {
    Open(Counting(32));
    Select(20, 31);
    ASSERT_EQ(1, RemoveSelection(m_doc.get(), m_state.get()));
    EXPECT_EQ(20, m_doc->m_n_data_size);
    EXPECT_EQ(19, SelectionStart(m_doc.get()));
    EXPECT_EQ(L"Total: 0x13", m_host.m_status[0]);
}

TEST_F(ClipboardCommands, FailedRemoveChangesNothing) {
    Open(Counting(32));
    Select(3, 7);
    FailingEditor editor;
    ScopedEditor scoped(&editor);
    editor.m_b_fail_remove = 1;
    EXPECT_EQ(0, RemoveSelection(m_doc.get(), m_state.get()));
    EXPECT_EQ(32, m_doc->m_n_data_size);
    EXPECT_EQ(0, m_doc->IsModified());
}

TEST_F(ClipboardCommands, ClipboardOffersTextInAnyAcceptedFormat) {
    EXPECT_EQ(0, ClipboardOffersText());
    m_clipboard.Put(kClipboardOemText, {0});
    EXPECT_EQ(1, ClipboardOffersText());
    EXPECT_EQ(kClipboardText, ClipboardTextFormats[0]);
    EXPECT_EQ(kClipboardUnicodeText, ClipboardTextFormats[1]);
    EXPECT_EQ(kClipboardOemText, ClipboardTextFormats[2]);
}

TEST_F(ClipboardCommands, BusyOrRefusingClipboardFailsTheCopiesAndCutRemovesNothing) {
    Open(Counting(32));
    Select(4, 7);
    m_clipboard.Put(kClipboardText, Ansi("old"));
    m_clipboard.m_b_refuse_open = 1;
    EXPECT_EQ(0, CopyRawData(m_doc.get()));
    EXPECT_EQ(0, CopyDisplayedHex(m_doc.get(), 0));
    OnCutCommand(m_doc.get(), m_state.get());
    EXPECT_GT(m_clipboard.m_n_open_calls, 3) << "the open is tried again";
    // The clipboard is open but keeps nothing it is given.
    m_clipboard.m_b_refuse_open = 0;
    m_clipboard.m_b_refuse_data = 1;
    EXPECT_EQ(0, CopyRawData(m_doc.get()));
    EXPECT_EQ(0, CopyDisplayedHex(m_doc.get(), 1));
    OnCutCommand(m_doc.get(), m_state.get());

    EXPECT_EQ(Counting(32), Effective());
    EXPECT_EQ(32, m_doc->m_n_data_size);
    EXPECT_EQ(0, m_doc->IsModified());
    EXPECT_EQ(0, m_clipboard.m_b_open);
    EXPECT_EQ(0, m_clipboard.m_n_live_blocks);
    const std::vector<std::wstring> expected = {
        L"The clipboard is in use by another program. Nothing was copied.",
        L"The clipboard is in use by another program. Nothing was copied.",
        L"The clipboard is in use by another program. Nothing was cut.",
        L"The clipboard did not take the data. Nothing was copied.",
        L"The clipboard did not take the data. Nothing was copied.",
        L"The clipboard did not take the data. Nothing was cut.",
    };
    EXPECT_EQ(expected, m_messages.Messages());
}

TEST_F(ClipboardCommands, ClipboardHeldForAMomentIsWaitedFor) {
    Open(Counting(32));
    Select(4, 7);
    m_clipboard.m_n_refuse_opens = 3;
    OnCutCommand(m_doc.get(), m_state.get());
    EXPECT_EQ((std::vector<uint8_t>{4, 5, 6, 7, 0}), m_clipboard.Get(kClipboardOemText));
    EXPECT_EQ(28, m_doc->m_n_data_size);
    Select(4, 7);
    m_clipboard.m_n_refuse_opens = 3;
    ASSERT_EQ(1, CopyDisplayedHex(m_doc.get(), 0));
    EXPECT_EQ(Utf16("08090A0B"), m_clipboard.Get(kClipboardUnicodeText));
    EXPECT_TRUE(m_messages.Messages().empty());
}

TEST_F(ClipboardCommands, RemovingEveryByteLeavesNoSelection) {
    Open(Counting(40));
    SetScrollRange(m_state.get(), ScrollLines(m_doc.get()));
    ScrollToLine(m_doc.get(), 1);
    Select(0, 39);
    ASSERT_EQ(1, RemoveSelection(m_doc.get(), m_state.get()));
    EXPECT_EQ(0, m_doc->m_n_data_size);
    EXPECT_EQ(-1, SelectionStart(m_doc.get()));
    EXPECT_EQ(-1, SelectionEnd(m_doc.get()));
    EXPECT_EQ(-1, m_doc->m_n_caret_offset);
    EXPECT_EQ(0, m_doc->m_n_top_line);
    EXPECT_EQ(L"Total: empty", m_host.m_status[0]);
    for (int part = 1; part < 4; ++part)
        EXPECT_EQ(L"", m_host.m_status[part]) << part;
    EXPECT_EQ(0, CopyRawData(m_doc.get()));
    EXPECT_EQ(0, CopyDisplayedHex(m_doc.get(), 1));
    EXPECT_EQ(0, RemoveSelection(m_doc.get(), m_state.get()));
    EXPECT_TRUE(m_messages.Messages().empty());
    EXPECT_EQ(0, m_clipboard.m_n_alloc_calls);
    // Without a selection, a paste into the empty document goes to offset 0.
    m_clipboard.Put(kClipboardText, Ansi("AB"));
    EXPECT_EQ(0, OverwriteFromClipboard(m_doc.get(), m_state.get()));
    ASSERT_EQ(1, InsertFromClipboard(m_doc.get(), m_state.get()));
    EXPECT_EQ((std::vector<uint8_t>{'A', 'B'}), Effective());
    EXPECT_EQ(2, m_doc->m_n_data_size);
    EXPECT_EQ(0, SelectionStart(m_doc.get()));
    EXPECT_EQ(0, SelectionEnd(m_doc.get()));
}

TEST_F(ClipboardCommands, RemovingTheTailUnderTheTopRowKeepsTheLastRowsInView) {
    Open(Counting(32 * 16));
    SetScrollRange(m_state.get(), ScrollLines(m_doc.get()));
    ScrollToLine(m_doc.get(), 20);
    Select(20 * 16, 32 * 16 - 1);
    ASSERT_EQ(1, RemoveSelection(m_doc.get(), m_state.get()));
    EXPECT_EQ(MaxTopLine(m_doc.get()), m_doc->m_n_top_line);
    EXPECT_EQ(19 * 16, m_doc->m_n_top_offset);
    EXPECT_EQ(1, PaintDocument(m_doc.get(), &m_host.m_canvas, 600)) << "rows are drawn";
    EXPECT_EQ(20, m_host.m_scroll.m_n_max);
    EXPECT_EQ(19, m_host.m_scroll.m_n_pos);
}

TEST_F(ClipboardCommands, ScrollRangeFollowsEverySizeChange) {
    Open(Counting(20));
    SetScrollRange(m_state.get(), ScrollLines(m_doc.get()));
    Select(0, 0);
    m_clipboard.Put(kClipboardText, Ansi(std::string(0x100000, 'A')));
    ASSERT_EQ(1, InsertFromClipboard(m_doc.get(), m_state.get()));
    EXPECT_EQ((0x100000 + 20) / 16, m_host.m_scroll.m_n_max);
    ScrollToLine(m_doc.get(), 0x8000);
    SyncThumb(m_doc.get(), m_state.get(), 0x8000);
    Select(0, 0xFFFFF);
    ASSERT_EQ(1, RemoveSelection(m_doc.get(), m_state.get()));
    EXPECT_EQ(1, m_host.m_scroll.m_n_max);
    EXPECT_EQ(0, m_doc->m_n_top_line);
    EXPECT_EQ(0, m_host.m_scroll.m_n_pos);
}

TEST_F(ClipboardCommands, TextCopyWaitsForABusyClipboardAndSaysWhenItGaveUp) {
    m_clipboard.m_n_refuse_opens = 3;
    ASSERT_EQ(1, CopyTextToClipboard(nullptr, L"-2 \u00E9"));
    EXPECT_EQ((std::vector<uint8_t>{'-', 0, '2', 0, ' ', 0, 0xE9, 0, 0, 0}),
              m_clipboard.Get(kClipboardUnicodeText));
    m_clipboard.m_b_refuse_open = 1;
    EXPECT_EQ(0, CopyTextToClipboard(nullptr, L"1"));
    EXPECT_EQ(0, m_clipboard.m_b_open);
    EXPECT_EQ(
        std::vector<std::wstring>{
            L"The clipboard is in use by another program. Nothing was copied."},
        m_messages.Messages());
}

// The inspector over a document: the bytes at the selection start up to the
// end or an unreadable page, and a typed value as one undo step that never
// changes the size.
#include "tests/fakes/region_process.h"
#include "tests/tools/tools_fixture.h"
#include "tools/data_inspector.h"
#include "tools/undo_commands.h"

TEST_F(ToolsFixture, InspectorReadsUpToTheEndOfTheData) {
    Open(Counting(20));
    Select(18, 18);
    const InspectorBytes at = ReadInspectorBytes(m_doc.get());
    EXPECT_EQ(at.m_n_offset, 18);
    ASSERT_EQ(at.m_n_available, 2);
    EXPECT_EQ(DecodeValue(kTypeUInt16, at.m_bytes, at.m_n_available, 0), L"4882"); // 0x1312
    EXPECT_EQ(DecodeValue(kTypeUInt32, at.m_bytes, at.m_n_available, 0), kNoValue);
    Select(-1, -1);
    EXPECT_EQ(ReadInspectorBytes(m_doc.get()).m_n_offset, -1);
}

TEST_F(ToolsFixture, TypedValueOverwritesItsBytesAsOneUndoStep) {
    Open(Counting(8));
    Select(5, 2); // the selection start is the smaller end
    std::wstring reason;
    ASSERT_EQ(
        WriteInspectorValue(m_doc.get(), m_state.get(), kTypeUInt32, L"305419896", 1, &reason), 1)
        << reason;
    EXPECT_EQ(Effective(), (std::vector<uint8_t>{0, 1, 0x12, 0x34, 0x56, 0x78, 6, 7}));
    EXPECT_EQ(m_doc->m_n_data_size, 8);
    EXPECT_EQ(m_doc->IsModified(), 1);
    ASSERT_EQ(UndoLastStep(m_doc.get(), m_state.get()), 1);
    EXPECT_EQ(Effective(), Counting(8));
}

TEST_F(ToolsFixture, RefusedValuesChangeNothing) {
    Open(Counting(8));
    Select(6, 6);
    std::wstring reason;
    EXPECT_EQ(WriteInspectorValue(m_doc.get(), m_state.get(), kTypeUInt32, L"1", 0, &reason), 0);
    EXPECT_EQ(reason, L"Needs more bytes than the data has from here");
    EXPECT_EQ(WriteInspectorValue(m_doc.get(), m_state.get(), kTypeInt8, L"128", 0, &reason), 0);
    EXPECT_EQ(reason, L"Out of range (-128 to 127)");
    // A worker (save, Apply, search) reads the overlay on its own thread;
    // undo is refused as well, and both work again once it lets go.
    ASSERT_EQ(WriteInspectorValue(m_doc.get(), m_state.get(), kTypeInt8, L"1", 0, &reason), 1)
        << reason;
    {
        PlaneReadGuard reading = HoldForReading(m_doc.get());
        EXPECT_EQ(WriteInspectorValue(m_doc.get(), m_state.get(), kTypeInt8, L"2", 0, &reason), 0);
        EXPECT_EQ(reason, L"A save or search is running");
        EXPECT_EQ(UndoLastStep(m_doc.get(), m_state.get()), 0);
        EXPECT_EQ(m_host.m_status[3], L"A save or search is running");
    }
    ASSERT_EQ(UndoLastStep(m_doc.get(), m_state.get()), 1);
    m_state->m_b_edit_mode = 0;
    EXPECT_EQ(WriteInspectorValue(m_doc.get(), m_state.get(), kTypeInt8, L"1", 0, &reason), 0);
    EXPECT_EQ(Effective(), Counting(8));
    EXPECT_EQ(m_doc->m_history.UndoCount(), 0);
}

TEST_F(ToolsFixture, InspectorStopsAtAnUnreadablePage) {
    RegionProcess process({{0x10000, 0x1000, 1}, {0x20000, 0x1000, 0}});
    OpenProcess(process);
    Select(0xFFD, 0xFFD);
    const InspectorBytes at = ReadInspectorBytes(m_doc.get());
    EXPECT_EQ(at.m_n_available, 3);
    EXPECT_EQ(DecodeValue(kTypeInt32, at.m_bytes, at.m_n_available, 0), kNoValue);
    std::wstring reason;
    EXPECT_EQ(WriteInspectorValue(m_doc.get(), m_state.get(), kTypeUInt32, L"0", 0, &reason), 0);
    EXPECT_EQ(reason, L"A byte there cannot be read");
    m_doc.reset();
}

TEST_F(ToolsFixture, TypedCharacterMustTakeAsManyBytesAsTheOneThere) {
    Open({0x41, 0x42, 0xC3, 0xA9, 0x3D, 0xD8, 0x00, 0xDE, 0xFF});
    std::wstring reason;
    Select(0, 0);
    EXPECT_EQ(WriteInspectorValue(m_doc.get(), m_state.get(), kTypeUtf8, L"\u00E9", 0, &reason), 0);
    EXPECT_EQ(reason, L"Needs 2 bytes; the character there has 1");
    EXPECT_EQ(
        WriteInspectorValue(m_doc.get(), m_state.get(), kTypeUtf16, L"\U0001F600", 0, &reason), 0);
    EXPECT_EQ(reason, L"Needs 4 bytes; the character there has 2");
    ASSERT_EQ(WriteInspectorValue(m_doc.get(), m_state.get(), kTypeUtf8, L"z", 0, &reason), 1)
        << reason;
    Select(2, 2); // "é" in UTF-8, and as UTF-16 one unit of two bytes
    EXPECT_EQ(WriteInspectorValue(m_doc.get(), m_state.get(), kTypeUtf8, L"x", 0, &reason), 0);
    EXPECT_EQ(reason, L"Needs 1 bytes; the character there has 2");
    ASSERT_EQ(WriteInspectorValue(m_doc.get(), m_state.get(), kTypeUtf8, L"\u00FC", 0, &reason), 1)
        << reason;
    ASSERT_EQ(WriteInspectorValue(m_doc.get(), m_state.get(), kTypeUtf16, L"\u00E9", 0, &reason), 1)
        << reason;
    Select(4, 4); // a surrogate pair
    EXPECT_EQ(WriteInspectorValue(m_doc.get(), m_state.get(), kTypeUtf16, L"A", 0, &reason), 0);
    ASSERT_EQ(
        WriteInspectorValue(m_doc.get(), m_state.get(), kTypeUtf16, L"\U0001F601", 0, &reason), 1)
        << reason;
    Select(8, 8); // no character: one byte may be typed over it
    ASSERT_EQ(WriteInspectorValue(m_doc.get(), m_state.get(), kTypeUtf8, L"!", 0, &reason), 1)
        << reason;
    EXPECT_EQ(Effective(),
              (std::vector<uint8_t>{0x7A, 0x42, 0xE9, 0x00, 0x3D, 0xD8, 0x01, 0xDE, 0x21}));
}

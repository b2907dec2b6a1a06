// The standard key set: only commands without a key get one, keys of other
// commands move only when asked to, and the file and the live entries agree;
// what the menus and the Keyboard page show of the commands.
#include "settings/command_captions.h"
#include "settings/shortcut_keys.h"
#include "settings/standard_keys.h"

#include "tests/settings/settings_fixture.h"

#include <gtest/gtest.h>

namespace {

int RowOf(const wchar_t* name) {
    for (int i = 0; i < kShortcutCommandCount; ++i) {
        if (std::wstring(ShortcutCommandTable[i].m_sz_name) == name) {
            return i;
        }
    }
    return -1;
}

class StandardKeysTest : public ::testing::Test {
  protected:
    void TearDown() override { FreeShortcutKeys(); }
    uint32_t Bound(const wchar_t* name) const { return ReadProfileInt(L"hotkey", name, 0); }
    SettingsPath m_path;
};

TEST_F(StandardKeysTest, TakenKeysMoveOnlyWhenAskedAndUsersKeysStay) {
    // Ctrl+O belongs to "Close file"; "Undo" has a key of the user's.
    m_path.Put("[hotkey]\r\nClose file=591\r\n024F=Close file\r\nUndo=120\r\n0078=Undo\r\n");
    LoadShortcutKeys();
    StandardKeysPlan plan = PlanStandardKeys();
    ASSERT_EQ(1u, plan.m_taken.size());
    EXPECT_EQ(std::wstring(L"Open file"), plan.m_taken[0].m_key.m_sz_command);
    EXPECT_EQ(L"CTRL + O: Close file\n", TakenKeysText(plan));
    EXPECT_EQ(static_cast<size_t>(kStandardKeyCount - 2), plan.m_free.size());

    ASSERT_EQ(1, ApplyStandardKeys(plan, 0));
    EXPECT_EQ(591u, Bound(L"Close file"));
    EXPECT_EQ(0u, Bound(L"Open file"));
    EXPECT_EQ(120u, Bound(L"Undo")) << "the user's own key";
    EXPECT_EQ(0x25u, Bound(L"Byte left"));
    EXPECT_EQ(0x25, AcceleratorEntries[RowOf(L"Byte left")].key);

    plan = PlanStandardKeys();
    EXPECT_TRUE(plan.m_free.empty());
    ASSERT_EQ(1, ApplyStandardKeys(plan, 1));
    EXPECT_EQ(591u, Bound(L"Open file"));
    EXPECT_EQ(0u, Bound(L"Close file"));
    wchar_t owner[64] = {};
    FindShortcutOwner(0x024F, owner, 64);
    EXPECT_EQ(std::wstring(L"Open file"), owner);
    EXPECT_EQ(0, AcceleratorEntries[RowOf(L"Close file")].key);
    EXPECT_EQ(0x4F, AcceleratorEntries[RowOf(L"Open file")].key);
}

TEST(CommandCaptions, MenuKeysAndDescriptions) {
    EXPECT_EQ(L"Ctrl+Shift+Home", MenuKeyText(0x0324));
    EXPECT_EQ(L"Page Down", MenuKeyText(0x22));
    EXPECT_EQ(L"F5", MenuKeyText(0x74));
    EXPECT_EQ(L"", MenuKeyText(0x0200));
    EXPECT_EQ(L"&Open file ...\tCtrl+O", MenuTextWithKey(L"&Open file ...\tF3", L"Ctrl+O"));
    EXPECT_EQ(L"&Close", MenuTextWithKey(L"&Close\tCtrl+W", L""));
    for (const ShortcutCommand& row : ShortcutCommandTable) {
        EXPECT_NE(std::wstring(), ShortcutDescription(row.m_n_id)) << row.m_n_id;
    }
    for (int i = 0; i < kStandardKeyCount; ++i) {
        EXPECT_GE(RowOf(kStandardKeys[i].m_sz_command), 0) << "not a command";
    }
}

} // namespace

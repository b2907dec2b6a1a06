// Shortcut keys: key names, hot-key text both ways, accelerator entries and
// the two kinds of "hotkey" entries kept in step.
#include "settings/shortcut_keys.h"

#include "tests/settings/settings_fixture.h"

#include <gtest/gtest.h>

#include <set>

namespace {

std::wstring Format(uint32_t code) {
    wchar_t text[64];
    uint32_t capacity = 64;
    if (!FormatHotkeyText(code, text, &capacity)) {
        return L"<fail>";
    }
    return text;
}

uint32_t Parse(const wchar_t* text) {
    uint32_t code = 0xDEAD;
    return ParseHotkeyText(text, &code) ? code : 0xFFFFFFFFu;
}

int RowOf(const wchar_t* name) {
    for (int i = 0; i < kShortcutCommandCount; ++i) {
        if (std::wstring(ShortcutCommandTable[i].m_sz_name) == name) {
            return i;
        }
    }
    return -1;
}

bool IsZero(const AcceleratorEntry& e) {
    return e.fVirt == 0 && e.key == 0 && e.cmd == 0;
}

class ShortcutKeysTest : public ::testing::Test {
  protected:
    void TearDown() override { FreeShortcutKeys(); }
    SettingsPath m_path;
};

TEST(ShortcutTables, CommandsAndKeyNames) {
    std::set<uint16_t> ids;
    for (const ShortcutCommand& row : ShortcutCommandTable) {
        ids.insert(row.m_n_id);
        EXPECT_TRUE(row.m_n_id >= 41001 && row.m_n_id <= 41031 && row.m_n_id != 41015 &&
                    row.m_n_id != 41016);
    }
    EXPECT_EQ(29u, ids.size());
    // Rows added later go at the end, so older settings files keep their meaning.
    EXPECT_EQ(std::wstring(L"Undo"), ShortcutCommandTable[24].m_sz_name);
    EXPECT_EQ(41027, ShortcutCommandTable[24].m_n_id);
    EXPECT_EQ(std::wstring(L"Redo"), ShortcutCommandTable[25].m_sz_name);
    EXPECT_EQ(41028, ShortcutCommandTable[25].m_n_id);
    EXPECT_EQ(std::wstring(L"Apply"), ShortcutCommandTable[26].m_sz_name);
    EXPECT_EQ(41029, ShortcutCommandTable[26].m_n_id);
    EXPECT_EQ(std::wstring(L"Data inspector"), ShortcutCommandTable[27].m_sz_name);
    EXPECT_EQ(41030, ShortcutCommandTable[27].m_n_id);
    EXPECT_EQ(2, RowOf(L"Open file"));
    EXPECT_EQ(41017, ShortcutCommandTable[15].m_n_id);
    EXPECT_EQ(std::wstring(L""), KeyName(0));
    EXPECT_EQ(std::wstring(L""), KeyName(0xFF));
    EXPECT_EQ(std::wstring(L""), KeyName(0x1234));
    EXPECT_EQ(std::wstring(L"DEVIDE"), KeyName(0x6F));
    EXPECT_EQ(std::wstring(L"F24"), KeyName(0x87));
    EXPECT_EQ(std::wstring(L"NUMPAD 9"), KeyName(0x69));
    EXPECT_EQ(std::wstring(L"\\"), KeyName(0xDC));
    EXPECT_EQ(std::wstring(L"Z"), KeyName(0x5A));
    EXPECT_EQ(std::wstring(L"9"), KeyName(0x39));
    EXPECT_EQ(std::wstring(L"CLEAR"), KeyName(0xFE));
    for (int vk = 1; vk < kKeyNameCount; ++vk) {
        EXPECT_NE(L'\0', KeyNameTable[vk][0]) << vk;
    }
}

TEST(HotkeyText, FormatsModifiersInTheirOrder) {
    EXPECT_EQ(L"CTRL + SHIFT + F5", Format(0x0374));
    EXPECT_EQ(L"CTRL + SHIFT + ALT + DELETE", Format(0x072E));
    EXPECT_EQ(L"A", Format(0x0041));
    EXPECT_EQ(L"ALT + C", Format(0x0443));
    EXPECT_EQ(L"CTRL + ", Format(0x02FF)); // 0xFF has the empty name
    EXPECT_EQ(L"<fail>", Format(0));
    EXPECT_EQ(L"<fail>", Format(0x10000)); // only the low 16 bits count
    wchar_t small[8];
    uint32_t capacity = 8;
    EXPECT_EQ(0, FormatHotkeyText(0x0374, small, &capacity));
    EXPECT_EQ(18u, capacity); // 17 characters and the terminator
    EXPECT_EQ(1, FormatHotkeyText(0x0374, nullptr, &capacity) == 0 ? 1 : 0);
}

TEST(HotkeyText, ParsesWhatFormatMakes) {
    EXPECT_EQ(0x0241u, Parse(Format(0x0241).c_str()));
    EXPECT_EQ(0x0443u, Parse(Format(0x0443).c_str()));
    EXPECT_EQ(0x0041u, Parse(Format(0x0041).c_str()));
    EXPECT_EQ(0x0353u, Parse(L"ctrl + shift + s"));
    EXPECT_EQ(0xFFFFFFFFu, Parse(L"CTRL + "));
    EXPECT_EQ(0xFFFFFFFFu, Parse(L""));
    EXPECT_EQ(0xFFFFFFFFu, Parse(nullptr));
    EXPECT_EQ(0x00A9u, Parse(L"STOP"));
    EXPECT_EQ(0x002Fu, Parse(L"help"));
    EXPECT_EQ(0x0000u, Parse(L"no such key"));
    // Prefixes count only in their order: Shift first leaves "CTRL + A" as the key name.
    EXPECT_EQ(0x0100u, Parse(L"SHIFT + CTRL + A"));
    EXPECT_EQ(0x0000u, Parse(L"CTRL+A")); // the prefix needs its blanks
    // Every code comes back as the first key of its name with the same modifiers.
    for (uint32_t modifiers = 0; modifiers < 8; ++modifiers) {
        for (uint32_t vk = 1; vk < 0xFF; ++vk) {
            const uint32_t back = Parse(Format((modifiers << 8) | vk).c_str());
            ASSERT_EQ(modifiers, back >> 8) << vk;
            ASSERT_EQ(std::wstring(KeyName(vk)), KeyName(back & 0xFF)) << vk;
            ASSERT_LE(back & 0xFF, vk);
        }
    }
}

TEST(AcceleratorEntry, FromCodes) {
    const AcceleratorEntry ctrl_o = AcceleratorFromHotkey(591, 41003);
    EXPECT_EQ(0x09, ctrl_o.fVirt);
    EXPECT_EQ(0x4F, ctrl_o.key);
    EXPECT_EQ(41003, ctrl_o.cmd);
    const AcceleratorEntry all = AcceleratorFromHotkey(0xFF72, 41006); // other bits ignored
    EXPECT_EQ(0x01 | 0x04 | 0x08 | 0x10, all.fVirt);
    EXPECT_EQ(0x72, all.key);
    EXPECT_EQ(0x01, AcceleratorFromHotkey(0x0074, 1).fVirt);
    EXPECT_TRUE(IsZero(AcceleratorFromHotkey(0, 41003)));
    EXPECT_TRUE(IsZero(AcceleratorFromHotkey(65536, 41003)));
}

TEST_F(ShortcutKeysTest, LoadReadsOnlyTheTableNames) {
    LoadShortcutKeys();
    ASSERT_NE(nullptr, AcceleratorEntries);
    EXPECT_EQ(kShortcutCommandCount, g_n_accelerator_count);
    for (int i = 0; i < kShortcutCommandCount; ++i) {
        EXPECT_TRUE(IsZero(AcceleratorEntries[i]));
    }
    m_path.Put("[HotKey]\r\nOPEN FILE=591\r\nExit=65536\r\nLine down=40\r\nNot a command=65\r\n");
    LoadShortcutKeys();
    const AcceleratorEntry& open = AcceleratorEntries[RowOf(L"Open file")];
    EXPECT_EQ(0x09, open.fVirt);
    EXPECT_EQ(0x4F, open.key);
    EXPECT_EQ(41003, open.cmd);
    EXPECT_TRUE(IsZero(AcceleratorEntries[RowOf(L"Exit")]));
    EXPECT_EQ(41020, AcceleratorEntries[RowOf(L"Line down")].cmd);
    int bound = 0;
    for (int i = 0; i < kShortcutCommandCount; ++i) {
        bound += IsZero(AcceleratorEntries[i]) ? 0 : 1;
    }
    EXPECT_EQ(2, bound);
}

TEST_F(ShortcutKeysTest, SetShortcutKeyFindsTheRowIgnoringCase) {
    LoadShortcutKeys();
    SetShortcutKey(L"extend LINE up", 0x0126);
    EXPECT_EQ(0x05, AcceleratorEntries[22].fVirt);
    EXPECT_EQ(41023, AcceleratorEntries[22].cmd);
    SetShortcutKey(L"Extend line up", 0);
    EXPECT_TRUE(IsZero(AcceleratorEntries[22]));
    SetShortcutKey(L"Nothing", 0x41);
    for (int i = 0; i < kShortcutCommandCount; ++i) {
        EXPECT_TRUE(IsZero(AcceleratorEntries[i]));
    }
    EXPECT_FALSE(m_path.Exists()); // the file is not touched
}

TEST_F(ShortcutKeysTest, AssigningATakenKeyMovesItToTheNewCommand) {
    LoadShortcutKeys();
    AssignShortcutKey(L"Close file", 591, L"");
    EXPECT_EQ("[hotkey]\r\n024F=Close file\r\nClose file=591\r\n", m_path.Get());
    EXPECT_EQ(41001, AcceleratorEntries[0].cmd);
    wchar_t owner[200];
    FindShortcutOwner(591, owner, 200);
    EXPECT_EQ(std::wstring(L"Close file"), owner);
    AssignShortcutKey(L"Open file", 591, owner);
    EXPECT_EQ("[hotkey]\r\n024F=Open file\r\nOpen file=591\r\n", m_path.Get());
    EXPECT_TRUE(IsZero(AcceleratorEntries[0]));
    EXPECT_EQ(41003, AcceleratorEntries[2].cmd);
    LoadShortcutKeys(); // the file agrees with the entries
    EXPECT_TRUE(IsZero(AcceleratorEntries[0]));
    EXPECT_EQ(0x4F, AcceleratorEntries[2].key);
}

TEST_F(ShortcutKeysTest, ReassigningDropsTheOldReverseEntry) {
    LoadShortcutKeys();
    AssignShortcutKey(L"Open file", 591, L"");
    AssignShortcutKey(L"Open file", 0x72, L"");
    EXPECT_EQ("[hotkey]\r\nOpen file=114\r\n0072=Open file\r\n", m_path.Get());
    wchar_t owner[200];
    FindShortcutOwner(591, owner, 200);
    EXPECT_EQ(std::wstring(L""), owner);
    EXPECT_EQ(0x01, AcceleratorEntries[2].fVirt);
    EXPECT_EQ(0x72, AcceleratorEntries[2].key);
    AssignShortcutKey(L"Open file", 0, L"");
    EXPECT_EQ("[hotkey]\r\nOpen file=114\r\n0072=Open file\r\n", m_path.Get());
}

TEST_F(ShortcutKeysTest, AReverseEntryOfAnUnknownOwnerIsOnlyDeleted) {
    m_path.Put("[hotkey]\r\n0241=Old command\r\n");
    LoadShortcutKeys();
    AssignShortcutKey(L"Cut", 0x0241, L"Old command");
    EXPECT_EQ("[hotkey]\r\n0241=Cut\r\nCut=577\r\n", m_path.Get());
    EXPECT_EQ(41018, AcceleratorEntries[6].cmd);
}

TEST_F(ShortcutKeysTest, RemovingDeletesBothEntries) {
    m_path.Put("[other]\r\nkeep=1\r\n");
    LoadShortcutKeys();
    AssignShortcutKey(L"Find dialog", 0x0646, L"");
    AssignShortcutKey(L"Exit", 0x0473, L"");
    RemoveShortcutKey(L"ctrl + alt + f");
    EXPECT_EQ("[other]\r\nkeep=1\r\n[hotkey]\r\n0473=Exit\r\nExit=1139\r\n", m_path.Get());
    EXPECT_TRUE(IsZero(AcceleratorEntries[14]));
    EXPECT_EQ(41006, AcceleratorEntries[5].cmd);
    // Text that cannot be read removes nothing from the file.
    RemoveShortcutKey(L"CTRL + ");
    EXPECT_EQ("[other]\r\nkeep=1\r\n[hotkey]\r\n0473=Exit\r\nExit=1139\r\n", m_path.Get());
}

TEST_F(ShortcutKeysTest, AFailedWriteChangesNeitherTheFileNorTheEntries) {
    LoadShortcutKeys();
    ASSERT_EQ(1, AssignShortcutKey(L"Close file", 591, L""));
    const std::string before = m_path.Get();
    FailingSettingsFile ops;
    ops.m_n_fail_from = 1;
    EXPECT_EQ(0, AssignShortcutKey(L"Open file", 591, L"Close file"));
    EXPECT_EQ(0, RemoveShortcutKey(L"CTRL + O"));
    EXPECT_EQ(before, m_path.Get());
    EXPECT_EQ(41001, AcceleratorEntries[0].cmd) << "the owner keeps its live key";
    EXPECT_TRUE(IsZero(AcceleratorEntries[2]));
    ops.m_n_fail_from = 0;
    ops.m_n_replacements = 0;
    ASSERT_EQ(1, AssignShortcutKey(L"Open file", 591, L"Close file"));
    EXPECT_EQ(1, ops.m_n_replacements) << "all entries in one replacement";
    EXPECT_EQ(41003, AcceleratorEntries[2].cmd);
    EXPECT_TRUE(IsZero(AcceleratorEntries[0]));
}

} // namespace

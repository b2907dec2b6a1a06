// The settings file: profile semantics of reading and writing, encodings and
// the integer rule.
#include "tests/settings/settings_fixture.h"

#include <gtest/gtest.h>

namespace {

class SettingsFileTest : public ::testing::Test {
  protected:
    SettingsPath m_path;
};

TEST_F(SettingsFileTest, MissingFileSectionOrKeyGivesTheDefault) {
    EXPECT_EQ(L"dflt", ReadText(L"s", L"k", L"dflt"));
    EXPECT_EQ(42u, ReadProfileInt(L"s", L"k", 42));
    EXPECT_EQ(L"", ReadText(L"s", L"k", nullptr));
    m_path.Put("[other]\r\nk=1\r\n[s]\r\nj=2\r\n");
    EXPECT_EQ(L"dflt", ReadText(L"s", L"k", L"dflt"));
    EXPECT_EQ(7u, ReadProfileInt(L"none", L"k", 7));
}

TEST_F(SettingsFileTest, NamesMatchWithoutRegardToCase) {
    m_path.Put("[Item_Attributes]\r\nFONT_NAME=Lucida Console\r\nFont_Size=9\r\n");
    EXPECT_EQ(L"Lucida Console", ReadText(L"item_attributes", L"font_name"));
    EXPECT_EQ(9u, ReadProfileInt(L"ITEM_ATTRIBUTES", L"font_size", 12));
    // Writing through another case replaces the value and keeps the file's spelling.
    ASSERT_EQ(1, WriteSettingsString(L"item_attributes", L"font_size", L"10"));
    EXPECT_EQ("[Item_Attributes]\r\nFONT_NAME=Lucida Console\r\nFont_Size=10\r\n", m_path.Get());
}

TEST_F(SettingsFileTest, WritingCreatesTheFileSectionAndKey) {
    ASSERT_FALSE(m_path.Exists());
    ASSERT_EQ(1, WriteSettingsString(L"hotkey", L"Open file", L"591"));
    EXPECT_EQ("[hotkey]\r\nOpen file=591\r\n", m_path.Get());
    ASSERT_EQ(1, WriteSettingsString(L"hotkey", L"024F", L"Open file"));
    ASSERT_EQ(1, WriteSettingsString(L"item_attributes", L"font_size", L"12"));
    EXPECT_EQ(
        "[hotkey]\r\nOpen file=591\r\n024F=Open file\r\n[item_attributes]\r\nfont_size=12\r\n",
        m_path.Get());
    EXPECT_EQ(L"Open file", ReadText(L"hotkey", L"024f"));
    EXPECT_EQ(1u, m_path.Entries()); // no temporary file left behind
}

TEST_F(SettingsFileTest, WritingLeavesEveryOtherLineAlone) {
    const std::string before = "; written by hand\n[a]\nx = 1 \n\n  [b]  \r\n"
                               "y=2\r\n\r\n; tail comment\r\n[c]\nz=3";
    m_path.Put(before);
    ASSERT_EQ(1, WriteSettingsString(L"b", L"new", L"v"));
    // The new key follows the section's last line that is not blank.
    EXPECT_EQ("; written by hand\n[a]\nx = 1 \n\n  [b]  \r\ny=2\r\n\r\n; tail comment\r\n"
              "new=v\r\n[c]\nz=3",
              m_path.Get());
    ASSERT_EQ(1, WriteSettingsString(L"c", L"z", L"4"));
    EXPECT_EQ("; written by hand\n[a]\nx = 1 \n\n  [b]  \r\ny=2\r\n\r\n; tail comment\r\n"
              "new=v\r\n[c]\nz=4",
              m_path.Get());
    ASSERT_EQ(1, WriteSettingsString(L"c", L"w", L"5"));
    EXPECT_EQ("; written by hand\n[a]\nx = 1 \n\n  [b]  \r\ny=2\r\n\r\n; tail comment\r\n"
              "new=v\r\n[c]\nz=4\r\nw=5\r\n",
              m_path.Get());
    EXPECT_EQ(L"1", ReadText(L"a", L"x"));
}

TEST_F(SettingsFileTest, NullValueDeletesTheKeyAndEmptyTextKeepsIt) {
    m_path.Put("[hotkey]\r\nOpen file=591\r\n024F=Open file\r\n");
    ASSERT_EQ(1, WriteSettingsString(L"HOTKEY", L"open FILE", nullptr));
    EXPECT_EQ("[hotkey]\r\n024F=Open file\r\n", m_path.Get());
    ASSERT_EQ(1, WriteSettingsString(L"hotkey", L"024F", L""));
    EXPECT_EQ("[hotkey]\r\n024F=\r\n", m_path.Get());
    EXPECT_EQ(L"", ReadText(L"hotkey", L"024F"));
    EXPECT_EQ(5u, ReadProfileInt(L"hotkey", L"024F", 5)); // empty value: the default
    // Deleting what is not there succeeds and creates nothing.
    SettingsPath other;
    EXPECT_EQ(1, WriteSettingsString(L"hotkey", L"x", nullptr));
    EXPECT_FALSE(other.Exists());
}

TEST_F(SettingsFileTest, NullKeyDeletesTheSection) {
    m_path.Put("[a]\r\nx=1\r\n[b]\r\ny=2\r\n");
    ASSERT_EQ(1, WriteSettingsString(L"A", nullptr, nullptr));
    EXPECT_EQ("[b]\r\ny=2\r\n", m_path.Get());
}

TEST_F(SettingsFileTest, EveryReadSeesTheFileAsItIsNow) {
    m_path.Put("[item_attributes]\r\nfont_size=12\r\n");
    EXPECT_EQ(12u, ReadProfileInt(L"item_attributes", L"font_size", 0));
    m_path.Put("[item_attributes]\r\nfont_size=30\r\n");
    EXPECT_EQ(30u, ReadProfileInt(L"item_attributes", L"font_size", 0));
    std::filesystem::remove(m_path.m_file);
    EXPECT_EQ(11u, ReadProfileInt(L"item_attributes", L"font_size", 11));
}

TEST_F(SettingsFileTest, ValuesAreTrimmedUnquotedAndTruncated) {
    m_path.Put("[s]\r\n  key  =   padded text  \r\nq=\"quoted \"\r\none='x\r\n");
    EXPECT_EQ(L"padded text", ReadText(L"s", L"KEY"));
    EXPECT_EQ(L"quoted ", ReadText(L"s", L"q"));
    EXPECT_EQ(L"'x", ReadText(L"s", L"one"));
    wchar_t small[5];
    EXPECT_EQ(4u, ReadProfileString(L"s", L"key", L"", small, 5));
    EXPECT_EQ(std::wstring(L"padd"), small);
    // The first of two equal keys wins; a section header may carry blanks.
    m_path.Put("[ s ]\r\nk=first\r\nK=second\r\n");
    EXPECT_EQ(L"first", ReadText(L"s", L"k"));
}

TEST_F(SettingsFileTest, IntegersReadLikeTheProfileFunctions) {
    EXPECT_EQ(12u, ParseProfileInt(L"12abc", 5));
    EXPECT_EQ(0u, ParseProfileInt(L"abc", 5));
    EXPECT_EQ(5u, ParseProfileInt(L"", 5));
    EXPECT_EQ(0xFFFFFFFFu, ParseProfileInt(L"-1", 5));
    EXPECT_EQ(7u, ParseProfileInt(L" +7", 5));
    EXPECT_EQ(16u, ParseProfileInt(L"0x10", 5));
    EXPECT_EQ(0xFFFFFFF0u, ParseProfileInt(L"-0x10", 5));
    EXPECT_EQ(15u, ParseProfileInt(L"0o17", 5));
    EXPECT_EQ(5u, ParseProfileInt(L"0b1012", 5));
    EXPECT_EQ(0u, ParseProfileInt(L"0x", 5));
    EXPECT_EQ(0u, ParseProfileInt(L"0xg1", 5));
    EXPECT_EQ(10u, ParseProfileInt(L"010", 5));       // a leading zero is still decimal
    EXPECT_EQ(1u, ParseProfileInt(L"4294967297", 5)); // wraps modulo 2^32
    EXPECT_EQ(0u, ParseProfileInt(L"- 3", 5));
    m_path.Put("[c]\r\nred=255\r\nbad=x12\r\n");
    EXPECT_EQ(255u, ReadProfileInt(L"c", L"red", 9));
    EXPECT_EQ(0u, ReadProfileInt(L"c", L"bad", 9));
}

TEST_F(SettingsFileTest, ReadsUtf16AndKeepsItUtf16) {
    // "[s]\r\nface=Käse\r\n" in UTF-16LE with its mark.
    const std::u16string text = u"[s]\r\nface=K\u00e4se\r\n";
    std::string bytes = "\xFF\xFE";
    for (char16_t c : text) {
        bytes.push_back(static_cast<char>(c & 0xFF));
        bytes.push_back(static_cast<char>(c >> 8));
    }
    m_path.Put(bytes);
    EXPECT_EQ(L"K\u00e4se", ReadText(L"S", L"face"));
    ASSERT_EQ(1, WriteSettingsString(L"s", L"n", L"1"));
    const std::string after = m_path.Get();
    ASSERT_GE(after.size(), 2u);
    EXPECT_EQ("\xFF\xFE", after.substr(0, 2));
    EXPECT_EQ(bytes.size() + 2 * std::u16string(u"n=1\r\n").size(), after.size());
    EXPECT_EQ(L"1", ReadText(L"s", L"n"));
    EXPECT_EQ(L"K\u00e4se", ReadText(L"s", L"face"));
}

TEST_F(SettingsFileTest, ReadsUtf8AndAnsiAndStoresNewNonAsciiAsUtf16) {
    m_path.Put("[s]\r\nface=K\xC3\xA4se\r\n");
    EXPECT_EQ(L"K\u00e4se", ReadText(L"s", L"face"));
    m_path.Put("[s]\r\nface=K\xE4se \x80\r\n");
    EXPECT_EQ(L"K\u00e4se \u20ac", ReadText(L"s", L"face"));
    m_path.Put("[s]\r\nk=1\r\n");
    ASSERT_EQ(1, WriteSettingsString(L"s", L"face", L"\u65b0\u7d30\u660e\u9ad4"));
    EXPECT_EQ("\xFF\xFE", m_path.Get().substr(0, 2));
    EXPECT_EQ(L"\u65b0\u7d30\u660e\u9ad4", ReadText(L"s", L"face"));
    EXPECT_EQ(L"1", ReadText(L"s", L"k"));
}

TEST_F(SettingsFileTest, AFileWithTheUtf8MarkIsUtf8WhateverItsBytes) {
    // One byte that is no UTF-8 (0xE9 alone) beside valid UTF-8 (ä).
    const std::string mark = "\xEF\xBB\xBF";
    m_path.Put(mark + "[item_attributes]\r\nfont_name=Caf\xE9 K\xC3\xA4se\r\nfont_size=9\r\n");
    EXPECT_EQ(9u, ReadProfileInt(L"item_attributes", L"font_size", 12));
    EXPECT_EQ(L"Caf\ufffd K\u00e4se", ReadText(L"item_attributes", L"font_name"));
    ASSERT_EQ(1, WriteSettingsString(L"item_attributes", L"font_size", L"10"));
    EXPECT_EQ(mark + "[item_attributes]\r\nfont_name=Caf\xE9 K\xC3\xA4se\r\nfont_size=10\r\n",
              m_path.Get())
        << "the invalid byte is kept as it was and no second section is added";
    ASSERT_EQ(1, WriteSettingsString(L"item_attributes", L"font_style", L"\u65b0"));
    EXPECT_EQ(mark + "[item_attributes]\r\nfont_name=Caf\xE9 K\xC3\xA4se\r\nfont_size=10\r\n"
                     "font_style=\xE6\x96\xB0\r\n",
              m_path.Get());
}

TEST_F(SettingsFileTest, AFileThatExistsButCannotBeReadIsNeverWritten) {
    const std::string before = "[item_attributes]\r\nfont_size=9\r\n[hotkey]\r\nExit=114\r\n";
    m_path.Put(before);
    FailingSettingsFile ops;
    ops.m_b_unreadable = 1;
    EXPECT_EQ(12u, ReadProfileInt(L"item_attributes", L"font_size", 12)) << "reads give defaults";
    EXPECT_EQ(0, WriteSettingsString(L"item_attributes", L"font_size", L"13"));
    EXPECT_EQ(0, WriteSettingsString(L"hotkey", L"Exit", nullptr));
    EXPECT_EQ(0, WriteSettingsString(L"hotkey", nullptr, nullptr));
    EXPECT_EQ(0, ops.m_n_replacements);
    EXPECT_EQ(before, m_path.Get());
    // A missing file is no such case: it is made on the first write.
    std::filesystem::remove(m_path.m_file);
    EXPECT_EQ(1, WriteSettingsString(L"item_attributes", L"font_size", L"13"));
}

TEST_F(SettingsFileTest, ABatchWritesEveryChangeInOneReplacementOrNone) {
    m_path.Put("[s]\r\na=1\r\n");
    FailingSettingsFile ops;
    {
        CSettingsBatch batch;
        batch.Set(L"s", L"a", nullptr);
        batch.SetInt(L"s", L"b", -2);
        EXPECT_EQ(4294967294u, batch.ReadInt(L"s", L"b", 0)) << "reads see the changes so far";
        batch.Set(L"t", L"c", L"x");
        ASSERT_EQ(1, batch.Commit());
    }
    EXPECT_EQ(1, ops.m_n_replacements);
    EXPECT_EQ("[s]\r\nb=-2\r\n[t]\r\nc=x\r\n", m_path.Get());
    ops.m_n_fail_from = 2;
    CSettingsBatch failing;
    failing.Set(L"s", L"b", L"3");
    failing.Set(L"u", L"d", L"4");
    EXPECT_EQ(0, failing.Commit());
    EXPECT_EQ("[s]\r\nb=-2\r\n[t]\r\nc=x\r\n", m_path.Get());
}

TEST_F(SettingsFileTest, AFailedWriteReportsFailureAndChangesNothing) {
    const std::wstring missing = (m_path.m_dir / "no such folder" / "settings.ini").wstring();
    EXPECT_EQ(0, WriteSettingsStringAt(missing.c_str(), L"s", L"k", L"v"));
    EXPECT_EQ(0, WriteSettingsStringAt(L"", L"s", L"k", L"v"));
    // A folder where the file should be cannot be replaced; it stays as it was.
    std::filesystem::create_directory(m_path.m_file);
    EXPECT_EQ(0, WriteSettingsString(L"s", L"k", L"v"));
    EXPECT_TRUE(std::filesystem::is_directory(m_path.m_file));
    EXPECT_EQ(1u, m_path.Entries());
}

TEST_F(SettingsFileTest, AFileThatAllowsNoWritingIsNotReplaced) {
    m_path.Put("[s]\r\nk=old\r\n");
    namespace fs = std::filesystem;
    fs::permissions(m_path.m_file, fs::perms::owner_read | fs::perms::group_read);
    EXPECT_EQ(0, WriteSettingsString(L"s", L"k", L"new"));
    EXPECT_EQ(0, WriteSettingsString(L"s", L"k", nullptr)) << "nor is a key deleted";
    EXPECT_EQ("[s]\r\nk=old\r\n", m_path.Get());
    EXPECT_EQ(1u, m_path.Entries()) << "no temporary file is left";
    fs::permissions(m_path.m_file, fs::perms::owner_write, fs::perm_options::add);
    EXPECT_EQ(1, WriteSettingsString(L"s", L"k", L"new"));
}

} // namespace

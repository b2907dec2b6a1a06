// The settings file reader and writer against Windows' own profile functions:
// files written by either side read the same through the other.
#include "settings/settings_file.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

namespace {

class SettingsProfileTest : public ::testing::Test {
  protected:
    void SetUp() override {
        wchar_t folder[MAX_PATH];
        ASSERT_NE(0u, GetTempPathW(MAX_PATH, folder));
        static int counter = 0;
        m_windows = std::wstring(folder) + L"pelmora_profile_win_" +
                    std::to_wstring(GetCurrentProcessId()) + L"_" + std::to_wstring(counter) +
                    L".ini";
        m_ours = std::wstring(folder) + L"pelmora_profile_own_" +
                 std::to_wstring(GetCurrentProcessId()) + L"_" + std::to_wstring(counter++) +
                 L".ini";
        DeleteFileW(m_windows.c_str());
        DeleteFileW(m_ours.c_str());
    }
    void TearDown() override {
        DeleteFileW(m_windows.c_str());
        DeleteFileW(m_ours.c_str());
    }

    std::wstring OursRead(const std::wstring& path, const wchar_t* section, const wchar_t* key) {
        wchar_t buffer[256];
        ReadProfileStringAt(path.c_str(), section, key, L"<none>", buffer, 256);
        return buffer;
    }
    std::wstring WindowsRead(const std::wstring& path, const wchar_t* section, const wchar_t* key) {
        wchar_t buffer[256];
        GetPrivateProfileStringW(section, key, L"<none>", buffer, 256, path.c_str());
        return buffer;
    }

    std::wstring m_windows;
    std::wstring m_ours;
};

const wchar_t* const kIntegerTexts[] = {
    L"12",         L"12abc",    L"abc",   L"-1",   L" +7",   L"0x10", L"",    L"591",
    L"4294967297", L"16776960", L"-0x1F", L"0o17", L"0b101", L"0x",   L"010", L"0xg1"};
constexpr int kIntegerCount = sizeof(kIntegerTexts) / sizeof(kIntegerTexts[0]);

TEST_F(SettingsProfileTest, FilesWrittenByWindowsReadTheSame) {
    const wchar_t* w = m_windows.c_str();
    ASSERT_TRUE(WritePrivateProfileStringW(L"item_attributes", L"font_name", L"Courier New", w));
    ASSERT_TRUE(WritePrivateProfileStringW(L"item_attributes", L"font_style", L"Bold Italic", w));
    ASSERT_TRUE(WritePrivateProfileStringW(L"Hotkey", L"Open file", L"591", w));
    ASSERT_TRUE(WritePrivateProfileStringW(L"hotkey", L"024F", L"Open file", w));
    ASSERT_TRUE(WritePrivateProfileStringW(L"hotkey", L"Close file", L"1", w));
    ASSERT_TRUE(WritePrivateProfileStringW(L"HOTKEY", L"close FILE", nullptr, w));
    for (int i = 0; i < kIntegerCount; ++i) {
        const std::wstring key = L"n" + std::to_wstring(i);
        ASSERT_TRUE(WritePrivateProfileStringW(L"numbers", key.c_str(), kIntegerTexts[i], w));
    }
    EXPECT_EQ(L"Courier New", OursRead(m_windows, L"ITEM_ATTRIBUTES", L"FONT_NAME"));
    EXPECT_EQ(L"Bold Italic", OursRead(m_windows, L"item_attributes", L"font_style"));
    EXPECT_EQ(L"Open file", OursRead(m_windows, L"hotkey", L"024f"));
    EXPECT_EQ(L"<none>", OursRead(m_windows, L"hotkey", L"Close file"));
    EXPECT_EQ(591u, ReadProfileIntAt(w, L"hotkey", L"open file", 0));
    for (int i = 0; i < kIntegerCount; ++i) {
        const std::wstring key = L"n" + std::to_wstring(i);
        EXPECT_EQ(GetPrivateProfileIntW(L"numbers", key.c_str(), 33, w),
                  ReadProfileIntAt(w, L"numbers", key.c_str(), 33))
            << "value \""
            << std::string(kIntegerTexts[i], kIntegerTexts[i] + wcslen(kIntegerTexts[i])) << "\"";
        EXPECT_EQ(WindowsRead(m_windows, L"numbers", key.c_str()),
                  OursRead(m_windows, L"numbers", key.c_str()));
    }
}

TEST_F(SettingsProfileTest, FilesWrittenByUsReadTheSameThroughWindows) {
    const wchar_t* o = m_ours.c_str();
    ASSERT_EQ(1, WriteSettingsStringAt(o, L"item_attributes", L"font_name", L"Lucida Console"));
    ASSERT_EQ(1, WriteSettingsStringAt(o, L"Hotkey", L"Open file", L"591"));
    ASSERT_EQ(1, WriteSettingsStringAt(o, L"hotkey", L"024F", L"Open file"));
    ASSERT_EQ(1, WriteSettingsStringAt(o, L"HOTKEY", L"Close file", L"1"));
    ASSERT_EQ(1, WriteSettingsStringAt(o, L"hotkey", L"CLOSE FILE", nullptr));
    ASSERT_EQ(1, WriteSettingsStringAt(o, L"item_attributes", L"FONT_NAME", L"Consolas"));
    for (int i = 0; i < kIntegerCount; ++i) {
        const std::wstring key = L"n" + std::to_wstring(i);
        ASSERT_EQ(1, WriteSettingsStringAt(o, L"numbers", key.c_str(), kIntegerTexts[i]));
    }
    EXPECT_EQ(L"Consolas", WindowsRead(m_ours, L"Item_Attributes", L"font_name"));
    EXPECT_EQ(L"Open file", WindowsRead(m_ours, L"hotkey", L"024f"));
    EXPECT_EQ(L"<none>", WindowsRead(m_ours, L"hotkey", L"close file"));
    EXPECT_EQ(591u, GetPrivateProfileIntW(L"HOTKEY", L"OPEN FILE", 0, o));
    for (int i = 0; i < kIntegerCount; ++i) {
        const std::wstring key = L"n" + std::to_wstring(i);
        EXPECT_EQ(GetPrivateProfileIntW(L"numbers", key.c_str(), 33, o),
                  ReadProfileIntAt(o, L"numbers", key.c_str(), 33));
    }
}

TEST_F(SettingsProfileTest, TheSameAsciiWritesGiveTheSameValuesOnBothSides) {
    struct Write {
        const wchar_t* section;
        const wchar_t* key;
        const wchar_t* value;
    };
    const Write writes[] = {
        {L"hotkey", L"Open file", L"591"},         {L"item_attributes", L"font_size", L"12"},
        {L"hotkey", L"024F", L"Open file"},        {L"hotkey", L"Open file", nullptr},
        {L"Item_Attributes", L"FONT_SIZE", L"13"}, {L"hotkey", L"0072", L"Exit"},
    };
    for (const Write& write : writes) {
        WritePrivateProfileStringW(write.section, write.key, write.value, m_windows.c_str());
        ASSERT_EQ(1, WriteSettingsStringAt(m_ours.c_str(), write.section, write.key, write.value));
    }
    const wchar_t* const keys[][2] = {{L"hotkey", L"Open file"},
                                      {L"hotkey", L"024F"},
                                      {L"hotkey", L"0072"},
                                      {L"item_attributes", L"font_size"}};
    for (const auto& key : keys) {
        EXPECT_EQ(WindowsRead(m_windows, key[0], key[1]), OursRead(m_ours, key[0], key[1]));
        EXPECT_EQ(WindowsRead(m_ours, key[0], key[1]), OursRead(m_windows, key[0], key[1]));
    }
}

TEST_F(SettingsProfileTest, NonAsciiTextWeWriteReadsBackThroughWindows) {
    const wchar_t face[] = L"\u65b0\u7d30\u660e\u9ad4 K\u00e4se";
    ASSERT_EQ(1, WriteSettingsStringAt(m_ours.c_str(), L"item_attributes", L"font_name", face));
    ASSERT_EQ(1, WriteSettingsStringAt(m_ours.c_str(), L"item_attributes", L"font_size", L"9"));
    EXPECT_EQ(face, WindowsRead(m_ours, L"item_attributes", L"font_name"));
    EXPECT_EQ(9u, GetPrivateProfileIntW(L"item_attributes", L"font_size", 0, m_ours.c_str()));
    // Windows keeps writing a Unicode file as Unicode; we still read it.
    ASSERT_TRUE(
        WritePrivateProfileStringW(L"item_attributes", L"font_style", L"Bold", m_ours.c_str()));
    EXPECT_EQ(L"Bold", OursRead(m_ours, L"item_attributes", L"font_style"));
    EXPECT_EQ(face, OursRead(m_ours, L"item_attributes", L"font_name"));
}

TEST_F(SettingsProfileTest, AReadOnlyFileIsNotReplaced) {
    const wchar_t* path = m_ours.c_str();
    ASSERT_EQ(1, WriteSettingsStringAt(path, L"item_attributes", L"font_size", L"12"));
    ASSERT_TRUE(SetFileAttributesW(path, FILE_ATTRIBUTE_READONLY));
    EXPECT_EQ(0, WriteSettingsStringAt(path, L"item_attributes", L"font_size", L"20"));
    EXPECT_EQ(0, WriteSettingsStringAt(path, L"item_attributes", L"font_size", nullptr));
    EXPECT_EQ(L"12", OursRead(m_ours, L"item_attributes", L"font_size"));
    SetFileAttributesW(path, FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(1, WriteSettingsStringAt(path, L"item_attributes", L"font_size", L"20"));
    EXPECT_EQ(L"20", OursRead(m_ours, L"item_attributes", L"font_size"));
}

TEST_F(SettingsProfileTest, AFileThatCannotBeReadForSharingIsNotReplaced) {
    const wchar_t* path = m_ours.c_str();
    ASSERT_EQ(1, WriteSettingsStringAt(path, L"item_attributes", L"font_size", L"12"));
    ASSERT_EQ(1, WriteSettingsStringAt(path, L"hotkey", L"Exit", L"114"));
    // Another program holds it without read sharing; it would allow the
    // replacement (delete sharing), so only the refusal keeps the file whole.
    HANDLE held = CreateFileW(path, GENERIC_READ, FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, held);
    EXPECT_EQ(0, CSettingsBatch(path).Readable()) << "held is not missing";
    EXPECT_EQ(0, WriteSettingsStringAt(path, L"item_attributes", L"font_size", L"13"));
    CloseHandle(held);
    EXPECT_EQ(1, CSettingsBatch(path).Readable());
    EXPECT_EQ(1, CSettingsBatch((m_ours + L".none").c_str()).Readable()) << "a missing file";
    EXPECT_EQ(L"12", OursRead(m_ours, L"item_attributes", L"font_size"));
    EXPECT_EQ(L"114", OursRead(m_ours, L"hotkey", L"Exit"));
}

} // namespace

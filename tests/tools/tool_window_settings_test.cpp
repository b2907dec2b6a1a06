// A tool window's open state and place in settings.ini, and the checksums
// window's rows chosen beside them: files written before read back the same.
#include "tests/settings/settings_fixture.h"
#include "tools/checksum_settings.h"
#include "tools/tool_window_settings.h"

#include <gtest/gtest.h>

namespace {

TEST(ToolWindowSettings, KeptSectionsReadBackAndAWrittenPlaceSurvives) {
    SettingsPath path;
    path.Put("[inspector]\r\nopen=1\r\nbig_endian=1\r\nleft=-1200\r\ntop=40\r\nwidth=600\r\n"
             "height=470\r\n[checksums]\r\nopen=0\r\nleft=5\r\ntop=6\r\nwidth=0\r\nheight=330\r\n"
             "algorithms=4294967295\r\n");
    {
        const CSettingsBatch file;
        const ToolWindowPlace inspector = ReadToolWindowPlace(file, L"inspector");
        EXPECT_EQ(1, inspector.m_b_open);
        EXPECT_EQ(-1200, inspector.m_n_left) << "a place on a monitor left of the main one";
        EXPECT_EQ(40, inspector.m_n_top);
        EXPECT_EQ(600, inspector.m_n_width);
        EXPECT_EQ(470, inspector.m_n_height);
        const ToolWindowPlace checksums = ReadToolWindowPlace(file, L"checksums");
        EXPECT_EQ(0, checksums.m_b_open);
        EXPECT_EQ(0, checksums.m_n_width) << "no width: no place kept";
        EXPECT_EQ(0, checksums.m_n_height);
        EXPECT_EQ(0xFFu, ReadChecksumAlgorithms(file, L"checksums")) << "unknown bits dropped";
        EXPECT_EQ(0xFFu, ReadChecksumAlgorithms(file, L"none")) << "all when none were kept";
    }
    CSettingsBatch file;
    WriteToolWindowPlace(&file, L"checksums", {1, 10, -20, 960, 330});
    WriteChecksumAlgorithms(&file, L"checksums", 0x05);
    ASSERT_EQ(1, file.Commit());
    const CSettingsBatch again;
    const ToolWindowPlace place = ReadToolWindowPlace(again, L"checksums");
    EXPECT_EQ(1, place.m_b_open);
    EXPECT_EQ(10, place.m_n_left);
    EXPECT_EQ(-20, place.m_n_top);
    EXPECT_EQ(960, place.m_n_width);
    EXPECT_EQ(330, place.m_n_height);
    EXPECT_EQ(0x05u, ReadChecksumAlgorithms(again, L"checksums"));
    EXPECT_EQ(1, ReadToolWindowPlace(again, L"inspector").m_b_open) << "other sections stay";
}

} // namespace

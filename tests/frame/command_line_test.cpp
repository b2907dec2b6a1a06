// The start-up file path taken from the command line.
#include "frame/command_line.h"
#include "frame/settings_path.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::wstring PathOf(const wchar_t* command_line, int* found) {
    std::wstring path = L"stale";
    *found = CommandLineFilePath(command_line, &path);
    return path;
}

} // namespace

TEST(CommandLine, UnquotedProgramPathOpensNothing) {
    int found = -1;
    EXPECT_EQ(PathOf(L"prog.exe file.bin", &found), L"");
    EXPECT_EQ(found, 0);
    EXPECT_EQ(PathOf(L"prog.exe \"C:\\a b\\file.bin\"", &found), L"");
    EXPECT_EQ(found, 0);
    EXPECT_EQ(PathOf(nullptr, &found), L"");
    EXPECT_EQ(found, 0);
}

TEST(CommandLine, PathAfterQuotedProgramIsTakenWithItsSpaces) {
    int found = 0;
    EXPECT_EQ(PathOf(L"\"C:\\Tools\\prog.exe\" C:\\my data\\a.bin", &found), L"C:\\my data\\a.bin");
    EXPECT_EQ(found, 1);
    // Leading and trailing spaces are part of the text, as typed.
    EXPECT_EQ(PathOf(L"\"prog.exe\"  a.bin ", &found), L" a.bin ");
}

TEST(CommandLine, OneEnclosingPairOfQuotesIsDropped) {
    int found = 0;
    EXPECT_EQ(PathOf(L"\"C:\\prog.exe\" \"C:\\my data\\a.bin\"", &found), L"C:\\my data\\a.bin");
    EXPECT_EQ(found, 1);
    // Quotes that do not enclose the whole text stay.
    EXPECT_EQ(PathOf(L"\"prog.exe\" \"a.bin\" x", &found), L"\"a.bin\" x");
    EXPECT_EQ(PathOf(L"\"prog.exe\" a\"b\"", &found), L"a\"b\"");
    EXPECT_EQ(PathOf(L"\"prog.exe\" \"a\" \"b\"", &found), L"\"a\" \"b\"");
    EXPECT_EQ(PathOf(L"\"prog.exe\" \"a.bin", &found), L"\"a.bin");
    EXPECT_EQ(PathOf(L"\"prog.exe\" \"", &found), L"\"");
    EXPECT_EQ(found, 1);
}

TEST(CommandLine, NothingAfterThePairOpensNothing) {
    int found = -1;
    EXPECT_EQ(PathOf(L"\"C:\\prog.exe\" ", &found), L"");
    EXPECT_EQ(found, 0);
    EXPECT_EQ(PathOf(L"\"C:\\prog.exe\"", &found), L"");
    EXPECT_EQ(found, 0);
    // An empty quoted text names no file either.
    EXPECT_EQ(PathOf(L"\"C:\\prog.exe\" \"\"", &found), L"");
    EXPECT_EQ(found, 0);
}

TEST(CommandLine, FirstQuoteSpacePairCounts) {
    int found = 0;
    // The program path itself holds no quote-space pair, so the first one ends it.
    EXPECT_EQ(PathOf(L"\"prog.exe\" \"x\" y.bin", &found), L"\"x\" y.bin");
}

TEST(StartPath, RelativePathsJoinTheStartFolder) {
    EXPECT_EQ(ResolveStartPath(L"C:\\work\\start", L"data\\a.bin"),
              L"C:\\work\\start\\data\\a.bin");
    EXPECT_EQ(ResolveStartPath(L"C:\\work\\start\\", L"a.bin"), L"C:\\work\\start\\a.bin");
    EXPECT_EQ(ResolveStartPath(L"C:\\work\\start", L"..\\b\\.\\c d.bin"), L"C:\\work\\b\\c d.bin");
    EXPECT_EQ(ResolveStartPath(L"C:\\", L"..\\..\\x/y.bin"), L"C:\\x\\y.bin");
    EXPECT_EQ(ResolveStartPath(L"\\\\srv\\share\\dir", L"..\\..\\a.bin"), L"\\\\srv\\share\\a.bin");
}

TEST(StartPath, AbsolutePathsStayAndRootedOnesTakeTheFolderRoot) {
    EXPECT_EQ(ResolveStartPath(L"C:\\work", L"D:\\x\\y.bin"), L"D:\\x\\y.bin");
    EXPECT_EQ(ResolveStartPath(L"C:\\work", L"d:/x//y.bin"), L"d:\\x\\y.bin");
    EXPECT_EQ(ResolveStartPath(L"C:\\work", L"\\\\srv\\share\\a.bin"), L"\\\\srv\\share\\a.bin");
    EXPECT_EQ(ResolveStartPath(L"C:\\work", L"\\x\\y.bin"), L"C:\\x\\y.bin");
    EXPECT_EQ(ResolveStartPath(L"\\\\srv\\share\\dir", L"\\x.bin"), L"\\\\srv\\share\\x.bin");
    // A drive with no backslash: relative to the folder on that drive only.
    EXPECT_EQ(ResolveStartPath(L"C:\\work", L"c:a.bin"), L"C:\\work\\a.bin");
    EXPECT_EQ(ResolveStartPath(L"C:\\work", L"D:a.bin"), L"D:\\a.bin");
}

TEST(StartPath, NoUsableFolderLeavesRelativePathsUnresolved) {
    EXPECT_EQ(ResolveStartPath(L"", L"a.bin"), L"");
    EXPECT_EQ(ResolveStartPath(L"work", L"a.bin"), L"");
    EXPECT_EQ(ResolveStartPath(L"", L"C:\\a.bin"), L"C:\\a.bin");
    EXPECT_EQ(ResolveStartPath(L"C:\\work", L""), L"");
}

TEST(SettingsPath, FolderPlusFileName) {
    wchar_t out[kSettingsPathCapacity];
    EXPECT_EQ(ComposeSettingsPath(L"C:\\Tools\\x\\", out), 1);
    EXPECT_STREQ(out, L"C:\\Tools\\x\\settings.ini");
}

TEST(SettingsPath, FolderTooLongGivesEmptyPath) {
    wchar_t out[kSettingsPathCapacity];
    // 247 characters + 12 for the name + terminator fill the buffer exactly.
    std::wstring fits(247, L'a');
    EXPECT_EQ(ComposeSettingsPath(fits.c_str(), out), 1);
    EXPECT_EQ(std::wstring(out).size(), 259u);
    std::wstring too_long(248, L'a');
    EXPECT_EQ(ComposeSettingsPath(too_long.c_str(), out), 0);
    EXPECT_STREQ(out, L"");
    EXPECT_EQ(ComposeSettingsPath(nullptr, out), 0);
}

// The checksums window in the real pelmora.exe: every row over a whole file
// against the values Python computed (tests/tools/checksum_vectors.txt), a
// selection, verify, copying all rows, and a stop of a long computation.
#include "tests/e2e/tool_driver.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <fstream>
#include <map>
#include <string>

namespace {

using namespace tools_e2e;

constexpr WORD kCmdChecksums = 40109;
constexpr int kSelectionRadio = 1101;
constexpr int kWholeRadio = 1102;
constexpr int kStopButton = 1103;
constexpr int kRangeText = 1104;
constexpr int kVerifyField = 1107;
constexpr int kVerifyResult = 1108;
constexpr int kStatusText = 1109;
constexpr int kCopyAllButton = 1110;
const wchar_t* const kNames[8] = {L"CRC-32", L"CRC-32C", L"Adler-32", L"MD5",
                                  L"SHA-1",  L"SHA-256", L"SHA-512",  L"XXH3-64"};

// The "random" input of the vector file: xorshift64 bytes.
Bytes XorshiftBytes(size_t length) {
    uint64_t x = 0x9E3779B97F4A7C15ull;
    Bytes out;
    while (out.size() < length) {
        x ^= x << 13;
        x ^= x >> 7;
        x ^= x << 17;
        for (int i = 0; i < 8; ++i)
            out.push_back(static_cast<unsigned char>(x >> (8 * i)));
    }
    out.resize(length);
    return out;
}

std::map<std::wstring, std::wstring> RandomVectors() {
    std::ifstream file(std::string(PELMORA_SOURCE_DIR) + "/tests/tools/checksum_vectors.txt");
    std::map<std::wstring, std::wstring> values;
    std::string input, algorithm, value;
    while (file >> input >> algorithm >> value)
        if (input == "random")
            values[std::wstring(algorithm.begin(), algorithm.end())] =
                std::wstring(value.begin(), value.end());
    return values;
}

uint32_t BitwiseCrc32(const unsigned char* p, size_t n) {
    uint32_t crc = 0xFFFFFFFFu;
    for (size_t i = 0; i < n; ++i) {
        crc ^= p[i];
        for (int k = 0; k < 8; ++k)
            crc = (crc & 1) ? (crc >> 1) ^ 0xEDB88320u : crc >> 1;
    }
    return ~crc;
}

struct ChecksumsWindow {
    HWND m_h_window = nullptr;
    HWND m_h_list = nullptr;
    HWND Item(int id) const { return GetDlgItem(m_h_window, id); }
    std::wstring Text(int id) const { return e2e::WindowText(Item(id)); }
    bool WaitStatus(const std::wstring& text, int timeout_ms = 20000) const {
        return e2e::WaitUntil([&] { return Text(kStatusText) == text; }, timeout_ms);
    }
    bool Checked(int id) const { return e2e::Send(Item(id), BM_GETCHECK) == BST_CHECKED; }
};

ChecksumsWindow OpenChecksums(App* app) {
    ChecksumsWindow w;
    e2e::PostCommand(app->m_h_main, kCmdChecksums);
    w.m_h_window = app->m_process.WaitForWindow(L"PelmoraChecksums", L"Pelmora - Checksums", 5000);
    if (w.m_h_window != nullptr)
        w.m_h_list = e2e::FindChild(w.m_h_window, WC_LISTVIEWW);
    return w;
}

TEST(ToolsChecksums, EveryRowMatchesPythonOverTheFileThenASelectionVerifyAndCopy) {
    Sandbox box(L"checksums");
    const Bytes data = XorshiftBytes((3u << 20) + 5);
    const std::wstring path = box.File(L"random.bin", data);
    const auto expected = RandomVectors();
    ASSERT_EQ(expected.size(), 8u);
    App app;
    ASSERT_EQ(app.Open(box, path), 1);
    const ChecksumsWindow w = OpenChecksums(&app);
    ASSERT_NE(w.m_h_window, nullptr);
    ASSERT_NE(w.m_h_list, nullptr);
    ASSERT_TRUE(w.WaitStatus(L"Done")) << e2e::WindowText(w.Item(kStatusText));
    EXPECT_TRUE(w.Checked(kWholeRadio));
    EXPECT_EQ(w.Text(kRangeText), L"Whole document: 0x0 to 0x300004, 3145733 bytes");
    std::wstring all;
    for (int row = 0; row < 8; ++row) {
        EXPECT_EQ(ListCell(app, w.m_h_list, row, 0), kNames[row]);
        EXPECT_EQ(ListCell(app, w.m_h_list, row, 1), expected.at(kNames[row])) << kNames[row];
        all += std::wstring(kNames[row]) + L": " + expected.at(kNames[row]) + L"\r\n";
    }

    ClearClipboard();
    e2e::Send(w.Item(kCopyAllButton), BM_CLICK);
    EXPECT_TRUE(e2e::WaitUntil([&] { return ClipboardUnicode() == all; }, 3000))
        << ClipboardUnicode();

    // Verify: upper case with spaces still matches its row; a wrong value none.
    e2e::Send(w.Item(kVerifyField), WM_SETTEXT, 0,
              reinterpret_cast<LPARAM>(L"0x"
                                       L"14232824")); // CRC-32's value
    EXPECT_EQ(w.Text(kVerifyResult), L"Matches CRC-32");
    EXPECT_EQ(ListCell(app, w.m_h_list, 0, 2), L"matches");
    e2e::Send(w.Item(kVerifyField), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"14232825"));
    EXPECT_EQ(w.Text(kVerifyResult), L"No row matches");
    EXPECT_EQ(ListCell(app, w.m_h_list, 0, 2), L"");

    // A selection of more than one byte is taken as soon as it is made.
    ASSERT_EQ(SelectRange(&app, 0x10, 0x2F), 1);
    app.CloseGoto();
    ASSERT_TRUE(e2e::WaitUntil(
        [&] { return w.Text(kRangeText) == L"Selection: 0x10 to 0x2F, 32 bytes"; }, 5000))
        << w.Text(kRangeText);
    ASSERT_TRUE(w.WaitStatus(L"Done"));
    EXPECT_TRUE(w.Checked(kSelectionRadio));
    wchar_t crc[9] = {};
    swprintf(crc, 9, L"%08x", BitwiseCrc32(data.data() + 0x10, 32));
    EXPECT_EQ(ListCell(app, w.m_h_list, 0, 1), crc);
    // "Whole document" overrides the selection.
    e2e::Send(w.Item(kWholeRadio), BM_CLICK);
    ASSERT_TRUE(w.WaitStatus(L"Done"));
    EXPECT_EQ(ListCell(app, w.m_h_list, 5, 1), expected.at(L"SHA-256"));
    EXPECT_EQ(app.Close(), 0);
}

TEST(ToolsChecksums, StopEndsALongComputationWithoutValues) {
    Sandbox box(L"checksums-stop");
    const std::wstring path = WriteSparse(box, L"big.bin", int64_t{1} << 30, 0, {1, 2, 3});
    ASSERT_FALSE(path.empty());
    App app;
    ASSERT_EQ(app.Open(box, path), 1);
    const ChecksumsWindow w = OpenChecksums(&app);
    ASSERT_NE(w.m_h_window, nullptr);
    ASSERT_TRUE(e2e::WaitUntil([&] { return IsWindowEnabled(w.Item(kStopButton)) != 0; }, 5000));
    e2e::Send(w.Item(kStopButton), BM_CLICK);
    ASSERT_TRUE(w.WaitStatus(L"Stopped", 5000)) << w.Text(kStatusText);
    EXPECT_FALSE(IsWindowEnabled(w.Item(kStopButton)));
    for (int row = 0; row < 8; ++row)
        EXPECT_EQ(ListCell(app, w.m_h_list, row, 1), L"") << kNames[row];
    EXPECT_EQ(app.Close(), 0);
}

} // namespace

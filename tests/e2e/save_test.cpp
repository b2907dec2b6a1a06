// Saving and process documents on the real pelmora.exe: the save dialog and
// the progress dialog, refusal of the shown file, a folder that cannot be
// written, and a process of our own opened through the Open virtual memory
// dialog.
#include "tests/e2e/e2e_harness.h"
#include "tests/e2e/e2e_session.h"
#include "tests/win32/helpers/marker_process.h"
#include "tests/win32/helpers/marker_target.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

namespace {

using e2e::Answer;
using e2e::ReadAll;
using e2e::Sandbox;
using e2e::StatusBar;
using e2e::StatusPane;
using e2e::TakeMessage;
using e2e::WaitGone;

constexpr WORD kSaveFile = 40071;

std::vector<unsigned char> Pattern(size_t size) {
    std::vector<unsigned char> bytes(size);
    for (size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<unsigned char>((i * 7 + (i >> 16)) & 0xFF);
    return bytes;
}

// Equal byte strings, or where the first difference lies.
testing::AssertionResult SameBytes(const std::vector<unsigned char>& got,
                                   const std::vector<unsigned char>& expected) {
    if (got == expected)
        return testing::AssertionSuccess();
    const size_t common = std::min(got.size(), expected.size());
    const size_t at = static_cast<size_t>(
        std::mismatch(got.begin(), got.begin() + static_cast<std::ptrdiff_t>(common),
                      expected.begin())
            .first -
        got.begin());
    char where[160];
    if (at < common)
        std::snprintf(where, sizeof(where), "first difference at offset 0x%llX: 0x%02X, not 0x%02X",
                      static_cast<unsigned long long>(at), got[at], expected[at]);
    else
        std::snprintf(where, sizeof(where), "the first 0x%llX bytes agree",
                      static_cast<unsigned long long>(at));
    return testing::AssertionFailure()
           << got.size() << " bytes against " << expected.size() << " expected; " << where;
}

struct FindOther {
    DWORD process_id;
    HWND except;
    HWND found;
};

BOOL CALLBACK FindOtherDialog(HWND window, LPARAM data) {
    auto* s = reinterpret_cast<FindOther*>(data);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == s->process_id && window != s->except && IsWindowVisible(window) &&
        e2e::ClassName(window) == L"#32770") {
        s->found = window;
        return FALSE;
    }
    return TRUE;
}

// A visible dialog of the process other than the given one (the overwrite
// question of the save dialog).
HWND OtherDialog(DWORD process_id, HWND except, int timeout_ms) {
    for (int waited = 0; waited < timeout_ms; waited += 50) {
        FindOther search = {process_id, except, nullptr};
        EnumWindows(FindOtherDialog, reinterpret_cast<LPARAM>(&search));
        if (search.found != nullptr)
            return search.found;
        Sleep(50);
    }
    return nullptr;
}

// Runs "&Save file ..." and names the target in the save dialog; returns
// the save dialog after OK was pressed (it may already be gone).
HWND ChooseTarget(e2e::PelmoraProcess& app, const std::wstring& target) {
    EXPECT_TRUE(e2e::PostCommand(app.MainWindow(), kSaveFile));
    HWND dialog = app.WaitForWindow(L"#32770", nullptr, 10000);
    EXPECT_NE(dialog, nullptr) << "no save dialog";
    if (dialog == nullptr)
        return nullptr;
    HWND name = GetDlgItem(dialog, 0x480); // the file name box
    if (name == nullptr)
        name = e2e::FindChild(dialog, L"Edit");
    EXPECT_NE(name, nullptr);
    e2e::Send(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(target.c_str()));
    e2e::Post(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
              reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
    return dialog;
}

TEST(SaveE2E, SaveThroughTheDialogsWithProgress) {
    Sandbox box(L"dialogs");
    const std::vector<unsigned char> bytes = Pattern(96u << 20);
    const std::wstring source = box.File(L"source.bin", bytes);
    e2e::PelmoraProcess app;
    ASSERT_TRUE(app.Start(L"\"" + source + L"\"", box.Exe()));
    ASSERT_NE(app.WaitForMainWindow(), nullptr);

    const std::wstring target = box.Folder() + L"saved.bin";
    ChooseTarget(app, target);
    HWND progress = app.WaitForWindow(L"#32770", L"Pelmora -- Saving", 20000);
    ASSERT_NE(progress, nullptr) << "no progress dialog while 96 MiB are saved";
    HWND bar = e2e::FindChild(progress, PROGRESS_CLASSW);
    EXPECT_NE(bar, nullptr);
    e2e::Screenshot(progress, L"save_progress_dialog");
    EXPECT_TRUE(WaitGone(progress, 120000));
    EXPECT_EQ(app.WaitForWindow(L"#32770", L"Message", 300), nullptr);
    EXPECT_TRUE(SameBytes(ReadAll(target), bytes));
    // Only the source, the saved file and the program; no temporary file.
    EXPECT_EQ(box.Files().size(), 3u);
    EXPECT_EQ(app.Close(), 0);
}

TEST(SaveE2E, TheShownFileIsRefusedAndStaysIntact) {
    Sandbox box(L"refuse");
    const std::vector<unsigned char> bytes = Pattern(5000);
    const std::wstring source = box.File(L"shown.bin", bytes);
    e2e::PelmoraProcess app;
    ASSERT_TRUE(app.Start(L"\"" + source + L"\"", box.Exe()));
    ASSERT_NE(app.WaitForMainWindow(), nullptr);

    HWND dialog = ChooseTarget(app, source);
    // Refused at once: no question whether to replace the file comes first.
    HWND refusal = OtherDialog(app.Id(), dialog, 5000);
    ASSERT_NE(refusal, nullptr);
    EXPECT_EQ(e2e::WindowText(refusal), L"Message");
    const std::wstring text = e2e::MessageBoxText(refusal);
    EXPECT_NE(text.find(source), std::wstring::npos) << std::string(text.begin(), text.end());
    EXPECT_NE(text.find(L"being edited"), std::wstring::npos);
    Answer(refusal, IDOK);
    // The save dialog comes back for another name.
    HWND again = app.WaitForWindow(L"#32770", nullptr, 10000);
    ASSERT_NE(again, nullptr);
    Answer(again, IDCANCEL);
    EXPECT_TRUE(SameBytes(ReadAll(source), bytes));
    EXPECT_EQ(box.Files().size(), 2u);
    EXPECT_TRUE(e2e::WaitUntil([&] { return IsWindowEnabled(app.MainWindow()) != FALSE; }))
        << "the main window stays disabled after the message";
    EXPECT_EQ(app.Close(), 0);
}

TEST(SaveE2E, AFolderThatCannotBeWrittenIsReported) {
    Sandbox box(L"readonly");
    const std::wstring source = box.File(L"data.bin", Pattern(300));
    e2e::PelmoraProcess app;
    ASSERT_TRUE(app.Start(L"\"" + source + L"\"", box.Exe()));
    ASSERT_NE(app.WaitForMainWindow(), nullptr);

    // A read-only folder: /sys takes no new files, even for root.
    const std::wstring target = L"Z:\\sys\\pelmora_saved.bin";
    ChooseTarget(app, target);
    const std::wstring text = TakeMessage(app);
    EXPECT_NE(text.find(L"Could not save the file " + target), std::wstring::npos)
        << std::string(text.begin(), text.end());
    EXPECT_EQ(GetFileAttributesW(target.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_TRUE(e2e::WaitUntil([&] { return IsWindowEnabled(app.MainWindow()) != FALSE; }))
        << "the main window stays disabled after the message";
    EXPECT_EQ(app.Close(), 0);
}

// marker_target.exe beside this test, with its marker address from its output.
struct Marker {
    Marker() {
        if (!m_process.Start(L"pelmora_save_e2e_"))
            return;
        void* marker = nullptr;
        if (std::sscanf(m_process.ReadLine().c_str(), "%p", &marker) == 1)
            m_n_marker = reinterpret_cast<uintptr_t>(marker);
    }
    MarkerProcess m_process;
    uintptr_t m_n_marker = 0;
};

TEST(SaveE2E, AProcessOfOurOwnOpensAsAProcessDocument) {
    Marker marker;
    ASSERT_NE(marker.m_process.Process(), nullptr) << "marker_target.exe did not start";
    ASSERT_NE(marker.m_n_marker, 0u);
    Sandbox box(L"process");
    e2e::PelmoraProcess app;
    ASSERT_TRUE(app.Start(L"", box.Exe()));
    HWND main = app.WaitForMainWindow();
    ASSERT_NE(main, nullptr);

    HWND dialog = e2e::ShowProcessDialog(app, main);
    ASSERT_NE(dialog, nullptr);
    HWND tree = e2e::ProcessTree(dialog);
    ASSERT_NE(tree, nullptr);
    HTREEITEM chosen = nullptr;
    std::wstring chosen_path;
    const auto items = e2e::TreeItems(app, tree);
    for (const auto& item : items)
        if (e2e::EndsWithNoCase(item.second, L"marker_target.exe")) {
            chosen = item.first;
            chosen_path = item.second;
        }
    ASSERT_NE(chosen, nullptr) << items.size() << " processes listed";
    // Listed once, however often the list was taken.
    int copies = 0;
    for (const auto& item : items)
        copies += item.second == chosen_path;
    EXPECT_EQ(copies, 1);
    e2e::Send(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(chosen));
    ASSERT_EQ(e2e::Sync(dialog), 1);
    e2e::Screenshot(dialog, L"process_dialog");

    uint64_t total = 0;
    const int64_t marker_offset = marker.m_process.OffsetOf(marker.m_n_marker, &total);
    ASSERT_GE(marker_offset, 0);
    e2e::Post(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    ASSERT_TRUE(WaitGone(dialog, 10000));
    ASSERT_EQ(e2e::Sync(main), 1);

    const std::wstring title = e2e::WindowText(main);
    EXPECT_EQ(title, L"Pelmora - " + chosen_path + L" [process]");
    HWND status = StatusBar(main);
    ASSERT_NE(status, nullptr);
    wchar_t expected_total[64];
    std::swprintf(expected_total, 64, L"Total: 0x%llX", static_cast<unsigned long long>(total - 1));
    EXPECT_EQ(StatusPane(app, status, 0), expected_total);
    e2e::Screenshot(main, L"process_document");

    // Double click on the first byte (edit mode on) and type 4 and 1 over it:
    // the view shows the typed byte, the process keeps its own.
    HWND control = e2e::FindChild(main, L"PELMORA_CTRL");
    ASSERT_NE(control, nullptr);
    MEMORY_BASIC_INFORMATION first = {};
    uintptr_t address = 0;
    while (VirtualQueryEx(marker.m_process.Process(), reinterpret_cast<void*>(address), &first,
                          sizeof(first)) == sizeof(first) &&
           first.State != MEM_COMMIT)
        address = reinterpret_cast<uintptr_t>(first.BaseAddress) + first.RegionSize;
    unsigned char before = 0;
    SIZE_T moved = 0;
    const bool readable =
        ReadProcessMemory(marker.m_process.Process(), first.BaseAddress, &before, 1, &moved);
    const e2e::ViewPixels colours = e2e::DefaultViewPixels();
    EXPECT_EQ(e2e::FirstCellColour(control, colours.m_n_modified_selected), 0);
    e2e::PostClick(control, 212, 30, true);
    e2e::Post(control, WM_CHAR, L'4', 0);
    e2e::Post(control, WM_CHAR, L'1', 0);
    // The typed byte shows selected and modified.
    EXPECT_TRUE(e2e::WaitUntil([&] {
        return e2e::FirstCellColour(control, colours.m_n_modified_selected) > 3;
    })) << "the typed byte does not show";
    e2e::Screenshot(main, L"process_document_typed");
    if (readable) {
        unsigned char after = 0;
        ASSERT_TRUE(
            ReadProcessMemory(marker.m_process.Process(), first.BaseAddress, &after, 1, &moved));
        EXPECT_EQ(after, before) << "the process was written";
    }

    // The dialog again lists each process once; Cancel keeps the shown
    // document exactly as it was, typed byte included.
    dialog = e2e::ShowProcessDialog(app, main);
    ASSERT_NE(dialog, nullptr);
    copies = 0;
    for (const auto& item : e2e::TreeItems(app, e2e::ProcessTree(dialog)))
        copies += item.second == chosen_path;
    EXPECT_EQ(copies, 1);
    e2e::Post(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    ASSERT_TRUE(WaitGone(dialog, 10000));
    ASSERT_EQ(e2e::Sync(main), 1);
    ASSERT_TRUE(e2e::WaitPaintSettled(main));
    EXPECT_EQ(e2e::WindowText(main), title);
    EXPECT_GT(e2e::FirstCellColour(control, colours.m_n_modified_selected), 3)
        << "Cancel changed the shown document";

    // The marker process keeps no-access and guard pages: their bytes cannot
    // be read, so the save writes them as zeros and says how many there were.
    const std::wstring target = box.Folder() + L"memory.bin";
    ChooseTarget(app, target);
    HWND box_shown = app.WaitForWindow(L"#32770", L"Message", 120000);
    ASSERT_NE(box_shown, nullptr) << "no word of the unreadable bytes";
    EXPECT_TRUE(e2e::WaitPaintSettled(box_shown));
    e2e::Screenshot(box_shown, L"process_save_message");
    const std::wstring text = TakeMessage(app, 120000);
    EXPECT_NE(text.find(L"The file " + target + L" was saved, but "), std::wstring::npos)
        << std::string(text.begin(), text.end());
    EXPECT_NE(text.find(L"could not be read and were written as zeros"), std::wstring::npos);
    HWND progress = app.WaitForWindow(L"#32770", L"Pelmora -- Saving", 500);
    if (progress != nullptr)
        WaitGone(progress, 10000);
    const std::vector<unsigned char> saved = ReadAll(target);
    ASSERT_EQ(saved.size(), total);
    // The typed byte, the marker as the process holds it, and zeros where the
    // first unreadable range starts.
    EXPECT_EQ(saved[0], 0x41);
    unsigned char expected_marker[kMarkerSize] = {};
    FillMarker(expected_marker, GetProcessId(marker.m_process.Process()), 0);
    EXPECT_TRUE(
        std::equal(expected_marker, expected_marker + kMarkerSize, saved.begin() + marker_offset));
    const size_t at = text.find(L"starts at offset 0x");
    ASSERT_NE(at, std::wstring::npos);
    const uint64_t zeros = std::wcstoull(text.c_str() + at + 19, nullptr, 16);
    ASSERT_LT(zeros + 4096, saved.size());
    EXPECT_TRUE(std::all_of(saved.begin() + static_cast<std::ptrdiff_t>(zeros),
                            saved.begin() + static_cast<std::ptrdiff_t>(zeros + 4096),
                            [](unsigned char c) { return c == 0; }));
    EXPECT_EQ(box.Files().size(), 2u); // the program and the saved file
    // The typed byte of process memory cannot be kept: closing asks first.
    ASSERT_TRUE(e2e::WaitUntil([&] { return IsWindowEnabled(main) != FALSE; }))
        << "a dialog still holds the main window";
    e2e::Post(main, WM_CLOSE);
    HWND question = app.WaitForWindow(L"#32770", L"Message", 10000);
    ASSERT_NE(question, nullptr) << "closing dropped the process edit without a word";
    EXPECT_TRUE(Answer(question, IDOK));
    EXPECT_EQ(app.WaitForExit(10000), 0);
}

} // namespace

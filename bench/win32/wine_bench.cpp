// Drives the real pelmora.exe under Wine for scripts/bench-wine: times a
// search through the Find dialog and a save through the save dialog, and
// writes the workspace of scattered edits the edited search restores. The
// script times grep and cp+sync beside it and prints the ratios.
//
//   wine_bench workspace FILE EDITS KEEP   writes FILE.interm: EDITS edits
//                                          spread over FILE, none in its last
//                                          KEEP bytes
//   wine_bench find FILE HEXPATTERN        Find forward from the start (to the
//                                          pattern near the end), then backward
//                                          from that match to the start; the
//                                          pattern may hold ? wildcards
//   wine_bench find FILE TEXT nocase       the same for ANSI text with "Match
//                                          case" cleared
//   wine_bench save FILE TARGET            one typed byte, then "&Save file ..."
//   wine_bench apply FILE                  one typed byte, then "&Apply" and Yes:
//                                          FILE itself is rewritten (give it a
//                                          workspace that changes its size)
//   wine_bench typed FILE COUNT            writes FILE.interm: COUNT typed
//                                          bytes spread over FILE
//   wine_bench apply-in-place FILE         "&Apply" and Yes of the edits its
//                                          workspace restored, until nothing
//                                          is pending
//   wine_bench findall FILE HEXPATTERN     "Find all" from the Find dialog until
//                                          the dialog is idle, then until the
//                                          results window shows the count;
//                                          prints both times, the count and
//                                          the private memory
//   wine_bench checksums FILE MASK         "Checksums..." over the whole file with
//                                          the rows of MASK (bit per row) chosen,
//                                          until the window says "Done"; prints the
//                                          time, the values and the private memory
//   wine_bench replace FILE HEX WITH TARGET
//                                          edit mode, "Replace a&ll" of the hex
//                                          pattern by the hex bytes WITH, Undo
//                                          and Redo of it, then "&Save file ..."
//                                          into TARGET
//
// With PELMORA_BENCH_SCRATCH_MIB set, the save and the apply first write and
// delete a scratch file of that size (see FreeFreshMemory).
// Figures are printed as name=value lines; the exit code is 0 when every step
// did what it should.
#include "data/data_plane.h"
#include "data/file_mapping.h"
#include "data/workspace.h"
#include "tests/e2e/e2e_harness.h"
#include "tests/e2e/e2e_session.h"
#include "tests/e2e/tool_driver.h"

#include <windows.h>

#include <psapi.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

double Now() {
    LARGE_INTEGER frequency, count;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&count);
    return static_cast<double>(count.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// Writes and deletes a scratch file of size bytes in folder, so the timed
// write that follows at once finds that much memory just freed, as the
// script does before timing cp: on a virtual machine that hands idle memory
// back to its host, writing into memory idle for seconds costs several
// times as much, whoever writes. Nothing happens for a size of 0.
void FreeFreshMemory(const std::wstring& folder, int64_t size) {
    if (size <= 0)
        return;
    const std::wstring path = folder + L"scratch.bin";
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    static char zeros[64 << 10];
    DWORD written = 0;
    for (int64_t done = 0; done < size; done += sizeof(zeros))
        if (!WriteFile(file, zeros, sizeof(zeros), &written, nullptr))
            break;
    CloseHandle(file);
}

int64_t ScratchSize() {
    const char* text = std::getenv("PELMORA_BENCH_SCRATCH_MIB");
    return text != nullptr ? std::atoll(text) << 20 : 0;
}

std::wstring FolderOf(const std::wstring& path) {
    return path.substr(0, path.find_last_of(L"\\/") + 1);
}

// Typed nibbles and 4-byte inserts in turn, spread evenly over the file but
// its last keep bytes, so a pattern planted there is found whole.
int WriteEdits(const std::wstring& path, int edits, int64_t keep) {
    CFileMapping file;
    if (!file.Open(path.c_str())) {
        std::printf("error=cannot open %ls\n", path.c_str());
        return 0;
    }
    CDataPlane plane(file.m_n_file_size);
    const uint8_t inserted[4] = {0xE1, 0x02, 0xF3, 0x84};
    const int64_t span = file.m_n_file_size - keep;
    const int64_t step = span / edits;
    int64_t grown = 0;
    for (int i = 0; i < edits; ++i) {
        const int64_t at = static_cast<int64_t>(i) * step + step / 2 + grown;
        const int ok =
            i % 2 == 0 ? plane.SetNibble(at, 0x8, 1, &file) : plane.Insert(at, inserted, 4);
        if (!ok) {
            std::printf("error=edit %d at %lld failed\n", i, static_cast<long long>(at));
            return 0;
        }
        if (i % 2 != 0)
            grown += 4;
    }
    if (!WriteWorkspace(WorkspaceName(path.c_str()).c_str(), &plane, file.m_n_file_size)) {
        std::printf("error=the workspace of %ls could not be written\n", path.c_str());
        return 0;
    }
    return 1;
}

// COUNT typed bytes (0x5A), spread evenly over the file: each written over
// its own byte, so an apply writes them in place.
int WriteTypedBytes(const std::wstring& path, int count) {
    CFileMapping file;
    if (!file.Open(path.c_str()) || count <= 0) {
        std::printf("error=cannot open %ls\n", path.c_str());
        return 0;
    }
    CDataPlane plane(file.m_n_file_size);
    const uint8_t byte = 0x5A;
    const int64_t step = file.m_n_file_size / count;
    for (int i = 0; i < count; ++i) {
        const int64_t at = i * step + step / 2;
        const PieceRecord record = {PIECE_OVERWRITTEN, at, at, 1, &byte};
        if (!plane.Replace(at, 1, &record, 1)) {
            std::printf("error=edit %d failed\n", i);
            return 0;
        }
    }
    if (!WriteWorkspace(WorkspaceName(path.c_str()).c_str(), &plane, file.m_n_file_size)) {
        std::printf("error=the workspace of %ls could not be written\n", path.c_str());
        return 0;
    }
    return 1;
}

// Waits for the main window showing the file; its view's status bar in *status.
HWND Start(e2e::PelmoraProcess& app, const std::wstring& path, HWND* status) {
    if (!app.Start(L"\"" + path + L"\""))
        return nullptr;
    const std::wstring title = L"Pelmora - " + path;
    HWND main = app.WaitForMainWindow(120000, title.c_str());
    if (main == nullptr)
        return nullptr;
    if (!e2e::Sync(main, 120000))
        return nullptr;
    HWND view = e2e::FindChild(main, L"PELMORA_CTRL");
    *status = view != nullptr ? e2e::FindChild(view, L"msctls_statusbar32") : nullptr;
    return main;
}

// Opens the Find dialog through command (Find or Replace), clicks the mode's
// radio button and types the pattern; the dialog, or null after saying why.
HWND FindDialogWith(e2e::PelmoraProcess& app, HWND main, WORD command, int mode_button,
                    const std::wstring& pattern) {
    e2e::PostCommand(main, command);
    HWND dialog = app.WaitForWindow(L"#32770", L"  Pelmora - Find", 20000);
    if (dialog == nullptr) {
        std::printf("error=no Find dialog\n");
        return nullptr;
    }
    if (e2e::Send(GetDlgItem(dialog, mode_button), BM_GETCHECK) != BST_CHECKED)
        e2e::Send(GetDlgItem(dialog, mode_button), BM_CLICK, 0, 0, 20000);
    e2e::Send(GetDlgItem(dialog, 1010), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(pattern.c_str()));
    return dialog;
}

int Find(const std::wstring& path, const std::wstring& pattern, int text_without_case) {
    e2e::PelmoraProcess app;
    HWND status = nullptr;
    HWND main = Start(app, path, &status);
    if (main == nullptr || status == nullptr) {
        std::printf("error=the program did not show %ls\n", path.c_str());
        return 0;
    }
    int ok = 1;
    // The Find dialog with the pattern typed in: hex, or text (ANSI) with
    // "Match case" cleared.
    HWND dialog =
        FindDialogWith(app, main, tools_e2e::kCmdFind, text_without_case ? 1009 : 1007, pattern);
    if (dialog == nullptr)
        return 0;
    if (text_without_case) // the code pages' second entry, ANSI
        e2e::Send(GetDlgItem(dialog, 1017), CB_SETCURSEL, 1, 0, 20000);
    if (text_without_case && e2e::Send(GetDlgItem(dialog, 1027), BM_GETCHECK) == BST_CHECKED)
        e2e::Send(GetDlgItem(dialog, 1027), BM_CLICK, 0, 0, 20000);
    auto idle = [&] {
        return IsWindowEnabled(GetDlgItem(dialog, 1012)) &&
               IsWindowEnabled(GetDlgItem(dialog, 1011));
    };
    auto search = [&](int button, const char* name) {
        // The click returns once the dialog has started the worker and
        // greyed its buttons; they come back when the search has ended.
        const double start = Now();
        e2e::Send(GetDlgItem(dialog, button), BM_CLICK, 0, 0, 20000);
        while (!idle()) {
            if (Now() - start > 600) {
                std::printf("error=%s search did not end\n", name);
                ok = 0;
                return;
            }
            Sleep(2);
        }
        const double seconds = Now() - start;
        if (!e2e::Sync(main)) {
            ok = 0;
            return;
        }
        const std::wstring begin = e2e::StatusPane(app, status, 1);
        const std::wstring end = e2e::StatusPane(app, status, 2);
        std::printf("%s_seconds=%.3f\n%s_selection=%ls %ls\n", name, seconds, name, begin.c_str(),
                    end.c_str());
        std::fflush(stdout);
    };
    // Forward from the start to the pattern near the end, then backward from
    // that match to the start: each walks (nearly) the whole file.
    search(1012, "forward");
    search(1011, "backward");
    tools_e2e::Dismiss(dialog, IDCANCEL, 20000);
    app.Close(60000);
    return ok;
}

// The program on the file with its first byte typed over in edit mode; null
// (after printing why) when that could not be done.
HWND StartEdited(e2e::PelmoraProcess& app, const std::wstring& path) {
    HWND status = nullptr;
    HWND main = Start(app, path, &status);
    if (main == nullptr) {
        std::printf("error=the program did not show %ls\n", path.c_str());
        return nullptr;
    }
    if (!e2e::EditFirstByte(main)) {
        std::printf("error=no byte could be typed\n");
        return nullptr;
    }
    return main;
}

int Save(const std::wstring& path, const std::wstring& target) {
    e2e::PelmoraProcess app;
    HWND main = StartEdited(app, path);
    if (main == nullptr)
        return 0;
    e2e::PostCommand(main, 40071); // "&Save file ..."
    HWND dialog = app.WaitForWindow(L"#32770", nullptr, 20000);
    if (dialog == nullptr) {
        std::printf("error=no save dialog\n");
        return 0;
    }
    HWND name = GetDlgItem(dialog, 0x480);
    if (name == nullptr)
        name = e2e::FindChild(dialog, L"Edit");
    e2e::Send(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(target.c_str()));
    const std::wstring folder = FolderOf(target);
    FreeFreshMemory(folder, ScratchSize());
    const double start = Now();
    e2e::Post(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
              reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
    // Done when the target exists: the temporary file is renamed only after
    // all of it was written and flushed.
    double created = -1;
    while (GetFileAttributesW(target.c_str()) == INVALID_FILE_ATTRIBUTES) {
        if (created < 0) {
            WIN32_FIND_DATAW found;
            HANDLE search = FindFirstFileW((folder + L"~pel*.tmp").c_str(), &found);
            if (search != INVALID_HANDLE_VALUE) {
                created = Now() - start;
                FindClose(search);
            }
        }
        if (Now() - start > 600) {
            std::printf("error=the save did not end\n");
            return 0;
        }
        Sleep(2);
    }
    std::printf("save_seconds=%.3f\nsave_file_created_seconds=%.3f\n", Now() - start, created);
    std::fflush(stdout);
    HWND progress = app.WaitForWindow(L"#32770", L"Pelmora -- Saving", 200);
    if (progress != nullptr)
        e2e::WaitGone(progress, 60000);
    app.Close(60000);
    return 1;
}

// "&Apply" writes the new file beside the file under the progress dialog,
// then replaces the file and opens it again on the program's own thread: it
// is done once that file has come and gone and the window answers again,
// with no message (a failure would show one).
int Apply(const std::wstring& path) {
    e2e::PelmoraProcess app;
    HWND main = StartEdited(app, path);
    if (main == nullptr)
        return 0;
    e2e::PostCommand(main, 40009); // "&Apply"
    HWND question = app.WaitForWindow(L"#32770", nullptr, 20000);
    if (question == nullptr) {
        std::printf("error=no question\n");
        return 0;
    }
    const std::wstring sibling = path + L".apply~";
    auto exists = [&] { return GetFileAttributesW(sibling.c_str()) != INVALID_FILE_ATTRIBUTES; };
    FreeFreshMemory(FolderOf(path), ScratchSize());
    const double start = Now();
    e2e::Post(question, WM_COMMAND, MAKEWPARAM(IDYES, BN_CLICKED), 0);
    while (!exists() && Now() - start < 600)
        Sleep(1);
    const double written = Now() - start;
    while (exists() && Now() - start < 600)
        Sleep(1);
    const double replaced = Now() - start;
    if (exists() || !e2e::Sync(main, 600000)) {
        std::printf("error=the apply did not end\n");
        return 0;
    }
    const double seconds = Now() - start;
    // Where the time went: the new file written and flushed, then put in
    // the file's place, then the file shown again.
    std::printf("apply_written_seconds=%.3f\napply_replaced_seconds=%.3f\n", written, replaced);
    if (app.WaitForWindow(L"#32770", nullptr, 200) != nullptr) {
        std::printf("error=the apply showed a message\n");
        return 0;
    }
    std::printf("apply_seconds=%.3f\n", seconds);
    std::fflush(stdout);
    app.Close(60000);
    return 1;
}

// "&Apply" of the edits the file's workspace restored: done once the
// command is greyed, i.e. nothing is pending any more.
int ApplyInPlace(const std::wstring& path) {
    e2e::PelmoraProcess app;
    HWND status = nullptr;
    HWND main = Start(app, path, &status);
    if (main == nullptr) {
        std::printf("error=the program did not show %ls\n", path.c_str());
        return 0;
    }
    static const UINT state_message = RegisterWindowMessageW(L"PelmoraMenuItemState");
    auto pending = [&] {
        const UINT state = static_cast<UINT>(e2e::Send(main, state_message, 40009, 1, 60000));
        return state != static_cast<UINT>(-1) && (state & (MF_GRAYED | MF_DISABLED)) == 0;
    };
    if (!pending()) {
        std::printf("error=nothing to apply\n");
        return 0;
    }
    e2e::PostCommand(main, 40009); // "&Apply"
    HWND question = app.WaitForWindow(L"#32770", nullptr, 20000);
    if (question == nullptr) {
        std::printf("error=no question\n");
        return 0;
    }
    const double start = Now();
    e2e::Post(question, WM_COMMAND, MAKEWPARAM(IDYES, BN_CLICKED), 0);
    while (pending() && Now() - start < 600)
        Sleep(1);
    const double seconds = Now() - start;
    if (pending() || app.WaitForWindow(L"#32770", L"Message", 200) != nullptr) {
        std::printf("error=the apply did not end, or showed a message\n");
        return 0;
    }
    std::printf("apply_in_place_seconds=%.3f\n", seconds);
    std::fflush(stdout);
    app.Close(60000);
    return 1;
}

// The program's private bytes now and at their peak (Wine keeps both).
void PrivateBytes(HANDLE process, double* now_mib, double* peak_mib) {
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof(counters);
    *now_mib = *peak_mib = -1;
    if (GetProcessMemoryInfo(process, &counters, sizeof(counters))) {
        *now_mib = static_cast<double>(counters.PagefileUsage) / 1048576.0;
        *peak_mib = static_cast<double>(counters.PeakPagefileUsage) / 1048576.0;
    }
}

int Checksums(const std::wstring& path, const std::wstring& mask) {
    // The rows to compute are what settings.ini beside the program says.
    const std::wstring exe = e2e::WindowsPath(_wgetenv(L"PELMORA_EXE"));
    const std::wstring ini = exe.substr(0, exe.find_last_of(L"\\/") + 1) + L"settings.ini";
    WritePrivateProfileStringW(L"checksums", L"algorithms", mask.c_str(), ini.c_str());
    WritePrivateProfileStringW(L"checksums", L"open", L"0", ini.c_str());
    e2e::PelmoraProcess app;
    HWND status = nullptr;
    HWND main = Start(app, path, &status);
    if (main == nullptr) {
        std::printf("error=the program did not show %ls\n", path.c_str());
        return 0;
    }
    double before = 0, peak = 0;
    PrivateBytes(app.Handle(), &before, &peak);
    const double start = Now();
    e2e::PostCommand(main, 40109);
    HWND window = app.WaitForWindow(L"PelmoraChecksums", L"Pelmora - Checksums", 20000);
    HWND done = window != nullptr ? GetDlgItem(window, 1109) : nullptr;
    while (done != nullptr && e2e::WindowText(done) != L"Done") {
        if (Now() - start > 600) {
            std::printf("error=the checksums did not end: %ls\n", e2e::WindowText(done).c_str());
            return 0;
        }
        Sleep(2);
    }
    if (done == nullptr) {
        std::printf("error=no checksums window\n");
        return 0;
    }
    const double seconds = Now() - start;
    double after = 0;
    PrivateBytes(app.Handle(), &after, &peak);
    tools_e2e::ClearClipboard();
    e2e::Send(GetDlgItem(window, 1110), BM_CLICK);
    std::wstring values;
    for (int waited = 0; waited < 3000; waited += 20) {
        values = tools_e2e::ClipboardUnicode();
        if (values != L"<none>")
            break;
        Sleep(20);
    }
    std::printf("checksums_seconds=%.3f\nprivate_before_mib=%.1f\nprivate_peak_mib=%.1f\n", seconds,
                before, peak);
    for (size_t at = 0, end; at < values.size(); at = end + 2) {
        end = values.find(L"\r\n", at);
        if (end == std::wstring::npos)
            end = values.size();
        std::printf("value=%ls\n", values.substr(at, end - at).c_str());
    }
    std::fflush(stdout);
    app.Close(60000);
    return 1;
}

// "Find all" of the pattern over the file: the pass timed from the click
// until the dialog is idle again, and the results window's first showing of
// the count from there on.
int FindAll(const std::wstring& path, const std::wstring& pattern) {
    e2e::PelmoraProcess app;
    HWND status = nullptr;
    HWND main = Start(app, path, &status);
    if (main == nullptr) {
        std::printf("error=the program did not show %ls\n", path.c_str());
        return 0;
    }
    HWND dialog = FindDialogWith(app, main, tools_e2e::kCmdFind, 1007, pattern);
    if (dialog == nullptr)
        return 0;
    double before = 0;
    double peak = 0;
    PrivateBytes(app.Handle(), &before, &peak);
    const double start = Now();
    e2e::Send(GetDlgItem(dialog, 1020), BM_CLICK, 0, 0, 20000);
    while (!IsWindowEnabled(GetDlgItem(dialog, 1020))) {
        if (Now() - start > 600) {
            std::printf("error=find all did not end\n");
            return 0;
        }
        Sleep(2);
    }
    const double done = Now();
    HWND results = nullptr;
    std::wstring count;
    while ((results = e2e::FindProcessWindow(app.Id(), L"PelmoraFindResults", nullptr)) ==
               nullptr ||
           (count = e2e::WindowText(GetDlgItem(results, 1201))).find(L"matches") ==
               std::wstring::npos) {
        if (Now() - done > 10) {
            std::printf("error=no results window\n");
            return 0;
        }
        Sleep(1);
    }
    const double shown = Now();
    double after = 0;
    PrivateBytes(app.Handle(), &after, &peak);
    std::printf("findall_seconds=%.3f\nfindall_shown_ms=%.1f\nfindall_count=%ls\n"
                "private_before_mib=%.1f\nprivate_after_mib=%.1f\nprivate_peak_mib=%.1f\n",
                done - start, (shown - done) * 1e3, count.c_str(), before, after, peak);
    std::fflush(stdout);
    tools_e2e::Dismiss(dialog, IDCANCEL, 20000);
    app.Close(60000);
    return 1;
}

// Runs a command and waits until the program has handled it; the seconds.
double TimedCommand(HWND main, WORD id) {
    // Sent, not posted: a message sent afterwards to wait with would be
    // handled before a posted command, and the time would be nothing.
    const double start = Now();
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(main, WM_COMMAND, MAKEWPARAM(id, 0), 0, SMTO_ABORTIFHUNG, 600000,
                             &result))
        return -1;
    return Now() - start;
}

int Replace(const std::wstring& path, const std::wstring& pattern, const std::wstring& with,
            const std::wstring& target) {
    e2e::PelmoraProcess app;
    HWND status = nullptr;
    HWND main = Start(app, path, &status);
    if (main == nullptr) {
        std::printf("error=the program did not show %ls\n", path.c_str());
        return 0;
    }
    TimedCommand(main, tools_e2e::kCmdEditMode);
    HWND dialog = FindDialogWith(app, main, 40104 /* "&Replace..." */, 1007, pattern);
    if (dialog == nullptr)
        return 0;
    e2e::Send(GetDlgItem(dialog, 1022), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(with.c_str()));
    const double start = Now();
    e2e::Send(GetDlgItem(dialog, 1024), BM_CLICK, 0, 0, 20000);
    // Done when the buttons come back with the count on the result line.
    while (!IsWindowEnabled(GetDlgItem(dialog, 1024)) ||
           e2e::WindowText(GetDlgItem(dialog, 1025)).empty()) {
        if (Now() - start > 600) {
            std::printf("error=Replace all did not end\n");
            return 0;
        }
        Sleep(2);
    }
    const double replaced = Now() - start;
    const std::wstring said = e2e::WindowText(GetDlgItem(dialog, 1025));
    std::printf("replace_all_seconds=%.3f\nreplace_all_result=%ls\n", replaced, said.c_str());
    double now_mib = 0;
    double peak_mib = 0;
    PrivateBytes(app.Handle(), &now_mib, &peak_mib);
    std::printf("replace_all_private_mib=%.1f\nreplace_all_peak_private_mib=%.1f\n", now_mib,
                peak_mib);
    tools_e2e::Dismiss(dialog, IDCANCEL, 20000);
    // The size the status bar shows after each step tells that it was made.
    std::printf("replaced_size=%ls\n", e2e::StatusPane(app, status, 0).c_str());
    std::printf("undo_seconds=%.3f\n", TimedCommand(main, 40101));
    std::printf("undone_size=%ls\n", e2e::StatusPane(app, status, 0).c_str());
    std::printf("redo_seconds=%.3f\n", TimedCommand(main, 40102));
    std::printf("redone_size=%ls\n", e2e::StatusPane(app, status, 0).c_str());
    std::fflush(stdout);
    e2e::PostCommand(main, 40071); // "&Save file ..."
    HWND save = app.WaitForWindow(L"#32770", nullptr, 20000);
    HWND name = save != nullptr ? GetDlgItem(save, 0x480) : nullptr;
    if (save != nullptr && name == nullptr)
        name = e2e::FindChild(save, L"Edit");
    if (name == nullptr) {
        std::printf("error=no save dialog\n");
        return 0;
    }
    e2e::Send(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(target.c_str()));
    e2e::Post(save, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
              reinterpret_cast<LPARAM>(GetDlgItem(save, IDOK)));
    const double saving = Now();
    while (GetFileAttributesW(target.c_str()) == INVALID_FILE_ATTRIBUTES) {
        if (Now() - saving > 600) {
            std::printf("error=the save did not end\n");
            return 0;
        }
        Sleep(5);
    }
    HWND progress = app.WaitForWindow(L"#32770", L"Pelmora -- Saving", 200);
    if (progress != nullptr)
        e2e::WaitGone(progress, 60000);
    app.Close(60000);
    return 1;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    const std::wstring mode = argc > 1 ? argv[1] : L"";
    int ok = 0;
    if (mode == L"workspace" && argc == 5)
        ok = WriteEdits(e2e::WindowsPath(argv[2]), _wtoi(argv[3]), _wtoi64(argv[4]));
    else if (mode == L"find" && argc == 4)
        ok = Find(e2e::WindowsPath(argv[2]), argv[3], 0);
    else if (mode == L"find" && argc == 5 && std::wstring(argv[4]) == L"nocase")
        ok = Find(e2e::WindowsPath(argv[2]), argv[3], 1);
    else if (mode == L"save" && argc == 4)
        ok = Save(e2e::WindowsPath(argv[2]), e2e::WindowsPath(argv[3]));
    else if (mode == L"apply" && argc == 3)
        ok = Apply(e2e::WindowsPath(argv[2]));
    else if (mode == L"typed" && argc == 4)
        ok = WriteTypedBytes(e2e::WindowsPath(argv[2]), _wtoi(argv[3]));
    else if (mode == L"apply-in-place" && argc == 3)
        ok = ApplyInPlace(e2e::WindowsPath(argv[2]));
    else if (mode == L"findall" && argc == 4)
        ok = FindAll(e2e::WindowsPath(argv[2]), argv[3]);
    else if (mode == L"replace" && argc == 6)
        ok = Replace(e2e::WindowsPath(argv[2]), argv[3], argv[4], e2e::WindowsPath(argv[5]));
    else if (mode == L"checksums" && argc == 4)
        ok = Checksums(e2e::WindowsPath(argv[2]), argv[3]);
    else
        std::fprintf(stderr, "usage: wine_bench workspace FILE EDITS KEEP | find FILE HEX | "
                             "save FILE TARGET | apply FILE | typed FILE COUNT | "
                             "apply-in-place FILE | findall FILE HEX | checksums FILE MASK\n");
    return ok ? 0 : 1;
}

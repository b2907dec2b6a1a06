// Entry point of the end-to-end drivers. At the first failed check of a case
// the screen and the texts of every window of the running pelmora.exe
// processes are saved into build/artifacts/, and the case's failure names
// both files, so a failure on a machine nobody watches can still be read.
#include "tests/e2e/e2e_harness.h"
#include "tests/e2e/e2e_session.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace {

std::string Utf8(const std::wstring& text) {
    if (text.empty())
        return std::string();
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                         nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &out[0], size,
                        nullptr, nullptr);
    return out;
}

// Whether the process runs a pelmora.exe, from whichever folder.
bool IsPelmora(DWORD process_id) {
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, process_id);
    if (process == nullptr)
        return false;
    wchar_t path[1024] = {};
    DWORD size = 1024;
    const BOOL named = QueryFullProcessImageNameW(process, 0, path, &size);
    CloseHandle(process);
    return named && e2e::EndsWithNoCase(path, L"\\pelmora.exe");
}

// The panes of a status bar of another process, read through its memory.
std::wstring StatusPanes(DWORD process_id, HWND status) {
    HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ, FALSE, process_id);
    if (process == nullptr)
        return L"";
    constexpr size_t chars = 512;
    void* remote = VirtualAllocEx(process, nullptr, chars * sizeof(wchar_t),
                                  MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    std::wstring panes;
    const int parts = static_cast<int>(e2e::Send(status, SB_GETPARTS, 0, 0, 1000));
    for (int part = 0; remote != nullptr && part < parts; ++part) {
        if (LOWORD(e2e::Send(status, SB_GETTEXTLENGTHW, part, 0, 1000)) >= chars)
            continue;
        e2e::Send(status, SB_GETTEXTW, part, reinterpret_cast<LPARAM>(remote), 1000);
        wchar_t text[chars] = {};
        SIZE_T read = 0;
        ReadProcessMemory(process, remote, text, sizeof(text), &read);
        text[chars - 1] = 0;
        if (text[0] != 0)
            panes += L" [" + std::to_wstring(part) + L"] \"" + text + L"\"";
    }
    if (remote != nullptr)
        VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    CloseHandle(process);
    return panes;
}

// One line for the window: class, control ID, state, rectangle and text.
std::wstring Describe(HWND window, int depth, DWORD process_id) {
    RECT rect = {};
    GetWindowRect(window, &rect);
    const std::wstring name = e2e::ClassName(window);
    std::wstring line(static_cast<size_t>(depth) * 2, L' ');
    line += name + L" id=" + std::to_wstring(GetDlgCtrlID(window));
    line += IsWindowVisible(window) ? L"" : L" hidden";
    line += IsWindowEnabled(window) ? L"" : L" disabled";
    line += L" (" + std::to_wstring(rect.left) + L"," + std::to_wstring(rect.top) + L" " +
            std::to_wstring(rect.right - rect.left) + L"x" +
            std::to_wstring(rect.bottom - rect.top) + L") \"" + e2e::WindowText(window) + L"\"";
    if (name == STATUSCLASSNAMEW)
        line += StatusPanes(process_id, window);
    return line + L"\n";
}

struct Collected {
    std::map<DWORD, bool> m_pelmora; // process ID: runs pelmora.exe
    std::wstring m_sz_text;
    HWND m_h_top = nullptr;
    DWORD m_n_process = 0;
};

BOOL CALLBACK CollectChild(HWND window, LPARAM param) {
    auto* collected = reinterpret_cast<Collected*>(param);
    int depth = 1;
    for (HWND up = GetParent(window); up != nullptr && up != collected->m_h_top; up = GetParent(up))
        ++depth;
    collected->m_sz_text += Describe(window, depth, collected->m_n_process);
    return TRUE;
}

BOOL CALLBACK CollectTopLevel(HWND window, LPARAM param) {
    auto* collected = reinterpret_cast<Collected*>(param);
    DWORD process_id = 0;
    GetWindowThreadProcessId(window, &process_id);
    auto known = collected->m_pelmora.find(process_id);
    if (known == collected->m_pelmora.end())
        known = collected->m_pelmora.emplace(process_id, IsPelmora(process_id)).first;
    // Hidden top-level windows of the program are mostly Wine's own helpers.
    if (!known->second || !IsWindowVisible(window))
        return TRUE;
    collected->m_sz_text +=
        L"process " + std::to_wstring(process_id) + L": " + Describe(window, 0, process_id);
    collected->m_h_top = window;
    collected->m_n_process = process_id;
    EnumChildWindows(window, CollectChild, param);
    return TRUE;
}

// Writes the window texts as build/artifacts/<name>.txt; the path or "".
std::wstring SaveWindowTexts(const std::wstring& name) {
    Collected collected;
    EnumWindows(CollectTopLevel, reinterpret_cast<LPARAM>(&collected));
    if (collected.m_sz_text.empty())
        collected.m_sz_text = L"no visible window of a running pelmora.exe\n";
    const std::wstring path = e2e::ArtifactsDir() + name + L".txt";
    std::FILE* file = _wfopen(path.c_str(), L"wb");
    if (file == nullptr)
        return std::wstring();
    const std::string text = Utf8(collected.m_sz_text);
    const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    return std::fclose(file) == 0 && written ? path : std::wstring();
}

// Saves the screen and the window texts at the first failed check of a case
// and adds a failure naming them when the case ends.
class FailureArtifacts : public testing::EmptyTestEventListener {
  public:
    void OnTestStart(const testing::TestInfo&) override {
        m_b_saved = false;
        m_sz_note.clear();
    }

    void OnTestPartResult(const testing::TestPartResult& result) override {
        if (!result.failed() || m_b_saved)
            return;
        m_b_saved = true;
        const testing::TestInfo* test = testing::UnitTest::GetInstance()->current_test_info();
        if (test == nullptr)
            return;
        std::wstring name;
        for (const char* c : {test->test_suite_name(), ".", test->name(), "-failure"})
            for (; *c != '\0'; ++c)
                name += (*c == '/' || *c == '\\') ? L'_' : static_cast<wchar_t>(*c);
        const std::wstring picture = e2e::Screenshot(nullptr, name);
        const std::wstring texts = SaveWindowTexts(name);
        m_sz_note =
            "at the first failure (" + std::string(result.file_name() ? result.file_name() : "?") +
            ":" + std::to_string(result.line_number()) + ") the screen was saved as " +
            (picture.empty() ? "<not saved>" : Utf8(picture)) +
            " and the program's window texts as " + (texts.empty() ? "<not saved>" : Utf8(texts));
    }

    // Reported here, not from OnTestPartResult, which runs while GoogleTest
    // holds the lock a new failure needs.
    void OnTestEnd(const testing::TestInfo&) override {
        if (!m_sz_note.empty())
            ADD_FAILURE() << m_sz_note;
        m_sz_note.clear();
    }

  private:
    bool m_b_saved = false;
    std::string m_sz_note;
};

} // namespace

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    // Appended after the printer: its OnTestEnd runs before the printer's,
    // so the note shows among the case's failures.
    testing::UnitTest::GetInstance()->listeners().Append(new FailureArtifacts);
    return RUN_ALL_TESTS();
}

// Starts marker_target.exe (built beside the tests) with its output on a pipe,
// for the tests that read another process's memory. The helper prints the
// addresses of its markers on its first line, then waits for the release event;
// it is killed when this object ends.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

class MarkerProcess {
  public:
    MarkerProcess() = default;
    ~MarkerProcess() {
        if (m_h_process != nullptr) {
            TerminateProcess(m_h_process, 0);
            WaitForSingleObject(m_h_process, 5000);
            CloseHandle(m_h_process);
        }
        Close(&m_h_output);
        Close(&m_h_release);
    }
    MarkerProcess(const MarkerProcess&) = delete;
    MarkerProcess& operator=(const MarkerProcess&) = delete;

    // The helper's path: marker_target.exe in this executable's folder.
    static std::wstring HelperPath() {
        wchar_t self[MAX_PATH] = {};
        const DWORD length = GetModuleFileNameW(nullptr, self, MAX_PATH);
        std::wstring path(self, length);
        path.erase(path.find_last_of(L"\\/") + 1);
        return path + L"marker_target.exe";
    }

    // Starts the helper with a release event named after the prefix and this
    // process; 1 when it runs.
    int Start(const std::wstring& event_prefix) {
        const std::wstring event_name = event_prefix + std::to_wstring(GetCurrentProcessId());
        m_h_release = CreateEventW(nullptr, TRUE, FALSE, event_name.c_str());
        if (m_h_release == nullptr)
            return 0;
        SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
        HANDLE write_end = nullptr;
        if (!CreatePipe(&m_h_output, &write_end, &inherit, 0))
            return 0;
        SetHandleInformation(m_h_output, HANDLE_FLAG_INHERIT, 0);
        STARTUPINFOW startup = {};
        startup.cb = sizeof(startup);
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdOutput = write_end;
        startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
        startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
        std::wstring command = L"\"" + HelperPath() + L"\" " + event_name;
        PROCESS_INFORMATION started = {};
        const BOOL ok = CreateProcessW(nullptr, &command[0], nullptr, nullptr, TRUE, 0, nullptr,
                                       nullptr, &startup, &started);
        CloseHandle(write_end);
        if (!ok)
            return 0;
        m_h_process = started.hProcess;
        CloseHandle(started.hThread);
        m_n_id = started.dwProcessId;
        return 1;
    }

    // One line of the helper's output without its line end ("" once it ends).
    std::string ReadLine() {
        std::string line;
        char c = 0;
        DWORD got = 0;
        while (m_h_output != nullptr && ReadFile(m_h_output, &c, 1, &got, nullptr) && got == 1 &&
               c != '\n')
            if (c != '\r')
                line += c;
        return line;
    }

    // Lets the helper go on past its wait; 1 on success.
    int Release() { return m_h_release != nullptr && SetEvent(m_h_release) ? 1 : 0; }

    // The document offset of an address with the committed regions laid end
    // to end, as a process document lays them (-1 when not committed);
    // *total gets the document's size.
    int64_t OffsetOf(uintptr_t target, uint64_t* total) const {
        *total = 0;
        int64_t offset = -1;
        uintptr_t address = 0;
        MEMORY_BASIC_INFORMATION info;
        while (VirtualQueryEx(m_h_process, reinterpret_cast<void*>(address), &info, sizeof(info)) ==
               sizeof(info)) {
            const auto base = reinterpret_cast<uintptr_t>(info.BaseAddress);
            if (info.State == MEM_COMMIT) {
                if (target >= base && target < base + info.RegionSize)
                    offset = static_cast<int64_t>(*total + (target - base));
                *total += info.RegionSize;
            }
            if (base + info.RegionSize <= address)
                break;
            address = base + info.RegionSize;
        }
        return offset;
    }

    HANDLE Process() const { return m_h_process; }
    DWORD Id() const { return m_n_id; }

  private:
    static void Close(HANDLE* handle) {
        if (*handle != nullptr)
            CloseHandle(*handle);
        *handle = nullptr;
    }

    HANDLE m_h_process = nullptr;
    HANDLE m_h_release = nullptr;
    HANDLE m_h_output = nullptr;
    DWORD m_n_id = 0;
};

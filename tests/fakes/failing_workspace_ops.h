// FailingWorkspaceOps: the platform's workspace file calls, with the n-th
// call that can fail made to fail, for tests that loop n over every step.
#pragma once

#include "data/workspace.h"

class FailingWorkspaceOps final : public WorkspaceFileOps {
  public:
    // Whether opening a file for reading counts as a step that can fail.
    enum class ReadOpens { kCanFail, kNeverFail };

    explicit FailingWorkspaceOps(int fail_at, ReadOpens read_opens = ReadOpens::kCanFail)
        : m_n_fail_at(fail_at), m_read_opens(read_opens) {}

    void* OpenWrite(const wchar_t* path) override;
    void* OpenRead(const wchar_t* path) override;
    // A failing write is a short one: half the bytes.
    size_t Write(void* file, const void* data, size_t count) override;
    size_t Read(void* file, void* data, size_t count) override;
    int64_t Size(void* file) override;
    int FlushToDisk(void* file) override;
    // The file is closed either way; only the report fails.
    int Close(void* file) override;
    int Exists(const wchar_t* path) override;
    int MoveReplace(const wchar_t* from, const wchar_t* to) override;
    int Delete(const wchar_t* path) override;

    // Calls that could fail so far; below m_n_fail_at when none failed.
    int m_n_calls = 0;

  private:
    bool Fail() { return ++m_n_calls == m_n_fail_at; }
    int m_n_fail_at; // 1-based
    ReadOpens m_read_opens;
};

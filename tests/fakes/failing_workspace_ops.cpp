// Workspace file calls that fail on the chosen step (see failing_workspace_ops.h).
#include "tests/fakes/failing_workspace_ops.h"

namespace {

WorkspaceFileOps& Real() {
    return PlatformWorkspaceFileOps();
}

} // namespace

void* FailingWorkspaceOps::OpenWrite(const wchar_t* path) {
    return Fail() ? nullptr : Real().OpenWrite(path);
}

void* FailingWorkspaceOps::OpenRead(const wchar_t* path) {
    if (m_read_opens == ReadOpens::kCanFail && Fail())
        return nullptr;
    return Real().OpenRead(path);
}

size_t FailingWorkspaceOps::Write(void* file, const void* data, size_t count) {
    return Fail() ? count / 2 : Real().Write(file, data, count);
}

size_t FailingWorkspaceOps::Read(void* file, void* data, size_t count) {
    return Real().Read(file, data, count);
}

int64_t FailingWorkspaceOps::Size(void* file) {
    return Real().Size(file);
}

int FailingWorkspaceOps::FlushToDisk(void* file) {
    return Fail() ? 0 : Real().FlushToDisk(file);
}

int FailingWorkspaceOps::Close(void* file) {
    const int closed = Real().Close(file);
    return Fail() ? 0 : closed;
}

int FailingWorkspaceOps::Exists(const wchar_t* path) {
    return Real().Exists(path);
}

int FailingWorkspaceOps::MoveReplace(const wchar_t* from, const wchar_t* to) {
    return Fail() ? 0 : Real().MoveReplace(from, to);
}

int FailingWorkspaceOps::Delete(const wchar_t* path) {
    return Fail() ? 0 : Real().Delete(path);
}

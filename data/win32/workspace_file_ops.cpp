// Workspace file operations on Windows: stdio on wide paths, FlushFileBuffers,
// MoveFileExW and DeleteFileW.
#include "data/workspace.h"

#include <windows.h>

#include <cstdio>
#include <io.h>

namespace {

class Win32WorkspaceFileOps final : public WorkspaceFileOps {
  public:
    void* OpenWrite(const wchar_t* path) override { return _wfopen(path, L"wb"); }
    void* OpenRead(const wchar_t* path) override { return _wfopen(path, L"rb"); }
    size_t Write(void* file, const void* data, size_t count) override {
        return std::fwrite(data, 1, count, static_cast<FILE*>(file));
    }
    size_t Read(void* file, void* data, size_t count) override {
        return std::fread(data, 1, count, static_cast<FILE*>(file));
    }
    int64_t Size(void* file) override {
        HANDLE h = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(static_cast<FILE*>(file))));
        LARGE_INTEGER size;
        return GetFileSizeEx(h, &size) ? static_cast<int64_t>(size.QuadPart) : -1;
    }
    int FlushToDisk(void* file) override {
        FILE* f = static_cast<FILE*>(file);
        if (std::fflush(f) != 0)
            return 0;
        HANDLE h = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(f)));
        return FlushFileBuffers(h) ? 1 : 0;
    }
    int Close(void* file) override { return std::fclose(static_cast<FILE*>(file)) == 0 ? 1 : 0; }
    int Exists(const wchar_t* path) override {
        return GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES ? 1 : 0;
    }
    int MoveReplace(const wchar_t* from, const wchar_t* to) override {
        return MoveFileExW(from, to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) ? 1 : 0;
    }
    int Delete(const wchar_t* path) override { return DeleteFileW(path) ? 1 : 0; }
};

} // namespace

WorkspaceFileOps& PlatformWorkspaceFileOps() {
    static Win32WorkspaceFileOps ops;
    return ops;
}

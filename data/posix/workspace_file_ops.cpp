// Workspace file operations on POSIX: stdio with UTF-8 paths, fsync, rename.
#include "data/workspace.h"

#include "base/utf8.h"

#include <cstdio>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The wide path as UTF-8; empty, so that opening fails, when it has no
// UTF-8 form.
std::string Utf8(const wchar_t* path) {
    std::string out;
    return WideToUtf8(path, &out) ? out : std::string();
}

class PosixWorkspaceFileOps final : public WorkspaceFileOps {
  public:
    void* OpenWrite(const wchar_t* path) override { return std::fopen(Utf8(path).c_str(), "wb"); }
    void* OpenRead(const wchar_t* path) override { return std::fopen(Utf8(path).c_str(), "rb"); }
    size_t Write(void* file, const void* data, size_t count) override {
        return std::fwrite(data, 1, count, static_cast<FILE*>(file));
    }
    size_t Read(void* file, void* data, size_t count) override {
        return std::fread(data, 1, count, static_cast<FILE*>(file));
    }
    int64_t Size(void* file) override {
        struct stat st;
        return fstat(fileno(static_cast<FILE*>(file)), &st) == 0 ? static_cast<int64_t>(st.st_size)
                                                                 : -1;
    }
    int FlushToDisk(void* file) override {
        FILE* f = static_cast<FILE*>(file);
        return std::fflush(f) == 0 && fsync(fileno(f)) == 0 ? 1 : 0;
    }
    int Close(void* file) override { return std::fclose(static_cast<FILE*>(file)) == 0 ? 1 : 0; }
    int Exists(const wchar_t* path) override {
        struct stat st;
        return stat(Utf8(path).c_str(), &st) == 0 ? 1 : 0;
    }
    int MoveReplace(const wchar_t* from, const wchar_t* to) override {
        return std::rename(Utf8(from).c_str(), Utf8(to).c_str()) == 0 ? 1 : 0;
    }
    int Delete(const wchar_t* path) override { return unlink(Utf8(path).c_str()) == 0 ? 1 : 0; }
};

} // namespace

WorkspaceFileOps& PlatformWorkspaceFileOps() {
    static PosixWorkspaceFileOps ops;
    return ops;
}

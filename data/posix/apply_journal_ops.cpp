// File operations of the in-place apply on POSIX. The journal is locked
// (flock) while it is in use, so that another instance opening the file
// meanwhile leaves it alone; its folder is synced once it is created, so the
// journal's name is on the disk before the file is written.
#include "data/apply_journal.h"

#include "base/posix/descriptor.h"
#include "base/utf8.h"

#include <cerrno>
#include <fcntl.h>
#include <string>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool ToUtf8(const wchar_t* path, std::string* out) {
    return path != nullptr && WideToUtf8(path, out) && !out->empty();
}

void SyncFolderOf(const std::string& path) {
    const size_t cut = path.find_last_of('/');
    const std::string folder = cut == std::string::npos ? "."
                               : cut == 0               ? "/"
                                                        : path.substr(0, cut);
    const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        (void)::fsync(dir);
        ::close(dir);
    }
}

// The descriptor locked for this process alone, or -1 (and closed).
int Locked(int fd) {
    if (fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

void* Handle(int fd) {
    return fd >= 0 ? ToHandle(fd) : nullptr;
}

class PosixInPlaceFileOps final : public InPlaceFileOps {
  public:
    void* OpenForUpdate(const wchar_t* path) override {
        std::string name;
        return ToUtf8(path, &name) ? Handle(::open(name.c_str(), O_RDWR | O_CLOEXEC)) : nullptr;
    }

    void* CreateJournal(const wchar_t* path) override {
        std::string name;
        if (!ToUtf8(path, &name))
            return nullptr;
        const int fd = Locked(::open(name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
        if (fd >= 0)
            SyncFolderOf(name);
        return Handle(fd);
    }

    void* OpenJournal(const wchar_t* path) override {
        std::string name;
        return ToUtf8(path, &name) ? Handle(Locked(::open(name.c_str(), O_RDONLY | O_CLOEXEC)))
                                   : nullptr;
    }

    int ReadAt(void* file, int64_t offset, uint8_t* out, size_t length) override {
        while (length > 0) {
            const ssize_t n = ::pread(ToFd(file), out, length, static_cast<off_t>(offset));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                return 0;
            out += n;
            offset += n;
            length -= static_cast<size_t>(n);
        }
        return 1;
    }

    int WriteAt(void* file, int64_t offset, const uint8_t* data, size_t length) override {
        while (length > 0) {
            const ssize_t n = ::pwrite(ToFd(file), data, length, static_cast<off_t>(offset));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                return 0;
            data += n;
            offset += n;
            length -= static_cast<size_t>(n);
        }
        return 1;
    }

    int Flush(void* file) override { return ::fsync(ToFd(file)) == 0 ? 1 : 0; }

    int GetStamp(void* file, FileStamp* stamp) override {
        struct stat st;
        if (::fstat(ToFd(file), &st) != 0)
            return 0;
        stamp->m_n_size = static_cast<int64_t>(st.st_size);
        stamp->m_n_time = static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 +
                          static_cast<int64_t>(st.st_mtim.tv_nsec);
        return 1;
    }

    int SetWriteTime(void* file, int64_t time) override {
        struct timespec times[2];
        times[0].tv_sec = 0;
        times[0].tv_nsec = UTIME_OMIT;
        times[1].tv_sec = static_cast<time_t>(time / 1000000000);
        times[1].tv_nsec = static_cast<long>(time % 1000000000);
        return ::futimens(ToFd(file), times) == 0 ? 1 : 0;
    }

    int Close(void* file) override { return file != nullptr && ::close(ToFd(file)) == 0; }

    int Exists(const wchar_t* path) override {
        std::string name;
        struct stat st;
        return ToUtf8(path, &name) && ::lstat(name.c_str(), &st) == 0;
    }

    int Delete(const wchar_t* path) override {
        std::string name;
        return ToUtf8(path, &name) && ::unlink(name.c_str()) == 0;
    }

    int Rename(const wchar_t* from, const wchar_t* to) override {
        std::string a, b;
        return ToUtf8(from, &a) && ToUtf8(to, &b) && ::rename(a.c_str(), b.c_str()) == 0;
    }
};

} // namespace

InPlaceFileOps& PlatformInPlaceFileOps() {
    static PosixInPlaceFileOps ops;
    return ops;
}

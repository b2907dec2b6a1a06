// File and mapping calls of CFileMapping on POSIX systems: open, fstat and
// mmap of 64 KiB windows. A "mapping" is a duplicate of the file descriptor,
// so it lives on independently of the file handle, as a mapping object does.
#include "data/file_mapping.h"

#include "base/posix/descriptor.h"
#include "base/utf8.h"

#include <cerrno>
#include <cstdint>
#include <fcntl.h>
#include <string>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

class PosixFileMapOps final : public FileMapOps {
  public:
    void* OpenExisting(const wchar_t* path, int writable) override {
        std::string name;
        if (path == nullptr || path[0] == 0 || !WideToUtf8(path, &name))
            return nullptr;
        int fd;
        do {
            fd = ::open(name.c_str(), (writable ? O_RDWR : O_RDONLY) | O_CLOEXEC);
        } while (fd < 0 && errno == EINTR);
        if (fd < 0)
            return nullptr;
        // Only regular files can be mapped; a folder opens read-only here but
        // would fail on Windows, so refuse it the same way.
        struct stat st;
        if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
            ::close(fd);
            return nullptr;
        }
        ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
        return ToHandle(fd);
    }

    int GetSize(void* file, int64_t* size) override {
        struct stat st;
        if (file == nullptr || ::fstat(ToFd(file), &st) != 0)
            return 0;
        *size = static_cast<int64_t>(st.st_size);
        return 1;
    }

    int GetStamp(void* file, FileStamp* stamp) override {
        struct stat st;
        if (file == nullptr || ::fstat(ToFd(file), &st) != 0)
            return 0;
        stamp->m_n_size = static_cast<int64_t>(st.st_size);
        stamp->m_n_time = static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 +
                          static_cast<int64_t>(st.st_mtim.tv_nsec);
        return 1;
    }

    void* CreateMapping(void* file, int writable, int64_t max_size) override {
        if (file == nullptr || max_size < 0)
            return nullptr;
        const int fd = ToFd(file);
        struct stat st;
        if (::fstat(fd, &st) != 0)
            return nullptr;
        if (max_size > st.st_size) {
            if (!writable || ::ftruncate(fd, static_cast<off_t>(max_size)) != 0)
                return nullptr;
        } else if (st.st_size == 0) {
            return nullptr; // nothing to map, as Windows refuses an empty mapping
        }
        const int copy = ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
        return copy < 0 ? nullptr : ToHandle(copy);
    }

    void* MapView(void* mapping, int writable, int64_t offset, size_t length) override {
        if (mapping == nullptr || offset < 0 || length == 0)
            return nullptr;
        const int protection = writable ? (PROT_READ | PROT_WRITE) : PROT_READ;
        void* view = ::mmap(nullptr, length, protection, MAP_SHARED, ToFd(mapping),
                            static_cast<off_t>(offset));
        return view == MAP_FAILED ? nullptr : view;
    }

    int UnmapView(void* view, size_t length) override {
        return view != nullptr && ::munmap(view, length) == 0 ? 1 : 0;
    }

    void CloseMapping(void* mapping) override {
        if (mapping != nullptr)
            ::close(ToFd(mapping));
    }

    void CloseFile(void* file) override {
        if (file != nullptr)
            ::close(ToFd(file));
    }
};

} // namespace

FileMapOps& PlatformFileMapOps() {
    static PosixFileMapOps ops;
    return ops;
}

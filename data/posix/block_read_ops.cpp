// Block reads on POSIX systems: pread on a descriptor of the document's own
// file, so the reads neither move nor depend on anyone's file position.
#include "data/block_reader.h"

#include "base/posix/descriptor.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace {

class PosixBlockReadOps final : public BlockReadOps {
  public:
    void* Open(void* file) override {
        if (file == nullptr)
            return nullptr;
        // A descriptor of its own: closing it never closes the document's.
        const int fd = ::fcntl(ToFd(file), F_DUPFD_CLOEXEC, 0);
        if (fd < 0)
            return nullptr;
        ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
        return ToHandle(fd);
    }

    int64_t Read(void* reader, int64_t offset, uint8_t* buffer, size_t count) override {
        const int fd = ToFd(reader);
        size_t done = 0;
        while (done < count) {
            const ssize_t n =
                ::pread(fd, buffer + done, count - done, static_cast<off_t>(offset + done));
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0)
                return -1;
            if (n == 0)
                break;
            done += static_cast<size_t>(n);
        }
        return static_cast<int64_t>(done);
    }

    void Close(void* reader) override { ::close(ToFd(reader)); }
};

} // namespace

BlockReadOps& PlatformBlockReadOps() {
    static PosixBlockReadOps ops;
    return ops;
}

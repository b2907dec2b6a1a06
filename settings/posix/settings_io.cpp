// Settings file access on POSIX: the wide path as UTF-8, replacement by a
// flushed temporary file renamed over the target.
#include "settings/settings_io.h"

#include "base/utf8.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The wide path as UTF-8; empty, so that opening fails, when it has no
// UTF-8 form.
std::string NarrowPath(const wchar_t* path) {
    std::string out;
    return WideToUtf8(path, &out) ? out : std::string();
}

class Descriptor {
  public:
    explicit Descriptor(int fd) : m_n_fd(fd) {}
    ~Descriptor() {
        if (m_n_fd >= 0) {
            close(m_n_fd);
        }
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int Get() const { return m_n_fd; }
    int Close() {
        const int result = close(m_n_fd);
        m_n_fd = -1;
        return result;
    }

  private:
    int m_n_fd;
};

} // namespace

SettingsFileState ReadSettingsBytes(const wchar_t* path, std::string* bytes) {
    bytes->clear();
    Descriptor fd(open(NarrowPath(path).c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.Get() < 0) {
        return errno == ENOENT || errno == ENOTDIR ? SettingsFileState::kMissing
                                                   : SettingsFileState::kUnreadable;
    }
    char buffer[4096];
    for (;;) {
        const ssize_t got = read(fd.Get(), buffer, sizeof(buffer));
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            bytes->clear();
            return SettingsFileState::kUnreadable;
        }
        if (got == 0) {
            return SettingsFileState::kRead;
        }
        bytes->append(buffer, static_cast<size_t>(got));
    }
}

int ReplaceSettingsBytes(const wchar_t* path, const std::string& bytes) {
    const std::string target = NarrowPath(path);
    if (target.empty()) {
        return 0;
    }
    // A rename would replace a file that allows no writing (as the Windows
    // half refuses a read-only one); such a file counts as unwritable.
    struct stat st = {};
    if (stat(target.c_str(), &st) == 0 && (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) {
        return 0;
    }
    const std::string temp = target + ".tmp" + std::to_string(getpid());
    {
        Descriptor fd(open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
        if (fd.Get() < 0) {
            return 0;
        }
        size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t put = write(fd.Get(), bytes.data() + done, bytes.size() - done);
            if (put <= 0) {
                unlink(temp.c_str());
                return 0;
            }
            done += static_cast<size_t>(put);
        }
        if (fsync(fd.Get()) != 0 || fd.Close() != 0) {
            unlink(temp.c_str());
            return 0;
        }
    }
    if (std::rename(temp.c_str(), target.c_str()) != 0) {
        unlink(temp.c_str());
        return 0;
    }
    return 1;
}

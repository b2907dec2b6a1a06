// File operations of the save on POSIX systems. The output views are the
// save window's blocks, written with pwrite by its writer thread, directly to the
// disk where the file system allows it: a full disk or an I/O error then
// comes back as an error instead of a SIGBUS on a mapped page.
#include "data/save_file.h"
#include "data/save_window.h"

#include "base/posix/descriptor.h"
#include "base/utf8.h"

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The wide path as the UTF-8 the file system takes; false for no path.
bool ToUtf8(const wchar_t* path, std::string* out) {
    return WideToUtf8(path, out) && !out->empty();
}

std::string FolderOf(const std::string& path) {
    const size_t cut = path.find_last_of('/');
    if (cut == std::string::npos)
        return ".";
    return cut == 0 ? "/" : path.substr(0, cut);
}

void FillIdentity(const struct stat& st, FileIdentity* id) {
    id->m_n_volume = static_cast<uint64_t>(st.st_dev);
    id->m_n_index_high = 0;
    id->m_n_index_low = static_cast<uint64_t>(st.st_ino);
}

// Writes one block of the save at offset, whole sectors at a time for the
// direct writes (the last block is padded, and the file then cut back to
// its size). The file grows as its blocks are appended: sizing it first would
// leave a hole that each write then fills, which file systems such as ext4 do
// at well under half the speed of an append.
int WriteBlock(void* file, int64_t file_size, int64_t offset, uint8_t* data, size_t length) {
    const int fd = ToFd(file);
    const size_t padded = PadToSectors(data, length);
    size_t done = 0;
    while (done < padded) {
        const ssize_t n = ::pwrite(fd, data + done, padded - done,
                                   static_cast<off_t>(offset + static_cast<int64_t>(done)));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return 0;
        done += static_cast<size_t>(n);
    }
    if (padded != length && ::ftruncate(fd, static_cast<off_t>(file_size)) != 0)
        return 0;
    return 1;
}

class PosixSaveFileOps final : public SaveWindowOps {
  public:
    PosixSaveFileOps() : SaveWindowOps(WriteBlock) {}

    int IdentifyPath(const wchar_t* path, FileIdentity* id) override {
        std::string name;
        struct stat st;
        if (path == nullptr || !ToUtf8(path, &name) || ::stat(name.c_str(), &st) != 0)
            return 0;
        FillIdentity(st, id);
        return 1;
    }

    int IdentifyFile(void* file, FileIdentity* id) override {
        struct stat st;
        if (file == nullptr || ::fstat(ToFd(file), &st) != 0)
            return 0;
        FillIdentity(st, id);
        return 1;
    }

    void* CreateTemp(const wchar_t* target, std::wstring* temp_path) override {
        std::string name;
        if (target == nullptr || !ToUtf8(target, &name))
            return nullptr;
        const std::string folder = FolderOf(name);
        struct stat target_st;
        const bool target_exists = ::stat(name.c_str(), &target_st) == 0;
        static std::atomic<unsigned> counter{0};
        for (int attempt = 0; attempt < 100; ++attempt) {
            const std::string leaf = ".pelmora-" + std::to_string(::getpid()) + "-" +
                                     std::to_string(counter.fetch_add(1)) + ".tmp";
            const std::string temp = folder + "/" + leaf;
            // Written directly, past the page cache: the data then reaches
            // the disk once, at its speed, instead of being copied into the
            // cache and written out again by the flush. File systems that
            // refuse it (tmpfs) get ordinary writes.
            int fd = ::open(temp.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_DIRECT, 0666);
            if (fd < 0 && errno == EINVAL)
                fd = ::open(temp.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
            if (fd < 0) {
                if (errno == EEXIST || errno == EINTR)
                    continue;
                return nullptr;
            }
            // The replacement keeps the permissions of the file it replaces.
            if (target_exists && S_ISREG(target_st.st_mode))
                (void)::fchmod(fd, target_st.st_mode & 07777);
            // The file name is ASCII apart from the folder, which came from target.
            std::wstring wide(target);
            const size_t cut = wide.find_last_of(L'/');
            wide = (cut == std::wstring::npos ? std::wstring(L".") : wide.substr(0, cut)) + L"/" +
                   std::wstring(leaf.begin(), leaf.end());
            if (cut == 0)
                wide = L"/" + std::wstring(leaf.begin(), leaf.end());
            *temp_path = wide;
            return ToHandle(fd);
        }
        return nullptr;
    }

    int FlushFile(void* file) override { return file != nullptr && ::fsync(ToFd(file)) == 0; }

    int CloseFile(void* file) override { return file != nullptr && ::close(ToFd(file)) == 0; }

    int ReplaceTarget(const wchar_t* temp_path, const wchar_t* target) override {
        std::string from, to;
        if (!ToUtf8(temp_path, &from) || !ToUtf8(target, &to))
            return 0;
        if (::rename(from.c_str(), to.c_str()) != 0)
            return 0;
        // The new name reaches the disk with the folder. Some file systems
        // refuse to sync a folder; the data itself is already synced, so the
        // save stands either way.
        const int folder = ::open(FolderOf(to).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (folder >= 0) {
            (void)::fsync(folder);
            ::close(folder);
        }
        return 1;
    }

    int DeletePath(const wchar_t* path) override {
        std::string name;
        return ToUtf8(path, &name) && ::unlink(name.c_str()) == 0;
    }
};

} // namespace

SaveFileOps& PlatformSaveFileOps() {
    static PosixSaveFileOps ops;
    return ops;
}

// Apply's replacement on POSIX: the new file takes the old one's permissions
// and is renamed over it, then the folder is synced.
#include "data/apply_file.h"

#include "base/utf8.h"

#include <fcntl.h>
#include <string>
#include <system_error>
#include <thread>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool ToUtf8(const wchar_t* path, std::string* out) {
    return WideToUtf8(path, out) && !out->empty();
}

} // namespace

int PlatformIsReadOnly(const wchar_t* path) {
    std::string name;
    return ToUtf8(path, &name) && ::access(name.c_str(), W_OK) != 0 ? 1 : 0;
}

int PlatformReplaceKeeping(const wchar_t* target, const wchar_t* replacement) {
    std::string to, from;
    struct stat old = {};
    if (!ToUtf8(target, &to) || !ToUtf8(replacement, &from) || ::stat(to.c_str(), &old) != 0)
        return 0;
    if (::chmod(from.c_str(), old.st_mode & 07777) != 0)
        return 0;
    // The old file goes with its last descriptor, and with it every page of
    // it still cached, which takes a good part of a second for a file of a
    // GiB: held here across the rename, that last descriptor is closed off
    // this thread.
    const int held = ::open(to.c_str(), O_RDONLY | O_CLOEXEC);
    const int renamed = ::rename(from.c_str(), to.c_str()) == 0;
    if (held >= 0) {
        try {
            std::thread([held] { ::close(held); }).detach();
        } catch (const std::system_error&) {
            ::close(held);
        }
    }
    if (!renamed)
        return 0;
    const size_t cut = to.find_last_of('/');
    const std::string folder = cut == std::string::npos ? "." : cut == 0 ? "/" : to.substr(0, cut);
    const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        (void)::fsync(dir);
        ::close(dir);
    }
    return 1;
}

// The recovery folder and its calls on POSIX: $XDG_STATE_HOME/pelmora/recovery
// (or ~/.local/state/pelmora/recovery), stat times and device and inode,
// kill(pid, 0) and process start times from /proc.
#include "data/recovery.h"

#include "base/utf8.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <dirent.h>
#include <fstream>
#include <signal.h>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Seconds between 1601-01-01 and 1970-01-01.
constexpr int64_t kEpochGapSeconds = 11644473600LL;

int64_t Ticks(const struct timespec& t) {
    return (static_cast<int64_t>(t.tv_sec) + kEpochGapSeconds) * 10000000LL + t.tv_nsec / 100;
}

std::string Narrow(const wchar_t* path) {
    std::string out;
    return WideToUtf8(path, &out) ? out : std::string();
}

// Names from the environment and the folder, as UTF-8; one that is not
// (empty result) is not used.
std::wstring Widen(const std::string& text) {
    std::wstring out;
    return Utf8ToWide(text, &out) ? out : std::wstring();
}

bool MakeFolders(const std::string& path) {
    for (size_t at = 1; at <= path.size(); ++at) {
        if (at == path.size() || path[at] == '/') {
            const std::string part = path.substr(0, at);
            if (mkdir(part.c_str(), 0700) != 0 && errno != EEXIST)
                return false;
        }
    }
    return true;
}

// The start time of a process in clock ticks since boot (field 22 of
// /proc/<pid>/stat, after the parenthesised name); 0 when not readable.
int64_t StartTime(const std::string& stat_path) {
    std::ifstream in(stat_path);
    std::string text;
    if (!std::getline(in, text))
        return 0;
    const size_t close = text.rfind(')');
    if (close == std::string::npos)
        return 0;
    std::istringstream fields(text.substr(close + 1));
    std::string field;
    for (int n = 3; n <= 22 && fields >> field; ++n)
        if (n == 22)
            return std::strtoll(field.c_str(), nullptr, 10);
    return 0;
}

class PosixRecoveryPlatform final : public RecoveryPlatform {
  public:
    std::wstring Folder() override {
        std::string base;
        if (const char* state = std::getenv("XDG_STATE_HOME"); state != nullptr && state[0] == '/')
            base = state;
        else if (const char* home = std::getenv("HOME"); home != nullptr && home[0] == '/')
            base = std::string(home) + "/.local/state";
        else
            return std::wstring();
        const std::string folder = base + "/pelmora/recovery";
        if (!MakeFolders(folder))
            return std::wstring();
        const std::wstring wide = Widen(folder);
        return wide.empty() ? wide : wide + L"/";
    }
    int List(const wchar_t* folder, std::vector<std::wstring>* names) override {
        DIR* dir = opendir(Narrow(folder).c_str());
        if (dir == nullptr)
            return 0;
        while (const dirent* entry = readdir(dir)) {
            const std::wstring name = Widen(entry->d_name);
            if (!name.empty() && name != L"." && name != L"..")
                names->push_back(name);
        }
        closedir(dir);
        return 1;
    }
    int Stamp(const wchar_t* path, int64_t* size, int64_t* time) override {
        struct stat st;
        if (stat(Narrow(path).c_str(), &st) != 0)
            return 0;
        *size = static_cast<int64_t>(st.st_size);
        *time = Ticks(st.st_mtim);
        return 1;
    }
    int64_t Now() override {
        struct timespec now;
        clock_gettime(CLOCK_REALTIME, &now);
        return Ticks(now);
    }
    int ProcessRuns(uint32_t process_id, const wchar_t*) override {
        if (process_id == 0)
            return 0;
        return kill(static_cast<pid_t>(process_id), 0) == 0 || errno == EPERM ? 1 : 0;
    }
    void Self(uint32_t* process_id, int64_t* start) override {
        *process_id = static_cast<uint32_t>(getpid());
        *start = StartTime("/proc/self/stat");
    }
    int InstanceRuns(uint32_t process_id, int64_t start) override {
        if (!ProcessRuns(process_id, nullptr))
            return 0;
        // Without /proc the ID alone has to do.
        const int64_t now = StartTime("/proc/" + std::to_string(process_id) + "/stat");
        return now == 0 || start == 0 || now == start ? 1 : 0;
    }
    int FileKey(const wchar_t* path, std::wstring* key) override {
        struct stat st;
        if (stat(Narrow(path).c_str(), &st) != 0)
            return 0;
        wchar_t text[48];
        std::swprintf(text, 48, L"%llX-%llX", static_cast<unsigned long long>(st.st_dev),
                      static_cast<unsigned long long>(st.st_ino));
        *key = text;
        return 1;
    }
};

} // namespace

RecoveryPlatform& PlatformRecovery() {
    static PosixRecoveryPlatform platform;
    return platform;
}

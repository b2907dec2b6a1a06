// Process operations on Win32: Tool Help snapshots, process handles opened for
// querying and reading, PSAPI module paths, shell icons and region queries.
#include "data/proc_info.h"

#include <windows.h>

#include <psapi.h>
#include <shellapi.h>
#include <tlhelp32.h>

namespace {

// PROCESS_QUERY_INFORMATION | PROCESS_VM_READ
constexpr DWORD kReadAccess = 0x410;

class SnapshotHandle {
  public:
    explicit SnapshotHandle(HANDLE handle) : m_h_snapshot(handle) {}
    ~SnapshotHandle() {
        if (m_h_snapshot != INVALID_HANDLE_VALUE)
            CloseHandle(m_h_snapshot);
    }
    SnapshotHandle(const SnapshotHandle&) = delete;
    SnapshotHandle& operator=(const SnapshotHandle&) = delete;
    HANDLE get() const { return m_h_snapshot; }

  private:
    HANDLE m_h_snapshot;
};

class Win32ProcessOps final : public ProcessOps {
  public:
    int EnumerateProcesses(void (*visit)(void*, const SnapshotEntry&), void* context) override {
        SnapshotHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
        if (snapshot.get() == INVALID_HANDLE_VALUE)
            return 0;
        PROCESSENTRY32W entry = {};
        entry.dwSize = sizeof(entry);
        if (!Process32FirstW(snapshot.get(), &entry))
            return 0;
        do {
            SnapshotEntry visited = {entry.th32ProcessID, entry.szExeFile};
            visit(context, visited);
            entry.dwSize = sizeof(entry);
        } while (Process32NextW(snapshot.get(), &entry));
        return 1;
    }

    void* OpenForRead(uint32_t process_id) override {
        return OpenProcess(kReadAccess, TRUE, process_id);
    }

    size_t ModulePath(void* process, wchar_t* buffer, size_t capacity) override {
        if (capacity == 0 || capacity > MAXDWORD)
            return 0;
        DWORD length = GetModuleFileNameExW(static_cast<HANDLE>(process), nullptr, buffer,
                                            static_cast<DWORD>(capacity));
        if (length == 0)
            return 0;
        // A truncated name comes back cut to capacity - 1 characters (or reported
        // as capacity); both mean the buffer was too small.
        if (length + 1 >= capacity)
            return capacity;
        return length;
    }

    void* SmallIcon(const wchar_t* path) override {
        SHFILEINFOW info = {};
        if (!SHGetFileInfoW(path, 0, &info, sizeof(info), SHGFI_ICON | SHGFI_SMALLICON))
            return nullptr;
        return info.hIcon;
    }

    void DestroyIcon(void* icon) override { ::DestroyIcon(static_cast<HICON>(icon)); }

    void CloseProcess(void* process) override { CloseHandle(static_cast<HANDLE>(process)); }

    int QueryRegion(void* process, ProcAddress address, MemoryRegion* region) override {
        MEMORY_BASIC_INFORMATION info = {};
        if (VirtualQueryEx(static_cast<HANDLE>(process), reinterpret_cast<LPCVOID>(address), &info,
                           sizeof(info)) != sizeof(info))
            return 0;
        region->base = reinterpret_cast<ProcAddress>(info.BaseAddress);
        region->size = info.RegionSize;
        region->committed = info.State == MEM_COMMIT;
        region->readable =
            region->committed && (info.Protect & (PAGE_NOACCESS | PAGE_GUARD)) == 0 ? 1 : 0;
        return 1;
    }

    size_t ReadMemory(void* process, ProcAddress address, void* buffer, size_t count) override {
        SIZE_T read = 0;
        if (!ReadProcessMemory(static_cast<HANDLE>(process), reinterpret_cast<LPCVOID>(address),
                               buffer, count, &read))
            return 0;
        return read;
    }
};

} // namespace

ProcessOps& PlatformProcessOps() {
    static Win32ProcessOps ops;
    return ops;
}

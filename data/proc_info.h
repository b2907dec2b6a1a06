// CProcInfo: the list of readable processes and the source over the committed
// memory of the one opened. Reads go through a 1024-byte block.
#pragma once

#include "data/source.h"

#include <cstddef>
#include <cstdint>

class CDataPlane;

// Target addresses have the build's own width: 32 bits in the i686 build, 64 in x86_64.
using ProcAddress = uintptr_t;

struct ProcessEntry {
    wchar_t* m_sz_path; // main module path, empty text when unknown
    void* m_h_process;  // owned process handle
    void* m_h_icon;     // owned small icon, or null
    uint32_t m_n_process_id;
};

struct MemoryRegion {
    ProcAddress base;
    uint64_t size;
    int committed;
    int readable; // committed and neither no-access nor guard pages
};

// The platform's process calls, behind one seam (a scripted fake in tests).
class ProcessOps {
  public:
    virtual ~ProcessOps() = default;
    struct SnapshotEntry {
        uint32_t process_id;
        const wchar_t* exe_name;
    };
    // Calls visit for every process of a snapshot; 0 when no snapshot or no first entry.
    virtual int EnumerateProcesses(void (*visit)(void* context, const SnapshotEntry& entry),
                                   void* context) = 0;
    virtual void* OpenForRead(uint32_t process_id) = 0; // null on failure
    // Main module path into buffer of capacity characters; returns the copied
    // length (capacity or more means truncated), 0 on failure.
    virtual size_t ModulePath(void* process, wchar_t* buffer, size_t capacity) = 0;
    virtual void* SmallIcon(const wchar_t* path) = 0;
    virtual void DestroyIcon(void* icon) = 0;
    virtual void CloseProcess(void* process) = 0;
    virtual int QueryRegion(void* process, ProcAddress address, MemoryRegion* region) = 0;
    virtual size_t ReadMemory(void* process, ProcAddress address, void* buffer, size_t count) = 0;
};

ProcessOps& PlatformProcessOps();

class CProcInfo : public CSrclibrary {
  public:
    static constexpr size_t kReadBlock = 1024;
    explicit CProcInfo(ProcessOps& ops = PlatformProcessOps());
    CProcInfo(const CProcInfo&) = delete;
    CProcInfo& operator=(const CProcInfo&) = delete;
    ~CProcInfo() override;

    // Lists the readable processes afresh: the previous list is released first,
    // except the entry of the opened process, which keeps its place (or goes to
    // the end when the snapshot no longer shows it) so an open document stays
    // readable. 1, or 0 when no snapshot or no first entry could be taken.
    int ListProcesses();
    // Appends an entry for one snapshot process when it can be opened for reading.
    int AddProcess(uint32_t process_id, const wchar_t* exe_name);
    // Makes entry index the source and appends one source piece per committed
    // region to plane, in ascending address order; 0 after showing a message.
    // The walk covers the target's whole address space: it ends where the
    // region query fails, whatever this program's own top address is.
    int OpenProcessAt(int64_t index, CDataPlane* plane);
    const uint8_t* GetData(int64_t offset) override;
    void ReleaseProcesses();

    ProcessEntry* m_p_processes = nullptr; // owned, m_n_process_count entries
    int64_t m_n_process_count = 0;
    void* m_h_open_process = nullptr; // borrowed from one of the entries, or null
    uint8_t* m_p_read_buffer = nullptr;
    uint32_t m_n_read_count = 0; // block holds [m_n_read_address, +count), count <= 1024
    ProcAddress m_n_read_address = 0;
    uint64_t m_n_total_size = 0;
    const wchar_t* m_sz_process_path = nullptr; // borrowed from the opened entry
    ProcessOps* m_p_ops;

  private:
    struct ListingContext;
    static void VisitSnapshotEntry(void* context, const ProcessOps::SnapshotEntry& entry);
    int AppendEntry(const ProcessEntry& entry);
    static void ReleaseEntry(ProcessOps& ops, ProcessEntry& entry);
};

// CProcInfo: the process list, the region walk that lays committed memory into
// the overlay, and the 1024-byte read block behind GetData.
#include "data/proc_info.h"

#include "base/messages.h"
#include "data/data_plane.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>

namespace {

// Module paths are asked for in steps of this many characters.
constexpr size_t kPathStep = 260;
// Longest path the platform can return; a seam that keeps reporting truncation
// beyond it is treated as having no path.
constexpr size_t kPathLimit = 32768;

wchar_t* EmptyText() {
    auto* text = static_cast<wchar_t*>(std::malloc(sizeof(wchar_t)));
    if (text != nullptr)
        text[0] = L'\0';
    return text;
}

// The main module path of an open process, trimmed to its length; an empty text
// when it cannot be read; null only when memory runs out.
wchar_t* ReadModulePath(ProcessOps& ops, void* process) {
    size_t capacity = kPathStep;
    wchar_t* buffer = nullptr;
    for (;;) {
        auto* grown = static_cast<wchar_t*>(std::realloc(buffer, capacity * sizeof(wchar_t)));
        if (grown == nullptr) {
            std::free(buffer);
            return nullptr;
        }
        buffer = grown;
        size_t length = ops.ModulePath(process, buffer, capacity);
        if (length == 0)
            break;
        if (length < capacity) {
            buffer[length] = L'\0';
            auto* trimmed =
                static_cast<wchar_t*>(std::realloc(buffer, (length + 1) * sizeof(wchar_t)));
            return trimmed != nullptr ? trimmed : buffer;
        }
        if (capacity >= kPathLimit)
            break;
        capacity += kPathStep;
    }
    std::free(buffer);
    return EmptyText();
}

} // namespace

struct CProcInfo::ListingContext {
    CProcInfo* info;
    ProcessEntry kept; // the opened process's entry carried over from the old list
    bool has_kept;
    bool placed;
};

void CProcInfo::VisitSnapshotEntry(void* context, const ProcessOps::SnapshotEntry& entry) {
    auto* listing = static_cast<ListingContext*>(context);
    if (listing->has_kept && !listing->placed && entry.process_id == listing->kept.m_n_process_id) {
        if (listing->info->AppendEntry(listing->kept))
            listing->placed = true;
        return;
    }
    listing->info->AddProcess(entry.process_id, entry.exe_name);
}

CProcInfo::CProcInfo(ProcessOps& ops) : m_p_ops(&ops) {
    m_p_read_buffer = new (std::nothrow) uint8_t[kReadBlock];
}

CProcInfo::~CProcInfo() {
    ReleaseProcesses();
    delete[] m_p_read_buffer;
    m_p_read_buffer = nullptr;
    m_n_read_count = 0;
    m_n_read_address = 0;
    m_n_total_size = 0;
    m_sz_process_path = nullptr;
}

void CProcInfo::ReleaseEntry(ProcessOps& ops, ProcessEntry& entry) {
    std::free(entry.m_sz_path);
    entry.m_sz_path = nullptr;
    if (entry.m_h_process != nullptr)
        ops.CloseProcess(entry.m_h_process);
    entry.m_h_process = nullptr;
    if (entry.m_h_icon != nullptr)
        ops.DestroyIcon(entry.m_h_icon);
    entry.m_h_icon = nullptr;
}

int CProcInfo::AppendEntry(const ProcessEntry& entry) {
    if (m_n_process_count >= std::numeric_limits<int32_t>::max())
        return 0;
    size_t count = static_cast<size_t>(m_n_process_count);
    auto* grown =
        static_cast<ProcessEntry*>(std::realloc(m_p_processes, (count + 1) * sizeof(ProcessEntry)));
    if (grown == nullptr)
        return 0;
    m_p_processes = grown;
    m_p_processes[count] = entry;
    ++m_n_process_count;
    return 1;
}

int CProcInfo::AddProcess(uint32_t process_id, const wchar_t* exe_name) {
    ProcessEntry entry = {};
    entry.m_n_process_id = process_id;
    entry.m_h_process = m_p_ops->OpenForRead(process_id);
    if (entry.m_h_process == nullptr) {
        DebugTrace(L"Could not open process \"%s\"\n", exe_name != nullptr ? exe_name : L"");
        return 0;
    }
    entry.m_sz_path = ReadModulePath(*m_p_ops, entry.m_h_process);
    if (entry.m_sz_path == nullptr) {
        ReleaseEntry(*m_p_ops, entry);
        return 0;
    }
    if (entry.m_sz_path[0] != L'\0')
        entry.m_h_icon = m_p_ops->SmallIcon(entry.m_sz_path);
    if (!AppendEntry(entry)) {
        ReleaseEntry(*m_p_ops, entry);
        return 0;
    }
    return 1;
}

int CProcInfo::ListProcesses() {
    ListingContext listing = {this, {}, false, false};
    // Detach the old list; the opened process's entry survives so that the
    // document showing it stays readable while the list is rebuilt.
    ProcessEntry* old_entries = m_p_processes;
    int64_t old_count = m_n_process_count;
    m_p_processes = nullptr;
    m_n_process_count = 0;
    for (int64_t i = 0; i < old_count; ++i) {
        if (m_h_open_process != nullptr && !listing.has_kept &&
            old_entries[i].m_h_process == m_h_open_process) {
            listing.kept = old_entries[i];
            listing.has_kept = true;
            continue;
        }
        ReleaseEntry(*m_p_ops, old_entries[i]);
    }
    std::free(old_entries);

    int listed = m_p_ops->EnumerateProcesses(&VisitSnapshotEntry, &listing);
    if (listing.has_kept && !listing.placed && !AppendEntry(listing.kept)) {
        // No room to keep it: the document loses its source rather than a handle leaking.
        ReleaseEntry(*m_p_ops, listing.kept);
        m_h_open_process = nullptr;
        m_sz_process_path = nullptr;
        m_n_read_count = 0;
    }
    return listed ? 1 : 0;
}

int CProcInfo::OpenProcessAt(int64_t index, CDataPlane* plane) {
    if (index < 0 || index >= m_n_process_count) {
        ShowMessage(L"Could not open process %s\n", L"");
        return 0;
    }
    ProcessEntry& entry = m_p_processes[index];
    if (entry.m_h_process == nullptr || plane == nullptr) {
        ShowMessage(L"Could not open process %s\n", entry.m_sz_path);
        return 0;
    }
    m_h_open_process = entry.m_h_process;
    m_sz_process_path = entry.m_sz_path;
    m_n_total_size = 0;
    m_n_read_count = 0;

    // The target's own top is not known (a large-address-aware 32-bit target
    // reaches past 2 GiB): the walk goes on until the query fails, to the end
    // of the address width at most, and never past the signed 64-bit offsets
    // of the pieces.
    uint64_t top = std::numeric_limits<ProcAddress>::max();
    if (top > static_cast<uint64_t>(std::numeric_limits<int64_t>::max() - 1))
        top = static_cast<uint64_t>(std::numeric_limits<int64_t>::max() - 1);
    uint64_t address = 0;
    while (address <= top) {
        MemoryRegion region = {};
        if (!m_p_ops->QueryRegion(m_h_open_process, static_cast<ProcAddress>(address), &region))
            break;
        // The part of the region from the current address on. A region that does
        // not reach past the address (zero size, a confused query) would stall the
        // walk, and one that runs past the top is cut there.
        uint64_t base = region.base;
        if (region.size == 0 || base > address)
            break;
        uint64_t last = region.size - 1 > std::numeric_limits<uint64_t>::max() - base
                            ? std::numeric_limits<uint64_t>::max()
                            : base + (region.size - 1);
        if (last < address)
            break;
        if (last > top)
            last = top;
        uint64_t length = last - address + 1;
        if (region.committed) {
            if (plane->AppendPiece(PIECE_SOURCE, static_cast<int64_t>(address),
                                   static_cast<int64_t>(last), static_cast<int64_t>(length),
                                   nullptr) == nullptr) {
                m_h_open_process = nullptr;
                m_sz_process_path = nullptr;
                m_n_total_size = 0;
                ShowMessage(L"Could not open process %s\n", entry.m_sz_path);
                return 0;
            }
            m_n_total_size += length;
        }
        if (last >= top)
            break;
        address = last + 1;
    }
    return 1;
}

const uint8_t* CProcInfo::GetData(int64_t offset) {
    if (m_h_open_process == nullptr || m_p_read_buffer == nullptr || offset < 0 ||
        static_cast<uint64_t>(offset) > std::numeric_limits<ProcAddress>::max())
        return nullptr;
    auto address = static_cast<ProcAddress>(offset);
    // Asked on every call: a page released since the block was read yields null.
    // No-access and guard pages are never read: the read would fail on Windows
    // (Wine would return their bytes), and touching a guard page could disturb
    // the target's stack growth.
    MemoryRegion region = {};
    if (!m_p_ops->QueryRegion(m_h_open_process, address, &region) || !region.committed ||
        !region.readable)
        return nullptr;
    if (address >= m_n_read_address && address - m_n_read_address < m_n_read_count)
        return m_p_read_buffer + (address - m_n_read_address);

    m_n_read_count = 0;
    if (region.base > address || address - region.base >= region.size)
        return nullptr;
    uint64_t left = region.size - (address - region.base);
    auto count = static_cast<size_t>(left < kReadBlock ? left : kReadBlock);
    size_t read = m_p_ops->ReadMemory(m_h_open_process, address, m_p_read_buffer, count);
    if (read == 0 || read > count)
        return nullptr;
    m_n_read_count = static_cast<uint32_t>(read);
    m_n_read_address = address;
    return m_p_read_buffer;
}

void CProcInfo::ReleaseProcesses() {
    for (int64_t i = 0; i < m_n_process_count; ++i)
        ReleaseEntry(*m_p_ops, m_p_processes[i]);
    std::free(m_p_processes);
    m_p_processes = nullptr;
    m_n_process_count = 0;
    m_h_open_process = nullptr;
    // The path belonged to a released entry.
    m_sz_process_path = nullptr;
    m_n_read_count = 0;
}

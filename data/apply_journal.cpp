// The in-place apply and its rollback (see apply_journal.h).
//
// The journal, little-endian:
//   header  "PELJRNL1", u32 version (1), u32 0, i64 file size, i64 the file's
//           last-write time, i64 run count, i64 the journal's own length
//   runs    i64 offset, i64 length, the old bytes, the new bytes
//   trailer u32 CRC-32 of everything before it, "END!"
// The new bytes let a rollback check that the file is still the one the
// journal was written for: every byte of every run must be old or new.
#include "data/apply_journal.h"

#include "base/format_text.h"
#include "base/messages.h"
#include "data/data_plane.h"

#include <algorithm>
#include <array>
#include <cstring>

const wchar_t kRolledBackText[] = L"The changes being applied to %s when Pelmora stopped were "
                                  L"rolled back; the file is as it was before.";

namespace {

const wchar_t kKeptAsideText[] =
    L"Pelmora found the journal of changes being applied to %s when it stopped, but did not use "
    L"it: it is damaged, or the file has changed since. Nothing was rolled back; the journal was "
    L"kept as %s.\n";
const wchar_t kKeptFailedText[] =
    L"The changes being applied to %s when Pelmora stopped could not be rolled back: the file "
    L"cannot be written now. Its journal %s was kept; the file is put back as it was when it "
    L"is next opened and can be written.\n";

constexpr char kMagic[8] = {'P', 'E', 'L', 'J', 'R', 'N', 'L', '1'};
constexpr char kEnd[4] = {'E', 'N', 'D', '!'};
constexpr uint32_t kVersion = 1;
constexpr int64_t kHeaderSize = 48;
constexpr int64_t kRunHeaderSize = 16;
constexpr int64_t kTrailerSize = 8;
// Longest run: a write of this size costs little next to its call, and a
// rollback needs two buffers of it.
constexpr int64_t kRunMax = int64_t{1} << 20;
constexpr size_t kBufferSize = size_t{1} << 20;

// CRC-32 (the polynomial of zip and PNG), a table made at compile time.
constexpr std::array<uint32_t, 256> MakeCrcTable() {
    std::array<uint32_t, 256> table = {};
    for (uint32_t n = 0; n < 256; ++n) {
        uint32_t c = n;
        for (int k = 0; k < 8; ++k)
            c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        table[n] = c;
    }
    return table;
}
constexpr std::array<uint32_t, 256> kCrcTable = MakeCrcTable();

uint32_t AddCrc(uint32_t crc, const uint8_t* data, size_t length) {
    crc = ~crc;
    for (size_t i = 0; i < length; ++i)
        crc = kCrcTable[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
    return ~crc;
}

void PutLe(uint8_t* out, uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i)
        out[i] = static_cast<uint8_t>(value >> (8 * i));
}

uint64_t GetLe(const uint8_t* in, int bytes) {
    uint64_t value = 0;
    for (int i = bytes - 1; i >= 0; --i)
        value = (value << 8) | in[i];
    return value;
}

struct Run {
    int64_t m_n_offset;
    int64_t m_n_length;
};

// The changes cut into runs of adjacent bytes no longer than kRunMax.
std::vector<Run> MakeRuns(const std::vector<InPlaceChange>& changes) {
    std::vector<Run> runs;
    for (const InPlaceChange& change : changes) {
        int64_t at = change.m_n_offset;
        int64_t rest = change.m_n_length;
        while (rest > 0) {
            if (!runs.empty() && runs.back().m_n_offset + runs.back().m_n_length == at &&
                runs.back().m_n_length < kRunMax) {
                const int64_t n = std::min(rest, kRunMax - runs.back().m_n_length);
                runs.back().m_n_length += n;
                at += n;
                rest -= n;
                continue;
            }
            const int64_t n = std::min(rest, kRunMax);
            runs.push_back({at, n});
            at += n;
            rest -= n;
        }
    }
    return runs;
}

// Copies the new bytes of a run out of the changes, walking them front to
// back as the runs are taken in order.
class NewBytes {
  public:
    explicit NewBytes(const std::vector<InPlaceChange>& changes) : m_changes(changes) {}
    void Rewind() { m_n_index = 0; }
    void Copy(const Run& run, uint8_t* out) {
        int64_t at = run.m_n_offset;
        int64_t rest = run.m_n_length;
        while (rest > 0) {
            const InPlaceChange& change = m_changes[m_n_index];
            const int64_t end = change.m_n_offset + change.m_n_length;
            if (at >= end) {
                ++m_n_index;
                continue;
            }
            const int64_t n = std::min(rest, end - at);
            std::memcpy(out, change.m_p_bytes + (at - change.m_n_offset), static_cast<size_t>(n));
            out += n;
            at += n;
            rest -= n;
        }
    }

  private:
    const std::vector<InPlaceChange>& m_changes;
    size_t m_n_index = 0;
};

// The journal written front to back through a buffer, its CRC kept as it goes.
class JournalWriter {
  public:
    JournalWriter(InPlaceFileOps& ops, void* file) : m_ops(ops), m_h_file(file) {
        m_buffer.reserve(kBufferSize);
    }
    int Put(const uint8_t* data, size_t length) {
        m_n_crc = AddCrc(m_n_crc, data, length);
        while (length > 0) {
            const size_t n = std::min(length, kBufferSize - m_buffer.size());
            m_buffer.insert(m_buffer.end(), data, data + n);
            data += n;
            length -= n;
            if (m_buffer.size() == kBufferSize && !Drain())
                return 0;
        }
        return 1;
    }
    // The trailer, then whatever is still buffered.
    int Finish() {
        uint8_t trailer[kTrailerSize];
        PutLe(trailer, m_n_crc, 4);
        std::memcpy(trailer + 4, kEnd, 4);
        m_buffer.insert(m_buffer.end(), trailer, trailer + kTrailerSize);
        return Drain();
    }

  private:
    int Drain() {
        if (m_buffer.empty())
            return 1;
        if (!m_ops.WriteAt(m_h_file, m_n_written, m_buffer.data(), m_buffer.size()))
            return 0;
        m_n_written += static_cast<int64_t>(m_buffer.size());
        m_buffer.clear();
        return 1;
    }

    InPlaceFileOps& m_ops;
    void* m_h_file;
    std::vector<uint8_t> m_buffer;
    int64_t m_n_written = 0;
    uint32_t m_n_crc = 0;
};

// The journal read front to back through a buffer, its CRC kept as it goes.
class JournalReader {
  public:
    JournalReader(InPlaceFileOps& ops, void* file, int64_t size)
        : m_ops(ops), m_h_file(file), m_n_size(size), m_buffer(kBufferSize) {}
    int Get(uint8_t* out, size_t length) {
        while (length > 0) {
            if (m_n_used == m_n_filled && !Fill())
                return 0;
            const size_t n = std::min(length, m_n_filled - m_n_used);
            std::memcpy(out, m_buffer.data() + m_n_used, n);
            m_n_crc = AddCrc(m_n_crc, out, n);
            m_n_used += n;
            out += n;
            length -= n;
        }
        return 1;
    }
    uint32_t Crc() const { return m_n_crc; }
    int64_t Position() const { return m_n_read - static_cast<int64_t>(m_n_filled - m_n_used); }

  private:
    int Fill() {
        const int64_t rest = m_n_size - m_n_read;
        if (rest <= 0)
            return 0;
        const size_t n = static_cast<size_t>(std::min<int64_t>(rest, kBufferSize));
        if (!m_ops.ReadAt(m_h_file, m_n_read, m_buffer.data(), n))
            return 0;
        m_n_read += static_cast<int64_t>(n);
        m_n_filled = n;
        m_n_used = 0;
        return 1;
    }

    InPlaceFileOps& m_ops;
    void* m_h_file;
    int64_t m_n_size;
    std::vector<uint8_t> m_buffer;
    size_t m_n_filled = 0;
    size_t m_n_used = 0;
    int64_t m_n_read = 0;
    uint32_t m_n_crc = 0;
};

struct JournalHeader {
    int64_t m_n_file_size;
    int64_t m_n_time;
    int64_t m_n_runs;
};

int64_t JournalLength(const std::vector<Run>& runs) {
    int64_t length = kHeaderSize + kTrailerSize;
    for (const Run& run : runs)
        length += kRunHeaderSize + 2 * run.m_n_length;
    return length;
}

// The old bytes of the runs, read from the file in order. Runs close to each
// other are read together, in one read of up to kRunMax bytes: many small
// changes near each other cost a few reads instead of one each.
class OldBytes {
  public:
    OldBytes(InPlaceFileOps& ops, void* file, const std::vector<Run>& runs)
        : m_ops(ops), m_h_file(file), m_runs(runs), m_buffer(static_cast<size_t>(kRunMax)) {}
    // The old bytes of run i (the runs taken in order); null when unreadable.
    const uint8_t* Of(size_t i) {
        const Run& run = m_runs[i];
        if (run.m_n_offset < m_n_start || run.m_n_offset + run.m_n_length > m_n_start + m_n_count) {
            // This run and every following one that is near and fits.
            int64_t end = run.m_n_offset + run.m_n_length;
            for (size_t k = i + 1; k < m_runs.size(); ++k) {
                const int64_t next_end = m_runs[k].m_n_offset + m_runs[k].m_n_length;
                if (m_runs[k].m_n_offset - end > kNearGap || next_end - run.m_n_offset > kRunMax)
                    break;
                end = next_end;
            }
            m_n_start = -1;
            if (!m_ops.ReadAt(m_h_file, run.m_n_offset, m_buffer.data(),
                              static_cast<size_t>(end - run.m_n_offset)))
                return nullptr;
            m_n_start = run.m_n_offset;
            m_n_count = end - run.m_n_offset;
        }
        return m_buffer.data() + (run.m_n_offset - m_n_start);
    }

  private:
    static constexpr int64_t kNearGap = int64_t{64} << 10;
    InPlaceFileOps& m_ops;
    void* m_h_file;
    const std::vector<Run>& m_runs;
    std::vector<uint8_t> m_buffer;
    int64_t m_n_start = -1;
    int64_t m_n_count = 0;
};

// Writes the whole journal: header, each run's old bytes (read from the file)
// and new bytes, trailer. 1 or 0.
int WriteJournal(InPlaceFileOps& ops, void* journal, void* file, const FileStamp& stamp,
                 const std::vector<Run>& runs, NewBytes& fresh, std::atomic<int64_t>* progress) {
    JournalWriter out(ops, journal);
    uint8_t header[kHeaderSize] = {};
    std::memcpy(header, kMagic, 8);
    PutLe(header + 8, kVersion, 4);
    PutLe(header + 16, static_cast<uint64_t>(stamp.m_n_size), 8);
    PutLe(header + 24, static_cast<uint64_t>(stamp.m_n_time), 8);
    PutLe(header + 32, runs.size(), 8);
    PutLe(header + 40, static_cast<uint64_t>(JournalLength(runs)), 8);
    if (!out.Put(header, sizeof(header)))
        return 0;
    std::vector<uint8_t> bytes(static_cast<size_t>(kRunMax));
    OldBytes old_bytes(ops, file, runs);
    for (size_t i = 0; i < runs.size(); ++i) {
        const Run& run = runs[i];
        uint8_t head[kRunHeaderSize];
        PutLe(head, static_cast<uint64_t>(run.m_n_offset), 8);
        PutLe(head + 8, static_cast<uint64_t>(run.m_n_length), 8);
        const size_t length = static_cast<size_t>(run.m_n_length);
        const uint8_t* old_run = old_bytes.Of(i);
        if (old_run == nullptr || !out.Put(head, sizeof(head)) || !out.Put(old_run, length))
            return 0;
        fresh.Copy(run, bytes.data());
        if (!out.Put(bytes.data(), length))
            return 0;
        if (progress != nullptr)
            progress->fetch_add(1);
    }
    return out.Finish();
}

// Reads and checks a journal whole: its header, every run within the file,
// its CRC and trailer. 1 with the header, else 0 (damaged).
int CheckJournal(InPlaceFileOps& ops, void* journal, JournalHeader* header) {
    FileStamp stamp;
    if (!ops.GetStamp(journal, &stamp) || stamp.m_n_size < kHeaderSize + kTrailerSize)
        return 0;
    JournalReader in(ops, journal, stamp.m_n_size);
    uint8_t head[kHeaderSize];
    if (!in.Get(head, sizeof(head)) || std::memcmp(head, kMagic, 8) != 0 ||
        GetLe(head + 8, 4) != kVersion ||
        static_cast<int64_t>(GetLe(head + 40, 8)) != stamp.m_n_size)
        return 0;
    header->m_n_file_size = static_cast<int64_t>(GetLe(head + 16, 8));
    header->m_n_time = static_cast<int64_t>(GetLe(head + 24, 8));
    header->m_n_runs = static_cast<int64_t>(GetLe(head + 32, 8));
    if (header->m_n_file_size < 0 || header->m_n_runs < 0)
        return 0;
    std::vector<uint8_t> bytes(static_cast<size_t>(kRunMax));
    for (int64_t i = 0; i < header->m_n_runs; ++i) {
        uint8_t run[kRunHeaderSize];
        if (!in.Get(run, sizeof(run)))
            return 0;
        const int64_t offset = static_cast<int64_t>(GetLe(run, 8));
        const int64_t length = static_cast<int64_t>(GetLe(run + 8, 8));
        if (offset < 0 || length <= 0 || length > kRunMax ||
            offset > header->m_n_file_size - length)
            return 0;
        for (int k = 0; k < 2; ++k)
            if (!in.Get(bytes.data(), static_cast<size_t>(length)))
                return 0;
    }
    const uint32_t crc = in.Crc();
    uint8_t trailer[kTrailerSize];
    return in.Position() == stamp.m_n_size - kTrailerSize && in.Get(trailer, sizeof(trailer)) &&
           GetLe(trailer, 4) == crc && std::memcmp(trailer + 4, kEnd, 4) == 0;
}

// Walks the runs of a checked journal: visit(offset, old, new, length) for
// each; stops at the first that returns 0. 1 when all returned 1.
template <class Visit> int ForEachJournalRun(InPlaceFileOps& ops, void* journal, Visit visit) {
    FileStamp stamp;
    if (!ops.GetStamp(journal, &stamp))
        return 0;
    JournalReader in(ops, journal, stamp.m_n_size);
    uint8_t head[kHeaderSize];
    if (!in.Get(head, sizeof(head)))
        return 0;
    const int64_t runs = static_cast<int64_t>(GetLe(head + 32, 8));
    std::vector<uint8_t> old_bytes(static_cast<size_t>(kRunMax));
    std::vector<uint8_t> new_bytes(static_cast<size_t>(kRunMax));
    for (int64_t i = 0; i < runs; ++i) {
        uint8_t run[kRunHeaderSize];
        if (!in.Get(run, sizeof(run)))
            return 0;
        const int64_t offset = static_cast<int64_t>(GetLe(run, 8));
        const size_t length = static_cast<size_t>(GetLe(run + 8, 8));
        if (!in.Get(old_bytes.data(), length) || !in.Get(new_bytes.data(), length) ||
            !visit(offset, old_bytes.data(), new_bytes.data(), length))
            return 0;
    }
    return 1;
}

// Puts the file back from an open journal: checks that the journal is whole
// and that the file is in a state it wrote (its size, and every byte of
// every run old or new), then writes the old bytes and the old last-write
// time back and flushes. Closes nothing.
RollBack RollBackFrom(InPlaceFileOps& ops, void* journal, void* file) {
    JournalHeader header;
    if (!CheckJournal(ops, journal, &header))
        return RollBack::kKeptAside;
    if (file == nullptr)
        return RollBack::kKeptFailed;
    FileStamp now;
    if (!ops.GetStamp(file, &now))
        return RollBack::kKeptFailed;
    if (now.m_n_size != header.m_n_file_size)
        return RollBack::kKeptAside;
    std::vector<uint8_t> disk(static_cast<size_t>(kRunMax));
    int unreadable = 0;
    const int matches = ForEachJournalRun(
        ops, journal,
        [&](int64_t offset, const uint8_t* old_bytes, const uint8_t* new_bytes, size_t length) {
            if (!ops.ReadAt(file, offset, disk.data(), length)) {
                unreadable = 1;
                return 0;
            }
            for (size_t i = 0; i < length; ++i)
                if (disk[i] != old_bytes[i] && disk[i] != new_bytes[i])
                    return 0;
            return 1;
        });
    if (!matches)
        return unreadable ? RollBack::kKeptFailed : RollBack::kKeptAside;
    const int written = ForEachJournalRun(
        ops, journal, [&](int64_t offset, const uint8_t* old_bytes, const uint8_t*, size_t length) {
            return ops.WriteAt(file, offset, old_bytes, length);
        });
    if (!written || !ops.Flush(file))
        return RollBack::kKeptFailed;
    // The old time too, so that nothing that watches the file sees a change.
    if (ops.SetWriteTime(file, header.m_n_time))
        ops.Flush(file);
    return RollBack::kRolledBack;
}

// A free name for a journal that is set aside, or "" when none is found.
std::wstring AsideName(InPlaceFileOps& ops, const std::wstring& journal) {
    const std::wstring stem = journal + L".damaged";
    std::wstring name = stem;
    for (int n = 2; ops.Exists(name.c_str()); ++n) {
        if (n > 99)
            return std::wstring();
        name = FormatText(L"%s-%d", stem.c_str(), n);
    }
    return name;
}

} // namespace

std::wstring JournalName(const wchar_t* path) {
    return std::wstring(path != nullptr ? path : L"") + L".pelmora-journal";
}

int CollectInPlaceChanges(const CDataPlane& plane, int64_t file_size, int64_t data_size,
                          std::vector<InPlaceChange>* changes) {
    changes->clear();
    if (file_size != data_size)
        return 0;
    int64_t at = 0;
    for (PieceCursor c(plane); c.Piece() != nullptr; c.Next()) {
        const PlanePiece* piece = c.Piece();
        if (piece->m_n_length <= 0)
            continue;
        if (piece->m_n_kind == PIECE_SOURCE) {
            if (piece->m_n_src_begin != at)
                return 0; // moved bytes: the copy-and-replace writes them
        } else {
            if (piece->m_p_bytes == nullptr)
                return 0;
            changes->push_back({at, piece->m_p_bytes, piece->m_n_length});
        }
        at += piece->m_n_length;
    }
    return at == file_size ? 1 : 0;
}

int64_t InPlaceSteps(const std::vector<InPlaceChange>& changes) {
    return static_cast<int64_t>(MakeRuns(changes).size()) * 2 + 1;
}

InPlaceResult WriteInPlace(const wchar_t* path, int64_t file_size,
                           const std::vector<InPlaceChange>& changes, InPlaceFileOps& ops,
                           std::atomic<int64_t>* progress) {
    const std::vector<Run> runs = MakeRuns(changes);
    const std::wstring journal_path = JournalName(path);
    void* file = ops.OpenForUpdate(path);
    if (file == nullptr)
        return InPlaceResult::kNotInPlace;
    FileStamp stamp;
    if (!ops.GetStamp(file, &stamp) || stamp.m_n_size != file_size) {
        ops.Close(file);
        return InPlaceResult::kNotInPlace;
    }
    void* journal = ops.CreateJournal(journal_path.c_str());
    if (journal == nullptr) {
        ops.Close(file);
        return InPlaceResult::kNotInPlace;
    }
    NewBytes fresh(changes);
    // Nothing of the file has changed until the journal is on the disk.
    if (!WriteJournal(ops, journal, file, stamp, runs, fresh, progress) || !ops.Flush(journal)) {
        ops.Delete(journal_path.c_str());
        ops.Close(journal);
        ops.Close(file);
        return InPlaceResult::kNotInPlace;
    }
    fresh.Rewind();
    std::vector<uint8_t> bytes(static_cast<size_t>(kRunMax));
    int ok = 1;
    for (const Run& run : runs) {
        fresh.Copy(run, bytes.data());
        if (!ops.WriteAt(file, run.m_n_offset, bytes.data(), static_cast<size_t>(run.m_n_length))) {
            ok = 0;
            break;
        }
        if (progress != nullptr)
            progress->fetch_add(1);
    }
    // The journal goes only once the new bytes are on the disk: until then a
    // crash leaves it to put the file back.
    if (ok && ops.Flush(file) && ops.Delete(journal_path.c_str())) {
        ops.Close(journal);
        ops.Close(file);
        return InPlaceResult::kWritten;
    }
    const RollBack back = RollBackFrom(ops, journal, file);
    if (back == RollBack::kRolledBack && ops.Delete(journal_path.c_str())) {
        ops.Close(journal);
        ops.Close(file);
        return InPlaceResult::kFailed;
    }
    ops.Close(journal);
    ops.Close(file);
    return InPlaceResult::kFailedKept;
}

RollBack RollBackInterruptedApply(const wchar_t* path, InPlaceFileOps& ops) {
    if (path == nullptr || path[0] == 0)
        return RollBack::kNone;
    const std::wstring journal_path = JournalName(path);
    if (!ops.Exists(journal_path.c_str()))
        return RollBack::kNone;
    void* journal = ops.OpenJournal(journal_path.c_str());
    if (journal == nullptr)
        return RollBack::kNone; // an apply running now holds it
    void* file = ops.OpenForUpdate(path);
    RollBack result = RollBackFrom(ops, journal, file);
    if (file != nullptr)
        ops.Close(file);
    if (result == RollBack::kRolledBack) {
        // A journal that cannot be removed is found again and rolls back
        // nothing new: the file already holds its old bytes.
        ops.Delete(journal_path.c_str());
        ops.Close(journal);
        ShowMessage(kRolledBackText, path);
        return result;
    }
    ops.Close(journal);
    if (result == RollBack::kKeptAside) {
        const std::wstring aside = AsideName(ops, journal_path);
        const int moved = !aside.empty() && ops.Rename(journal_path.c_str(), aside.c_str());
        ShowMessage(kKeptAsideText, path, moved ? aside.c_str() : journal_path.c_str());
        return result;
    }
    ShowMessage(kKeptFailedText, path, journal_path.c_str());
    return result;
}

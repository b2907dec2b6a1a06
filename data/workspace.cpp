// Workspace file writer and reader (see workspace.h). Layout: the magic
// "PELMORA.INTERM" as UTF-16LE, the format word 1, the file size as 16 hex
// digits, then one 50-character record per piece followed by its owned bytes.
#include "data/workspace.h"

#include "base/format_text.h"
#include "base/hex_digits.h"
#include "base/tkstr.h"
#include "data/data_plane.h"
#include "data/document.h"
#include "data/plane_snapshot.h"

#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

namespace {

constexpr char kMagicText[] = "PELMORA.INTERM";
constexpr size_t kMagicBytes = 28;
constexpr size_t kRecordChars = 50;

void MagicBytes(uint8_t* out) {
    for (size_t i = 0; i < kMagicBytes / 2; ++i) {
        out[2 * i] = static_cast<uint8_t>(kMagicText[i]);
        out[2 * i + 1] = 0;
    }
}

// Fixed-width uppercase hex, as "%0*I64X" writes it.
void PutHex(std::string& out, uint64_t value, int digits) {
    for (int i = digits - 1; i >= 0; --i)
        out += HexDigit(static_cast<unsigned>(value >> (4 * i)));
}

bool WriteAll(WorkspaceFileOps& ops, void* file, const void* data, size_t count) {
    return count == 0 || ops.Write(file, data, count) == count;
}

// Reads one scanned number the way the format's "%nX" conversions take it:
// optional white space, then 1 to `digits` hex digits.
class Scanner {
  public:
    Scanner(WorkspaceFileOps& ops, void* file) : m_ops(ops), m_file(file) {}

    bool Hex(int digits, uint64_t* value) {
        int c = Next();
        while (c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f')
            c = Next();
        uint64_t v = 0;
        int n = 0;
        while (c >= 0 && n < digits) {
            int d = c >= '0' && c <= '9'   ? c - '0'
                    : c >= 'A' && c <= 'F' ? c - 'A' + 10
                    : c >= 'a' && c <= 'f' ? c - 'a' + 10
                                           : -1;
            if (d < 0)
                break;
            v = (v << 4) | static_cast<uint64_t>(d);
            ++n;
            if (n < digits)
                c = Next();
            else
                c = -2; // consumed exactly `digits`
        }
        if (c == -1 && n < digits)
            return false; // the file ended inside the field
        if (c >= 0)
            m_pushed = c; // the character after the number belongs to the next field
        *value = v;
        return n > 0;
    }

    bool Bytes(uint8_t* out, size_t count) {
        size_t done = 0;
        if (count > 0 && m_pushed >= 0) {
            out[done++] = static_cast<uint8_t>(m_pushed);
            m_pushed = -1;
        }
        return count == done || m_ops.Read(m_file, out + done, count - done) == count - done;
    }

    bool AtEnd() {
        if (m_pushed >= 0)
            return false;
        int c = Next();
        if (c < 0)
            return true;
        m_pushed = c;
        return false;
    }

    int64_t Consumed() const { return m_n_consumed - (m_pushed >= 0 ? 1 : 0); }
    void Count(int64_t n) { m_n_consumed += n; }

  private:
    int Next() {
        if (m_pushed >= 0) {
            int c = m_pushed;
            m_pushed = -1;
            return c;
        }
        uint8_t b = 0;
        if (m_ops.Read(m_file, &b, 1) != 1)
            return -1;
        ++m_n_consumed;
        return b;
    }
    WorkspaceFileOps& m_ops;
    void* m_file;
    int m_pushed = -1;
    int64_t m_n_consumed = 0;
};

// A record is sound when it can only describe bytes of the edited file or
// bytes it owns, with lengths that agree with its kind.
bool SoundRecord(uint32_t kind, int64_t begin, int64_t end, int64_t length, int64_t file_size) {
    if (length < 0)
        return false;
    switch (kind) {
    case PIECE_SOURCE:
        if (length == 0)
            return begin == 0 && end == -1;
        return begin >= 0 && end >= begin && end < file_size && end - begin + 1 == length;
    case PIECE_OVERWRITTEN:
        return length == 1 && begin == end && begin >= 0 && begin < file_size;
    case PIECE_INSERTED:
        return true;
    default:
        return false;
    }
}

} // namespace

std::wstring WorkspaceName(const wchar_t* path) {
    return path != nullptr ? std::wstring(path) + L".interm" : std::wstring();
}

namespace {

// Writes the workspace of the pieces that each(visit) hands to visit in order;
// visit returns false to stop the walk.
template <typename EachPiece>
int WritePieces(const wchar_t* path, EachPiece each, int64_t file_size, WorkspaceFileOps& ops) {
    if (path == nullptr || path[0] == 0)
        return 0;
    const std::wstring backup = FormatText(L"%s~", path);
    const bool existed = ops.Exists(path) != 0;
    const bool moved = existed && ops.MoveReplace(path, backup.c_str()) != 0;
    if (existed && !moved)
        return 0; // the previous workspace could not be set aside: leave it alone
    auto restore = [&]() {
        if (moved)
            ops.MoveReplace(backup.c_str(), path);
    };
    void* file = ops.OpenWrite(path);
    if (file == nullptr) {
        restore();
        return 0;
    }
    bool ok = true;
    uint8_t magic[kMagicBytes];
    MagicBytes(magic);
    const uint8_t format_word[2] = {1, 0};
    std::string text;
    PutHex(text, static_cast<uint64_t>(file_size), 16);
    ok = WriteAll(ops, file, magic, sizeof magic) && WriteAll(ops, file, format_word, 2) &&
         WriteAll(ops, file, text.data(), text.size());
    bool any = false;
    each([&](const PlanePiece* p) {
        any = true;
        if (!ok)
            return false;
        text.clear();
        PutHex(text, p->m_n_kind & 0xFF, 2);
        PutHex(text, static_cast<uint64_t>(p->m_n_src_begin), 16);
        PutHex(text, static_cast<uint64_t>(p->m_n_src_end), 16);
        PutHex(text, static_cast<uint64_t>(p->m_n_length), 16);
        ok = WriteAll(ops, file, text.data(), kRecordChars);
        if (ok && p->m_n_kind != PIECE_SOURCE && p->m_n_length > 0)
            ok = WriteAll(ops, file, p->m_p_bytes, static_cast<size_t>(p->m_n_length));
        return ok;
    });
    if (ok && !any) {
        // Every byte was removed: one empty source record, as for an empty
        // file, so the emptied document is kept rather than an older workspace.
        text = "00";
        PutHex(text, 0, 16);
        PutHex(text, ~0ull, 16);
        PutHex(text, 0, 16);
        ok = WriteAll(ops, file, text.data(), kRecordChars);
    }
    ok = ok && ops.FlushToDisk(file) != 0;
    const bool closed = ops.Close(file) != 0;
    if (!ok || !closed) {
        ops.Delete(path);
        restore();
        return 0;
    }
    if (moved)
        ops.Delete(backup.c_str());
    return 1;
}

} // namespace

int WriteWorkspace(const wchar_t* path, const CDataPlane* plane, int64_t file_size,
                   WorkspaceFileOps& ops) {
    if (plane == nullptr)
        return 0;
    auto each = [plane](auto visit) {
        for (PieceCursor c(*plane); c.Piece() != nullptr && visit(c.Piece()); c.Next()) {
        }
    };
    return WritePieces(path, each, file_size, ops);
}

int WriteWorkspace(const wchar_t* path, const PlaneSnapshot& snapshot, int64_t file_size,
                   WorkspaceFileOps& ops) {
    if (!snapshot.Valid())
        return 0;
    auto each = [&snapshot](auto visit) {
        for (SnapshotCursor c(snapshot); c.Piece() != nullptr && visit(c.Piece()); c.Next()) {
        }
    };
    return WritePieces(path, each, file_size, ops);
}

int ReadWorkspace(CDataPlane* plane, const wchar_t* path, int64_t* size, WorkspaceFileOps& ops) {
    if (plane == nullptr || path == nullptr || path[0] == 0 || size == nullptr || *size < 0)
        return 0;
    void* file = ops.OpenRead(path);
    if (file == nullptr)
        return 0;
    const int64_t total = ops.Size(file);
    uint8_t magic[kMagicBytes];
    uint8_t expected[kMagicBytes];
    MagicBytes(expected);
    uint8_t format_word[2];
    Scanner scan(ops, file);
    uint64_t header_size = 0;
    if (ops.Read(file, magic, kMagicBytes) != kMagicBytes ||
        std::memcmp(magic, expected, kMagicBytes) != 0 || ops.Read(file, format_word, 2) != 2) {
        ops.Close(file);
        return 0;
    }
    scan.Count(kMagicBytes + 2);
    if (!scan.Hex(16, &header_size) || static_cast<int64_t>(header_size) != *size) {
        ops.Close(file);
        return 0;
    }
    const int64_t file_size = *size;
    int64_t running = 0;
    bool whole = false;
    for (;;) {
        if (scan.AtEnd()) {
            whole = true;
            break;
        }
        uint64_t kind = 0, begin = 0, end = 0, length = 0;
        if (!scan.Hex(2, &kind) || !scan.Hex(16, &begin) || !scan.Hex(16, &end) ||
            !scan.Hex(16, &length))
            break;
        const auto k = static_cast<uint32_t>(kind);
        const auto b = static_cast<int64_t>(begin);
        const auto e = static_cast<int64_t>(end);
        const auto n = static_cast<int64_t>(length);
        if (!SoundRecord(k, b, e, n, file_size) ||
            running > std::numeric_limits<int64_t>::max() - n)
            break;
        uint8_t* bytes = nullptr;
        if (k != PIECE_SOURCE) {
            // Never allocate more than the file can still hold.
            if (total >= 0 && n > total - scan.Consumed())
                break;
            // A length this build cannot hold in memory (2^32 and more in 32
            // bits) is damage too; cutting it to size_t would keep a piece
            // that claims more bytes than were read.
            if (static_cast<uint64_t>(n) > std::numeric_limits<size_t>::max())
                break;
            bytes = static_cast<uint8_t*>(std::malloc(n > 0 ? static_cast<size_t>(n) : 1));
            if (bytes == nullptr)
                break;
            if (!scan.Bytes(bytes, static_cast<size_t>(n))) {
                std::free(bytes);
                break;
            }
            scan.Count(n);
        }
        if (plane->AppendPiece(k, b, e, n, bytes) == nullptr) {
            std::free(bytes);
            break;
        }
        running += n;
    }
    *size = running;
    ops.Close(file);
    return whole ? kWorkspaceRead : kWorkspaceReadInPart;
}

namespace {

// Copies a file's bytes to a new file, flushed to disk; a partial target is removed.
int CopyWholeFile(const wchar_t* from, const wchar_t* to, WorkspaceFileOps& ops) {
    void* in = ops.OpenRead(from);
    if (in == nullptr)
        return 0;
    void* out = ops.OpenWrite(to);
    if (out == nullptr) {
        ops.Close(in);
        return 0;
    }
    bool ok = true;
    int64_t copied = 0;
    std::vector<uint8_t> block(1 << 16);
    for (;;) {
        const size_t got = ops.Read(in, block.data(), block.size());
        if (got == 0)
            break;
        if (!WriteAll(ops, out, block.data(), got)) {
            ok = false;
            break;
        }
        copied += static_cast<int64_t>(got);
    }
    // A failed read looks like the end: the whole file must have come.
    ok = ok && copied == ops.Size(in);
    ops.Close(in);
    ok = ok && ops.FlushToDisk(out) != 0;
    ok = ops.Close(out) != 0 && ok;
    if (!ok)
        ops.Delete(to);
    return ok ? 1 : 0;
}

} // namespace

std::wstring KeepDamagedWorkspace(const wchar_t* damaged, const wchar_t* file_path, int move,
                                  WorkspaceFileOps& ops) {
    if (damaged == nullptr || file_path == nullptr || file_path[0] == 0)
        return std::wstring();
    // A free name: an earlier damaged workspace is never replaced.
    const std::wstring stem = WorkspaceName(file_path) + L".damaged";
    std::wstring target = stem;
    for (int n = 2; ops.Exists(target.c_str()); ++n) {
        if (n > 99)
            return std::wstring();
        target = FormatText(L"%s-%d", stem.c_str(), n);
    }
    if (move && ops.MoveReplace(damaged, target.c_str()))
        return target;
    return CopyWholeFile(damaged, target.c_str(), ops) ? target : std::wstring();
}

int SaveWorkspace(CallBackInfo* doc) {
    if (doc == nullptr || doc->m_p_data_plane == nullptr || doc->m_n_source_kind != 0 ||
        doc->m_file_mapping.m_p_name == nullptr || doc->m_file_mapping.m_p_name->c_str() == nullptr)
        return 0;
    const std::wstring name = WorkspaceName(doc->m_file_mapping.m_p_name->c_str());
    return WriteWorkspace(name.c_str(), doc->m_p_data_plane, doc->m_file_mapping.m_n_file_size);
}

int RemoveWorkspace(const wchar_t* file_path, WorkspaceFileOps& ops) {
    const std::wstring name = WorkspaceName(file_path);
    return !ops.Exists(name.c_str()) || ops.Delete(name.c_str()) ? 1 : 0;
}

// Fuzzes the workspace reader with arbitrary file contents held in memory: it
// must never read outside the bytes, never crash or leak, and whatever it
// accepts must be a consistent piece list whose lengths add up to the size.
#include "data/data_plane.h"
#include "data/workspace.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

struct MemoryFile {
    const uint8_t* data;
    size_t size;
    size_t pos;
};

class MemoryWorkspaceOps final : public WorkspaceFileOps {
  public:
    MemoryWorkspaceOps(const uint8_t* data, size_t size) : m_file{data, size, 0} {}
    void* OpenWrite(const wchar_t*) override { return nullptr; }
    void* OpenRead(const wchar_t*) override { return &m_file; }
    size_t Write(void*, const void*, size_t) override { return 0; }
    size_t Read(void* file, void* out, size_t count) override {
        auto* f = static_cast<MemoryFile*>(file);
        const size_t n = count < f->size - f->pos ? count : f->size - f->pos;
        if (n > 0)
            std::memcpy(out, f->data + f->pos, n);
        f->pos += n;
        return n;
    }
    int64_t Size(void* file) override {
        return static_cast<int64_t>(static_cast<MemoryFile*>(file)->size);
    }
    int FlushToDisk(void*) override { return 1; }
    int Close(void*) override { return 1; }
    int Exists(const wchar_t*) override { return 1; }
    int MoveReplace(const wchar_t*, const wchar_t*) override { return 0; }
    int Delete(const wchar_t*) override { return 0; }

  private:
    MemoryFile m_file;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The header's size field is taken from the input itself so that records
    // are reached; offset 30 holds the 16 size digits.
    int64_t file_size = 0;
    for (size_t i = 30; i < 46 && i < size; ++i) {
        const uint8_t c = data[i];
        const int d = c >= '0' && c <= '9' ? c - '0' : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
        if (d < 0)
            break;
        file_size = static_cast<int64_t>((static_cast<uint64_t>(file_size) << 4) |
                                         static_cast<uint64_t>(d));
    }
    MemoryWorkspaceOps ops(data, size);
    CDataPlane plane;
    int64_t got = file_size;
    if (!ReadWorkspace(&plane, L"fuzz.interm", &got, ops))
        return 0;
    int64_t sum = 0;
    for (PieceCursor c_p(plane); const PlanePiece* p = c_p.Piece(); c_p.Next()) {
        if (p->m_n_length < 0)
            std::abort();
        if (p->m_n_kind == PIECE_SOURCE &&
            (p->m_n_src_begin < 0 || p->m_n_src_end >= file_size ||
             (p->m_n_length > 0 && p->m_n_src_end - p->m_n_src_begin + 1 != p->m_n_length)))
            std::abort();
        if (p->m_n_kind == PIECE_OVERWRITTEN &&
            (p->m_n_length != 1 || p->m_n_src_begin != p->m_n_src_end || p->m_n_src_begin < 0 ||
             p->m_n_src_begin >= file_size))
            std::abort();
        if (p->m_n_kind != PIECE_SOURCE && p->m_n_length > 0)
            (void)p->m_p_bytes[p->m_n_length - 1]; // owned bytes are all there
        sum += p->m_n_length;
    }
    if (sum != got)
        std::abort();
    return 0;
}

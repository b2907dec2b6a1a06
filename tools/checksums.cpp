// The checksum run: the caller's thread copies the range's effective bytes
// into a ring of blocks; hashing threads, each with its share of the chosen
// algorithms, take every block in turn, and a block is refilled once all of
// them are done with it. So the bytes are read once, the slowest share sets
// the pace, and the memory held stays at the ring plus one read block.
#include "tools/checksums.h"

#include "data/block_reader.h"
#include "data/document.h"
#include "data/process_reader.h"

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>
#include <vector>

namespace {

constexpr int kRingBlocks = 3;
constexpr int kMaxThreads = 8;

// A reading handle of its own on the document's file, closed with it.
class FileReader {
  public:
    FileReader(BlockReadOps& ops, void* file)
        : m_ops(ops), m_h_reader(file != nullptr ? ops.Open(file) : nullptr) {}
    ~FileReader() {
        if (m_h_reader != nullptr)
            m_ops.Close(m_h_reader);
    }
    FileReader(const FileReader&) = delete;
    FileReader& operator=(const FileReader&) = delete;
    // The bytes read into out (fewer at the end of the file), or -1.
    int64_t Read(int64_t offset, uint8_t* out, int64_t count) {
        return m_h_reader != nullptr
                   ? m_ops.Read(m_h_reader, offset, out, static_cast<size_t>(count))
                   : -1;
    }

  private:
    BlockReadOps& m_ops;
    void* m_h_reader;
};

// Copies the effective bytes of a range, front to back, reading unedited
// bytes through readers of its own (never the document's painting view):
// a file's straight into the block being filled, so each byte is copied once.
class RangeReader {
  public:
    RangeReader(CallBackInfo* doc, const ChecksumRange& range, BlockReadOps& reads)
        : m_b_process(doc->m_n_source_kind == 1),
          m_file(reads, m_b_process ? nullptr : doc->m_file_mapping.m_h_file),
          m_process(doc->m_proc_info.m_p_ops, doc->m_proc_info.m_h_open_process),
          m_n_left(range.m_n_length) {
        if (doc->m_p_data_plane != nullptr && range.m_n_length > 0)
            m_pieces = PieceCursor(*doc->m_p_data_plane, range.m_n_first);
        m_p_piece = m_pieces.Piece();
        m_n_in_piece = m_p_piece != nullptr ? range.m_n_first - m_pieces.Start() : 0;
    }

    // Fills out with up to count next bytes; the bytes filled (0 at the
    // end), or -1 when a file byte cannot be read.
    int64_t Fill(uint8_t* out, int64_t count) {
        int64_t filled = 0;
        while (filled < count && m_n_left > 0) {
            while (m_p_piece != nullptr && m_n_in_piece >= m_p_piece->m_n_length) {
                m_n_in_piece -= m_p_piece->m_n_length;
                m_pieces.Next();
                m_p_piece = m_pieces.Piece();
            }
            if (m_p_piece == nullptr)
                return -1; // pieces shorter than the document's size
            int64_t n = std::min({count - filled, m_n_left, m_p_piece->m_n_length - m_n_in_piece});
            if (m_p_piece->m_n_kind != PIECE_SOURCE) {
                if (m_p_piece->m_p_bytes == nullptr)
                    return -1;
                std::memcpy(out + filled, m_p_piece->m_p_bytes + m_n_in_piece,
                            static_cast<size_t>(n));
            } else {
                const int64_t at = m_p_piece->m_n_src_begin + m_n_in_piece;
                int64_t got = 0;
                if (!m_b_process) {
                    got = m_file.Read(at, out + filled, n);
                    if (got <= 0)
                        return -1; // a file that shrank under the document
                    n = got;
                } else if (const uint8_t* src = m_process.Span(at, n, &got)) {
                    n = got;
                    std::memcpy(out + filled, src, static_cast<size_t>(n));
                } else {
                    n = m_process.UnreadableLength(at, n);
                    if (n <= 0)
                        return -1;
                    std::memset(out + filled, 0, static_cast<size_t>(n));
                    m_n_unreadable += n;
                }
            }
            filled += n;
            m_n_in_piece += n;
            m_n_left -= n;
        }
        return filled;
    }

    int64_t Unreadable() const { return m_n_unreadable; }

  private:
    bool m_b_process;
    FileReader m_file;
    ProcessReader m_process;
    PieceCursor m_pieces;
    const PlanePiece* m_p_piece = nullptr;
    int64_t m_n_in_piece = 0;
    int64_t m_n_left;
    int64_t m_n_unreadable = 0;
};

// The chosen algorithms' states, shared out so the shares cost about alike:
// the dearest first, each to the share with the least cost so far.
std::vector<std::vector<int>> ShareOut(uint32_t algorithms, int shares) {
    std::vector<int> chosen;
    for (int a = 0; a < kChecksumCount; ++a)
        if (algorithms & (1u << a))
            chosen.push_back(a);
    std::stable_sort(chosen.begin(), chosen.end(),
                     [](int x, int y) { return ChecksumCost(x) > ChecksumCost(y); });
    if (shares > static_cast<int>(chosen.size()))
        shares = static_cast<int>(chosen.size());
    std::vector<std::vector<int>> out(static_cast<size_t>(shares > 0 ? shares : 0));
    std::vector<int> load(out.size(), 0);
    for (int a : chosen) {
        const size_t least =
            static_cast<size_t>(std::min_element(load.begin(), load.end()) - load.begin());
        out[least].push_back(a);
        load[least] += ChecksumCost(a);
    }
    return out;
}

struct RingBlock {
    std::unique_ptr<uint8_t[]> m_p_bytes;
    int64_t m_n_size = 0;
    int m_n_pending = 0; // hashing threads yet to take it
};

class Ring {
  public:
    explicit Ring(ChecksumJob* job) : m_p_job(job) {}

    int Allocate() {
        for (RingBlock& block : m_blocks) {
            block.m_p_bytes.reset(new (std::nothrow) uint8_t[static_cast<size_t>(kChecksumBlock)]);
            if (block.m_p_bytes == nullptr)
                return 0;
        }
        return 1;
    }
    void SetThreads(int threads) { m_n_threads = threads; }

    // The reader's side: a free block to fill, then its publication.
    RingBlock* Free(int64_t sequence) {
        RingBlock& block = m_blocks[sequence % kRingBlocks];
        std::unique_lock<std::mutex> hold(m_lock);
        m_taken.wait(hold, [&] { return block.m_n_pending == 0; });
        return &block;
    }
    void Publish(RingBlock* block, int64_t size) {
        std::lock_guard<std::mutex> hold(m_lock);
        block->m_n_size = size;
        block->m_n_pending = m_n_threads;
        ++m_n_published;
        m_filled.notify_all();
    }
    void Finish() {
        std::lock_guard<std::mutex> hold(m_lock);
        m_b_finished = true;
        m_filled.notify_all();
    }
    // Waits until every published block has been taken by all.
    void Drain() {
        std::unique_lock<std::mutex> hold(m_lock);
        m_taken.wait(hold, [&] {
            for (const RingBlock& block : m_blocks)
                if (block.m_n_pending != 0)
                    return false;
            return true;
        });
    }

    // A hashing thread's side: block number sequence once published, or null
    // when the reader has finished before it.
    RingBlock* Next(int64_t sequence) {
        std::unique_lock<std::mutex> hold(m_lock);
        m_filled.wait(hold, [&] { return m_n_published > sequence || m_b_finished; });
        return m_n_published > sequence ? &m_blocks[sequence % kRingBlocks] : nullptr;
    }
    void Taken(RingBlock* block) {
        std::lock_guard<std::mutex> hold(m_lock);
        if (--block->m_n_pending == 0) {
            m_p_job->m_n_done.fetch_add(block->m_n_size);
            m_taken.notify_all();
        }
    }

  private:
    ChecksumJob* m_p_job;
    RingBlock m_blocks[kRingBlocks];
    int m_n_threads = 0;
    std::mutex m_lock;
    std::condition_variable m_filled;
    std::condition_variable m_taken;
    int64_t m_n_published = 0;
    bool m_b_finished = false;
};

using DigestSet = std::vector<std::pair<int, std::unique_ptr<Digest>>>;

void HashBlocks(Ring* ring, DigestSet* digests) {
    for (int64_t sequence = 0;; ++sequence) {
        RingBlock* block = ring->Next(sequence);
        if (block == nullptr)
            return;
        for (auto& digest : *digests)
            digest.second->Update(block->m_p_bytes.get(), static_cast<size_t>(block->m_n_size));
        ring->Taken(block);
    }
}

int DefaultThreads() {
    const unsigned cores = std::thread::hardware_concurrency();
    return cores == 0 ? 1 : cores > kMaxThreads ? kMaxThreads : static_cast<int>(cores);
}

} // namespace

ChecksumRange ChecksumRangeOf(const CallBackInfo* doc, int choice) {
    ChecksumRange range;
    if (doc == nullptr)
        return range;
    if (ChecksumUsesSelection(doc, choice)) {
        const int64_t a = doc->m_n_sel_anchor;
        const int64_t b = doc->m_n_sel_active;
        range.m_n_first = a < b ? a : b;
        const int64_t last = std::min(a < b ? b : a, doc->m_n_data_size - 1);
        range.m_n_length = last >= range.m_n_first ? last - range.m_n_first + 1 : 0;
        return range;
    }
    range.m_n_length = doc->m_n_data_size > 0 ? doc->m_n_data_size : 0;
    return range;
}

int ChecksumUsesSelection(const CallBackInfo* doc, int choice) {
    if (doc == nullptr || choice == kChecksumRangeWhole || doc->m_n_sel_anchor < 0 ||
        doc->m_n_sel_active < 0)
        return 0;
    return choice == kChecksumRangeSelection || doc->m_n_sel_anchor != doc->m_n_sel_active;
}

int RunChecksums(ChecksumJob* job, BlockReadOps& reads, int threads) {
    job->m_n_status = kChecksumFailed;
    job->m_n_done = 0;
    job->m_n_unreadable = 0;
    for (std::string& value : job->m_sz_values)
        value.clear();
    CallBackInfo* doc = job->m_p_document;
    const ChecksumRange range = job->m_range;
    if (doc == nullptr || range.m_n_first < 0 || range.m_n_length < 0 ||
        range.m_n_first + range.m_n_length > doc->m_n_data_size)
        return kChecksumFailed;
    if ((job->m_n_algorithms & ((1u << kChecksumCount) - 1)) == 0)
        return job->m_n_status = kChecksumDone; // nothing chosen: nothing to read

    std::vector<std::vector<int>> shares =
        ShareOut(job->m_n_algorithms, threads > 0 ? threads : DefaultThreads());
    std::vector<DigestSet> digests(shares.size());
    for (size_t s = 0; s < shares.size(); ++s) {
        for (int algorithm : shares[s]) {
            std::unique_ptr<Digest> digest = MakeDigest(algorithm);
            if (digest == nullptr)
                return kChecksumFailed;
            digests[s].emplace_back(algorithm, std::move(digest));
        }
    }
    Ring ring(job);
    if (!ring.Allocate())
        return kChecksumFailed;
    RangeReader reader(doc, range, reads);

    // The hashing threads; when none can be started this thread hashes too.
    std::vector<std::thread> workers;
    for (DigestSet& set : digests) {
        try {
            workers.emplace_back(HashBlocks, &ring, &set);
        } catch (const std::system_error&) {
            break;
        }
    }
    const bool inline_hashing = workers.size() < digests.size();
    if (inline_hashing) {
        ring.Finish(); // the started ones see nothing and end
        for (std::thread& worker : workers)
            worker.join();
        workers.clear();
    }
    ring.SetThreads(static_cast<int>(workers.size()));

    int status = kChecksumDone;
    for (int64_t sequence = 0, left = range.m_n_length; left > 0; ++sequence) {
        if (job->m_b_stop.load(std::memory_order_relaxed)) {
            status = kChecksumStopped;
            break;
        }
        RingBlock* block = ring.Free(sequence);
        const int64_t got = reader.Fill(block->m_p_bytes.get(), std::min(left, kChecksumBlock));
        if (got <= 0) {
            status = kChecksumFailed;
            break;
        }
        left -= got;
        if (inline_hashing) {
            for (DigestSet& set : digests)
                for (auto& digest : set)
                    digest.second->Update(block->m_p_bytes.get(), static_cast<size_t>(got));
            job->m_n_done.fetch_add(got);
        } else {
            ring.Publish(block, got);
        }
    }
    if (!inline_hashing) {
        ring.Drain();
        ring.Finish();
        for (std::thread& worker : workers)
            worker.join();
    }
    job->m_n_unreadable = reader.Unreadable();
    if (status != kChecksumDone)
        return job->m_n_status = status;
    for (DigestSet& set : digests)
        for (auto& digest : set)
            job->m_sz_values[digest.first] = digest.second->Final();
    return job->m_n_status = kChecksumDone;
}

int RunChecksums(ChecksumJob* job) {
    return RunChecksums(job, PlatformBlockReadOps());
}

std::wstring ChecksumLines(const ChecksumJob& job) {
    std::wstring text;
    for (int a = 0; a < kChecksumCount; ++a) {
        if (job.m_sz_values[a].empty())
            continue;
        text += ChecksumName(a);
        text += L": ";
        text.append(job.m_sz_values[a].begin(), job.m_sz_values[a].end());
        text += L"\r\n";
    }
    return text;
}

int MatchChecksum(const ChecksumJob& job, const std::wstring& text) {
    std::string wanted;
    size_t i = 0;
    while (i < text.size() && (text[i] == L' ' || text[i] == L'\t'))
        ++i;
    if (i + 1 < text.size() && text[i] == L'0' && (text[i + 1] == L'x' || text[i + 1] == L'X'))
        i += 2;
    for (; i < text.size(); ++i) {
        const wchar_t ch = text[i];
        if (ch == L' ' || ch == L'\t' || ch == L'\r' || ch == L'\n')
            continue;
        if (ch >= L'0' && ch <= L'9')
            wanted += static_cast<char>(ch);
        else if (ch >= L'a' && ch <= L'f')
            wanted += static_cast<char>(ch);
        else if (ch >= L'A' && ch <= L'F')
            wanted += static_cast<char>(ch - L'A' + L'a');
        else
            return -1;
    }
    if (wanted.empty())
        return -1;
    for (int a = 0; a < kChecksumCount; ++a)
        if (!job.m_sz_values[a].empty() && job.m_sz_values[a] == wanted)
            return a;
    return -1;
}

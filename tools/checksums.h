// Checksums of a range of a document's bytes as shown, pending edits
// included: one pass in large blocks, every chosen algorithm fed each block,
// shared out among threads when there are several; progress and a stop flag
// for the window that runs it on a worker.
#pragma once

#include "tools/checksum_algorithms.h"

#include <atomic>
#include <cstdint>
#include <string>

class BlockReadOps;
class CallBackInfo;

// Which bytes the values belong to; m_n_length 0 for an empty document.
struct ChecksumRange {
    int64_t m_n_first = 0;
    int64_t m_n_length = 0;
};

enum ChecksumRangeChoice : int {
    kChecksumRangeAuto = 0, // the selection when it holds more than one byte, else everything
    kChecksumRangeSelection = 1,
    kChecksumRangeWhole = 2
};

// The range a choice stands for in doc now; a selection asked for where
// there is none (or of one byte) still gives that byte or nothing.
ChecksumRange ChecksumRangeOf(const CallBackInfo* doc, int choice);
// 1 when the choice takes the selection rather than the whole document.
int ChecksumUsesSelection(const CallBackInfo* doc, int choice);

enum ChecksumStatus : int { kChecksumDone = 1, kChecksumStopped = 2, kChecksumFailed = 0 };

// Bytes per block; three blocks are read ahead at most.
constexpr int64_t kChecksumBlock = int64_t{2} << 20;

// One computation. The worker fills the results; the stop flag and the
// progress may be touched from any thread meanwhile.
struct ChecksumJob {
    CallBackInfo* m_p_document = nullptr;
    ChecksumRange m_range;
    uint32_t m_n_algorithms = 0; // bit (1 << ChecksumAlgorithm) per chosen algorithm
    std::atomic<int> m_b_stop{0};
    std::atomic<int64_t> m_n_done{0}; // bytes every chosen algorithm has taken

    int m_n_status = kChecksumFailed;
    std::string m_sz_values[kChecksumCount]; // empty for algorithms not chosen
    // Process memory that could not be read, taken as zeros (as a save writes it).
    int64_t m_n_unreadable = 0;
};

// Computes the job's values over its range; threads counts the hashing
// threads to use (0: one per processor, fewer when fewer algorithms are
// chosen; the caller's thread reads). A file byte that cannot be read fails
// the run. Returns the job's status. The caller holds the document against
// edits (HoldForReading) for the whole run.
int RunChecksums(ChecksumJob* job, BlockReadOps& reads, int threads = 0);
int RunChecksums(ChecksumJob* job);

// The rows as `name: value` lines, in the algorithms' order, for those with a value.
std::wstring ChecksumLines(const ChecksumJob& job);
// The first algorithm whose value matches text (hex of either case, spaces
// and a leading "0x" ignored); -1 when none does.
int MatchChecksum(const ChecksumJob& job, const std::wstring& text);

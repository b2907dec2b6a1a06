// ProcessReader: another process's memory read through a block of this
// reader's own, for the workers (search and save), so that they never touch
// the document's read buffer, which the view paints with on its own thread.
#pragma once

#include "data/proc_info.h"

#include <cstdint>
#include <memory>

class ProcessReader {
  public:
    static constexpr int64_t kBlock = 0x10000;
    static constexpr int64_t kPage = 0x1000;

    ProcessReader(ProcessOps* ops, void* process);

    // Pointer to the byte at a source offset (the address) and, in *got, how
    // many bytes follow it in the block (at least 1, at most max_length); null
    // when that byte cannot be read.
    const uint8_t* Span(int64_t src_offset, int64_t max_length, int64_t* got);
    // For a byte Span could not read: how many bytes from it on (at least 1,
    // at most max_length) to treat as unreadable together, namely the rest of
    // its region when the region is not readable, else the rest of its page.
    int64_t UnreadableLength(int64_t src_offset, int64_t max_length);

  private:
    int64_t ReadBlock(ProcAddress address, int64_t want);

    ProcessOps* m_p_ops;
    void* m_h_process;
    std::unique_ptr<uint8_t[]> m_p_block;
    int64_t m_n_address = 0;
    int64_t m_n_count = 0; // block holds [m_n_address, m_n_address + m_n_count)
};

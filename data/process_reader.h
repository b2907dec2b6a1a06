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

    // The same walking backwards: pointer to the first of *got bytes (at
    // least 1, at most max_length and kBlock, in one region) that end at
    // src_last; null when the byte at src_last cannot be read.
    const uint8_t* SpanBefore(int64_t src_last, int64_t max_length, int64_t* got);
    // For a byte SpanBefore could not read: how many bytes ending at it (at
    // least 1, at most max_length) to treat as unreadable together, namely
    // back to where its unreadable regions begin (within kBlock), else the
    // part of its page up to it.
    int64_t UnreadableLengthBefore(int64_t src_last, int64_t max_length);

  private:
    int64_t ReadBlock(ProcAddress address, int64_t want);
    // From floor on, where src_last's readable region begins, or the run of
    // unreadable regions that ends with it; -1 when a query fails. Whether it
    // is readable goes to *readable. A region query describes memory from the
    // queried page on, never before it, so the walk goes up from floor.
    int64_t RunStart(int64_t floor, int64_t src_last, int* readable);

    ProcessOps* m_p_ops;
    void* m_h_process;
    std::unique_ptr<uint8_t[]> m_p_block;
    int64_t m_n_address = 0;
    int64_t m_n_count = 0; // block holds [m_n_address, m_n_address + m_n_count)
};

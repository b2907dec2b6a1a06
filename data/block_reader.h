// BlockReader: a disk file read in large blocks through a buffer of its own,
// for the workers that walk a whole document (search and save). It reads
// with plain file reads rather than mapped views, whose setup and page faults
// cost more than the copy, and holds one block of memory whatever the file's
// size. The document's own 64 KiB view, used for painting, is not touched.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

// The platform's reading calls, behind one seam so tests can fail a read.
class BlockReadOps {
  public:
    virtual ~BlockReadOps() = default;
    // A handle for sequential reading of the file that file (a CFileMapping's
    // m_h_file) has open, independent of that handle's use elsewhere; null on
    // failure.
    virtual void* Open(void* file) = 0;
    // Reads count bytes at offset into buffer; the bytes read (fewer only at
    // the end of the file), or -1 on an error.
    virtual int64_t Read(void* reader, int64_t offset, uint8_t* buffer, size_t count) = 0;
    virtual void Close(void* reader) = 0;
};

// The real platform implementation (data/win32 or data/posix).
BlockReadOps& PlatformBlockReadOps();

class BlockReader {
  public:
    static constexpr int64_t kBlockSize = int64_t{1} << 20; // size and alignment of each read

    BlockReader(void* file, int64_t file_size, BlockReadOps& ops = PlatformBlockReadOps());
    ~BlockReader();
    BlockReader(const BlockReader&) = delete;
    BlockReader& operator=(const BlockReader&) = delete;

    // Pointer to the byte at offset and, in *got, how many bytes follow it in
    // the buffer (at least 1, at most max_length); null when it cannot be
    // read. A span never crosses a multiple of kBlockSize, so a request that
    // lies within one aligned block is met in full. Valid until the next call.
    const uint8_t* Span(int64_t offset, int64_t max_length, int64_t* got);
    // The same walking backwards: pointer to the first of *got bytes (at
    // least 1, at most max_length) that end at the byte at last; null when
    // that byte cannot be read. Such a span never crosses a multiple of
    // kBlockSize either.
    const uint8_t* SpanBefore(int64_t last, int64_t max_length, int64_t* got);
    // Reads up to length bytes at offset straight into out, past the buffer,
    // for a caller that copies large spans anyway: the bytes read (fewer at
    // the file's end), or 0 when none could be (Span then tells which byte).
    int64_t ReadInto(int64_t offset, uint8_t* out, int64_t length);

  private:
    int Fill(int64_t block_start);

    BlockReadOps& m_ops;
    void* m_h_reader = nullptr;
    int64_t m_n_file_size;
    std::unique_ptr<uint8_t[]> m_p_buffer;
    int64_t m_n_start = -1; // buffer holds [m_n_start, m_n_start + m_n_count)
    int64_t m_n_count = 0;
};

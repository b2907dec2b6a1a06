// Block reads of a disk file: aligned blocks, read on a miss, kept until a
// span outside them is asked for.
#include "data/block_reader.h"

#include <new>

BlockReader::BlockReader(void* file, int64_t file_size, BlockReadOps& ops)
    : m_ops(ops), m_n_file_size(file_size) {
    if (file != nullptr)
        m_h_reader = m_ops.Open(file);
}

BlockReader::~BlockReader() {
    if (m_h_reader != nullptr)
        m_ops.Close(m_h_reader);
}

int BlockReader::Fill(int64_t block_start) {
    m_n_start = -1;
    m_n_count = 0;
    if (m_h_reader == nullptr)
        return 0;
    if (m_p_buffer == nullptr) {
        m_p_buffer.reset(new (std::nothrow) uint8_t[static_cast<size_t>(kBlockSize)]);
        if (m_p_buffer == nullptr)
            return 0;
    }
    const int64_t rest = m_n_file_size - block_start;
    const int64_t want = rest < kBlockSize ? rest : kBlockSize;
    const int64_t read =
        m_ops.Read(m_h_reader, block_start, m_p_buffer.get(), static_cast<size_t>(want));
    // A file that shrank under the document reads short: those bytes are unreadable.
    if (read <= 0)
        return 0;
    m_n_start = block_start;
    m_n_count = read;
    return 1;
}

const uint8_t* BlockReader::Span(int64_t offset, int64_t max_length, int64_t* got) {
    if (offset < 0 || offset >= m_n_file_size || max_length <= 0)
        return nullptr;
    if (offset < m_n_start || offset >= m_n_start + m_n_count) {
        if (!Fill(offset & ~(kBlockSize - 1)) || offset >= m_n_start + m_n_count)
            return nullptr;
    }
    const int64_t left = m_n_start + m_n_count - offset;
    *got = left < max_length ? left : max_length;
    return m_p_buffer.get() + (offset - m_n_start);
}

const uint8_t* BlockReader::SpanBefore(int64_t last, int64_t max_length, int64_t* got) {
    if (last < 0 || last >= m_n_file_size || max_length <= 0)
        return nullptr;
    if (last < m_n_start || last >= m_n_start + m_n_count) {
        if (!Fill(last & ~(kBlockSize - 1)) || last >= m_n_start + m_n_count)
            return nullptr;
    }
    const int64_t have = last - m_n_start + 1;
    *got = have < max_length ? have : max_length;
    return m_p_buffer.get() + (last - m_n_start + 1 - *got);
}

int64_t BlockReader::ReadInto(int64_t offset, uint8_t* out, int64_t length) {
    if (m_h_reader == nullptr || offset < 0 || offset >= m_n_file_size || length <= 0)
        return 0;
    const int64_t rest = m_n_file_size - offset;
    const int64_t want = rest < length ? rest : length;
    const int64_t read = m_ops.Read(m_h_reader, offset, out, static_cast<size_t>(want));
    return read > 0 ? read : 0;
}

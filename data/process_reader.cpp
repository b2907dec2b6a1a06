// Reads of another process's memory in blocks of up to 64 KiB, each within
// one committed, readable region.
#include "data/process_reader.h"

#include <new>

ProcessReader::ProcessReader(ProcessOps* ops, void* process)
    : m_p_ops(ops), m_h_process(process), m_p_block(new (std::nothrow) uint8_t[kBlock]) {}

int64_t ProcessReader::ReadBlock(ProcAddress address, int64_t want) {
    const size_t read =
        m_p_ops->ReadMemory(m_h_process, address, m_p_block.get(), static_cast<size_t>(want));
    return read > static_cast<size_t>(want) ? 0 : static_cast<int64_t>(read);
}

const uint8_t* ProcessReader::Span(int64_t src_offset, int64_t max_length, int64_t* got) {
    if (m_p_ops == nullptr || m_h_process == nullptr || m_p_block == nullptr || src_offset < 0 ||
        max_length <= 0)
        return nullptr;
    if (src_offset >= m_n_address && src_offset < m_n_address + m_n_count) {
        const int64_t left = m_n_address + m_n_count - src_offset;
        *got = left < max_length ? left : max_length;
        return m_p_block.get() + (src_offset - m_n_address);
    }
    m_n_count = 0;
    const auto address = static_cast<ProcAddress>(src_offset);
    MemoryRegion region = {};
    if (!m_p_ops->QueryRegion(m_h_process, address, &region) || !region.committed ||
        !region.readable || region.base > address || address - region.base >= region.size)
        return nullptr;
    const uint64_t left = region.size - (address - region.base);
    int64_t want = max_length < kBlock ? max_length : kBlock;
    if (static_cast<uint64_t>(want) > left)
        want = static_cast<int64_t>(left);
    int64_t read = ReadBlock(address, want);
    if (read == 0) {
        // One bad page fails a whole read; the bytes before it are still readable.
        const int64_t page_rest = kPage - (src_offset & (kPage - 1));
        if (page_rest < want)
            read = ReadBlock(address, page_rest);
    }
    if (read == 0)
        return nullptr;
    m_n_address = src_offset;
    m_n_count = read;
    *got = m_n_count;
    return m_p_block.get();
}

int64_t ProcessReader::UnreadableLength(int64_t src_offset, int64_t max_length) {
    int64_t length = kPage - (src_offset & (kPage - 1));
    const auto address = static_cast<ProcAddress>(src_offset);
    MemoryRegion region = {};
    if (m_p_ops != nullptr && m_h_process != nullptr &&
        m_p_ops->QueryRegion(m_h_process, address, &region) &&
        !(region.committed && region.readable) && region.base <= address &&
        address - region.base < region.size) {
        const uint64_t rest = region.size - (address - region.base);
        length = rest > static_cast<uint64_t>(max_length) ? max_length : static_cast<int64_t>(rest);
    }
    if (length > max_length)
        length = max_length;
    return length > 0 ? length : 1;
}

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

int64_t ProcessReader::RunStart(int64_t floor, int64_t src_last, int* readable) {
    uint64_t address = static_cast<uint64_t>(floor);
    int64_t start = floor;
    int kind = -1;
    for (;;) {
        MemoryRegion region = {};
        if (!m_p_ops->QueryRegion(m_h_process, static_cast<ProcAddress>(address), &region) ||
            region.size == 0 || region.base > address)
            return -1;
        // Reads stay within one region, as forward reads do; unreadable
        // regions in a row are passed over together.
        const int here = region.committed && region.readable ? 1 : 0;
        if (here != kind || here) {
            kind = here;
            start = static_cast<int64_t>(address);
        }
        const uint64_t base = region.base;
        if (region.size - 1 >= static_cast<uint64_t>(src_last) - base) {
            *readable = kind;
            return start;
        }
        address = base + region.size;
    }
}

const uint8_t* ProcessReader::SpanBefore(int64_t src_last, int64_t max_length, int64_t* got) {
    if (m_p_ops == nullptr || m_h_process == nullptr || m_p_block == nullptr || src_last < 0 ||
        max_length <= 0)
        return nullptr;
    const int64_t length = max_length < kBlock ? max_length : kBlock;
    int64_t first = src_last - length + 1;
    if (first < 0)
        first = 0;
    if (src_last >= m_n_address && src_last < m_n_address + m_n_count) {
        if (first < m_n_address)
            first = m_n_address;
        *got = src_last - first + 1;
        return m_p_block.get() + (first - m_n_address);
    }
    m_n_count = 0;
    int readable = 0;
    const int64_t start = RunStart(first, src_last, &readable);
    if (start < 0 || !readable)
        return nullptr;
    first = start;
    int64_t want = src_last - first + 1;
    if (ReadBlock(static_cast<ProcAddress>(first), want) != want) {
        // One bad page fails a whole read; the bytes of the last page may
        // still be readable.
        const int64_t page_first = src_last & ~(kPage - 1);
        if (page_first <= first)
            return nullptr;
        first = page_first;
        want = src_last - first + 1;
        if (ReadBlock(static_cast<ProcAddress>(first), want) != want)
            return nullptr;
    }
    m_n_address = first;
    m_n_count = want;
    *got = want;
    return m_p_block.get();
}

int64_t ProcessReader::UnreadableLengthBefore(int64_t src_last, int64_t max_length) {
    int64_t length = (src_last & (kPage - 1)) + 1;
    const int64_t window = max_length < kBlock ? max_length : kBlock;
    const int64_t floor = src_last - window + 1 > 0 ? src_last - window + 1 : 0;
    int readable = 1;
    const int64_t start =
        m_p_ops != nullptr && m_h_process != nullptr ? RunStart(floor, src_last, &readable) : -1;
    if (start >= 0 && !readable)
        length = src_last - start + 1;
    if (length > max_length)
        length = max_length;
    return length > 0 ? length : 1;
}

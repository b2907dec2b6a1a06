// Memory-backed test sources (see memory_source.h).
#include "tests/fakes/memory_source.h"

std::vector<uint8_t> MemorySource::Pattern(size_t size) {
    std::vector<uint8_t> bytes(size);
    for (size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<uint8_t>(i * 7 + 3);
    return bytes;
}

const uint8_t* MemorySource::GetData(int64_t offset) {
    ++m_n_calls;
    if (offset < 0 || static_cast<uint64_t>(offset) >= m_bytes.size())
        return nullptr;
    return m_bytes.data() + offset;
}

const uint8_t* FailingSource::GetData(int64_t offset) {
    const uint8_t* p = MemorySource::GetData(offset);
    if (m_n_fail_from > 0 && m_n_calls >= m_n_fail_from)
        return nullptr;
    return p;
}

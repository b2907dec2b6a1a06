// MemoryClipboard: formats map to owned blocks; blocks are plain byte vectors.
#include "tools/memory_clipboard.h"

#include <new>

MemoryClipboard::~MemoryClipboard() {
    for (auto& entry : m_formats)
        delete entry.second;
}

int MemoryClipboard::Open(void* /*owner*/) {
    ++m_n_open_calls;
    if (m_n_refuse_opens > 0) {
        --m_n_refuse_opens;
        return 0;
    }
    if (m_b_refuse_open || m_b_open)
        return 0;
    m_b_open = 1;
    return 1;
}

int MemoryClipboard::Empty() {
    if (!m_b_open)
        return 0;
    for (auto& entry : m_formats)
        delete entry.second;
    m_formats.clear();
    m_order.clear();
    return 1;
}

void MemoryClipboard::Close() {
    m_b_open = 0;
}

void* MemoryClipboard::Alloc(size_t size) {
    ++m_n_alloc_calls;
    if (m_n_fail_alloc_at != 0 && m_n_alloc_calls == m_n_fail_alloc_at)
        return nullptr;
    auto* block = new (std::nothrow) Block;
    if (block == nullptr)
        return nullptr;
    block->bytes.assign(size, 0);
    ++m_n_live_blocks;
    return block;
}

uint8_t* MemoryClipboard::Lock(void* block) {
    if (block == nullptr)
        return nullptr;
    ++m_n_lock_count;
    auto* b = static_cast<Block*>(block);
    // A zero-sized block still locks to a valid address, as global memory does.
    static uint8_t empty_block = 0;
    return b->bytes.empty() ? &empty_block : b->bytes.data();
}

void MemoryClipboard::Unlock(void* block) {
    if (block != nullptr)
        --m_n_lock_count;
}

void MemoryClipboard::Free(void* block) {
    if (block == nullptr)
        return;
    --m_n_live_blocks;
    delete static_cast<Block*>(block);
}

size_t MemoryClipboard::Size(void* block) {
    return block == nullptr ? 0 : static_cast<Block*>(block)->bytes.size();
}

int MemoryClipboard::SetData(uint32_t format, void* block) {
    ++m_n_set_calls;
    if (!m_b_open || block == nullptr || m_b_refuse_data)
        return 0;
    auto found = m_formats.find(format);
    if (found != m_formats.end())
        delete found->second;
    m_formats[format] = static_cast<Block*>(block);
    Placed(format);
    --m_n_live_blocks;
    return 1;
}

int MemoryClipboard::PlacedBefore(uint32_t a, uint32_t b) {
    for (uint32_t format : m_order) {
        if (format == a)
            return 1;
        if (format == b)
            return 0;
    }
    return 0;
}

void MemoryClipboard::Placed(uint32_t format) {
    for (auto it = m_order.begin(); it != m_order.end(); ++it)
        if (*it == format) {
            m_order.erase(it);
            break;
        }
    m_order.push_back(format);
}

void* MemoryClipboard::GetData(uint32_t format) {
    if (!m_b_open)
        return nullptr;
    auto found = m_formats.find(format);
    return found == m_formats.end() ? nullptr : found->second;
}

int MemoryClipboard::IsFormatAvailable(uint32_t format) {
    return HasFormat(format);
}

void MemoryClipboard::Put(uint32_t format, const std::vector<uint8_t>& bytes) {
    auto found = m_formats.find(format);
    if (found != m_formats.end())
        delete found->second;
    auto* block = new Block;
    block->bytes = bytes;
    m_formats[format] = block;
    Placed(format);
}

std::vector<uint8_t> MemoryClipboard::Get(uint32_t format) const {
    auto found = m_formats.find(format);
    return found == m_formats.end() ? std::vector<uint8_t>() : found->second->bytes;
}

void MemoryClipboard::Clear() {
    for (auto& entry : m_formats)
        delete entry.second;
    m_formats.clear();
    m_order.clear();
}

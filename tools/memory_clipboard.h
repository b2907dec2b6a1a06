// MemoryClipboard: a clipboard held in this process's memory, with the same
// open/own/close rules as the system's. The platform clipboard where there is
// no window system, and the clipboard of the native tests (with failure knobs).
#pragma once

#include "tools/clipboard.h"

#include <cstdint>
#include <map>
#include <vector>

class MemoryClipboard : public ClipboardOps {
  public:
    MemoryClipboard() = default;
    ~MemoryClipboard() override;
    MemoryClipboard(const MemoryClipboard&) = delete;
    MemoryClipboard& operator=(const MemoryClipboard&) = delete;

    int Open(void* owner) override;
    int Empty() override;
    void Close() override;
    void* Alloc(size_t size) override;
    uint8_t* Lock(void* block) override;
    void Unlock(void* block) override;
    void Free(void* block) override;
    size_t Size(void* block) override;
    int SetData(uint32_t format, void* block) override;
    void* GetData(uint32_t format) override;
    int IsFormatAvailable(uint32_t format) override;
    int PlacedBefore(uint32_t a, uint32_t b) override;

    // Test helpers: put bytes under a format directly, read them back.
    void Put(uint32_t format, const std::vector<uint8_t>& bytes);
    std::vector<uint8_t> Get(uint32_t format) const;
    void Clear();
    int HasFormat(uint32_t format) const { return m_formats.count(format) != 0 ? 1 : 0; }

    // Failure knobs (1-based call numbers, 0 never) and counters.
    int m_b_refuse_open = 0;
    int m_n_refuse_opens = 0; // opens still to refuse before one succeeds (a brief holder)
    int m_b_refuse_data = 0;  // SetData keeps nothing
    int64_t m_n_open_calls = 0;
    int64_t m_n_fail_alloc_at = 0;
    int64_t m_n_alloc_calls = 0;
    int64_t m_n_set_calls = 0;
    int m_b_open = 0;
    int64_t m_n_live_blocks = 0; // allocated and not yet owned by the clipboard or freed
    int m_n_lock_count = 0;      // locks not yet matched by an unlock

  private:
    struct Block {
        std::vector<uint8_t> bytes;
    };
    std::map<uint32_t, Block*> m_formats; // owned
    std::vector<uint32_t> m_order;        // formats in the order they were placed
    void Placed(uint32_t format);
};

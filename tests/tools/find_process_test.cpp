// Find over a process document: committed pages that cannot be read are
// passed over in both directions, and no match spans them.
#include "tests/tools/tools_fixture.h"
#include "tools/find.h"

#include <cstdio>
#include <string>

namespace {

// Three committed regions of 0x1000 bytes at 0x10000, 0x20000 (unreadable)
// and 0x30000; the document lays them at 0, 0x1000 and 0x2000.
class ThreeRegions : public ProcessOps {
  public:
    int EnumerateProcesses(void (*visit)(void*, const SnapshotEntry&), void* context) override {
        visit(context, SnapshotEntry{7, L"target.exe"});
        return 1;
    }
    void* OpenForRead(uint32_t) override { return this; }
    size_t ModulePath(void*, wchar_t* buffer, size_t capacity) override {
        const std::wstring path = L"C:\\target.exe";
        if (capacity <= path.size())
            return capacity;
        std::copy(path.begin(), path.end(), buffer);
        buffer[path.size()] = 0;
        return path.size();
    }
    void* SmallIcon(const wchar_t*) override { return nullptr; }
    void DestroyIcon(void*) override {}
    void CloseProcess(void*) override {}
    int QueryRegion(void*, ProcAddress address, MemoryRegion* region) override {
        for (ProcAddress base : {0x10000u, 0x20000u, 0x30000u}) {
            if (address >= base && address < base + 0x1000) {
                *region = {base, 0x1000, 1, base != 0x20000};
                return 1;
            }
            if (address < base) {
                *region = {address, base - address, 0, 0};
                return 1;
            }
        }
        if (address >= 0x100000)
            return 0;
        *region = {address, 0x100000 - address, 0, 0};
        return 1;
    }
    size_t ReadMemory(void*, ProcAddress address, void* buffer, size_t count) override {
        if (address >= 0x20000 && address < 0x21000)
            return 0;
        for (size_t i = 0; i < count; ++i)
            static_cast<uint8_t*>(buffer)[i] = Byte(address + i);
        return count;
    }
    ProcAddress TopOfUserSpace() override { return 0x100000; }
    // Scrambled bytes: three in a row do not recur in 12 KiB.
    static uint8_t Byte(ProcAddress address) {
        uint64_t x = address + 0x9E3779B97F4A7C15ull;
        x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
        x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
        return static_cast<uint8_t>(x ^ (x >> 31));
    }
};

class FindProcess : public ToolsFixture {
  protected:
    void SetUp() override {
        ToolsFixture::SetUp();
        m_doc = std::make_unique<CallBackInfo>(nullptr, m_ops, m_process);
        g_p_current_document = m_doc.get();
        ASSERT_EQ(m_doc->m_proc_info.ListProcesses(), 1);
        m_doc->m_p_data_plane = new CDataPlane();
        ASSERT_EQ(m_doc->m_proc_info.OpenProcessAt(0, m_doc->m_p_data_plane), 1);
        m_doc->m_n_data_size = static_cast<int64_t>(m_doc->m_proc_info.m_n_total_size);
        m_doc->m_n_source_kind = 1;
        ASSERT_EQ(m_doc->m_n_data_size, 0x3000);
    }

    // The hex pattern of the bytes at these addresses.
    static std::wstring HexAt(std::initializer_list<ProcAddress> addresses) {
        std::wstring text;
        for (ProcAddress a : addresses) {
            wchar_t pair[3] = {};
            std::swprintf(pair, 3, L"%02X", ThreeRegions::Byte(a));
            text += pair;
        }
        return text;
    }

    int64_t Search(const std::wstring& text, int direction) {
        int64_t end = -1;
        return FindPattern(kFindModeHex, text.c_str(), direction, &end, 0);
    }

    ThreeRegions m_process;
};

TEST_F(FindProcess, SearchesGoPastAnUnreadableRegion) {
    const std::wstring in_third = HexAt({0x30100, 0x30101, 0x30102});
    Select(-1, -1);
    EXPECT_EQ(Search(in_third, 1), 0x2100);
    const std::wstring in_first = HexAt({0x10200, 0x10201, 0x10202});
    Select(0x2FFF, 0x2FFF);
    EXPECT_EQ(Search(in_first, 0), 0x200);
}

TEST_F(FindProcess, NoMatchSpansTheUnreadableRegion) {
    // The last bytes of the first region joined to the first of the third.
    const std::wstring across = HexAt({0x10FFE, 0x10FFF, 0x30000, 0x30001});
    Select(-1, -1);
    EXPECT_EQ(Search(across, 1), -1);
    Select(0x2FFF, 0x2FFF);
    EXPECT_EQ(Search(across, 0), -1);
    // A match right after the gap is found.
    Select(-1, -1);
    EXPECT_EQ(Search(HexAt({0x30000, 0x30001, 0x30002}), 1), 0x2000);
}

} // namespace

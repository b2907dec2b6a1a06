// The recovery keeper's platform for benchmarks: the real folder calls, on a
// folder of the benchmark's own (PELMORA_BENCH_DIR, or build/bench-recovery).
#pragma once

#include "data/recovery.h"

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

class BenchPlatform final : public RecoveryPlatform {
  public:
    BenchPlatform() {
        const char* base = std::getenv("PELMORA_BENCH_DIR");
        std::filesystem::path p = base != nullptr ? base : "build/bench-recovery";
        std::filesystem::create_directories(p);
        m_sz_folder = std::filesystem::absolute(p).wstring() + L"/";
    }
    std::wstring Folder() override { return m_sz_folder; }
    int List(const wchar_t* f, std::vector<std::wstring>* n) override {
        return PlatformRecovery().List(f, n);
    }
    int Stamp(const wchar_t* p, int64_t* s, int64_t* t) override {
        return PlatformRecovery().Stamp(p, s, t);
    }
    int64_t Now() override { return PlatformRecovery().Now(); }
    int ProcessRuns(uint32_t, const wchar_t*) override { return 1; }
    void Self(uint32_t* id, int64_t* start) override { PlatformRecovery().Self(id, start); }
    int InstanceRuns(uint32_t, int64_t) override { return 1; }
    int FileKey(const wchar_t* p, std::wstring* key) override {
        return PlatformRecovery().FileKey(p, key);
    }

  private:
    std::wstring m_sz_folder;
};

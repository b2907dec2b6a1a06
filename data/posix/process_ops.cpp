// Process operations for the portable build: no other process is offered, so the
// list is always empty and nothing can be opened or read.
#include "data/proc_info.h"

namespace {

class NoProcessOps final : public ProcessOps {
  public:
    int EnumerateProcesses(void (*)(void*, const SnapshotEntry&), void*) override { return 0; }
    void* OpenForRead(uint32_t) override { return nullptr; }
    size_t ModulePath(void*, wchar_t*, size_t) override { return 0; }
    void* SmallIcon(const wchar_t*) override { return nullptr; }
    void DestroyIcon(void*) override {}
    void CloseProcess(void*) override {}
    int QueryRegion(void*, ProcAddress, MemoryRegion*) override { return 0; }
    size_t ReadMemory(void*, ProcAddress, void*, size_t) override { return 0; }
};

} // namespace

ProcessOps& PlatformProcessOps() {
    static NoProcessOps ops;
    return ops;
}

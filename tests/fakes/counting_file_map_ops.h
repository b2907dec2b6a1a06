// CountingFileMapOps: a FileMapOps decorator that counts the platform calls
// and fails chosen ones, so tests see how often views are mapped and how
// CFileMapping behaves when the system refuses.
#pragma once

#include "data/file_mapping.h"

#include <cstdint>

class CountingFileMapOps : public FileMapOps {
  public:
    explicit CountingFileMapOps(FileMapOps& inner = PlatformFileMapOps()) : m_inner(inner) {}

    void* OpenExisting(const wchar_t* path, int writable) override;
    int GetSize(void* file, int64_t* size) override;
    int GetStamp(void* file, FileStamp* stamp) override;
    void* CreateMapping(void* file, int writable, int64_t max_size) override;
    void* MapView(void* mapping, int writable, int64_t offset, size_t length) override;
    int UnmapView(void* view, size_t length) override;
    void CloseMapping(void* mapping) override;
    void CloseFile(void* file) override;

    // Calls so far.
    int64_t m_n_open_calls = 0;
    int64_t m_n_map_calls = 0;
    int64_t m_n_unmap_calls = 0;
    int64_t m_n_close_mapping_calls = 0;
    int64_t m_n_close_file_calls = 0;
    int64_t m_n_views_mapped = 0; // views currently mapped through this object
    int64_t m_n_last_map_offset = -1;
    size_t m_n_last_map_length = 0;
    int m_n_last_map_writable = -1;

    // Failure injection (1-based call numbers; 0 never fails).
    int64_t m_n_fail_map_at = 0;   // this MapView call returns null
    int64_t m_n_fail_unmap_at = 0; // this UnmapView call unmaps but reports failure
    int m_b_refuse_writable = 0;   // read-write opens fail, as for a file shared read-only
    int m_b_fail_mapping = 0;      // CreateMapping fails

  private:
    FileMapOps& m_inner;
};

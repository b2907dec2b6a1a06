// Counting and failing FileMapOps decorator (see counting_file_map_ops.h).
#include "tests/fakes/counting_file_map_ops.h"

void* CountingFileMapOps::OpenExisting(const wchar_t* path, int writable) {
    ++m_n_open_calls;
    if (writable && m_b_refuse_writable)
        return nullptr;
    return m_inner.OpenExisting(path, writable);
}

int CountingFileMapOps::GetSize(void* file, int64_t* size) {
    return m_inner.GetSize(file, size);
}

int CountingFileMapOps::GetStamp(void* file, FileStamp* stamp) {
    return m_inner.GetStamp(file, stamp);
}

void* CountingFileMapOps::CreateMapping(void* file, int writable, int64_t max_size) {
    if (m_b_fail_mapping)
        return nullptr;
    return m_inner.CreateMapping(file, writable, max_size);
}

void* CountingFileMapOps::MapView(void* mapping, int writable, int64_t offset, size_t length) {
    ++m_n_map_calls;
    m_n_last_map_offset = offset;
    m_n_last_map_length = length;
    m_n_last_map_writable = writable;
    if (m_n_fail_map_at != 0 && m_n_map_calls == m_n_fail_map_at)
        return nullptr;
    void* view = m_inner.MapView(mapping, writable, offset, length);
    if (view != nullptr)
        ++m_n_views_mapped;
    return view;
}

int CountingFileMapOps::UnmapView(void* view, size_t length) {
    ++m_n_unmap_calls;
    int ok = m_inner.UnmapView(view, length);
    if (ok)
        --m_n_views_mapped;
    if (m_n_fail_unmap_at != 0 && m_n_unmap_calls == m_n_fail_unmap_at)
        return 0;
    return ok;
}

void CountingFileMapOps::CloseMapping(void* mapping) {
    ++m_n_close_mapping_calls;
    m_inner.CloseMapping(mapping);
}

void CountingFileMapOps::CloseFile(void* file) {
    ++m_n_close_file_calls;
    m_inner.CloseFile(file);
}

// CFileMapping: a disk file read through one 64 KiB view at a time; the
// platform calls go through the FileMapOps seam.
#include "data/file_mapping.h"

#include "base/messages.h"
#include "base/tkstr.h"

#include <new>
#include <utility>

CFileMapping::CFileMapping(FileMapOps& ops) : m_p_ops(&ops) {}

CFileMapping::CFileMapping(const CFileMapping& owner)
    : m_p_name(owner.m_p_name), m_h_file(owner.m_h_file), m_h_mapping(owner.m_h_mapping),
      m_n_file_size(owner.m_n_file_size), m_n_readable_size(owner.m_n_readable_size),
      m_stamp_opened(owner.m_stamp_opened), m_b_shared(1), m_b_writable(owner.m_b_writable),
      m_p_ops(owner.m_p_ops) {}

CFileMapping::~CFileMapping() {
    Close();
}

int CFileMapping::Open(const wchar_t* path, int read_only) {
    // A used object is emptied first so no handle of an earlier file leaks.
    Close();
    m_b_shared = 0;
    m_b_writable = 1;
    m_n_file_size = 0;
    m_n_readable_size = 0;
    m_stamp_opened = FileStamp();
    m_stamp_asked = FileStamp();
    m_n_view_index = -1;

    m_p_name = new (std::nothrow) tkstr(path);
    m_h_file = read_only ? nullptr : m_p_ops->OpenExisting(path, 1);
    if (m_h_file == nullptr) {
        m_b_writable = 0;
        m_h_file = m_p_ops->OpenExisting(path, 0);
    }
    if (m_h_file == nullptr) {
        delete m_p_name;
        m_p_name = nullptr;
        return 0;
    }
    int64_t size = 0;
    if (!m_p_ops->GetSize(m_h_file, &size) || size < 0)
        return 0; // the file handle stays open until Close
    m_n_file_size = size;
    m_n_readable_size = size;
    if (!m_p_ops->GetStamp(m_h_file, &m_stamp_opened))
        m_stamp_opened = FileStamp();
    m_h_mapping = m_p_ops->CreateMapping(m_h_file, m_b_writable, 0);
    if (m_h_mapping == nullptr)
        return 0;
    return 1;
}

const uint8_t* CFileMapping::Remap(int64_t index, size_t position) {
    UnmapCurrentView();
    if (!MapView(index))
        return nullptr; // m_n_view_index keeps its value; the null view forces a new mapping
    m_n_view_index = index;
    return m_p_view + position;
}

void CFileMapping::UnmapCurrentView() {
    if (m_p_view == nullptr)
        return;
    if (!m_p_ops->UnmapView(m_p_view, m_n_view_length))
        ShowMessage(L"UnmapViewOfFile Failed!");
    m_p_view = nullptr;
    m_n_view_length = 0;
}

int CFileMapping::MapView(int64_t index) {
    m_p_view = nullptr;
    m_n_view_length = 0;
    if (m_h_mapping == nullptr || index < 0)
        return 0;
    const int64_t view_offset = index * kViewSize;
    if (view_offset > m_n_readable_size - 1)
        return 0;
    const int64_t rest = m_n_readable_size - view_offset;
    const size_t length = static_cast<size_t>(rest < kViewSize ? rest : kViewSize);
    void* view = m_p_ops->MapView(m_h_mapping, m_b_writable, view_offset, length);
    if (view == nullptr) {
        ShowMessage(L"MapViewOfFileEx Failed!");
        return 0;
    }
    m_p_view = static_cast<uint8_t*>(view);
    m_n_view_length = length;
    return 1;
}

const uint8_t* CFileMapping::ViewData(int64_t offset, size_t* available) {
    const uint8_t* p = GetData(offset);
    if (available != nullptr)
        *available =
            p != nullptr ? m_n_view_length - static_cast<size_t>(offset & (kViewSize - 1)) : 0;
    return p;
}

int CFileMapping::ReadStamp(FileStamp* now) const {
    return m_h_file != nullptr && m_p_ops->GetStamp(m_h_file, now) ? 1 : 0;
}

int CFileMapping::CheckStamp(FileStamp* now) {
    if (!ReadStamp(now))
        return 0;
    if (now->m_n_size >= 0 && now->m_n_size < m_n_readable_size) {
        m_n_readable_size = now->m_n_size;
        // The view in hand may reach past the new end.
        UnmapCurrentView();
        m_n_view_index = -1;
    }
    return 1;
}

void CFileMapping::Swap(CFileMapping& other) {
    std::swap(m_p_name, other.m_p_name);
    std::swap(m_h_file, other.m_h_file);
    std::swap(m_h_mapping, other.m_h_mapping);
    std::swap(m_n_file_size, other.m_n_file_size);
    std::swap(m_n_readable_size, other.m_n_readable_size);
    std::swap(m_stamp_opened, other.m_stamp_opened);
    std::swap(m_stamp_asked, other.m_stamp_asked);
    std::swap(m_n_view_index, other.m_n_view_index);
    std::swap(m_p_view, other.m_p_view);
    std::swap(m_b_shared, other.m_b_shared);
    std::swap(m_b_writable, other.m_b_writable);
    std::swap(m_n_view_length, other.m_n_view_length);
    std::swap(m_p_ops, other.m_p_ops);
}

void CFileMapping::Close() {
    UnmapCurrentView();
    m_n_view_index = -1;
    if (m_b_shared) {
        // Borrowed from the owner, which releases them.
        return;
    }
    delete m_p_name;
    m_p_name = nullptr;
    if (m_h_mapping != nullptr) {
        m_p_ops->CloseMapping(m_h_mapping);
        m_h_mapping = nullptr;
    }
    if (m_h_file != nullptr) {
        m_p_ops->CloseFile(m_h_file);
        m_h_file = nullptr;
    }
}

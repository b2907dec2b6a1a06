// CFileMapping: a disk file read through one 64 KiB mapped view at a time.
#pragma once

#include "data/source.h"

#include <cstddef>
#include <cstdint>

class tkstr;

constexpr int64_t kViewSize = 0x10000; // size and alignment of every mapped view

// What tells that another program changed a file: its size and last-write
// time (in the platform's ticks; only compared). A size of -1 is unknown.
struct FileStamp {
    int64_t m_n_size = -1;
    int64_t m_n_time = 0;
};

inline bool SameStamp(const FileStamp& a, const FileStamp& b) {
    return a.m_n_size == b.m_n_size && a.m_n_time == b.m_n_time;
}

// The platform's file and mapping calls, behind one seam so tests can count
// mappings and inject failures. Handles are opaque (HANDLE on Windows, a file
// descriptor wrapper elsewhere); null means failure or none.
class FileMapOps {
  public:
    virtual ~FileMapOps() = default;
    // Opens an existing file, read-write with read/write sharing when writable
    // is 1, else read-only with read sharing.
    virtual void* OpenExisting(const wchar_t* path, int writable) = 0;
    virtual int GetSize(void* file, int64_t* size) = 0;
    // Size and last-write time of an open file as they are now, whoever
    // wrote it; 1 or 0.
    virtual int GetStamp(void* file, FileStamp* stamp) = 0;
    // A mapping object over the file; max_size 0 means the file's size, a larger
    // size extends the file. Null on failure (also when it already existed).
    virtual void* CreateMapping(void* file, int writable, int64_t max_size) = 0;
    virtual void* MapView(void* mapping, int writable, int64_t offset, size_t length) = 0;
    virtual int UnmapView(void* view, size_t length) = 0;
    virtual void CloseMapping(void* mapping) = 0;
    virtual void CloseFile(void* file) = 0;
};

// The real platform implementation (data/win32 or data/posix).
FileMapOps& PlatformFileMapOps();

class CFileMapping : public CSrclibrary {
  public:
    explicit CFileMapping(FileMapOps& ops = PlatformFileMapOps());
    // Shared copy: borrows the owner's name, file and mapping; maps its own view.
    CFileMapping(const CFileMapping& owner);
    CFileMapping& operator=(const CFileMapping&) = delete;
    ~CFileMapping() override;

    // Opens the file read-write, or read-only when that is refused or asked
    // for (read_only 1); 1 or 0.
    int Open(const wchar_t* path, int read_only = 0);
    // Inline so readers that hold a CFileMapping itself pay two compares for a
    // byte of the current view; anything else goes to Remap.
    const uint8_t* GetData(int64_t offset) override {
        if (offset < 0 || offset >= m_n_readable_size)
            return nullptr;
        const int64_t index = offset >> 16;
        const size_t position = static_cast<size_t>(offset & (kViewSize - 1));
        if (index == m_n_view_index && m_p_view != nullptr)
            return m_p_view + position;
        return Remap(index, position);
    }
    // GetData that also tells how many bytes from the returned pointer lie in
    // the mapped view (0 with a null result); for readers that take whole spans.
    const uint8_t* ViewData(int64_t offset, size_t* available);
    // Unmaps the view and, for the owner, releases name, mapping and file.
    void Close();
    // The file's stamp as it is now (another program may have written it).
    // A file now shorter than the bytes read from it is read no further
    // than its new end from here on, so no byte past it is ever shown. 1 or 0.
    int CheckStamp(FileStamp* now);
    // The same stamp without touching the views (safe from a worker). 1 or 0.
    int ReadStamp(FileStamp* now) const;
    // Exchanges everything with another owner (a file opened afresh takes
    // this one's place; the other then holds and closes the old file).
    void Swap(CFileMapping& other);

    tkstr* m_p_name = nullptr;
    void* m_h_file = nullptr;
    void* m_h_mapping = nullptr;
    int64_t m_n_file_size = 0; // at opening: the size the document's pieces refer to
    // The bytes that can be read: the size at opening, or less once the file
    // was found shorter.
    int64_t m_n_readable_size = 0;
    FileStamp m_stamp_opened; // size and last-write time at opening
    FileStamp m_stamp_asked;  // the last changed stamp the user was asked about
    int64_t m_n_view_index = -1;
    uint8_t* m_p_view = nullptr;
    int32_t m_b_shared = 0;
    int32_t m_b_writable = 1;

    // Bytes valid from m_p_view (the view's length); 0 when no view is mapped.
    size_t m_n_view_length = 0;
    FileMapOps* m_p_ops;

  private:
    int MapView(int64_t index);
    const uint8_t* Remap(int64_t index, size_t position);
    void UnmapCurrentView();
};

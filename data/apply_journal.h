// Apply in place: when the pending changes keep the file's size, only the
// changed ranges are written into the file, crash-safely. Their old bytes go
// first into a journal beside the file, flushed, then the new bytes into the
// file, flushed, then the journal is removed; a journal found later means an
// apply was cut short, and its old bytes put the file back as it was.
#pragma once

#include "data/file_mapping.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class CDataPlane;

// Every file operation of an in-place apply and of a rollback, behind one
// seam so tests can fail or cut short each in turn. Handles are opaque;
// null means failure.
class InPlaceFileOps {
  public:
    virtual ~InPlaceFileOps() = default;
    // Opens an existing file to read and write in place, sharing reading and
    // writing (the document keeps its own handle open meanwhile).
    virtual void* OpenForUpdate(const wchar_t* path) = 0;
    // Creates a journal that must not exist yet, held so that no other
    // program (or instance) reads it while it is ours.
    virtual void* CreateJournal(const wchar_t* path) = 0;
    // Opens an existing journal to use it, held the same way; null when it
    // cannot be opened or is held by a running apply.
    virtual void* OpenJournal(const wchar_t* path) = 0;
    // Reads or writes exactly length bytes at offset; 1 or 0.
    virtual int ReadAt(void* file, int64_t offset, uint8_t* out, size_t length) = 0;
    virtual int WriteAt(void* file, int64_t offset, const uint8_t* data, size_t length) = 0;
    // Forces the file's data to the disk.
    virtual int Flush(void* file) = 0;
    virtual int GetStamp(void* file, FileStamp* stamp) = 0;
    // Sets the file's last-write time (in GetStamp's ticks).
    virtual int SetWriteTime(void* file, int64_t time) = 0;
    virtual int Close(void* file) = 0;
    virtual int Exists(const wchar_t* path) = 0;
    // Removes a journal, also while it is open here.
    virtual int Delete(const wchar_t* path) = 0;
    // Renames from to to, which does not exist.
    virtual int Rename(const wchar_t* from, const wchar_t* to) = 0;
};

// The real platform implementation (data/win32 or data/posix).
InPlaceFileOps& PlatformInPlaceFileOps();

// The journal of an apply into the file at path.
std::wstring JournalName(const wchar_t* path);

// New bytes for the file: length bytes at a file offset. The bytes belong to
// the overlay, which must stay as it is while they are used.
struct InPlaceChange {
    int64_t m_n_offset;
    const uint8_t* m_p_bytes;
    int64_t m_n_length;
};

// The changes that make a file of file_size bytes hold the overlay's bytes,
// in order of offset, when that can be done in place: the size stays and
// every source piece shows its bytes at their own offset. 0 otherwise.
int CollectInPlaceChanges(const CDataPlane& plane, int64_t file_size, int64_t data_size,
                          std::vector<InPlaceChange>* changes);

enum class InPlaceResult {
    kWritten,    // the file holds the new bytes, the journal is gone
    kNotInPlace, // nothing was written: the file cannot be opened for writing, has
                 // another size, or the journal cannot be written
    kFailed,     // writing failed; the file was put back as it was
    kFailedKept, // writing failed and the file could not be put back: the journal
                 // stays, and the next opening of the file puts it back
};

// The in-place write of the changes into the file at path, whose size must
// be file_size. Counts its steps in *progress when given.
InPlaceResult WriteInPlace(const wchar_t* path, int64_t file_size,
                           const std::vector<InPlaceChange>& changes, InPlaceFileOps& ops,
                           std::atomic<int64_t>* progress);
// The steps WriteInPlace counts for the changes (for a progress bar's total).
int64_t InPlaceSteps(const std::vector<InPlaceChange>& changes);

enum class RollBack {
    kNone,       // no journal (or one that a running apply holds)
    kRolledBack, // the file is as it was before the cut-short apply
    kKeptAside,  // damaged or for another state of the file: kept under another name
    kKeptFailed, // valid, but the file could not be written: kept where it is
};

// Looks for the journal of the file at path and, when one is found, puts the
// file back as it was and removes the journal, or keeps it; the user is told
// what was done (nothing when there was no journal).
RollBack RollBackInterruptedApply(const wchar_t* path, InPlaceFileOps& ops);

extern const wchar_t kRolledBackText[];

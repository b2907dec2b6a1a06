// Writing a document's effective bytes into a new file: a temporary file in
// the target's folder, filled in large blocks, flushed once, then put in the
// target's place, so a failed save never harms an existing file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

class BlockReadOps;
class CallBackInfo;
class PlaneSnapshot;
class MessageSink;

// Size of the output blocks (the views of SaveFileOps) a save writes.
constexpr int64_t kSaveBlockSize = int64_t{4} << 20;

// What makes two paths name the same file: the volume and the file's index
// on it (volume serial and file index on Windows, st_dev and st_ino on POSIX).
struct FileIdentity {
    uint64_t m_n_volume;
    uint64_t m_n_index_high;
    uint64_t m_n_index_low;
};

inline bool SameFile(const FileIdentity& a, const FileIdentity& b) {
    return a.m_n_volume == b.m_n_volume && a.m_n_index_high == b.m_n_index_high &&
           a.m_n_index_low == b.m_n_index_low;
}

// Every file operation of a save, behind one seam so tests can count the calls
// and fail each step in turn. Handles are opaque; null means failure.
class SaveFileOps {
  public:
    virtual ~SaveFileOps() = default;
    // Identity of the file at path; 0 when it does not exist or cannot be asked.
    virtual int IdentifyPath(const wchar_t* path, FileIdentity* id) = 0;
    // Identity of an open file (a CFileMapping's m_h_file); 0 when unknown.
    virtual int IdentifyFile(void* file, FileIdentity* id) = 0;
    // Creates a new, empty file of a unique name in the target's folder and
    // returns its handle, with its path in temp_path.
    virtual void* CreateTemp(const wchar_t* target, std::wstring* temp_path) = 0;
    // Prepares the writing of size bytes in views, front to back; the file
    // reaches its size as the views are written.
    virtual void* CreateMapping(void* file, int64_t size) = 0;
    // A writable view of length bytes at offset (a multiple of 65536).
    virtual uint8_t* MapView(void* mapping, int64_t offset, size_t length) = 0;
    // Hands the view's bytes to the file, which may write them after the
    // call returns; 0 when they, or those of an earlier view, could not be
    // written. The view that ends the file returns once all are written.
    virtual int FlushView(uint8_t* view, size_t length) = 0;
    virtual int UnmapView(uint8_t* view, size_t length) = 0;
    // Forces the file's data to the disk.
    virtual int FlushFile(void* file) = 0;
    virtual void CloseMapping(void* mapping) = 0;
    virtual int CloseFile(void* file) = 0;
    // Puts the temporary file in the target's place, replacing an existing
    // target in one step, and makes the change durable.
    virtual int ReplaceTarget(const wchar_t* temp_path, const wchar_t* target) = 0;
    virtual int DeletePath(const wchar_t* path) = 0;
};

// The real platform implementation (data/win32 or data/posix).
SaveFileOps& PlatformSaveFileOps();

// Where WriteDocumentBytes puts the bytes: a pointer to output offset and, in
// *room, how many bytes may be written from there (at least 1); null on failure.
class SaveOutput {
  public:
    virtual ~SaveOutput() = default;
    virtual uint8_t* At(int64_t offset, int64_t* room) = 0;
};

// What a write-out could not read: bytes written as zeros, in how many
// ranges, and the output offset of the first (-1 when none).
struct SaveReport {
    int64_t m_n_unreadable_bytes = 0;
    int64_t m_n_unreadable_ranges = 0;
    int64_t m_n_first_unreadable = -1;
};

// The walk of a save: writes the document's size effective bytes, in order,
// into output, reading source bytes through readers of its own (never the
// document's painting view or read block). A process byte that cannot be
// read is written as 0x00 and counted in report; an unreadable file byte
// fails the walk. Sets m_n_progress_pos in 64 KiB steps. 1 or 0.
// With a snapshot, its pieces are written instead of the live overlay's.
int WriteDocumentBytes(CallBackInfo* doc, SaveOutput& output, int64_t size, BlockReadOps& reads,
                       SaveReport* report, const PlaneSnapshot* snapshot = nullptr);

// Writes the document's effective bytes into the file at path; 1 or 0. On
// failure an existing file at path is left as it was, no temporary file stays
// behind, and a message naming the path has gone to messages (shown when it
// is null). Refuses (before writing anything) a target that is the
// document's source file or its workspace file. Fills the document's
// progress counters in 64 KiB blocks. Process bytes that cannot be read are
// saved as zeros, and one message then tells how many bytes in how many
// ranges, and where the first range starts.
// With a snapshot (taken on the interface thread), the bytes it saw are saved,
// and the document may be edited meanwhile.
int SaveDocumentToFile(CallBackInfo* doc, const wchar_t* path, SaveFileOps& ops,
                       BlockReadOps& reads, MessageSink* messages,
                       const PlaneSnapshot* snapshot = nullptr);
int SaveDocumentToFile(CallBackInfo* doc, const wchar_t* path, SaveFileOps& ops,
                       BlockReadOps& reads);
int SaveDocumentToFile(CallBackInfo* doc, const wchar_t* path, SaveFileOps& ops);

// 1 when the document may be saved to target; 0 after a message (to
// messages, shown when null) when target is the document's own file or its
// workspace. Asked by the save dialog before it asks whether to replace a file.
int CheckSaveTarget(CallBackInfo* doc, const wchar_t* target, SaveFileOps& ops,
                    MessageSink* messages = nullptr);

// Command "&Save file ..." (40071, shortcut 41005) for the document: the save
// dialog, then the write-out under the progress dialog. 1 when a save was
// started, else 0. Declared here for the command table; defined in
// data/win32/save_dialog.cpp.
int SaveFileAs(void* owner_window, CallBackInfo* doc);

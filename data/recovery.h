// Recovery copies: a document's pending changes kept in a per-user folder while
// they are not yet in the workspace, so that a crash, a kill or a power cut
// loses none older than a few seconds. A copy "<key>.interm" is in the
// workspace file's own format; its companion "<key>.doc" names the document
// and the instance that writes the copy. Each instance has its own pair, so
// two windows on one file never touch each other's copies.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class CallBackInfo;
class CDataPlane;
class PlaneSnapshot;
class WorkspaceFileOps;

enum : int32_t { RECOVERY_FILE = 0, RECOVERY_PROCESS = 1 };

// The document a copy belongs to: a file with its size and last-write time
// when it was opened, or a process with its ID and image path.
struct RecoveryIdentity {
    int32_t m_n_kind = RECOVERY_FILE;
    std::wstring m_sz_path; // the file's full path, or the process's image path
    int64_t m_n_size = 0;   // file size at opening
    int64_t m_n_time = 0;   // last-write time at opening, 100 ns ticks since 1601
    uint32_t m_n_process_id = 0;
    // The file's identity on its volume, the same under every spelling of
    // its path (short name, other case, other drive letter); empty when unknown.
    std::wstring m_sz_file_key;
    // The instance that owns the copy: its process ID and start time. Zero
    // in companions of older versions, whose owner counts as ended.
    uint32_t m_n_owner_id = 0;
    int64_t m_n_owner_start = 0;
};

// The platform calls beyond plain file writes: the folder, its listing, file
// times, the clock of file times and whether a process still runs.
class RecoveryPlatform {
  public:
    virtual ~RecoveryPlatform() = default;
    // The per-user recovery folder with a trailing separator, created when
    // missing; empty when there is none.
    virtual std::wstring Folder() = 0;
    // Names (not paths) of the files in a folder; 0 when it cannot be read.
    virtual int List(const wchar_t* folder, std::vector<std::wstring>* names) = 0;
    // Size and last-write time (100 ns ticks since 1601) of a file; 0 when absent.
    virtual int Stamp(const wchar_t* path, int64_t* size, int64_t* time) = 0;
    // The current time in the same ticks.
    virtual int64_t Now() = 0;
    // 1 while the process runs the image (its ID may have been reused).
    virtual int ProcessRuns(uint32_t process_id, const wchar_t* image_path) = 0;
    // This process's ID and start time (any clock, as InstanceRuns compares it).
    virtual void Self(uint32_t* process_id, int64_t* start) = 0;
    // 1 while the process with this ID and start time runs; a reused ID has
    // another start time.
    virtual int InstanceRuns(uint32_t process_id, int64_t start) = 0;
    // The identity of the file on its volume; 0 when it cannot be opened.
    virtual int FileKey(const wchar_t* path, std::wstring* key) = 0;
};

RecoveryPlatform& PlatformRecovery();

// Tick counts of recovery ages.
constexpr int64_t kTicksPerDay = 864000000000LL;
constexpr int64_t kRecoveryKeepDays = 30;

// The companion's text and its reading; 0 for a text that is not one.
std::string CompanionText(const RecoveryIdentity& id);
int ParseCompanion(const std::string& text, RecoveryIdentity* id);

// The copy's name without extension: the same for the same document and
// owner. Copies of older versions (no owner) have a name without the owner.
std::wstring RecoveryKey(const RecoveryIdentity& id);

// The identity names the file at the opened path: the same path in any ASCII
// letter case, or the same file key.
int SameFile(const RecoveryIdentity& copy, const RecoveryIdentity& opened);

// The workspace bytes of a plane, built in memory (nothing touches the disk).
int SerializeWorkspace(const CDataPlane* plane, int64_t file_size, std::vector<uint8_t>* out);
int SerializeWorkspace(const PlaneSnapshot& snapshot, int64_t file_size, std::vector<uint8_t>* out);

// What opening a file does with a copy found for its path.
enum class RecoveryMatch {
    kOffer,   // same file as when the copy was made, newer than the workspace: ask
    kStale,   // the workspace was written after the copy: the copy is dropped
    kChanged, // the file changed since (size or time): never applied
};
// workspace_time is -1 when the file has no workspace.
RecoveryMatch MatchRecovery(const RecoveryIdentity& copy, const RecoveryIdentity& opened,
                            int64_t copy_time, int64_t workspace_time);

// The workspace file as this window last read or wrote it.
struct WorkspaceStamp {
    int m_b_exists = 0;
    int64_t m_n_size = 0;
    int64_t m_n_time = 0;
};
WorkspaceStamp TakeWorkspaceStamp(RecoveryPlatform& platform, const wchar_t* workspace_path);
// 1 when another writer replaced the workspace since `before`: it exists now
// and differs in size or time. One deleted since holds nothing to lose.
int WorkspaceReplacedSince(const WorkspaceStamp& before, const WorkspaceStamp& now);

// The recovery folder's copies: written by safe replacement (a new file,
// flushed, then moved over the old one), found, read and deleted.
class RecoveryStore {
  public:
    RecoveryStore(std::wstring folder, WorkspaceFileOps& ops, RecoveryPlatform& platform);

    std::wstring CopyPath(const RecoveryIdentity& id) const;
    std::wstring CompanionPath(const RecoveryIdentity& id) const;

    // Writes the companion (when with_companion) and then the copy; on any
    // failure the previous copy and companion stay as they were.
    int Write(const RecoveryIdentity& id, const std::vector<uint8_t>& image, int with_companion);
    // Writes the companion alone (the document is open, no copy yet); 1 or 0.
    int WriteCompanion(const RecoveryIdentity& id);
    // Deletes the copy, then its companion; 1 when neither remains.
    int Delete(const RecoveryIdentity& id);
    // A copy of the opened file (path, and file key when known) left by an
    // instance that no longer runs, the newest when there are several: its
    // identity and last-write time; 0 when none. Copies of running instances
    // are never returned; *open_elsewhere (when given) becomes 1 when another
    // running instance has the file open.
    int FindFileCopy(const RecoveryIdentity& opened, RecoveryIdentity* id, int64_t* copy_time,
                     int* open_elsewhere = nullptr);
    int FindFileCopy(const wchar_t* path, RecoveryIdentity* id, int64_t* copy_time);
    // Fills an empty plane from the copy; *size in: the file size, out: the
    // effective size. 0 when the copy cannot be read or has no piece;
    // kWorkspaceReadInPart when it is damaged (the plane then holds the
    // pieces before the damage, perhaps none).
    int Read(const RecoveryIdentity& id, CDataPlane* plane, int64_t* size);
    // Puts the copy beside its file as "<file>.interm.recovered" (replacing an
    // older one): copied there and flushed, and only then deleted here with
    // its companion. 1, with *place the new path; 0 with the copy left where
    // it was and *place naming it.
    int MoveBeside(const RecoveryIdentity& id, std::wstring* place);
    // Start-up cleaning: copies of processes that no longer run, copies older
    // than the keeping time and halves without their other half (once older
    // than a day, as another instance may be writing them) are deleted; a
    // pair whose owner still runs is left alone. Returns the copies deleted.
    int Sweep();

  private:
    int CopyAcross(const std::wstring& from, const std::wstring& to);
    int OlderThanADay(const std::wstring& path, int64_t now);
    int WriteReplacing(const std::wstring& path, const void* data, size_t count);
    std::wstring m_sz_folder;
    WorkspaceFileOps& m_ops;
    RecoveryPlatform& m_platform;
};

// Replaces the document's pieces with those of the copy and forgets its undo
// steps; the restored edits count as pending. 1, or kWorkspaceReadInPart
// when the copy is damaged and only the edits before the damage were
// restored; 0, with the document as it was, when the copy cannot be read.
int RestoreFromCopy(CallBackInfo* doc, RecoveryStore& store, const RecoveryIdentity& copy);

// The workspace file: a file document's pending changes kept beside the file
// ("<path>.interm"), written by safe replacement and restored at opening.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

class CallBackInfo;
class CDataPlane;
class PlaneSnapshot;

// The file calls of the workspace writer and reader, behind one seam so tests
// can fail any single step. Handles are opaque; null means failure.
class WorkspaceFileOps {
  public:
    virtual ~WorkspaceFileOps() = default;
    virtual void* OpenWrite(const wchar_t* path) = 0; // created or truncated
    virtual void* OpenRead(const wchar_t* path) = 0;
    virtual size_t Write(void* file, const void* data, size_t count) = 0;
    virtual size_t Read(void* file, void* data, size_t count) = 0;
    virtual int64_t Size(void* file) = 0; // -1 when unknown
    virtual int FlushToDisk(void* file) = 0;
    virtual int Close(void* file) = 0;
    virtual int Exists(const wchar_t* path) = 0;
    virtual int MoveReplace(const wchar_t* from, const wchar_t* to) = 0;
    virtual int Delete(const wchar_t* path) = 0;
};

WorkspaceFileOps& PlatformWorkspaceFileOps();

// The workspace name of a file: its path followed by ".interm".
std::wstring WorkspaceName(const wchar_t* path);

// Writes the plane (records and owned bytes) for a file of file_size bytes;
// a plane without pieces (every byte removed) is one empty source record.
// The previous workspace is kept as "<path>~" until the new one is complete
// and on disk; on any failure the partial file is removed, the previous one
// moved back, and 0 returned.
int WriteWorkspace(const wchar_t* path, const CDataPlane* plane, int64_t file_size,
                   WorkspaceFileOps& ops = PlatformWorkspaceFileOps());
// The same for the overlay as a snapshot saw it (a worker's view).
int WriteWorkspace(const wchar_t* path, const PlaneSnapshot& snapshot, int64_t file_size,
                   WorkspaceFileOps& ops = PlatformWorkspaceFileOps());

// What ReadWorkspace read: nothing (0: missing, not a workspace, or written
// for another file size), every record, or only the records before one that
// is damaged, truncated or too large for memory.
enum : int { kWorkspaceRead = 1, kWorkspaceReadInPart = 2 };

// Fills an empty plane from a workspace written for a file of *size bytes;
// *size becomes the effective size of the pieces read. Reading stops at the
// first record it cannot take and keeps those before it.
int ReadWorkspace(CDataPlane* plane, const wchar_t* path, int64_t* size,
                  WorkspaceFileOps& ops = PlatformWorkspaceFileOps());

// Keeps a workspace (or recovery copy) that could be read only in part where
// no later write replaces it: beside the edited file at file_path, as
// "<file>.interm.damaged" ("<file>.interm.damaged-2" and so on when taken),
// moved there when move is 1 and the move succeeds, else copied and flushed.
// The name it is kept under, or empty when it could not be kept.
std::wstring KeepDamagedWorkspace(const wchar_t* damaged, const wchar_t* file_path, int move,
                                  WorkspaceFileOps& ops = PlatformWorkspaceFileOps());

// Writes a file document's pending changes to its workspace file; 0 for no
// document or one that is not a file, or when the write fails.
int SaveWorkspace(CallBackInfo* doc);

// Removes a file's workspace, so that the next opening shows the file as it
// is on the disk; 1 when no workspace is left (also when there was none).
int RemoveWorkspace(const wchar_t* file_path, WorkspaceFileOps& ops = PlatformWorkspaceFileOps());

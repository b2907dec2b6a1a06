// Apply: the pending changes written into the file the document shows. When
// they keep its size and move no bytes, only the changed ranges are written,
// in place under a journal (apply_journal.h). Otherwise a new file beside it
// gets the effective bytes (the save's own walk) and is flushed; only then
// are the document's handles released and the file replaced in one step. A
// failure at any point leaves the file whole, old or new.
#pragma once

#include "data/data_plane.h"

#include <memory>
#include <string>

class CallBackInfo;
class InPlaceFileOps;
class SaveFileOps;
class WorkspaceFileOps;

// Every step of an apply that touches the system, behind one seam so tests
// can fail each in turn.
class ApplyFileOps {
  public:
    virtual ~ApplyFileOps() = default;
    // The save's file operations: they write and flush the new file.
    virtual SaveFileOps& SaveOps() = 0;
    // The workspace's: they keep the edits when nothing else can.
    virtual WorkspaceFileOps& WorkspaceOps() = 0;
    // The in-place write's and its journal's; the platform's unless replaced.
    virtual InPlaceFileOps& InPlaceOps();
    // 1 when the file at path may not be written (the read-only attribute or
    // no write permission).
    virtual int IsReadOnly(const wchar_t* path) = 0;
    // Releases the document's views and handles of its file; 1 or 0.
    virtual int Release(CallBackInfo* doc) = 0;
    // Puts replacement in target's place, keeping the target's attributes,
    // permissions and creation time, and makes the change durable.
    virtual int ReplaceKeeping(const wchar_t* target, const wchar_t* replacement) = 0;
    // Opens the document's file again after Release; 1 or 0.
    virtual int Reopen(CallBackInfo* doc, const wchar_t* path) = 0;
};

// The real implementation; its ReplaceKeeping and IsReadOnly come from the
// platform halves (data/win32, data/posix).
ApplyFileOps& PlatformApplyFileOps();
int PlatformReplaceKeeping(const wchar_t* target, const wchar_t* replacement);
int PlatformIsReadOnly(const wchar_t* path);

// 1 for a file document whose bytes differ from its file: an overlay other
// than one source piece over the whole file.
int CanApply(const CallBackInfo* doc);

enum class ApplyResult {
    kApplied,      // the file holds the bytes; the document shows it as one source piece
    kFailed,       // file and document as they were; a message said what failed
    kReopenFailed, // the file could not be opened again; it holds the bytes, or it could not
                   // be replaced and the edits are in its workspace file
    kKeptBeside,   // neither replaced nor opened again, and the workspace could not be
                   // written: only the new file beside it (named in the message) holds the
                   // bytes, so the caller keeps every other copy of the edits
};

// The apply itself. On kApplied the workspace file is gone and the history
// ended; the caller keeps the view and clears the pending flag. On
// kReopenFailed and kKeptBeside the caller closes the document (a message
// said where the bytes are).
ApplyResult ApplyDocumentToFile(CallBackInfo* doc, ApplyFileOps& ops);

// The same in two steps, so the long one can run on a worker while the
// document stays as it is: WriteApplyCopy only reads the document and writes
// the file in place or the new file beside it (1, or 0 after a message, with
// the file as it was and nothing left behind); FinishApply, on the document's
// own thread, puts a new file in its place and shows the file, as
// ApplyDocumentToFile does. A copy that is not
// finished is deleted with the ApplyCopy.
class ApplyCopy {
  public:
    ApplyCopy() = default;
    ~ApplyCopy();
    ApplyCopy(const ApplyCopy&) = delete;
    ApplyCopy& operator=(const ApplyCopy&) = delete;

  private:
    friend int WriteApplyCopy(CallBackInfo* doc, ApplyFileOps& ops, ApplyCopy* copy);
    friend ApplyResult FinishApply(CallBackInfo* doc, ApplyFileOps& ops, ApplyCopy* copy);
    ApplyFileOps* m_p_ops = nullptr;
    std::wstring m_sz_path;    // the document's file
    std::wstring m_sz_sibling; // the new file while it is ours to delete
    int m_b_in_place = 0;      // the file itself was written: nothing to replace
    std::unique_ptr<CDataPlane> m_p_fresh;
};
int WriteApplyCopy(CallBackInfo* doc, ApplyFileOps& ops, ApplyCopy* copy);
ApplyResult FinishApply(CallBackInfo* doc, ApplyFileOps& ops, ApplyCopy* copy);

// The question asked before an apply; %s is the file.
extern const wchar_t kApplyQuestionText[];

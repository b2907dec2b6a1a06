// Another program's change of the shown file: whether it is asked about now,
// the question, and what each answer does. The window-system side (the
// question box, keeping the changes, reopening the file) is behind a host.
#pragma once

#include "data/file_mapping.h"

#include <string>

// When the file is looked at.
enum class ChangeCheck {
    kAtActivation, // the window became active again: a change is asked about once
    kBeforeWrite,  // a save, an Apply or a workspace write follows: asked every time
};

enum class ChangeOutcome {
    kUnchanged,   // the file is as it was opened (or cannot be told): go on
    kKeptWorking, // changed, and the document stays as it is (No, or Yes failed)
    kReloaded,    // the document now shows the file as it is
};

class FileChangeHost {
  public:
    virtual ~FileChangeHost() = default;
    // Reload the file? kept_path is empty when nothing is pending, else
    // where Yes keeps the pending changes. 1 Yes, 0 No.
    virtual int AskReload(const wchar_t* path, const wchar_t* kept_path) = 0;
    // Writes the document's changes into kept_path; 1 or 0.
    virtual int KeepChanges(const wchar_t* kept_path) = 0;
    // Tells that they could not be kept there, so nothing was reloaded.
    virtual void ReportKeepFailure(const wchar_t* path, const wchar_t* kept_path) = 0;
    // Shows the file as it is now in the document; 1, or 0 after a message
    // with the document as it was.
    virtual int Reload() = 0;
};

// Where Yes keeps pending changes made over a file's old bytes.
std::wstring ChangedFileKeptName(const wchar_t* path);

// Looks at the file's stamp now against the one at opening and asks when it
// differs. asked holds the last changed stamp asked about, so that
// activations do not ask twice about one change; before a write the
// question comes every time. now.m_n_size < 0 means the stamp is unknown.
// has_changes: the document shows bytes other than the file's (pending or
// kept in the workspace), which Yes keeps before it reloads.
ChangeOutcome CheckFileChange(ChangeCheck when, const FileStamp& opened, const FileStamp& now,
                              FileStamp* asked, int has_changes, const wchar_t* path,
                              FileChangeHost& host);

// The texts: the question without and with pending changes, and the failure.
extern const wchar_t kFileChangedText[];
extern const wchar_t kFileChangedPendingText[];
extern const wchar_t kChangesNotKeptText[];

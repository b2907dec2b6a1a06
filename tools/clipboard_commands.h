// The clipboard commands of the Edit menu: copies of the selection as hex text
// or raw bytes, insert and overwrite from the clipboard, and remove.
#pragma once

#include "tools/clipboard.h"
#include "view/view_state.h"

#include <cstdint>
#include <string>

class CallBackInfo;

// The formats a paste accepts, in the order they are tried.
extern const uint32_t ClipboardTextFormats[3];
// A copy takes at most this many bytes.
constexpr int64_t kMaxCopyBytes = 0x200000;

// The locked data of the clipboard's block of a format and its length without
// the terminator, or null; the caller unlocks *block and closes the clipboard.
const uint8_t* GetClipboardBlock(uint32_t format, int64_t* length, void** block);
// 1 when the clipboard offers one of ClipboardTextFormats.
int ClipboardOffersText();

// Copies of doc's selection: 1 when the clipboard took the text or bytes. A
// clipboard that is busy (after a short wait) or refuses the data leaves the
// user a message.
int CopyDisplayedHex(CallBackInfo* doc, int formatted);
int CopyRawData(CallBackInfo* doc);
// A text as Unicode text (a tool window's copy of a value), with the same
// patience and messages as the copies above; 1 when the clipboard took it.
int CopyTextToClipboard(void* owner, const std::wstring& text);
// The edits, made on doc in the view's edit mode only. Cut is the raw copy,
// then the removal only when the clipboard took the bytes.
int CutSelection(CallBackInfo* doc, ViewState* state);
int RemoveSelection(CallBackInfo* doc, ViewState* state);
int InsertFromClipboard(CallBackInfo* doc, ViewState* state);
int OverwriteFromClipboard(CallBackInfo* doc, ViewState* state);

// The document edits the commands make, behind a seam so tests can fail them.
// Each is one undo step of the document (CallBackInfo::Replace and the others).
class OverlayEditor {
  public:
    virtual ~OverlayEditor() = default;
    virtual int Insert(CallBackInfo* doc, int64_t offset, const uint8_t* bytes, int64_t count);
    virtual int Remove(CallBackInfo* doc, int64_t first, int64_t last);
    // count bytes at first replaced by length new bytes, all or nothing.
    virtual int Replace(CallBackInfo* doc, int64_t first, int64_t count, const uint8_t* bytes,
                        int64_t length);
};
// Installs an editor (null restores the direct one); returns the previous one.
OverlayEditor* SetOverlayEditor(OverlayEditor* editor);

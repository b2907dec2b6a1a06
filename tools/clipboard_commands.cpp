// Clipboard commands. Copies read the whole selection first, so a byte that
// cannot be read leaves the clipboard untouched; every edit is all or nothing,
// so a failed one leaves the document as it was.
#include "tools/clipboard_commands.h"

#include "base/messages.h"
#include "data/document.h"
#include "tools/clipboard_text.h"
#include "tools/code_page.h"
#include "tools/operation.h"
#include "view/selection.h"
#include "view/view_state.h"

#include <memory>
#include <new>
#include <vector>

const uint32_t ClipboardTextFormats[3] = {kClipboardText, kClipboardUnicodeText, kClipboardOemText};

int OverlayEditor::Insert(CallBackInfo* doc, int64_t offset, const uint8_t* bytes, int64_t count) {
    return doc->Insert(offset, bytes, count);
}

int OverlayEditor::Remove(CallBackInfo* doc, int64_t first, int64_t last) {
    return doc->Remove(first, last);
}

int OverlayEditor::Replace(CallBackInfo* doc, int64_t first, int64_t count, const uint8_t* bytes,
                           int64_t length) {
    return doc->Replace(first, count, bytes, length);
}

namespace {

OverlayEditor g_direct_editor;
OverlayEditor* g_p_overlay_editor = &g_direct_editor;

// Document, edit mode and both selection ends, as every editing command needs
// (with null ends, an insertion into a document with no bytes, which has none).
CallBackInfo* EditableDocument(CallBackInfo* doc, const ViewState* state, int64_t* start,
                               int64_t* end) {
    if (doc == nullptr || state == nullptr || !state->m_b_edit_mode ||
        doc->m_p_data_plane == nullptr || RefusedWhileRead(doc))
        return nullptr;
    if (start == nullptr || end == nullptr)
        return doc;
    *start = SelectionStart(doc);
    *end = SelectionEnd(doc);
    if (*start < 0 || *end < 0)
        return nullptr;
    return doc;
}

// How a copy ended. Only a copy that the clipboard took counts as done.
enum CopyOutcome {
    kCopyNothing, // no selection, too large or unreadable (already told)
    kCopyDone,
    kCopyBusy,    // another program held the clipboard
    kCopyRefused, // the clipboard could not be emptied or did not take the block
};

CopyOutcome TransferFailure(const COperation& operation) {
    return operation.ClipboardWasBusy() ? kCopyBusy : kCopyRefused;
}

// Tells the user why nothing reached the clipboard; what is "copied" or "cut".
// 1 when the copy was done.
int ReportCopy(CopyOutcome outcome, const wchar_t* what) {
    if (outcome == kCopyBusy)
        ShowMessage(L"The clipboard is in use by another program. Nothing was %s.", what);
    else if (outcome == kCopyRefused)
        ShowMessage(L"The clipboard did not take the data. Nothing was %s.", what);
    return outcome == kCopyDone ? 1 : 0;
}

// Reads count effective bytes from start through a reader of the document's
// own source; 0 after telling the user which byte could not be read.
int ReadSelectedBytes(CallBackInfo* doc, int64_t start, int64_t count, uint8_t* out) {
    int64_t read = 0;
    if (doc->m_n_source_kind == 0) {
        CFileMapping reader(doc->m_file_mapping);
        read = ReadEffectiveSpan(doc, start, out, count, &reader);
    } else {
        read = ReadEffectiveSpan(doc, start, out, count, doc->Source());
    }
    if (read == count)
        return 1;
    ShowMessage(L"The byte at 0x%I64X cannot be read; nothing was copied!",
                start + (read < 0 ? 0 : read));
    return 0;
}

// The selection to copy: 0 when there is none, or after the message when it is too large.
int CopySelection(const CallBackInfo* doc, int64_t* start, int64_t* count) {
    if (doc == nullptr)
        return 0;
    *start = SelectionStart(doc);
    const int64_t end = SelectionEnd(doc);
    if (*start < 0 || end < 0)
        return 0;
    *count = end - *start + 1;
    if (*count > kMaxCopyBytes) {
        ShowMessage(L"The selected range is too large to copy!");
        return 0;
    }
    return 1;
}

// The first accepted format that gives data: locked bytes, length and block.
// A raw copy places its bytes as OEM text, and the system then offers an ANSI
// text converted from them, which changes bytes above 0x7F and may end at a
// zero byte; so OEM text placed before ANSI text is taken as it was placed.
const uint8_t* FirstClipboardText(ClipboardOps* clipboard, int64_t* length, void** block) {
    const uint32_t raw_first[3] = {kClipboardOemText, kClipboardText, kClipboardUnicodeText};
    const bool raw = clipboard->IsFormatAvailable(kClipboardOemText) &&
                     clipboard->PlacedBefore(kClipboardOemText, kClipboardText);
    for (uint32_t format : raw ? raw_first : ClipboardTextFormats) {
        if (!clipboard->IsFormatAvailable(format))
            continue;
        const uint8_t* data = GetClipboardBlock(format, length, block);
        if (data != nullptr)
            return data;
    }
    return nullptr;
}

// Opens the clipboard for the document's window: the clipboard, which the
// caller unlocks and closes, with the first accepted text in data (null when
// none gives data); null when the clipboard could not be opened.
ClipboardOps* OpenClipboardText(const CallBackInfo* doc, const uint8_t** data, int64_t* length,
                                void** block) {
    ClipboardOps* clipboard = CurrentClipboard();
    if (!OpenClipboardPatiently(clipboard, doc->m_h_view_window))
        return nullptr;
    *data = FirstClipboardText(clipboard, length, block);
    return clipboard;
}

CopyOutcome PutDisplayedHex(CallBackInfo* doc, int formatted) {
    int64_t start = 0;
    int64_t count = 0;
    if (!CopySelection(doc, &start, &count))
        return kCopyNothing;
    std::unique_ptr<uint8_t[]> bytes(new (std::nothrow) uint8_t[static_cast<size_t>(count)]);
    if (bytes == nullptr || !ReadSelectedBytes(doc, start, count, bytes.get()))
        return kCopyNothing;
    const int64_t chars = formatted ? FormattedHexTextSize(start, count) : PlainHexTextSize(count);
    std::unique_ptr<uint8_t[]> text(new (std::nothrow) uint8_t[static_cast<size_t>(chars * 2)]);
    if (text == nullptr)
        return kCopyNothing;
    const int64_t written = formatted
                                ? BuildFormattedHex(start, bytes.get(), count, text.get(), chars)
                                : BuildPlainHex(bytes.get(), count, text.get(), chars);
    if (written != chars)
        return kCopyNothing;
    COperation operation(doc->m_h_view_window);
    if (!operation.CopyDataToClipboard(static_cast<int32_t>(chars * 2), text.get(),
                                       kClipboardUnicodeText))
        return TransferFailure(operation);
    return kCopyDone;
}

CopyOutcome PutRawData(CallBackInfo* doc) {
    int64_t start = 0;
    int64_t count = 0;
    if (!CopySelection(doc, &start, &count))
        return kCopyNothing;
    // The selected bytes and the one zero byte that ends the block.
    std::unique_ptr<uint8_t[]> bytes(new (std::nothrow) uint8_t[static_cast<size_t>(count + 1)]);
    if (bytes == nullptr || !ReadSelectedBytes(doc, start, count, bytes.get()))
        return kCopyNothing;
    bytes[static_cast<size_t>(count)] = 0;
    COperation operation(doc->m_h_view_window, static_cast<int32_t>(count + 1));
    // Without a block (no clipboard, or no memory) Finish hands nothing over.
    if (operation.m_p_data != nullptr)
        operation.CopyDataToClipboard(static_cast<int32_t>(count + 1), bytes.get());
    if (!operation.Finish())
        return TransferFailure(operation);
    return kCopyDone;
}

} // namespace

OverlayEditor* SetOverlayEditor(OverlayEditor* editor) {
    OverlayEditor* previous = g_p_overlay_editor == &g_direct_editor ? nullptr : g_p_overlay_editor;
    g_p_overlay_editor = editor != nullptr ? editor : &g_direct_editor;
    return previous;
}

const uint8_t* GetClipboardBlock(uint32_t format, int64_t* length, void** block) {
    ClipboardOps* clipboard = CurrentClipboard();
    *length = 0;
    *block = nullptr;
    void* handle = clipboard->GetData(format);
    if (handle == nullptr)
        return nullptr;
    const uint8_t* data = clipboard->Lock(handle);
    if (data == nullptr)
        return nullptr;
    const int64_t terminator = format == kClipboardUnicodeText ? 2 : 1;
    const auto size = static_cast<int64_t>(clipboard->Size(handle));
    *length = size > terminator ? size - terminator : 0;
    *block = handle;
    return data;
}

int ClipboardOffersText() {
    ClipboardOps* clipboard = CurrentClipboard();
    for (uint32_t format : ClipboardTextFormats)
        if (clipboard->IsFormatAvailable(format))
            return 1;
    return 0;
}

int CopyDisplayedHex(CallBackInfo* doc, int formatted) {
    return ReportCopy(PutDisplayedHex(doc, formatted), L"copied");
}

int CopyRawData(CallBackInfo* doc) {
    return ReportCopy(PutRawData(doc), L"copied");
}

int CopyTextToClipboard(void* owner, const std::wstring& text) {
    std::vector<char16_t> units = ToUtf16(text.c_str());
    units.push_back(0);
    COperation operation(owner);
    const auto size = static_cast<int32_t>(units.size() * sizeof(char16_t));
    const int copied = operation.CopyDataToClipboard(size, units.data(), kClipboardUnicodeText);
    return ReportCopy(copied ? kCopyDone : TransferFailure(operation), L"copied");
}

int CutSelection(CallBackInfo* doc, ViewState* state) {
    int64_t start = 0;
    int64_t end = 0;
    if (EditableDocument(doc, state, &start, &end) == nullptr)
        return 0;
    // The bytes go only once the clipboard holds them.
    if (!ReportCopy(PutRawData(doc), L"cut"))
        return 0;
    return RemoveSelection(doc, state);
}

int RemoveSelection(CallBackInfo* doc, ViewState* state) {
    int64_t start = 0;
    int64_t end = 0;
    if (EditableDocument(doc, state, &start, &end) == nullptr)
        return 0;
    if (!g_p_overlay_editor->Remove(doc, start, end))
        return 0;
    if (doc->m_n_data_size > 0) {
        const int64_t top = static_cast<int64_t>(doc->m_n_bytes_per_row) * doc->m_n_top_line;
        GoToOffset(doc, start);
        const int64_t s = SelectionStart(doc);
        if (start < top)
            MoveCaret(doc, state, 0, s);
        ExtendToOffset(doc, s);
    }
    return 1;
}

int InsertFromClipboard(CallBackInfo* doc, ViewState* state) {
    // At the selection start, or at offset 0 once every byte was removed.
    const bool empty = doc != nullptr && doc->m_n_data_size == 0;
    int64_t start = 0;
    int64_t end = 0;
    if ((empty ? EditableDocument(doc, state, nullptr, nullptr)
               : EditableDocument(doc, state, &start, &end)) == nullptr)
        return 0;
    int64_t length = 0;
    void* block = nullptr;
    const uint8_t* data = nullptr;
    ClipboardOps* clipboard = OpenClipboardText(doc, &data, &length, &block);
    if (clipboard == nullptr)
        return 0;
    int inserted = 0;
    if (data != nullptr && length > 0)
        inserted = g_p_overlay_editor->Insert(doc, start, data, length);
    clipboard->Unlock(block);
    clipboard->Close();
    if (!inserted)
        return 0;
    if (empty)
        GoToOffset(doc, 0);
    ExtendToOffset(doc, SelectionStart(doc));
    return 1;
}

int OverwriteFromClipboard(CallBackInfo* doc, ViewState* state) {
    int64_t start = 0;
    int64_t end = 0;
    if (EditableDocument(doc, state, &start, &end) == nullptr)
        return 0;
    const int64_t sel_len = end - start + 1;
    int64_t length = 0;
    void* block = nullptr;
    const uint8_t* data = nullptr;
    ClipboardOps* clipboard = OpenClipboardText(doc, &data, &length, &block);
    if (clipboard == nullptr)
        return 0;
    if (data == nullptr || length <= 0) {
        clipboard->Unlock(block);
        clipboard->Close();
        return 0;
    }
    const int64_t n = length < sel_len ? length : sel_len;
    // One replacement, all or nothing, and one undo step.
    const int result = g_p_overlay_editor->Replace(doc, start, n, data, n);
    clipboard->Unlock(block);
    clipboard->Close();
    return result ? 1 : 0;
}

// The clipboard command handlers (the dialogs' handlers live in tools/win32).
#include "tools/tool_commands.h"

#include "tools/clipboard_commands.h"

void OnCutCommand(CallBackInfo* doc, ViewState* state) {
    CutSelection(doc, state);
}

void OnCopyDisplayedHexCommand(CallBackInfo* doc) {
    CopyDisplayedHex(doc, 0);
}
void OnCopyDisplayedHexFormatCommand(CallBackInfo* doc) {
    CopyDisplayedHex(doc, 1);
}
void OnCopyRawDataCommand(CallBackInfo* doc) {
    CopyRawData(doc);
}
void OnInsertFromClipboardCommand(CallBackInfo* doc, ViewState* state) {
    InsertFromClipboard(doc, state);
}
void OnOverwriteFromClipboardCommand(CallBackInfo* doc, ViewState* state) {
    OverwriteFromClipboard(doc, state);
}
void OnRemoveCommand(CallBackInfo* doc, ViewState* state) {
    RemoveSelection(doc, state);
}

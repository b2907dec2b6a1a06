// The clipboard command handlers (the dialogs' handlers live in tools/win32).
#include "tools/tool_commands.h"

#include "tools/clipboard_commands.h"

void OnCutCommand() {
    CutSelection();
}

void OnCopyDisplayedHexCommand() {
    CopyDisplayedHex(0);
}
void OnCopyDisplayedHexFormatCommand() {
    CopyDisplayedHex(1);
}
void OnCopyRawDataCommand() {
    CopyRawData();
}
void OnInsertFromClipboardCommand() {
    InsertFromClipboard();
}
void OnOverwriteFromClipboardCommand() {
    OverwriteFromClipboard();
}
void OnRemoveCommand() {
    RemoveSelection();
}

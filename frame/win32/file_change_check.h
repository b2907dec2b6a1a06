// The current file document against changes by another program: looked at
// when the main window is activated and before every write, with the reload
// that a Yes asks for.
#pragma once

#include <windows.h>

class CallBackInfo;

// Posted to the main window on activation: the file is looked at once the
// activation is over, never from inside it.
constexpr UINT kCheckFileChangeMessage = WM_APP + 26;

// The activation check; nothing happens while a modal window is open.
void CheckFileAtActivation(HWND owner);
// Before a save, an Apply or a workspace write: 1 to go on with it, 0 when
// the document was reloaded (its changes kept aside) and nothing is left to
// write.
int CheckFileBeforeWrite(HWND owner);
// The document after its file was opened anew: the same selection and top
// row where they still fit, nothing pending, the new size on the status bar.
void ShowReopenedDocument(CallBackInfo* doc);
// Opens the document's file afresh (with what its workspace keeps) and gives
// the document the new file and pieces with an empty undo history, shown as
// ShowReopenedDocument does; 0 with a message when the file cannot be opened
// again, the document then stays as it was.
int ReloadFileFromDisk(CallBackInfo* doc);

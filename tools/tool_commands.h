// The editing tools' command handlers, called by the frame's dispatcher once
// the command's conditions hold, with the document shown and the view state.
#pragma once

class CallBackInfo;
class CFindResultsWindow;
struct ViewState;

// 40066 "C&ut": the raw copy, then the removal when the clipboard took the bytes.
void OnCutCommand(CallBackInfo* doc, ViewState* state);
void OnCopyDisplayedHexCommand(CallBackInfo* doc);                         // 40041
void OnCopyDisplayedHexFormatCommand(CallBackInfo* doc);                   // 40039
void OnCopyRawDataCommand(CallBackInfo* doc);                              // 40038
void OnInsertFromClipboardCommand(CallBackInfo* doc, ViewState* state);    // 40092
void OnOverwriteFromClipboardCommand(CallBackInfo* doc, ViewState* state); // 40096
void OnRemoveCommand(CallBackInfo* doc, ViewState* state);                 // 40063
// 40018 / 41013: the modal Goto dialog over the owner window (an HWND;
// tools/win32), jumping in the document.
void OnGotoCommand(void* owner_window, CallBackInfo* doc, ViewState* state);
// 40019 / 41014: the modal Find dialog over the owner window (an HWND) for the
// document, only while no worker reads it (tools/win32); a match is selected
// in the view. "Find all" hands its matches to results (tools/win32) when given.
void OnFindCommand(void* owner_window, CallBackInfo* doc, ViewState* state,
                   CFindResultsWindow* results = nullptr);
// 40104 / 41054: the same dialog with its "Replace with" row and buttons.
void OnReplaceCommand(void* owner_window, CallBackInfo* doc, ViewState* state,
                      CFindResultsWindow* results = nullptr);

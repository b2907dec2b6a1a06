// The editing tools' command handlers, called by the frame's dispatcher once
// the command's conditions hold.
#pragma once

class CallBackInfo;

// 40066 "C&ut": the raw copy, then the removal when the clipboard took the bytes.
void OnCutCommand();
void OnCopyDisplayedHexCommand();       // 40041
void OnCopyDisplayedHexFormatCommand(); // 40039
void OnCopyRawDataCommand();            // 40038
void OnInsertFromClipboardCommand();    // 40092
void OnOverwriteFromClipboardCommand(); // 40096
void OnRemoveCommand();                 // 40063
// 40018 / 41013: the modal Goto dialog over the owner window (an HWND; tools/win32).
void OnGotoCommand(void* owner_window);
// 40019 / 41014: the modal Find dialog over the owner window (an HWND) for the
// document, only while no worker reads it (tools/win32).
void OnFindCommand(void* owner_window, CallBackInfo* doc);

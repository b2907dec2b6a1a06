// What the rest of the program asks of the application frame: the main
// window, the document commands, opening and closing documents, commands.
// Defined by the Windows frame (frame/win32).
#pragma once

// The main window handle (an HWND), or null before it exists.
void* FrameMainWindow();

// Enables (1) or greys (0) the six document commands of the main menu and
// sets the document-open flag; on, it then reloads font and colours.
void SetDocumentCommands(int on);
// The document-open flag: 1 while the document commands are enabled.
int DocumentCommandsOn();

// Opens a file (null: the open dialog) and sets the document commands from
// the result; 1 when a document is shown afterwards.
int OpenDocument(const wchar_t* path);
int LoadDocument(const wchar_t* path);
// The Open virtual memory dialog; on OK the chosen process's memory replaces
// the current document. The document commands follow: on when a process was
// opened or a document is still shown, else greyed. 1 when a process was
// opened.
int OpenProcessDocument(void* main_window);
// Releases the current document and restores the bare title.
void CloseDocument();
// Before the current document is closed or replaced: asks about pending
// changes with the given window (an HWND) as the owner of the questions;
// 1 when the document may go.
int ConfirmReleaseOfCurrentDocument(void* owner_window);
// Writes the current file document's workspace, asking first (owned by the
// given window) when another window wrote it since; 1 when written.
int SaveCurrentWorkspace(void* owner_window);

// Runs one command ID with its condition; always 0.
int DispatchCommand(unsigned command_id);

// Destroys the live accelerator table and builds a new one from the
// shortcut entries (after the preferences dialog).
void RebuildAcceleratorTable();

// The Open virtual memory dialog (template 135): command 40010.
#pragma once

// Shows the dialog modally over the main window; on OK the chosen process's
// memory replaces the current document. The document commands follow: on
// when a process was opened or a document is still shown, else greyed.
// Returns the dialog's result, 1 when a process was opened.
int OpenProcessDocument(void* main_window);

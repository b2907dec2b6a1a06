// Dialog templates and control IDs of the save progress dialog and the Open
// virtual memory dialog, shared by resources/data.rc and the dialog procedures.
#pragma once

#define IDD_SAVE_PROGRESS 112
#define IDD_OPEN_PROCESS 135

#define IDC_SAVE_PROGRESS 1036
#define IDC_PROCESS_TREE 1054

// The save dialog's progress polling timer.
#define ID_PROGRESS_TIMER 10010

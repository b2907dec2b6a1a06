// The Open virtual memory dialog (template 135).
#pragma once

#include <memory>

class CallBackInfo;

// Shows the dialog modally over the main window. On OK the chosen process's
// memory is opened into a document of its own and the pending changes of the
// shown one are asked about; that document is returned for the caller to
// make current. Null on Cancel, or when nothing was opened or the shown
// document may not go.
std::unique_ptr<CallBackInfo> ChooseProcessDocument(void* main_window);

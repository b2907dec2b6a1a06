// The frame's current document and view state.
#include "frame/current_document.h"

CallBackInfo* g_p_current_document = nullptr;
ViewState* g_p_view_state = nullptr;

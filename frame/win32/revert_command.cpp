// "&Revert to file" (see revert_command.h): the question, the workspace
// removed, and the file opened afresh with its recovery copy gone.
#include "frame/win32/revert_command.h"

#include "frame/current_document.h"
#include "frame/win32/file_change_check.h"

#include "base/format_text.h"
#include "base/messages.h"
#include "base/tkstr.h"
#include "data/apply_file.h"
#include "data/document.h"
#include "data/workspace.h"
#include "view/selection.h"
#include "view/view_state.h"

#include <string>

namespace {

const wchar_t kRevertQuestionText[] =
    L"Drop every pending change of %s, including those kept in its workspace?";
const wchar_t kWorkspaceNotRemovedText[] =
    L"The workspace %s could not be removed; the changes are kept.\n";

} // namespace

int RevertToFile(HWND owner) {
    CallBackInfo* doc = g_p_current_document;
    if (!CanApply(doc) || doc->m_b_read_only || !g_p_view_state || RefusedWhileRead(doc) ||
        !doc->m_file_mapping.m_p_name->c_str()) {
        return 0;
    }
    const std::wstring path = doc->m_file_mapping.m_p_name->c_str();
    const std::wstring question = FormatText(kRevertQuestionText, path.c_str());
    if (MessageBoxW(owner, question.c_str(), L"Message",
                    MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2 | MB_TOPMOST) != IDYES) {
        return 0;
    }
    // The reload reads the workspace; with it gone, the file shows as it is.
    if (!RemoveWorkspace(path.c_str())) {
        ShowMessage(kWorkspaceNotRemovedText, WorkspaceName(path.c_str()).c_str());
        return 0;
    }
    return ReloadFileFromDisk(doc);
}

// The command dispatcher (a table of small handlers behind the command
// conditions), the popup menu update, the right-click menu and the document
// commands of the main menu.
#include "settings/item_attributes.h"
#include "frame/current_document.h"

#include "frame/frame_window.h"
#include "frame/win32/frame_state.h"

#include "base/format_text.h"
#include "base/tkstr.h"
#include "data/document.h"
#include "data/save_file.h"
#include "data/workspace.h"
#include "frame/command_rules.h"
#include "frame/win32/document_bookmarks.h"
#include "frame/win32/file_change_check.h"
#include "frame/win32/lib_luna.h"
#include "frame/win32/menu_keys.h"
#include "frame/win32/recovery_hooks.h"
#include "frame/win32/revert_command.h"
#include "resources/resource.h"
#include "settings/win32/about_dialog.h"
#include "settings/win32/accelerator_table.h"
#include "settings/win32/preferences_dialog.h"
#include "tools/tool_commands.h"
#include "tools/undo_commands.h"
#include "view/navigation.h"
#include "view/selection.h"
#include "view/view_state.h"
#include "view/win32/hex_view_control.h"

#include <windows.h>

#include <cwchar>
#include <string>

int ApplyCurrentDocument(HWND owner);

namespace {

// Starts the program again with the given parameter text (may be empty).
void StartInstance(const std::wstring& parameters) {
    CLibLuna luna;
    const wchar_t* module = luna.GetModulePath();
    if (!module) {
        return;
    }
    // The program path is quoted and followed by a space, which is how a new
    // instance finds the file path behind it.
    std::wstring command_line = L"\"" + std::wstring(module) + L"\"";
    if (!parameters.empty()) {
        command_line += L" " + parameters;
    }
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOW;
    PROCESS_INFORMATION process = {};
    if (CreateProcessW(module, &command_line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                       &startup, &process)) {
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
}

void OnNewFrame() {
    StartInstance(std::wstring());
}

void OnDuplicate() {
    // A file document is named by its path: the title may carry a mark after it.
    const CallBackInfo* doc = g_p_current_document;
    if (doc && doc->m_n_source_kind == 0 && doc->m_file_mapping.m_p_name &&
        doc->m_file_mapping.m_p_name->c_str()) {
        StartInstance(doc->m_file_mapping.m_p_name->c_str());
        return;
    }
    CLibLuna luna;
    const wchar_t* text = luna.GetWindowTextCopy(Frame().m_h_main_window);
    if (!text || !g_p_view_state) {
        return;
    }
    const std::wstring prefix = FormatText(L"%s - ", g_p_view_state->m_sz_title);
    const size_t length = std::wcslen(text);
    if (length > prefix.size()) {
        StartInstance(std::wstring(text + prefix.size()));
    }
}

void OnOpenFile() {
    OpenDocument(nullptr);
}

void ShowEditMode(int on) {
    CheckMenuItem(GetMenu(Frame().m_h_main_window), ID_EDIT_MODE,
                  MF_BYCOMMAND | (on ? MF_CHECKED : MF_UNCHECKED));
    CheckEditModeButton(on);
}

void GreyDocumentCommands();

// Closes the document and greys what needs one.
void ShowNoDocument() {
    CloseDocument();
    FrameState& frame = Frame();
    frame.m_b_document_commands = 0;
    InvalidateRect(frame.m_h_main_window, nullptr, TRUE);
    GreyDocumentCommands();
    SetEditMode(g_p_current_document, g_p_view_state, 0);
    ShowEditMode(0);
}

void OnClose() {
    if (ConfirmReleaseOfCurrentDocument(Frame().m_h_main_window)) {
        ShowNoDocument();
    }
}

// A file that holds the changes but cannot be opened again is shown no more.
void OnApply() {
    const int applied = ApplyCurrentDocument(Frame().m_h_main_window);
    if (applied < 0) {
        ShowNoDocument();
    } else if (applied > 0) {
        RecoveryFileRewritten();
        BookmarksFileRewritten();
    }
}

// The kept workspace is the state the pending flag and Undo measure against.
void OnSaveWorkspace() {
    // The workspace write asks first about a file another program changed.
    if (SaveCurrentWorkspace(Frame().m_h_main_window)) {
        if (CallBackInfo* doc = g_p_current_document)
            doc->MarkKept();
        RecoveryEditsKept();
    }
}

void OnExit() {
    SendMessageW(Frame().m_h_main_window, WM_CLOSE, 0, 0);
}

void OnEditMode() {
    const int on = SetEditMode(g_p_current_document, g_p_view_state,
                               g_p_view_state && !g_p_view_state->m_b_edit_mode);
    ShowEditMode(on);
}

void OnDataInspector() {
    if (CInspectorWindow* inspector = Frame().m_p_inspector.get()) {
        if (inspector->IsOpen()) {
            inspector->Close();
        } else {
            inspector->Open();
        }
    }
}

void OnChecksums() {
    if (CChecksumsWindow* checksums = Frame().m_p_checksums.get()) {
        checksums->SetDocument(g_p_current_document);
        checksums->Open();
    }
}

// Key changes made in the dialog take effect once it has closed, however it
// was closed.
void OnPreferences() {
    ShowPreferencesDialog(Frame().m_h_main_window, g_p_current_document, g_p_view_state);
    RebuildAcceleratorTable();
}

void OnSetBeginPos() {
    SetBeginPosition(g_p_current_document, g_p_view_state);
}
void OnSetEndPos() {
    SetEndPosition(g_p_current_document, g_p_view_state);
}
void OnByteLeft() {
    MoveCaret(g_p_current_document, g_p_view_state, 1, -1);
}
void OnByteRight() {
    MoveCaret(g_p_current_document, g_p_view_state, 1, 1);
}
void OnLineUp() {
    MoveCaret(g_p_current_document, g_p_view_state, 1, -16);
}
void OnLineDown() {
    MoveCaret(g_p_current_document, g_p_view_state, 1, 16);
}
void OnExtendByteLeft() {
    ExtendBy(g_p_current_document, g_p_view_state, -1);
}
void OnExtendByteRight() {
    ExtendBy(g_p_current_document, g_p_view_state, 1);
}
void OnExtendLineUp() {
    ExtendBy(g_p_current_document, g_p_view_state, -16);
}
void OnExtendLineDown() {
    ExtendBy(g_p_current_document, g_p_view_state, 16);
}

struct CommandHandler {
    uint16_t m_n_id;
    void (*m_p_handler)();
};

// Rows with a null handler belong to commands whose work is not built yet;
// they do nothing.
const CommandHandler kHandlers[] = {
    {ID_FILE_NEW_FRAME, OnNewFrame},
    {ID_FILE_DUPLICATE, OnDuplicate},
    {ID_FILE_OPEN, OnOpenFile},
    {ID_FILE_CLOSE, OnClose},
    {ID_FILE_APPLY, OnApply},
    {ID_FILE_SAVE_WORKSPACE, OnSaveWorkspace},
    {ID_FILE_SAVE_FILE,
     [] {
         if (CheckFileBeforeWrite(Frame().m_h_main_window)) {
             SaveFileAs(Frame().m_h_main_window, g_p_current_document);
         }
     }},
    {ID_FILE_EXIT, OnExit},
    {ID_FILE_OPEN_PROCESS, [] { OpenProcessDocument(Frame().m_h_main_window); }},
    {ID_EDIT_MODE, OnEditMode},
    {ID_EDIT_CUT, [] { OnCutCommand(g_p_current_document, g_p_view_state); }},
    {ID_COPY_DISPLAYED_HEX, [] { OnCopyDisplayedHexCommand(g_p_current_document); }},
    {ID_COPY_DISPLAYED_HEX_FORMAT, [] { OnCopyDisplayedHexFormatCommand(g_p_current_document); }},
    {ID_COPY_RAW_DATA, [] { OnCopyRawDataCommand(g_p_current_document); }},
    {ID_PASTE_INSERT, [] { OnInsertFromClipboardCommand(g_p_current_document, g_p_view_state); }},
    {ID_PASTE_OVERWRITE,
     [] { OnOverwriteFromClipboardCommand(g_p_current_document, g_p_view_state); }},
    {ID_EDIT_REMOVE, [] { OnRemoveCommand(g_p_current_document, g_p_view_state); }},
    {ID_EDIT_GOTO,
     [] { OnGotoCommand(Frame().m_h_main_window, g_p_current_document, g_p_view_state); }},
    {ID_EDIT_FIND,
     [] {
         OnFindCommand(Frame().m_h_main_window, g_p_current_document, g_p_view_state,
                       Frame().m_p_find_results.get());
     }},
    {ID_EDIT_REPLACE,
     [] {
         OnReplaceCommand(Frame().m_h_main_window, g_p_current_document, g_p_view_state,
                          Frame().m_p_find_results.get());
     }},
    {ID_OPTIONS_PREFERENCE, OnPreferences},
    {ID_HELP_ABOUT, [] { ShowAboutDialog(Frame().m_h_instance, Frame().m_h_main_window); }},
    {ID_SET_BEGIN_POS, OnSetBeginPos},
    {ID_SET_END_POS, OnSetEndPos},
    {ID_KEY_LINE_UP, OnLineUp},
    {ID_KEY_LINE_DOWN, OnLineDown},
    {ID_KEY_BYTE_LEFT, OnByteLeft},
    {ID_KEY_BYTE_RIGHT, OnByteRight},
    {ID_KEY_EXTEND_LINE_UP, OnExtendLineUp},
    {ID_KEY_EXTEND_LINE_DOWN, OnExtendLineDown},
    {ID_KEY_EXTEND_BYTE_LEFT, OnExtendByteLeft},
    {ID_KEY_EXTEND_BYTE_RIGHT, OnExtendByteRight},
    {ID_EDIT_UNDO, [] { UndoLastStep(g_p_current_document, g_p_view_state); }},
    {ID_EDIT_REDO, [] { RedoNextStep(g_p_current_document, g_p_view_state); }},
    {ID_VIEW_DATA_INSPECTOR, OnDataInspector},
    {ID_FILE_REVERT, [] { RevertToFile(Frame().m_h_main_window); }},
    {ID_KEY_PAGE_UP,
     [] { Navigate(g_p_current_document, g_p_view_state, NavigationStep::kPageUp, 0); }},
    {ID_KEY_PAGE_DOWN,
     [] { Navigate(g_p_current_document, g_p_view_state, NavigationStep::kPageDown, 0); }},
    {ID_KEY_EXTEND_PAGE_UP,
     [] { Navigate(g_p_current_document, g_p_view_state, NavigationStep::kPageUp, 1); }},
    {ID_KEY_EXTEND_PAGE_DOWN,
     [] { Navigate(g_p_current_document, g_p_view_state, NavigationStep::kPageDown, 1); }},
    {ID_KEY_ROW_START,
     [] { Navigate(g_p_current_document, g_p_view_state, NavigationStep::kRowStart, 0); }},
    {ID_KEY_ROW_END,
     [] { Navigate(g_p_current_document, g_p_view_state, NavigationStep::kRowEnd, 0); }},
    {ID_KEY_EXTEND_ROW_START,
     [] { Navigate(g_p_current_document, g_p_view_state, NavigationStep::kRowStart, 1); }},
    {ID_KEY_EXTEND_ROW_END,
     [] { Navigate(g_p_current_document, g_p_view_state, NavigationStep::kRowEnd, 1); }},
    {ID_KEY_DOCUMENT_START,
     [] { Navigate(g_p_current_document, g_p_view_state, NavigationStep::kDocumentStart, 0); }},
    {ID_KEY_DOCUMENT_END,
     [] { Navigate(g_p_current_document, g_p_view_state, NavigationStep::kDocumentEnd, 0); }},
    {ID_KEY_EXTEND_DOCUMENT_START,
     [] { Navigate(g_p_current_document, g_p_view_state, NavigationStep::kDocumentStart, 1); }},
    {ID_KEY_EXTEND_DOCUMENT_END,
     [] { Navigate(g_p_current_document, g_p_view_state, NavigationStep::kDocumentEnd, 1); }},
    {ID_EDIT_CHECKSUMS, OnChecksums},
    {ID_VIEW_BOOKMARKS, OnBookmarksWindow},
    {ID_EDIT_ADD_BOOKMARK, OnAddBookmark},
    {ID_EDIT_NEXT_BOOKMARK, OnNextBookmark},
    {ID_EDIT_PREVIOUS_BOOKMARK, OnPreviousBookmark},
};

// Commands that close or replace the document; they are refused while a modal
// window is open, since a save or a search may be reading the document.
bool ReleasesDocument(uint16_t id) {
    return id == ID_FILE_OPEN || id == ID_FILE_CLOSE || id == ID_FILE_OPEN_PROCESS ||
           id == ID_FILE_EXIT;
}

const UINT kDocumentCommands[6] = {ID_EDIT_GOTO,  ID_EDIT_MODE,      ID_EDIT_FIND,
                                   ID_FILE_CLOSE, ID_FILE_SAVE_FILE, ID_FILE_SAVE_WORKSPACE};

void EnableDocumentCommands(int on) {
    HMENU menu = GetMenu(Frame().m_h_main_window);
    for (UINT id : kDocumentCommands) {
        EnableMenuItem(menu, id, MF_BYCOMMAND | (on ? MF_ENABLED : MF_GRAYED));
    }
}

void GreyDocumentCommands() {
    EnableDocumentCommands(0);
}

int ClipboardHasText() {
    return IsClipboardFormatAvailable(CF_TEXT) || IsClipboardFormatAvailable(CF_UNICODETEXT) ||
           IsClipboardFormatAvailable(CF_OEMTEXT);
}

uint32_t ConditionsNow(uint32_t needed) {
    const int clipboard = (needed & kCondClipboard) ? ClipboardHasText() : 0;
    const int title = (needed & kCondTitle) ? DocumentShownByTitle() : 0;
    return CurrentConditions(Frame().m_b_document_commands, clipboard, title, HasBookmarks());
}

void Enable(HMENU menu, UINT item, UINT by, int on) {
    EnableMenuItem(menu, item, by | (on ? MF_ENABLED : MF_GRAYED));
}

bool ItemTextIs(HMENU popup, int position, const wchar_t* text) {
    wchar_t buffer[MAX_PATH] = {};
    if (GetMenuStringW(popup, static_cast<UINT>(position), buffer, MAX_PATH, MF_BYPOSITION) <= 0) {
        return false;
    }
    return _wcsicmp(buffer, text) == 0;
}

} // namespace

FrameState& Frame() {
    static FrameState frame;
    return frame;
}

void* FrameMainWindow() {
    return Frame().m_h_main_window;
}

int DocumentCommandsOn() {
    return Frame().m_b_document_commands;
}

int DocumentShownByTitle() {
    if (!g_p_view_state || !Frame().m_h_main_window) {
        return 0;
    }
    const int length = GetWindowTextLengthW(Frame().m_h_main_window);
    return length > static_cast<int>(std::wcslen(g_p_view_state->m_sz_title));
}

void SetDocumentCommands(int on) {
    EnableDocumentCommands(on);
    Frame().m_b_document_commands = on ? 1 : 0;
    if (on) {
        LoadItemAttributes(g_p_current_document, g_p_view_state);
    }
}

void RebuildAcceleratorTable() {
    FrameState& frame = Frame();
    if (frame.m_h_accelerators) {
        DestroyAcceleratorTable(frame.m_h_accelerators);
    }
    frame.m_h_accelerators = BuildAcceleratorTable();
    ShowBoundKeysInMenu(GetMenu(frame.m_h_main_window));
}

int DispatchCommand(unsigned command_id) {
    const uint16_t id = MenuCommandOfShortcut(static_cast<uint16_t>(command_id));
    const CommandRule* rule = FindCommandRule(id);
    if (!rule) {
        return 0;
    }
    const uint32_t satisfied = ConditionsNow(rule->m_n_conditions);
    if (!ConditionsHold(rule->m_n_conditions, satisfied)) {
        if (RefusedForEditModeOnly(rule->m_n_conditions, satisfied)) {
            SayEditModeOff(g_p_current_document);
        }
        return 0;
    }
    if (ReleasesDocument(id) && ModalWindowOpen()) {
        return 0;
    }
    // Any command ends a run of typed digits: the next digit starts a new undo step.
    if (g_p_current_document) {
        g_p_current_document->m_history.EndTyping();
    }
    for (const CommandHandler& row : kHandlers) {
        if (row.m_n_id == id) {
            if (row.m_p_handler) {
                row.m_p_handler();
            }
            break;
        }
    }
    return 0;
}

void OnEditModeChanged(int on) {
    ShowEditMode(on);
}

void UpdateMenuPopup(HMENU popup) {
    const MenuDecisions menus = DecideMenus(ConditionsNow(kCondClipboard | kCondTitle));
    const SubmenuPositions at = ItemTextIs(popup, kEditMenuPositions.m_n_copy, L"&Copy")
                                    ? kEditMenuPositions
                                    : kRightMenuPositions;
    if (ItemTextIs(popup, at.m_n_copy, L"&Copy")) {
        Enable(popup, at.m_n_copy, MF_BYPOSITION, menus.m_b_copy_enabled);
    }
    Enable(popup, ID_EDIT_UNDO, MF_BYCOMMAND, menus.m_b_undo_enabled);
    Enable(popup, ID_EDIT_REDO, MF_BYCOMMAND, menus.m_b_redo_enabled);
    Enable(popup, ID_FILE_APPLY, MF_BYCOMMAND, menus.m_b_apply_enabled);
    Enable(popup, ID_FILE_REVERT, MF_BYCOMMAND, menus.m_b_revert_enabled);
    Enable(popup, ID_FILE_DUPLICATE, MF_BYCOMMAND, menus.m_b_duplicate_enabled);
    Enable(popup, ID_FILE_SAVE_WORKSPACE, MF_BYCOMMAND, menus.m_b_save_workspace_enabled);
    CheckMenuItem(popup, ID_EDIT_MODE,
                  MF_BYCOMMAND | (menus.m_b_edit_mode_checked ? MF_CHECKED : MF_UNCHECKED));
    Enable(popup, ID_EDIT_MODE, MF_BYCOMMAND, menus.m_b_edit_mode_enabled);
    const CInspectorWindow* inspector = Frame().m_p_inspector.get();
    CheckMenuItem(popup, ID_VIEW_DATA_INSPECTOR,
                  MF_BYCOMMAND | (inspector && inspector->IsOpen() ? MF_CHECKED : MF_UNCHECKED));
    const CBookmarksWindow* bookmarks = Frame().m_p_bookmarks_window.get();
    CheckMenuItem(popup, ID_VIEW_BOOKMARKS,
                  MF_BYCOMMAND | (bookmarks && bookmarks->IsOpen() ? MF_CHECKED : MF_UNCHECKED));
    Enable(popup, ID_EDIT_ADD_BOOKMARK, MF_BYCOMMAND, menus.m_b_add_bookmark_enabled);
    Enable(popup, ID_EDIT_NEXT_BOOKMARK, MF_BYCOMMAND, menus.m_b_step_bookmark_enabled);
    Enable(popup, ID_EDIT_PREVIOUS_BOOKMARK, MF_BYCOMMAND, menus.m_b_step_bookmark_enabled);
    Enable(popup, ID_EDIT_REMOVE, MF_BYCOMMAND, menus.m_b_cut_remove_enabled);
    Enable(popup, ID_EDIT_CUT, MF_BYCOMMAND, menus.m_b_cut_remove_enabled);
    if (ItemTextIs(popup, at.m_n_paste, L"&Paste")) {
        if (menus.m_n_paste == kPasteGreySubmenu) {
            Enable(popup, at.m_n_paste, MF_BYPOSITION, 0);
        } else {
            const int on = menus.m_n_paste != kPasteGreyAll;
            Enable(popup, at.m_n_paste, MF_BYPOSITION, on);
            Enable(popup, ID_PASTE_INSERT, MF_BYCOMMAND, on);
            Enable(popup, ID_PASTE_OVERWRITE, MF_BYCOMMAND, menus.m_n_paste == kPasteEnableAll);
        }
    }
}

int ShowContextMenu(HWND main_window, LPARAM screen_point) {
    RECT area = {};
    GetClientRect(main_window, &area);
    area.top += RebarHeight();
    if (HWND status = HexViewStatusBar()) {
        RECT status_rect = {};
        GetWindowRect(status, &status_rect);
        area.bottom -= status_rect.bottom - status_rect.top;
    }
    POINT point = {static_cast<int16_t>(LOWORD(screen_point)),
                   static_cast<int16_t>(HIWORD(screen_point))};
    ScreenToClient(main_window, &point);
    if (!PtInRect(&area, point)) {
        return 0;
    }
    if (!DocumentShownByTitle()) {
        return 1;
    }
    POINT cursor = {};
    GetCursorPos(&cursor);
    SetForegroundWindow(main_window);
    HMENU loaded = LoadMenuW(Frame().m_h_instance, MAKEINTRESOURCEW(IDR_CONTEXT_MENU));
    if (!loaded) {
        return 1;
    }
    HMENU popup = GetSubMenu(loaded, 0);
    if (popup) {
        AttachMenuBitmaps(popup, main_window, loaded);
        ShowBoundKeysInMenu(popup);
        TrackPopupMenuEx(popup, TPM_RIGHTBUTTON, cursor.x, cursor.y, main_window, nullptr);
        PostMessageW(main_window, WM_NULL, 0, 0);
    }
    DestroyMenu(loaded);
    return 1;
}

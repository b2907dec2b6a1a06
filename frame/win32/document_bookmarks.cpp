// The current document's bookmarks in the frame (see document_bookmarks.h).
#include "frame/win32/document_bookmarks.h"

#include "frame/current_document.h"
#include "frame/win32/frame_state.h"

#include "base/messages.h"
#include "base/tkstr.h"
#include "data/document.h"
#include "tools/bookmark_commands.h"
#include "tools/bookmark_keeper.h"
#include "tools/bookmark_text.h"
#include "tools/win32/bookmark_dialog.h"
#include "tools/win32/bookmarks_window.h"
#include "view/view_host.h"
#include "view/view_state.h"

#include <windows.h>
#include <knownfolders.h>
#include <shlobj.h>

#include <string>

namespace {

// %LOCALAPPDATA%\Pelmora\Bookmarks, made when missing; empty when it cannot
// be. The environment's folder comes first, so that a user (or a test) who
// points LOCALAPPDATA elsewhere finds the bookmarks there.
std::wstring StoreFolder() {
    std::wstring base;
    wchar_t buffer[MAX_PATH] = {};
    const DWORD length = GetEnvironmentVariableW(L"LOCALAPPDATA", buffer, MAX_PATH);
    if (length > 0 && length < MAX_PATH) {
        base = buffer;
    } else {
        PWSTR known = nullptr;
        if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_LocalAppData, 0, nullptr, &known)) && known) {
            base = known;
        }
        CoTaskMemFree(known);
    }
    if (base.empty()) {
        return base;
    }
    const std::wstring folder = base + L"\\Pelmora\\Bookmarks";
    const int made = SHCreateDirectoryExW(nullptr, folder.c_str(), nullptr);
    if (made != ERROR_SUCCESS && made != ERROR_ALREADY_EXISTS && made != ERROR_FILE_EXISTS) {
        DebugTrace(L"Bookmarks: the folder %s cannot be made\n", folder.c_str());
        return std::wstring();
    }
    return folder;
}

// After every change of the set: the window lists it again and the view
// repaints its marks.
void OnBookmarksChanged(void* /*context*/) {
    FrameState& frame = Frame();
    if (frame.m_p_bookmarks_window) {
        frame.m_p_bookmarks_window->Refresh();
    }
    if (frame.m_h_view_control) {
        InvalidateRect(frame.m_h_view_control, nullptr, FALSE);
    }
}

void ShowBookmarks(BookmarkKeeper* keeper) {
    FrameState& frame = Frame();
    if (g_p_view_state) {
        g_p_view_state->m_p_byte_marks = keeper;
    }
    if (frame.m_p_bookmarks_window) {
        frame.m_p_bookmarks_window->SetBookmarks(keeper ? &keeper->Set() : nullptr);
    }
}

} // namespace

void InstallBookmarks(CallBackInfo* doc) {
    FrameState& frame = Frame();
    ShowBookmarks(nullptr);
    frame.m_p_bookmarks.reset();
    if (!doc) {
        return;
    }
    std::wstring folder;
    std::wstring name;
    if (doc->m_n_source_kind == 0 && doc->m_file_mapping.m_p_name &&
        doc->m_file_mapping.m_p_name->c_str()) {
        folder = StoreFolder();
        name = BookmarkStoreName(doc->m_file_mapping.m_p_name->c_str());
    }
    frame.m_p_bookmarks = std::make_unique<BookmarkKeeper>(doc, folder, name);
    frame.m_p_bookmarks->LoadStore();
    frame.m_p_bookmarks->SetChangedHook(OnBookmarksChanged, nullptr);
    ShowBookmarks(frame.m_p_bookmarks.get());
}

BookmarkSet* CurrentBookmarks() {
    BookmarkKeeper* keeper = Frame().m_p_bookmarks.get();
    return keeper ? &keeper->Set() : nullptr;
}

int HasBookmarks() {
    const BookmarkSet* set = CurrentBookmarks();
    return set && set->Count() > 0;
}

void BookmarksFileRewritten() {
    if (BookmarkKeeper* keeper = Frame().m_p_bookmarks.get()) {
        keeper->WriteStore();
    }
}

void OnAddBookmark() {
    BookmarkSet* set = CurrentBookmarks();
    CallBackInfo* doc = g_p_current_document;
    if (!set || !doc) {
        return;
    }
    std::wstring name = NewBookmarkName(doc);
    std::wstring note;
    if (!AskBookmarkText(Frame().m_h_instance, Frame().m_h_main_window, &name, &note)) {
        return;
    }
    AddSelectionBookmark(doc, set, name, note);
}

void OnNextBookmark() {
    if (const BookmarkSet* set = CurrentBookmarks()) {
        StepBookmark(g_p_current_document, g_p_view_state, *set, 1);
    }
}

void OnPreviousBookmark() {
    if (const BookmarkSet* set = CurrentBookmarks()) {
        StepBookmark(g_p_current_document, g_p_view_state, *set, 0);
    }
}

void OnBookmarksWindow() {
    CBookmarksWindow* window = Frame().m_p_bookmarks_window.get();
    if (!window) {
        return;
    }
    if (window->IsOpen()) {
        window->Close();
    } else {
        window->SetBookmarks(CurrentBookmarks());
        window->Open();
    }
}

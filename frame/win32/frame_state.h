// The frame's window handles and the pieces of the main window that the
// frame's Win32 files share: toolbar band, menu pictures, accelerator table.
#pragma once

#include "data/recovery_keeper.h"
#include "tools/bookmark_keeper.h"
#include "tools/win32/bookmarks_window.h"
#include "tools/win32/checksums_window.h"
#include "tools/win32/find_results_window.h"
#include "tools/win32/inspector_window.h"
#include "view/document_follower.h"

#include <array>

#include <windows.h>
#include <commctrl.h>

#include <memory>
#include <string>

struct FrameState {
    HINSTANCE m_h_instance = nullptr;
    HWND m_h_main_window = nullptr;
    HWND m_h_rebar = nullptr;
    HWND m_h_toolbar = nullptr;
    HIMAGELIST m_h_toolbar_images = nullptr;
    HWND m_h_view_control = nullptr;
    HACCEL m_h_accelerators = nullptr;
    int m_b_document_commands = 0; // the document-open flag
    // The command line's file, made absolute against the folder the program
    // was started in before start-up changed it; empty when none is named.
    std::wstring m_sz_start_path;
    // The current document's recovery copy; it follows no other document,
    // since every change of the current document tells it.
    RecoveryKeeper m_recovery;
    WorkspaceStamp m_workspace_stamp; // the current file's workspace as last read or written
    // The data inspector, made with the main window and gone before it.
    std::unique_ptr<CInspectorWindow> m_p_inspector;
    // The view follows the current document's changes through this watch.
    ViewDocumentFollower m_view_follower;
    DocumentWatch m_view_watch;
    // The checksums window, likewise; told of every change of the current document.
    std::unique_ptr<CChecksumsWindow> m_p_checksums;
    // The matches of the last "Find all", following the current document.
    std::unique_ptr<CFindResultsWindow> m_p_find_results;
    // The current document's bookmarks, made and gone with the document.
    std::unique_ptr<BookmarkKeeper> m_p_bookmarks;
    // The bookmarks window, made with the main window and gone before it.
    std::unique_ptr<CBookmarksWindow> m_p_bookmarks_window;

    // The tool windows that exist, for what all of them take alike (their
    // dialog keys, keeping their settings at exit).
    std::array<CToolWindow*, 4> ToolWindows() const {
        return {m_p_inspector.get(), m_p_checksums.get(), m_p_find_results.get(),
                m_p_bookmarks_window.get()};
    }
};

// The one frame state of the process.
FrameState& Frame();

// Main window class and procedure.
ATOM RegisterMainWindowClass(HINSTANCE instance);
LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

// Toolbar band (rebar with one toolbar); 1, or 0 when a window cannot be made.
int CreateToolbar(HINSTANCE module, HWND main_window);
// Height of the rebar's bar, 0 without a rebar.
int RebarHeight();
// Shows the toolbar's "Edit mode" button pressed or released.
void CheckEditModeButton(int pressed);
// Attaches the menu pictures to the commands of a popup (the right-click
// menu), or with a null popup to those of the main menu's submenus.
void AttachMenuBitmaps(HMENU popup, HWND window, HMENU menu);
// Deletes the menu pictures and the toolbar image list (at close).
void DeleteMenuBitmaps();
void DestroyToolbarImages();

// Enable, grey and check the items of a popup about to open.
void UpdateMenuPopup(HMENU popup);
// Right-click handling; 1 when the point lies in the document area.
int ShowContextMenu(HWND main_window, LPARAM screen_point);
// Called by the hex view control after a double click toggled edit mode.
void OnEditModeChanged(int on);
// The main window's title names a document.
int DocumentShownByTitle();
// The close sequence; 1 when the window may be destroyed.
int PrepareWindowClose();
// A modal window of the main window (a dialog, possibly with a worker
// behind it, or a question) is open: requests that would close or replace
// the document are refused until it has gone.
int ModalWindowOpen();

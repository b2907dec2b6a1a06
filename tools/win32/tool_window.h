// The common part of the modeless tool windows owned by the main window (the
// data inspector, the checksums, and others like them): the window class, the
// route from the window procedure to the object, opening at the kept place or
// beside the owner, closing with the place kept, the open state and place in
// the window's own section of settings.ini, and the dialog keys.
//
// A tool window derives from CToolWindow, names itself with a ToolWindowKind,
// makes its controls in CreateControls and places them in Layout, and takes
// the messages it wants in Handle, passing the rest on to CToolWindow::Handle.
#pragma once

#include <windows.h>

class CSettingsBatch;

// What tells one tool window from another; the texts outlive the window.
struct ToolWindowKind {
    const wchar_t* m_sz_class_name;
    const wchar_t* m_sz_title;
    const wchar_t* m_sz_section; // of settings.ini
    int m_n_first_width;         // the size it opens with when no place was kept
    int m_n_first_height;
    // Narrower than this it is of no use: it never opens narrower beside the owner.
    int m_n_min_width;
};

class CToolWindow {
  public:
    // Nothing is read yet: the derived constructor calls LoadSettings.
    CToolWindow(HINSTANCE instance, HWND owner, const ToolWindowKind& kind);
    virtual ~CToolWindow();
    CToolWindow(const CToolWindow&) = delete;
    CToolWindow& operator=(const CToolWindow&) = delete;

    // Shows the window where it was last kept (or beside the owner), without
    // taking the focus; 1 when it shows.
    int Open();
    // Keeps its place and destroys it; the owner becomes active again.
    void Close();
    int IsOpen() const { return m_h_window != nullptr; }
    // Opens it when settings.ini said it was open at the last exit.
    void RestoreFromSettings();
    // Keeps open state, place and the derived window's keys in settings.ini;
    // a window never opened in this run leaves the file as it is.
    void SaveSettings() const;
    // Dialog keys (Tab, Enter, Esc, the access keys) for its controls; 1 when taken.
    int PreTranslate(MSG* message);

  protected:
    // Reads the section in one batch: the place here, the rest through
    // ReadKeys. A derived constructor calls it once (virtual calls do not
    // reach a derived class from the base constructor).
    void LoadSettings();
    // Destroys the window without keeping its place. A derived destructor
    // calls it, so that OnDestroyed still reaches the derived class.
    void Destroy();

    HWND Window() const { return m_h_window; }

    // The messages of the window. The default makes the controls on
    // WM_CREATE, lays them out on WM_SIZE, closes on WM_CLOSE, shows the row
    // menu on WM_CONTEXTMENU and leaves the rest to DefWindowProc.
    virtual LRESULT Handle(UINT message, WPARAM wparam, LPARAM lparam);
    virtual void CreateControls() = 0;
    virtual void Layout() = 0;
    // The window exists, is not shown yet, and has its controls.
    virtual void OnOpened() {}
    // The window is being destroyed: its handles are about to go (the
    // window's own is still valid here).
    virtual void OnDestroyed() {}
    // The list whose rows have a context menu (null: none), and that menu,
    // shown at the cursor when the list is right-clicked or its menu key pressed.
    virtual HWND RowList() const { return nullptr; }
    virtual void ShowRowMenu() {}
    // The derived window's own keys in its section.
    virtual void ReadKeys(const CSettingsBatch& /*file*/, const wchar_t* /*section*/) {}
    virtual void WriteKeys(CSettingsBatch* /*file*/, const wchar_t* /*section*/) const {}

    const HINSTANCE m_h_instance;
    const HWND m_h_owner;

  private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
    int RegisterOnce() const;

    const ToolWindowKind& m_kind;
    HWND m_h_window = nullptr;
    RECT m_rc_kept = {}; // the last place, kept when the window goes
    int m_b_place_kept = 0;
    int m_b_open_at_exit = 0; // as settings.ini said when read
    int m_b_shown = 0;        // opened in this run: only then is there anything to keep
};

// The toolbar band under the menu and the small pictures of the menu items;
// a command has the same picture in both.
#include "frame/win32/frame_state.h"

#include "frame/command_rules.h"
#include "resources/resource.h"

namespace {

struct ToolbarEntry {
    int m_n_image; // -1 for a separator
    WORD m_n_command;
    const wchar_t* m_sz_tooltip;
};

const ToolbarEntry kToolbarEntries[15] = {
    {0, ID_FILE_NEW_FRAME, L"New frame"},
    {-1, 0, nullptr},
    {1, ID_FILE_OPEN, L"Open"},
    {2, ID_FILE_CLOSE, L"Close"},
    {-1, 0, nullptr},
    {3, ID_FILE_SAVE_WORKSPACE, L"Save workspace"},
    {-1, 0, nullptr},
    {4, ID_EDIT_CUT, L"Cut"},
    {5, ID_COPY_RAW_DATA, L"Copy raw data"},
    {6, ID_PASTE_INSERT, L"Paste from clipboard"},
    {-1, 0, nullptr},
    {7, ID_EDIT_GOTO, L"Goto..."},
    {8, ID_EDIT_FIND, L"Find..."},
    {-1, 0, nullptr},
    {9, ID_EDIT_MODE, L"Edit mode"},
};

// Icons of toolbar images 0 to 9.
const int kToolbarIcons[10] = {IDI_NEW_FRAME, IDI_OPEN,     IDI_CLOSE, IDI_SAVE_WORKSPACE,
                               IDI_CUT,       IDI_COPY,     IDI_PASTE, IDI_GOTO,
                               IDI_FIND,      IDI_EDIT_MODE};

struct MenuBitmapRow {
    int m_n_submenu;
    int m_n_command;
    int m_n_icon;
    HBITMAP m_h_bitmap;
};

MenuBitmapRow MenuBitmapTable[10] = {
    {kFileMenu, ID_FILE_NEW_FRAME, IDI_NEW_FRAME, nullptr},
    {kFileMenu, ID_FILE_OPEN, IDI_OPEN, nullptr},
    {kFileMenu, ID_FILE_APPLY, IDI_APPLY, nullptr},
    {kFileMenu, ID_FILE_SAVE_WORKSPACE, IDI_SAVE_WORKSPACE, nullptr},
    {kFileMenu, ID_FILE_OPEN_PROCESS, IDI_PROCESS, nullptr},
    {kEditMenu, ID_EDIT_CUT, IDI_CUT, nullptr},
    {kEditMenu, ID_COPY_RAW_DATA, IDI_COPY, nullptr},
    {kEditMenu, ID_PASTE_INSERT, IDI_PASTE, nullptr},
    {kEditMenu, ID_EDIT_FIND, IDI_FIND, nullptr},
    {kEditMenu, ID_EDIT_GOTO, IDI_GOTO, nullptr},
};
bool g_b_menu_bitmaps_made = false;

// Draws each row's icon onto the menu colour, pure black staying transparent.
void MakeMenuBitmaps(HWND window) {
    g_b_menu_bitmaps_made = true;
    HDC window_dc = GetDC(window);
    if (!window_dc) {
        return;
    }
    HDC icon_dc = CreateCompatibleDC(window_dc);
    HDC bitmap_dc = CreateCompatibleDC(window_dc);
    HBITMAP scratch = CreateCompatibleBitmap(window_dc, 16, 16);
    if (icon_dc && bitmap_dc && scratch) {
        const HINSTANCE module = Frame().m_h_instance;
        const RECT square = {0, 0, 16, 16};
        for (MenuBitmapRow& row : MenuBitmapTable) {
            HICON icon =
                static_cast<HICON>(LoadImageW(module, MAKEINTRESOURCEW(row.m_n_icon), IMAGE_ICON, 0,
                                              0, LR_SHARED | LR_LOADTRANSPARENT));
            HGDIOBJ old_scratch = SelectObject(icon_dc, scratch);
            FillRect(icon_dc, &square, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
            if (icon) {
                DrawIconEx(icon_dc, 0, 0, icon, 16, 16, 0, nullptr, DI_IMAGE);
            }
            HBITMAP bitmap = CreateCompatibleBitmap(window_dc, 16, 16);
            if (bitmap) {
                HGDIOBJ old_bitmap = SelectObject(bitmap_dc, bitmap);
                FillRect(bitmap_dc, &square, GetSysColorBrush(COLOR_MENU));
                TransparentBlt(bitmap_dc, 0, 0, 16, 16, icon_dc, 0, 0, 16, 16, RGB(0, 0, 0));
                SelectObject(bitmap_dc, old_bitmap);
            }
            SelectObject(icon_dc, old_scratch);
            row.m_h_bitmap = bitmap;
        }
    }
    if (scratch) {
        DeleteObject(scratch);
    }
    if (bitmap_dc) {
        DeleteDC(bitmap_dc);
    }
    if (icon_dc) {
        DeleteDC(icon_dc);
    }
    ReleaseDC(window, window_dc);
}

} // namespace

int CreateToolbar(HINSTANCE module, HWND main_window) {
    FrameState& frame = Frame();
    frame.m_h_rebar = CreateWindowExW(0, REBARCLASSNAMEW, nullptr,
                                      WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN |
                                          RBS_BANDBORDERS | CCS_NODIVIDER,
                                      0, 0, 0, 0, main_window, nullptr, module, nullptr);
    if (!frame.m_h_rebar) {
        return 0;
    }
    REBARINFO bar = {};
    bar.cbSize = sizeof(bar);
    SendMessageW(frame.m_h_rebar, RB_SETBARINFO, 0, reinterpret_cast<LPARAM>(&bar));

    frame.m_h_toolbar =
        CreateWindowExW(0, TOOLBARCLASSNAMEW, nullptr,
                        WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN |
                            TBSTYLE_TRANSPARENT | TBSTYLE_LIST | TBSTYLE_FLAT | TBSTYLE_TOOLTIPS |
                            CCS_NODIVIDER | CCS_NOPARENTALIGN | CCS_NORESIZE | CCS_TOP,
                        0, 0, 100, 20, main_window, nullptr, module, nullptr);
    if (!frame.m_h_toolbar) {
        return 0;
    }
    HWND toolbar = frame.m_h_toolbar;
    SendMessageW(toolbar, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);

    frame.m_h_toolbar_images = ImageList_Create(16, 16, ILC_COLOR32, 1, 0);
    for (int icon_id : kToolbarIcons) {
        HICON icon = LoadIconW(module, MAKEINTRESOURCEW(icon_id));
        if (frame.m_h_toolbar_images && icon) {
            ImageList_ReplaceIcon(frame.m_h_toolbar_images, -1, icon);
        }
    }
    SendMessageW(toolbar, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(frame.m_h_toolbar_images));
    SendMessageW(toolbar, TB_SETEXTENDEDSTYLE, 0, TBSTYLE_EX_MIXEDBUTTONS);
    SendMessageW(toolbar, TB_SETBUTTONSIZE, 0, MAKELPARAM(16, 0));

    TBBUTTON buttons[15] = {};
    for (int i = 0; i < 15; ++i) {
        const ToolbarEntry& entry = kToolbarEntries[i];
        if (entry.m_n_image < 0) {
            buttons[i].fsStyle = BTNS_SEP;
            continue;
        }
        buttons[i].iBitmap = entry.m_n_image;
        buttons[i].idCommand = entry.m_n_command;
        buttons[i].fsState = TBSTATE_ENABLED;
        buttons[i].fsStyle = BTNS_AUTOSIZE;
        // Without BTNS_SHOWTEXT the text of a mixed-buttons toolbar is its tooltip.
        buttons[i].iString = reinterpret_cast<INT_PTR>(entry.m_sz_tooltip);
    }
    SendMessageW(toolbar, TB_ADDBUTTONSW, 15, reinterpret_cast<LPARAM>(buttons));

    // The band is added once the buttons exist, so that it takes their size.
    const DWORD size = static_cast<DWORD>(SendMessageW(toolbar, TB_GETBUTTONSIZE, 0, 0));
    REBARBANDINFOW band = {};
    band.cbSize = sizeof(band);
    band.fMask = RBBIM_STYLE | RBBIM_CHILD | RBBIM_CHILDSIZE | RBBIM_SIZE;
    band.fStyle = RBBS_BREAK | RBBS_USECHEVRON;
    band.hwndChild = toolbar;
    band.cxMinChild = LOWORD(size);
    band.cyMinChild = HIWORD(size) + 3;
    band.cx = 500;
    SendMessageW(frame.m_h_rebar, RB_INSERTBANDW, static_cast<WPARAM>(-1),
                 reinterpret_cast<LPARAM>(&band));
    return 1;
}

int RebarHeight() {
    HWND rebar = Frame().m_h_rebar;
    return rebar ? static_cast<int>(SendMessageW(rebar, RB_GETBARHEIGHT, 0, 0)) : 0;
}

void CheckEditModeButton(int pressed) {
    if (HWND toolbar = Frame().m_h_toolbar) {
        SendMessageW(toolbar, TB_CHECKBUTTON, ID_EDIT_MODE, MAKELPARAM(pressed ? TRUE : FALSE, 0));
    }
}

void AttachMenuBitmaps(HMENU popup, HWND window, HMENU menu) {
    if (!g_b_menu_bitmaps_made) {
        MakeMenuBitmaps(window);
    }
    for (const MenuBitmapRow& row : MenuBitmapTable) {
        if (!row.m_h_bitmap) {
            continue;
        }
        HMENU target = popup ? popup : GetSubMenu(menu, row.m_n_submenu);
        if (target) {
            SetMenuItemBitmaps(target, static_cast<UINT>(row.m_n_command), MF_BYCOMMAND,
                               row.m_h_bitmap, row.m_h_bitmap);
        }
    }
}

void DeleteMenuBitmaps() {
    for (MenuBitmapRow& row : MenuBitmapTable) {
        if (row.m_h_bitmap) {
            DeleteObject(row.m_h_bitmap);
            row.m_h_bitmap = nullptr;
        }
    }
}

void DestroyToolbarImages() {
    FrameState& frame = Frame();
    if (frame.m_h_toolbar_images) {
        if (frame.m_h_toolbar) {
            SendMessageW(frame.m_h_toolbar, TB_SETIMAGELIST, 0, 0);
        }
        ImageList_Destroy(frame.m_h_toolbar_images);
        frame.m_h_toolbar_images = nullptr;
    }
}

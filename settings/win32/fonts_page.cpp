// The Fonts and Colors page: face, style and size, the colour items with
// their two swatches and the colour picker, and the sample.
#include "resources/settings_ids.h"
#include "settings/item_attributes.h"
#include "settings/preference_rules.h"
#include "settings/settings_file.h"
#include "settings/win32/preference_pages.h"
#include "settings/win32/sample_window.h"

#include <commctrl.h>
#include <commdlg.h>

#include <cwchar>
#include <memory>

namespace {

constexpr UINT_PTR kSwatchSubclass = 2;
const wchar_t kSection[] = L"item_attributes";

// Custom colours of the picker, kept for the program's run so that colours
// defined in one pick are offered in the next.
COLORREF* CustomColors() {
    static COLORREF colors[16] = {};
    return colors;
}

struct FontsPage {
    HWND m_h_page = nullptr;
    CSamplePreview m_sample;
    SwatchState m_swatch = {0, 0, 0};
    HWND m_h_swatches[2] = {nullptr, nullptr}; // foreground, background
};

FontsPage* PageOf(HWND page) {
    return reinterpret_cast<FontsPage*>(GetWindowLongPtrW(page, DWLP_USER));
}

void Add(HWND control, UINT message, const wchar_t* text) {
    SendMessageW(control, message, 0, reinterpret_cast<LPARAM>(text));
}

int CALLBACK AddFontFamily(const LOGFONTW* font, const TEXTMETRICW*, DWORD, LPARAM list) {
    const ENUMLOGFONTEXW* entry = reinterpret_cast<const ENUMLOGFONTEXW*>(font);
    HWND combo = reinterpret_cast<HWND>(list);
    // The family name, not the full name: it is what the view's font is
    // created from and what the settings file keeps, and a substituted family
    // (Courier New drawn by another face) lists under its own name.
    const wchar_t* name = entry->elfLogFont.lfFaceName;
    if (_wcsicmp(entry->elfScript, L"Western") == 0 && name[0] != L'@' &&
        SendMessageW(combo, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                     reinterpret_cast<LPARAM>(name)) == CB_ERR) {
        Add(combo, CB_ADDSTRING, name);
    }
    return 1;
}

void FillFontNames(HWND combo) {
    HDC screen = GetDC(nullptr);
    if (!screen) {
        return;
    }
    LOGFONTW filter = {};
    filter.lfCharSet = DEFAULT_CHARSET;
    EnumFontFamiliesExW(screen, &filter, AddFontFamily, reinterpret_cast<LPARAM>(combo), 0);
    ReleaseDC(nullptr, screen);
}

// The selected item's text of a combo box, or its edit field's text when no
// item is selected (or when asked for the edit field).
void ComboText(HWND combo, wchar_t* out, int capacity, int edit_field) {
    out[0] = 0;
    const LRESULT index = edit_field ? CB_ERR : SendMessageW(combo, CB_GETCURSEL, 0, 0);
    if (index != CB_ERR) {
        const LRESULT length = SendMessageW(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
        if (length != CB_ERR && length < capacity) {
            SendMessageW(combo, CB_GETLBTEXT, static_cast<WPARAM>(index),
                         reinterpret_cast<LPARAM>(out));
            return;
        }
    }
    GetWindowTextW(combo, out, capacity);
}

void LoadFontsPage(HWND page) {
    wchar_t face[32];
    wchar_t style[32];
    wchar_t size[16];
    ReadProfileString(kSection, L"font_name", L"Courier New", face, 32);
    ReadProfileString(kSection, L"font_style", L"Italic", style, 32);
    ReadProfileString(kSection, L"font_size", L"12", size, 16);
    SendDlgItemMessageW(page, IDC_PREF_FONT_NAME, CB_SELECTSTRING, static_cast<WPARAM>(-1),
                        reinterpret_cast<LPARAM>(face));
    SendDlgItemMessageW(page, IDC_PREF_FONT_STYLE, CB_SELECTSTRING, static_cast<WPARAM>(-1),
                        reinterpret_cast<LPARAM>(style));
    if (SendDlgItemMessageW(page, IDC_PREF_FONT_SIZE, CB_SELECTSTRING, static_cast<WPARAM>(-1),
                            reinterpret_cast<LPARAM>(size)) == CB_ERR) {
        SetDlgItemTextW(page, IDC_PREF_FONT_SIZE, size);
    }
    ReadItemColors();
}

// from_size_edit: the size field is being typed in; its text counts and the
// focus stays there.
void RefreshSample(FontsPage* state, int from_size_edit) {
    FontChoice choice = {};
    HWND page = state->m_h_page;
    ComboText(GetDlgItem(page, IDC_PREF_FONT_NAME), choice.m_sz_face, 32, 0);
    ComboText(GetDlgItem(page, IDC_PREF_FONT_STYLE), choice.m_sz_style, 32, 0);
    ComboText(GetDlgItem(page, IDC_PREF_FONT_SIZE), choice.m_sz_size, 16, from_size_edit);
    const int size = SampleSize(ParseSizeText(choice.m_sz_size));
    state->m_sample.Refresh(choice.m_sz_face, choice.m_sz_style, size, g_item_colors,
                            !from_size_edit);
}

void RepaintSwatches(FontsPage* state) {
    for (HWND swatch : state->m_h_swatches) {
        InvalidateRect(swatch, nullptr, TRUE);
    }
}

int SelectedItem(HWND page) {
    const LRESULT index = SendDlgItemMessageW(page, IDC_PREF_ITEMS, LB_GETCURSEL, 0, 0);
    return index == LB_ERR ? -1 : static_cast<int>(index);
}

void OnItemSelected(FontsPage* state) {
    const int item = SelectedItem(state->m_h_page);
    if (item < 0) {
        return;
    }
    state->m_swatch = SwatchForItem(item, g_item_colors);
    EnableWindow(state->m_h_swatches[0], (state->m_swatch.m_n_mask & kSwatchForeground) != 0);
    EnableWindow(state->m_h_swatches[1], (state->m_swatch.m_n_mask & kSwatchBackground) != 0);
    RepaintSwatches(state);
}

void PickItemColor(FontsPage* state, int background) {
    const int item = SelectedItem(state->m_h_page);
    const wchar_t* key = SwatchKey(item, background);
    ColorRef ItemColors::*member = SwatchMember(item, background);
    if (item < 0 || !key || !member) {
        return;
    }
    CHOOSECOLORW choose = {};
    choose.lStructSize = sizeof(choose);
    choose.hwndOwner = state->m_h_page;
    choose.rgbResult = ReadProfileInt(kSection, key, 0);
    choose.lpCustColors = CustomColors();
    choose.Flags = CC_RGBINIT | CC_FULLOPEN | CC_ANYCOLOR;
    if (!ChooseColorW(&choose)) {
        return;
    }
    g_item_colors.*member = choose.rgbResult;
    if (background) {
        state->m_swatch.m_cr_bk = choose.rgbResult;
        state->m_swatch.m_n_mask |= kSwatchBackground;
    } else {
        state->m_swatch.m_cr_fg = choose.rgbResult;
        state->m_swatch.m_n_mask |= kSwatchForeground;
    }
}

LRESULT CALLBACK SwatchProc(HWND button, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR,
                            DWORD_PTR data) {
    const FontsPage* state = reinterpret_cast<const FontsPage*>(data);
    const int background = button == state->m_h_swatches[1];
    const uint32_t bit = background ? kSwatchBackground : kSwatchForeground;
    if (message == WM_ERASEBKGND) {
        return 1;
    }
    if (message == WM_PAINT && (state->m_swatch.m_n_mask & bit)) {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(button, &paint);
        RECT client = {};
        GetClientRect(button, &client);
        HBRUSH brush =
            CreateSolidBrush(background ? state->m_swatch.m_cr_bk : state->m_swatch.m_cr_fg);
        if (brush) {
            FillRect(dc, &client, brush);
            DeleteObject(brush);
        }
        EndPaint(button, &paint);
        return 0;
    }
    return DefSubclassProc(button, message, wparam, lparam);
}

// Fills the page on the user-interface thread, so it cannot be torn down
// while it is being filled.
void FillFontsPage(FontsPage* state) {
    HWND page = state->m_h_page;
    HWND items = GetDlgItem(page, IDC_PREF_ITEMS);
    for (const wchar_t* name : kColorItemNames) {
        Add(items, LB_ADDSTRING, name);
    }
    SendMessageW(items, LB_SETCURSEL, 0, 0);
    HWND sizes = GetDlgItem(page, IDC_PREF_FONT_SIZE);
    for (int size = 6; size <= 24; ++size) {
        wchar_t text[4];
        std::swprintf(text, 4, L"%d", size);
        Add(sizes, CB_ADDSTRING, text);
    }
    HWND styles = GetDlgItem(page, IDC_PREF_FONT_STYLE);
    for (const wchar_t* style : {L"Regular", L"Italic", L"Bold", L"Bold Italic"}) {
        Add(styles, CB_ADDSTRING, style);
    }
    FillFontNames(GetDlgItem(page, IDC_PREF_FONT_NAME));
    state->m_sample.Attach(GetDlgItem(page, IDC_PREF_SAMPLE));
    LoadFontsPage(page);
    for (int i = 0; i < 2; ++i) {
        state->m_h_swatches[i] = GetDlgItem(page, i ? IDC_PREF_BACKGROUND : IDC_PREF_FOREGROUND);
        SetWindowSubclass(state->m_h_swatches[i], SwatchProc, kSwatchSubclass,
                          reinterpret_cast<DWORD_PTR>(state));
    }
    state->m_swatch = {kSwatchBackground, 0, g_item_colors.color_background_fg};
    InvalidateRect(state->m_h_swatches[1], nullptr, TRUE);
    RefreshSample(state, 0);
}

void OnDestroy(HWND page) {
    std::unique_ptr<FontsPage> state(PageOf(page));
    SetWindowLongPtrW(page, DWLP_USER, 0);
    if (!state) {
        return;
    }
    state->m_sample.Release();
    for (HWND swatch : state->m_h_swatches) {
        if (swatch) {
            RemoveWindowSubclass(swatch, SwatchProc, kSwatchSubclass);
        }
    }
}

INT_PTR OnCommand(FontsPage* state, WORD id, WORD code) {
    switch (id) {
    case IDC_PREF_ITEMS:
        if (code == LBN_SELCHANGE) {
            OnItemSelected(state);
        }
        return TRUE;
    case IDC_PREF_FOREGROUND:
    case IDC_PREF_BACKGROUND:
        if (code == BN_CLICKED) {
            const int background = id == IDC_PREF_BACKGROUND;
            PickItemColor(state, background);
            InvalidateRect(state->m_h_swatches[background], nullptr, TRUE);
            RefreshSample(state, 0);
        }
        return TRUE;
    case IDC_PREF_FONT_NAME:
    case IDC_PREF_FONT_STYLE:
    case IDC_PREF_FONT_SIZE:
        if (code == CBN_SELENDOK) {
            RefreshSample(state, 0);
        } else if (code == CBN_EDITCHANGE && id == IDC_PREF_FONT_SIZE) {
            RefreshSample(state, 1);
        }
        return TRUE;
    default:
        return FALSE;
    }
}

INT_PTR CALLBACK FontsPageProc(HWND page, UINT message, WPARAM wparam, LPARAM) {
    FontsPage* state = PageOf(page);
    switch (message) {
    case WM_INITDIALOG: {
        state = new FontsPage;
        state->m_h_page = page;
        SetWindowLongPtrW(page, DWLP_USER, reinterpret_cast<LONG_PTR>(state));
        FillFontsPage(state);
        return FALSE;
    }
    case WM_COMMAND:
        return state ? OnCommand(state, LOWORD(wparam), HIWORD(wparam)) : FALSE;
    case WM_PAINT:
        PaintPageRule(page, IDC_PREF_ITEMS, IDC_PREF_SAMPLE);
        return TRUE;
    case WM_CLOSE:
        DestroyWindow(page);
        return TRUE;
    case WM_DESTROY:
        OnDestroy(page);
        return FALSE;
    default:
        return FALSE;
    }
}

} // namespace

HWND CreateFontsPage(HWND frame) {
    return CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_PREF_FONTS), frame,
                              FontsPageProc, 0);
}

void ReadFontChoice(HWND fonts_page, FontChoice* choice) {
    ComboText(GetDlgItem(fonts_page, IDC_PREF_FONT_NAME), choice->m_sz_face, 32, 0);
    ComboText(GetDlgItem(fonts_page, IDC_PREF_FONT_STYLE), choice->m_sz_style, 32, 0);
    // The size is the number in the field, as the user sees it.
    ComboText(GetDlgItem(fonts_page, IDC_PREF_FONT_SIZE), choice->m_sz_size, 16, 1);
}

// The preferences dialog on the real program: the Fonts and Colors page's
// first state, a colour picked and cancelled, a font size applied by OK, a
// shortcut assigned and used after Cancel, an unwritable settings file (for
// OK and for a key assignment), and closing at once after opening.
#include "tests/e2e/e2e_harness.h"
#include "tests/e2e/e2e_session.h"

#include "resources/settings_ids.h"
#include "settings/shortcut_keys.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <ios>
#include <map>
#include <string>
#include <vector>

namespace {

const wchar_t kTitle[] = L"  Pelmora - Preference";
constexpr WORD kPreferenceCommand = 40098;

std::vector<unsigned char> Document() {
    const std::string text = "Pelmora preferences sample.\r\n";
    std::vector<unsigned char> bytes(text.begin(), text.end());
    for (int b = 0; b < 512; ++b) {
        bytes.push_back(static_cast<unsigned char>(b));
    }
    return bytes;
}

HWND StartWithDocument(e2e::PelmoraProcess& app, const e2e::Sandbox& box) {
    return e2e::StartSizedOn(app, box, box.File(L"sample.bin", Document()), 1000, 640);
}

HWND OpenPreferences(e2e::PelmoraProcess& app, HWND main) {
    e2e::PostCommand(main, kPreferenceCommand);
    return app.WaitForWindow(L"#32770", kTitle);
}

// The child page of the dialog that holds the control.
HWND Page(HWND dialog, int control) {
    for (HWND child = FindWindowExW(dialog, nullptr, L"#32770", nullptr); child;
         child = FindWindowExW(dialog, child, L"#32770", nullptr)) {
        if (GetDlgItem(child, control)) {
            return child;
        }
    }
    return nullptr;
}

// Selects the tree item by its text, as a click would ("Keyboard", "Fonts and Colors").
bool SelectTreeItem(HWND dialog, const wchar_t* wanted) {
    HWND tree = GetDlgItem(dialog, IDC_PREF_TREE);
    const LRESULT root = e2e::Send(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0);
    const wchar_t* names[] = {L"Keyboard", L"Fonts and Colors"};
    LRESULT item = e2e::Send(tree, TVM_GETNEXTITEM, TVGN_CHILD, root);
    for (const wchar_t* name : names) {
        if (!item) {
            return false;
        }
        if (std::wstring(name) == wanted) {
            e2e::Send(tree, TVM_SELECTITEM, TVGN_CARET, item);
            return e2e::Sync(dialog) && e2e::WaitPaintSettled(dialog);
        }
        item = e2e::Send(tree, TVM_GETNEXTITEM, TVGN_NEXT, item);
    }
    return false;
}

// A notification from a page control, as the control would send it.
void Notify(HWND page, int control, WORD code) {
    e2e::Send(page, WM_COMMAND, MAKEWPARAM(control, code),
              reinterpret_cast<LPARAM>(GetDlgItem(page, control)));
}

// Selects a command in the Keyboard page's list as a click would.
bool SelectCommand(HWND keyboard, const wchar_t* name) {
    HWND commands = GetDlgItem(keyboard, IDC_PREF_COMMANDS);
    const LRESULT index = e2e::Send(commands, LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                    reinterpret_cast<LPARAM>(name));
    if (index < 0)
        return false;
    e2e::Send(commands, LB_SETCURSEL, static_cast<WPARAM>(index));
    Notify(keyboard, IDC_PREF_COMMANDS, LBN_SELCHANGE);
    return true;
}

// Opens a menu of the main window with Alt and its letter and saves the
// screen part that holds the window and the open menu.
void MenuPicture(e2e::PelmoraProcess& app, HWND main, WORD letter, const std::wstring& name) {
    e2e::SendKeyChord(main, letter, {VK_MENU});
    HWND popup = nullptr;
    e2e::WaitUntil([&] { return (popup = app.WaitForWindow(L"#32768", nullptr, 100)) != nullptr; });
    e2e::Picture screen;
    RECT a = {}, b = {}, all = {};
    if (popup && e2e::WaitPaintSettled(popup) && e2e::CaptureWindow(nullptr, &screen) &&
        GetWindowRect(main, &a) && GetWindowRect(popup, &b) && UnionRect(&all, &a, &b)) {
        all.right = std::min<LONG>(all.right, screen.m_n_width);
        all.bottom = std::min<LONG>(all.bottom, std::min<LONG>(b.bottom + 20, screen.m_n_height));
        e2e::Picture part;
        part.m_n_width = all.right - std::max<LONG>(all.left, 0);
        part.m_n_height = all.bottom - std::max<LONG>(all.top, 0);
        for (LONG y = std::max<LONG>(all.top, 0); y < all.bottom; ++y)
            for (LONG x = std::max<LONG>(all.left, 0); x < all.right; ++x)
                part.m_pixels.push_back(screen.At(x, y));
        EXPECT_FALSE(e2e::SaveBmp(part, name).empty());
    }
    EXPECT_NE(popup, nullptr) << "the menu did not open";
    e2e::Send(main, WM_CANCELMODE);
    EXPECT_TRUE(e2e::WaitUntil([&] { return !popup || !IsWindowVisible(popup); }));
}

// The text of a main menu item of the program, asked of the program itself.
std::wstring MenuItemText(HWND main, WORD command) {
    static const UINT message = RegisterWindowMessageW(L"PelmoraMenuItemText");
    const ATOM atom = static_cast<ATOM>(e2e::Send(main, message, command));
    wchar_t text[256] = {};
    if (atom == 0 || GlobalGetAtomNameW(atom, text, 256) == 0)
        return L"<none>";
    GlobalDeleteAtom(atom);
    return text;
}

// The sandbox's settings file as text ("" when there is none).
std::string SettingsText(const e2e::Sandbox& box) {
    const std::vector<unsigned char> ini = e2e::ReadAll(box.Folder() + L"settings.ini");
    return std::string(ini.begin(), ini.end());
}

// The pixel at the centre of a window, as the screen shows it.
uint32_t CentrePixel(HWND window) {
    e2e::Picture picture;
    if (!e2e::CaptureWindow(window, &picture)) {
        return 0xFFFFFFFFu;
    }
    return picture.At(picture.m_n_width / 2, picture.m_n_height / 2);
}

// Distance between the tops of successive text rows of the address column:
// the view's line height as painted.
int RowPitch(HWND control) {
    e2e::Picture picture;
    if (!e2e::CaptureWindow(control, &picture)) {
        return 0;
    }
    const POINT origin = e2e::ClientOrigin(control);
    // The header row has nothing above the address column.
    const uint32_t background = picture.At(origin.x + 1, origin.y + 1);
    std::vector<int> tops;
    bool inked = false;
    for (int y = origin.y; y < picture.m_n_height - 30; ++y) {
        bool ink = false;
        for (int x = origin.x; x < origin.x + 40 && x < picture.m_n_width; ++x) {
            ink = ink || picture.At(x, y) != background;
        }
        if (ink && !inked) {
            tops.push_back(y);
        }
        inked = ink;
    }
    // The most frequent difference between row tops.
    std::map<int, int> counts;
    for (size_t i = 1; i < tops.size(); ++i) {
        ++counts[tops[i] - tops[i - 1]];
    }
    int pitch = 0;
    int best = 0;
    for (const auto& entry : counts) {
        if (entry.second > best) {
            best = entry.second;
            pitch = entry.first;
        }
    }
    return pitch;
}

int WindowWidth(HWND window) {
    RECT rect = {};
    GetWindowRect(window, &rect);
    return rect.right - rect.left;
}

std::wstring ListText(HWND list, int index) {
    wchar_t text[128] = {};
    e2e::Send(list, LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text));
    return text;
}

// The colour dialog: a top-level dialog other than the preferences frame,
// with the red, green and blue fields (706-708).
HWND WaitForColourDialog(HWND frame) {
    for (int i = 0; i < 200; ++i) {
        for (HWND top = FindWindowExW(nullptr, nullptr, L"#32770", nullptr); top;
             top = FindWindowExW(nullptr, top, L"#32770", nullptr)) {
            if (top != frame && IsWindowVisible(top) && GetDlgItem(top, 706)) {
                return top;
            }
        }
        Sleep(50);
    }
    return nullptr;
}

TEST(Preferences, FontsPageStartsWithTheDefaults) {
    e2e::Sandbox box(L"prefs_defaults");
    e2e::PelmoraProcess app;
    HWND main = StartWithDocument(app, box);
    ASSERT_NE(main, nullptr);
    HWND dialog = OpenPreferences(app, main);
    ASSERT_NE(dialog, nullptr);
    HWND keyboard = Page(dialog, IDC_PREF_COMMANDS);
    HWND fonts = Page(dialog, IDC_PREF_ITEMS);
    ASSERT_TRUE(keyboard && fonts);
    EXPECT_TRUE(IsWindowVisible(keyboard));
    EXPECT_FALSE(IsWindowVisible(fonts)) << "the page shown matches the selected item";
    EXPECT_EQ(kShortcutCommandCount,
              e2e::Send(GetDlgItem(keyboard, IDC_PREF_COMMANDS), LB_GETCOUNT));
    EXPECT_EQ(L"Add bookmark", ListText(GetDlgItem(keyboard, IDC_PREF_COMMANDS), 0)); // sorted
    e2e::Screenshot(dialog, L"preferences-keyboard");

    ASSERT_TRUE(SelectTreeItem(dialog, L"Fonts and Colors"));
    EXPECT_FALSE(IsWindowVisible(keyboard));
    EXPECT_TRUE(IsWindowVisible(fonts));
    HWND names = GetDlgItem(fonts, IDC_PREF_FONT_NAME);
    std::wstring listed;
    const LRESULT count = e2e::Send(names, CB_GETCOUNT);
    for (LRESULT i = 0; i < count && i < 40; ++i) {
        wchar_t name[64] = {};
        e2e::Send(names, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(name));
        listed += std::wstring(name) + L"|";
    }
    EXPECT_EQ(L"Courier New", e2e::WindowText(names)) << count << " faces: " << listed;
    EXPECT_EQ(L"Italic", e2e::WindowText(GetDlgItem(fonts, IDC_PREF_FONT_STYLE)));
    EXPECT_EQ(L"12", e2e::WindowText(GetDlgItem(fonts, IDC_PREF_FONT_SIZE)));
    HWND items = GetDlgItem(fonts, IDC_PREF_ITEMS);
    EXPECT_EQ(9, e2e::Send(items, LB_GETCOUNT));
    EXPECT_EQ(L"Bookmark", ListText(items, 8));
    EXPECT_EQ(0, e2e::Send(items, LB_GETCURSEL));
    EXPECT_EQ(L"Background", ListText(items, 0));
    HWND foreground = GetDlgItem(fonts, IDC_PREF_FOREGROUND);
    HWND background = GetDlgItem(fonts, IDC_PREF_BACKGROUND);
    EXPECT_FALSE(IsWindowEnabled(foreground));
    EXPECT_TRUE(IsWindowEnabled(background));
    EXPECT_EQ(0x000000u, CentrePixel(background)) << "black background swatch";
    EXPECT_NE(0x000000u, CentrePixel(foreground)) << "the disabled swatch is a plain button";

    // "Caret" enables only the foreground swatch, in the caret colour.
    e2e::Send(items, LB_SETCURSEL, 6);
    Notify(fonts, IDC_PREF_ITEMS, LBN_SELCHANGE);
    ASSERT_EQ(e2e::Sync(dialog), 1);
    EXPECT_TRUE(IsWindowEnabled(foreground));
    EXPECT_FALSE(IsWindowEnabled(background));
    EXPECT_TRUE(e2e::WaitUntil([&] { return CentrePixel(foreground) == 0x80FF00u; }))
        << "caret colour R 128, G 255, B 0; shown " << std::hex << CentrePixel(foreground);
    e2e::Send(items, LB_SETCURSEL, 0);
    Notify(fonts, IDC_PREF_ITEMS, LBN_SELCHANGE);
    ASSERT_EQ(e2e::Sync(dialog), 1);

    // An accepted style refreshes the sample, whose caret then stands on
    // the fourth byte of the first row.
    Notify(fonts, IDC_PREF_FONT_STYLE, CBN_SELENDOK);
    ASSERT_EQ(e2e::Sync(dialog), 1);
    // The caret blinks: some capture within two seconds shows its block,
    // XORed over the black selected background into the caret colour.
    int caret_pixels = 0;
    for (int i = 0; i < 8 && caret_pixels < 50; ++i) {
        e2e::Picture sample;
        if (e2e::CaptureWindow(GetDlgItem(fonts, IDC_PREF_SAMPLE), &sample)) {
            caret_pixels = 0;
            for (uint32_t pixel : sample.m_pixels) {
                caret_pixels += pixel == 0x80FF00u ? 1 : 0;
            }
            if (caret_pixels >= 50) {
                e2e::SaveBmp(sample, L"preferences-sample-caret");
            }
        }
        Sleep(250);
    }
    EXPECT_GE(caret_pixels, 50) << "no caret block in the caret colour";

    // For the guide: the page over the main window showing the document.
    RECT main_rect = {};
    GetWindowRect(main, &main_rect);
    SetWindowPos(dialog, HWND_TOP, main_rect.left + 260, main_rect.top + 170, 0, 0,
                 SWP_NOSIZE | SWP_NOACTIVATE);
    ASSERT_EQ(e2e::Sync(dialog), 1);
    ASSERT_TRUE(e2e::WaitPaintSettled(main));
    e2e::Screenshot(fonts, L"preferences-fonts");
    // The picture shows the page's labels over the document's bytes.
    e2e::Picture guide;
    EXPECT_FALSE(e2e::Screenshot(main, L"guide-preferences", &guide).empty());
    EXPECT_GT(e2e::CountColour(guide, e2e::AreaOf(main, fonts),
                               e2e::PixelOf(GetSysColor(COLOR_WINDOWTEXT))),
              200);
    EXPECT_GT(e2e::CountColour(guide, RECT{0, 0, guide.m_n_width, guide.m_n_height},
                               e2e::DefaultViewPixels().m_n_hex),
              200);

    // A real click on the swatch opens the picker; cancelled, the swatch
    // still shows its colour, not the pressed or focused button.
    RECT swatch = {};
    GetClientRect(background, &swatch);
    e2e::PostClick(background, swatch.right / 2, swatch.bottom / 2);
    HWND picker = WaitForColourDialog(dialog);
    ASSERT_NE(picker, nullptr) << "the click did not open the colour dialog";
    e2e::Answer(picker, IDCANCEL);
    ASSERT_EQ(e2e::Sync(dialog), 1);
    size_t off_colour = 0;
    EXPECT_TRUE(e2e::WaitUntil([&] {
        e2e::Picture after_click;
        if (!e2e::CaptureWindow(background, &after_click)) {
            return false;
        }
        off_colour = 0;
        for (uint32_t pixel : after_click.m_pixels) {
            off_colour += pixel != 0 ? 1 : 0;
        }
        return off_colour == 0;
    })) << "cancelled: the whole swatch still shows black; "
        << off_colour << " pixels do not";

    e2e::Answer(dialog, IDCANCEL);
    EXPECT_TRUE(e2e::WaitDestroyed(dialog, 5000));
    EXPECT_FALSE(e2e::Exists(box.Folder() + L"settings.ini")) << "Cancel writes nothing";
    EXPECT_EQ(app.Close(), 0);
}

TEST(Preferences, PickedColourThenCancelLeavesTheSettingsFile) {
    e2e::Sandbox box(L"prefs_pick_cancel");
    const std::string settings = "[item_attributes]\r\nfont_size=11\r\ncolor_hex_text_bk=0\r\n";
    box.Settings(settings);
    e2e::PelmoraProcess app;
    HWND main = StartWithDocument(app, box);
    ASSERT_NE(main, nullptr);
    HWND dialog = OpenPreferences(app, main);
    ASSERT_NE(dialog, nullptr);
    ASSERT_TRUE(SelectTreeItem(dialog, L"Fonts and Colors"));
    HWND fonts = Page(dialog, IDC_PREF_ITEMS);
    ASSERT_NE(fonts, nullptr);
    EXPECT_EQ(L"11", e2e::WindowText(GetDlgItem(fonts, IDC_PREF_FONT_SIZE)));
    HWND items = GetDlgItem(fonts, IDC_PREF_ITEMS);
    e2e::Send(items, LB_SETCURSEL, 3); // "Hex Text"
    Notify(fonts, IDC_PREF_ITEMS, LBN_SELCHANGE);
    HWND background = GetDlgItem(fonts, IDC_PREF_BACKGROUND);
    e2e::Post(fonts, WM_COMMAND, MAKEWPARAM(IDC_PREF_BACKGROUND, BN_CLICKED),
              reinterpret_cast<LPARAM>(background));

    HWND picker = WaitForColourDialog(dialog);
    ASSERT_NE(picker, nullptr) << "the colour dialog did not open";
    // Red, green and blue fields of the colour dialog.
    e2e::Send(GetDlgItem(picker, 706), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"10"));
    e2e::Send(GetDlgItem(picker, 707), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"200"));
    e2e::Send(GetDlgItem(picker, 708), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"30"));
    ASSERT_EQ(e2e::Sync(picker), 1);
    e2e::Screenshot(picker, L"preferences-colour-picker");
    e2e::Answer(picker, IDOK);
    ASSERT_TRUE(e2e::WaitDestroyed(picker, 5000));
    ASSERT_EQ(e2e::Sync(dialog), 1);
    EXPECT_TRUE(e2e::WaitUntil([&] { return CentrePixel(background) == 0x0AC81Eu; }))
        << "the swatch shows the picked colour, not " << std::hex << CentrePixel(background);

    e2e::Answer(dialog, IDCANCEL);
    EXPECT_TRUE(e2e::WaitDestroyed(dialog, 5000));
    const std::vector<unsigned char> after = e2e::ReadAll(box.Folder() + L"settings.ini");
    EXPECT_EQ(settings, std::string(after.begin(), after.end()));
    EXPECT_EQ(app.Close(), 0);
}

TEST(Preferences, OkWithALargerSizeChangesTheViewsLineHeight) {
    e2e::Sandbox box(L"prefs_size_ok");
    e2e::PelmoraProcess app;
    HWND main = StartWithDocument(app, box);
    ASSERT_NE(main, nullptr);
    HWND control = e2e::ViewControl(main);
    const int pitch_before = RowPitch(control);
    const int width_before = WindowWidth(main);
    EXPECT_GT(pitch_before, 10);

    HWND dialog = OpenPreferences(app, main);
    ASSERT_NE(dialog, nullptr);
    HWND fonts = Page(dialog, IDC_PREF_ITEMS);
    ASSERT_NE(fonts, nullptr);
    e2e::Send(GetDlgItem(fonts, IDC_PREF_FONT_SIZE), WM_SETTEXT, 0,
              reinterpret_cast<LPARAM>(L"16"));
    e2e::Answer(dialog, IDOK);
    ASSERT_TRUE(e2e::WaitDestroyed(dialog, 5000));
    ASSERT_EQ(e2e::Sync(main), 1);
    int pitch_after = 0;
    // (16 points keeps the widened window on the screen, where it can be captured.)
    EXPECT_TRUE(e2e::WaitUntil([&] {
        return (pitch_after = RowPitch(control)) > pitch_before + 4;
    })) << "16 points against 12: rows "
        << pitch_after << " apart, " << pitch_before << " before";
    EXPECT_GT(WindowWidth(main), width_before) << "the window fits the wider cells";
    const std::string text = SettingsText(box);
    EXPECT_NE(std::string::npos, text.find("font_size=16"));
    EXPECT_NE(std::string::npos, text.find("font_name=Courier New"));
    EXPECT_NE(std::string::npos, text.find("color_caret_fg=65408"));
    e2e::Screenshot(main, L"preferences-size-16");
    EXPECT_EQ(app.Close(), 0);
}

TEST(Preferences, ShortcutAssignedThenCancelWorksAfterwards) {
    e2e::Sandbox box(L"prefs_shortcut");
    e2e::PelmoraProcess app;
    HWND main = StartWithDocument(app, box);
    ASSERT_NE(main, nullptr);
    HWND dialog = OpenPreferences(app, main);
    ASSERT_NE(dialog, nullptr);
    HWND keyboard = Page(dialog, IDC_PREF_COMMANDS);
    ASSERT_NE(keyboard, nullptr);
    ASSERT_TRUE(SelectCommand(keyboard, L"Goto dialog"));
    HWND assigned = GetDlgItem(keyboard, IDC_PREF_ASSIGNED);
    EXPECT_EQ(0, e2e::Send(assigned, LB_GETCOUNT)) << "no keys without a settings file";

    // Ctrl+K pressed in the capture field.
    HWND edit = GetDlgItem(keyboard, IDC_PREF_HOTKEY);
    e2e::Send(edit, WM_KEYDOWN, VK_CONTROL, 0);
    e2e::Send(edit, WM_KEYDOWN, 'K', 0);
    e2e::Send(edit, WM_KEYUP, 'K', 0);
    e2e::Send(edit, WM_KEYUP, VK_CONTROL, 0);
    EXPECT_EQ(L"Ctrl + K", e2e::WindowText(edit));
    EXPECT_EQ(L"", e2e::WindowText(GetDlgItem(keyboard, IDC_PREF_OWNER)));
    Notify(keyboard, IDC_PREF_ASSIGN, BN_CLICKED);
    EXPECT_EQ(L"Goto dialog", e2e::WindowText(GetDlgItem(keyboard, IDC_PREF_OWNER)));
    ASSERT_EQ(1, e2e::Send(assigned, LB_GETCOUNT));
    EXPECT_EQ(L"CTRL + K", ListText(assigned, 0));
    e2e::Screenshot(keyboard, L"preferences-keyboard-assigned");

    e2e::Answer(dialog, IDCANCEL);
    ASSERT_TRUE(e2e::WaitDestroyed(dialog, 5000));
    const std::string text = SettingsText(box);
    EXPECT_NE(std::string::npos, text.find("Goto dialog=587"));
    EXPECT_NE(std::string::npos, text.find("024B=Goto dialog"));

    // The rebuilt accelerator table runs the command: the Goto dialog opens.
    e2e::SendKeyChord(main, 'K', {VK_CONTROL});
    HWND go = app.WaitForWindow(L"#32770", L"  Pelmora - Goto address", 5000);
    ASSERT_NE(go, nullptr) << "Ctrl+K did not run its command";
    e2e::Answer(go, 1005);
    EXPECT_EQ(app.Close(), 0);
}

TEST(Preferences, RemovingAKeyDropsBothEntriesAndTheKeyStopsWorking) {
    e2e::Sandbox box(L"prefs_remove");
    box.Settings("[hotkey]\r\nGoto dialog=587\r\n024B=Goto dialog\r\n");
    e2e::PelmoraProcess app;
    HWND main = StartWithDocument(app, box);
    ASSERT_NE(main, nullptr);
    HWND dialog = OpenPreferences(app, main);
    ASSERT_NE(dialog, nullptr);
    HWND keyboard = Page(dialog, IDC_PREF_COMMANDS);
    ASSERT_NE(keyboard, nullptr);
    ASSERT_TRUE(SelectCommand(keyboard, L"Goto dialog"));
    HWND assigned = GetDlgItem(keyboard, IDC_PREF_ASSIGNED);
    ASSERT_EQ(1, e2e::Send(assigned, LB_GETCOUNT));
    EXPECT_EQ(L"CTRL + K", ListText(assigned, 0));
    EXPECT_EQ(0, e2e::Send(assigned, LB_GETCURSEL)) << "the first key is selected";
    Notify(keyboard, IDC_PREF_REMOVE, BN_CLICKED);
    EXPECT_EQ(0, e2e::Send(assigned, LB_GETCOUNT));
    // Remove with nothing listed does nothing.
    Notify(keyboard, IDC_PREF_REMOVE, BN_CLICKED);
    e2e::Answer(dialog, IDOK);
    ASSERT_TRUE(e2e::WaitDestroyed(dialog, 5000));
    const std::string text = SettingsText(box);
    EXPECT_EQ(std::string::npos, text.find("Goto dialog")) << text;
    EXPECT_EQ(std::string::npos, text.find("024B")) << text;
    e2e::SendKeyChord(main, 'K', {VK_CONTROL});
    EXPECT_EQ(nullptr, app.WaitForWindow(L"#32770", L"  Pelmora - Goto address", 1500));
    EXPECT_EQ(app.Close(), 0);
}

TEST(Preferences, ASizeOf300IsStoredAs200) {
    e2e::Sandbox box(L"prefs_size_300");
    e2e::PelmoraProcess app;
    HWND main = e2e::StartOn(app, box.Exe(), L"");
    ASSERT_NE(main, nullptr);
    // The shortcut command opens the same dialog as the menu command.
    e2e::PostCommand(main, 41017);
    HWND dialog = app.WaitForWindow(L"#32770", kTitle);
    ASSERT_NE(dialog, nullptr);
    HWND fonts = Page(dialog, IDC_PREF_ITEMS);
    ASSERT_NE(fonts, nullptr);
    // Typed into the size field: the sample follows the typing.
    e2e::Send(GetDlgItem(fonts, IDC_PREF_FONT_SIZE), WM_SETTEXT, 0,
              reinterpret_cast<LPARAM>(L"300"));
    Notify(fonts, IDC_PREF_FONT_SIZE, CBN_EDITCHANGE);
    e2e::Answer(dialog, IDOK);
    ASSERT_TRUE(e2e::WaitDestroyed(dialog, 5000));
    EXPECT_EQ(1, e2e::Sync(main));
    const std::string text = SettingsText(box);
    EXPECT_NE(std::string::npos, text.find("font_size=200\r\n")) << text;
    EXPECT_EQ(app.Close(), 0);
}

TEST(Preferences, AnUnwritableSettingsFileIsReportedAndTheViewStays) {
    e2e::Sandbox box(L"prefs_read_only");
    box.Settings("[item_attributes]\r\nfont_size=12\r\n");
    const std::wstring ini = box.Folder() + L"settings.ini";
    e2e::PelmoraProcess app;
    HWND main = StartWithDocument(app, box);
    ASSERT_NE(main, nullptr);
    HWND control = e2e::ViewControl(main);
    const int pitch_before = RowPitch(control);
    ASSERT_TRUE(SetFileAttributesW(ini.c_str(), FILE_ATTRIBUTE_READONLY));

    HWND dialog = OpenPreferences(app, main);
    ASSERT_NE(dialog, nullptr);
    HWND fonts = Page(dialog, IDC_PREF_ITEMS);
    ASSERT_NE(fonts, nullptr);
    e2e::Send(GetDlgItem(fonts, IDC_PREF_FONT_SIZE), WM_SETTEXT, 0,
              reinterpret_cast<LPARAM>(L"20"));
    e2e::Post(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    const std::wstring message = e2e::TakeMessage(app, 10000);
    EXPECT_NE(std::wstring::npos, message.find(L"settings.ini")) << "got: " << message;
    EXPECT_NE(std::wstring::npos, message.find(L"prefs_read_only")) << "the path is named";
    // The dialog stays open with the choices made, to try again or cancel.
    EXPECT_FALSE(e2e::WaitGone(dialog, 1000));
    EXPECT_EQ(L"20", e2e::WindowText(GetDlgItem(fonts, IDC_PREF_FONT_SIZE)));
    ASSERT_EQ(e2e::Sync(dialog), 1);
    EXPECT_TRUE(e2e::WaitPaintSettled(dialog));
    e2e::Screenshot(dialog, L"preferences-write-failed");
    e2e::Answer(dialog, IDCANCEL);
    EXPECT_TRUE(e2e::WaitGone(dialog, 5000));
    ASSERT_EQ(e2e::Sync(main), 1);
    ASSERT_TRUE(e2e::WaitPaintSettled(main));
    EXPECT_EQ(pitch_before, RowPitch(control)) << "the view keeps its font";
    SetFileAttributesW(ini.c_str(), FILE_ATTRIBUTE_NORMAL);
    const std::vector<unsigned char> after = e2e::ReadAll(ini);
    EXPECT_EQ("[item_attributes]\r\nfont_size=12\r\n", std::string(after.begin(), after.end()));
    EXPECT_EQ(app.Close(), 0);
}

TEST(Preferences, AFailedAssignmentLeavesTheKeyWithItsOwner) {
    e2e::Sandbox box(L"prefs_assign_read_only");
    const std::string before = "[hotkey]\r\nGoto dialog=587\r\n024B=Goto dialog\r\n";
    box.Settings(before);
    const std::wstring ini = box.Folder() + L"settings.ini";
    e2e::PelmoraProcess app;
    HWND main = StartWithDocument(app, box);
    ASSERT_NE(main, nullptr);
    ASSERT_TRUE(SetFileAttributesW(ini.c_str(), FILE_ATTRIBUTE_READONLY));
    HWND dialog = OpenPreferences(app, main);
    ASSERT_NE(dialog, nullptr);
    HWND keyboard = Page(dialog, IDC_PREF_COMMANDS);
    ASSERT_NE(keyboard, nullptr);
    ASSERT_TRUE(SelectCommand(keyboard, L"Find dialog"));
    HWND edit = GetDlgItem(keyboard, IDC_PREF_HOTKEY);
    e2e::Send(edit, WM_KEYDOWN, VK_CONTROL, 0);
    e2e::Send(edit, WM_KEYDOWN, 'K', 0);
    e2e::Send(edit, WM_KEYUP, 'K', 0);
    e2e::Send(edit, WM_KEYUP, VK_CONTROL, 0);
    HWND owner = GetDlgItem(keyboard, IDC_PREF_OWNER);
    EXPECT_EQ(L"Goto dialog", e2e::WindowText(owner));
    // Posted: the message box holds the click's handler until it is answered.
    e2e::Post(keyboard, WM_COMMAND, MAKEWPARAM(IDC_PREF_ASSIGN, BN_CLICKED),
              reinterpret_cast<LPARAM>(GetDlgItem(keyboard, IDC_PREF_ASSIGN)));
    const std::wstring message = e2e::TakeMessage(app, 10000);
    EXPECT_NE(std::wstring::npos, message.find(L"prefs_assign_read_only")) << "got: " << message;
    ASSERT_EQ(e2e::Sync(dialog), 1);
    EXPECT_EQ(L"Goto dialog", e2e::WindowText(owner));
    EXPECT_EQ(0, e2e::Send(GetDlgItem(keyboard, IDC_PREF_ASSIGNED), LB_GETCOUNT));
    e2e::Answer(dialog, IDCANCEL);
    ASSERT_TRUE(e2e::WaitDestroyed(dialog, 5000));
    SetFileAttributesW(ini.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(before, SettingsText(box));

    // The live keys agree with the file: Ctrl+K still opens Goto, not Find.
    e2e::SendKeyChord(main, 'K', {VK_CONTROL});
    HWND go = app.WaitForWindow(L"#32770", L"  Pelmora - Goto address", 5000);
    ASSERT_NE(go, nullptr) << "Ctrl+K lost its command";
    e2e::Answer(go, 1005);
    EXPECT_EQ(app.Close(), 0);
}

TEST(Preferences, ClosingRightAfterOpeningNeitherHangsNorCrashes) {
    e2e::Sandbox box(L"prefs_quick_close");
    e2e::PelmoraProcess app;
    HWND main = e2e::StartOn(app, box.Exe(), L"");
    ASSERT_NE(main, nullptr);
    for (int round = 0; round < 5; ++round) {
        SCOPED_TRACE(round);
        e2e::PostCommand(main, kPreferenceCommand);
        // Each way of closing, posted before the dialog has drawn itself.
        HWND dialog = app.WaitForWindow(L"#32770", kTitle, 10000);
        ASSERT_NE(dialog, nullptr);
        if (round % 2 == 0) {
            e2e::Post(dialog, WM_CLOSE);
        } else {
            e2e::Post(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        }
        EXPECT_TRUE(e2e::WaitGone(dialog, 5000));
        EXPECT_EQ(1, e2e::Sync(main, 5000)) << "the main window answers";
    }
    EXPECT_TRUE(app.Running());
    EXPECT_EQ(app.Close(), 0);
}

// "Standard keys" binds the common set to the commands without a key, asks
// once before taking a key from another command, and the keys then work and
// show in the menus.
TEST(Preferences, StandardKeysBindTheCommonSetAndShowInTheMenus) {
    e2e::Sandbox box(L"prefs_standard");
    box.Settings("[hotkey]\r\nClose file=591\r\n024F=Close file\r\nGoto dialog=587\r\n"
                 "024B=Goto dialog\r\n");
    e2e::PelmoraProcess app;
    HWND main = StartWithDocument(app, box);
    ASSERT_NE(main, nullptr);
    HWND dialog = OpenPreferences(app, main);
    ASSERT_NE(dialog, nullptr);
    HWND keyboard = Page(dialog, IDC_PREF_STANDARD_KEYS);
    ASSERT_NE(keyboard, nullptr);
    ASSERT_TRUE(SelectCommand(keyboard, L"Byte right"));
    EXPECT_EQ(e2e::WindowText(GetDlgItem(keyboard, IDC_PREF_DESCRIPTION)),
              L"Description: Moves the caret one byte forward.");
    e2e::Post(keyboard, WM_COMMAND, MAKEWPARAM(IDC_PREF_STANDARD_KEYS, BN_CLICKED),
              reinterpret_cast<LPARAM>(GetDlgItem(keyboard, IDC_PREF_STANDARD_KEYS)));
    HWND question = app.WaitForWindow(L"#32770", L"Message", 10000);
    ASSERT_NE(question, nullptr) << "no question before Ctrl+O leaves \"Close file\"";
    EXPECT_NE(e2e::MessageBoxText(question).find(L"CTRL + O: Close file"), std::wstring::npos);
    ASSERT_TRUE(e2e::Answer(question, IDYES));
    ASSERT_EQ(1, e2e::Send(GetDlgItem(keyboard, IDC_PREF_ASSIGNED), LB_GETCOUNT));
    EXPECT_EQ(L"RIGHT", ListText(GetDlgItem(keyboard, IDC_PREF_ASSIGNED), 0));
    EXPECT_FALSE(e2e::Screenshot(dialog, L"guide-keyboard").empty());
    e2e::Answer(dialog, IDOK);
    ASSERT_TRUE(e2e::WaitDestroyed(dialog, 5000));
    const std::string text = SettingsText(box);
    EXPECT_NE(std::string::npos, text.find("Open file=591")) << text;
    EXPECT_EQ(std::string::npos, text.find("Close file=")) << text;
    EXPECT_NE(std::string::npos, text.find("Goto dialog=587")) << "a key of the user's stays";

    EXPECT_EQ(MenuItemText(main, 40007), L"&Open file ...\tCtrl+O");
    EXPECT_EQ(MenuItemText(main, 40029), L"&Close") << "the key it lost is gone from its item";

    // Posted keys move the caret: one byte on, then to the end of the row.
    HWND control = e2e::ViewControl(main);
    POINT cell = {};
    ASSERT_TRUE(e2e::FirstCellPoint(control, &cell));
    e2e::PostClick(control, cell.x, cell.y);
    e2e::Post(control, WM_KEYDOWN, VK_RIGHT, 1);
    e2e::Post(control, WM_KEYUP, VK_RIGHT, 0xC0000001);
    HWND status = e2e::StatusBar(main);
    EXPECT_TRUE(e2e::WaitUntil([&] { return e2e::StatusPane(app, status, 1) == L"Begin: 0x1"; }));
    e2e::Post(control, WM_KEYDOWN, VK_END, 1);
    e2e::Post(control, WM_KEYUP, VK_END, 0xC0000001);
    EXPECT_TRUE(e2e::WaitUntil([&] { return e2e::StatusPane(app, status, 1) == L"Begin: 0xF"; }));
    MenuPicture(app, main, 'E', L"guide-menu-keys");
    EXPECT_EQ(app.Close(), 0);
}

} // namespace

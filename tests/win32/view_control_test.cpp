// The real hex view control under Wine: a 20-byte file painted in the default
// colours and checked by pixel, wheel and Ctrl+wheel, a drag held past the
// bottom edge, a double click into edit mode and typed digits. Screenshots go
// to build/artifacts/.
#include "data/document.h"
#include "settings/item_attributes.h"
#include "settings/settings_file.h"
#include "view/control_logic.h"
#include "view/geometry.h"
#include "view/paint.h"
#include "view/selection.h"
#include "view/view_host.h"
#include "view/view_state.h"
#include "view/win32/gdi_canvas.h"
#include "view/win32/hex_view_control.h"

#include <gtest/gtest.h>

#include <commctrl.h>
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace {

// Default colours of a settings file that holds none.
constexpr ColorRef kHexFg = 0x4080FF;
constexpr ColorRef kSelFg = 0xFFFF00;
constexpr ColorRef kModifiedFg = 0xC08000;
constexpr ColorRef kHeaderFg = 0x00FF00;
constexpr ColorRef kLineNumberFg = 0x008080;
constexpr ColorRef kMarkerBk = 0x008000;

std::wstring ArtifactsDir() {
    std::wstring dir = L"Z:";
    for (const char* p = PELMORA_SOURCE_DIR; *p; ++p) {
        dir.push_back(*p == '/' ? L'\\' : static_cast<wchar_t>(*p));
    }
    dir += L"\\build\\artifacts";
    CreateDirectoryW(dir.c_str(), nullptr);
    return dir;
}

// The client area of a window as COLORREF pixels, read from its DC.
struct Capture {
    int32_t m_n_width = 0;
    int32_t m_n_height = 0;
    std::vector<uint32_t> m_bgra; // top-down, blue in the low byte

    ColorRef At(int32_t x, int32_t y) const {
        const uint32_t p = m_bgra[static_cast<size_t>(y) * m_n_width + x];
        return ((p & 0xFF) << 16) | (p & 0xFF00) | ((p >> 16) & 0xFF);
    }
    // Pixels of exactly this colour in [x, x + w) x [y, y + h).
    int Count(int32_t x, int32_t y, int32_t w, int32_t h, ColorRef color) const {
        int n = 0;
        for (int32_t j = y; j < y + h && j < m_n_height; ++j) {
            for (int32_t i = x; i < x + w && i < m_n_width; ++i) {
                n += At(i, j) == color ? 1 : 0;
            }
        }
        return n;
    }

    void SaveBmp(const std::wstring& path) const {
        BITMAPFILEHEADER file = {};
        BITMAPINFOHEADER info = {};
        info.biSize = sizeof(info);
        info.biWidth = m_n_width;
        info.biHeight = -m_n_height;
        info.biPlanes = 1;
        info.biBitCount = 32;
        info.biCompression = BI_RGB;
        const DWORD bytes = static_cast<DWORD>(m_bgra.size() * 4);
        file.bfType = 0x4D42;
        file.bfOffBits = sizeof(file) + sizeof(info);
        file.bfSize = file.bfOffBits + bytes;
        HANDLE out = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(INVALID_HANDLE_VALUE, out);
        DWORD written = 0;
        WriteFile(out, &file, sizeof(file), &written, nullptr);
        WriteFile(out, &info, sizeof(info), &written, nullptr);
        WriteFile(out, m_bgra.data(), bytes, &written, nullptr);
        CloseHandle(out);
    }
};

Capture CaptureClient(HWND window) {
    Capture capture;
    RECT client = {};
    GetClientRect(window, &client);
    capture.m_n_width = client.right;
    capture.m_n_height = client.bottom;
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = client.right;
    info.bmiHeader.biHeight = -client.bottom;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    HDC window_dc = GetDC(window);
    HDC memory = CreateCompatibleDC(window_dc);
    void* bits = nullptr;
    HBITMAP dib = CreateDIBSection(window_dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, dib);
    BitBlt(memory, 0, 0, client.right, client.bottom, window_dc, 0, 0, SRCCOPY);
    GdiFlush();
    const uint32_t* pixels = static_cast<const uint32_t*>(bits);
    capture.m_bgra.assign(pixels, pixels + static_cast<size_t>(client.right) * client.bottom);
    SelectObject(memory, old);
    DeleteObject(dib);
    DeleteDC(memory);
    ReleaseDC(window, window_dc);
    return capture;
}

void Pump(int milliseconds) {
    const DWORD end = GetTickCount() + static_cast<DWORD>(milliseconds);
    MSG msg;
    while (static_cast<int32_t>(end - GetTickCount()) > 0) {
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        Sleep(5);
    }
}

LPARAM Point(int32_t x, int32_t y) {
    return MAKELPARAM(static_cast<WORD>(x), static_cast<WORD>(y));
}

int g_n_hook_calls = 0;
int g_b_hook_state = -1;
void EditModeHook(int on) {
    ++g_n_hook_calls;
    g_b_hook_state = on;
}

// What the owner below hands the font step to, as the frame hands it its own.
CallBackInfo* g_p_owner_doc = nullptr;
ViewState* g_p_owner_state = nullptr;

// The control's owner, standing in for the main window: it answers the
// view's font requests as the main window does.
LRESULT CALLBACK OwnerProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == kViewFontMessage) {
        ApplyFontStep(g_p_owner_doc, g_p_owner_state, static_cast<int>(wparam) - 1);
        return 0;
    }
    return DefWindowProcW(window, message, wparam, lparam);
}

class ViewControlTest : public ::testing::Test {
  protected:
    void SetUp() override {
        m_state = std::make_unique<ViewState>(GetModuleHandleW(nullptr));
        g_p_owner_state = m_state.get();
        ASSERT_NE(nullptr, m_state->m_h_memory_dc);
        WNDCLASSEXW wc = {};
        wc.cbSize = sizeof(wc);
        wc.lpfnWndProc = OwnerProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH));
        wc.lpszClassName = L"PelmoraViewTestMain";
        RegisterClassExW(&wc);
        m_main = CreateWindowExW(0, L"PelmoraViewTestMain", L"View control test",
                                 WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN | WS_VISIBLE, 0, 0, 900, 500,
                                 nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
        ASSERT_NE(nullptr, m_main);
        m_control = CreateHexViewControl(m_main, m_state.get());
        ASSERT_NE(nullptr, m_control);
        ASSERT_NE(nullptr, HexViewStatusBar());
        SetEditModeChangedHook(EditModeHook);
    }

    void TearDown() override {
        SetEditModeChangedHook(nullptr);
        SetEditMode(m_doc.get(), m_state.get(), 0);
        SetHexViewDocument(m_control, nullptr);
        g_p_owner_doc = nullptr;
        m_doc.reset();
        if (m_main) {
            DestroyWindow(m_main);
        }
        m_state->m_h_view_window = nullptr;
        g_p_owner_state = nullptr;
        m_state.reset();
        if (!m_path.empty()) {
            DeleteFileW(m_path.c_str());
        }
        if (!m_settings.empty()) {
            DeleteFileW(m_settings.c_str());
        }
    }

    // Opens a file of the given bytes the way the frame does.
    CallBackInfo* Open(const std::vector<uint8_t>& bytes) {
        wchar_t dir[MAX_PATH];
        GetTempPathW(MAX_PATH, dir);
        wchar_t name[MAX_PATH];
        GetTempFileNameW(dir, L"pvc", 0, name);
        m_path = name;
        HANDLE file = CreateFileW(name, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        DWORD written = 0;
        WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
        CloseHandle(file);

        m_doc = std::make_unique<CallBackInfo>(m_control);
        SetHexViewDocument(m_control, m_doc.get());
        g_p_owner_doc = m_doc.get();
        EXPECT_EQ(1, m_doc->OpenFile(name));
        // Font and colours from a settings file that does not exist: the defaults.
        m_settings = std::wstring(dir) + L"pelmora_view_control_settings.ini";
        DeleteFileW(m_settings.c_str());
        lstrcpynW(g_sz_settings_path, m_settings.c_str(), 260);
        ResetItemColors();
        EXPECT_EQ(1, LoadItemAttributes(m_doc.get(), m_state.get()));
        EXPECT_EQ(kHexFg, m_doc->m_cr_hex_fg);
        EXPECT_EQ(0x00FF80u, m_state->m_cr_caret);
        SetScrollRange(m_state.get(), ScrollLines(m_doc.get()));
        m_state->m_b_document_open = 1;
        FitControl();
        return m_doc.get();
    }

    void FitControl() {
        RECT client = {};
        GetClientRect(m_main, &client);
        MoveWindow(m_control, 0, 0, client.right, client.bottom, TRUE);
    }

    void Repaint() {
        RedrawWindow(m_control, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
        Pump(50);
    }

    int32_t CellLeft(int c) const { return HexCellLeft(m_doc.get(), c); }
    int32_t RowTop(int r) const { return (r + 1) * m_doc->m_n_line_height; }
    int32_t CellMidX(int c) const { return CellLeft(c) + m_doc->m_n_cell_width / 2; }
    int32_t RowMidY(int r) const { return RowTop(r) + m_doc->m_n_line_height / 2; }
    int CellCount(const Capture& shot, int r, int c, ColorRef color) const {
        return shot.Count(CellLeft(c), RowTop(r), m_doc->m_n_cell_width, m_doc->m_n_line_height,
                          color);
    }

    std::unique_ptr<ViewState> m_state;
    std::unique_ptr<CallBackInfo> m_doc;
    HWND m_main = nullptr;
    HWND m_control = nullptr;
    std::wstring m_path;
    std::wstring m_settings;
};

std::vector<uint8_t> Counting(size_t n) {
    std::vector<uint8_t> bytes(n);
    for (size_t i = 0; i < n; ++i) {
        bytes[i] = static_cast<uint8_t>(0x30 + i % 64);
    }
    return bytes;
}

TEST_F(ViewControlTest, TwentyByteFileLooksRightInTheDefaultColours) {
    CallBackInfo* doc = Open(Counting(20));
    ASSERT_GT(doc->m_n_line_height, 8);
    ASSERT_GT(doc->m_n_cell_width, 8);
    ASSERT_EQ(1, GoToOffset(m_doc.get(), 2));
    ASSERT_EQ(1, ExtendToOffset(m_doc.get(), 5));
    ASSERT_EQ(1,
              doc->m_p_data_plane->SetNibble(4, 0x7, 1, &doc->m_file_mapping)); // in the selection
    ASSERT_EQ(1, doc->m_p_data_plane->SetNibble(8, 0x9, 1, &doc->m_file_mapping)); // outside it
    doc->m_n_marker_offset = 10;
    Repaint();
    const Capture shot = CaptureClient(m_control);
    shot.SaveBmp(ArtifactsDir() + L"\\view_control_20_bytes.bmp");

    // Plain, selected, modified, modified inside the selection.
    EXPECT_GT(CellCount(shot, 0, 0, kHexFg), 3);
    EXPECT_EQ(0, CellCount(shot, 0, 0, kSelFg));
    EXPECT_GT(CellCount(shot, 0, 3, kSelFg), 3);
    EXPECT_EQ(0, CellCount(shot, 0, 3, kHexFg));
    EXPECT_GT(CellCount(shot, 0, 8, kModifiedFg), 3);
    EXPECT_GT(CellCount(shot, 0, 4, kModifiedFg ^ kSelFg), 3);
    EXPECT_EQ(0, CellCount(shot, 0, 4, kModifiedFg));
    // The marker cell is mostly marker background.
    const int32_t cell_area = doc->m_n_cell_width * doc->m_n_line_height;
    EXPECT_GT(CellCount(shot, 0, 10, kMarkerBk), cell_area / 2);
    EXPECT_GT(CellCount(shot, 1, 3, kHexFg), 3);
    // After the fourth byte of row 1 everything is background, and so is row 2.
    const int32_t right_of_data = CellLeft(4);
    const int32_t width = CharColumnLeft(doc) - right_of_data;
    EXPECT_EQ(width * doc->m_n_line_height,
              shot.Count(right_of_data, RowTop(1), width, doc->m_n_line_height, 0));
    EXPECT_EQ(CharColumnLeft(doc) * doc->m_n_line_height,
              shot.Count(0, RowTop(2), CharColumnLeft(doc), doc->m_n_line_height, 0));
    // Header and address column.
    EXPECT_GT(shot.Count(CellLeft(0), 0, doc->m_n_cell_width, doc->m_n_line_height, kHeaderFg), 2);
    EXPECT_GT(shot.Count(0, RowTop(0), doc->m_n_hex_left, doc->m_n_line_height, kLineNumberFg), 10);
    // Character column: '0' plain, '3' selected.
    const int32_t xc = CharColumnLeft(doc);
    const int32_t cw = doc->m_n_space_width + 2;
    EXPECT_GT(shot.Count(xc, RowTop(0), cw, doc->m_n_line_height, kHexFg), 2);
    EXPECT_GT(shot.Count(xc + 3 * cw, RowTop(0), cw, doc->m_n_line_height, kSelFg), 2);
    // The main window took the width the font asks for.
    RECT main_rect = {};
    GetWindowRect(m_main, &main_rect);
    EXPECT_EQ(MainWindowWidth(doc->m_n_cell_width, doc->m_n_space_width),
              main_rect.right - main_rect.left);
}

TEST_F(ViewControlTest, WheelScrollsRowsAndCtrlWheelZoomsTheFont) {
    CallBackInfo* doc = Open(Counting(4096));
    SendMessageW(m_control, WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-120)), Point(10, 10));
    EXPECT_EQ(1, doc->m_n_top_line);
    SCROLLINFO info = {};
    info.cbSize = sizeof(info);
    info.fMask = SIF_ALL;
    GetScrollInfo(m_control, SB_VERT, &info);
    EXPECT_EQ(256, info.nMax);
    EXPECT_EQ(1, info.nPos);
    SendMessageW(m_control, WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-60)), Point(10, 10));
    EXPECT_EQ(1, doc->m_n_top_line);
    SendMessageW(m_control, WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-360)), Point(10, 10));
    EXPECT_EQ(4, doc->m_n_top_line);
    SendMessageW(m_control, WM_MOUSEWHEEL, MAKEWPARAM(0, 240), Point(10, 10));
    EXPECT_EQ(2, doc->m_n_top_line);
    SendMessageW(m_control, WM_VSCROLL, SB_BOTTOM, 0);
    EXPECT_EQ(255, doc->m_n_top_line);
    GetScrollInfo(m_control, SB_VERT, &info);
    EXPECT_EQ(256, info.nPos);
    SendMessageW(m_control, WM_VSCROLL, SB_TOP, 0);
    EXPECT_EQ(0, doc->m_n_top_line);

    // Ctrl+wheel: one point per message, written back to the settings file.
    const int32_t height = doc->m_n_line_height;
    SendMessageW(m_control, WM_MOUSEWHEEL, MAKEWPARAM(MK_CONTROL, 120), Point(10, 10));
    SendMessageW(m_control, WM_MOUSEWHEEL, MAKEWPARAM(MK_CONTROL, 120), Point(10, 10));
    SendMessageW(m_control, WM_MOUSEWHEEL, MAKEWPARAM(MK_CONTROL, 120), Point(10, 10));
    EXPECT_GT(doc->m_n_line_height, height);
    wchar_t face[32];
    wchar_t style[32];
    int size = 0;
    ReadFontSettings(face, 32, style, 32, &size);
    EXPECT_EQ(15, size);
    for (int i = 0; i < 3; ++i) {
        SendMessageW(m_control, WM_MOUSEWHEEL, MAKEWPARAM(MK_CONTROL, static_cast<WORD>(-120)),
                     Point(10, 10));
    }
    EXPECT_EQ(height, doc->m_n_line_height);
    ReadFontSettings(face, 32, style, 32, &size);
    EXPECT_EQ(12, size);
    EXPECT_EQ(0, doc->m_n_top_line); // zooming does not scroll
}

TEST_F(ViewControlTest, ScaleChangeRemakesTheFontForTheMonitorAndWritesNothing) {
    CallBackInfo* doc = Open(Counting(256));
    // The window's own scale is known and matches the screen's on one monitor.
    HDC screen = GetDC(nullptr);
    EXPECT_EQ(GetDeviceCaps(screen, LOGPIXELSY), WindowDpi(m_control));
    ReleaseDC(nullptr, screen);
    EXPECT_EQ(0, WindowDpi(nullptr));

    // The font is made again from the stored settings: a size stored behind
    // the view's back shows after the change, and the file stays as it was.
    const int32_t height = doc->m_n_line_height;
    const char stored[] = "[item_attributes]\r\nfont_size=20\r\n";
    HANDLE file = CreateFileW(m_settings.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, file);
    DWORD written = 0;
    WriteFile(file, stored, sizeof(stored) - 1, &written, nullptr);
    CloseHandle(file);
    SendMessageW(m_control, 0x02E3 /* WM_DPICHANGED_AFTERPARENT */, 0, 0);
    EXPECT_GT(doc->m_n_line_height, height + 6) << "20 points against 12";
    file = CreateFileW(m_settings.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                       nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, file);
    char back[64] = {};
    DWORD read = 0;
    ReadFile(file, back, sizeof(back) - 1, &read, nullptr);
    CloseHandle(file);
    EXPECT_EQ(std::string(stored), std::string(back, read)) << "a scale change writes nothing";
}

// A real mouse event at a screen point (the platform then sends the messages).
void MouseInput(DWORD flags, POINT screen) {
    SetCursorPos(screen.x, screen.y);
    INPUT input = {};
    input.type = INPUT_MOUSE;
    input.mi.dx = MulDiv(screen.x, 65535, GetSystemMetrics(SM_CXSCREEN) - 1);
    input.mi.dy = MulDiv(screen.y, 65535, GetSystemMetrics(SM_CYSCREEN) - 1);
    input.mi.dwFlags = flags | MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_MOVE;
    SendInput(1, &input, sizeof(input));
}

TEST_F(ViewControlTest, DragHeldPastTheBottomEdgeKeepsScrolling) {
    CallBackInfo* doc = Open(Counting(16 * 400));
    RECT client = {};
    GetClientRect(m_control, &client);
    SetForegroundWindow(m_main);
    SetFocus(m_control);
    // Just above the status bar, which covers the bottom of the client area:
    // within the 30-pixel edge zone, with the pointer resting on the control.
    RECT status = {};
    GetWindowRect(HexViewStatusBar(), &status);
    const int32_t y = client.bottom - (status.bottom - status.top) - 2;
    ASSERT_GT(y + 30, client.bottom);
    POINT press = {CellMidX(0), RowMidY(4)}; // byte 0x40
    POINT edge = {CellMidX(3), y};
    ClientToScreen(m_control, &press);
    ClientToScreen(m_control, &edge);

    // The button is really held, so the platform's hover notices carry it.
    MouseInput(MOUSEEVENTF_LEFTDOWN, press);
    Pump(100);
    const bool real_input = SelectionStart(m_doc.get()) == 0x40;
    if (!real_input) {
        std::printf("[ note ] no real mouse input here; driving the control by messages\n");
        SendMessageW(m_control, WM_LBUTTONDOWN, MK_LBUTTON, Point(CellMidX(0), RowMidY(4)));
        ASSERT_EQ(0x40, SelectionStart(m_doc.get()));
    }
    if (real_input) {
        MouseInput(0, edge);
        Pump(20);
    } else {
        SendMessageW(m_control, WM_MOUSEMOVE, MK_LBUTTON, Point(CellMidX(3), y));
    }
    EXPECT_GE(doc->m_n_top_line, 1);
    const int64_t after_move = doc->m_n_top_line;

    // The pointer rests: the hover notices go on scrolling, one row per 50 ms.
    Pump(600);
    int64_t rows_scrolled = doc->m_n_top_line - after_move;
    if (rows_scrolled == 0) {
        // No hover notices while the pointer rests: give the control the
        // notices it would have received.
        for (int i = 0; i < 5; ++i) {
            SendMessageW(m_control, WM_MOUSEHOVER, MK_LBUTTON, Point(CellMidX(3), y));
        }
        rows_scrolled = doc->m_n_top_line - after_move;
        std::printf("[ note ] no WM_MOUSEHOVER while resting; sent 5 by hand\n");
        EXPECT_EQ(5, rows_scrolled);
    } else {
        std::printf("[ note ] %lld rows scrolled by hover notices in 600 ms\n",
                    static_cast<long long>(rows_scrolled));
        EXPECT_GE(rows_scrolled, 3);
    }
    const int64_t row = y / doc->m_n_line_height - 1;
    EXPECT_EQ((doc->m_n_top_line + row) * 16 + 3, doc->m_n_sel_active);
    EXPECT_EQ(0x40, SelectionStart(m_doc.get()));
    wchar_t text[260] = {};
    SendMessageW(HexViewStatusBar(), SB_GETTEXTW, 3, reinterpret_cast<LPARAM>(text));
    EXPECT_NE(nullptr, wcsstr(text, L" / ")) << text;

    if (real_input) {
        MouseInput(MOUSEEVENTF_LEFTUP, edge);
    } else {
        SendMessageW(m_control, WM_LBUTTONUP, 0, Point(CellMidX(3), y));
    }
    Pump(60);
    const int64_t released = doc->m_n_top_line;
    Pump(200);
    EXPECT_EQ(released, doc->m_n_top_line); // no more scrolling after the release
    EXPECT_EQ(0, ControlDragState().m_b_dragging);
    Repaint();
    CaptureClient(m_control).SaveBmp(ArtifactsDir() + L"\\view_control_drag.bmp");
}

TEST_F(ViewControlTest, DoubleClickTogglesEditModeAndTypedDigitsChangeTheByte) {
    CallBackInfo* doc = Open(Counting(64));
    SetForegroundWindow(m_main);
    SetFocus(m_control);
    g_n_hook_calls = 0;
    const LPARAM at = Point(CellMidX(1), RowMidY(2)); // byte 0x21
    SendMessageW(m_control, WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageW(m_control, WM_LBUTTONUP, 0, at);
    SendMessageW(m_control, WM_LBUTTONDBLCLK, MK_LBUTTON, at);
    SendMessageW(m_control, WM_LBUTTONUP, 0, at);
    EXPECT_EQ(1, m_state->m_b_edit_mode);
    EXPECT_EQ(1, g_n_hook_calls);
    EXPECT_EQ(1, g_b_hook_state);
    EXPECT_EQ(0x21, SelectionStart(m_doc.get()));
    SendMessageW(m_control, WM_CHAR, '4', 0);
    POINT caret = {};
    GetCaretPos(&caret);
    EXPECT_EQ(CellLeft(1) + doc->m_n_cell_width / 2, caret.x);
    SendMessageW(m_control, WM_CHAR, '1', 0);
    SendMessageW(m_control, WM_CHAR, 'x', 0);
    const uint8_t* byte = FetchEffectiveByte(doc, 0x21, &doc->m_file_mapping);
    ASSERT_NE(nullptr, byte);
    EXPECT_EQ(0x41, *byte);
    EXPECT_EQ(1, doc->m_b_cur_modified);
    EXPECT_EQ(1, doc->IsModified());
    Repaint();
    const Capture shot = CaptureClient(m_control);
    shot.SaveBmp(ArtifactsDir() + L"\\view_control_typed.bmp");
    // The typed byte is selected and modified: the XOR text colour.
    EXPECT_GT(CellCount(shot, 2, 1, kModifiedFg ^ kSelFg), 3);

    SendMessageW(m_control, WM_LBUTTONDBLCLK, MK_LBUTTON, at);
    EXPECT_EQ(0, m_state->m_b_edit_mode);
    EXPECT_EQ(0, g_b_hook_state);
    SendMessageW(m_control, WM_CHAR, '7', 0);
    EXPECT_EQ(0x41, *FetchEffectiveByte(doc, 0x21, &doc->m_file_mapping));
}

TEST_F(ViewControlTest, OnlyAsciiHexDigitsTypeInEditMode) {
    CallBackInfo* doc = Open(Counting(64));
    SetForegroundWindow(m_main);
    SetFocus(m_control);
    SetEditMode(m_doc.get(), m_state.get(), 1);
    ASSERT_EQ(1, GoToOffset(m_doc.get(), 0x10)); // byte 0x40
    // Cyrillic be and fullwidth a (low bytes 0x31 and 0x41), the surrogates of
    // U+1F631 (low bytes 0x3D and 0x31) and a Latin letter with a digit's low byte.
    for (const WPARAM ch : {0x0431, 0xFF41, 0xD83D, 0xDE31, 0x0141}) {
        SendMessageW(m_control, WM_CHAR, ch, 0);
    }
    EXPECT_EQ(0x40, *FetchEffectiveByte(doc, 0x10, &doc->m_file_mapping));
    EXPECT_EQ(0, doc->IsModified());
    EXPECT_EQ(0, doc->m_b_low_nibble);
    SendMessageW(m_control, WM_CHAR, L'a', 0);
    SendMessageW(m_control, WM_CHAR, L'7', 0);
    EXPECT_EQ(0xA7, *FetchEffectiveByte(doc, 0x10, &doc->m_file_mapping));
}

TEST_F(ViewControlTest, KeysAndPaintingReachOnlyTheDocumentTheControlWasHanded) {
    CallBackInfo* doc = Open(Counting(64));
    SetForegroundWindow(m_main);
    SetFocus(m_control);
    SetEditMode(doc, m_state.get(), 1);
    ASSERT_EQ(1, GoToOffset(doc, 0x10)); // byte 0x40
    HDC screen = GetDC(m_control);
    SetHexViewDocument(m_control, nullptr);
    SendMessageW(m_control, WM_CHAR, L'a', 0);
    SendMessageW(m_control, WM_CHAR, L'7', 0);
    EXPECT_EQ(0x40, *FetchEffectiveByte(doc, 0x10, &doc->m_file_mapping));
    EXPECT_EQ(0, doc->IsModified());
    EXPECT_EQ(0, PaintHexView(m_control, screen));
    SetHexViewDocument(m_control, doc);
    SendMessageW(m_control, WM_CHAR, L'a', 0);
    SendMessageW(m_control, WM_CHAR, L'7', 0);
    EXPECT_EQ(0xA7, *FetchEffectiveByte(doc, 0x10, &doc->m_file_mapping));
    EXPECT_EQ(1, PaintHexView(m_control, screen));
    ReleaseDC(m_control, screen);
}

TEST_F(ViewControlTest, ViewTallerThanTheScreenIsPaintedToItsBottom) {
    CallBackInfo* doc = Open(Counting(16 * 400));
    const int32_t screen_height = GetSystemMetrics(SM_CYSCREEN);
    const int32_t width = 800;
    const int32_t height = screen_height + 400;
    MoveWindow(m_control, 0, 0, width, height, FALSE);
    // The screen cannot show it all: the paint goes into a picture of the control's size.
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP dib = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    ASSERT_NE(nullptr, dib);
    HDC target = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(target, dib);
    std::fill_n(static_cast<uint32_t*>(bits), static_cast<size_t>(width) * height, 0x123456u);
    EXPECT_EQ(1, PaintHexView(m_control, target));
    GdiFlush();
    Capture shot;
    shot.m_n_width = width;
    shot.m_n_height = height;
    const uint32_t* pixels = static_cast<const uint32_t*>(bits);
    shot.m_bgra.assign(pixels, pixels + static_cast<size_t>(width) * height);
    SelectObject(target, old);
    DeleteDC(target);
    DeleteObject(dib);
    // The address of a row below the screen's bottom is drawn.
    const int32_t row = (screen_height + 200) / doc->m_n_line_height - 1;
    EXPECT_GT(shot.Count(0, RowTop(row), doc->m_n_hex_left, doc->m_n_line_height, kLineNumberFg),
              10);

    // A display change makes the bitmap again for the new screen.
    const HGDIOBJ before = m_state->m_h_back_bitmap;
    SendMessageW(m_control, WM_DISPLAYCHANGE, 32, MAKELPARAM(1600, 2400));
    BITMAP bitmap = {};
    ASSERT_NE(0, GetObjectW(m_state->m_h_back_bitmap, sizeof(bitmap), &bitmap));
    EXPECT_NE(before, m_state->m_h_back_bitmap);
    EXPECT_GE(bitmap.bmWidth, 1600);
    EXPECT_GE(bitmap.bmHeight, 2400);
}

TEST_F(ViewControlTest, ViewLeavesTheCaretOfAnotherWindowAlone) {
    Open(Counting(16 * 400));
    SetForegroundWindow(m_main);
    SetFocus(m_control);
    SetEditMode(m_doc.get(), m_state.get(), 1);
    ASSERT_EQ(1, GoToOffset(m_doc.get(), 0x21));
    // A text box of a dialog takes the focus and with it the thread's caret.
    HWND edit = CreateWindowExW(0, L"EDIT", L"0x1000", WS_POPUP | WS_VISIBLE | WS_BORDER, 920, 100,
                                200, 24, m_main, nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(nullptr, edit);
    SetFocus(edit);
    SendMessageW(edit, EM_SETSEL, 3, 3);
    Pump(20);
    GUITHREADINFO gui = {};
    gui.cbSize = sizeof(gui);
    ASSERT_TRUE(GetGUIThreadInfo(GetCurrentThreadId(), &gui));
    ASSERT_EQ(edit, gui.hwndCaret);
    POINT before = {};
    GetCaretPos(&before);
    ASSERT_GT(before.x, 0);

    // A jump, scrolling and edit mode switched off and on, as Goto, Find and the menu do.
    ASSERT_EQ(1, GoToOffset(m_doc.get(), 0x1000));
    ScrollIntoView(m_doc.get(), m_state.get(), 0x1000);
    ASSERT_EQ(1, ExtendToOffset(m_doc.get(), 0x1010));
    SendMessageW(m_control, WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-120)), Point(10, 10));
    SetEditMode(m_doc.get(), m_state.get(), 0);
    SetEditMode(m_doc.get(), m_state.get(), 1);
    Pump(20);
    POINT after = {};
    GetCaretPos(&after);
    EXPECT_EQ(before.x, after.x);
    EXPECT_EQ(before.y, after.y);
    ASSERT_TRUE(GetGUIThreadInfo(GetCurrentThreadId(), &gui));
    EXPECT_EQ(edit, gui.hwndCaret);

    // Back in the view, its caret stands on the selection start.
    SetFocus(m_control);
    ASSERT_TRUE(GetGUIThreadInfo(GetCurrentThreadId(), &gui));
    EXPECT_EQ(m_control, gui.hwndCaret);
    CaretPoint expected = {};
    ASSERT_EQ(1, BytePosition(m_doc.get(), 0x1000, &expected));
    GetCaretPos(&after);
    EXPECT_EQ(expected.x, after.x);
    EXPECT_EQ(expected.y, after.y);
    EXPECT_GT(expected.y, 0);
    DestroyWindow(edit);
}

// A full repaint of a control as large as the screen shows every row down
// to the last one with the selection and the edits in their colours, on the
// screen and in the memory picture alike.
TEST_F(ViewControlTest, FullRepaintOfTheWholeScreenShowsEditsAndSelection) {
    CallBackInfo* doc = Open(Counting(1 << 20));
    MoveWindow(m_main, 0, 0, 1280, 1024, TRUE);
    FitControl();
    GoToOffset(m_doc.get(), 100);
    ExtendToOffset(m_doc.get(), 400);
    for (int64_t o = 50; o < 2400; o += 37) {
        doc->m_p_data_plane->SetNibble(o, 0xE, 1, &doc->m_file_mapping);
    }
    RECT client = {};
    GetClientRect(m_control, &client);
    RECT status = {};
    GetWindowRect(HexViewStatusBar(), &status);
    // Whole rows below the header and above the status bar.
    const int rows = (client.bottom - (status.bottom - status.top)) / doc->m_n_line_height - 1;
    ASSERT_GT(rows, 30);
    ASSERT_EQ(0, doc->m_n_top_line);
    Repaint();
    const Capture shot = CaptureClient(m_control);
    shot.SaveBmp(ArtifactsDir() + L"\\view_control_maximised.bmp");
    // 87 is modified, 124 modified and selected, 200 only selected, 16 neither.
    EXPECT_GT(CellCount(shot, 87 / 16, 87 % 16, kModifiedFg), 3);
    EXPECT_GT(CellCount(shot, 124 / 16, 124 % 16, kModifiedFg ^ kSelFg), 3);
    EXPECT_GT(CellCount(shot, 200 / 16, 200 % 16, kSelFg), 3);
    EXPECT_GT(CellCount(shot, 1, 0, kHexFg), 3);
    EXPECT_EQ(0, CellCount(shot, 1, 0, kSelFg));
    // The last whole row has its address.
    const int last = rows - 1;
    EXPECT_GT(shot.Count(0, RowTop(last), doc->m_n_hex_left, doc->m_n_line_height, kLineNumberFg),
              10);
    // The paint alone into the memory picture, for the most rows one paint draws.
    Canvas* canvas = CurrentViewHost()->MemoryCanvas();
    ASSERT_NE(nullptr, canvas);
    EXPECT_EQ(1, PaintView(m_doc.get(), m_state.get(), canvas, 1280, 150 * doc->m_n_line_height));
}

} // namespace

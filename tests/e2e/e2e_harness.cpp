// End-to-end harness (see e2e_harness.h).
#include "tests/e2e/e2e_harness.h"

#include <cstdio>
#include <cwchar>
#include <utility>

namespace e2e {

namespace {

std::wstring EnvText(const wchar_t* name) {
    DWORD n = GetEnvironmentVariableW(name, nullptr, 0);
    if (n == 0)
        return std::wstring();
    std::wstring value(n, L'\0');
    n = GetEnvironmentVariableW(name, &value[0], n);
    value.resize(n);
    return value;
}

// A path as the Windows side sees it: Unix paths (from the build system) are
// reached through Wine's Z: drive.
std::wstring ToWindowsPath(std::wstring path) {
    if (!path.empty() && path[0] == L'/')
        path = L"Z:" + path;
    for (wchar_t& c : path)
        if (c == L'/')
            c = L'\\';
    return path;
}

struct FindData {
    DWORD m_n_process_id;
    const wchar_t* m_sz_class;
    const wchar_t* m_sz_title;
    HWND m_h_found;
};

bool Matches(HWND window, const wchar_t* class_name, const wchar_t* title) {
    if (class_name != nullptr && ClassName(window) != class_name)
        return false;
    if (title != nullptr) {
        wchar_t text[512] = {};
        GetWindowTextW(window, text, 512);
        if (std::wcscmp(text, title) != 0)
            return false;
    }
    return true;
}

BOOL CALLBACK FindTopLevel(HWND window, LPARAM param) {
    FindData* data = reinterpret_cast<FindData*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid != data->m_n_process_id || !IsWindowVisible(window))
        return TRUE;
    if (!Matches(window, data->m_sz_class, data->m_sz_title))
        return TRUE;
    data->m_h_found = window;
    return FALSE;
}

BOOL CALLBACK FindDescendant(HWND window, LPARAM param) {
    FindData* data = reinterpret_cast<FindData*>(param);
    if (data->m_sz_class != nullptr && ClassName(window) != data->m_sz_class)
        return TRUE;
    if (data->m_sz_title != nullptr && WindowText(window) != data->m_sz_title)
        return TRUE;
    data->m_h_found = window;
    return FALSE;
}

// Owns a screen or memory device context and a bitmap for one capture.
struct ScreenDc {
    ScreenDc() : m_h_dc(GetDC(nullptr)) {}
    ~ScreenDc() {
        if (m_h_dc != nullptr)
            ReleaseDC(nullptr, m_h_dc);
    }
    HDC m_h_dc;
};
struct MemoryDc {
    explicit MemoryDc(HDC like) : m_h_dc(CreateCompatibleDC(like)) {}
    ~MemoryDc() {
        if (m_h_dc != nullptr)
            DeleteDC(m_h_dc);
    }
    HDC m_h_dc;
};
struct Bitmap {
    Bitmap(HDC like, int w, int h) : m_h_bitmap(CreateCompatibleBitmap(like, w, h)) {}
    ~Bitmap() {
        if (m_h_bitmap != nullptr)
            DeleteObject(m_h_bitmap);
    }
    HBITMAP m_h_bitmap;
};

} // namespace

PelmoraProcess::~PelmoraProcess() {
    if (Running())
        Close(5000);
    if (m_h_thread != nullptr)
        CloseHandle(m_h_thread);
    if (m_h_process != nullptr)
        CloseHandle(m_h_process);
}

int PelmoraProcess::Start(const std::wstring& arguments, const std::wstring& exe,
                          const std::wstring& current_folder) {
    if (m_h_process != nullptr)
        return 0;
    std::wstring program = exe.empty() ? ToWindowsPath(EnvText(L"PELMORA_EXE")) : exe;
    if (program.empty())
        return 0;
    std::wstring command = L"\"" + program + L"\"";
    if (!arguments.empty())
        command += L" " + arguments;
    std::wstring folder = current_folder.empty()
                              ? program.substr(0, program.find_last_of(L"\\/") + 1)
                              : current_folder;
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info = {};
    if (!CreateProcessW(program.c_str(), &command[0], nullptr, nullptr, FALSE, 0, nullptr,
                        folder.empty() ? nullptr : folder.c_str(), &startup, &info))
        return 0;
    m_h_process = info.hProcess;
    m_h_thread = info.hThread;
    m_n_process_id = info.dwProcessId;
    WaitForInputIdle(m_h_process, 10000);
    return 1;
}

HWND PelmoraProcess::WaitForWindow(const wchar_t* class_name, const wchar_t* title,
                                   DWORD timeout_ms) {
    const ULONGLONG end = GetTickCount64() + timeout_ms;
    for (;;) {
        if (HWND found = FindProcessWindow(m_n_process_id, class_name, title))
            return found;
        if (GetTickCount64() >= end || !Running())
            return nullptr;
        Sleep(50);
    }
}

HWND PelmoraProcess::WaitForMainWindow(DWORD timeout_ms, const wchar_t* title) {
    m_h_main_window = WaitForWindow(L"Pelmora", title, timeout_ms);
    return m_h_main_window;
}

int PelmoraProcess::WaitForExit(DWORD timeout_ms) {
    if (m_h_process == nullptr)
        return -1;
    if (WaitForSingleObject(m_h_process, timeout_ms) != WAIT_OBJECT_0)
        return -1;
    DWORD code = 0;
    GetExitCodeProcess(m_h_process, &code);
    return static_cast<int>(code);
}

int PelmoraProcess::Close(DWORD timeout_ms) {
    if (m_h_process == nullptr)
        return -1;
    HWND window = m_h_main_window != nullptr
                      ? m_h_main_window
                      : FindProcessWindow(m_n_process_id, L"Pelmora", nullptr);
    // A dialog that has just gone may still hold the main window disabled
    // for a moment under Wine, and a disabled main window refuses to close.
    if (window != nullptr) {
        WaitUntil([&] { return IsWindowEnabled(window) != FALSE; },
                  static_cast<int>(timeout_ms / 2));
        PostMessageW(window, WM_CLOSE, 0, 0);
    }
    int code = WaitForExit(timeout_ms);
    if (code == -1 && Running()) {
        Kill();
        return -1;
    }
    return code;
}

void PelmoraProcess::Kill() {
    if (m_h_process == nullptr)
        return;
    TerminateProcess(m_h_process, 255);
    WaitForSingleObject(m_h_process, 5000);
}

bool PelmoraProcess::Running() const {
    return m_h_process != nullptr && WaitForSingleObject(m_h_process, 0) == WAIT_TIMEOUT;
}

HWND FindProcessWindow(DWORD process_id, const wchar_t* class_name, const wchar_t* title) {
    FindData data = {process_id, class_name, title, nullptr};
    EnumWindows(FindTopLevel, reinterpret_cast<LPARAM>(&data));
    return data.m_h_found;
}

HWND FindChild(HWND parent, const wchar_t* class_name, const wchar_t* text) {
    FindData data = {0, class_name, text, nullptr};
    EnumChildWindows(parent, FindDescendant, reinterpret_cast<LPARAM>(&data));
    return data.m_h_found;
}

std::wstring ClassName(HWND window) {
    wchar_t name[256] = {};
    GetClassNameW(window, name, 256);
    return name;
}

std::wstring WindowText(HWND window) {
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 5000, &length))
        return std::wstring();
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(&text[0]),
                             SMTO_ABORTIFHUNG, 5000, &copied))
        return std::wstring();
    text.resize(static_cast<size_t>(copied));
    return text;
}

LRESULT Send(HWND window, UINT message, WPARAM wparam, LPARAM lparam, UINT timeout_ms) {
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(window, message, wparam, lparam, SMTO_ABORTIFHUNG, timeout_ms,
                             &result))
        return 0;
    return static_cast<LRESULT>(result);
}

int Post(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    return PostMessageW(window, message, wparam, lparam) ? 1 : 0;
}

int PostCommand(HWND window, WORD command_id) {
    return Post(window, WM_COMMAND, MAKEWPARAM(command_id, 0), 0);
}

int Sync(HWND window, UINT timeout_ms) {
    DWORD_PTR result = 0;
    return SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, timeout_ms, &result) ? 1
                                                                                             : 0;
}

int SendKeyChord(HWND window, WORD vk, const std::vector<WORD>& modifiers) {
    if (window != nullptr) {
        SetForegroundWindow(window);
        if (!Sync(window))
            return 0;
    }
    std::vector<INPUT> inputs;
    auto key = [&inputs](WORD code, bool up) {
        INPUT input = {};
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = code;
        input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
        inputs.push_back(input);
    };
    for (WORD m : modifiers)
        key(m, false);
    key(vk, false);
    key(vk, true);
    for (auto it = modifiers.rbegin(); it != modifiers.rend(); ++it)
        key(*it, true);
    UINT sent = SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
    return sent == inputs.size() ? 1 : 0;
}

int PostClick(HWND window, int x, int y, bool double_click) {
    const LPARAM at = MAKELPARAM(x, y);
    int ok = Post(window, WM_MOUSEMOVE, 0, at);
    ok &= Post(window, WM_LBUTTONDOWN, MK_LBUTTON, at);
    ok &= Post(window, WM_LBUTTONUP, 0, at);
    if (double_click) {
        ok &= Post(window, WM_LBUTTONDBLCLK, MK_LBUTTON, at);
        ok &= Post(window, WM_LBUTTONUP, 0, at);
    }
    return ok;
}

int CaptureWindow(HWND window, Picture* picture) {
    RECT rect = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    if (window != nullptr && !GetWindowRect(window, &rect))
        return 0;
    const int w = rect.right - rect.left;
    const int h = rect.bottom - rect.top;
    if (w <= 0 || h <= 0)
        return 0;
    ScreenDc screen;
    MemoryDc memory(screen.m_h_dc);
    Bitmap bitmap(screen.m_h_dc, w, h);
    if (screen.m_h_dc == nullptr || memory.m_h_dc == nullptr || bitmap.m_h_bitmap == nullptr)
        return 0;
    HGDIOBJ old = SelectObject(memory.m_h_dc, bitmap.m_h_bitmap);
    const BOOL copied =
        BitBlt(memory.m_h_dc, 0, 0, w, h, screen.m_h_dc, rect.left, rect.top, SRCCOPY | CAPTUREBLT);
    SelectObject(memory.m_h_dc, old);
    if (!copied)
        return 0;
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = w;
    info.bmiHeader.biHeight = -h; // top-down rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    picture->m_n_width = w;
    picture->m_n_height = h;
    picture->m_pixels.assign(static_cast<size_t>(w) * h, 0);
    if (GetDIBits(memory.m_h_dc, bitmap.m_h_bitmap, 0, static_cast<UINT>(h),
                  picture->m_pixels.data(), &info, DIB_RGB_COLORS) != h)
        return 0;
    for (uint32_t& p : picture->m_pixels)
        p &= 0x00FFFFFFu;
    return 1;
}

bool WaitPaintSettled(HWND window, int timeout_ms) {
    Picture last;
    int same = 0;
    return WaitUntil(
        [&] {
            Picture now;
            if (!CaptureWindow(window, &now))
                return false;
            same = now.m_n_width == last.m_n_width && now.m_pixels == last.m_pixels ? same + 1 : 0;
            last = std::move(now);
            Sleep(20); // with the poll's own pause, 40 ms between captures
            return same >= 2;
        },
        timeout_ms);
}

uint32_t PixelOf(COLORREF colour) {
    return ((colour & 0xFFu) << 16) | (colour & 0xFF00u) | ((colour >> 16) & 0xFFu);
}

int CountColour(const Picture& picture, const RECT& area, uint32_t pixel) {
    int count = 0;
    for (int y = area.top < 0 ? 0 : area.top; y < area.bottom && y < picture.m_n_height; ++y)
        for (int x = area.left < 0 ? 0 : area.left; x < area.right && x < picture.m_n_width; ++x)
            count += picture.At(x, y) == pixel ? 1 : 0;
    return count;
}

RECT AreaOf(HWND outer, HWND inner) {
    RECT out = {};
    RECT in = {};
    if (!GetWindowRect(outer, &out) || !GetWindowRect(inner, &in))
        return RECT{0, 0, 0, 0};
    return RECT{in.left - out.left, in.top - out.top, in.right - out.left, in.bottom - out.top};
}

POINT ClientOrigin(HWND window) {
    RECT rect = {};
    GetWindowRect(window, &rect);
    POINT origin = {0, 0};
    ClientToScreen(window, &origin);
    return POINT{origin.x - rect.left, origin.y - rect.top};
}

std::wstring ArtifactsDir() {
    std::wstring dir = EnvText(L"PELMORA_ARTIFACTS");
    if (dir.empty())
        dir = std::wstring(L"" PELMORA_SOURCE_DIR) + L"/build/artifacts";
    dir = ToWindowsPath(dir);
    if (dir.back() != L'\\')
        dir += L'\\';
    // Create every missing level.
    for (size_t at = dir.find(L'\\', 3); at != std::wstring::npos; at = dir.find(L'\\', at + 1))
        CreateDirectoryW(dir.substr(0, at).c_str(), nullptr);
    return dir;
}

std::wstring SaveBmp(const Picture& picture, const std::wstring& name) {
    const int w = picture.m_n_width;
    const int h = picture.m_n_height;
    if (w <= 0 || h <= 0)
        return std::wstring();
    const uint32_t stride = (static_cast<uint32_t>(w) * 3 + 3) & ~3u;
    const uint32_t image = stride * static_cast<uint32_t>(h);
    BITMAPFILEHEADER file = {};
    BITMAPINFOHEADER header = {};
    file.bfType = 0x4D42; // "BM"
    file.bfOffBits = sizeof(file) + sizeof(header);
    file.bfSize = file.bfOffBits + image;
    header.biSize = sizeof(header);
    header.biWidth = w;
    header.biHeight = h; // bottom-up, the usual orientation
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biCompression = BI_RGB;
    header.biSizeImage = image;
    std::vector<uint8_t> rows(image, 0);
    for (int y = 0; y < h; ++y) {
        uint8_t* row = rows.data() + static_cast<size_t>(h - 1 - y) * stride;
        for (int x = 0; x < w; ++x) {
            const uint32_t p = picture.At(x, y);
            row[x * 3 + 0] = static_cast<uint8_t>(p);
            row[x * 3 + 1] = static_cast<uint8_t>(p >> 8);
            row[x * 3 + 2] = static_cast<uint8_t>(p >> 16);
        }
    }
    const std::wstring path = ArtifactsDir() + name + L".bmp";
    HANDLE out = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    if (out == INVALID_HANDLE_VALUE)
        return std::wstring();
    DWORD written = 0;
    BOOL ok = WriteFile(out, &file, sizeof(file), &written, nullptr) &&
              WriteFile(out, &header, sizeof(header), &written, nullptr) &&
              WriteFile(out, rows.data(), image, &written, nullptr) && written == image;
    CloseHandle(out);
    return ok ? path : std::wstring();
}

std::wstring Screenshot(HWND window, const std::wstring& name, Picture* picture) {
    Picture local;
    Picture* target = picture != nullptr ? picture : &local;
    if (!CaptureWindow(window, target))
        return std::wstring();
    return SaveBmp(*target, name);
}

} // namespace e2e

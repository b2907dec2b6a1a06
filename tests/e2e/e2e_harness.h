// End-to-end harness: starts the real pelmora.exe (path in $PELMORA_EXE),
// finds its windows, drives them with messages and input, reads their texts
// and saves screenshots as 24-bit BMP files in build/artifacts/.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace e2e {

// A running pelmora.exe; closed (or killed) when the object goes.
class PelmoraProcess {
  public:
    PelmoraProcess() = default;
    ~PelmoraProcess();
    PelmoraProcess(const PelmoraProcess&) = delete;
    PelmoraProcess& operator=(const PelmoraProcess&) = delete;

    // Starts $PELMORA_EXE (or the given exe) with the argument text in the
    // given current folder (by default the exe's own); 1 or 0.
    int Start(const std::wstring& arguments = L"", const std::wstring& exe = L"",
              const std::wstring& current_folder = L"");
    // The process's visible top-level window of class "Pelmora" (title checked
    // when given), polled until the timeout; null when none appeared.
    HWND WaitForMainWindow(DWORD timeout_ms = 20000, const wchar_t* title = nullptr);
    // Any visible top-level window of the process with the class and/or title
    // (null matches anything), e.g. "#32770" for a dialog or message box.
    HWND WaitForWindow(const wchar_t* class_name, const wchar_t* title, DWORD timeout_ms = 10000);
    // Posts WM_CLOSE to the main window (once it is enabled, i.e. no modal
    // window holds it) and waits for the exit; kills the process when it does
    // not end in time. The exit code, or -1 when killed.
    int Close(DWORD timeout_ms = 10000);
    // Waits for the process to end by itself; the exit code, or -1 on timeout.
    int WaitForExit(DWORD timeout_ms);
    void Kill();
    bool Running() const;

    DWORD Id() const { return m_n_process_id; }
    HANDLE Handle() const { return m_h_process; }
    HWND MainWindow() const { return m_h_main_window; }

  private:
    HANDLE m_h_process = nullptr;
    HANDLE m_h_thread = nullptr;
    DWORD m_n_process_id = 0;
    HWND m_h_main_window = nullptr;
};

// Top-level window of a process by class and/or title; null when there is none.
HWND FindProcessWindow(DWORD process_id, const wchar_t* class_name, const wchar_t* title);
// First descendant window of the given class (and text when given).
HWND FindChild(HWND parent, const wchar_t* class_name, const wchar_t* text = nullptr);
std::wstring ClassName(HWND window);
// The window's text through WM_GETTEXT (works across processes, also for controls).
std::wstring WindowText(HWND window);

// Sends with a timeout so a hung program cannot hang the test; 0 on timeout.
LRESULT Send(HWND window, UINT message, WPARAM wparam = 0, LPARAM lparam = 0,
             UINT timeout_ms = 5000);
int Post(HWND window, UINT message, WPARAM wparam = 0, LPARAM lparam = 0);
// A menu, toolbar or accelerator command as the main window receives it.
int PostCommand(HWND window, WORD command_id);
// Waits until the window's thread answers a sent message: it has finished
// the message it was handling. A message sent is handled before those posted,
// so a command posted just before may still wait (use WaitUntil for its
// effect). 1, or 0 when the window did not answer in time (a hung or ended
// program).
[[nodiscard]] int Sync(HWND window, UINT timeout_ms = 5000);

// Polls the condition every 20 ms until it holds; false when it still does
// not after the timeout. Posted messages and real input are handled after
// the messages sent to the program, so their effects are awaited this way.
template <class Condition> bool WaitUntil(Condition done, int timeout_ms = 5000) {
    const ULONGLONG end = GetTickCount64() + static_cast<ULONGLONG>(timeout_ms);
    while (!done()) {
        if (GetTickCount64() >= end)
            return false;
        Sleep(20);
    }
    return true;
}

// Real keyboard input (SendInput) to the foreground window after bringing the
// window forward; modifiers are VK_CONTROL, VK_SHIFT, VK_MENU.
int SendKeyChord(HWND window, WORD vk, const std::vector<WORD>& modifiers = {});
// Mouse click at client coordinates, as posted mouse messages.
int PostClick(HWND window, int x, int y, bool double_click = false);

// A captured picture, 0x00RRGGBB pixels, rows from the top.
struct Picture {
    int m_n_width = 0;
    int m_n_height = 0;
    std::vector<uint32_t> m_pixels;
    uint32_t At(int x, int y) const { return m_pixels[static_cast<size_t>(y) * m_n_width + x]; }
};

// What the screen shows inside the window's rectangle (null window: the whole
// screen); 1 or 0.
int CaptureWindow(HWND window, Picture* picture);
// Waits until the window's picture on the screen is the same in three
// captures 40 ms apart, i.e. what the program painted has reached the
// screen; false when it kept changing (or could not be captured) until the timeout.
bool WaitPaintSettled(HWND window, int timeout_ms = 3000);
// A COLORREF (0x00BBGGRR, as settings and GetSysColor give it) as a pixel
// of a Picture (0x00RRGGBB).
uint32_t PixelOf(COLORREF colour);
// Pixels of exactly the colour inside the area of the picture (clipped to it).
int CountColour(const Picture& picture, const RECT& area, uint32_t pixel);
// Where the inner window lies inside a CaptureWindow picture of the outer one.
RECT AreaOf(HWND outer, HWND inner);
// Where the window's client area starts inside its CaptureWindow picture.
POINT ClientOrigin(HWND window);
// build/artifacts/ (created on demand) as a Windows path with a trailing '\'.
std::wstring ArtifactsDir();
// Writes the picture as build/artifacts/<name>.bmp; returns the path or "".
std::wstring SaveBmp(const Picture& picture, const std::wstring& name);
// Capture and save in one; the path or "".
std::wstring Screenshot(HWND window, const std::wstring& name, Picture* picture = nullptr);

} // namespace e2e

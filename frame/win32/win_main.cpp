// Entry point of pelmora.exe: common controls, the main window class, the
// program's folder as current folder, the one ViewState, the settings path,
// the main window and the message loop with the live accelerator table.
#include "settings/settings_file.h"
#include "frame/current_document.h"

#include "frame/command_line.h"
#include "frame/frame_window.h"
#include "frame/settings_path.h"
#include "frame/win32/frame_state.h"
#include "frame/win32/module_folder.h"

#include "base/messages.h"
#include "view/view_state.h"

#include <windows.h>

#include <algorithm>
#include <commctrl.h>

#include <string>

namespace {

// The process's current folder, or empty when it cannot be read.
std::wstring CurrentFolder() {
    const DWORD length = GetCurrentDirectoryW(0, nullptr);
    if (length == 0) {
        return std::wstring();
    }
    std::wstring folder(length, L'\0');
    const DWORD copied = GetCurrentDirectoryW(length, &folder[0]);
    folder.resize(copied < length ? copied : 0);
    return folder;
}

// The command line's file as an absolute path, resolved against the folder
// the program was started in (before start-up changes it).
std::wstring StartPath() {
    std::wstring path;
    if (!CommandLineFilePath(GetCommandLineW(), &path)) {
        return std::wstring();
    }
    const std::wstring resolved = ResolveStartPath(CurrentFolder(), path);
    return resolved.empty() ? path : resolved;
}

// The main window's shortcut keys belong to it and its children; a tool
// window (the data inspector) gets the keys typed into it as they are.
bool IsMainWindowMessage(HWND main, const MSG& message) {
    return message.hwnd != nullptr && (message.hwnd == main || IsChild(main, message.hwnd));
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show) {
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_WIN95_CLASSES | ICC_COOL_CLASSES};
    InitCommonControlsEx(&controls);
    if (!RegisterMainWindowClass(instance)) {
        MessageBoxW(nullptr, L"RegisterClassEx failed!", L"Pelmora", MB_ICONERROR);
        return 0;
    }
    FrameState& frame = Frame();
    frame.m_sz_start_path = StartPath();
    wchar_t folder[MAX_PATH] = {};
    GetModuleFolder(instance, folder);
    SetCurrentDirectoryW(folder);

    g_p_view_state = new ViewState(instance);

    frame.m_h_instance = instance;
    if (!ComposeSettingsPath(folder, g_sz_settings_path)) {
        DebugTrace(L"Program folder too long for settings.ini: %s\n", folder);
    }

    HWND window =
        CreateWindowExW(WS_EX_OVERLAPPEDWINDOW, L"Pelmora", L"Pelmora",
                        WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, CW_USEDEFAULT, CW_USEDEFAULT,
                        CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, instance, nullptr);
    if (window) {
        DrawMenuBar(window);
        ShowWindow(window, show);
        UpdateWindow(window);
    }
    MSG msg = {};
    while (window && GetMessageW(&msg, nullptr, 0, 0) > 0) {
        const auto tools = frame.ToolWindows();
        if (std::any_of(tools.begin(), tools.end(),
                        [&msg](CToolWindow* tool) { return tool && tool->PreTranslate(&msg); })) {
            continue;
        }
        // Read afresh for every message: the preferences dialog replaces it.
        HACCEL accelerators = frame.m_h_accelerators;
        if (accelerators && IsMainWindowMessage(frame.m_h_main_window, msg) &&
            TranslateAcceleratorW(frame.m_h_main_window, accelerators, &msg)) {
            continue;
        }
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    // The windows are gone; the view record goes last.
    CloseDocument();
    delete g_p_view_state;
    g_p_view_state = nullptr;
    return static_cast<int>(msg.wParam);
}

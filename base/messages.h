// User-visible messages ("Message" box) and debugger traces, printf-style.
// Tests install a sink to read what would have been shown.
#pragma once

#include <string>

// Receives every message and trace while installed; the platform output is
// then skipped. Not owned.
class MessageSink {
  public:
    virtual ~MessageSink() = default;
    virtual void OnMessage(const std::wstring& text) = 0;
    virtual void OnTrace(const std::wstring& text) = 0;
};

// Installs a sink (null restores the platform output); returns the previous one.
MessageSink* SetMessageSink(MessageSink* sink);

// Formats with FormatText and shows the text in a top-most box titled "Message".
void ShowMessage(const wchar_t* format, ...);
// Formats with FormatText and hands the text to sink, or with a null sink
// shows it as ShowMessage does: for units that report to their caller.
void ShowMessageTo(MessageSink* sink, const wchar_t* format, ...);
// Formats with FormatText and sends the text to the debugger output.
void DebugTrace(const wchar_t* format, ...);

// Platform halves (base/win32, base/posix).
void PlatformShowMessage(const std::wstring& text);
void PlatformDebugTrace(const std::wstring& text);

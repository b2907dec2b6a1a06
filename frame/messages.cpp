// Formats messages and traces and routes them to a sink or to the platform.
#include "frame/messages.h"

#include "frame/format_text.h"

#include <atomic>
#include <cstdarg>

namespace {
std::atomic<MessageSink*> g_sink{nullptr};
}

MessageSink* SetMessageSink(MessageSink* sink) { return g_sink.exchange(sink); }

void ShowMessage(const wchar_t* format, ...) {
    va_list args;
    va_start(args, format);
    std::wstring text = FormatTextV(format, args);
    va_end(args);
    if (MessageSink* sink = g_sink.load())
        sink->OnMessage(text);
    else
        PlatformShowMessage(text);
}

void DebugTrace(const wchar_t* format, ...) {
    va_list args;
    va_start(args, format);
    std::wstring text = FormatTextV(format, args);
    va_end(args);
    if (MessageSink* sink = g_sink.load())
        sink->OnTrace(text);
    else
        PlatformDebugTrace(text);
}

// Formats messages and traces and routes them to a sink or to the platform.
#include "base/messages.h"

#include "base/format_text.h"

#include <atomic>
#include <cstdarg>

namespace {
std::atomic<MessageSink*> g_sink{nullptr};
}

MessageSink* SetMessageSink(MessageSink* sink) {
    return g_sink.exchange(sink);
}

namespace {

// Formats the text; an allocation failure gives no text (nothing is shown),
// and never lets an exception leave the message functions.
bool Format(std::wstring* text, const wchar_t* format, va_list args) {
    try {
        *text = FormatTextV(format, args);
        return true;
    } catch (...) {
        return false;
    }
}

} // namespace

void ShowMessage(const wchar_t* format, ...) {
    va_list args;
    va_start(args, format);
    std::wstring text;
    const bool ok = Format(&text, format, args);
    va_end(args);
    if (!ok)
        return;
    if (MessageSink* sink = g_sink.load())
        sink->OnMessage(text);
    else
        PlatformShowMessage(text);
}

void DebugTrace(const wchar_t* format, ...) {
    va_list args;
    va_start(args, format);
    std::wstring text;
    const bool ok = Format(&text, format, args);
    va_end(args);
    if (!ok)
        return;
    if (MessageSink* sink = g_sink.load())
        sink->OnTrace(text);
    else
        PlatformDebugTrace(text);
}

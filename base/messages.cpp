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

// Formats the text and hands it to the installed sink's method or, without a
// sink, to the platform's output.
void Route(const wchar_t* format, va_list args, void (MessageSink::*to_sink)(const std::wstring&),
           void (*to_platform)(const std::wstring&)) {
    std::wstring text;
    if (!Format(&text, format, args))
        return;
    if (MessageSink* sink = g_sink.load())
        (sink->*to_sink)(text);
    else
        to_platform(text);
}

} // namespace

void ShowMessage(const wchar_t* format, ...) {
    va_list args;
    va_start(args, format);
    Route(format, args, &MessageSink::OnMessage, PlatformShowMessage);
    va_end(args);
}

void ShowMessageTo(MessageSink* sink, const wchar_t* format, ...) {
    va_list args;
    va_start(args, format);
    if (sink == nullptr) {
        Route(format, args, &MessageSink::OnMessage, PlatformShowMessage);
    } else {
        std::wstring text;
        if (Format(&text, format, args))
            sink->OnMessage(text);
    }
    va_end(args);
}

void DebugTrace(const wchar_t* format, ...) {
    va_list args;
    va_start(args, format);
    Route(format, args, &MessageSink::OnTrace, PlatformDebugTrace);
    va_end(args);
}

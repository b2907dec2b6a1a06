// Message sink that records texts for tests (see recording_message_sink.h).
#include "tests/fakes/recording_message_sink.h"

void RecordingMessageSink::OnMessage(const std::wstring& text) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_messages.push_back(text);
}

void RecordingMessageSink::OnTrace(const std::wstring& text) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_traces.push_back(text);
}

std::vector<std::wstring> RecordingMessageSink::Messages() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_messages;
}

std::vector<std::wstring> RecordingMessageSink::Traces() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_traces;
}

void RecordingMessageSink::Clear() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_messages.clear();
    m_traces.clear();
}

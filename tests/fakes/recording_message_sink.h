// RecordingMessageSink: while it lives, every ShowMessage and DebugTrace text
// is recorded here instead of reaching the screen or the debugger.
#pragma once

#include "base/messages.h"

#include <mutex>
#include <string>
#include <vector>

class RecordingMessageSink : public MessageSink {
  public:
    RecordingMessageSink() : m_p_previous(SetMessageSink(this)) {}
    ~RecordingMessageSink() override { SetMessageSink(m_p_previous); }
    RecordingMessageSink(const RecordingMessageSink&) = delete;
    RecordingMessageSink& operator=(const RecordingMessageSink&) = delete;

    void OnMessage(const std::wstring& text) override;
    void OnTrace(const std::wstring& text) override;

    // Copies, safe while a worker thread may still report.
    std::vector<std::wstring> Messages() const;
    std::vector<std::wstring> Traces() const;
    void Clear();

  private:
    mutable std::mutex m_mutex;
    std::vector<std::wstring> m_messages;
    std::vector<std::wstring> m_traces;
    MessageSink* m_p_previous;
};

// The timing rule of recovery copies (see recovery_schedule.h).
#include "data/recovery_schedule.h"

void RecoverySchedule::Edited(int64_t now_ms) {
    if (m_n_first_edit < 0)
        m_n_first_edit = now_ms;
    m_n_last_edit = now_ms;
}

int RecoverySchedule::Due(int64_t now_ms) const {
    if (m_n_first_edit < 0)
        return 0;
    return now_ms - m_n_last_edit >= kQuietMs || now_ms - m_n_first_edit >= kLongestWaitMs ? 1 : 0;
}

void RecoverySchedule::Written(int64_t now_ms, int ok) {
    if (ok) {
        Clear();
        return;
    }
    // Retry once the longest wait has passed again.
    m_n_first_edit = now_ms;
    m_n_last_edit = now_ms - kQuietMs + kLongestWaitMs;
}

void RecoverySchedule::Clear() {
    m_n_first_edit = -1;
    m_n_last_edit = -1;
}

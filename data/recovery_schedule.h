// When a document's recovery copy is due: after a short quiet spell following
// an edit, and at least every few seconds while edits keep coming. Times are
// milliseconds of any steady clock, passed in so tests can drive a fake one.
#pragma once

#include <cstdint>

class RecoverySchedule {
  public:
    static constexpr int64_t kQuietMs = 2000;
    static constexpr int64_t kLongestWaitMs = 5000;

    // An edit happened at now_ms.
    void Edited(int64_t now_ms);
    // 1 when edits wait to be copied and the copy should be written now.
    int Due(int64_t now_ms) const;
    // The copy was written (ok 1), or failed and is tried again after the
    // longest wait, without waiting for another edit.
    void Written(int64_t now_ms, int ok);
    // Nothing waits any more (edits kept, dropped or the document gone).
    void Clear();

  private:
    int64_t m_n_first_edit = -1; // first edit not yet in the copy, -1 none
    int64_t m_n_last_edit = -1;
};

// Byte marks: what the painter asks of whoever marks bytes (bookmarks) about
// the span it is about to draw, so the view needs to know nothing of them.
#pragma once

#include <cstdint>

class ByteMarks {
  public:
    virtual ~ByteMarks() = default;
    // Sets marked[i] to 1 for each marked byte first + i of the span and
    // leaves the others as they are (the caller zeroes the array).
    virtual void MarkSpan(int64_t first, int64_t count, uint8_t* marked) const = 0;
};

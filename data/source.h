// CSrclibrary: the abstract source of a document's unedited bytes.
#pragma once

#include <cstdint>

class CSrclibrary {
  public:
    virtual ~CSrclibrary() = default;
    // Read-only pointer to the byte at a source offset, or null when it cannot
    // be provided. Valid until the next GetData on this object or its end.
    virtual const uint8_t* GetData(int64_t offset) = 0;
};

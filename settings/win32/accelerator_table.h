// The live accelerator table made from AcceleratorEntries.
#pragma once

#include <windows.h>

// A new accelerator table of the 24 entries, or null when there are none
// (the caller destroys the previous table first and owns the new one).
HACCEL BuildAcceleratorTable();

// Owns one accelerator table handle.
class AcceleratorTableHandle {
  public:
    AcceleratorTableHandle() = default;
    ~AcceleratorTableHandle() { Reset(nullptr); }
    AcceleratorTableHandle(const AcceleratorTableHandle&) = delete;
    AcceleratorTableHandle& operator=(const AcceleratorTableHandle&) = delete;
    HACCEL Get() const { return m_h_accel; }
    // Destroys the held table, then takes the new one.
    void Reset(HACCEL accel) {
        if (m_h_accel) {
            DestroyAcceleratorTable(m_h_accel);
        }
        m_h_accel = accel;
    }
    // Destroys the held table and builds a fresh one from the entries.
    void Rebuild() {
        Reset(nullptr);
        Reset(BuildAcceleratorTable());
    }

  private:
    HACCEL m_h_accel = nullptr;
};

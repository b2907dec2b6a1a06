// RecoveryKeeper: keeps the current document's recovery copy in step with its
// pending edits. The frame calls Tick from a timer; the keeper notices edits
// by the generation it is handed (a count every change of the pieces moves,
// CallBackInfo::Generation), takes a snapshot of the overlay (O(1)) and
// builds the copy's bytes from it and writes them on a worker, while the
// window goes on editing.
#pragma once

#include "data/recovery.h"
#include "data/recovery_schedule.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <thread>
#include <vector>

class CDataPlane;
class WorkspaceFileOps;

class RecoveryKeeper {
  public:
    RecoveryKeeper();
    RecoveryKeeper(RecoveryPlatform& platform, WorkspaceFileOps& ops);
    ~RecoveryKeeper(); // waits for a write in progress
    RecoveryKeeper(const RecoveryKeeper&) = delete;
    RecoveryKeeper& operator=(const RecoveryKeeper&) = delete;

    // The store of this keeper's folder (made on first use).
    RecoveryStore& Store();

    // A document became current; the copy of the one before is deleted (it
    // went cleanly) unless it was kept for a session end. The new document's
    // companion is written at once, under this instance's name, so that
    // other instances see the document open here. restored: the copy (of an
    // ended instance) the document's edits were restored from; this
    // instance's own copy takes them over, and it goes once that is written
    // or the edits are kept or dropped.
    // generation: the document's count of changes now.
    void Track(const CDataPlane* plane, uint64_t generation, const RecoveryIdentity& id,
               const RecoveryIdentity* restored);
    // 1 from Track until Release: the keeper follows a document.
    int Tracking() const { return m_b_tracking; }
    // The identity the copies are written under (the owner filled in).
    const RecoveryIdentity& Identity() const { return m_identity; }
    // The document went cleanly (closed, replaced): its copy and companion
    // are deleted.
    void Release();
    // The pending edits were kept in the workspace, dropped or written into
    // the file: the copy is deleted and only later edits make a new one.
    void Settled(uint64_t generation);
    // Notices edits and writes the copy when it is due; 1 when a write began.
    // pending 0: the edits were undone back to the kept state, so there is
    // nothing to keep and the copy goes instead.
    int Tick(int64_t now_ms, const CDataPlane* plane, uint64_t generation, int64_t file_size,
             int pending = 1);
    // Writes the copy now and waits for it; the copy then outlives the
    // document (session end without a workspace). 1 or 0.
    int WriteNow(const CDataPlane* plane, int64_t file_size);
    // Waits for a write in progress; 1 when the last write succeeded (a
    // failed one is tried again from a later Tick).
    int Wait();

  private:
    int StartWrite(const CDataPlane* plane, int64_t file_size, int wait);
    void DropRestoredCopy();
    RecoveryPlatform& m_platform;
    WorkspaceFileOps& m_ops;
    std::unique_ptr<RecoveryStore> m_p_store;
    RecoverySchedule m_schedule;
    RecoveryIdentity m_identity;
    RecoveryIdentity m_restored; // the copy the edits came from
    int m_b_has_restored = 0;
    int m_b_tracking = 0;
    int m_b_retain = 0;          // the copy outlives the document
    int m_b_companion_ok = 0;    // the companion on disk names m_identity
    uint64_t m_n_generation = 0; // the document's when last looked at
    std::thread m_worker;
    std::atomic<int> m_b_last_ok{1};
    std::atomic<int> m_b_done{1}; // the worker has finished its write
    int m_b_retry = 0;            // a write failed: the schedule is told at the next tick
    int64_t m_n_write_ms = 0;     // when the last write from Tick began
    std::vector<uint8_t> m_image; // the bytes being written; the worker's while it runs
};

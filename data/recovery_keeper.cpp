// Keeping the current document's recovery copy (see recovery_keeper.h).
#include "data/recovery_keeper.h"

#include "base/messages.h"
#include "data/data_plane.h"
#include "data/plane_snapshot.h"
#include "data/workspace.h"

#include <new>

RecoveryKeeper::RecoveryKeeper() : RecoveryKeeper(PlatformRecovery(), PlatformWorkspaceFileOps()) {}

RecoveryKeeper::RecoveryKeeper(RecoveryPlatform& platform, WorkspaceFileOps& ops)
    : m_platform(platform), m_ops(ops) {}

RecoveryKeeper::~RecoveryKeeper() {
    Wait();
}

RecoveryStore& RecoveryKeeper::Store() {
    if (!m_p_store)
        m_p_store = std::make_unique<RecoveryStore>(m_platform.Folder(), m_ops, m_platform);
    return *m_p_store;
}

int RecoveryKeeper::Wait() {
    if (m_worker.joinable()) {
        m_worker.join();
        if (!m_b_last_ok) {
            m_b_companion_ok = 0; // the write may have left only part of the pair
            m_b_retry = 1;
        } else {
            DropRestoredCopy(); // this instance's copy holds the restored edits now
        }
    }
    return m_b_last_ok.load();
}

void RecoveryKeeper::Track(const CDataPlane* plane, uint64_t generation, const RecoveryIdentity& id,
                           const RecoveryIdentity* restored) {
    Release();
    m_identity = id;
    m_platform.Self(&m_identity.m_n_owner_id, &m_identity.m_n_owner_start);
    m_b_tracking = 1;
    m_b_companion_ok = Store().WriteCompanion(m_identity);
    m_n_generation = generation;
    m_b_has_restored = restored != nullptr ? 1 : 0;
    if (restored == nullptr)
        return;
    m_restored = *restored;
    if (RecoveryKey(m_restored) == RecoveryKey(m_identity))
        m_b_has_restored = 0; // this instance's own copy: it simply goes on
    else if (plane != nullptr && StartWrite(plane, id.m_n_size, 1))
        DropRestoredCopy();
}

void RecoveryKeeper::DropRestoredCopy() {
    if (m_b_has_restored && Store().Delete(m_restored))
        m_b_has_restored = 0;
}

void RecoveryKeeper::Release() {
    Wait();
    if (m_b_tracking && !m_b_retain) {
        Store().Delete(m_identity);
        DropRestoredCopy();
    }
    m_b_tracking = 0;
    m_b_retain = 0;
    m_b_companion_ok = 0;
    m_b_has_restored = 0;
    m_b_retry = 0;
    m_schedule.Clear();
}

void RecoveryKeeper::Settled(uint64_t generation) {
    if (!m_b_tracking)
        return;
    Wait();
    // The companion stays: the document is still open here.
    const std::wstring copy = Store().CopyPath(m_identity);
    if (m_ops.Exists(copy.c_str()))
        m_ops.Delete(copy.c_str());
    DropRestoredCopy();
    m_b_retry = 0;
    m_schedule.Clear();
    m_n_generation = generation;
}

int RecoveryKeeper::Tick(int64_t now_ms, const CDataPlane* plane, uint64_t generation,
                         int64_t file_size, int pending) {
    if (!m_b_tracking || plane == nullptr)
        return 0;
    if (!pending) {
        if (generation != m_n_generation)
            Settled(generation); // undone back to the kept state
        return 0;
    }
    if (m_worker.joinable() && m_b_done)
        Wait();
    if (m_b_retry) {
        // The last write failed: try again after the longest wait.
        m_b_retry = 0;
        m_schedule.Written(m_n_write_ms, 0);
    }
    if (generation != m_n_generation) {
        m_n_generation = generation;
        m_schedule.Edited(now_ms);
    }
    if (!m_schedule.Due(now_ms))
        return 0;
    if (m_worker.joinable()) {
        // A write is still under way: look again at the next tick.
        return 0;
    }
    m_n_write_ms = now_ms;
    const int started = StartWrite(plane, file_size, 0);
    m_schedule.Written(now_ms, started);
    return started;
}

int RecoveryKeeper::WriteNow(const CDataPlane* plane, int64_t file_size) {
    if (!m_b_tracking || plane == nullptr)
        return 0;
    const int ok = StartWrite(plane, file_size, 1);
    if (ok) {
        DropRestoredCopy();
        m_b_retain = 1;
        m_schedule.Clear();
    }
    return ok;
}

int RecoveryKeeper::StartWrite(const CDataPlane* plane, int64_t file_size, int wait) {
    Wait();
    PlaneSnapshot snapshot = plane->Snapshot();
    if (!snapshot.Valid()) {
        DebugTrace(L"Recovery: copy of %s not built\n", m_identity.m_sz_path.c_str());
        return 0;
    }
    RecoveryStore* store = &Store();
    const int with_companion = m_b_companion_ok ? 0 : 1;
    m_b_companion_ok = 1; // unless the write fails (checked at the next Wait)
    m_b_last_ok = 0;
    m_b_done = 0;
    // The bytes come from the snapshot, so building them takes nothing from
    // the window's thread; letting the snapshot go lets the overlay free the
    // pieces it copied meanwhile.
    auto write = [this, store, with_companion, file_size](PlaneSnapshot view) {
        const int built = SerializeWorkspace(view, file_size, &m_image);
        view.Reset();
        m_b_last_ok = built && store->Write(m_identity, m_image, with_companion);
        m_b_done = 1;
    };
    if (!wait) {
        try {
            m_worker = std::thread(write, std::move(snapshot));
            return 1;
        } catch (...) {
            // No thread to be had: write here instead.
            snapshot = plane->Snapshot();
        }
    }
    write(std::move(snapshot));
    if (!m_b_last_ok)
        m_b_companion_ok = 0;
    return m_b_last_ok.load();
}

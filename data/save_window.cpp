// The save's write-back window (see save_window.h).
#include "data/save_window.h"

#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>

namespace {

enum class SlotState {
    kFree,   // ready to be taken
    kTaken,  // a view the walk is filling
    kQueued, // handed to the writer, written or waiting
};

struct SaveSlot {
    SaveWindow* m_p_owner;
    SlotState m_state;
    int64_t m_n_offset;
    size_t m_n_length;
    alignas(kSaveSector) uint8_t m_data[static_cast<size_t>(kSaveBlockSize)];
};

constexpr int kSlots = 2;

SaveSlot* SlotOf(uint8_t* view) {
    return reinterpret_cast<SaveSlot*>(view - offsetof(SaveSlot, m_data));
}

} // namespace

struct SaveWindow {
    void* m_h_file = nullptr;
    int64_t m_n_size = 0;
    SaveBlockWrite m_write = nullptr;
    std::unique_ptr<SaveSlot> m_slots[kSlots];

    std::mutex m_mutex; // guards everything below and the slots' states
    std::condition_variable m_changed;
    SaveSlot* m_queue[kSlots] = {}; // blocks to write, oldest at m_n_head
    int m_n_head = 0;
    int m_n_queued = 0;
    bool m_b_failed = false; // a block could not be written
    bool m_b_stop = false;
    bool m_b_threaded = false; // false: blocks are written as they are handed over
    std::thread m_writer;

    // The writer thread: writes queued blocks in order until told to stop;
    // once a write failed, the rest are only freed.
    void WriteQueued() {
        std::unique_lock<std::mutex> lock(m_mutex);
        for (;;) {
            m_changed.wait(lock, [this] { return m_b_stop || m_n_queued > 0; });
            if (m_b_stop)
                return;
            SaveSlot* slot = m_queue[m_n_head];
            const bool skip = m_b_failed;
            lock.unlock();
            const int ok = skip || m_write(m_h_file, m_n_size, slot->m_n_offset, slot->m_data,
                                           slot->m_n_length);
            lock.lock();
            m_n_head = (m_n_head + 1) % kSlots;
            --m_n_queued;
            if (!ok)
                m_b_failed = true;
            slot->m_state = SlotState::kFree;
            m_changed.notify_all();
        }
    }
};

SaveWindow* NewSaveWindow(void* file, int64_t size, SaveBlockWrite write) {
    if (file == nullptr || size <= 0 || write == nullptr)
        return nullptr;
    std::unique_ptr<SaveWindow> window(new (std::nothrow) SaveWindow);
    if (window == nullptr)
        return nullptr;
    window->m_h_file = file;
    window->m_n_size = size;
    window->m_write = write;
    for (auto& slot : window->m_slots) {
        slot.reset(new (std::nothrow) SaveSlot);
        if (slot == nullptr)
            return nullptr;
        slot->m_p_owner = window.get();
        slot->m_state = SlotState::kFree;
    }
    try {
        window->m_writer = std::thread(&SaveWindow::WriteQueued, window.get());
        window->m_b_threaded = true;
    } catch (const std::system_error&) {
        window->m_b_threaded = false; // no thread to spare: write in the caller's
    }
    return window.release();
}

void DeleteSaveWindow(SaveWindow* window) {
    if (window == nullptr)
        return;
    if (window->m_b_threaded) {
        {
            std::lock_guard<std::mutex> lock(window->m_mutex);
            window->m_b_stop = true;
        }
        window->m_changed.notify_all();
        window->m_writer.join();
    }
    delete window;
}

uint8_t* TakeSaveView(SaveWindow* window, int64_t offset, size_t length) {
    if (window == nullptr || offset < 0 || length == 0 ||
        length > static_cast<size_t>(kSaveBlockSize))
        return nullptr;
    std::unique_lock<std::mutex> lock(window->m_mutex);
    SaveSlot* free_slot = nullptr;
    window->m_changed.wait(lock, [&] {
        for (auto& slot : window->m_slots)
            if (slot->m_state == SlotState::kFree) {
                free_slot = slot.get();
                return true;
            }
        return false;
    });
    free_slot->m_state = SlotState::kTaken;
    free_slot->m_n_offset = offset;
    free_slot->m_n_length = 0;
    return free_slot->m_data;
}

int QueueSaveView(uint8_t* view, size_t length) {
    SaveSlot* slot = SlotOf(view);
    SaveWindow* window = slot->m_p_owner;
    std::unique_lock<std::mutex> lock(window->m_mutex);
    if (slot->m_state != SlotState::kTaken || length == 0 ||
        length > static_cast<size_t>(kSaveBlockSize) || window->m_b_failed)
        return 0; // the view stays taken, for ReleaseSaveView
    slot->m_n_length = length;
    slot->m_state = SlotState::kQueued;
    if (!window->m_b_threaded) {
        lock.unlock();
        const int ok = window->m_write(window->m_h_file, window->m_n_size, slot->m_n_offset,
                                       slot->m_data, length);
        lock.lock();
        slot->m_state = SlotState::kFree;
        if (!ok)
            window->m_b_failed = true;
        return ok;
    }
    window->m_queue[(window->m_n_head + window->m_n_queued) % kSlots] = slot;
    ++window->m_n_queued;
    window->m_changed.notify_all();
    if (slot->m_n_offset + static_cast<int64_t>(length) >= window->m_n_size)
        window->m_changed.wait(lock, [window] { return window->m_n_queued == 0; });
    return window->m_b_failed ? 0 : 1;
}

void ReleaseSaveView(uint8_t* view) {
    SaveSlot* slot = SlotOf(view);
    SaveWindow* window = slot->m_p_owner;
    {
        std::lock_guard<std::mutex> lock(window->m_mutex);
        if (slot->m_state != SlotState::kTaken)
            return; // handed to the writer, which frees it
        slot->m_state = SlotState::kFree;
    }
    window->m_changed.notify_all();
}

size_t PadToSectors(uint8_t* view, size_t length) {
    const size_t padded = (length + kSaveSector - 1) / kSaveSector * kSaveSector;
    std::memset(view + length, 0, padded - length);
    return padded;
}

void* SaveWindowOps::CreateMapping(void* file, int64_t size) {
    return NewSaveWindow(file, size, m_p_write);
}

uint8_t* SaveWindowOps::MapView(void* mapping, int64_t offset, size_t length) {
    return TakeSaveView(static_cast<SaveWindow*>(mapping), offset, length);
}

int SaveWindowOps::FlushView(uint8_t* view, size_t length) {
    return QueueSaveView(view, length);
}

int SaveWindowOps::UnmapView(uint8_t* view, size_t) {
    ReleaseSaveView(view);
    return 1;
}

void SaveWindowOps::CloseMapping(void* mapping) {
    DeleteSaveWindow(static_cast<SaveWindow*>(mapping));
}

// CEditHistory: the undo and redo steps of one document's overlay. A step
// holds piece records and the bytes pieces own, never copies of source data,
// so undoing the removal of a whole file costs a few records.
#pragma once

#include "data/data_plane.h"
#include "data/document_change.h"

#include <cstdint>
#include <memory>
#include <vector>

class CSrclibrary;

// Where the view stood before a step: Undo puts it back.
struct EditMark {
    int64_t m_n_sel_anchor;
    int64_t m_n_sel_active;
    int64_t m_n_top_line;
};

// What an Undo or Redo changed: the view to restore (Undo), the range now
// holding the step's bytes (Redo selects it) and the change of the size.
struct HistoryResult {
    EditMark m_mark;
    int64_t m_n_first;
    int64_t m_n_length;
    int64_t m_n_size_delta;
};

// One replacement of a bulk step: count bytes at first (an offset as the
// plane stands before the step) give way to length new bytes.
struct BulkReplacement {
    int64_t m_n_first;
    int64_t m_n_count;
    const uint8_t* m_p_bytes;
    int64_t m_n_length;
};

class CEditHistory {
  public:
    // Bytes held only by the history above this bound make it forget its
    // oldest steps.
    static constexpr int64_t kDefaultByteBound = 256ll << 20;

    explicit CEditHistory(int64_t byte_bound = kDefaultByteBound);
    CEditHistory(const CEditHistory&) = delete;
    CEditHistory& operator=(const CEditHistory&) = delete;

    // Every change below is refused (0, nothing changed) while a worker reads
    // the plane (CDataPlane::IsBeingRead).
    // One step each, all or nothing: count bytes at first are replaced by
    // length new bytes (an insertion has count 0, a removal length 0).
    int Replace(CDataPlane* plane, int64_t first, int64_t count, const uint8_t* bytes,
                int64_t length, const EditMark& before);
    int Insert(CDataPlane* plane, int64_t offset, const uint8_t* bytes, int64_t length,
               const EditMark& before);
    int Remove(CDataPlane* plane, int64_t first, int64_t last, const EditMark& before);
    int Overwrite(CDataPlane* plane, int64_t offset, const uint8_t* bytes, int64_t length,
                  const EditMark& before);
    // Many replacements as one step, as a replace-all makes them: sorted by
    // offset, not overlapping (two may touch). One pass over the plane, all
    // or nothing; Undo and Redo take the whole step back and forth.
    int ReplaceMany(CDataPlane* plane, const BulkReplacement* replacements, size_t count,
                    const EditMark& before);
    // One typed nibble; nibbles typed one after another join one step until
    // EndTyping, another step, an Undo or a Redo.
    int TypeNibble(CDataPlane* plane, int64_t offset, uint8_t value, int high, CSrclibrary* source,
                   const EditMark& before);
    void EndTyping() { m_b_typing = 0; }

    int CanUndo() const { return m_n_done > 0; }
    int CanRedo() const { return m_n_done < static_cast<int64_t>(m_steps.size()); }
    // Each returns 1 after putting the plane back to the state before (after)
    // the step; 0, with nothing changed, when there is none or memory is short.
    int Undo(CDataPlane* plane, HistoryResult* result);
    int Redo(CDataPlane* plane, HistoryResult* result);

    // The current state is the one last opened or kept: IsClean tells whether
    // undo and redo have come back to it.
    void MarkClean() { m_n_clean = m_n_done; }
    int IsClean() const { return m_n_clean == m_n_done; }
    // The current state was never kept (edits restored from elsewhere), and
    // no undo or redo leads to a kept one.
    void MarkUnclean() { m_n_clean = -1; }
    // Forgets every step (the overlay's sources changed under them).
    void Clear();

    int64_t HeldBytes() const { return m_n_held; }
    int64_t UndoCount() const { return m_n_done; }
    int64_t RedoCount() const { return static_cast<int64_t>(m_steps.size()) - m_n_done; }
    // A number that names the step at index (0 the oldest kept, UndoCount()
    // the first to redo) for as long as it is kept: it grows with each new
    // step, and nibbles joining a step keep it. 0 for no such step.
    uint64_t StepSerial(int64_t index) const;
    // The parts of the step last undone or redone, when it was a bulk step,
    // with offsets as the plane stood before that undo or redo; empty after
    // any other step (or when memory was short to list them).
    const std::vector<DocumentChangePart>& LastBulkParts() const { return m_last_parts; }

  private:
    struct HeldPiece {
        PieceRecord m_record; // m_p_bytes points into m_bytes
        std::unique_ptr<uint8_t[]> m_bytes;
    };
    // A part of a bulk step: [m_n_first, m_n_first + m_n_length) holds what
    // the step made (or, once undone, what it replaced); its records hold the
    // other side, m_n_records_length bytes long.
    struct BulkPart {
        int64_t m_n_first;
        int64_t m_n_length;
        size_t m_n_record_begin;
        size_t m_n_record_count;
        int64_t m_n_records_length;
    };
    // A bulk step's parts in offset order; the bytes that owned records hold
    // are packed into one buffer, in record order.
    struct BulkParts {
        std::vector<BulkPart> m_parts;
        std::vector<PieceRecord> m_records;
        std::vector<uint8_t> m_bytes;
        int64_t Held() const;
    };
    // One step: the range [m_n_first, m_n_first + m_n_length) of the plane
    // now holds what the step made (or, once undone, what it replaced);
    // m_pieces hold the other side. Undo and Redo swap the two.
    struct Step {
        int64_t m_n_first = 0;
        int64_t m_n_length = 0;
        std::vector<HeldPiece> m_pieces;
        int64_t m_n_pieces_length = 0;
        int64_t m_n_held = 0;
        EditMark m_mark = {};
        uint64_t m_n_serial = 0;
        // Set for a bulk step, which keeps its sides here instead; m_n_first
        // and m_n_length then span its parts.
        std::unique_ptr<BulkParts> m_p_bulk;
    };

    // Copies the pieces over [first, first + count) into out; 0 when memory is short.
    static int Capture(const CDataPlane* plane, int64_t first, int64_t count, Step* out);
    static int Swap(CDataPlane* plane, Step* step);
    // Captures, in one walk, the pieces over each part's range (the parts'
    // m_n_first and m_n_length, sorted) as the parts' records.
    static int CaptureParts(const CDataPlane* plane, BulkParts* out);
    static int SwapBulk(CDataPlane* plane, Step* step);
    // Undoes or redoes the step (a Swap) and accounts for it: typing ends,
    // the held bytes follow, and result tells what changed. 0 leaves all as it was.
    int TakeStep(CDataPlane* plane, Step* step, HistoryResult* result);
    // Adds a step made by an edit that has already been done: drops the
    // steps that could be redone and the oldest beyond the bound.
    int Push(Step&& step);
    void Trim();

    std::vector<Step> m_steps;
    int64_t m_n_done = 0;  // steps [0, m_n_done) can be undone, the rest redone
    int64_t m_n_clean = 0; // m_n_done of the clean state; -1 when no step reaches it
    int64_t m_n_held = 0;  // bytes held by every step's pieces
    int64_t m_n_bound;
    uint64_t m_n_last_serial = 0;
    std::vector<DocumentChangePart> m_last_parts;
    int32_t m_b_typing = 0; // the last step is typing that the next nibble may join
    int64_t m_n_typing_sel_anchor = -1;
    int64_t m_n_typing_sel_active = -1;
};

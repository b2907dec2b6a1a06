// Undo and redo steps over the edit overlay (see edit_history.h).
#include "data/edit_history.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <utility>

namespace {

bool SameSelection(const EditMark& a, int64_t anchor, int64_t active) {
    return a.m_n_sel_anchor == anchor && a.m_n_sel_active == active;
}

} // namespace

CEditHistory::CEditHistory(int64_t byte_bound) : m_n_bound(byte_bound) {}

void CEditHistory::Clear() {
    m_steps.clear();
    m_n_done = 0;
    m_n_clean = 0;
    m_n_held = 0;
    m_b_typing = 0;
}

int CEditHistory::Capture(const CDataPlane* plane, int64_t first, int64_t count, Step* out) {
    out->m_pieces.clear();
    out->m_n_pieces_length = 0;
    out->m_n_held = 0;
    if (count == 0)
        return 1;
    PieceCursor cursor(*plane, first);
    int64_t start = cursor.Start();
    const PlanePiece* p = cursor.Piece();
    int64_t at = first;
    try {
        while (p != nullptr && at < first + count) {
            const int64_t rel = at - start;
            const int64_t n = std::min(p->m_n_length - rel, first + count - at);
            if (n > 0) {
                HeldPiece held;
                held.m_record = {p->m_n_kind, p->m_n_src_begin, p->m_n_src_end, n, nullptr};
                if (p->m_n_kind == PIECE_SOURCE) {
                    held.m_record.m_n_src_begin = p->m_n_src_begin + rel;
                    held.m_record.m_n_src_end = held.m_record.m_n_src_begin + n - 1;
                } else {
                    held.m_bytes.reset(new (std::nothrow) uint8_t[static_cast<size_t>(n)]);
                    if (held.m_bytes == nullptr)
                        return 0;
                    std::memcpy(held.m_bytes.get(), p->m_p_bytes + rel, static_cast<size_t>(n));
                    held.m_record.m_p_bytes = held.m_bytes.get();
                    out->m_n_held += n;
                }
                out->m_n_held += static_cast<int64_t>(sizeof(HeldPiece));
                out->m_pieces.push_back(std::move(held));
                at += n;
            }
            start += p->m_n_length;
            cursor.Next();
            p = cursor.Piece();
        }
    } catch (const std::bad_alloc&) {
        return 0;
    }
    out->m_n_pieces_length = at - first;
    return at == first + count;
}

int CEditHistory::Swap(CDataPlane* plane, Step* step) {
    if (step->m_p_bulk)
        return SwapBulk(plane, step);
    Step now;
    if (!Capture(plane, step->m_n_first, step->m_n_length, &now))
        return 0;
    std::vector<PieceRecord> records;
    try {
        records.reserve(step->m_pieces.size());
    } catch (const std::bad_alloc&) {
        return 0;
    }
    for (const HeldPiece& held : step->m_pieces)
        records.push_back(held.m_record);
    if (!plane->Replace(step->m_n_first, step->m_n_length, records.data(), records.size()))
        return 0;
    step->m_n_length = step->m_n_pieces_length;
    step->m_pieces = std::move(now.m_pieces);
    step->m_n_pieces_length = now.m_n_pieces_length;
    step->m_n_held = now.m_n_held;
    return 1;
}

int64_t CEditHistory::BulkParts::Held() const {
    return static_cast<int64_t>(m_bytes.size() + m_records.size() * sizeof(PieceRecord) +
                                m_parts.size() * sizeof(BulkPart));
}

int CEditHistory::CaptureParts(const CDataPlane* plane, BulkParts* out) {
    out->m_records.clear();
    out->m_bytes.clear();
    if (out->m_parts.empty())
        return 1;
    PieceCursor cursor(*plane, out->m_parts.front().m_n_first);
    int64_t start = cursor.Start();
    const PlanePiece* p = cursor.Piece();
    try {
        // Source records first; the owned bytes are packed, and the records
        // pointed at them, once the buffer has stopped growing.
        for (BulkPart& part : out->m_parts) {
            part.m_n_record_begin = out->m_records.size();
            const int64_t end = part.m_n_first + part.m_n_length;
            while (p != nullptr && start + p->m_n_length <= part.m_n_first && part.m_n_length > 0) {
                start += p->m_n_length;
                cursor.Next();
                p = cursor.Piece();
            }
            for (int64_t at = part.m_n_first; at < end;) {
                if (p == nullptr || at < start)
                    return 0;
                const int64_t rel = at - start;
                const int64_t n = std::min(p->m_n_length - rel, end - at);
                if (n > 0) {
                    PieceRecord record = {p->m_n_kind, p->m_n_src_begin, p->m_n_src_end, n,
                                          nullptr};
                    if (p->m_n_kind == PIECE_SOURCE) {
                        record.m_n_src_begin = p->m_n_src_begin + rel;
                        record.m_n_src_end = record.m_n_src_begin + n - 1;
                    } else {
                        out->m_bytes.insert(out->m_bytes.end(), p->m_p_bytes + rel,
                                            p->m_p_bytes + rel + n);
                    }
                    out->m_records.push_back(record);
                    at += n;
                }
                if (at == start + p->m_n_length) {
                    start += p->m_n_length;
                    cursor.Next();
                    p = cursor.Piece();
                }
            }
            part.m_n_record_count = out->m_records.size() - part.m_n_record_begin;
            part.m_n_records_length = part.m_n_length;
        }
    } catch (const std::bad_alloc&) {
        return 0;
    }
    const uint8_t* bytes = out->m_bytes.data();
    for (PieceRecord& record : out->m_records) {
        if (record.m_n_kind != PIECE_SOURCE) {
            record.m_p_bytes = bytes;
            bytes += record.m_n_length;
        }
    }
    return 1;
}

int CEditHistory::SwapBulk(CDataPlane* plane, Step* step) {
    BulkParts& bulk = *step->m_p_bulk;
    BulkParts now;
    std::vector<PlaneRangeEdit> edits;
    try {
        now.m_parts = bulk.m_parts;
        edits.reserve(bulk.m_parts.size());
    } catch (const std::bad_alloc&) {
        return 0;
    }
    if (!CaptureParts(plane, &now))
        return 0;
    for (const BulkPart& part : bulk.m_parts)
        edits.push_back({part.m_n_first, part.m_n_length,
                         bulk.m_records.data() + part.m_n_record_begin, part.m_n_record_count});
    if (!plane->ReplaceMany(edits.data(), edits.size()))
        return 0;
    // Each part now holds its old records' bytes, moved by the parts before it.
    int64_t shift = 0;
    for (size_t i = 0; i < bulk.m_parts.size(); ++i) {
        now.m_parts[i].m_n_first = bulk.m_parts[i].m_n_first + shift;
        now.m_parts[i].m_n_length = bulk.m_parts[i].m_n_records_length;
        shift += bulk.m_parts[i].m_n_records_length - bulk.m_parts[i].m_n_length;
    }
    step->m_n_length += shift;
    step->m_n_held = now.Held();
    bulk = std::move(now);
    return 1;
}

int CEditHistory::ReplaceMany(CDataPlane* plane, const BulkReplacement* replacements, size_t count,
                              const EditMark& before) {
    if (plane == nullptr || plane->IsBeingRead() || count == 0 || replacements == nullptr)
        return 0;
    int64_t end = 0;
    for (size_t i = 0; i < count; ++i) {
        const BulkReplacement& r = replacements[i];
        if (r.m_n_first < end || r.m_n_count < 0 || r.m_n_length < 0 ||
            (r.m_n_length > 0 && r.m_p_bytes == nullptr))
            return 0;
        end = r.m_n_first + r.m_n_count;
    }
    Step step;
    step.m_mark = before;
    std::vector<PieceRecord> records;
    std::vector<PlaneRangeEdit> edits;
    try {
        step.m_p_bulk = std::make_unique<BulkParts>();
        step.m_p_bulk->m_parts.reserve(count);
        for (size_t i = 0; i < count; ++i)
            step.m_p_bulk->m_parts.push_back(
                {replacements[i].m_n_first, replacements[i].m_n_count, 0, 0, 0});
        records.reserve(count);
        edits.reserve(count);
        m_steps.reserve(m_steps.size() + 1);
    } catch (const std::bad_alloc&) {
        return 0;
    }
    if (!CaptureParts(plane, step.m_p_bulk.get()))
        return 0;
    for (size_t i = 0; i < count; ++i) {
        const BulkReplacement& r = replacements[i];
        records.push_back({PIECE_INSERTED, 0, 0, r.m_n_length, r.m_p_bytes});
        edits.push_back({r.m_n_first, r.m_n_count, &records.back(), r.m_n_length > 0 ? 1u : 0u});
    }
    if (!plane->ReplaceMany(edits.data(), edits.size()))
        return 0;
    int64_t shift = 0;
    for (size_t i = 0; i < count; ++i) {
        BulkPart& part = step.m_p_bulk->m_parts[i];
        part.m_n_first += shift;
        part.m_n_length = replacements[i].m_n_length;
        shift += replacements[i].m_n_length - replacements[i].m_n_count;
    }
    const BulkPart& last = step.m_p_bulk->m_parts.back();
    step.m_n_first = step.m_p_bulk->m_parts.front().m_n_first;
    step.m_n_length = last.m_n_first + last.m_n_length - step.m_n_first;
    step.m_n_held = step.m_p_bulk->Held();
    m_b_typing = 0;
    return Push(std::move(step));
}

uint64_t CEditHistory::StepSerial(int64_t index) const {
    return index >= 0 && index < static_cast<int64_t>(m_steps.size())
               ? m_steps[static_cast<size_t>(index)].m_n_serial
               : 0;
}

int CEditHistory::Push(Step&& step) {
    step.m_n_serial = ++m_n_last_serial;
    // The room was reserved before the edit, so this cannot fail.
    while (static_cast<int64_t>(m_steps.size()) > m_n_done) {
        m_n_held -= m_steps.back().m_n_held;
        m_steps.pop_back();
    }
    if (m_n_clean > m_n_done)
        m_n_clean = -1;
    m_n_held += step.m_n_held;
    m_steps.push_back(std::move(step));
    ++m_n_done;
    Trim();
    return 1;
}

void CEditHistory::Trim() {
    size_t drop = 0;
    while (m_n_held > m_n_bound && static_cast<int64_t>(drop) < m_n_done) {
        m_n_held -= m_steps[drop].m_n_held;
        ++drop;
    }
    if (drop > 0) {
        m_steps.erase(m_steps.begin(), m_steps.begin() + static_cast<std::ptrdiff_t>(drop));
        m_n_done -= static_cast<int64_t>(drop);
        m_n_clean =
            m_n_clean >= static_cast<int64_t>(drop) ? m_n_clean - static_cast<int64_t>(drop) : -1;
        if (m_n_done == 0)
            m_b_typing = 0;
    }
    // Steps that could be redone go last, newest first.
    while (m_n_held > m_n_bound && static_cast<int64_t>(m_steps.size()) > m_n_done) {
        m_n_held -= m_steps.back().m_n_held;
        m_steps.pop_back();
        if (m_n_clean > static_cast<int64_t>(m_steps.size()))
            m_n_clean = -1;
    }
}

int CEditHistory::Replace(CDataPlane* plane, int64_t first, int64_t count, const uint8_t* bytes,
                          int64_t length, const EditMark& before) {
    if (plane == nullptr || plane->IsBeingRead() || first < 0 || count < 0 || length < 0 ||
        (length > 0 && bytes == nullptr))
        return 0;
    Step step;
    step.m_n_first = first;
    step.m_n_length = length;
    step.m_mark = before;
    if (!Capture(plane, first, count, &step))
        return 0;
    try {
        m_steps.reserve(m_steps.size() + 1);
    } catch (const std::bad_alloc&) {
        return 0;
    }
    const PieceRecord record = {PIECE_INSERTED, 0, 0, length, bytes};
    if (!plane->Replace(first, count, &record, length > 0 ? 1 : 0))
        return 0;
    m_b_typing = 0;
    return Push(std::move(step));
}

int CEditHistory::Insert(CDataPlane* plane, int64_t offset, const uint8_t* bytes, int64_t length,
                         const EditMark& before) {
    return length > 0 ? Replace(plane, offset, 0, bytes, length, before) : 0;
}

int CEditHistory::Remove(CDataPlane* plane, int64_t first, int64_t last, const EditMark& before) {
    return last >= first ? Replace(plane, first, last - first + 1, nullptr, 0, before) : 0;
}

int CEditHistory::Overwrite(CDataPlane* plane, int64_t offset, const uint8_t* bytes, int64_t length,
                            const EditMark& before) {
    return length > 0 ? Replace(plane, offset, length, bytes, length, before) : 0;
}

int CEditHistory::TypeNibble(CDataPlane* plane, int64_t offset, uint8_t value, int high,
                             CSrclibrary* source, const EditMark& before) {
    if (plane == nullptr || plane->IsBeingRead() || offset < 0)
        return 0;
    const bool join = m_b_typing && m_n_done == static_cast<int64_t>(m_steps.size()) &&
                      m_n_done > 0 &&
                      SameSelection(before, m_n_typing_sel_anchor, m_n_typing_sel_active);
    if (!join) {
        Step step;
        step.m_n_first = offset;
        step.m_n_length = 1;
        step.m_mark = before;
        if (!Capture(plane, offset, 1, &step))
            return 0;
        try {
            m_steps.reserve(m_steps.size() + 1);
        } catch (const std::bad_alloc&) {
            return 0;
        }
        if (!plane->SetNibble(offset, value, high, source))
            return 0;
        Push(std::move(step));
        // The bound may have dropped this very step.
        m_b_typing = m_n_done > 0 ? 1 : 0;
        m_n_typing_sel_anchor = before.m_n_sel_anchor;
        m_n_typing_sel_active = before.m_n_sel_active;
        return 1;
    }
    Step& step = m_steps.back();
    const int64_t end = step.m_n_first + step.m_n_length;
    if (offset >= step.m_n_first && offset < end)
        return plane->SetNibble(offset, value, high, source);
    // The step grows to cover the byte; what lay between is captured as it is.
    Step more;
    const int64_t from = offset < step.m_n_first ? offset : end;
    const int64_t to = offset < step.m_n_first ? step.m_n_first : offset + 1;
    if (!Capture(plane, from, to - from, &more))
        return 0;
    try {
        step.m_pieces.reserve(step.m_pieces.size() + more.m_pieces.size());
    } catch (const std::bad_alloc&) {
        return 0;
    }
    if (!plane->SetNibble(offset, value, high, source))
        return 0;
    auto at = offset < step.m_n_first ? step.m_pieces.begin() : step.m_pieces.end();
    step.m_pieces.insert(at, std::make_move_iterator(more.m_pieces.begin()),
                         std::make_move_iterator(more.m_pieces.end()));
    step.m_n_first = std::min(step.m_n_first, from);
    step.m_n_length += to - from;
    step.m_n_pieces_length += to - from;
    step.m_n_held += more.m_n_held;
    m_n_held += more.m_n_held;
    Trim();
    if (m_n_done == 0)
        m_b_typing = 0;
    return 1;
}

int CEditHistory::TakeStep(CDataPlane* plane, Step* step, HistoryResult* result) {
    const int64_t length_before = step->m_n_length;
    const int64_t held_before = step->m_n_held;
    m_last_parts.clear();
    if (step->m_p_bulk != nullptr) {
        // The parts as they stand now; the swap below moves them.
        try {
            m_last_parts.reserve(step->m_p_bulk->m_parts.size());
            for (const BulkPart& part : step->m_p_bulk->m_parts)
                m_last_parts.push_back({part.m_n_first, part.m_n_length, part.m_n_records_length});
        } catch (const std::bad_alloc&) {
            m_last_parts.clear();
        }
    }
    if (!Swap(plane, step)) {
        m_last_parts.clear();
        return 0;
    }
    m_b_typing = 0;
    m_n_held += step->m_n_held - held_before;
    if (result != nullptr)
        *result = {step->m_mark, step->m_n_first, step->m_n_length,
                   step->m_n_length - length_before};
    return 1;
}

int CEditHistory::Undo(CDataPlane* plane, HistoryResult* result) {
    if (plane == nullptr || plane->IsBeingRead() || !CanUndo() ||
        !TakeStep(plane, &m_steps[static_cast<size_t>(m_n_done - 1)], result))
        return 0;
    --m_n_done;
    Trim();
    return 1;
}

int CEditHistory::Redo(CDataPlane* plane, HistoryResult* result) {
    if (plane == nullptr || plane->IsBeingRead() || !CanRedo() ||
        !TakeStep(plane, &m_steps[static_cast<size_t>(m_n_done)], result))
        return 0;
    ++m_n_done;
    Trim();
    return 1;
}

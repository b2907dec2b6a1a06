// Find: pattern building and the span-at-a-time search. The effective data is
// walked as runs of contiguous bytes (owned piece bytes, or spans of the
// source); each run is searched as a whole, and the last n - 1 bytes of what
// came before are kept so that matches across run boundaries are found too.
// The results are those of a byte-by-byte scan: the first window after the
// start (forward) or the last one before it (backward).
#include "tools/find.h"

#include "base/hex_digits.h"
#include "data/block_reader.h"
#include "data/document.h"
#include "data/process_reader.h"
#include "tools/code_page.h"
#include "tools/tool_commands.h"
#include "view/geometry.h"
#include "view/selection.h"
#include "view/view_host.h"

#include <atomic>
#include <cstring>
#include <memory>

const FindCodePage FindCodePages[4] = {
    {L"UNICODE", -1}, {L"ANSI", 0}, {L"UTF-8", 65001}, {L"UTF-7", 65000}};

RememberedFind& FindMemory() {
    static RememberedFind memory;
    return memory;
}

// Bytes of the source in spans, whatever the pieces over them: forwards, a
// pointer to at least one byte at a source offset and how many follow it there
// (at most max_length); backwards, to the first of the bytes that end at one.
// Null where the byte cannot be read; the Skip calls then tell how many
// unreadable bytes the search passes over together (0: it ends there).
class SpanReader {
  public:
    virtual ~SpanReader() = default;
    virtual const uint8_t* Span(int64_t src_offset, int64_t max_length, int64_t* got) = 0;
    virtual const uint8_t* SpanBefore(int64_t src_last, int64_t max_length, int64_t* got) = 0;
    virtual int64_t SkipAfter(int64_t /*src_offset*/, int64_t /*max_length*/) { return 0; }
    virtual int64_t SkipBefore(int64_t /*src_last*/, int64_t /*max_length*/) { return 0; }
};

namespace {

// A disk file, read in large blocks through the search's own buffer. A byte
// that cannot be read ends the search.
class FileSpans : public SpanReader {
  public:
    explicit FileSpans(const CFileMapping& file) : m_reader(file.m_h_file, file.m_n_file_size) {}
    const uint8_t* Span(int64_t src_offset, int64_t max_length, int64_t* got) override {
        return m_reader.Span(src_offset, max_length, got);
    }
    const uint8_t* SpanBefore(int64_t src_last, int64_t max_length, int64_t* got) override {
        return m_reader.SpanBefore(src_last, max_length, got);
    }

  private:
    BlockReader m_reader;
};

// Another process's memory, through the search's own block. Committed pages
// that cannot be read (guard and no-access pages) are common: a search goes
// past them, and no match spans them.
class ProcessSpans : public SpanReader {
  public:
    ProcessSpans(ProcessOps* ops, void* process) : m_reader(ops, process) {}
    const uint8_t* Span(int64_t src_offset, int64_t max_length, int64_t* got) override {
        return m_reader.Span(src_offset, max_length, got);
    }
    const uint8_t* SpanBefore(int64_t src_last, int64_t max_length, int64_t* got) override {
        return m_reader.SpanBefore(src_last, max_length, got);
    }
    int64_t SkipAfter(int64_t src_offset, int64_t max_length) override {
        return m_reader.UnreadableLength(src_offset, max_length);
    }
    int64_t SkipBefore(int64_t src_last, int64_t max_length) override {
        return m_reader.UnreadableLengthBefore(src_last, max_length);
    }

  private:
    ProcessReader m_reader;
};

// Any other source, one byte at a time.
class ByteSpans : public SpanReader {
  public:
    explicit ByteSpans(CSrclibrary* source) : m_p_source(source) {}
    const uint8_t* Span(int64_t src_offset, int64_t /*max_length*/, int64_t* got) override {
        return Byte(src_offset, got);
    }
    const uint8_t* SpanBefore(int64_t src_last, int64_t /*max_length*/, int64_t* got) override {
        return Byte(src_last, got);
    }

  private:
    const uint8_t* Byte(int64_t src_offset, int64_t* got) {
        const uint8_t* p = m_p_source != nullptr ? m_p_source->GetData(src_offset) : nullptr;
        if (p == nullptr)
            return nullptr;
        m_byte = *p;
        *got = 1;
        return &m_byte;
    }

    CSrclibrary* m_p_source;
    uint8_t m_byte = 0;
};

std::unique_ptr<SpanReader> MakeReader(CallBackInfo* doc) {
    if (doc->m_n_source_kind == 0)
        return std::make_unique<FileSpans>(doc->m_file_mapping);
    if (doc->m_n_source_kind == 1)
        return std::make_unique<ProcessSpans>(doc->m_proc_info.m_p_ops,
                                              doc->m_proc_info.m_h_open_process);
    return std::make_unique<ByteSpans>(nullptr);
}

struct Run {
    const uint8_t* data;
    int64_t length;
    int64_t offset; // effective offset of data[0]
};

enum RunResult { kRunEnd = 0, kRunOk = 1, kRunUnreadable = -1 };

// Runs from an effective offset up to the end of the data.
class ForwardRuns {
  public:
    ForwardRuns(const PlaneSnapshot& snapshot, SpanReader* reader, int64_t from)
        : m_p_reader(reader), m_pieces(snapshot, from < 0 ? 0 : from), m_n_pos(from) {}
    RunResult Next(Run* run) {
        while (m_pieces.Piece() != nullptr &&
               m_n_pos >= m_pieces.Start() + m_pieces.Piece()->m_n_length)
            m_pieces.Next();
        m_p_piece = m_pieces.Piece();
        m_n_piece_start = m_pieces.Start();
        if (m_p_piece == nullptr)
            return kRunEnd;
        const int64_t rel = m_n_pos - m_n_piece_start;
        const int64_t left = m_p_piece->m_n_length - rel;
        run->offset = m_n_pos;
        if (m_p_piece->m_n_kind != PIECE_SOURCE) {
            if (m_p_piece->m_p_bytes == nullptr)
                return kRunUnreadable;
            run->data = m_p_piece->m_p_bytes + rel;
            run->length = left;
        } else {
            int64_t got = 0;
            run->data = m_p_reader->Span(m_p_piece->m_n_src_begin + rel, left, &got);
            if (run->data == nullptr || got <= 0)
                return kRunUnreadable;
            run->length = got;
        }
        m_n_pos += run->length;
        return kRunOk;
    }
    // Goes past the unreadable bytes at the position, as many as the reader
    // passes over together within the piece; 0 when the search ends there.
    int Skip() {
        if (m_p_piece == nullptr || m_p_piece->m_n_kind != PIECE_SOURCE)
            return 0;
        const int64_t rel = m_n_pos - m_n_piece_start;
        const int64_t n =
            m_p_reader->SkipAfter(m_p_piece->m_n_src_begin + rel, m_p_piece->m_n_length - rel);
        if (n <= 0)
            return 0;
        m_n_pos += n;
        return 1;
    }

  private:
    SpanReader* m_p_reader;
    SnapshotCursor m_pieces;
    const PlanePiece* m_p_piece = nullptr;
    int64_t m_n_piece_start = 0;
    int64_t m_n_pos;
};

// Runs that end at an effective offset (inclusive), then walk towards 0.
class BackwardRuns {
  public:
    BackwardRuns(const PlaneSnapshot& snapshot, SpanReader* reader, int64_t last)
        : m_p_reader(reader), m_pieces(snapshot, last), m_n_last(last) {}
    RunResult Next(Run* run) {
        while (m_pieces.Piece() != nullptr &&
               (m_n_last < m_pieces.Start() || m_pieces.Piece()->m_n_length == 0))
            m_pieces.Prev();
        m_p_piece = m_pieces.Piece();
        m_n_piece_start = m_pieces.Start();
        if (m_p_piece == nullptr || m_n_last < 0)
            return kRunEnd;
        const int64_t rel_last = m_n_last - m_n_piece_start;
        if (m_p_piece->m_n_kind != PIECE_SOURCE) {
            if (m_p_piece->m_p_bytes == nullptr)
                return kRunUnreadable;
            run->data = m_p_piece->m_p_bytes;
            run->length = rel_last + 1;
            run->offset = m_n_piece_start;
        } else {
            int64_t got = 0;
            run->data =
                m_p_reader->SpanBefore(m_p_piece->m_n_src_begin + rel_last, rel_last + 1, &got);
            if (run->data == nullptr || got <= 0 || got > rel_last + 1)
                return kRunUnreadable;
            run->length = got;
            run->offset = m_n_last - got + 1;
        }
        m_n_last = run->offset - 1;
        return kRunOk;
    }
    // Goes before the unreadable bytes that end at the position, as many as
    // the reader passes over together within the piece; 0 when the search
    // ends there.
    int Skip() {
        if (m_p_piece == nullptr || m_p_piece->m_n_kind != PIECE_SOURCE || m_n_last < 0)
            return 0;
        const int64_t rel_last = m_n_last - m_n_piece_start;
        const int64_t n = m_p_reader->SkipBefore(m_p_piece->m_n_src_begin + rel_last, rel_last + 1);
        if (n <= 0)
            return 0;
        m_n_last -= n;
        return 1;
    }

  private:
    SpanReader* m_p_reader;
    SnapshotCursor m_pieces;
    const PlanePiece* m_p_piece = nullptr;
    int64_t m_n_piece_start = 0;
    int64_t m_n_last;
};

// What a stream over a snapshot reads and reports to: the document (its
// progress counters), the snapshot, the reader of its source and the stop flag.
struct Stream {
    CallBackInfo* m_p_doc;
    const PlaneSnapshot& m_snapshot;
    SpanReader* m_p_reader;
    const std::atomic<int>* m_p_stop;
    bool Stopped() const {
        return m_p_stop != nullptr && m_p_stop->load(std::memory_order_relaxed) != 0;
    }
    void Progress(int64_t offset) const {
        if (m_p_doc != nullptr)
            m_p_doc->m_n_progress_pos = offset >> 16;
    }
};

// Runs are cut into slices of this size so progress and stop requests are
// seen often even where a run is long (owned bytes of a large paste).
constexpr int64_t kSlice = 0x10000;

// The next run to search: 1 with it in run; 0 when the search ends there (at
// the end, at an unreadable run that cannot be skipped, or on a stop request).
// A skipped unreadable run calls dropped: the bytes carried over from the
// last run no longer join the next.
template <class Runs, class Dropped>
int NextRun(const Stream& stream, Runs& runs, Run* run, Dropped dropped) {
    for (;;) {
        const RunResult got = runs.Next(run);
        if (got == kRunUnreadable && runs.Skip()) {
            if (!dropped())
                return 0;
            if (stream.Stopped())
                return 0;
            continue;
        }
        return got == kRunOk ? 1 : 0;
    }
}

// Keeps the last `keep` bytes of what has been seen: the bytes before the
// slice being searched, which may begin a match that ends in it.
void KeepLast(std::vector<uint8_t>* kept, const uint8_t* data, size_t len, size_t keep) {
    if (len >= keep) {
        kept->assign(data + len - keep, data + len);
        return;
    }
    kept->insert(kept->end(), data, data + len);
    if (kept->size() > keep)
        kept->erase(kept->begin(),
                    kept->begin() + static_cast<std::ptrdiff_t>(kept->size() - keep));
}

// The first match that starts at from or after it. A match may be up to
// MaxLength() bytes long, so the last MaxLength() - 1 bytes of each slice are
// kept and searched again joined with the next slice's first ones. Where
// matches differ in length, one found near a slice's end is only a candidate:
// a match that starts before it may run on into the next slice.
int64_t StreamForward(const Stream& stream, const SearchMatcher& matcher, int64_t from,
                      size_t* matched) {
    const size_t keep = matcher.MaxLength() - 1;
    ForwardRuns runs(stream.m_snapshot, stream.m_p_reader, from);
    std::vector<uint8_t> tail;
    // Made only when a slice's end is carried to the next: a search asked
    // for match after match mostly ends in its first slice.
    std::vector<uint8_t> joint;
    int64_t tail_offset = from;
    int64_t candidate = -1;
    size_t candidate_length = 0;
    auto take_candidate = [&]() {
        *matched = candidate_length;
        return candidate;
    };
    Run run = {};
    while (NextRun(stream, runs, &run, [&]() {
        tail.clear();
        return candidate < 0; // a candidate before the gap is the answer
    })) {
        while (run.length > 0) {
            if (stream.Stopped())
                return -1;
            stream.Progress(run.offset);
            const int64_t slice = run.length < kSlice ? run.length : kSlice;
            const auto len = static_cast<size_t>(slice);
            if (!tail.empty()) {
                const size_t head = len < keep ? len : keep;
                joint.resize(2 * matcher.MaxLength());
                std::memcpy(joint.data(), tail.data(), tail.size());
                std::memcpy(joint.data() + tail.size(), run.data, head);
                size_t got = 0;
                const int64_t r = matcher.First(joint.data(), tail.size() + head, &got);
                if (r >= 0 && static_cast<size_t>(r) < tail.size()) {
                    *matched = got;
                    return tail_offset + r;
                }
                if (candidate >= 0)
                    return take_candidate();
            }
            size_t got = 0;
            const int64_t r = matcher.First(run.data, len, &got);
            if (r >= 0) {
                if (static_cast<size_t>(r) + matcher.MaxLength() <= len) {
                    *matched = got;
                    return run.offset + r;
                }
                candidate = run.offset + r;
                candidate_length = got;
            }
            KeepLast(&tail, run.data, len, keep);
            tail_offset = run.offset + slice - static_cast<int64_t>(tail.size());
            run.data += slice;
            run.offset += slice;
            run.length -= slice;
        }
    }
    return candidate >= 0 && !stream.Stopped() ? take_candidate() : -1;
}

// The last match that ends at last or before it, the mirror of StreamForward:
// the first MaxLength() - 1 bytes after each slice are kept to be joined with
// the slice's last ones.
int64_t StreamBackward(const Stream& stream, const SearchMatcher& matcher, int64_t last,
                       size_t* matched) {
    const size_t keep = matcher.MaxLength() - 1;
    BackwardRuns runs(stream.m_snapshot, stream.m_p_reader, last);
    std::vector<uint8_t> head;
    std::vector<uint8_t> joint(2 * matcher.MaxLength());
    Run run = {};
    while (NextRun(stream, runs, &run, [&]() {
        head.clear();
        return true;
    })) {
        while (run.length > 0) {
            if (stream.Stopped())
                return -1;
            const int64_t slice = run.length < kSlice ? run.length : kSlice;
            const auto len = static_cast<size_t>(slice);
            const uint8_t* data = run.data + (run.length - slice);
            const int64_t offset = run.offset + (run.length - slice);
            stream.Progress(offset + slice - 1);
            if (!head.empty()) {
                const size_t part = len < keep ? len : keep;
                std::memcpy(joint.data(), data + len - part, part);
                std::memcpy(joint.data() + part, head.data(), head.size());
                size_t got = 0;
                const int64_t r = matcher.Last(joint.data(), part + head.size(), &got);
                if (r >= 0 && static_cast<size_t>(r) + got > part) {
                    *matched = got;
                    return offset + static_cast<int64_t>(len - part) + r;
                }
            }
            size_t got = 0;
            const int64_t r = matcher.Last(data, len, &got);
            if (r >= 0) {
                *matched = got;
                return offset + r;
            }
            // New head: the first bytes of slice + head.
            if (len >= keep) {
                head.assign(data, data + keep);
            } else {
                head.insert(head.begin(), data, data + len);
                if (head.size() > keep)
                    head.resize(keep);
            }
            run.length -= slice;
        }
    }
    return -1;
}

} // namespace

int IsHexDigit(wchar_t ch) {
    return HexValue(ch) >= 0 ? 1 : 0;
}

size_t HexFilterCut(const wchar_t* text) {
    size_t i = 0;
    while (text != nullptr && text[i] != 0 && IsHexDigit(text[i]))
        ++i;
    return i;
}

int ParseHexPattern(const wchar_t* text, uint8_t* bytes, int64_t count) {
    if (count <= 0)
        return 1;
    std::memset(bytes, 0, static_cast<size_t>(count));
    if (text == nullptr)
        return 0;
    const auto length = static_cast<int64_t>(std::wcslen(text));
    for (int64_t i = 0; i < length; ++i)
        if (HexValue(text[i]) < 0)
            return 0;
    for (int64_t b = 0; b < count; ++b) {
        const int64_t right = length - 1 - 2 * b;
        const int64_t left = right - 1;
        int value = 0;
        if (right >= 0)
            value = HexValue(text[right]);
        if (left >= 0)
            value += 16 * HexValue(text[left]);
        bytes[count - 1 - b] = static_cast<uint8_t>(value);
    }
    return 1;
}

std::vector<uint8_t> BuildFindPattern(int mode, const wchar_t* text, int32_t code_page) {
    std::vector<uint8_t> pattern;
    if (text == nullptr || text[0] == 0)
        return pattern;
    if (mode == kFindModeHex) {
        const auto digits = static_cast<int64_t>(std::wcslen(text));
        pattern.resize(static_cast<size_t>((digits + 1) / 2));
        if (!ParseHexPattern(text, pattern.data(), static_cast<int64_t>(pattern.size())))
            pattern.clear();
        return pattern;
    }
    std::vector<char16_t> units = ToUtf16(text);
    if (code_page == -1) {
        for (char16_t u : units) {
            pattern.push_back(static_cast<uint8_t>(u & 0xFF));
            pattern.push_back(static_cast<uint8_t>(u >> 8));
        }
        return pattern;
    }
    units.push_back(0);
    CodePageConverter& converter = PlatformCodePages();
    const auto count = static_cast<int64_t>(units.size());
    const int64_t size =
        converter.Convert(static_cast<uint32_t>(code_page), units.data(), count, nullptr, 0);
    if (size <= 0)
        return pattern;
    pattern.assign(static_cast<size_t>(size), 0);
    if (converter.Convert(static_cast<uint32_t>(code_page), units.data(), count, pattern.data(),
                          size) != size) {
        pattern.clear();
        return pattern;
    }
    pattern.resize(static_cast<size_t>(size - 1)); // the terminator is not searched for
    return pattern;
}

SearchRequest::SearchRequest(CallBackInfo* doc, int64_t from)
    : m_p_document(doc), m_n_from(from),
      m_snapshot(doc != nullptr && doc->m_p_data_plane != nullptr ? doc->m_p_data_plane->Snapshot()
                                                                  : PlaneSnapshot()) {}

int64_t SearchStart(const CallBackInfo* doc, int direction) {
    const int64_t lo =
        doc->m_n_sel_anchor < doc->m_n_sel_active ? doc->m_n_sel_anchor : doc->m_n_sel_active;
    const int64_t hi =
        doc->m_n_sel_anchor < doc->m_n_sel_active ? doc->m_n_sel_active : doc->m_n_sel_anchor;
    return direction ? lo : hi - 1;
}

int64_t SearchForward(SearchRequest* request, const SearchMatcher& matcher, int64_t* length) {
    CallBackInfo* doc = request->m_p_document;
    if (length != nullptr)
        *length = 0;
    if (doc == nullptr)
        return -1;
    const int64_t size = request->m_snapshot.Size(); // the data as the search sees it
    int64_t pos = request->m_n_from + 1;
    if (pos <= 0)
        pos = 0;
    doc->m_n_progress_total = size / 65536;
    doc->m_n_progress_pos = pos / 65536;
    int64_t found = -1;
    size_t matched = 0;
    const auto least = static_cast<int64_t>(matcher.MinLength());
    if (least > 0 && size - pos >= least) {
        std::unique_ptr<SpanReader> reader = MakeReader(doc);
        const Stream stream{doc, request->m_snapshot, reader.get(), &request->m_b_stop};
        found = StreamForward(stream, matcher, pos, &matched);
    }
    if (found >= 0) {
        request->m_n_from = found;
        if (length != nullptr)
            *length = static_cast<int64_t>(matched);
    }
    return found;
}

int64_t SearchBackward(SearchRequest* request, const SearchMatcher& matcher, int64_t* length) {
    CallBackInfo* doc = request->m_p_document;
    if (length != nullptr)
        *length = 0;
    if (doc == nullptr)
        return -1;
    const int64_t size = request->m_snapshot.Size(); // the data as the search sees it
    int64_t e = request->m_n_from;
    if (e > size - 1)
        e = size - 1;
    doc->m_n_progress_total = size / 65536;
    doc->m_n_progress_pos = e / 65536;
    int64_t found = -1;
    size_t matched = 0;
    const auto least = static_cast<int64_t>(matcher.MinLength());
    if (least > 0 && e >= least - 1) {
        std::unique_ptr<SpanReader> reader = MakeReader(doc);
        const Stream stream{doc, request->m_snapshot, reader.get(), &request->m_b_stop};
        found = StreamBackward(stream, matcher, e, &matched);
    }
    if (found >= 0) {
        request->m_n_from = found + static_cast<int64_t>(matched) - 1;
        if (length != nullptr)
            *length = static_cast<int64_t>(matched);
    }
    return found;
}

int64_t SearchForward(SearchRequest* request, const uint8_t* pattern, int64_t n) {
    const uint8_t none = 0;
    const bool empty = n <= 0 || pattern == nullptr;
    return SearchForward(
        request, *MakeExactMatcher(empty ? &none : pattern, empty ? 0 : static_cast<size_t>(n)),
        nullptr);
}

int64_t SearchBackward(SearchRequest* request, const uint8_t* pattern, int64_t n) {
    const uint8_t none = 0;
    const bool empty = n <= 0 || pattern == nullptr;
    return SearchBackward(
        request, *MakeExactMatcher(empty ? &none : pattern, empty ? 0 : static_cast<size_t>(n)),
        nullptr);
}

SnapshotSearch::SnapshotSearch(CallBackInfo* doc, const PlaneSnapshot& snapshot,
                               const SearchMatcher& matcher, const std::atomic<int>* stop)
    : m_p_doc(doc), m_snapshot(snapshot), m_matcher(matcher), m_p_stop(stop),
      m_p_reader(doc != nullptr ? MakeReader(doc) : nullptr) {}

SnapshotSearch::~SnapshotSearch() = default;

int64_t SearchSnapshotForward(SnapshotSearch* search, int64_t from, int64_t* length) {
    if (length != nullptr)
        *length = 0;
    const auto least = static_cast<int64_t>(search->m_matcher.MinLength());
    const int64_t size = search->m_snapshot.Size();
    if (from < 0)
        from = 0;
    if (search->m_p_reader == nullptr || least <= 0 || size - from < least)
        return -1;
    if (search->m_p_doc != nullptr)
        search->m_p_doc->m_n_progress_total = size / 65536;
    const Stream stream{search->m_p_doc, search->m_snapshot, search->m_p_reader.get(),
                        search->m_p_stop};
    size_t matched = 0;
    const int64_t found = StreamForward(stream, search->m_matcher, from, &matched);
    if (found >= 0 && length != nullptr)
        *length = static_cast<int64_t>(matched);
    return found;
}

int64_t FindPattern(SearchRequest* request, int mode, const wchar_t* text, int direction,
                    int64_t* end, int32_t code_page) {
    if (end != nullptr)
        *end = -1;
    if (request->m_p_document == nullptr)
        return -1;
    // Backwards from before the first byte there is nothing to search.
    if (!direction && request->m_n_from < 0)
        return -1;
    const std::vector<uint8_t> pattern = BuildFindPattern(mode, text, code_page);
    const auto n = static_cast<int64_t>(pattern.size());
    const int64_t p = direction ? SearchForward(request, pattern.data(), n)
                                : SearchBackward(request, pattern.data(), n);
    if (p >= 0 && end != nullptr)
        *end = p + n - 1;
    return p;
}

int SelectFoundMatch(CallBackInfo* doc, ViewState* state, int direction, int64_t p, int64_t end) {
    // The document may have been edited while a worker searched its snapshot:
    // a match no longer inside the data is not selected.
    if (doc != nullptr && end >= doc->m_n_data_size)
        p = -1;
    if (doc == nullptr || p < 0) {
        GoToOffset(doc, -1);
        ExtendToOffset(doc, -1);
        return 0;
    }
    const int64_t top = doc->m_n_top_line * 16;
    if (direction) {
        const int64_t line_height = doc->m_n_line_height > 0 ? doc->m_n_line_height : 1;
        const int64_t rows = CurrentViewHost()->WindowHeight() / line_height - 1;
        const bool visible = top <= p && p < (doc->m_n_top_line + rows) * 16;
        if (!visible) {
            const int64_t t = p / 16 - 2;
            ScrollToLine(doc, t);
            SyncThumb(doc, state, t < 0 ? 0 : t);
        }
    } else if (p < top) {
        const int64_t t = p / 16 - 2;
        ScrollToLine(doc, t > 0 ? t : 0);
        SyncThumb(doc, state, t > 0 ? t : 0);
    }
    GoToOffset(doc, p);
    ExtendToOffset(doc, end);
    return 1;
}

namespace {

int FindAndSelect(CallBackInfo* doc, ViewState* state, const wchar_t* text, int mode,
                  int32_t code_page, int direction) {
    int64_t end = -1;
    int64_t p = -1;
    if (doc != nullptr) {
        SearchRequest request(doc, SearchStart(doc, direction));
        p = FindPattern(&request, mode, text, direction, &end, code_page);
    }
    return SelectFoundMatch(doc, state, direction, p, end);
}

} // namespace

int FindNext(CallBackInfo* doc, ViewState* state, const wchar_t* text, int mode,
             int32_t code_page) {
    return FindAndSelect(doc, state, text, mode, code_page, 1);
}

int FindPrevious(CallBackInfo* doc, ViewState* state, const wchar_t* text, int mode,
                 int32_t code_page) {
    return FindAndSelect(doc, state, text, mode, code_page, 0);
}

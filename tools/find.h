// Find: the byte pattern of a hex or text search, the forward and backward
// search over the current document's effective bytes, and the selection of
// the match. The dialog around it lives in tools/win32.
#pragma once

#include "data/plane_snapshot.h"
#include "tools/pattern_matcher.h"
#include "tools/search_matcher.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class CallBackInfo;
struct ViewState;

struct FindCodePage {
    const wchar_t* m_sz_name;
    int32_t m_n_code_page; // -1: the text's own UTF-16 code units
};
extern const FindCodePage FindCodePages[4];

enum : int { kFindModeHex = 0, kFindModeText = 2, kFindModeValue = 3 };

// What the dialog remembers for the life of the program.
struct RememberedFind {
    std::wstring m_sz_pattern;
    int m_b_has_pattern = 0; // no pattern text at start-up
    int m_n_mode = 1007;     // ID of the last clicked radio button
};
RememberedFind& FindMemory();

// 1 for a hex digit of either case.
int IsHexDigit(wchar_t ch);
// Fills count bytes from the digits, pairing them from the right end; a lone
// leading digit becomes a byte of its own when count asks for it. 0 (and the
// bytes left zero) when a character is not a hex digit.
int ParseHexPattern(const wchar_t* text, uint8_t* bytes, int64_t count);
// Where the hex-mode filter cuts the text: the index of the first character
// that is not a hex digit, or the text's length.
size_t HexFilterCut(const wchar_t* text);

// The byte pattern of a search: mode 0 hex (an odd number of digits reads as
// if a 0 stood in front), mode 2 text in a code page of FindCodePages.
// An empty result finds nothing.
std::vector<uint8_t> BuildFindPattern(int mode, const wchar_t* text, int32_t code_page);

// One search over a document: where it starts and a stop flag that the
// interface thread may set while a worker runs it. Only the thread that runs
// the search writes m_n_from once the search has begun (a match moves it
// there, so a repeated search goes on past it). The search reads the
// overlay's snapshot taken when the request was made (on the interface
// thread), so the document may be edited while a worker runs it.
struct SearchRequest {
    SearchRequest(CallBackInfo* doc, int64_t from);
    CallBackInfo* const m_p_document;
    int64_t m_n_from;
    std::atomic<int> m_b_stop{0};
    PlaneSnapshot m_snapshot;
};

// Where a search in the direction (1 forward, 0 backward) starts from the
// document's selection: forward its first byte, after which the search
// begins; backward the byte before its last (-1: nothing lies before).
int64_t SearchStart(const CallBackInfo* doc, int direction);

// Searches of the request's document from m_n_from (forward: windows
// beginning after it; backward: windows ending at it or before). They return
// the match's first offset or -1 and keep the progress counters; the
// request's stop flag ends them early.
int64_t SearchForward(SearchRequest* request, const uint8_t* pattern, int64_t n);
int64_t SearchBackward(SearchRequest* request, const uint8_t* pattern, int64_t n);
// The same with any matcher; *length gets the match's length in bytes (a
// text found without case may be longer or shorter than its pattern).
// Backward, m_n_from then holds the match's last offset.
int64_t SearchForward(SearchRequest* request, const SearchMatcher& matcher, int64_t* length);
int64_t SearchBackward(SearchRequest* request, const SearchMatcher& matcher, int64_t* length);

class SpanReader;

// A forward search over a snapshot that is asked again and again for the next
// match (listing or replacing every match): it keeps its reader, and so the
// block last read, between calls. The document gives the source and gets the
// progress counters; the snapshot, the matcher and the stop flag (null: never
// stopped) must outlive it. Used on one thread at a time.
class SnapshotSearch {
  public:
    SnapshotSearch(CallBackInfo* doc, const PlaneSnapshot& snapshot, const SearchMatcher& matcher,
                   const std::atomic<int>* stop);
    ~SnapshotSearch();
    SnapshotSearch(const SnapshotSearch&) = delete;
    SnapshotSearch& operator=(const SnapshotSearch&) = delete;

  private:
    friend int64_t SearchSnapshotForward(SnapshotSearch* search, int64_t from, int64_t* length);
    CallBackInfo* m_p_doc;
    const PlaneSnapshot& m_snapshot;
    const SearchMatcher& m_matcher;
    const std::atomic<int>* m_p_stop;
    std::unique_ptr<SpanReader> m_p_reader;
};

// The first match that starts at from or after it (from < 0 counts as 0):
// its offset with *length its length, or -1 when there is none or the stop
// flag was set. Matches that overlap are all found: ask again from the
// match's offset + 1, or from its end for matches that do not overlap.
int64_t SearchSnapshotForward(SnapshotSearch* search, int64_t from, int64_t* length);

// Converts the text and searches from the request's start in the direction
// (1 forward, 0 backward); *end gets the match's last offset.
int64_t FindPattern(SearchRequest* request, int mode, const wchar_t* text, int direction,
                    int64_t* end, int32_t code_page);
// Selects a match of the given direction (scrolling it into view as the
// buttons do); with p = -1 it only repaints. 1 when a match was selected.
int SelectFoundMatch(CallBackInfo* doc, ViewState* state, int direction, int64_t p, int64_t end);
// A search from the document's selection followed by SelectFoundMatch.
int FindNext(CallBackInfo* doc, ViewState* state, const wchar_t* text, int mode, int32_t code_page);
int FindPrevious(CallBackInfo* doc, ViewState* state, const wchar_t* text, int mode,
                 int32_t code_page);

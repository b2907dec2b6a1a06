// Replacing matches: the selected match (Replace) and every match of a forward
// pass (Replace all). The pass runs over a snapshot on a worker and only
// collects; the edit is made afterwards on the window's thread as one bulk
// step, so a stopped pass leaves the document as it was and one Undo takes
// all the replacements back.
#pragma once

#include "data/edit_history.h"
#include "tools/find.h"

#include <cstdint>
#include <vector>

class CallBackInfo;

// The replacements of one Replace all: left to right, not overlapping, each
// pointing into the one buffer of replacement bytes.
struct ReplacePlan {
    std::vector<uint8_t> m_with;
    std::vector<BulkReplacement> m_replacements;
};

// Walks the search's snapshot from its start and plans a replacement for
// each match, going on after the end of the one before. 1 when the pass
// reached the end (no match leaves the plan empty); 0 when it was stopped or
// memory ran short, with the plan emptied.
int CollectReplacements(SnapshotSearch* search, const std::atomic<int>* stop,
                        std::vector<uint8_t> with, ReplacePlan* plan);

// Makes the plan's replacements as one undo step: 1, or 0 with nothing
// changed (an empty plan, or the document refused the edit).
int ApplyReplacements(CallBackInfo* doc, const ReplacePlan& plan);

// When the document's selection is exactly one match of the matcher, replaces
// it by with and returns 1 with *after the offset just past the new bytes;
// 0 when the selection is no match or the edit was refused.
int ReplaceSelectedMatch(CallBackInfo* doc, const SearchMatcher& matcher,
                         const std::vector<uint8_t>& with, int64_t* after);

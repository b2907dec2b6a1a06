// Replace and Replace all over the block search.
#include "tools/replace_all.h"

#include "data/document.h"
#include "view/selection.h"

#include <new>
#include <utility>

int CollectReplacements(SnapshotSearch* search, const std::atomic<int>* stop,
                        std::vector<uint8_t> with, ReplacePlan* plan) {
    plan->m_with = std::move(with);
    plan->m_replacements.clear();
    const uint8_t* bytes = plan->m_with.empty() ? nullptr : plan->m_with.data();
    const auto length = static_cast<int64_t>(plan->m_with.size());
    int64_t from = 0;
    try {
        for (;;) {
            int64_t matched = 0;
            const int64_t at = SearchSnapshotForward(search, from, &matched);
            if (at < 0)
                break;
            plan->m_replacements.push_back({at, matched, bytes, length});
            from = at + (matched > 0 ? matched : 1);
        }
    } catch (const std::bad_alloc&) {
        plan->m_replacements = {};
        return 0;
    }
    if (stop != nullptr && stop->load() != 0) {
        plan->m_replacements = {};
        return 0;
    }
    return 1;
}

int ApplyReplacements(CallBackInfo* doc, const ReplacePlan& plan) {
    if (doc == nullptr || plan.m_replacements.empty())
        return 0;
    return doc->ReplaceMany(plan.m_replacements.data(), plan.m_replacements.size());
}

int ReplaceSelectedMatch(CallBackInfo* doc, const SearchMatcher& matcher,
                         const std::vector<uint8_t>& with, int64_t* after) {
    const int64_t lo = SelectionStart(doc);
    const int64_t hi = SelectionEnd(doc);
    if (doc == nullptr || lo < 0 || hi < lo)
        return 0;
    const int64_t count = hi - lo + 1;
    if (count < static_cast<int64_t>(matcher.MinLength()) ||
        count > static_cast<int64_t>(matcher.MaxLength()))
        return 0;
    std::vector<uint8_t> selected(static_cast<size_t>(count));
    if (ReadEffectiveSpan(doc, lo, selected.data(), count, doc->Source()) != count)
        return 0;
    size_t matched = 0;
    if (matcher.First(selected.data(), selected.size(), &matched) != 0 ||
        matched != selected.size())
        return 0;
    const auto length = static_cast<int64_t>(with.size());
    if (!doc->Replace(lo, count, with.empty() ? nullptr : with.data(), length))
        return 0;
    *after = lo + length;
    return 1;
}

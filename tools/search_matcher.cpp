// The matchers behind the one search interface.
#include "tools/search_matcher.h"

#include "tools/pattern_matcher.h"

#include <utility>

namespace {

// Matchers whose matches all have the pattern's length.
template <class Matcher> class FixedLength : public SearchMatcher {
  public:
    template <class... Args>
    explicit FixedLength(Args&&... args) : m_matcher(std::forward<Args>(args)...) {}
    int64_t First(const uint8_t* data, size_t length, size_t* matched) const override {
        return Report(m_matcher.First(data, length), matched);
    }
    int64_t Last(const uint8_t* data, size_t length, size_t* matched) const override {
        return Report(m_matcher.Last(data, length), matched);
    }
    size_t MinLength() const override { return m_matcher.Size(); }
    size_t MaxLength() const override { return m_matcher.Size(); }

  private:
    int64_t Report(int64_t p, size_t* matched) const {
        if (p >= 0 && matched != nullptr)
            *matched = m_matcher.Size();
        return p;
    }
    Matcher m_matcher;
};

class Folded : public SearchMatcher {
  public:
    Folded(const uint8_t* pattern, size_t n, FoldEncoding encoding)
        : m_matcher(pattern, n, encoding) {}
    int64_t First(const uint8_t* data, size_t length, size_t* matched) const override {
        return m_matcher.First(data, length, matched);
    }
    int64_t Last(const uint8_t* data, size_t length, size_t* matched) const override {
        return m_matcher.Last(data, length, matched);
    }
    size_t MinLength() const override { return m_matcher.MinLength(); }
    size_t MaxLength() const override { return m_matcher.MaxLength(); }

  private:
    FoldedMatcher m_matcher;
};

} // namespace

std::unique_ptr<SearchMatcher> MakeExactMatcher(const uint8_t* pattern, size_t n) {
    return std::make_unique<FixedLength<PatternMatcher>>(pattern, n);
}

std::unique_ptr<SearchMatcher> MakeMaskedMatcher(MaskedPattern pattern) {
    return std::make_unique<FixedLength<MaskedMatcher>>(std::move(pattern));
}

std::unique_ptr<SearchMatcher> MakeFoldedMatcher(const uint8_t* pattern, size_t n,
                                                 FoldEncoding encoding) {
    return std::make_unique<Folded>(pattern, n, encoding);
}

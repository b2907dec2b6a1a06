// PatternMatcher on single buffers, with the vector scan and the portable one:
// the first and last windows agree with a plain comparison at every length,
// alignment and pattern shape, and no byte outside the buffer is read (the
// buffers are exactly their length, so the sanitizer build sees overreads).
#include "tools/pattern_matcher.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>
#include <vector>

namespace {

int64_t PlainFirst(const uint8_t* data, size_t length, const std::vector<uint8_t>& pat) {
    for (size_t p = 0; p + pat.size() <= length; ++p)
        if (std::equal(pat.begin(), pat.end(), data + p))
            return static_cast<int64_t>(p);
    return -1;
}

int64_t PlainLast(const uint8_t* data, size_t length, const std::vector<uint8_t>& pat) {
    for (size_t p = length >= pat.size() ? length - pat.size() + 1 : 0; p-- > 0;)
        if (std::equal(pat.begin(), pat.end(), data + p))
            return static_cast<int64_t>(p);
    return -1;
}

// A heap copy of exactly the bytes, so reading past the end is an error.
std::unique_ptr<uint8_t[]> Exact(const std::vector<uint8_t>& bytes) {
    std::unique_ptr<uint8_t[]> copy(new uint8_t[bytes.size() + (bytes.empty() ? 1 : 0)]);
    std::copy(bytes.begin(), bytes.end(), copy.get());
    return copy;
}

class Matcher : public ::testing::TestWithParam<int> {
  protected:
    void Check(const std::vector<uint8_t>& data, const std::vector<uint8_t>& pat) {
        PatternMatcher m(pat.data(), pat.size(), GetParam());
        auto exact = Exact(data);
        ASSERT_EQ(PlainFirst(exact.get(), data.size(), pat), m.First(exact.get(), data.size()))
            << "length " << data.size() << " pattern " << pat.size();
        ASSERT_EQ(PlainLast(exact.get(), data.size(), pat), m.Last(exact.get(), data.size()))
            << "length " << data.size() << " pattern " << pat.size();
    }
};

} // namespace

TEST_P(Matcher, RandomBuffersAgreeWithAPlainSearch) {
    std::mt19937 rng(7);
    for (int round = 0; round < 3000; ++round) {
        std::vector<uint8_t> data(rng() % 400);
        const int alphabet = 1 + static_cast<int>(rng() % 4);
        for (auto& b : data)
            b = static_cast<uint8_t>(0x61 + rng() % static_cast<uint32_t>(alphabet));
        std::vector<uint8_t> pat(1 + rng() % 90);
        if (rng() % 2 && pat.size() <= data.size()) {
            const size_t at = rng() % (data.size() - pat.size() + 1);
            std::copy(data.begin() + static_cast<std::ptrdiff_t>(at),
                      data.begin() + static_cast<std::ptrdiff_t>(at + pat.size()), pat.begin());
        } else {
            for (auto& b : pat)
                b = static_cast<uint8_t>(0x61 + rng() % static_cast<uint32_t>(alphabet));
        }
        Check(data, pat);
    }
}

// One occurrence at every position of buffers whose lengths cross the scan's
// 16- and 64-position blocks: the first, the last and every window between.
TEST_P(Matcher, LoneOccurrenceAtEveryPosition) {
    for (size_t n : {1u, 2u, 5u, 16u, 17u, 63u, 64u, 65u}) {
        std::vector<uint8_t> pat(n);
        for (size_t i = 0; i < n; ++i)
            pat[i] = static_cast<uint8_t>(0xA0 + i % 7);
        for (size_t length : {n, n + 1, n + 15, n + 16, n + 63, n + 64, n + 130}) {
            for (size_t at = 0; at + n <= length; ++at) {
                std::vector<uint8_t> data(length, 0x11);
                std::copy(pat.begin(), pat.end(), data.begin() + static_cast<std::ptrdiff_t>(at));
                PatternMatcher m(pat.data(), n, GetParam());
                auto exact = Exact(data);
                ASSERT_EQ(static_cast<int64_t>(at), m.First(exact.get(), length))
                    << "n " << n << " length " << length;
                ASSERT_EQ(static_cast<int64_t>(at), m.Last(exact.get(), length))
                    << "n " << n << " length " << length;
            }
        }
    }
}

// Patterns whose first bytes repeat, in data that is mostly that byte: the
// anchors pass many windows and only a full comparison decides.
TEST_P(Matcher, RunsOfOneByteValue) {
    std::vector<uint8_t> data(300, 'a');
    data[150] = 'b';
    data[299] = 'b';
    Check(data, {'a', 'a', 'a', 'b'});
    Check(data, {'b', 'a', 'a', 'a'});
    Check(data, {'a', 'a', 'a', 'a'});
    Check(data, std::vector<uint8_t>(149, 'a'));
    Check(data, std::vector<uint8_t>(150, 'a'));
    Check(data, std::vector<uint8_t>(151, 'a'));
    std::vector<uint8_t> wrapped(60, 'a');
    wrapped.front() = 'b';
    wrapped.back() = 'b';
    Check(data, wrapped);
    Check(data, {'b'});
    Check(std::vector<uint8_t>(5, 'a'), std::vector<uint8_t>(6, 'a'));
    Check({}, {'a'});
}

INSTANTIATE_TEST_SUITE_P(ScanKinds, Matcher, ::testing::Values(1, 0),
                         [](const ::testing::TestParamInfo<int>& kind) {
                             return kind.param ? std::string("Vector") : std::string("Portable");
                         });

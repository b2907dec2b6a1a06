// The inspector's value texts in both byte orders, at the end of the data, and
// the parsing of typed values with their limits.
#include "tools/value_decoder.h"
#include "tools/value_parser.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

namespace {

std::wstring Text(int type, std::vector<uint8_t> bytes, int big = 0) {
    return DecodeValue(type, bytes.data(), static_cast<int>(bytes.size()), big,
                       Windows1252CharSet());
}

std::vector<uint8_t> Bytes(int type, const wchar_t* text, int big = 0) {
    uint8_t out[kInspectorSpan] = {};
    int length = 0;
    std::wstring reason;
    if (!EncodeValue(type, text, big, out, &length, &reason, Windows1252CharSet())) {
        return {};
    }
    return std::vector<uint8_t>(out, out + length);
}

std::wstring Reason(int type, const wchar_t* text) {
    uint8_t out[kInspectorSpan] = {};
    int length = 0;
    std::wstring reason;
    EXPECT_EQ(0, EncodeValue(type, text, 0, out, &length, &reason, Windows1252CharSet()));
    return reason;
}

} // namespace

TEST(ValueDecoder, IntegersInBothOrders) {
    const std::vector<uint8_t> b = {0xFE, 0xFF, 0xFF, 0x7F, 0x01, 0x00, 0x00, 0x80};
    EXPECT_EQ(L"11111110", Text(kTypeBinary, b));
    EXPECT_EQ(L"-2", Text(kTypeInt8, b));
    EXPECT_EQ(L"254", Text(kTypeUInt8, b));
    EXPECT_EQ(L"-2", Text(kTypeInt16, b));
    EXPECT_EQ(L"65534", Text(kTypeUInt16, b));
    EXPECT_EQ(L"65279", Text(kTypeUInt16, b, 1)); // 0xFEFF
    EXPECT_EQ(L"-257", Text(kTypeInt16, b, 1));
    EXPECT_EQ(L"2147483646", Text(kTypeInt32, b));   // 0x7FFFFFFE
    EXPECT_EQ(L"-16777345", Text(kTypeInt32, b, 1)); // 0xFEFFFF7F
    EXPECT_EQ(L"4278189951", Text(kTypeUInt32, b, 1));
    EXPECT_EQ(L"-9223372030412324866",
              Text(kTypeInt64, b)); // 0x800000017FFFFFFE, as Python struct reads it
    EXPECT_EQ(L"9223372043297226750", Text(kTypeUInt64, b));
    EXPECT_EQ(L"18374685925637619840", Text(kTypeUInt64, b, 1)); // 0xFEFFFF7F01000080
}

TEST(ValueDecoder, FloatsAsTheStandardLibraryRoundTripsThem) {
    auto f32 = [](float v, int big) {
        uint32_t bits = 0;
        std::memcpy(&bits, &v, 4);
        std::vector<uint8_t> b(4);
        for (int i = 0; i < 4; ++i) {
            b[big ? 3 - i : i] = static_cast<uint8_t>(bits >> (8 * i));
        }
        return Text(kTypeFloat32, b, big);
    };
    EXPECT_EQ(L"1.5", f32(1.5f, 0));
    EXPECT_EQ(L"1.5", f32(1.5f, 1));
    EXPECT_EQ(L"0.1", f32(0.1f, 0));
    EXPECT_EQ(L"-Infinity", f32(-std::numeric_limits<float>::infinity(), 0));
    EXPECT_EQ(L"1e-45", f32(std::numeric_limits<float>::denorm_min(), 0));
    EXPECT_EQ(L"NaN", Text(kTypeFloat32, {0x00, 0x00, 0xC0, 0x7F}));
    // 0x3FF0000000000001: the double just above 1.
    EXPECT_EQ(L"1.0000000000000002", Text(kTypeFloat64, {1, 0, 0, 0, 0, 0, 0xF0, 0x3F}));
    EXPECT_EQ(L"5e-324", Text(kTypeFloat64, {1, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(L"Infinity", Text(kTypeFloat64, {0x7F, 0xF0, 0, 0, 0, 0, 0, 0}, 1));
}

TEST(ValueDecoder, Characters) {
    EXPECT_EQ(L"A (U+0041)", Text(kTypeAnsiChar, {0x41}));
    EXPECT_EQ(L"\u20AC (U+20AC)", Text(kTypeAnsiChar, {0x80}));
    EXPECT_EQ(L"U+0009", Text(kTypeAnsiChar, {0x09}));
    // UTF-8: the whole sequence, or "invalid".
    EXPECT_EQ(L"\u20AC (U+20AC)", Text(kTypeUtf8, {0xE2, 0x82, 0xAC, 0x41}));
    EXPECT_EQ(L"invalid", Text(kTypeUtf8, {0xE2, 0x41, 0xAC}));
    EXPECT_EQ(L"invalid", Text(kTypeUtf8, {0xC0, 0x80}));       // overlong
    EXPECT_EQ(L"invalid", Text(kTypeUtf8, {0xED, 0xA0, 0x80})); // a surrogate
    EXPECT_EQ(L"\u2014", Text(kTypeUtf8, {0xF0, 0x9F, 0x98}));  // cut by the end
    // UTF-16: a surrogate pair is read whole.
    const std::wstring grin = Text(kTypeUtf16, {0x3D, 0xD8, 0x00, 0xDE});
    EXPECT_NE(std::wstring::npos, grin.find(L"(U+1F600)"));
    EXPECT_EQ(grin, Text(kTypeUtf8, {0xF0, 0x9F, 0x98, 0x80}));
    EXPECT_EQ(L"A (U+0041)", Text(kTypeUtf16, {0x00, 0x41}, 1));
    EXPECT_EQ(L"invalid", Text(kTypeUtf16, {0x00, 0xDE, 0x41, 0x00}));
    EXPECT_EQ(L"\u2014", Text(kTypeUtf16, {0x3D, 0xD8, 0x00}));
}

TEST(ValueDecoder, Leb128) {
    EXPECT_EQ(L"624485", Text(kTypeUleb128, {0xE5, 0x8E, 0x26}));
    EXPECT_EQ(L"-123456", Text(kTypeSleb128, {0xC0, 0xBB, 0x78}));
    EXPECT_EQ(L"-1", Text(kTypeSleb128, {0x7F}));
    EXPECT_EQ(L"127", Text(kTypeUleb128, {0x7F}));
    EXPECT_EQ(L"18446744073709551615",
              Text(kTypeUleb128, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x01}));
    EXPECT_EQ(L"invalid",
              Text(kTypeUleb128, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x02}));
    EXPECT_EQ(L"\u2014", Text(kTypeUleb128, {0x80, 0x80}));
}

TEST(ValueDecoder, Times) {
    // 2024-02-29 13:45:30: date 0x585D, time 0x6DAF; stored time first.
    EXPECT_EQ(L"2024-02-29 13:45:30", Text(kTypeDosDateTime, {0xAF, 0x6D, 0x5D, 0x58}));
    EXPECT_EQ(L"2024-02-29 13:45:30", Text(kTypeDosDateTime, {0x58, 0x5D, 0x6D, 0xAF}, 1));
    EXPECT_EQ(L"invalid", Text(kTypeDosDateTime, {0, 0, 0, 0})); // month 0
    // 116444736000000000 = 0x019DB1DED53E8000 is 1970-01-01.
    EXPECT_EQ(L"1970-01-01 00:00:00 UTC",
              Text(kTypeFileTime, {0x00, 0x80, 0x3E, 0xD5, 0xDE, 0xB1, 0x9D, 0x01}));
    EXPECT_EQ(L"1601-01-01 00:00:00.0000001 UTC", Text(kTypeFileTime, {1, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(L"invalid", Text(kTypeFileTime, {0, 0, 0, 0, 0, 0, 0, 0x80}));
    EXPECT_EQ(L"2038-01-19 03:14:07 UTC", Text(kTypeUnixTime32, {0xFF, 0xFF, 0xFF, 0x7F}));
    EXPECT_EQ(L"1901-12-13 20:45:52 UTC", Text(kTypeUnixTime32, {0x80, 0, 0, 0}, 1));
    EXPECT_EQ(L"2001-09-09 01:46:40 UTC", // 1000000000
              Text(kTypeUnixTime64, {0x00, 0xCA, 0x9A, 0x3B, 0, 0, 0, 0}));
    EXPECT_EQ(L"out of range", Text(kTypeUnixTime64, {0, 0, 0, 0, 0, 0, 0, 0x7F}));
}

TEST(ValueDecoder, Guid) {
    std::vector<uint8_t> b(16);
    for (int i = 0; i < 16; ++i) {
        b[static_cast<size_t>(i)] = static_cast<uint8_t>(i * 0x11);
    }
    EXPECT_EQ(L"{33221100-5544-7766-8899-AABBCCDDEEFF}", Text(kTypeGuid, b));
    EXPECT_EQ(L"{00112233-4455-6677-8899-AABBCCDDEEFF}", Text(kTypeGuid, b, 1));
    EXPECT_EQ(b, Bytes(kTypeGuid, L"{33221100-5544-7766-8899-aabbccddeeff}"));
}

// Types longer than the bytes left (the end of the data or an unreadable byte)
// show the dash and nothing else; those that fit still show their value.
TEST(ValueDecoder, TooFewBytesGiveTheDash) {
    const std::vector<uint8_t> three = {1, 2, 3};
    for (int type = 0; type < kInspectorTypeCount; ++type) {
        const std::wstring text = Text(type, three);
        const bool fits = type == kTypeBinary || type == kTypeInt8 || type == kTypeUInt8 ||
                          type == kTypeInt16 || type == kTypeUInt16 || type == kTypeAnsiChar ||
                          type == kTypeUtf8 || type == kTypeUtf16 || type == kTypeUleb128 ||
                          type == kTypeSleb128;
        EXPECT_EQ(fits, text != kNoValue) << InspectorTypeName(type);
        EXPECT_EQ(kNoValue, Text(type, {})) << InspectorTypeName(type);
    }
}

TEST(ValueDecoder, ParsingKeepsToTheLimits) {
    EXPECT_EQ(L"Out of range (-128 to 127)", Reason(kTypeInt8, L"128"));
    EXPECT_EQ((std::vector<uint8_t>{0x80}), Bytes(kTypeInt8, L"-128"));
    EXPECT_EQ((std::vector<uint8_t>{0xFF, 0xFF}), Bytes(kTypeUInt16, L"65535"));
    EXPECT_EQ(L"Out of range (0 to 65535)", Reason(kTypeUInt16, L"65536"));
    EXPECT_EQ(L"Out of range (0 to 65535)", Reason(kTypeUInt16, L"-1"));
    EXPECT_EQ(L"Not a whole number", Reason(kTypeUInt32, L"12a"));
    EXPECT_EQ((std::vector<uint8_t>{0x12, 0x34, 0x56, 0x78}), Bytes(kTypeUInt32, L"0x12345678", 1));
    EXPECT_EQ((std::vector<uint8_t>{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}),
              Bytes(kTypeUInt64, L"18446744073709551615"));
    EXPECT_FALSE(Reason(kTypeUInt64, L"18446744073709551616").empty());
    EXPECT_EQ((std::vector<uint8_t>{0, 0, 0, 0, 0, 0, 0, 0x80}),
              Bytes(kTypeInt64, L"-9223372036854775808"));
    EXPECT_EQ(L"Out of range for Float32", Reason(kTypeFloat32, L"1e39"));
    EXPECT_EQ((std::vector<uint8_t>{0x3F, 0xC0, 0, 0}), Bytes(kTypeFloat32, L"1.5", 1));
    EXPECT_EQ(L"Not a number", Reason(kTypeFloat64, L"1.5x"));
    EXPECT_EQ(L"Before 1601-01-01", Reason(kTypeFileTime, L"1600-12-31 23:59:59"));
    EXPECT_EQ((std::vector<uint8_t>{1, 0, 0, 0, 0, 0, 0, 0}),
              Bytes(kTypeFileTime, L"1601-01-01 00:00:00.0000001 UTC"));
    EXPECT_EQ(L"No such date or time", Reason(kTypeUnixTime64, L"2023-02-29 00:00:00"));
    // Only what the row can show again: no year past the type's reach, no sign.
    EXPECT_FALSE(Reason(kTypeFileTime, L"30829-01-01 00:00:00").empty());
    EXPECT_FALSE(Reason(kTypeFileTime, L"80000-06-01 12:00:00").empty());
    EXPECT_FALSE(Reason(kTypeUnixTime64, L"10000-01-01 00:00:00").empty());
    EXPECT_FALSE(Reason(kTypeUnixTime64, L"+2024-01-01 00:00:00").empty());
    EXPECT_FALSE(Reason(kTypeUnixTime32, L"2038-01-19 03:14:08").empty());
    EXPECT_EQ(L"Seconds must be even", Reason(kTypeDosDateTime, L"2024-02-29 13:45:31"));
    EXPECT_EQ(L"Not in the ANSI code page", Reason(kTypeAnsiChar, L"\u0100"));
    EXPECT_EQ(L"Not one character", Reason(kTypeUtf8, L"AB"));
}

// What a row shows reads back to the bytes it was made from.
TEST(ValueDecoder, ShownTextsParseBackToTheirBytes) {
    const std::vector<std::vector<uint8_t>> samples = {
        {0xAF, 0x6D, 0x5D, 0x58, 0x3D, 0xD8, 0x00, 0xDE, 0, 0, 0, 0, 0, 0, 0, 0},
        {0xF0, 0x9F, 0x98, 0x80, 0xC0, 0xBB, 0x78, 0x01, 0xE5, 0x8E, 0x26, 0, 0, 0, 0, 0},
        {0x80, 0x41, 0x00, 0x00, 0x9A, 0x99, 0x99, 0x3F, 0x40, 0x01, 0x02, 3, 4, 5, 6, 7},
    };
    for (const auto& sample : samples) {
        for (int big = 0; big <= 1; ++big) {
            for (int type = 0; type < kInspectorTypeCount; ++type) {
                const std::wstring shown = Text(type, sample, big);
                if (shown == L"invalid" || shown == L"NaN" || shown == L"out of range") {
                    continue;
                }
                const std::vector<uint8_t> back = Bytes(type, shown.c_str(), big);
                ASSERT_FALSE(back.empty()) << InspectorTypeName(type) << " " << big << " "
                                           << testing::PrintToString(shown);
                EXPECT_TRUE(std::equal(back.begin(), back.end(), sample.begin()))
                    << InspectorTypeName(type) << " " << big;
            }
        }
    }
}

// A typed LEB128 value keeps the width of the padded encoding it replaces.
TEST(ValueDecoder, Leb128KeepsTheWidthThere) {
    const uint8_t padded[] = {0xF5, 0x8E, 0x00, 0x26};
    uint8_t out[kInspectorSpan] = {};
    int length = 0;
    std::wstring reason;
    ASSERT_EQ(1, EncodeValue(kTypeUleb128, L"1909", 0, out, &length, &reason));
    ASSERT_EQ(1, FitToCurrent(kTypeUleb128, padded, 4, 0, out, &length, &reason));
    EXPECT_EQ((std::vector<uint8_t>{0xF5, 0x8E, 0x00}), std::vector<uint8_t>(out, out + length));
    ASSERT_EQ(1, EncodeValue(kTypeSleb128, L"-2", 0, out, &length, &reason));
    ASSERT_EQ(1, FitToCurrent(kTypeSleb128, padded, 4, 0, out, &length, &reason));
    EXPECT_EQ((std::vector<uint8_t>{0xFE, 0xFF, 0x7F}), std::vector<uint8_t>(out, out + length));
    EXPECT_EQ(L"-2", Text(kTypeSleb128, {0xFE, 0xFF, 0x7F}));
    ASSERT_EQ(1, EncodeValue(kTypeUleb128, L"300000", 0, out, &length, &reason));
    EXPECT_EQ(0, FitToCurrent(kTypeUleb128, padded + 2, 2, 0, out, &length, &reason));
    EXPECT_EQ(L"Needs 3 bytes; the value there has 1", reason);
    // A space shows by number, and parses back.
    EXPECT_EQ(L"U+0020", Text(kTypeAnsiChar, {0x20}));
    EXPECT_EQ((std::vector<uint8_t>{0x20}), Bytes(kTypeUtf8, L"U+0020"));
}

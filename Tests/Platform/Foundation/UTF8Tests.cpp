#include "Platform/Foundation/UTF8.h"

#include <gtest/gtest.h>

using namespace std::string_view_literals;

// "?" stands for U+FFFD in the expected texts.
TEST(UTF8, EachMaximalIllFormedSubsequenceBecomesOneReplacement) {
    const struct {
        std::string_view bytes;
        std::string_view repaired;
    } cases[] = {
        {"", ""},
        {"관측 disk \xF0\x9F\x92\xBE", "관측 disk \xF0\x9F\x92\xBE"},
        {"a\0b"sv, "a\0b"sv},
        {"\xED\x9F\xBF\xEE\x80\x80\xF4\x8F\xBF\xBF", "\xED\x9F\xBF\xEE\x80\x80\xF4\x8F\xBF\xBF"},  // U+D7FF, U+E000, U+10FFFF
        // Truncated sequences: one replacement each, also when a valid character follows.
        {"\xC3", "?"},
        {"\xE2\x82", "?"},
        {"\xF0\x9F\x98", "?"},
        {"\xE2\x82" "A", "?A"},
        {"\xF0\x9F\x98\xC3\xA9", "?\xC3\xA9"},
        {"\xE1\x80\xE2\x82\xAC", "?\xE2\x82\xAC"},
        // Overlong forms, surrogates and code points past U+10FFFF: every byte is its own subsequence.
        {"\xC0\x80", "??"},
        {"\xC1\xBF", "??"},
        {"\xE0\x80\x80", "???"},
        {"\xF0\x80\x80\x80", "????"},
        {"\xED\xA0\x80", "???"},
        {"\xED\xBF\xBF", "???"},
        {"\xF4\x90\x80\x80", "????"},
        // Lone continuation bytes, and the bytes that never start a sequence.
        {"\x80", "?"},
        {"\x80\xBF", "??"},
        {"\xF5\x80\x80\x80", "????"},
        {"\xF8\xFC\xFE\xFF", "????"},
        // The sample of the Unicode standard, and a fault after a run of ASCII read eight at a time.
        {"\x61\xF1\x80\x80\xE1\x80\xC2\x62\x80\x63\x80\xBF\x64", "a???b?c??d"},
        {"ABCDEFGHIJ\x80K", "ABCDEFGHIJ?K"},
    };
    for (const auto& c : cases) {
        std::string expected;
        for (char ch : c.repaired) expected += ch == '?' ? "\xEF\xBF\xBD"sv : std::string_view(&ch, 1);
        const std::string bytes(c.bytes);
        EXPECT_EQ(platform::validUTF8(bytes), expected) << testing::PrintToString(bytes);
        EXPECT_EQ(platform::isUTF8(bytes), expected == bytes) << testing::PrintToString(bytes);
    }
}

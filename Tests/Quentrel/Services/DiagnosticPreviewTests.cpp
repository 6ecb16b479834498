#include "Quentrel/Services/DiagnosticPreview.h"

#include <gtest/gtest.h>

using quentrel::DiagnosticPreview;
using platform::Date;
namespace json = platform::json;

namespace {
DiagnosticPreview preview(std::string_view bytes, double createdAt = 700'000'000) {
    return {platform::Data(bytes.begin(), bytes.end()), Date{createdAt}};
}
}  // namespace

TEST(DiagnosticPreview, EqualOnlyWithTheSameBytesAndDate) {
    EXPECT_EQ(preview("{}"), preview("{}"));
    EXPECT_NE(preview("{}"), preview("{}", 700'000'001));
    EXPECT_NE(preview("{}"), preview("{ }"));
}

TEST(DiagnosticPreview, TextReplacesEachMaximalIllFormedSubpartOnce) {
    const struct {
        std::string_view bytes;
        std::string_view text;
    } cases[] = {
        {"{\"키\":\"값\"}", "{\"키\":\"값\"}"},
        {"", ""},
        // Truncated sequences are one subpart each, an unexpected continuation byte is its own.
        {"\x61\xF1\x80\x80\xE1\x80\xC2\x62\x80\x63\x80\xBF\x64",
         "a\uFFFD\uFFFD\uFFFDb\uFFFDc\uFFFD\uFFFDd"},
        {"\xC0\xAF", "\uFFFD\uFFFD"},                  // overlong: C0 never leads
        {"\xE0\x80\x80", "\uFFFD\uFFFD\uFFFD"},        // overlong three-byte form
        {"\xED\xA0\x80", "\uFFFD\uFFFD\uFFFD"},        // a surrogate
        {"\xF4\x90\x80\x80", "\uFFFD\uFFFD\uFFFD\uFFFD"},  // above U+10FFFF
        {"\xF0\x9F\x98", "\uFFFD"},                    // cut at the end
        {"x\xF0\x9F\x98\x80", "x\U0001F600"},
        {std::string_view("a\0b", 3), std::string_view("a\0b", 3)},
        {"\xFF", "\uFFFD"},
    };
    for (const auto& c : cases) EXPECT_EQ(preview(c.bytes).text(), c.text) << testing::PrintToString(c.bytes);
}

TEST(DiagnosticPreview, JSONHoldsBase64BytesAndANumericDate) {
    auto p = preview("{\"a\":1}\xFF", 700'000'000.25);
    const std::string text = json::encode(p);
    EXPECT_EQ(text, R"({"data":"eyJhIjoxff8=","createdAt":700000000.25})");
    EXPECT_EQ(json::decode<DiagnosticPreview>(text), p);
    EXPECT_THROW(json::decode<DiagnosticPreview>(R"({"data":"eyJhIjoxfQ"})"), json::DecodingError);
    EXPECT_THROW(json::decode<DiagnosticPreview>(R"({"createdAt":1})"), json::DecodingError);
}

#include "Platform/Foundation/JSONCoding.h"
#include "Platform/Foundation/JSONPretty.h"
#include "Platform/Foundation/JSONReader.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace platform;
namespace json = platform::json;

namespace {

enum class Colour { red, deepBlue };

struct Sample {
    std::uint64_t count = 0;
    std::optional<std::string> note;
    Colour colour = Colour::red;
    std::vector<Date> dates;

    friend bool operator==(const Sample&, const Sample&) = default;

    void encode(json::ObjectEncoder& e) const {
        e.field("count", count).field("note", note).field("colour", colour).field("dates", dates);
    }
    static Sample decode(const json::ObjectDecoder& d) {
        return {d.required<std::uint64_t>("count"), d.optional<std::string>("note"), d.required<Colour>("colour"),
                d.required<std::vector<Date>>("dates")};
    }
};

}  // namespace

template <>
struct platform::json::EnumStrings<Colour> {
    static constexpr std::pair<Colour, std::string_view> cases[] = {{Colour::red, "red"}, {Colour::deepBlue, "deepBlue"}};
};

TEST(JSONCoding, RecordsAreCompactInDeclarationOrderAndLeaveOutAbsentOptionals) {
    Sample s{7, std::nullopt, Colour::deepBlue, {Date{1.5}, Date{-2}}};
    EXPECT_EQ(json::encode(s), R"({"count":7,"colour":"deepBlue","dates":[1.5,-2.0]})");
    s.note = "a/b";
    EXPECT_EQ(json::encode(s), R"({"count":7,"note":"a/b","colour":"deepBlue","dates":[1.5,-2.0]})");
    EXPECT_EQ(json::decode<Sample>(json::encode(s)), s);
}

TEST(JSONCoding, MissingOrNullOptionalIsAbsentAndUnknownKeysAreIgnored) {
    auto s = json::decode<Sample>(R"({"extra":{"x":[1]},"note":null,"colour":"red","dates":[],"count":1})");
    EXPECT_EQ(s.note, std::nullopt);
    EXPECT_EQ(s.count, 1u);
    EXPECT_THROW(json::decode<Sample>(R"({"colour":"red","dates":[]})"), json::DecodingError);
    EXPECT_THROW(json::decode<Sample>(R"({"count":null,"colour":"red","dates":[]})"), json::DecodingError);
}

TEST(JSONCoding, UnknownEnumerationStringFailsTheRecord) {
    EXPECT_THROW(json::decode<Sample>(R"({"count":1,"colour":"Red","dates":[]})"), json::DecodingError);
    EXPECT_THROW(json::decode<Sample>(R"({"count":1,"colour":"","dates":[]})"), json::DecodingError);
    EXPECT_THROW(json::decode<std::vector<Sample>>(R"([{"count":1,"colour":"red","dates":[]},
                                                       {"count":1,"colour":"green","dates":[]}])"),
                 json::DecodingError);
}

TEST(JSONCoding, UnsignedSixtyFourBitValuesRoundTripExactlyAndOutOfRangeFails) {
    constexpr auto max = std::numeric_limits<std::uint64_t>::max();
    EXPECT_EQ(json::encode(max), "18446744073709551615");
    EXPECT_EQ(json::decode<std::uint64_t>("18446744073709551615"), max);
    EXPECT_EQ(json::decode<std::uint64_t>("9007199254740993"), 9007199254740993u);  // not a double
    EXPECT_THROW(json::decode<std::uint64_t>("18446744073709551616"), json::DecodingError);
    EXPECT_THROW(json::decode<std::uint64_t>("-1"), json::DecodingError);
    EXPECT_THROW(json::decode<std::uint64_t>("1.5"), json::DecodingError);
    EXPECT_THROW(json::decode<std::uint64_t>("\"1\""), json::DecodingError);
    EXPECT_THROW(json::decode<std::uint64_t>("true"), json::DecodingError);
}

TEST(JSONCoding, SignedIntegersCheckTheirWidth) {
    EXPECT_EQ(json::decode<std::int64_t>("-9223372036854775808"), std::numeric_limits<std::int64_t>::min());
    EXPECT_EQ(json::decode<std::int64_t>("9223372036854775807"), std::numeric_limits<std::int64_t>::max());
    EXPECT_THROW(json::decode<std::int64_t>("9223372036854775808"), json::DecodingError);
    EXPECT_EQ(json::decode<std::int32_t>("-2147483648"), std::numeric_limits<std::int32_t>::min());
    EXPECT_THROW(json::decode<std::int32_t>("2147483648"), json::DecodingError);
}

TEST(JSONCoding, DoublesMustBeFinite) {
    EXPECT_THROW(json::encode(std::numeric_limits<double>::quiet_NaN()), json::EncodingError);
    EXPECT_THROW(json::encode(std::numeric_limits<double>::infinity()), json::EncodingError);
    EXPECT_THROW(json::encode(std::vector<Date>{Date{0}, Date{-INFINITY}}), json::EncodingError);
    EXPECT_EQ(json::decode<double>("3"), 3.0);
    EXPECT_EQ(json::decode<double>("0.1"), 0.1);
    EXPECT_EQ(json::decode<double>("18446744073709551615"), 18446744073709551615.0);
    EXPECT_THROW(json::decode<double>("null"), json::DecodingError);
    double tricky = 0.1 + 0.2;
    EXPECT_EQ(json::decode<double>(json::encode(tricky)), tricky);
}

TEST(JSONCoding, DatesUuidsAndData) {
    EXPECT_EQ(json::encode(Date{724000000.25}), "724000000.25");
    EXPECT_EQ(json::decode<Date>("724000000.25"), Date{724000000.25});
    EXPECT_EQ(json::decode<Date>(json::encode(Date::distantFuture())), Date::distantFuture());
    EXPECT_LT(Date::distantPast(), Date::fromUnix(-1e10));
    EXPECT_GT(Date::distantFuture(), Date::fromUnix(1e10));

    json::Options iso{json::DateForm::iso8601};
    EXPECT_EQ(json::encode(Date{0}, iso), R"("2001-01-01T00:00:00Z")");
    EXPECT_EQ(json::encode(Date{86400.9}, iso), R"("2001-01-02T00:00:00Z")");
    EXPECT_EQ(json::encode(Date{-0.5}, iso), R"("2000-12-31T23:59:59Z")");
    EXPECT_EQ(json::decode<Date>(R"("2001-01-02T00:00:01Z")", iso), Date{86401});
    EXPECT_THROW(json::decode<Date>(R"("2001-01-02 00:00:01")", iso), json::DecodingError);

    auto uuid = UUID::fromString("e621e1f8-c36c-495a-93fc-0c247a3e6e5f");
    ASSERT_TRUE(uuid);
    EXPECT_EQ(json::encode(*uuid), R"("E621E1F8-C36C-495A-93FC-0C247A3E6E5F")");
    EXPECT_EQ(json::decode<UUID>(R"("E621E1F8-C36C-495A-93FC-0C247A3E6E5F")"), *uuid);
    EXPECT_THROW(json::decode<UUID>(R"("E621E1F8C36C495A93FC0C247A3E6E5F")"), json::DecodingError);

    EXPECT_EQ(json::encode(Data{'h', 'i', '!'}), R"("aGkh")");
    EXPECT_EQ(json::decode<Data>(R"("aGk=")"), (Data{'h', 'i'}));
    EXPECT_THROW(json::decode<Data>(R"("aGk")"), json::DecodingError);
}

TEST(JSONCoding, CasesWithPayloadsNeedExactlyOneKey) {
    auto caseText = [](std::string_view name, auto fields) {
        return json::writeText([&](json::Writer& w) { json::encodeCase(w, name, {}, fields); });
    };
    EXPECT_EQ(caseText("select", [](json::ObjectEncoder& e) { e.field("_0", std::string("disk2")).field("_1", true); }),
              R"({"select":{"_0":"disk2","_1":true}})");
    EXPECT_EQ(caseText("stop", [](json::ObjectEncoder&) {}), R"({"stop":{}})");

    enum class Case { select, a, b };
    auto decodeCase = [](const json::Value& value) {
        static constexpr std::array<std::pair<Case, std::string_view>, 3> cases = {
            {{Case::select, "select"}, {Case::a, "a"}, {Case::b, "b"}}};
        return json::findCase(value, cases);
    };
    auto value = json::parse(R"({"select":{"_0":"disk2"}})");
    auto decoded = decodeCase(value);
    EXPECT_EQ(decoded.first, Case::select);
    EXPECT_EQ(json::ObjectDecoder(*decoded.second).required<std::string>("_0"), "disk2");

    for (const char* bad : {R"({})", R"({"a":{},"b":{}})"}) {
        try {
            decodeCase(json::parse(bad));
            ADD_FAILURE() << bad;
        } catch (const json::DecodingError& e) {
            EXPECT_STREQ(e.what(), "Invalid number of keys found, expected one.");
        }
    }
    EXPECT_THROW(decodeCase(json::parse("[]")), json::DecodingError);
}

TEST(JSONCoding, MalformedTextAndInvalidUtf8Fail) {
    EXPECT_THROW(json::parse(""), json::DecodingError);
    EXPECT_THROW(json::decode<Sample>(std::string_view()), json::DecodingError);  // no bytes, not even a buffer
    EXPECT_THROW(json::parse("{\"a\":1"), json::DecodingError);
    EXPECT_THROW(json::parse("[1] 2"), json::DecodingError);
    EXPECT_THROW(json::parse("\"\xff\""), json::DecodingError);
    EXPECT_THROW(json::encode(std::string("\xc3")), json::EncodingError);
    EXPECT_EQ(json::encode(std::string("관측")), "\"관측\"");
}

namespace {
std::string nested(std::size_t levels, std::string_view open, std::string_view close, std::string_view inner = "") {
    std::string text;
    for (std::size_t i = 0; i < levels; ++i) text += open;
    text += inner;
    for (std::size_t i = 0; i < levels; ++i) text += close;
    return text;
}
}  // namespace

TEST(JSONCoding, NestingDeeperThan512LevelsFailsLikeMalformedText) {
    const std::string deep = nested(100'000, "[", "]");
    const std::pair<std::string, bool> cases[] = {  // text, decodes
        {nested(512, "[", "]"), true},
        {nested(513, "[", "]"), false},
        {nested(511, R"({"a":)", "}", "{}"), true},
        {nested(512, R"({"a":)", "}", "{}"), false},
        {nested(256, R"({"a":[)", "]}"), true},
        {nested(256, R"({"a":[)", "]}", "[]"), false},
        {R"({"a":)" + deep + R"(,"b":0})", false},
        {R"({"b":0,"a":)" + deep + "}", false},
        {nested(100'000, R"({"a":[)", "]}"), false},
        {nested(100'000, "[", ""), false},  // never closed
    };
    for (const auto& [text, decodes] : cases) {
        EXPECT_EQ(decodes, [&] {
            try {
                json::parse(text);
                return true;
            } catch (const json::DecodingError&) {
                return false;
            }
        }()) << text.substr(0, 20) << "… (" << text.size() << " bytes)";
    }
    // In a key that the record does not read, too.
    EXPECT_THROW(json::decode<Sample>(R"({"count":1,"colour":"red","dates":[],"x":)" + deep + "}"), json::DecodingError);
}

TEST(JSONCoding, NothingButWhiteSpaceMayFollowTheValue) {
    using namespace std::string_literals;
    for (const std::string& text : {"{\"count\":1,\"colour\":\"red\",\"dates\":[]}\0junk"s, "{\"count\":1,\"colour\":\"red\",\"dates\":[]}\0"s,
                                    R"({"count":1,"colour":"red","dates":[]}x)"s, R"({"count":1,"colour":"red","dates":[]} {})"s,
                                    "\0{\"count\":1,\"colour\":\"red\",\"dates\":[]}"s, "{\"count\":1,\"colour\":\"red\",\"dates\":[]}\f"s})
        EXPECT_THROW(json::decode<Sample>(text), json::DecodingError) << text;
    EXPECT_EQ(json::decode<Sample>(" \t\r\n{\"count\":1,\"colour\":\"red\",\"dates\":[]} \t\r\n").count, 1u);
}

TEST(JSONCoding, NumbersAndStringsReadExactly) {
    const std::pair<const char*, double> doubles[] = {
        {"0.1", 0.1}, {"1e-400", 0.0}, {"-1e-400", -0.0}, {"4.9406564584124654e-324", 4.9406564584124654e-324},
        {"1.7976931348623157e308", 1.7976931348623157e308}, {"123456789012345678901234567890", 1.2345678901234568e29}};
    for (const auto& [text, value] : doubles) EXPECT_EQ(json::decode<double>(text), value) << text;
    EXPECT_THROW(json::decode<double>("1e400"), json::DecodingError);
    EXPECT_THROW(json::decode<std::string>(R"("\udc00")"), json::DecodingError);  // a lone surrogate
    EXPECT_EQ(json::decode<std::string>(R"("a\u0000b\ud83d\ude00")"), std::string("a\0b😀", 7));
    EXPECT_EQ(json::encode(std::string("\x01\x1f\"\\/\x7f")), R"("\u0001\u001f\"\\/)" "\x7f\"");
    for (double d : {1e16, 1e15, 1e-5, 1e-4, 0.5, -0.0, 5e-324, 1.7976931348623157e308, 123456.789})
        EXPECT_EQ(json::decode<double>(json::encode(d)), d) << json::encode(d);
    EXPECT_EQ(json::encode(std::vector<double>{1e15, 1e14, 1e-5, 1e-4, -0.0, 1.5e300, 12.5e-8}),
              "[1e+15,100000000000000.0,1e-05,0.0001,-0.0,1.5e+300,1.25e-07]");
}

TEST(JSONPretty, PrettySortedFormForDiagnosticDocuments) {
    const auto v = R"({"b":[1,{"z":"a/b","a":null}],"a":{},"c":[]})";
    EXPECT_EQ(json::prettySortedText(v), "{\n  \"a\" : {},\n  \"b\" : [\n    1,\n    {\n      \"a\" : null,\n"
                                         "      \"z\" : \"a/b\"\n    }\n  ],\n  \"c\" : []\n}");
}

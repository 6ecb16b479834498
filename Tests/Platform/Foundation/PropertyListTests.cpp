#include "Platform/Foundation/PropertyList.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>

using namespace platform;

namespace {

std::optional<PropertyValue> parseText(std::string_view text) {
    return PropertyList::parse(std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

PropertyDictionary sample() {
    return PropertyDictionary{
        {"flag", true},
        {"one", 1},
        {"negative", std::int64_t{-9'000'000'000}},
        {"max", std::numeric_limits<std::int64_t>::max()},
        {"real", 0.1},
        {"text", "관측 <&> \"quoted\""},
        {"bytes", Data{0, 1, 2, 255}},
        {"nested", PropertyArray{PropertyValue(false), PropertyValue(PropertyDictionary{{"k", "v"}}), PropertyValue(PropertyArray{})}},
    };
}

}  // namespace

TEST(PropertyList, BinaryAndXMLRoundTripKeepingEveryType) {
    for (PropertyListFormat format : {PropertyListFormat::binary, PropertyListFormat::xml}) {
        PropertyValue value(sample());
        std::optional<PropertyValue> back = PropertyList::parse(PropertyList::serialize(value, format));
        ASSERT_TRUE(back);
        EXPECT_EQ(*back, value);
        const auto& dictionary = *back->get<PropertyDictionary>();
        EXPECT_TRUE(dictionary.at("flag").is<bool>());
        EXPECT_TRUE(dictionary.at("one").is<std::int64_t>());
        EXPECT_TRUE(dictionary.at("bytes").is<Data>());
    }
    // Binary keeps a date's microseconds, XML its whole seconds; both keep dates before 2001.
    Date date{-12345.25};
    EXPECT_EQ(PropertyList::parse(PropertyList::serialize(PropertyValue(date), PropertyListFormat::binary)),
              PropertyValue(date));
    EXPECT_EQ(PropertyList::parse(PropertyList::serialize(PropertyValue(Date{86400}), PropertyListFormat::xml)),
              PropertyValue(Date{86400}));
}

TEST(PropertyList, ReadsHandWrittenXMLWithItsTypes) {
    auto value = parseText(R"(<?xml version="1.0" encoding="UTF-8"?>
<plist version="1.0"><dict>
  <key>CFBundleVersion</key><integer>42</integer>
  <key>Enabled</key><true/>
  <key>Ratio</key><real>2.5</real>
  <key>Name</key><string>Kavrinet</string>
  <key>Blob</key><data>AAEC</data>
  <key>When</key><date>2001-01-02T00:00:00Z</date>
</dict></plist>)");
    ASSERT_TRUE(value);
    const auto& d = *value->get<PropertyDictionary>();
    EXPECT_EQ(d.at("CFBundleVersion"), PropertyValue(42));
    EXPECT_EQ(d.at("Enabled"), PropertyValue(true));
    EXPECT_EQ(d.at("Ratio"), PropertyValue(2.5));
    EXPECT_EQ(d.at("Name"), PropertyValue("Kavrinet"));
    EXPECT_EQ(d.at("Blob"), PropertyValue(Data{0, 1, 2}));
    EXPECT_EQ(d.at("When"), PropertyValue(Date{86400}));
}

TEST(PropertyList, RefusesWhatIsNotAPropertyListOrCannotBeWritten) {
    EXPECT_EQ(parseText(""), std::nullopt);
    EXPECT_EQ(parseText("not a plist"), std::nullopt);
    EXPECT_EQ(parseText("bplist00garbage"), std::nullopt);
    EXPECT_EQ(parseText("<plist><dict><key>a</key></plist>"), std::nullopt);

    // A NUL inside a binary key or string (which the library cannot take) or anywhere in XML.
    for (std::string needle : {"kQy", "vQw"}) {
        Data binary = PropertyList::serialize(PropertyValue(PropertyDictionary{{"kQy", "vQw"}}), PropertyListFormat::binary);
        auto at = std::search(binary.begin(), binary.end(), needle.begin(), needle.end());
        ASSERT_NE(at, binary.end());
        at[1] = 0;
        EXPECT_EQ(PropertyList::parse(binary), std::nullopt) << needle;
    }
    EXPECT_EQ(parseText(std::string_view("<plist><string>a\0b</string></plist>", 35)), std::nullopt);

    std::string deep;
    for (int i = 0; i <= PropertyList::maximumDepth + 1; ++i) deep += "<array>";
    for (int i = 0; i <= PropertyList::maximumDepth + 1; ++i) deep += "</array>";
    EXPECT_EQ(parseText("<plist>" + deep + "</plist>"), std::nullopt);

    EXPECT_THROW(PropertyList::check(PropertyValue(std::string("a\0b", 3))), PropertyListError);
    EXPECT_THROW(PropertyList::check(PropertyValue(PropertyDictionary{{std::string("k\0", 2), 1}})), PropertyListError);
    EXPECT_THROW(PropertyList::serialize(PropertyValue(Date::distantFuture()), PropertyListFormat::binary),
                 PropertyListError);
    // The binary writer would cut a string short at its first invalid UTF-8 sequence.
    EXPECT_THROW(PropertyList::check(PropertyValue("0.\xff.0")), PropertyListError);
    EXPECT_THROW(PropertyList::check(PropertyValue("\xed\xa0\x80")), PropertyListError);  // a surrogate
    EXPECT_THROW(PropertyList::check(PropertyValue("\xc0\xaf")), PropertyListError);      // overlong
    EXPECT_EQ(parseText("<plist><string>0.\xff.0</string></plist>"), std::nullopt);
    EXPECT_NO_THROW(PropertyList::check(PropertyValue("한국어 😀")));
    EXPECT_NO_THROW(PropertyList::check(PropertyValue(sample())));
}

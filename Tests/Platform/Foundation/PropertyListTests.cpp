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

Data bigEndian(std::uint64_t value, std::size_t size) {
    Data bytes(size);
    for (std::size_t i = size; i-- > 0; value >>= 8) bytes[i] = static_cast<std::uint8_t>(value);
    return bytes;
}

// A binary property list of hand-made objects, object 0 on top.
Data binaryPlist(const std::vector<Data>& objects, std::size_t referenceSize) {
    Data bytes{'b', 'p', 'l', 'i', 's', 't', '0', '0'};
    std::vector<std::uint64_t> offsets;
    for (const Data& object : objects) {
        offsets.push_back(bytes.size());
        bytes.insert(bytes.end(), object.begin(), object.end());
    }
    const std::uint64_t table = bytes.size();
    for (std::uint64_t offset : offsets) {
        Data entry = bigEndian(offset, 4);
        bytes.insert(bytes.end(), entry.begin(), entry.end());
    }
    Data trailer(6, 0);
    trailer.push_back(4);
    trailer.push_back(static_cast<std::uint8_t>(referenceSize));
    for (std::uint64_t field : {std::uint64_t{objects.size()}, std::uint64_t{0}, table}) {
        Data encoded = bigEndian(field, 8);
        trailer.insert(trailer.end(), encoded.begin(), encoded.end());
    }
    bytes.insert(bytes.end(), trailer.begin(), trailer.end());
    return bytes;
}

// An array object holding the given object references.
Data arrayObject(const std::vector<std::uint64_t>& items, std::size_t referenceSize) {
    Data object{static_cast<std::uint8_t>(0xA0 | items.size())};
    for (std::uint64_t item : items) {
        Data reference = bigEndian(item, referenceSize);
        object.insert(object.end(), reference.begin(), reference.end());
    }
    return object;
}

PropertyValue nestedArrays(int levels) {
    PropertyValue value{PropertyArray{}};
    for (int i = 1; i < levels; ++i) value = PropertyValue(PropertyArray{value});
    return value;
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
<!DOCTYPE plist PUBLIC "-//Apple//DTD PLIST 1.0//EN" "http://www.apple.com/DTDs/PropertyList-1.0.dtd">
<!-- written by hand: </dict></dict> -->
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

TEST(PropertyList, RefusesNestingAndSharedExpansionBeforeTheLibraryRecursesThroughThem) {
    // As deep as allowed, both forms still read.
    for (PropertyListFormat format : {PropertyListFormat::binary, PropertyListFormat::xml}) {
        PropertyValue deepest = nestedArrays(PropertyList::maximumDepth + 1);
        EXPECT_EQ(PropertyList::parse(PropertyList::serialize(deepest, format)), deepest);
    }

    // Far deeper than the stack could take: 100,000 arrays in binary, 200,000 in XML.
    constexpr std::uint64_t binaryLevels = 100'000;
    std::vector<Data> chain;
    for (std::uint64_t i = 0; i < binaryLevels; ++i) chain.push_back(arrayObject({i + 1}, 3));
    chain.push_back(arrayObject({}, 3));
    EXPECT_EQ(PropertyList::parse(binaryPlist(chain, 3)), std::nullopt);
    std::string xml = "<plist>";
    for (int i = 0; i < 200'000; ++i) xml += "<array><!-- </array> -->";
    EXPECT_EQ(parseText(xml), std::nullopt) << "unterminated and too deep";
    for (int i = 0; i < 200'000; ++i) xml += "</array>";
    EXPECT_EQ(parseText(xml + "</plist>"), std::nullopt);

    // 40 arrays of two references to the next: 2^40 values once every reference is read.
    std::vector<Data> doubling;
    for (std::uint64_t i = 0; i < 40; ++i) doubling.push_back(arrayObject({i + 1, i + 1}, 1));
    doubling.push_back(Data{0x09});  // true
    EXPECT_EQ(PropertyList::parse(binaryPlist(doubling, 1)), std::nullopt);
    doubling.resize(16);
    doubling.push_back(Data{0x09});
    std::optional<PropertyValue> shared = PropertyList::parse(binaryPlist(doubling, 1));  // 2^16 values
    ASSERT_TRUE(shared);
    EXPECT_EQ(shared->get<PropertyArray>()->size(), 2u);

    EXPECT_EQ(PropertyList::parse(binaryPlist({arrayObject({0}, 1)}, 1)), std::nullopt) << "an array holding itself";
    EXPECT_EQ(PropertyList::parse(binaryPlist({arrayObject({1}, 1)}, 1)), std::nullopt) << "a reference past the table";
}

#include "Platform/Foundation/Base64.h"
#include "Platform/Foundation/UUID.h"

#include <gtest/gtest.h>

#include <set>

using namespace platform;

TEST(UUID, RandomValuesAreVersionFourAndUpperCase) {
    std::set<std::string> seen;
    for (int i = 0; i < 64; ++i) {
        std::string text = UUID::random().uuidString();
        ASSERT_EQ(text.size(), 36u);
        EXPECT_EQ(text[14], '4');
        EXPECT_NE(std::string("89AB").find(text[19]), std::string::npos);
        EXPECT_EQ(text.find_first_of("abcdef"), std::string::npos);
        seen.insert(text);
    }
    EXPECT_EQ(seen.size(), 64u);
}

TEST(UUID, ParsingIsStrictAboutShape) {
    auto u = UUID::fromString("00112233-4455-6677-8899-aabbccddeeff");
    ASSERT_TRUE(u);
    EXPECT_EQ(u->uuidString(), "00112233-4455-6677-8899-AABBCCDDEEFF");
    EXPECT_FALSE(UUID::fromString(""));
    EXPECT_FALSE(UUID::fromString("00112233-4455-6677-8899-aabbccddeef"));
    EXPECT_FALSE(UUID::fromString("00112233-4455-6677-8899_aabbccddeeff"));
    EXPECT_FALSE(UUID::fromString("0011223g-4455-6677-8899-aabbccddeeff"));
    EXPECT_FALSE(UUID::fromString("{0112233-4455-6677-8899-aabbccddeeff}"));
}

TEST(Base64, RoundTripsEveryTailLengthAndRejectsMalformedText) {
    Data data;
    for (int n = 0; n < 40; ++n) {
        auto decoded = base64Decode(base64Encode(data));
        ASSERT_TRUE(decoded);
        EXPECT_EQ(*decoded, data);
        data.push_back(static_cast<std::uint8_t>(n * 37 + 250));
    }
    EXPECT_EQ(base64Encode(Data{0xfb, 0xff}), "+/8=");
    for (const char* bad : {"A", "AA==A===", "A===", "AA=A", "AA\nA", "-_8="}) EXPECT_FALSE(base64Decode(bad)) << bad;
}

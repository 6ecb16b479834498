#include "Quentrel/Support/GraphemeText.h"

#include <gtest/gtest.h>

using namespace quentrel;

TEST(GraphemeText, CountsUserPerceivedCharacters) {
    // Korean syllables (3 bytes each), an emoji with a skin-tone modifier, a letter with a
    // combining accent and a family emoji joined by zero-width joiners each count as one.
    const std::string text = "한국어\U0001F44D\U0001F3FDe\u0301\U0001F468\u200D\U0001F469\u200D\U0001F467x";
    EXPECT_EQ(graphemePrefix(text, 3), "한국어");
    EXPECT_EQ(graphemePrefix(text, 4), "한국어\U0001F44D\U0001F3FD");
    EXPECT_EQ(graphemePrefix(text, 5), "한국어\U0001F44D\U0001F3FDe\u0301");
    EXPECT_EQ(graphemePrefix(text, 6), "한국어\U0001F44D\U0001F3FDe\u0301\U0001F468\u200D\U0001F469\u200D\U0001F467");
    EXPECT_EQ(graphemePrefix(text, 7), text);
    EXPECT_EQ(graphemePrefix(text, 100), text);
    EXPECT_EQ(graphemePrefix(text, 0), "");
    EXPECT_TRUE(hasAtMostGraphemes(text, 7));
    EXPECT_FALSE(hasAtMostGraphemes(text, 6));
    EXPECT_TRUE(hasAtMostGraphemes("", 0));
    EXPECT_FALSE(hasAtMostGraphemes("a", 0));
}

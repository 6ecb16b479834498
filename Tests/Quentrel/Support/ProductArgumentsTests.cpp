#include "Quentrel/Support/ProductArguments.h"

#include <gtest/gtest.h>

#include "Platform/Foundation/BundleInfo.h"
#include "Quentrel/Support/ProductBrand.h"

using namespace quentrel;
using wendmark::AppLaunchCause;

TEST(ProductArguments, ArgumentRule) {
    struct Row {
        std::vector<std::string> arguments;
        bool accepted;
    };
    const Row rows[] = {
        {{}, true},
        {{"-psn_0_12345"}, true},
        {{"-psn_"}, true},
        {{"-psn____"}, true},
        {{"-psn_0_1", "-psn_2"}, true},
        {{"-psn_12a"}, false},
        {{"-psn"}, false},
        {{"-psn0_1"}, false},
        {{"-PSN_1"}, false},
        {{""}, false},
        {{"-psn_0_1", "--verbose"}, false},
        {{"--verbose", "-psn_0_1"}, false},
        {{"-psn_1 "}, false},
        {{"-psn_-1"}, false},
        // Any Unicode numeric character counts: Arabic-Indic digits, CJK numerals, fractions, Roman numerals.
        {{"-psn_\u0661\u0662_\u0663"}, true},
        {{"-psn_\u4E00"}, true},
        {{"-psn_\u00BD"}, true},
        {{"-psn_\u2167"}, true},
        {{"-psn_\uFF11"}, true},
        // Judged per character by its first code point: a digit with a combining mark passes...
        {{"-psn_1\u0301"}, true},
        // ...an underscore with one is no longer the underscore, and a lone mark is not numeric.
        {{"-psn_1_\u0301"}, false},
        {{"-psn_\u0301"}, false},
        // The prefix is five whole characters: a mark on its underscore breaks it.
        {{"-psn\u0332_1"}, false},
        // Letters that look like digits are not numbers.
        {{"-psn_O"}, false},
        {{"-psn_\u0966"}, true},  // Devanagari zero
        // Bytes that are not UTF-8 read as U+FFFD.
        {{"-psn_1\xFF"}, false},
        {{"-psn_\xC2"}, false},
        {{"-psn_\xE0\x80\xB1"}, false},  // an overlong "1"
    };
    for (const auto& [arguments, accepted] : rows) {
        std::string shown;
        for (const auto& a : arguments) shown += "[" + a + "]";
        EXPECT_EQ(ProductArguments::accepts(arguments), accepted) << shown;
    }
}

TEST(ProductArguments, CommandLineSkipsTheProgramPath) {
    const char* bare[] = {"/opt/Kavrinet.app/Contents/MacOS/Kavrinet"};
    const char* serial[] = {"--not-checked", "-psn_0_42"};
    const char* verbose[] = {"Kavrinet", "--verbose"};
    EXPECT_TRUE(ProductArguments::acceptsCommandLine(1, bare));
    EXPECT_TRUE(ProductArguments::acceptsCommandLine(2, serial));
    EXPECT_FALSE(ProductArguments::acceptsCommandLine(2, verbose));
    EXPECT_EQ(ProductArguments::rejectionMessage, "This observation app does not accept command-line options.\n");
    EXPECT_EQ(ProductArguments::rejectionExitStatus, 64);
}

TEST(ProductArguments, InitialWindowTable) {
    struct Row {
        AppLaunchCause cause;
        bool onboardingCompleted;
        bool preference;
        std::optional<std::string> window;
    };
    const Row rows[] = {
        {AppLaunchCause::loginItem, false, true, std::nullopt},
        {AppLaunchCause::loginItem, true, true, std::nullopt},
        {AppLaunchCause::serviceItem, false, false, std::nullopt},
        {AppLaunchCause::serviceItem, true, true, std::nullopt},
        {AppLaunchCause::manualOrUnknown, false, false, "welcome"},
        {AppLaunchCause::manualOrUnknown, false, true, "welcome"},
        {AppLaunchCause::manualOrUnknown, true, true, "status"},
        {AppLaunchCause::manualOrUnknown, true, false, std::nullopt},
    };
    for (const auto& row : rows)
        EXPECT_EQ(ProductArguments::initialWindow(row.cause, row.preference, row.onboardingCompleted), row.window)
            << static_cast<int>(row.cause) << row.onboardingCompleted << row.preference;
}

TEST(ProductBrand, DisplayNameRule) {
    using platform::PropertyDictionary;
    EXPECT_EQ(ProductBrand::displayName(PropertyDictionary{{"CFBundleDisplayName", "관측기"}}), "관측기");
    EXPECT_EQ(ProductBrand::displayName(PropertyDictionary{{"CFBundleDisplayName", ""}}), "");
    EXPECT_EQ(ProductBrand::displayName(PropertyDictionary{{"CFBundleDisplayName", 7}}), "Kavrinet Preview");
    EXPECT_EQ(ProductBrand::displayName(PropertyDictionary{{"CFBundleName", "Kavrinet"}}), "Kavrinet Preview");
    EXPECT_EQ(ProductBrand::displayName(PropertyDictionary{}), "Kavrinet Preview");
}

TEST(ProductBrand, DisplayNameIsComputedOnce) {
    platform::BundleInfo first;
    first.infoDictionary = {{"CFBundleDisplayName", "First"}};
    std::string seen;
    {
        platform::ScopedMainBundle bundle(first);
        seen = ProductBrand::displayName();
    }
    platform::BundleInfo second;
    second.infoDictionary = {{"CFBundleDisplayName", "Second"}};
    platform::ScopedMainBundle bundle(second);
    EXPECT_EQ(ProductBrand::displayName(), seen);
    EXPECT_EQ(&ProductBrand::displayName(), &ProductBrand::displayName());
}

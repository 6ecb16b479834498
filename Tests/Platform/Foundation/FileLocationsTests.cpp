#include "Platform/Foundation/FileLocations.h"

#include <gtest/gtest.h>

#include <map>

using namespace platform;

namespace {

FileLocations withEnvironment(std::map<std::string, std::string> variables) {
    return FileLocations([variables](const std::string& name) -> std::optional<std::string> {
        auto found = variables.find(name);
        if (found == variables.end()) return std::nullopt;
        return found->second;
    });
}

}  // namespace

TEST(FileLocations, AbsoluteXDGValuesWinElseTheDefaultsUnderHome) {
    auto explicitDirs = withEnvironment({{"HOME", "/home/u"}, {"XDG_DATA_HOME", "/data/"}, {"XDG_CONFIG_HOME", "/cfg"}});
    EXPECT_EQ(explicitDirs.applicationSupportDirectory(), std::filesystem::path("/data"));
    EXPECT_EQ(explicitDirs.configDirectory(), std::filesystem::path("/cfg"));

    auto defaults = withEnvironment({{"HOME", "/home/u/"}});
    EXPECT_EQ(defaults.applicationSupportDirectory(), std::filesystem::path("/home/u/.local/share"));
    EXPECT_EQ(defaults.configDirectory(), std::filesystem::path("/home/u/.config"));
}

TEST(FileLocations, RelativeOrEmptyValuesAreIgnored) {
    auto invalid = withEnvironment({{"HOME", "/home/u"}, {"XDG_DATA_HOME", "relative/data"}, {"XDG_CONFIG_HOME", ""}});
    EXPECT_EQ(invalid.applicationSupportDirectory(), std::filesystem::path("/home/u/.local/share"));
    EXPECT_EQ(invalid.configDirectory(), std::filesystem::path("/home/u/.config"));

    auto noHome = withEnvironment({{"HOME", "home"}, {"XDG_DATA_HOME", "./x"}});
    EXPECT_EQ(noHome.applicationSupportDirectory(), std::nullopt);
    EXPECT_EQ(noHome.configDirectory(), std::nullopt);
    EXPECT_EQ(withEnvironment({}).configDirectory(), std::nullopt);
}

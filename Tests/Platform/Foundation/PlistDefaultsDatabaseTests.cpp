#include "Platform/Foundation/PlistDefaultsDatabase.h"

#include <gtest/gtest.h>

#include <map>

#include "Platform/Foundation/PropertyList.h"
#include "TemporaryFolder.h"

using namespace platform;

namespace {

PropertyDictionary fileContents(const std::filesystem::path& file) {
    std::string bytes = TemporaryFolder::readFile(file);
    auto value = PropertyList::parse(std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
    return value && value->is<PropertyDictionary>() ? *value->get<PropertyDictionary>() : PropertyDictionary{{"corrupt", true}};
}

}  // namespace

TEST(PlistDefaultsDatabase, ChangesAreWrittenWithTheirTypesAndReadBackByTheNextRun) {
    TemporaryFolder folder;
    FileLocations locations([&](const std::string& name) -> std::optional<std::string> {
        if (name == "XDG_CONFIG_HOME") return (folder / "config").string();
        return std::nullopt;
    });
    auto file = PlistDefaultsDatabase::fileForDomain("local.mirosal.Kavrinet", locations);
    ASSERT_EQ(file, folder / "config/local.mirosal.Kavrinet.plist");
    {
        PlistDefaultsDatabase defaults("local.mirosal.Kavrinet", file);
        defaults.registerDefaults({{"onboardingCompleted", false}});
        defaults.set(true, "showStatusOnLaunch");
        defaults.set(2, "productSettingsSchemaVersion");
        defaults.set(Data{'{', '}'}, "observationTarget");
        defaults.set(1, "gone");
        defaults.removeObject("gone");
        EXPECT_FALSE(defaults.lastWriteError());
    }
    PropertyDictionary expected{{"showStatusOnLaunch", true},
                                {"productSettingsSchemaVersion", 2},
                                {"observationTarget", Data{'{', '}'}}};
    EXPECT_EQ(fileContents(*file), expected);  // registered defaults are not written

    PlistDefaultsDatabase again("local.mirosal.Kavrinet", file);
    EXPECT_EQ(again.persistentDomain("local.mirosal.Kavrinet"), expected);
    EXPECT_TRUE(again.object("showStatusOnLaunch")->is<bool>());
    EXPECT_EQ(again.dataForKey("observationTarget"), (Data{'{', '}'}));

    EXPECT_EQ(PlistDefaultsDatabase::fileForDomain("../escape", locations), std::nullopt);
    EXPECT_EQ(PlistDefaultsDatabase::fileForDomain("", locations), std::nullopt);
}

TEST(PlistDefaultsDatabase, ACorruptOrForeignFileStartsEmptyAndIsKeptUntilTheNextChange) {
    TemporaryFolder folder;
    std::filesystem::path file = folder / "d.plist";
    for (std::string_view contents : {"garbage", "<plist><array><integer>1</integer></array></plist>"}) {
        TemporaryFolder::writeFile(file, contents);
        PlistDefaultsDatabase defaults("d", file);
        EXPECT_EQ(defaults.persistentDomain("d"), PropertyDictionary{});
        defaults.registerDefaults({{"x", 1}});
        EXPECT_EQ(TemporaryFolder::readFile(file), contents);
        defaults.set(false, "backgroundPolling");
        EXPECT_EQ(fileContents(file), (PropertyDictionary{{"backgroundPolling", false}}));
    }
}

TEST(PlistDefaultsDatabase, AFailedWriteIsReportedAndKeepsTheValueInMemory) {
    TemporaryFolder folder;
    std::filesystem::create_directory(folder / "d.plist");  // a folder where the file belongs
    PlistDefaultsDatabase defaults("d", folder / "d.plist");
    defaults.set(true, "flag");
    EXPECT_TRUE(defaults.lastWriteError());
    EXPECT_EQ(defaults.object("flag"), PropertyValue(true));

    PlistDefaultsDatabase memoryOnly("d", std::nullopt);
    memoryOnly.set(true, "flag");
    EXPECT_FALSE(memoryOnly.lastWriteError());
    EXPECT_TRUE(memoryOnly.boolForKey("flag"));
}

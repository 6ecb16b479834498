#include "Quentrel/Support/ProductSettings.h"

#include <gtest/gtest.h>

#include <fstream>

#include "Platform/Foundation/MemoryDefaultsDatabase.h"
#include "Platform/Foundation/PlistDefaultsDatabase.h"
#include "Platform/Foundation/TemporaryFolder.h"
#include "Support/JSONTree.h"

using namespace quentrel;
using platform::Data;
using platform::MemoryDefaultsDatabase;
using platform::PropertyDictionary;
using platform::PropertyValue;

namespace {

std::string repeated(std::string_view piece, std::size_t count) {
    std::string text;
    for (std::size_t i = 0; i < count; ++i) text += piece;
    return text;
}

std::string targetJSON(const std::string& model, const std::vector<std::string>& uuids, const std::string& displayName) {
    testjson::Tree object = testjson::Tree::object();
    object["model"] = model;
    object["capacity"] = 500107862016ULL;
    object["volumeUUIDs"] = uuids;
    object["displayName"] = displayName;
    object["registeredAt"] = 700000000.25;
    return object.dump();
}

Data bytes(const std::string& text) { return Data(text.begin(), text.end()); }

Data validTarget() { return bytes(targetJSON("Portable SSD", {"E621E1F8-C36C-495A-93FC-0C247A3E6E5F"}, "Work")); }

std::vector<std::string> manyUUIDs(std::size_t count) {
    std::vector<std::string> uuids;
    for (std::size_t i = 0; i < count; ++i) uuids.push_back("UUID-" + std::to_string(i));
    return uuids;
}

}  // namespace

TEST(ProductSettings, ValidatedTargetLimits) {
    const std::string uuid128 = repeated("가", 128);
    const std::string model512 = repeated("모", 512);  // 1,536 bytes: characters are counted, not bytes
    EXPECT_TRUE(ProductSettings::validatedTarget(bytes(targetJSON(model512, {uuid128}, ""))));
    EXPECT_TRUE(ProductSettings::validatedTarget(bytes(targetJSON("m", manyUUIDs(32), repeated("이", 512)))));
    // Duplicates collapse before counting.
    std::vector<std::string> duplicated = manyUUIDs(32);
    duplicated.push_back(duplicated.front());
    EXPECT_TRUE(ProductSettings::validatedTarget(bytes(targetJSON("m", duplicated, "d"))));

    EXPECT_FALSE(ProductSettings::validatedTarget(bytes(targetJSON("m", {uuid128 + "가"}, "d"))));
    EXPECT_FALSE(ProductSettings::validatedTarget(bytes(targetJSON("m", {""}, "d"))));
    EXPECT_FALSE(ProductSettings::validatedTarget(bytes(targetJSON("", {"u"}, "d"))));
    EXPECT_FALSE(ProductSettings::validatedTarget(bytes(targetJSON(model512 + "모", {"u"}, "d"))));
    EXPECT_FALSE(ProductSettings::validatedTarget(bytes(targetJSON("m", {"u"}, repeated("이", 513)))));
    EXPECT_FALSE(ProductSettings::validatedTarget(bytes(targetJSON("m", {}, "d"))));
    EXPECT_FALSE(ProductSettings::validatedTarget(bytes(targetJSON("m", manyUUIDs(33), "d"))));
    EXPECT_FALSE(ProductSettings::validatedTarget(bytes("{\"model\":\"m\"}")));
    EXPECT_FALSE(ProductSettings::validatedTarget(bytes("not json")));

    // The size limit is on the data: 65,536 bytes pass, 65,537 do not.
    std::string padded = targetJSON("m", {"u"}, "d");
    padded += std::string(65536 - padded.size(), ' ');
    EXPECT_TRUE(ProductSettings::validatedTarget(bytes(padded)));
    EXPECT_FALSE(ProductSettings::validatedTarget(bytes(padded + " ")));
}

TEST(ProductSettings, MigrationOfFreshAndVersionOneSettings) {
    PropertyDictionary fresh = ProductSettings::migration({}, {});
    EXPECT_EQ(fresh, (PropertyDictionary{{"productSettingsSchemaVersion", 2},
                                         {"onboardingCompleted", false},
                                         {"showStatusOnLaunch", false},
                                         {"backgroundPolling", false}}));
    EXPECT_TRUE(fresh.at("showStatusOnLaunch").is<bool>()) << "a Boolean, not the number 0";
    EXPECT_TRUE(fresh.at("productSettingsSchemaVersion").is<std::int64_t>());

    PropertyDictionary versionOne = {{"productSettingsSchemaVersion", 1},
                                     {"onboardingCompleted", true},
                                     {"showStatusOnLaunch", true},
                                     {"observationTarget", validTarget()}};
    EXPECT_EQ(ProductSettings::migration(versionOne, {}),
              (PropertyDictionary{{"productSettingsSchemaVersion", 2}, {"onboardingCompleted", true}}));
    versionOne["productSettingsSchemaVersion"] = -4;
    EXPECT_EQ(ProductSettings::migration(versionOne, {}).size(), 2u);

    EXPECT_TRUE(ProductSettings::migration({{"productSettingsSchemaVersion", 2}}, {}).empty());
    EXPECT_TRUE(ProductSettings::migration({{"productSettingsSchemaVersion", 3}, {"showStatusOnLaunch", true}}, {}).empty());
    // A version that is not an integer counts as 0.
    EXPECT_EQ(ProductSettings::migration({{"productSettingsSchemaVersion", "2"}}, {}).size(), 4u);
}

TEST(ProductSettings, MigrationTakesOnlyBooleansAndValidTargets) {
    PropertyDictionary numbers = {{"backgroundPolling", 1}, {"onboardingCompleted", "true"}};
    PropertyDictionary result = ProductSettings::migration(numbers, {});
    EXPECT_EQ(result.at("backgroundPolling"), PropertyValue(false));
    EXPECT_EQ(result.at("onboardingCompleted"), PropertyValue(false));

    PropertyDictionary legacy = {{"showStatusOnLaunch", true}, {"backgroundPolling", true}};
    result = ProductSettings::migration({{"backgroundPolling", false}}, legacy);
    EXPECT_EQ(result.at("showStatusOnLaunch"), PropertyValue(true));
    EXPECT_EQ(result.at("backgroundPolling"), PropertyValue(false)) << "the current value wins";

    // A valid target is encoded afresh and decodes to the same target.
    std::string spaced = " " + targetJSON("Portable SSD", {"B", "A"}, "Work") + " ";
    result = ProductSettings::migration({{"observationTarget", bytes(spaced)}}, {});
    const Data* migrated = result.at("observationTarget").get<Data>();
    ASSERT_NE(migrated, nullptr);
    EXPECT_NE(*migrated, bytes(spaced));
    EXPECT_EQ(ProductSettings::validatedTarget(*migrated), ProductSettings::validatedTarget(bytes(spaced)));

    // From the legacy settings when the current has none as data.
    result = ProductSettings::migration({{"observationTarget", spaced}}, {{"observationTarget", validTarget()}});
    EXPECT_EQ(ProductSettings::validatedTarget(*result.at("observationTarget").get<Data>()),
              ProductSettings::validatedTarget(validTarget()));

    result = ProductSettings::migration({{"observationTarget", bytes(targetJSON("m", manyUUIDs(33), "d"))}}, {});
    EXPECT_EQ(result.count("observationTarget"), 0u);
    EXPECT_EQ(result.size(), 4u);
}

TEST(ProductSettings, MigrateWritesIntoTheOwnDomainOnly) {
    MemoryDefaultsDatabase skipped("local.mirosal.Quentrel");
    ProductSettings::migrate(skipped, std::string("local.mirosal.Quentrel"));
    ProductSettings::migrate(skipped, std::nullopt);
    EXPECT_EQ(skipped.persistentDomain("local.mirosal.Quentrel"), PropertyDictionary{});

    const Data invalid = bytes(targetJSON("", {"u"}, "d"));
    MemoryDefaultsDatabase defaults("local.mirosal.Kavrinet", {{"observationTarget", invalid}});
    ProductSettings::migrate(defaults, std::string("local.mirosal.Kavrinet"));
    PropertyDictionary stored = *defaults.persistentDomain("local.mirosal.Kavrinet");
    EXPECT_EQ(stored.at("productSettingsSchemaVersion"), PropertyValue(2));
    EXPECT_EQ(stored.at("showStatusOnLaunch"), PropertyValue(false));
    EXPECT_EQ(stored.at("observationTarget"), PropertyValue(invalid)) << "an invalid target is not removed here";

    // Later starts find version 2 and write nothing.
    defaults.set(true, "showStatusOnLaunch");
    ProductSettings::migrate(defaults, std::string("local.mirosal.Kavrinet"));
    EXPECT_EQ(defaults.object("showStatusOnLaunch"), PropertyValue(true));

    // Only the named domain is read: another identifier finds nothing stored and starts fresh.
    MemoryDefaultsDatabase other("local.mirosal.Kavrinet", {{"onboardingCompleted", true}});
    ProductSettings::migrate(other, std::string("some.other.identifier"));
    EXPECT_EQ(other.object("onboardingCompleted"), PropertyValue(false));
}

TEST(ProductSettings, MigratedTypesSurviveThePropertyListFile) {
    TemporaryFolder folder;
    const auto file = folder / "local.mirosal.Kavrinet.plist";
    {
        platform::PlistDefaultsDatabase defaults("local.mirosal.Kavrinet", file);
        ProductSettings::migrate(defaults, std::string("local.mirosal.Kavrinet"));
        ProductSettings::apply({true, false, validTarget()}, defaults);
    }
    platform::PlistDefaultsDatabase reopened("local.mirosal.Kavrinet", file);
    EXPECT_EQ(reopened.object("onboardingCompleted"), PropertyValue(false));
    EXPECT_TRUE(reopened.object("onboardingCompleted")->is<bool>());
    EXPECT_TRUE(reopened.object("productSettingsSchemaVersion")->is<std::int64_t>());
    EXPECT_EQ(ProductSettings::observationPreferences(reopened),
              (ProductSettings::ObservationPreferences{true, false, validTarget()}));
}

TEST(ProductSettings, AnEmptyStoredTargetReadsAsAbsent) {
    TemporaryFolder folder;
    const auto file = folder / "local.mirosal.Kavrinet.plist";
    std::ofstream(file) << R"(<?xml version="1.0" encoding="UTF-8"?>
<plist version="1.0"><dict><key>observationTarget</key><data></data></dict></plist>)";
    platform::PlistDefaultsDatabase defaults("local.mirosal.Kavrinet", file);
    ASSERT_EQ(defaults.dataForKey("observationTarget"), Data{});
    EXPECT_EQ(ProductSettings::observationPreferences(defaults).targetData, std::nullopt);
    EXPECT_FALSE(ProductSettings::validatedTarget(Data{}));
}

TEST(ProductSettings, ApplyAndReadPreferences) {
    MemoryDefaultsDatabase defaults("d");
    defaults.registerDefaults({{"showStatusOnLaunch", true}, {"backgroundPolling", false}});
    EXPECT_EQ(ProductSettings::observationPreferences(defaults), (ProductSettings::ObservationPreferences{true, false, {}}));

    defaults.set(1, "backgroundPolling");
    EXPECT_FALSE(ProductSettings::observationPreferences(defaults).backgroundPolling) << "the number 1 is no Boolean";

    // Stored bytes are reported unchanged when they validate, and left in place when they do not.
    std::string spaced = " " + targetJSON("Portable SSD", {"A"}, "Work");
    defaults.set(bytes(spaced), "observationTarget");
    EXPECT_EQ(ProductSettings::observationPreferences(defaults).targetData, bytes(spaced));
    defaults.set(bytes("{}"), "observationTarget");
    EXPECT_EQ(ProductSettings::observationPreferences(defaults).targetData, std::nullopt);
    EXPECT_EQ(defaults.dataForKey("observationTarget"), bytes("{}"));

    ProductSettings::apply({false, true, std::nullopt}, defaults);
    EXPECT_EQ(defaults.object("showStatusOnLaunch"), PropertyValue(false));
    EXPECT_EQ(defaults.object("backgroundPolling"), PropertyValue(true));
    EXPECT_FALSE(defaults.object("observationTarget"));
    EXPECT_EQ(defaults.object("productSettingsSchemaVersion"), PropertyValue(2));

    defaults.set(5, "productSettingsSchemaVersion");
    ProductSettings::apply({false, false, validTarget()}, defaults);
    EXPECT_EQ(defaults.object("productSettingsSchemaVersion"), PropertyValue(5));
    EXPECT_EQ(defaults.dataForKey("observationTarget"), validTarget());
}

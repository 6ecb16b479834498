#include "Wendmark/DiagnosticReport.h"

#include <gtest/gtest.h>

#include "Platform/Foundation/BundleInfo.h"
#include "Platform/Foundation/ProcessInfo.h"
#include "Wendmark/AppVersion.h"
#include "Support/JSONTree.h"

using namespace wendmark;
using platform::Date;
namespace json = platform::json;

namespace {

VolumeSnapshot volume(std::string bsd, std::string name, bool mounted) {
    return {bsd,
            name,
            "msdos",
            mounted,
            mounted ? std::optional<std::string>("/media/user/" + name) : std::nullopt,
            mounted ? std::optional<std::string>("E621E1F8-C36C-495A-93FC-0C247A3E6E5F") : std::nullopt,
            4096};
}

InventorySnapshot inventory() {
    DeviceSnapshot device{"driver:7", "Fast/Disk", "USB", 8192, true,
                          {volume("sdb1", "Work", true), volume("sdb2", "Spare", false)},
                          IOCounters{18446744073709551615u, 3},
                          ActivitySample::measured(1.5, 10, 0, Date{100.25}),
                          true, "IOBlockStorageDriver", Date{100.25}, std::nullopt, std::nullopt};
    return {{device}, Date{100.75}, "외장 장치 1개", true, 2, 5, 9};
}

testjson::Tree report(const std::vector<std::string>& events = {},
                   const std::map<std::string, DiagnosticValue>& runtime = {}) {
    platform::Data bytes = DiagnosticReport::data(inventory(), true, events, runtime, "mounted/observe",
                                                  [] { return Date{86400.9}; });
    return testjson::Tree::parse(std::string(bytes.begin(), bytes.end()));
}

}  // namespace

TEST(DiagnosticReport, TopLevelFieldsAndRedactedInventory) {
    platform::ScopedMainBundle bundle(platform::BundleInfo{
        std::nullopt, std::nullopt, {{"CFBundleShortVersionString", "1.4"}, {"CFBundleVersion", "88"}}});
    testjson::Tree doc = report();
    EXPECT_EQ(doc.size(), 13u);
    EXPECT_EQ(doc["schemaVersion"], 3);
    EXPECT_EQ(doc["appVersion"], "1.4");
    EXPECT_EQ(doc["appBuild"], "88");
    EXPECT_EQ(doc["buildConfiguration"], "release");
    EXPECT_EQ(doc["processID"], platform::processIdentifier());
    EXPECT_EQ(doc["mode"], "mounted/observe");
    EXPECT_EQ(doc["exportedAt"], "2001-01-02T00:00:00Z");
    EXPECT_EQ(doc["os"], platform::operatingSystemVersionString());
    EXPECT_EQ(doc["paused"], true);
    EXPECT_EQ(doc["events"], testjson::Tree::array());
    EXPECT_EQ(doc["runtime"], testjson::Tree::object());
    EXPECT_EQ(doc["limitations"],
              testjson::Tree::array({"Host counters do not prove physical low-power state or energy savings.",
                                  "Missing counters are unknown, not zero or confirmed unsupported.",
                                  "Volume names and device models are included; UUIDs and mount paths are redacted."}));

    // The inventory keeps every other key, with ISO 8601 dates and exact counters.
    testjson::Tree expected = testjson::encodeTree(inventory(), json::Options{json::DateForm::iso8601});
    testjson::Tree& volumes = expected["devices"][0]["volumes"];
    volumes[0].erase("mountPath");
    volumes[0].erase("volumeUUID");
    // Compared without regard to key order.
    EXPECT_EQ(nlohmann::json::parse(doc["inventory"].dump()), nlohmann::json::parse(expected.dump()));
    EXPECT_EQ(doc["inventory"]["capturedAt"], "2001-01-01T00:01:40Z");
    EXPECT_EQ(doc["inventory"]["devices"][0]["counters"]["bytesRead"].get<std::uint64_t>(), 18446744073709551615u);
    EXPECT_EQ(doc["inventory"]["devices"][0]["volumes"][0]["name"], "Work");
    EXPECT_FALSE(doc["inventory"]["devices"][0]["volumes"][1].contains("mountPath"));
}

TEST(DiagnosticReport, EventsAreCutToThirtyAndRuntimeValuesAreBare) {
    std::vector<std::string> events;
    for (int i = 0; i < 31; ++i) events.push_back("event " + std::to_string(i));
    testjson::Tree doc = report(events, {{"count", DiagnosticValue::number(2)},
                                      {"on", DiagnosticValue::boolean(true)},
                                      {"path", DiagnosticValue::string("a/b")}});
    ASSERT_EQ(doc["events"].size(), 30u);
    EXPECT_EQ(doc["events"][0], "event 0");
    EXPECT_EQ(doc["events"][29], "event 29");
    EXPECT_TRUE(doc["runtime"]["count"].is_number());
    EXPECT_EQ(doc["runtime"]["count"].get<double>(), 2);
    EXPECT_EQ(doc["runtime"]["on"], true);
    EXPECT_EQ(doc["runtime"]["path"], "a/b");

    EXPECT_THROW(DiagnosticReport::data(inventory(), false, {}, {{"x", DiagnosticValue::number(1.0 / 0.0)}}, "m"),
                 json::EncodingError);
    EXPECT_THROW(DiagnosticReport::data(inventory(), false, {"\xff"}, {}, "m"), json::EncodingError);
}

TEST(DiagnosticReport, PrettyPrintedWithSortedKeysAndUnescapedSlashes) {
    platform::Data bytes =
        DiagnosticReport::data(inventory(), false, {"a/b"}, {}, "m", [] { return Date{0}; });
    std::string text(bytes.begin(), bytes.end());
    EXPECT_EQ(text.rfind("{\n  \"appBuild\" : ", 0), 0u);
    std::vector<std::string> order = {"appBuild", "appVersion", "buildConfiguration", "events", "exportedAt",
                                      "inventory", "limitations", "mode", "os", "paused", "processID", "runtime",
                                      "schemaVersion"};
    std::size_t at = 0;
    for (const auto& key : order) {
        auto found = text.find("\n  \"" + key + "\" : ", at);
        ASSERT_NE(found, std::string::npos) << key;
        at = found;
    }
    EXPECT_NE(text.find("\"a/b\""), std::string::npos);
    EXPECT_NE(text.find("\"model\" : \"Fast/Disk\""), std::string::npos);
    EXPECT_EQ(text.find("\\/"), std::string::npos);
}

TEST(AppVersion, ReadsTheInformationDictionaryOnEveryAccess) {
    {
        platform::ScopedMainBundle bundle(platform::BundleInfo{});
        EXPECT_EQ(AppVersion::current(), "development");
        EXPECT_EQ(AppVersion::build(), "unpackaged");
    }
    {
        platform::ScopedMainBundle bundle(platform::BundleInfo{
            std::nullopt, std::nullopt, {{"CFBundleShortVersionString", ""}, {"CFBundleVersion", 42}}});
        EXPECT_EQ(AppVersion::current(), "");
        EXPECT_EQ(AppVersion::build(), "unpackaged");
    }
    platform::ScopedMainBundle bundle(platform::BundleInfo{
        std::nullopt, std::nullopt, {{"CFBundleShortVersionString", true}, {"CFBundleVersion", "7"}}});
    EXPECT_EQ(AppVersion::current(), "development");
    EXPECT_EQ(AppVersion::build(), "7");
}

TEST(DiagnosticValue, EncodesBareAndDecodesBoolThenNumberThenString) {
    EXPECT_EQ(json::encode(DiagnosticValue::number(2.5)), "2.5");
    EXPECT_EQ(json::encode(DiagnosticValue::boolean(true)), "true");
    EXPECT_EQ(json::encode(DiagnosticValue::string("x")), R"("x")");
    EXPECT_EQ(json::decode<DiagnosticValue>("true"), DiagnosticValue::boolean(true));
    EXPECT_EQ(json::decode<DiagnosticValue>("2"), DiagnosticValue::number(2));
    EXPECT_EQ(json::decode<DiagnosticValue>(R"("true")"), DiagnosticValue::string("true"));
    EXPECT_THROW(json::decode<DiagnosticValue>("null"), json::DecodingError);
    EXPECT_THROW(json::decode<DiagnosticValue>("[1]"), json::DecodingError);
}

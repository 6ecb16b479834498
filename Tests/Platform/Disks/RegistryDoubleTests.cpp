#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "Doubles/FakeRegistry.h"

using platform::Dictionary;
using platform::ReturnCode;
using platform::servicePlane;
using platform::Value;

TEST(RegistryValue, numberTestsKeepBooleansApart) {
    EXPECT_FALSE(Value::boolean(true).isNumber());
    EXPECT_TRUE(Value::boolean(false).isNumberLike());
    EXPECT_EQ(Value::boolean(false).boolValue(), false);
    EXPECT_EQ(Value::boolean(true).doubleValue(), 1.0);
    for (const auto& number : {Value::int64(-3), Value::uint64(3), Value::real(2.5)}) {
        EXPECT_TRUE(number.isNumber());
        EXPECT_TRUE(number.isNumberLike());
    }
    EXPECT_FALSE(Value::string("1").isNumberLike());
    EXPECT_FALSE(Value::string("1").boolValue());
    EXPECT_EQ(Value::int64(0).boolValue(), false);
    EXPECT_EQ(Value::real(0.5).boolValue(), true);
}

TEST(RegistryValue, integerConversionsRefuseWhatDoesNotFit) {
    EXPECT_EQ(Value::uint64(UINT64_MAX).uint64Value(), UINT64_MAX);
    EXPECT_EQ(Value::uint64(UINT64_MAX).int64Value(), std::nullopt);
    EXPECT_EQ(Value::int64(-1).uint64Value(), std::nullopt);
    EXPECT_EQ(Value::real(2.9).uint64Value(), 2u);
    EXPECT_EQ(Value::real(18446744073709551616.0).uint64Value(), std::nullopt);
    EXPECT_EQ(Value::real(std::numeric_limits<double>::infinity()).uint64Value(), std::nullopt);
    EXPECT_EQ(Value::real(std::nan("")).int64Value(), std::nullopt);
    EXPECT_EQ(Value::real(9223372036854775808.0).int64Value(), std::nullopt);
}

TEST(RegistryValue, kindsAndEquality) {
    auto statistics = Value::dictionary({{"Bytes (Read)", Value::uint64(512)}});
    ASSERT_NE(statistics.find("Bytes (Read)"), nullptr);
    EXPECT_EQ(*statistics.find("Bytes (Read)"), Value::uint64(512));
    EXPECT_EQ(statistics.find("Bytes (Write)"), nullptr);
    EXPECT_EQ(statistics, Value::dictionary({{"Bytes (Read)", Value::uint64(512)}}));
    EXPECT_FALSE(Value::uint64(1) == Value::int64(1));
    EXPECT_EQ(Value::url("/media/a").urlPath() != nullptr, true);
    EXPECT_EQ(Value::string("/media/a").urlPath(), nullptr);  // a string is not a URL
    platform::UuidBytes bytes{0x0a, 0xbc, 0, 0, 0, 0, 0x4d, 0, 0x80, 0, 0, 0, 0, 0, 0, 0xff};
    EXPECT_EQ(Value::uuid(bytes).uuidString(), "0ABC0000-0000-4D00-8000-0000000000FF");
    EXPECT_EQ(Value::string("0ABC0000-0000-4D00-8000-0000000000FF").uuidString(), std::nullopt);
}

namespace {

// root ← pci(10) ← usb(20, "IOUSBHostDevice") ← driver(30) ← media(40); media 41 has two parents.
void buildGraph(FakeRegistry& registry) {
    registry.add(10, "IOPCIDevice", {FakeRegistry::rootID});
    registry.add(20, "IOUSBHostDevice", {10}, {{"USBSpeed", Value::int64(4)}});
    registry.add(30, "IOBlockStorageDriver", {20}, {{"Statistics", Value::dictionary({})}});
    registry.add(40, "IOMedia", {30}, {{"Whole", Value::boolean(true)}}, {"IOStorage"});
    registry.add(41, "IOMedia", {30, 20, 10});
}

FakeRegistry::Faults faults(void (*set)(FakeRegistry::Faults&)) {
    FakeRegistry::Faults result;
    set(result);
    return result;
}

}  // namespace

TEST(FakeRegistry, classesConformThroughSuperclassesAndTheRootOnlyToItself) {
    FakeRegistry registry;
    buildGraph(registry);
    auto media = registry.matchingEntryID(40);
    auto root = registry.matchingEntryID(FakeRegistry::rootID);
    ASSERT_TRUE(media && root);
    EXPECT_TRUE(registry.conformsTo(*media, "IOMedia"));
    EXPECT_TRUE(registry.conformsTo(*media, "IOStorage"));
    EXPECT_TRUE(registry.conformsTo(*media, "IOService"));
    EXPECT_TRUE(registry.conformsTo(*media, "IORegistryEntry"));
    EXPECT_FALSE(registry.conformsTo(*media, "IOBlockStorageDriver"));
    EXPECT_EQ(registry.className(*media), "IOMedia");  // exact, not a superclass
    EXPECT_EQ(registry.className(*root), "IORegistryEntry");
    EXPECT_TRUE(registry.conformsTo(*root, "IORegistryEntry"));
    EXPECT_FALSE(registry.conformsTo(*root, "IOService"));
    EXPECT_EQ(registry.entryID(*media), 40u);
    EXPECT_FALSE(registry.matchingEntryID(99));
}

TEST(FakeRegistry, parentsComeInOrderAndIteratorsTurnInvalid) {
    FakeRegistry registry;
    buildGraph(registry);
    auto media = registry.matchingEntryID(41);
    ASSERT_TRUE(media);
    auto parents = registry.parentIterator(*media, servicePlane);
    ASSERT_TRUE(parents);
    std::vector<std::uint64_t> ids;
    while (auto parent = parents->next()) ids.push_back(*registry.entryID(*parent));
    EXPECT_EQ(ids, (std::vector<std::uint64_t>{30, 20, 10}));
    EXPECT_TRUE(parents->isValid());
    EXPECT_EQ(registry.entryID(*registry.parentEntry(*media, servicePlane)), 30u);
    EXPECT_FALSE(registry.parentIterator(*media, "IODeviceTree"));

    // A change of the graph invalidates an iterator made before it.
    auto stale = registry.parentIterator(*media, servicePlane);
    ASSERT_TRUE(stale);
    EXPECT_TRUE(stale->next());
    registry.add(50, "IOService", {FakeRegistry::rootID});
    EXPECT_FALSE(stale->isValid());
    EXPECT_FALSE(stale->next());

    // Injected: invalid after one parent.
    registry.setFaults(41, faults([](auto& f) { f.iteratorInvalidAfter = 1; }));
    auto limited = registry.parentIterator(*media, servicePlane);
    ASSERT_TRUE(limited);
    EXPECT_TRUE(limited->isValid());
    EXPECT_TRUE(limited->next());
    EXPECT_FALSE(limited->isValid());
    EXPECT_FALSE(limited->next());

    registry.setFaults(41, faults([](auto& f) { f.parentIteratorFails = true; }));
    EXPECT_FALSE(registry.parentIterator(*media, servicePlane));
    EXPECT_FALSE(registry.parentEntry(*media, servicePlane));
}

TEST(FakeRegistry, propertyReadsReportTheirCodes) {
    FakeRegistry registry;
    buildGraph(registry);
    auto driver = registry.matchingEntryID(30);
    ASSERT_TRUE(driver);
    auto read = registry.allProperties(*driver);
    EXPECT_EQ(read.code, ReturnCode::success);
    ASSERT_TRUE(read.properties);
    EXPECT_TRUE(read.properties->count("Statistics"));

    registry.setFaults(30, faults([](auto& f) { f.propertiesCode = ReturnCode::notPrivileged; }));
    read = registry.allProperties(*driver);
    EXPECT_EQ(read.code, -536870207);
    EXPECT_FALSE(read.properties);
    registry.setFaults(30, faults([](auto& f) { f.propertiesWithoutDictionary = true; }));
    read = registry.allProperties(*driver);
    EXPECT_EQ(read.code, ReturnCode::success);
    EXPECT_FALSE(read.properties);
    EXPECT_EQ(registry.allPropertiesCalls(30), 3u);

    // Faults of the other reads.
    registry.setFaults(30, faults([](auto& f) { f.entryIDUnreadable = true; f.classNameUnreadable = true; }));
    EXPECT_FALSE(registry.entryID(*driver));
    EXPECT_FALSE(registry.className(*driver));
    registry.setFaults(30, faults([](auto& f) { f.notMatchable = true; }));
    EXPECT_FALSE(registry.matchingEntryID(30));

    // A removed entry: lookups fail and a property read answers "no device".
    registry.remove(30);
    EXPECT_FALSE(registry.className(*driver));
    EXPECT_EQ(registry.allProperties(*driver).code, ReturnCode::noDevice);
    EXPECT_FALSE(registry.property(*driver, "Statistics"));
}

TEST(FakeRegistry, handlesCountBackToZero) {
    FakeRegistry registry;
    buildGraph(registry);
    {
        auto media = registry.matchingEntryID(41);
        auto copy = media;
        EXPECT_EQ(registry.outstandingHandles(), 2);
        auto parents = registry.parentIterator(*media, servicePlane);  // holds its three parents
        EXPECT_EQ(registry.outstandingHandles(), 5);
        auto first = parents->next();  // moved out of the iterator, not a new handle
        EXPECT_EQ(registry.outstandingHandles(), 5);
        auto moved = std::move(*first);
        EXPECT_EQ(registry.outstandingHandles(), 5);
        copy = registry.matchingEntryID(10);  // assignment releases the old one
        EXPECT_EQ(registry.outstandingHandles(), 5);
    }
    EXPECT_EQ(registry.outstandingHandles(), 0);
    EXPECT_EQ(registry.add(FakeRegistry::Entry{"IOService", {}, {}, {10}}), 42u);  // fresh ids go upwards
}

TEST(Value, TextIsAlwaysValidUTF8) {
    EXPECT_EQ(platform::validUTF8("관측 disk"), "관측 disk");
    EXPECT_EQ(platform::validUTF8(std::string("USB\xff" "Drive")), "USB\xEF\xBF\xBD" "Drive");
    EXPECT_EQ(platform::validUTF8(std::string("\xC3")), "\xEF\xBF\xBD");                   // cut short
    EXPECT_EQ(platform::validUTF8(std::string("\xC0\xAF")), "\xEF\xBF\xBD\xEF\xBF\xBD");   // overlong "/"
    EXPECT_EQ(platform::validUTF8(std::string("\xED\xA0\x80")), "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD");  // surrogate
    EXPECT_EQ(platform::validUTF8(std::string("\xF0\x9F\x92\xBE")), "\xF0\x9F\x92\xBE");
    auto label = platform::Value::string(std::string("Fotos\x80"));
    ASSERT_NE(label.stringValue(), nullptr);
    EXPECT_EQ(*label.stringValue(), "Fotos\xEF\xBF\xBD");
    auto path = platform::Value::url(std::string("/media/a\xfe"));
    ASSERT_NE(path.urlPath(), nullptr);
    EXPECT_EQ(*path.urlPath(), "/media/a\xEF\xBF\xBD");
}

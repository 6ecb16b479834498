#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "InventoryHarness.h"
#include "Wendmark/LocalizedStandardOrder.h"

using platform::DescriptionKey;
using platform::Dictionary;
using platform::Value;
using wendmark::ActivityKind;
using wendmark::ActivityTracker;
using wendmark::DeviceSnapshot;
using wendmark::DiskInventory;
using wendmark::InventorySnapshot;
using wendmark::IOCounters;
using wendmark::LinkBandwidth;
using wendmark::StatisticsOutcome;

namespace {

std::string mediaKey(std::uint64_t media, const std::string& bsd) {
    return "media:" + std::to_string(media) + ":" + bsd;
}

FakeRegistry::Faults faults(void (*set)(FakeRegistry::Faults&)) {
    FakeRegistry::Faults result;
    set(result);
    return result;
}

std::vector<std::string> names(const InventorySnapshot& snapshot) {
    std::vector<std::string> result;
    for (const auto& device : snapshot.devices) result.push_back(device.displayName());
    return result;
}

}  // namespace

TEST(DeviceCapture, onlyDisksThatSayTheyAreExternalAreCaptured) {
    InventoryHarness h;
    auto withInternal = [](std::optional<Value> flag) {
        auto description = FakeExternalDrives::description(true, 1000);
        if (flag)
            description.set(DescriptionKey::deviceInternal, *flag);
        else
            description.erase(DescriptionKey::deviceInternal);
        return description;
    };
    h.drives.addDrive("disk2", withInternal(std::nullopt));
    h.drives.addDrive("disk3", withInternal(Value::boolean(true)));
    h.drives.addDrive("disk4", withInternal(Value::string("false")));
    auto external = h.drives.addDrive("disk5", withInternal(Value::int64(0)));  // a number counts
    auto noDescription = h.drives.addDrive("disk6", std::nullopt);
    h.arbitration->addDisk({"disk6", std::nullopt, noDescription.whole});
    h.drives.addDrive("disk7", std::nullopt);
    h.arbitration->addDisk({"disk7", FakeExternalDrives::description(true, 1000), std::nullopt});
    auto unreadable = h.drives.addDrive("disk8");
    h.drives.registry().setFaults(unreadable.whole, faults([](auto& f) { f.entryIDUnreadable = true; }));
    h.arbitration->addDisk({std::nullopt, FakeExternalDrives::description(true, 1000), external.whole});

    const InventorySnapshot snapshot = h.started();
    EXPECT_EQ(snapshot.externalMediaCount, 1);
    ASSERT_EQ(snapshot.devices.size(), 1u);
    EXPECT_EQ(snapshot.devices[0].id, InventoryHarness::driverKey(external));
}

TEST(DeviceCapture, aDeviceGathersTheVolumesOfItsDisks) {
    InventoryHarness h;
    auto drive =
        h.drives.addDrive("disk4", FakeExternalDrives::description(true, 2'000'000'000'000, " Extreme SSD \n"));
    auto efi = FakeExternalDrives::volumeDescription(200, "EFI", "", 9);
    efi.set(DescriptionKey::mediaContent, Value::string("EFI"));
    h.drives.addPartition(drive, "disk4s1", efi);
    efi.set(DescriptionKey::mediaContent, Value::string("c12a7328-f81f-11d2-ba4b-00a0c93ec93b"));
    h.drives.addPartition(drive, "disk4s3", efi);
    h.drives.addPartition(drive, "disk4s2", FakeExternalDrives::volumeDescription(500, "Work", "/Volumes/Work", 0));
    h.drives.addPartition(drive, "disk4s10", FakeExternalDrives::volumeDescription(600, "Archive", "", 1));
    auto noKind = FakeExternalDrives::volumeDescription(700, "Half", "/Volumes/Half", 2);
    noKind.erase(DescriptionKey::volumeKind);
    h.drives.addPartition(drive, "disk4s4", noKind);
    auto pathAsText = FakeExternalDrives::volumeDescription(800, "Text", "", 3);
    pathAsText.set(DescriptionKey::volumePath, Value::string("/Volumes/Text"));
    pathAsText.set(DescriptionKey::volumeUUID, Value::string("00112233-4455-6677-8899-AABBCCDDEEFF"));
    h.drives.addPartition(drive, "disk4s5", pathAsText);

    const InventorySnapshot snapshot = h.started();
    EXPECT_EQ(snapshot.externalMediaCount, 7);  // EFI and volume-less partitions count too
    ASSERT_EQ(snapshot.devices.size(), 1u);
    const DeviceSnapshot& device = snapshot.devices[0];
    EXPECT_EQ(device.id, "driver:" + std::to_string(drive.driver));
    EXPECT_EQ(device.model, "Extreme SSD");
    EXPECT_EQ(device.protocolName, "USB");
    EXPECT_EQ(device.capacity, 2'000'000'000'000u);
    EXPECT_EQ(device.isSolidState, true);
    EXPECT_TRUE(device.topologyVerified);
    EXPECT_EQ(device.statisticsSource, "IORegistry / IOBlockStorageDriver Statistics (호스트 누적 I/O)");
    EXPECT_EQ(device.observedAt, snapshot.capturedAt);
    EXPECT_EQ(device.linkBandwidth, (LinkBandwidth{LinkBandwidth::Transport::usb, 5'000'000'000}));

    // Plain code-point order of BSD names; the first mounted volume names the device.
    ASSERT_EQ(device.volumes.size(), 3u);
    EXPECT_EQ(device.volumes[0].bsdName, "disk4s10");
    EXPECT_EQ(device.volumes[1].bsdName, "disk4s2");
    EXPECT_EQ(device.volumes[2].bsdName, "disk4s5");
    EXPECT_EQ(device.displayName(), "Work");
    EXPECT_EQ(device.volumes[1], (wendmark::VolumeSnapshot{"disk4s2", "Work", "exfat", true, "/Volumes/Work",
                                                           "00112233-4455-6677-8899-AABBCCDDEEFF", 500u}));
    EXPECT_FALSE(device.volumes[0].isMounted);
    EXPECT_EQ(device.volumes[0].mountPath, std::nullopt);
    // A path that is not a URL does not mount, a UUID that is only text is no UUID.
    EXPECT_FALSE(device.volumes[2].isMounted);
    EXPECT_EQ(device.volumes[2].volumeUUID, std::nullopt);
}

TEST(DeviceCapture, theMediaSizeIsAWholeByteCountOrNothing) {
    InventoryHarness h;
    const double infinity = std::numeric_limits<double>::infinity();
    const std::uint64_t largest = std::numeric_limits<std::uint64_t>::max();
    const std::vector<std::pair<Value, std::optional<std::uint64_t>>> cases{
        {Value::uint64(largest), largest},      {Value::int64(512), 512u},
        {Value::real(1.5e12), 1'500'000'000'000u}, {Value::real(2.5), std::nullopt},
        {Value::int64(-5), std::nullopt},       {Value::real(-1.0), std::nullopt},
        {Value::real(infinity), std::nullopt},  {Value::real(std::nan("")), std::nullopt},
        {Value::real(18446744073709551616.0), std::nullopt}, {Value::string("512"), std::nullopt},
    };
    std::vector<std::string> keys;
    for (std::size_t i = 0; i < cases.size(); ++i) {
        auto description = FakeExternalDrives::description(true, 0);
        description.set(DescriptionKey::mediaSize, cases[i].first);
        keys.push_back(InventoryHarness::driverKey(h.drives.addDrive("disk" + std::to_string(i + 2), description)));
    }
    const InventorySnapshot snapshot = h.started();
    for (std::size_t i = 0; i < cases.size(); ++i)
        EXPECT_EQ(InventoryHarness::device(snapshot, keys[i])->capacity, cases[i].second) << i;
}

TEST(DeviceCapture, theModelFallsBackFromDescriptionToRegistryToTheFixedText) {
    InventoryHarness h;
    struct Case {
        std::string bsd;
        std::optional<Value> descriptionModel;
        std::optional<std::string> productName;  // absent: no characteristics at all
        std::string expected;
    };
    const std::vector<Case> cases{
        {"disk2", Value::string("  \t "), "  Portable Drive\t", "Portable Drive"},
        {"disk3", Value::string("\u00A0\u3000Ext\u2003\n"), "unused", "Ext"},
        {"disk4", std::nullopt, "", ""},  // the registry's name as it is, even when empty
        {"disk5", Value::string(""), std::nullopt, "외장 저장장치"},
        {"disk6", Value::int64(5), "P", "P"},
    };
    std::vector<std::string> keys;
    for (const auto& c : cases) {
        auto description = FakeExternalDrives::description(true, 1000);
        if (c.descriptionModel)
            description.set(DescriptionKey::deviceModel, *c.descriptionModel);
        else
            description.erase(DescriptionKey::deviceModel);
        auto drive = h.drives.addDrive(c.bsd, description, c.productName.value_or(""));
        if (!c.productName) h.drives.registry().removeProperty(drive.unit, "Device Characteristics");
        keys.push_back(InventoryHarness::driverKey(drive));
    }
    const InventorySnapshot snapshot = h.started();
    for (std::size_t i = 0; i < cases.size(); ++i) {
        auto device = InventoryHarness::device(snapshot, keys[i]);
        ASSERT_TRUE(device) << cases[i].bsd;
        EXPECT_EQ(device->model, cases[i].expected) << cases[i].bsd;
    }

    // The medium type, and how far up the characteristics are looked for: 24 entries in all.
    auto mediumType = [&](std::optional<std::string> type) {
        auto drive = h.drives.addDrive("disk9");
        Dictionary characteristics{{"Product Name", Value::string("X")}};
        if (type) characteristics.emplace("Medium Type", Value::string(*type));
        h.drives.registry().setProperty(drive.unit, "Device Characteristics", Value::dictionary(characteristics));
        h.time->advance(0.2);
        return InventoryHarness::device(h.last(), InventoryHarness::driverKey(drive))->isSolidState;
    };
    EXPECT_EQ(mediumType("Rotational"), false);
    EXPECT_EQ(mediumType("Hybrid"), std::nullopt);
    EXPECT_EQ(mediumType(std::nullopt), std::nullopt);

    auto modelAtDepth = [&](int ancestors, const std::string& bsd) {
        Dictionary characteristics{{"Product Name", Value::string("Deep")}};
        Dictionary properties{{"Device Characteristics", Value::dictionary(characteristics)}};
        std::uint64_t below = h.drives.registry().add({"IOService", {}, properties, {FakeRegistry::rootID}});
        for (int i = 1; i < ancestors; ++i) below = h.drives.registry().add({"IOService", {}, {}, {below}});
        auto media = h.drives.registry().add({"IOMedia", {}, {{"Whole", Value::boolean(true)}}, {below}});
        auto description = FakeExternalDrives::description(true, 1000);
        description.erase(DescriptionKey::deviceModel);
        h.arbitration->addDisk({bsd, description, media});
        h.time->advance(0.2);
        return InventoryHarness::device(h.last(), mediaKey(media, bsd))->model;
    };
    EXPECT_EQ(modelAtDepth(23, "disk10"), "Deep");
    EXPECT_EQ(modelAtDepth(24, "disk11"), "외장 저장장치");
}

TEST(DeviceCapture, devicesAreListedInTheLocalizedNumericOrderOfTheirNames) {
    InventoryHarness h;
    for (auto [bsd, name] : {std::pair{"disk2", "Backup 10"}, std::pair{"disk3", "backup 2"},
                             std::pair{"disk4", "Archive"}, std::pair{"disk5", "Backup 1"}}) {
        auto drive = h.drives.addDrive(bsd);
        h.drives.addPartition(drive, std::string(bsd) + "s1",
                              FakeExternalDrives::volumeDescription(10, name, std::string("/Volumes/") + name, 0));
    }
    // No mounted volume: the model is the name.
    auto unmounted = h.drives.addDrive("disk6", FakeExternalDrives::description(true, 1000, "Backup 3"));
    h.drives.addPartition(unmounted, "disk6s1", FakeExternalDrives::volumeDescription(10, "Zeta", "", 0));

    EXPECT_EQ(names(h.started()),
              (std::vector<std::string>{"Archive", "Backup 1", "backup 2", "Backup 3", "Backup 10"}));

    wendmark::LocalizedStandardOrder order;
    EXPECT_LT(order.compare("Backup 2", "Backup 10"), 0);
    EXPECT_EQ(order.compare("DRIVE", "drive"), 0);
    EXPECT_LT(order.compare("disk4s2", "disk4s10"), 0);
    EXPECT_GT(order.compare("b", "A"), 0);
    EXPECT_LT(wendmark::LocalizedStandardOrder("ko_KR").compare("가방 2", "나무 1"), 0);
}

TEST(DeviceCapture, everyCounterReadOutcomeReachesTheDevice) {
    InventoryHarness h;
    auto drive = h.drives.addDrive("disk4");
    const auto key = InventoryHarness::driverKey(drive);
    h.started();
    auto read = [&]() { return *InventoryHarness::device(h.refreshed(), key); };

    auto expectRead = [&](Value bytesRead, Value bytesWritten, IOCounters expected) {
        h.drives.setCounters(drive, bytesRead, bytesWritten);
        auto device = read();
        EXPECT_EQ(device.counters, expected);
        ASSERT_TRUE(device.statisticsAccess);
        EXPECT_EQ(device.statisticsAccess->outcome, StatisticsOutcome::available);
        EXPECT_EQ(device.statisticsAccess->detail, "현재 연결의 드라이버 누적 통계를 읽었습니다.");
        EXPECT_EQ(device.statisticsAccess->checkedAt, h.last().capturedAt);
    };
    expectRead(Value::uint64(1000), Value::uint64(2000), {1000, 2000});
    expectRead(Value::real(1234.75), Value::real(-0.0), {1234, 0});  // fractions are cut off
    expectRead(Value::uint64(std::numeric_limits<std::uint64_t>::max()), Value::int64(5),
               {std::numeric_limits<std::uint64_t>::max(), 5});
    expectRead(Value::real(1.8e19), Value::int64(0), {18'000'000'000'000'000'000u, 0});

    auto expectRefused = [&](StatisticsOutcome outcome, const std::string& detail, const std::string& label) {
        auto device = read();
        EXPECT_EQ(device.counters, std::nullopt) << label;
        ASSERT_TRUE(device.statisticsAccess) << label;
        EXPECT_EQ(device.statisticsAccess->outcome, outcome) << label;
        EXPECT_EQ(device.statisticsAccess->detail, detail) << label;
        EXPECT_EQ(device.activity.kind, ActivityKind::unavailable) << label;
        EXPECT_EQ(device.activity.reason, ActivityTracker::unreadableReason) << label;
    };
    const double infinity = std::numeric_limits<double>::infinity();
    for (Value bad : {Value::int64(-1), Value::real(-0.5), Value::real(std::nan("")), Value::real(infinity),
                      Value::real(-infinity), Value::real(18446744073709551616.0), Value::real(1e30)}) {
        h.drives.setCounters(drive, Value::uint64(1), bad);
        expectRefused(StatisticsOutcome::failed, "음수 통계가 반환되어 표본을 사용하지 않습니다.", "bad written");
        h.drives.setCounters(drive, bad, Value::uint64(1));
        expectRefused(StatisticsOutcome::failed, "음수 통계가 반환되어 표본을 사용하지 않습니다.", "bad read");
    }

    const std::string notExposed = "현재 드라이버에 읽기·쓰기 바이트 통계가 노출되지 않습니다.";
    h.drives.setCounters(drive, Value::uint64(1), Value::string("5"));
    expectRefused(StatisticsOutcome::notExposed, notExposed, "text");
    h.drives.registry().setProperty(drive.driver, "Statistics",
                                    Value::dictionary({{"Bytes (Write)", Value::uint64(1)}}));
    expectRefused(StatisticsOutcome::notExposed, notExposed, "missing");
    h.drives.registry().setProperty(drive.driver, "Statistics", Value::string("Bytes (Read)"));
    expectRefused(StatisticsOutcome::notExposed, notExposed, "not a dictionary");
    h.drives.registry().removeProperty(drive.driver, "Statistics");
    expectRefused(StatisticsOutcome::notExposed, notExposed, "no statistics");
    h.drives.setCounters(drive, 1, 1);
    h.drives.registry().setFaults(drive.driver, faults([](auto& f) { f.propertiesWithoutDictionary = true; }));
    expectRefused(StatisticsOutcome::notExposed, notExposed, "no dictionary");

    using platform::ReturnCode;
    const std::string denied = "IORegistry 접근이 거부되었습니다.";
    for (auto [code, outcome, detail] :
         {std::tuple{ReturnCode::notPrivileged, StatisticsOutcome::accessDenied, denied},
          std::tuple{ReturnCode::notPermitted, StatisticsOutcome::accessDenied, denied},
          std::tuple{ReturnCode::error, StatisticsOutcome::failed, std::string("IORegistry 조회 오류: -536870212")},
          // Gone between the lookup and the read: missing like a driver that cannot be found.
          std::tuple{ReturnCode::noDevice, StatisticsOutcome::deviceMissing, std::string("현재 연결의 드라이버 객체가 없습니다.")},
          std::tuple{7, StatisticsOutcome::failed, std::string("IORegistry 조회 오류: 7")}}) {
        FakeRegistry::Faults failing;
        failing.propertiesCode = code;
        h.drives.registry().setFaults(drive.driver, failing);
        expectRefused(outcome, detail, detail);
    }
    h.drives.registry().setFaults(drive.driver, faults([](auto& f) { f.notMatchable = true; }));
    expectRefused(StatisticsOutcome::deviceMissing, "현재 연결의 드라이버 객체가 없습니다.", "gone");

    // Readable again: the comparison starts over.
    h.drives.registry().setFaults(drive.driver, {});
    EXPECT_EQ(read().activity.kind, ActivityKind::preparing);
    h.time->advance(1);
    EXPECT_EQ(read().activity.kind, ActivityKind::observedIdle);
    EXPECT_EQ(h.last().statisticsQueryCount, h.snapshots.size());  // the start's read and one per refresh
}

TEST(DeviceCapture, disksWithoutOneVerifiedDriverGetNoStatistics) {
    InventoryHarness h;
    // Only the partitions of this drive are captured: no whole record, so no driver.
    auto description = FakeExternalDrives::description(true, 1000);
    description.erase(DescriptionKey::deviceInternal);
    auto headless = h.drives.addDrive("disk4", description);
    auto second = FakeExternalDrives::volumeDescription(20, "Second", "/Volumes/Second", 1, "Model B");
    second.erase(DescriptionKey::deviceProtocol);
    h.drives.addPartition(headless, "disk4s2", second);
    h.drives.addPartition(headless, "disk4s1", FakeExternalDrives::volumeDescription(10, "First", "", 0, "Model A"));

    // A partition on a software RAID set, one whose parents cannot be read, and one with more
    // parents than the walk takes.
    auto plain = h.drives.addDrive("disk5");
    auto raid = h.drives.registry().add({"SoftwareRAIDSet", {}, {}, {plain.scheme}});
    auto onRaid = h.drives.registry().add({"IOMedia", {}, {{"Whole", Value::boolean(false)}}, {raid}});
    h.arbitration->addDisk({"disk5s1", FakeExternalDrives::volumeDescription(10, "R", "", 2), onRaid});
    auto unreadable = h.drives.addPartition(plain, "disk5s2", FakeExternalDrives::volumeDescription(10, "U", "", 3));
    h.drives.registry().setFaults(plain.scheme, faults([](auto& f) { f.iteratorInvalidAfter = 0; }));
    auto bare = h.drives.addDrive("unused", std::nullopt);
    auto wholeWithParents = [&](const std::string& bsd, std::vector<std::uint64_t> parents) {
        auto media = h.drives.registry().add({"IOMedia", {}, {{"Whole", Value::boolean(true)}}, std::move(parents)});
        h.arbitration->addDisk({bsd, FakeExternalDrives::description(true, 1000), media});
        return media;
    };
    auto crowded = wholeWithParents("disk6", std::vector<std::uint64_t>(129, bare.driver));
    auto full = wholeWithParents("disk7", std::vector<std::uint64_t>(128, bare.driver));  // still read whole
    // The registry changed while the parents were read: only the first was handed out.
    auto other = h.drives.addDrive("unused2", std::nullopt);
    auto changing = wholeWithParents("disk8", {other.driver, bare.driver});
    h.drives.registry().setFaults(changing, faults([](auto& f) { f.iteratorInvalidAfter = 1; }));

    const InventorySnapshot snapshot = h.started();
    EXPECT_EQ(snapshot.statisticsQueryCount, 2u);  // disk5 and disk7 have a driver
    auto expectUnverified = [&](const std::string& key) {
        auto device = InventoryHarness::device(snapshot, key);
        ASSERT_TRUE(device) << key;
        EXPECT_FALSE(device->topologyVerified) << key;
        EXPECT_EQ(device->capacity, std::nullopt) << key;
        EXPECT_EQ(device->linkBandwidth, std::nullopt) << key;
        EXPECT_EQ(device->counters, std::nullopt) << key;
        EXPECT_EQ(device->activity.kind, ActivityKind::unavailable) << key;
        EXPECT_EQ(device->activity.reason, "장치 연결 관계를 확정하지 못했습니다.") << key;
        ASSERT_TRUE(device->statisticsAccess) << key;
        EXPECT_EQ(device->statisticsAccess->outcome, StatisticsOutcome::notExposed) << key;
        EXPECT_EQ(device->statisticsAccess->detail,
                  "하나의 외장 물리 장치로 연결 관계를 확인하지 못해 통계를 연결하지 않았습니다.")
            << key;
    };
    // Verified partitions still share their driver's key; the smallest BSD name leads.
    expectUnverified(InventoryHarness::driverKey(headless));
    auto device = InventoryHarness::device(snapshot, InventoryHarness::driverKey(headless));
    EXPECT_EQ(device->model, "Model A");
    EXPECT_EQ(device->protocolName, "USB");
    EXPECT_EQ(device->volumes.size(), 2u);
    expectUnverified(mediaKey(onRaid, "disk5s1"));
    expectUnverified(mediaKey(unreadable.media, "disk5s2"));
    expectUnverified(mediaKey(crowded, "disk6"));
    expectUnverified(mediaKey(changing, "disk8"));
    auto verified = InventoryHarness::device(snapshot, InventoryHarness::driverKey(bare));
    ASSERT_TRUE(verified);
    EXPECT_TRUE(verified->topologyVerified);
    EXPECT_EQ(verified->volumes.size(), 0u);
    EXPECT_EQ(InventoryHarness::device(snapshot, mediaKey(full, "disk7")), nullptr);
    EXPECT_EQ(snapshot.devices.size(), 7u);  // with disk5 and disk7, which are verified

    h.time->advance(30);  // the timer's read keeps them unverified
    EXPECT_EQ(h.last().statisticsQueryCount, 4u);
    EXPECT_FALSE(InventoryHarness::device(h.last(), mediaKey(onRaid, "disk5s1"))->topologyVerified);

    h.inventory->stop();
    h.time->runUntilIdle();
    EXPECT_EQ(h.drives.registry().outstandingHandles(), 0);
}

TEST(DeviceCapture, eachSamplingReadOfADeviceWithADriverCountsOnce) {
    InventoryHarness h;
    auto a = h.drives.addDrive("disk2");
    h.drives.addPartition(a, "disk2s1", FakeExternalDrives::volumeDescription(10, "A", "/Volumes/A", 0));
    h.drives.addDrive("disk3");
    auto missing = h.drives.addDrive("disk4");
    // A failed read counts too.
    h.drives.registry().setFaults(missing.driver, faults([](auto& f) { f.notMatchable = true; }));
    auto description = FakeExternalDrives::description(true, 1000);
    description.erase(DescriptionKey::deviceInternal);
    auto headless = h.drives.addDrive("disk5", description);
    h.drives.addPartition(headless, "disk5s1", FakeExternalDrives::volumeDescription(10, "H", "", 0));

    EXPECT_EQ(h.started().statisticsQueryCount, 3u);
    EXPECT_EQ(h.refreshed().statisticsQueryCount, 6u);
    h.inventory->setSampling(false, 30);
    EXPECT_EQ(h.refreshed().statisticsQueryCount, 6u);
    EXPECT_EQ(h.drives.registry().allPropertiesCalls(a.driver), 2u);  // one read per device and rebuild
}

TEST(DeviceCapture, aVolumeMatchesOnlyWhileItIsTheSameMountOnTheSameDevice) {
    InventoryHarness h;
    auto drive = h.drives.addDrive("disk4");
    h.drives.addPartition(drive, "disk4s2", FakeExternalDrives::volumeDescription(10, "Work", "/Volumes/Work", 0));
    h.drives.addPartition(drive, "disk4s3", FakeExternalDrives::volumeDescription(10, "Idle", "", 1));
    h.arbitration->setVolumePath("/Volumes/Work", "disk4s2");
    const InventorySnapshot snapshot = h.started();
    const DeviceSnapshot device = snapshot.devices.at(0);
    const auto work = device.volumes.at(0);
    auto& arbitration = *h.arbitration;

    EXPECT_TRUE(DiskInventory::matchesMountedVolume(work, device.id, arbitration));
    EXPECT_FALSE(DiskInventory::matchesMountedVolume(work, "driver:1", arbitration));
    EXPECT_FALSE(DiskInventory::matchesMountedVolume(device.volumes.at(1), device.id, arbitration));  // unmounted
    auto otherUUID = work;
    otherUUID.volumeUUID = "00000000-0000-0000-0000-000000000000";
    EXPECT_FALSE(DiskInventory::matchesMountedVolume(otherUUID, device.id, arbitration));
    auto otherPath = work;
    otherPath.mountPath = "/Volumes/Elsewhere";
    EXPECT_FALSE(DiskInventory::matchesMountedVolume(otherPath, device.id, arbitration));
    h.arbitration->setVolumePath("/Volumes/Work", "disk4s3");  // another disk is mounted there now
    EXPECT_FALSE(DiskInventory::matchesMountedVolume(work, device.id, arbitration));
    h.arbitration->setVolumePath("/Volumes/Work", "disk4s2");
    h.arbitration->setFailSessionCreation(true);
    EXPECT_FALSE(DiskInventory::matchesMountedVolume(work, device.id, arbitration));
    h.arbitration->setFailSessionCreation(false);
    EXPECT_TRUE(DiskInventory::matchesMountedVolume(work, device.id, arbitration));
}

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <atomic>
#include <filesystem>
#include <set>
#include <thread>

#include "Doubles/SysfsFixture.h"
#include "Platform/Disks/Linux/UdevDiskArbitration.h"
#include "Platform/Dispatch/ThreadSerialQueue.h"
#include "Platform/Dispatch/VirtualTime.h"

using namespace platform;

namespace {

struct Recorder {
    std::vector<std::string> events;
    static void appeared(const Disk& disk, void* context) {
        static_cast<Recorder*>(context)->events.push_back("appeared " + *disk.bsdName());
    }
    static void disappeared(const Disk& disk, void* context) {
        static_cast<Recorder*>(context)->events.push_back("disappeared " + *disk.bsdName());
    }
    static void changed(const Disk& disk, const std::vector<DescriptionKey>& keys, void* context) {
        static_cast<Recorder*>(context)->events.push_back((keys.empty() ? "changed " : "mounts ") + *disk.bsdName());
    }
};

class LinuxBackend : public ::testing::Test {
protected:
    void SetUp() override {
        fixture.addUsbSsd();
        fixture.addUsbStick();
        fixture.addThunderboltNvme();
        fixture.addInternalNvme();
        fixture.addLoop();
        fixture.setMountInfo(SysfsFixture::standardMountInfo());
        arbitration = UdevDiskArbitration::make(fixture.environment());
        session = arbitration->openSession();
        ASSERT_TRUE(session);
        registry = arbitration->sysfsRegistry();
    }

    void attach() {
        session->registerDiskAppeared(&Recorder::appeared, &recorder);
        session->registerDiskDisappeared(&Recorder::disappeared, &recorder);
        session->registerDiskDescriptionChanged(&Recorder::changed, &recorder);
        session->setDispatchQueue(queue);
        time->runUntilIdle();
    }

    DiskDescription describe(const std::string& name) {
        auto disk = session->diskFromBSDName(name);
        EXPECT_TRUE(disk) << name;
        auto description = disk ? disk->copyDescription() : std::nullopt;
        EXPECT_TRUE(description) << name;
        return description.value_or(DiskDescription{});
    }

    static std::optional<std::string> text(const DiskDescription& description, DescriptionKey key) {
        auto value = description.value(key);
        return value && value->stringValue() ? std::optional(*value->stringValue()) : std::nullopt;
    }

    static std::optional<bool> flag(const DiskDescription& description, DescriptionKey key) {
        auto value = description.value(key);
        return value ? value->boolValue() : std::nullopt;
    }

    RegistryObject media(const std::string& name) { return *session->diskFromBSDName(name)->copyIOMedia(); }

    // The first entry at or above `start` (first parents only) whose class is `className`.
    std::optional<RegistryObject> above(RegistryObject start, std::string_view className) {
        std::optional<RegistryObject> current = std::move(start);
        for (int step = 0; current && step < 40; ++step) {
            if (registry->className(*current) == className) return current;
            current = registry->parentEntry(*current, servicePlane);
        }
        return std::nullopt;
    }

    std::vector<std::string> classChain(RegistryObject start) {
        std::vector<std::string> classes;
        std::optional<RegistryObject> current = std::move(start);
        for (int step = 0; current && step < 40; ++step) {
            classes.push_back(registry->className(*current).value_or("?"));
            current = registry->parentEntry(*current, servicePlane);
        }
        return classes;
    }

    std::uint64_t id(const RegistryObject& entry) { return registry->entryID(entry).value_or(0); }

    SysfsFixture fixture;
    std::shared_ptr<UdevDiskArbitration> arbitration;
    std::shared_ptr<UdevDiskSession> session;
    std::shared_ptr<SysfsRegistry> registry;
    std::shared_ptr<VirtualTime> time = VirtualTime::make();
    SerialQueuePtr queue = time->makeQueue("inventory");
    Recorder recorder;
};

}  // namespace

TEST_F(LinuxBackend, onlyUsbAndThunderboltDisksAreExternal) {
    attach();
    std::set<std::string> appeared(recorder.events.begin(), recorder.events.end());
    EXPECT_EQ(appeared.size(), 10u);
    for (auto name : {"sdb", "sdb1", "sdb2", "sdc", "sdc1", "nvme0n1", "nvme0n1p1"}) {
        EXPECT_TRUE(appeared.count(std::string("appeared ") + name)) << name;
        EXPECT_EQ(flag(describe(name), DescriptionKey::deviceInternal), false) << name;
    }
    EXPECT_EQ(flag(describe("nvme1n1"), DescriptionKey::deviceInternal), true);
    EXPECT_EQ(flag(describe("nvme1n1p1"), DescriptionKey::deviceInternal), true);
    EXPECT_EQ(describe("loop0").value(DescriptionKey::deviceInternal), nullptr);  // not a candidate at all

    EXPECT_EQ(text(describe("sdb"), DescriptionKey::deviceProtocol), "USB");
    EXPECT_EQ(text(describe("sdc1"), DescriptionKey::deviceProtocol), "USB");
    EXPECT_EQ(text(describe("nvme0n1"), DescriptionKey::deviceProtocol), "Thunderbolt");
    EXPECT_EQ(text(describe("nvme1n1"), DescriptionKey::deviceProtocol), "PCI-Express");

    // A card reader without a card has no medium: not a candidate either.
    fixture.write(fixture.root() + "/block/sdc/size", "0\n");
    EXPECT_EQ(describe("sdc").value(DescriptionKey::deviceInternal), nullptr);
}

TEST_F(LinuxBackend, descriptionsCarryVolumesModelsAndEscapedMountPoints) {
    auto volume = describe("sdb2");
    EXPECT_EQ(flag(volume, DescriptionKey::mediaWhole), false);
    EXPECT_EQ(text(volume, DescriptionKey::volumeName), "My Passport");
    EXPECT_EQ(text(volume, DescriptionKey::volumeKind), "exfat");
    ASSERT_NE(volume.value(DescriptionKey::volumePath), nullptr);
    ASSERT_NE(volume.value(DescriptionKey::volumePath)->urlPath(), nullptr);
    // The root mount wins over the earlier bind mount of a subfolder.
    EXPECT_EQ(*volume.value(DescriptionKey::volumePath)->urlPath(), "/media/user/My Passport");
    EXPECT_EQ(volume.value(DescriptionKey::volumeUUID)->uuidString(), "00000000-0000-0000-0000-00005E2C91A0");
    EXPECT_EQ(volume.value(DescriptionKey::mediaSize)->uint64Value(), 1953107968ull * 512);
    EXPECT_EQ(text(volume, DescriptionKey::deviceModel), "Extreme SSD   ");  // the disk's model

    auto whole = describe("sdb");
    EXPECT_EQ(flag(whole, DescriptionKey::mediaWhole), true);
    EXPECT_EQ(text(whole, DescriptionKey::deviceModel), "Extreme SSD   ");  // unescaped, trimmed by the reader
    EXPECT_EQ(text(whole, DescriptionKey::mediaContent), "GUID_partition_scheme");
    EXPECT_EQ(whole.value(DescriptionKey::volumeName), nullptr);
    EXPECT_EQ(text(describe("sdb1"), DescriptionKey::mediaContent), "c12a7328-f81f-11d2-ba4b-00a0c93ec93b");

    // Without udev data: the model comes from sysfs, and no volume is claimed.
    auto stick = describe("sdc1");
    EXPECT_EQ(text(stick, DescriptionKey::deviceModel), "Cruzer Blade");
    EXPECT_EQ(stick.value(DescriptionKey::volumeName), nullptr);
    EXPECT_EQ(stick.value(DescriptionKey::volumePath), nullptr);

    // An unlabelled file system is still a volume.
    fixture.udev->deviceProperties["sdc1"] = {{"ID_FS_USAGE", "filesystem"}, {"ID_FS_TYPE", "vfat"}};
    EXPECT_EQ(text(describe("sdc1"), DescriptionKey::volumeName), "");
    fixture.udev->deviceProperties["sdc1"]["ID_PART_ENTRY_TYPE"] = "0xef";
    EXPECT_EQ(text(describe("sdc1"), DescriptionKey::mediaContent), "EFI");

    EXPECT_EQ(session->diskFromVolumePath("/media/user/My Passport")->bsdName(), "sdb2");
    EXPECT_EQ(session->diskFromVolumePath("/media/user/My Passport/")->bsdName(), "sdb2");
    EXPECT_EQ(session->diskFromVolumePath("/")->bsdName(), "nvme1n1p1");
    EXPECT_FALSE(session->diskFromVolumePath("/media/user"));
    EXPECT_FALSE(session->diskFromVolumePath("/proc"));  // not a block device
    EXPECT_FALSE(session->diskFromBSDName("../sdb"));
    EXPECT_FALSE(session->diskFromBSDName("sdz"));
}

// A disk's name is its identity and cannot be mended: a disk named in bytes that are not UTF-8
// (root may name a software array so) is not taken. Its labels and paths are mended (Value).
TEST_F(LinuxBackend, aDiskNamedInBytesThatAreNotUTF8IsNotTaken) {
    const std::string name = "md_\xFF";
    fixture.addDisk(fixture.root() + "/devices/virtual/block", name, 9, 127, 2048, "50", false, false);
    attach();
    session->handleDeviceEvent({"add", name});
    time->runUntilIdle();
    EXPECT_EQ(recorder.events.size(), 10u) << "the disks of the fixture only";
    EXPECT_FALSE(session->diskFromBSDName(name));
}

TEST_F(LinuxBackend, aPartitionReachesOneDriverAndTheUsbDeviceAboveIt) {
    EXPECT_EQ(classChain(media("sdb1")),
              (std::vector<std::string>{"IOMedia", "IOPartitionScheme", "IOMedia", "IOBlockStorageDriver",
                                        "IOSCSILogicalUnit", "IOSCSITarget", "IOSCSIHost", "IOUSBHostInterface",
                                        "IOUSBHostDevice", "IOUSBRootHubDevice", "IOPCIDevice", "IOService",
                                        "IORegistryEntry"}));
    auto partition = media("sdb1");
    auto whole = above(partition, "IOPartitionScheme");
    ASSERT_TRUE(whole);
    whole = registry->parentEntry(*whole, servicePlane);
    EXPECT_EQ(registry->property(*whole, "Whole"), Value::boolean(true));
    EXPECT_EQ(registry->property(partition, "Whole"), Value::boolean(false));
    EXPECT_EQ(id(*whole), id(media("sdb")));  // the same entry whichever way it is reached
    EXPECT_TRUE(registry->conformsTo(partition, "IOMedia"));
    EXPECT_TRUE(registry->conformsTo(partition, "IOService"));

    auto driver = above(partition, "IOBlockStorageDriver");
    ASSERT_TRUE(driver);
    EXPECT_TRUE(registry->conformsTo(*driver, "IOBlockStorageDriver"));
    auto provider = registry->parentEntry(*driver, servicePlane);
    auto characteristics = registry->property(*provider, "Device Characteristics");
    ASSERT_TRUE(characteristics);
    EXPECT_EQ(*characteristics->find("Product Name"), Value::string("Extreme SSD"));
    EXPECT_EQ(*characteristics->find("Medium Type"), Value::string("Solid State"));
    EXPECT_EQ(*registry->property(*above(media("sdc"), "IOSCSILogicalUnit"), "Device Characteristics")
                   ->find("Medium Type"),
              Value::string("Rotational"));

    // Every entry on the way has exactly one parent; the root has none.
    auto parents = registry->parentIterator(*driver, servicePlane);
    ASSERT_TRUE(parents);
    EXPECT_TRUE(parents->next());
    EXPECT_FALSE(parents->next());
    EXPECT_TRUE(parents->isValid());
    auto root = above(*driver, "IORegistryEntry");
    ASSERT_TRUE(root);
    EXPECT_FALSE(registry->conformsTo(*root, "IOService"));
    EXPECT_FALSE(registry->parentIterator(*root, servicePlane)->next());

    // A root hub is not a USB device entry.
    auto hub = above(*driver, "IOUSBRootHubDevice");
    EXPECT_FALSE(registry->conformsTo(*hub, "IOUSBHostDevice"));
    EXPECT_EQ(registry->property(*hub, "USBSpeed"), std::nullopt);

    // Any udev event turns iterators made before it invalid.
    auto stale = registry->parentIterator(partition, servicePlane);
    session->handleDeviceEvent({"change", "sdc"});
    EXPECT_FALSE(stale->isValid());

    provider.reset();
    driver.reset();
    whole.reset();
    hub.reset();
    root.reset();
    parents.reset();
    stale.reset();
    { auto drop = std::move(partition); }
    EXPECT_EQ(registry->outstandingHandles(), 0);
}

TEST_F(LinuxBackend, statisticsAreReadLiveAndNeverFaked) {
    auto driver = above(media("sdb"), "IOBlockStorageDriver");
    ASSERT_TRUE(driver);
    auto statistics = [&]() -> std::optional<std::pair<std::uint64_t, std::uint64_t>> {
        auto read = registry->allProperties(*driver);
        EXPECT_EQ(read.code, ReturnCode::success);
        if (!read.properties || !read.properties->count("Statistics")) return std::nullopt;
        const auto& values = read.properties->at("Statistics");
        return std::pair(*values.find("Bytes (Read)")->uint64Value(), *values.find("Bytes (Write)")->uint64Value());
    };
    using Bytes = std::pair<std::uint64_t, std::uint64_t>;
    auto reads = registry->statisticsReads();
    EXPECT_EQ(statistics(), Bytes(2048 * 512, 4096 * 512));
    auto stat = fixture.root() + "/block/sdb/stat";
    fixture.write(stat, "1 0 7000000000 1 1 0 3 1 0 1 1 0 0 0 0 0 0\n");
    EXPECT_EQ(statistics(), Bytes(7000000000ull * 512, 3 * 512));
    EXPECT_EQ(registry->statisticsReads(), reads + 2);

    // Text that does not parse leaves the counters out: a 0 would read as a counter reset.
    for (auto bad : {"", "garbage\n", "1 2 3 4 5 6\n", "1 0 -5 1 1 0 3\n", "1 0 36028797018963968 1 1 0 3\n"}) {
        fixture.write(stat, bad);
        EXPECT_EQ(statistics(), std::nullopt) << bad;
        EXPECT_EQ(registry->property(*driver, "Statistics"), std::nullopt) << bad;
    }
    // The file is kept open, so a fixture file that is gone is noticed at the next change of the
    // tree, when the driver is looked up again (on sysfs the kept file of a removed disk fails).
    std::filesystem::remove(stat);
    session->handleDeviceEvent({"change", "sdc"});
    EXPECT_TRUE(registry->matchingEntryID(id(*driver)));
    EXPECT_EQ(registry->allProperties(*driver).code, ReturnCode::noDevice);
}

TEST_F(LinuxBackend, usbSpeedComesFromTheDevicesSpeedFile) {
    auto usbDevice = above(media("sdb"), "IOUSBHostDevice");
    ASSERT_TRUE(usbDevice);
    auto speedFile = fixture.devices("pci0000:00/0000:00:14.0/usb2/2-1/speed");
    for (auto [speed, code] : std::initializer_list<std::pair<const char*, int>>{{"480", 3}, {"5000", 4}, {"10000", 5}, {"1.5", 2}}) {
        fixture.write(speedFile, std::string(speed) + "\n");
        EXPECT_EQ(registry->property(*usbDevice, "USBSpeed"), Value::int64(code)) << speed;
    }
    fixture.write(speedFile, "unknown\n");
    EXPECT_EQ(registry->property(*usbDevice, "USBSpeed"), std::nullopt);
    auto all = registry->allProperties(*usbDevice);
    EXPECT_EQ(all.code, ReturnCode::success);
    EXPECT_FALSE(all.properties->count("USBSpeed"));
    EXPECT_EQ(registry->property(*above(media("sdc"), "IOUSBHostDevice"), "USBSpeed"), Value::int64(3));
    EXPECT_FALSE(registry->property(*usbDevice, "Thunderbolt Entry ID"));
}

TEST_F(LinuxBackend, aThunderboltPathLeadsFromTheTunnelEntryToTheRouterLink) {
    // Walk up from the driver to the first entry that names a Thunderbolt service.
    std::optional<RegistryObject> entry = above(media("nvme0n1"), "IOBlockStorageDriver");
    std::optional<Value> service;
    for (int step = 0; entry && !service && step < 40; ++step) {
        service = registry->property(*entry, "Thunderbolt Entry ID");
        if (!service) entry = registry->parentEntry(*entry, servicePlane);
    }
    ASSERT_TRUE(service);
    EXPECT_EQ(registry->className(*entry), "IOPCIDevice");
    auto router = registry->matchingEntryID(*service->uint64Value());
    ASSERT_TRUE(router);
    EXPECT_EQ(registry->property(*router, "PCI Entry ID"), Value::uint64(id(*entry)));  // points back

    auto port = registry->parentEntry(*router, servicePlane);
    ASSERT_TRUE(port);
    EXPECT_TRUE(registry->conformsTo(*port, "IOThunderboltPort"));
    auto all = registry->allProperties(*port);
    ASSERT_TRUE(all.properties);
    EXPECT_EQ(all.properties->at("Adapter Type"), Value::int64(1));
    EXPECT_EQ(all.properties->at("Current Link Speed"), Value::int64(4));
    EXPECT_EQ(all.properties->at("Current Link Width"), Value::int64(2));
    EXPECT_EQ(all.properties->at("Supported Link Speed"), Value::int64(12));
    auto controller = registry->parentEntry(*registry->parentEntry(*port, servicePlane), servicePlane);
    EXPECT_EQ(registry->className(*controller), "IOThunderboltController");

    fixture.write(fixture.devices("pci0000:00/0000:00:0d.2/domain0/0-0/0-1/rx_speed"), "10.0 Gb/s\n");
    EXPECT_EQ(registry->property(*port, "Current Link Speed"), Value::int64(8));
    fixture.write(fixture.devices("pci0000:00/0000:00:0d.2/domain0/0-0/0-1/rx_speed"), "fast\n");
    EXPECT_EQ(registry->property(*port, "Current Link Speed"), std::nullopt);

    // With a second router the tunnel cannot be told apart: no guess is made.
    fixture.addDevice("pci0000:00/0000:00:0d.2/domain0/0-0/0-1/0-301", "thunderbolt", "thunderbolt_device",
                      {{"unique_id", "second"}});
    EXPECT_EQ(registry->property(*entry, "Thunderbolt Entry ID"), std::nullopt);
    EXPECT_EQ(registry->property(*router, "PCI Entry ID"), std::nullopt);
    // Nor is there one for PCI devices inside the machine.
    EXPECT_EQ(registry->property(*above(media("nvme1n1"), "IOPCIDevice"), "Thunderbolt Entry ID"), std::nullopt);
}

TEST_F(LinuxBackend, aDiskPluggedInAgainGetsNewIds) {
    attach();
    auto oldMedia = id(media("sdb"));
    auto oldPartition = id(media("sdb2"));
    auto oldDriver = id(*above(media("sdb"), "IOBlockStorageDriver"));
    auto oldDisk = session->diskFromBSDName("sdb");

    fixture.removeBlock("sdb");
    for (auto name : {"sdb2", "sdb1", "sdb"}) session->handleDeviceEvent({"remove", name});
    EXPECT_FALSE(registry->matchingEntryID(oldDriver));
    EXPECT_FALSE(registry->matchingEntryID(oldMedia));
    EXPECT_FALSE(oldDisk->copyDescription());
    EXPECT_FALSE(oldDisk->copyIOMedia());

    // The same name, path and even sequence number: still a new device.
    auto unit = fixture.devices("pci0000:00/0000:00:14.0/usb2/2-1/2-1:1.0/host6/target6:0:0/6:0:0:0");
    auto disk = fixture.addDisk(unit, "sdb", 8, 16, 1953525168, "11", false);
    fixture.addPartition(disk, "sdb2", 8, 18, 1953107968);
    session->handleDeviceEvent({"add", "sdb"});
    session->handleDeviceEvent({"add", "sdb2"});
    auto newMedia = id(media("sdb"));
    auto newDriver = id(*above(media("sdb"), "IOBlockStorageDriver"));
    EXPECT_GT(newMedia, oldMedia);
    EXPECT_GT(newDriver, oldDriver);
    EXPECT_NE(id(media("sdb2")), oldPartition);
    EXPECT_FALSE(registry->matchingEntryID(oldDriver));
    EXPECT_FALSE(oldDisk->copyDescription());  // an old disk object does not come back to life

    // A new sequence number without any event (a missed unplug) also means a new device.
    fixture.write(disk + "/diskseq", "12\n");
    EXPECT_FALSE(registry->matchingEntryID(newDriver));
    EXPECT_NE(id(media("sdb")), newMedia);

    time->runUntilIdle();
    std::vector<std::string> tail(recorder.events.end() - 5, recorder.events.end());
    EXPECT_EQ(tail, (std::vector<std::string>{"disappeared sdb2", "disappeared sdb1", "disappeared sdb", "appeared sdb",
                                              "appeared sdb2"}));
}

TEST_F(LinuxBackend, messagesBehindARefusedOneAreStillRead) {
    attach();
    recorder.events.clear();
    using Kind = UdevReceipt::Kind;
    fixture.udev->waiting = {{Kind::event, {"change", "sdb"}}, {Kind::ignored, {}}, {Kind::event, {"change", "sdc"}}};
    session->handleUdevReadable();
    time->runUntilIdle();
    EXPECT_EQ(recorder.events, (std::vector<std::string>{"changed sdb", "changed sdc"}));
}

TEST_F(LinuxBackend, lostEventsAreMadeUpForByAScanAgainstTheKnownDisks) {
    attach();
    recorder.events.clear();
    auto oldSsd = id(media("sdb"));
    auto oldSsdDriver = id(*above(media("sdb"), "IOBlockStorageDriver"));
    auto oldStick = id(media("sdc"));

    // While the events were lost: the stick left, another SSD took sdb, and a partition was made.
    fixture.removeBlock("sdc");
    fixture.removeBlock("sdb");
    auto unit = fixture.devices("pci0000:00/0000:00:14.0/usb2/2-1/2-1:1.0/host6/target6:0:0/6:0:0:0");
    auto ssd = fixture.addDisk(unit, "sdb", 8, 16, 1953525168, "31", false);
    fixture.addPartition(ssd, "sdb1", 8, 17, 1953523712);
    fixture.addPartition(fixture.root() + "/block/nvme0n1", "nvme0n1p2", 259, 4, 1000);
    fixture.udev->waiting = {{UdevReceipt::Kind::event, {"change", "nvme0n1"}}, {UdevReceipt::Kind::overflowed, {}}};
    session->handleUdevReadable();
    time->runUntilIdle();

    std::set<std::string> events(recorder.events.begin(), recorder.events.end());
    EXPECT_EQ(events, (std::set<std::string>{"changed nvme0n1", "disappeared sdb", "disappeared sdb1",
                                             "disappeared sdb2", "disappeared sdc", "disappeared sdc1",
                                             "appeared sdb", "appeared sdb1", "appeared nvme0n1p2"}));
    EXPECT_EQ(recorder.events.size(), events.size());
    EXPECT_GT(id(media("sdb")), oldSsd);
    EXPECT_FALSE(registry->matchingEntryID(oldSsdDriver));

    // The stick's entries were retired: plugged in again, even unchanged, it gets new ids.
    auto stick = fixture.addDisk(fixture.devices("pci0000:00/0000:00:14.0/usb1/1-2/1-2:1.0/host7/target7:0:0/7:0:0:0"),
                                 "sdc", 8, 32, 60063744, "12", true);
    EXPECT_NE(id(media("sdc")), oldStick);

    // A later scan reports only what changed since: the stick is back.
    recorder.events.clear();
    session->rescan();
    time->runUntilIdle();
    EXPECT_EQ(recorder.events, std::vector<std::string>{"appeared sdc"});
    (void)stick;
}

TEST_F(LinuxBackend, aDiskThatVanishesCannotBeReadAnyMore) {
    fixture.udev->scan = std::vector<std::string>{"sdc", "sdd", "sdc1"};  // sdd left before it was read
    attach();
    EXPECT_EQ(recorder.events, (std::vector<std::string>{"appeared sdc", "appeared sdc1"}));

    auto disk = session->diskFromBSDName("sdc");
    auto driver = above(*disk->copyIOMedia(), "IOBlockStorageDriver");
    auto driverID = id(*driver);
    fixture.removeBlock("sdc");
    EXPECT_FALSE(disk->copyDescription());
    EXPECT_FALSE(disk->copyIOMedia());
    EXPECT_FALSE(registry->matchingEntryID(driverID));
    EXPECT_EQ(registry->allProperties(*driver).code, ReturnCode::noDevice);
    EXPECT_FALSE(registry->parentIterator(*driver, servicePlane));
    EXPECT_FALSE(session->diskFromBSDName("sdc"));

    // A change event for a device already gone reports it as gone.
    session->handleDeviceEvent({"change", "sdc"});
    session->handleDeviceEvent({"add", "../../sda"});
    time->runUntilIdle();
    EXPECT_EQ(recorder.events.back(), "disappeared sdc");
    EXPECT_EQ(recorder.events.size(), 3u);
}

TEST_F(LinuxBackend, mountTableChangesBecomeDescriptionChanges) {
    attach();
    recorder.events.clear();
    session->handleMountTableChange();  // nothing changed
    time->runUntilIdle();
    EXPECT_TRUE(recorder.events.empty());

    fixture.setMountInfo(SysfsFixture::standardMountInfo() +
                         "97 27 8:33 / /media/user/STICK\\040\\0402 rw - vfat /dev/sdc1 rw\n");
    session->handleMountTableChange();
    time->runUntilIdle();
    EXPECT_EQ(recorder.events, std::vector<std::string>{"mounts sdc1"});
    fixture.udev->deviceProperties["sdc1"] = {{"ID_FS_USAGE", "filesystem"}, {"ID_FS_TYPE", "vfat"}};
    EXPECT_EQ(*describe("sdc1").value(DescriptionKey::volumePath)->urlPath(), "/media/user/STICK  2");

    fixture.setMountInfo(SysfsFixture::standardMountInfo());  // unmounted again
    session->handleMountTableChange();
    time->runUntilIdle();
    EXPECT_EQ(recorder.events.size(), 2u);
    EXPECT_EQ(describe("sdc1").value(DescriptionKey::volumePath), nullptr);

    // While the table cannot be read nothing is reported, and nothing is lost for later.
    auto saved = SysfsFixture::standardMountInfo() + "98 27 8:33 / /mnt rw - vfat /dev/sdc1 rw\n";
    std::filesystem::remove(fixture.mountInfoPath());
    session->handleMountTableChange();
    fixture.setMountInfo(saved);
    session->handleMountTableChange();
    time->runUntilIdle();
    EXPECT_EQ(recorder.events.size(), 3u);
}

TEST_F(LinuxBackend, aBtrfsVolumeIsFoundMountedThroughItsSourceDevice) {
    attach();
    recorder.events.clear();
    fixture.udev->deviceProperties["sdc1"] = {{"ID_FS_USAGE", "filesystem"}, {"ID_FS_TYPE", "btrfs"}};
    fixture.deviceNodes["/dev/sdc1"] = {8, 33};
    // btrfs shows an anonymous device number; the tmpfs and FUSE lines stay unmatched.
    fixture.setMountInfo(SysfsFixture::standardMountInfo() +
                         "60 27 0:31 / /run/user rw - tmpfs tmpfs rw\n"
                         "61 27 0:52 / /mnt/fuse rw - fuse.sshfs /dev/fuse rw\n"
                         "98 27 0:45 / /media/user/STICK rw,relatime shared:60 - btrfs /dev/sdc1 rw,subvol=/\n");
    session->handleMountTableChange();
    time->runUntilIdle();
    EXPECT_EQ(recorder.events, std::vector<std::string>{"mounts sdc1"});
    auto volume = describe("sdc1");
    auto path = volume.value(DescriptionKey::volumePath);
    ASSERT_NE(path, nullptr);
    EXPECT_EQ(*path->urlPath(), "/media/user/STICK");
    EXPECT_EQ(session->diskFromVolumePath("/media/user/STICK")->bsdName(), "sdc1");
    EXPECT_FALSE(session->diskFromVolumePath("/run/user"));
}

TEST_F(LinuxBackend, aMappedDeviceIsCompositeAndAsExternalAsItsMembers) {
    auto dm = fixture.addDisk(fixture.root() + "/devices/virtual/block", "dm-0", 254, 0, 1000, "30", false, false);
    fixture.link(fixture.root() + "/block/sdb/sdb2", dm + "/slaves/sdb2");
    EXPECT_EQ(flag(describe("dm-0"), DescriptionKey::deviceInternal), false);
    auto parents = registry->parentIterator(media("dm-0"), servicePlane);
    auto layer = parents->next();
    EXPECT_FALSE(parents->next());
    EXPECT_EQ(registry->className(*layer), "CoreStorageLogicalVolumeGroup");
    auto members = registry->parentIterator(*layer, servicePlane);
    EXPECT_EQ(id(*members->next()), id(media("sdb2")));

    fixture.link(fixture.root() + "/block/nvme1n1/nvme1n1p1", dm + "/slaves/nvme1n1p1");
    EXPECT_EQ(flag(describe("dm-0"), DescriptionKey::deviceInternal), true);
}

TEST_F(LinuxBackend, anUnlockedEncryptedVolumeSitsOnItsPartitionAndLogicalVolumesStayComposite) {
    fixture.addLuksVolume();
    fixture.addLvmVolume();
    EXPECT_EQ(classChain(media("dm-0")),
              (std::vector<std::string>{"IOMedia", "IOMedia", "IOPartitionScheme", "IOMedia", "IOBlockStorageDriver",
                                        "IOSCSILogicalUnit", "IOSCSITarget", "IOSCSIHost", "IOUSBHostInterface",
                                        "IOUSBHostDevice", "IOUSBRootHubDevice", "IOPCIDevice", "IOService",
                                        "IORegistryEntry"}));
    auto parents = registry->parentIterator(media("dm-0"), servicePlane);
    EXPECT_EQ(id(*parents->next()), id(media("sdb2")));
    EXPECT_FALSE(parents->next());
    EXPECT_EQ(flag(describe("dm-0"), DescriptionKey::deviceInternal), false);
    EXPECT_EQ(text(describe("dm-0"), DescriptionKey::volumeName), "Vault");

    EXPECT_EQ(registry->className(*registry->parentEntry(media("dm-1"), servicePlane)), "CoreStorageLogicalVolumeGroup");
    // A crypt mapping over two devices is no plain pass-through either.
    fixture.link(fixture.root() + "/block/sdc/sdc1", fixture.root() + "/block/dm-0/slaves/sdc1");
    EXPECT_EQ(registry->className(*registry->parentEntry(media("dm-0"), servicePlane)), "CoreStorageLogicalVolumeGroup");
}

TEST(LinuxDiskSession, creationFailsWhenItsSourcesAreMissing) {
    SysfsFixture fixture;
    fixture.addUsbStick();
    auto open = [](LinuxDiskEnvironment environment) {
        return UdevDiskArbitration::make(std::move(environment))->createSession();
    };
    EXPECT_TRUE(open(fixture.environment()));

    auto environment = fixture.environment();
    environment.sysfsRoot = fixture.root() + "/missing";
    EXPECT_FALSE(open(environment));

    environment = fixture.environment();
    environment.mountInfoPath = fixture.root() + "/no-mountinfo";
    EXPECT_FALSE(open(environment));

    // Without the udev daemon libudev would still list the disks, but report nothing more.
    environment = fixture.environment();
    environment.udevDaemonRunning = [] { return false; };
    EXPECT_FALSE(open(environment));
    environment.udevDaemonRunning = nullptr;
    EXPECT_FALSE(open(environment));

    environment = fixture.environment();
    environment.openUdev = [] { return std::shared_ptr<UdevSource>(); };
    EXPECT_FALSE(open(environment));
    environment.openUdev = nullptr;
    EXPECT_FALSE(open(environment));

    fixture.udev->scanFails = true;
    EXPECT_FALSE(open(fixture.environment()));
    fixture.udev->scanFails = false;

    // An unreadable block class: sysfs as a whole cannot be read.
    std::filesystem::rename(fixture.root() + "/class/block", fixture.root() + "/class/hidden");
    EXPECT_FALSE(open(fixture.environment()));
}

TEST(LinuxDiskSession, disksPluggedOrUnpluggedWhileUdevEventsWereLostAreFoundAfterTheOverflow) {
    SysfsFixture fixture;
    fixture.addUsbSsd();
    fixture.setMountInfo(SysfsFixture::standardMountInfo());
    auto environment = fixture.environment();
    environment.watchInBackground = true;
    std::atomic<bool> overflowed{false};  // the monitor's poll reports the udev socket's error once set
    environment.monitorSystem.poll = [&overflowed](pollfd* descriptors, nfds_t count, int) {
        const int ready = ::poll(descriptors, 1, 10);  // the stop descriptor
        if (count < 3) return ready;
        descriptors[1].revents = 0;
        descriptors[2].revents = overflowed.exchange(false) ? POLLERR : 0;
        return ready + (descriptors[2].revents ? 1 : 0);
    };
    environment.monitorSystem.takeSocketError = [](int) { return ENOBUFS; };
    auto session = UdevDiskArbitration::make(environment)->openSession();
    ASSERT_TRUE(session);
    Recorder recorder;  // written and read on the queue's thread
    auto queue = ThreadSerialQueue::make("inventory");
    session->registerDiskAppeared(&Recorder::appeared, &recorder);
    session->registerDiskDisappeared(&Recorder::disappeared, &recorder);
    session->setDispatchQueue(queue);
    queue->sync([&] { recorder.events.clear(); });

    fixture.removeBlock("sdb");
    fixture.addUsbStick();
    overflowed = true;
    const std::set<std::string> expected = {"disappeared sdb", "disappeared sdb1", "disappeared sdb2", "appeared sdc",
                                            "appeared sdc1"};
    std::set<std::string> seen;
    for (int round = 0; round < 3000 && seen != expected; ++round) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        queue->sync([&] { seen = {recorder.events.begin(), recorder.events.end()}; });
    }
    EXPECT_EQ(seen, expected);
    session.reset();
}

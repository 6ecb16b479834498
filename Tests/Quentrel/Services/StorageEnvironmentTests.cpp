#include "Quentrel/Services/StorageEnvironment.h"

#include <gtest/gtest.h>

#include "Platform/Foundation/CloseOnExecProbe.h"
#include "StoreTestSupport.h"

using namespace quentrel;
namespace fs = std::filesystem;

namespace {

// A small sysfs tree: a USB stick, an internal NVMe disk, a Thunderbolt NVMe disk behind a
// removable PCI port, and device-mapper volumes on the stick and on the internal disk.
struct SysfsFixture {
    storetest::Folder folder;
    fs::path root = folder.path;

    fs::path device(const std::string& path) {
        fs::create_directories(root / "devices" / path);
        return root / "devices" / path;
    }
    void blockLink(const std::string& number, const fs::path& target) {
        fs::create_directories(root / "dev" / "block");
        fs::create_symlink(target, root / "dev" / "block" / number);
    }

    SysfsFixture() {
        fs::create_directories(root / "bus" / "usb");
        fs::create_directories(root / "bus" / "pci");
        const std::string usbDevice = "pci0000:00/0000:00:14.0/usb2/2-1";
        fs::path stick = device(usbDevice + "/2-1:1.0/host6/target6:0:0/6:0:0:0/block/sdb/sdb1");
        fs::create_symlink(root / "bus" / "usb", root / "devices" / usbDevice / "subsystem");
        fs::create_symlink(root / "bus" / "pci", root / "devices" / "pci0000:00/0000:00:14.0" / "subsystem");
        TemporaryFolder::writeFile(root / "devices" / usbDevice / ".." / "removable", "fixed\n");
        blockLink("8:17", stick);

        fs::path internal = device("pci0000:00/0000:00:1d.0/0000:03:00.0/nvme/nvme0/nvme0n1/nvme0n1p2");
        TemporaryFolder::writeFile(root / "devices/pci0000:00/0000:00:1d.0/0000:03:00.0/removable", "fixed\n");
        TemporaryFolder::writeFile(internal / "removable", "0\n");
        blockLink("259:2", internal);

        fs::path thunderbolt = device("pci0000:00/0000:00:07.0/0000:05:00.0/nvme/nvme1/nvme1n1");
        TemporaryFolder::writeFile(root / "devices/pci0000:00/0000:00:07.0/0000:05:00.0/removable", "removable\n");
        blockLink("259:5", thunderbolt);

        fs::path onStick = device("virtual/block/dm-0");
        fs::create_directories(onStick / "slaves");
        fs::create_symlink(stick, onStick / "slaves" / "sdb1");
        blockLink("254:0", onStick);
        fs::path onInternal = device("virtual/block/dm-1");
        fs::create_directories(onInternal / "slaves");
        fs::create_symlink(internal, onInternal / "slaves" / "nvme0n1p2");
        blockLink("254:1", onInternal);
    }
};

}  // namespace

TEST(StorageEnvironment, BlockDeviceAncestryDecidesInternal) {
    SysfsFixture sysfs;
    EXPECT_FALSE(blockDeviceIsInternal(sysfs.root, 8, 17)) << "below a USB device";
    EXPECT_TRUE(blockDeviceIsInternal(sysfs.root, 259, 2)) << "PCI only, fixed port";
    EXPECT_FALSE(blockDeviceIsInternal(sysfs.root, 259, 5)) << "below a removable (Thunderbolt) port";
    EXPECT_FALSE(blockDeviceIsInternal(sysfs.root, 254, 0)) << "device-mapper volume on the stick";
    EXPECT_TRUE(blockDeviceIsInternal(sysfs.root, 254, 1)) << "device-mapper volume on the internal disk";
    EXPECT_TRUE(blockDeviceIsInternal(sysfs.root, 0, 45)) << "no block device of its own (tmpfs, btrfs)";
}

TEST(StorageEnvironment, SysfsAttributesAreReadWithoutLeakingIntoChildrenOrWaitingOnAFIFO) {
    SysfsFixture sysfs;
    const fs::path port = sysfs.root / "devices/pci0000:00/0000:00:1d.0/0000:03:00.0/removable";
    fs::remove(port);
    bool internal = false;
    EXPECT_FALSE(readLeaksADescriptorIntoChildren(port, [&] { internal = blockDeviceIsInternal(sysfs.root, 259, 2); }));
    EXPECT_TRUE(internal);
}

TEST(StorageEnvironment, PathResolutionAndTheSystemAnswer) {
    storetest::Folder folder;
    // A path that does not exist yet is judged by its nearest existing ancestor.
    EXPECT_EQ(systemVolumeIsInternal(folder / "not/yet/there"), systemVolumeIsInternal(folder.path));
    EXPECT_TRUE(systemVolumeIsInternal(folder.path).has_value());

    EXPECT_EQ(standardizedPath("/a/./b/../c/"), fs::path("/a/c"));
    fs::create_directory(folder / "real");
    fs::create_directory_symlink(folder / "real", folder / "link");
    EXPECT_EQ(resolvingSymlinks(folder / "link" / "missing"), folder / "real" / "missing");
    EXPECT_EQ(resolvingSymlinks(folder / "real"), folder / "real");
}

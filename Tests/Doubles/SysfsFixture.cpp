#include "SysfsFixture.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <vector>
#include <algorithm>

namespace fs = std::filesystem;

std::optional<std::vector<std::string>> FixtureUdev::blockDevices() {
    if (scanFails) return std::nullopt;
    if (scan) return scan;
    std::vector<std::string> names;
    std::error_code error;
    for (fs::directory_iterator it(root_ + "/class/block", error), end; !error && it != end; it.increment(error))
        names.push_back(it->path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

platform::UdevProperties FixtureUdev::properties(const std::string& name) {
    auto it = deviceProperties.find(name);
    return it == deviceProperties.end() ? platform::UdevProperties{} : it->second;
}

platform::UdevReceipt FixtureUdev::receive() {
    if (waiting.empty()) return {};
    auto receipt = waiting.front();
    waiting.pop_front();
    return receipt;
}

SysfsFixture::SysfsFixture() {
    std::string pattern = (fs::temp_directory_path() / "kavrinet-sysfs-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    base_ = fs::canonical(pattern).string();
    root_ = base_ + "/sys";
    mountInfo_ = base_ + "/mountinfo";
    for (auto dir : {"devices/virtual/block", "class/block", "block", "dev/block", "bus/pci/devices",
                     "bus/usb/devices", "bus/thunderbolt/devices", "bus/scsi", "class/nvme", "bus/virtio"})
        fs::create_directories(root_ + "/" + dir);
    setMountInfo("");
    udev = std::make_shared<FixtureUdev>(root_);
}

SysfsFixture::~SysfsFixture() {
    std::error_code ignored;
    fs::remove_all(base_, ignored);
}

platform::LinuxDiskEnvironment SysfsFixture::environment() const {
    platform::LinuxDiskEnvironment environment;
    environment.sysfsRoot = root_;
    environment.mountInfoPath = mountInfo_;
    environment.openUdev = [udev = udev]() -> std::shared_ptr<platform::UdevSource> { return udev; };
    environment.udevDaemonRunning = [] { return true; };
    environment.blockDeviceNumber = [this](const std::string& path) -> std::optional<std::pair<unsigned, unsigned>> {
        auto it = deviceNodes.find(path);
        if (it == deviceNodes.end()) return std::nullopt;
        return it->second;
    };
    environment.watchInBackground = false;
    return environment;
}

void SysfsFixture::write(const std::string& path, const std::string& contents) const {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << contents;
}

void SysfsFixture::link(const std::string& target, const std::string& link) {
    fs::create_directories(fs::path(link).parent_path());
    std::error_code ignored;
    fs::remove(link, ignored);
    fs::create_directory_symlink(target, link);
}

std::string SysfsFixture::addDevice(const std::string& relative, const std::string& subsystem,
                                    const std::string& devtype, const std::map<std::string, std::string>& attributes) {
    auto dir = devices(relative);
    fs::create_directories(dir);
    write(dir + "/uevent", devtype.empty() ? "" : "DEVTYPE=" + devtype + "\n");
    if (!subsystem.empty()) {
        auto bus = root_ + (subsystem == "nvme" ? "/class/" : "/bus/") + subsystem;
        fs::create_directories(bus);
        link(bus, dir + "/subsystem");
        if (subsystem == "pci" || subsystem == "usb" || subsystem == "thunderbolt")
            link(dir, bus + "/devices/" + fs::path(dir).filename().string());
    }
    for (const auto& [name, value] : attributes) write(dir + "/" + name, value + "\n");
    return dir;
}

std::string SysfsFixture::addDisk(const std::string& parent, const std::string& name, unsigned major, unsigned minor,
                                  std::uint64_t sectors, const std::string& diskSequence, bool rotational,
                                  bool blockFolder) {
    auto dir = (blockFolder ? parent + "/block/" : parent + "/") + name;
    fs::create_directories(dir + "/queue");
    fs::create_directories(dir + "/slaves");
    auto number = std::to_string(major) + ":" + std::to_string(minor);
    write(dir + "/uevent", "MAJOR=" + std::to_string(major) + "\nMINOR=" + std::to_string(minor) +
                               "\nDEVNAME=" + name + "\nDEVTYPE=disk\n");
    write(dir + "/dev", number + "\n");
    write(dir + "/size", std::to_string(sectors) + "\n");
    if (!diskSequence.empty()) write(dir + "/diskseq", diskSequence + "\n");
    write(dir + "/stat", "     100        0     2048       10       50        0     4096       20        0       30       30\n");
    write(dir + "/queue/rotational", rotational ? "1\n" : "0\n");
    link(root_ + "/class/block", dir + "/subsystem");
    if (!parent.starts_with(root_ + "/devices/virtual")) link(parent, dir + "/device");
    link(dir, root_ + "/class/block/" + name);
    link(dir, root_ + "/block/" + name);
    link(dir, root_ + "/dev/block/" + number);
    return dir;
}

std::string SysfsFixture::addPartition(const std::string& disk, const std::string& name, unsigned major,
                                       unsigned minor, std::uint64_t sectors) {
    auto dir = disk + "/" + name;
    fs::create_directories(dir);
    auto number = std::to_string(major) + ":" + std::to_string(minor);
    write(dir + "/uevent", "MAJOR=" + std::to_string(major) + "\nMINOR=" + std::to_string(minor) +
                               "\nDEVNAME=" + name + "\nDEVTYPE=partition\n");
    write(dir + "/dev", number + "\n");
    write(dir + "/size", std::to_string(sectors) + "\n");
    write(dir + "/partition", "1\n");
    write(dir + "/stat", "10 0 64 1 5 0 128 1 0 2 2\n");
    link(root_ + "/class/block", dir + "/subsystem");
    link(dir, root_ + "/class/block/" + name);
    link(dir, root_ + "/dev/block/" + number);
    return dir;
}

void SysfsFixture::removeBlock(const std::string& name) {
    std::error_code error;
    auto dir = fs::canonical(root_ + "/class/block/" + name, error);
    if (!error) fs::remove_all(dir, error);
    // Every link left dangling goes too (the partitions' as well).
    for (auto folder : {"/class/block", "/block", "/dev/block"}) {
        std::vector<fs::path> dangling;
        for (const auto& entry : fs::directory_iterator(root_ + folder))
            if (!fs::exists(entry.path())) dangling.push_back(entry.path());
        for (const auto& path : dangling) fs::remove(path, error);
    }
}

std::string SysfsFixture::addUsbSsd() {
    addDevice("pci0000:00", "");
    addDevice("pci0000:00/0000:00:14.0", "pci", "", {{"removable", "fixed"}});
    addDevice("pci0000:00/0000:00:14.0/usb2", "usb", "usb_device", {{"speed", "5000"}, {"busnum", "2"}, {"devnum", "1"}});
    auto usb = addDevice("pci0000:00/0000:00:14.0/usb2/2-1", "usb", "usb_device",
                         {{"speed", "5000"}, {"busnum", "2"}, {"devnum", "3"}, {"removable", "removable"}});
    addDevice("pci0000:00/0000:00:14.0/usb2/2-1/2-1:1.0", "usb", "usb_interface");
    addDevice("pci0000:00/0000:00:14.0/usb2/2-1/2-1:1.0/host6", "scsi", "scsi_host");
    addDevice("pci0000:00/0000:00:14.0/usb2/2-1/2-1:1.0/host6/target6:0:0", "scsi", "scsi_target");
    auto unit = addDevice("pci0000:00/0000:00:14.0/usb2/2-1/2-1:1.0/host6/target6:0:0/6:0:0:0", "scsi",
                          "scsi_device", {{"model", "Extreme SSD     "}, {"vendor", "SanDisk "}});
    auto disk = addDisk(unit, "sdb", 8, 16, 1953525168, "11", false);
    addPartition(disk, "sdb1", 8, 17, 409600);
    addPartition(disk, "sdb2", 8, 18, 1953107968);
    udev->deviceProperties["sdb"] = {{"ID_BUS", "usb"}, {"ID_MODEL_ENC", "Extreme\\x20SSD\\x20\\x20\\x20"},
                               {"ID_PART_TABLE_TYPE", "gpt"}};
    udev->deviceProperties["sdb1"] = {{"ID_BUS", "usb"}, {"ID_FS_USAGE", "filesystem"}, {"ID_FS_TYPE", "vfat"},
                                {"ID_FS_LABEL_ENC", "EFI"}, {"ID_FS_UUID", "67E3-17ED"},
                                {"ID_PART_ENTRY_TYPE", "c12a7328-f81f-11d2-ba4b-00a0c93ec93b"}};
    udev->deviceProperties["sdb2"] = {{"ID_BUS", "usb"}, {"ID_FS_USAGE", "filesystem"}, {"ID_FS_TYPE", "exfat"},
                                {"ID_FS_LABEL_ENC", "My\\x20Passport"}, {"ID_FS_UUID", "5E2C-91A0"},
                                {"ID_PART_ENTRY_TYPE", "ebd0a0a2-b9e5-4433-87c0-68b6b72699c7"}};
    (void)usb;
    return disk;
}

std::string SysfsFixture::addUsbStick() {
    addDevice("pci0000:00", "");
    addDevice("pci0000:00/0000:00:14.0", "pci", "", {{"removable", "fixed"}});
    addDevice("pci0000:00/0000:00:14.0/usb1", "usb", "usb_device", {{"speed", "480"}, {"busnum", "1"}, {"devnum", "1"}});
    addDevice("pci0000:00/0000:00:14.0/usb1/1-2", "usb", "usb_device",
              {{"speed", "480"}, {"busnum", "1"}, {"devnum", "4"}, {"removable", "unknown"}});
    addDevice("pci0000:00/0000:00:14.0/usb1/1-2/1-2:1.0", "usb", "usb_interface");
    addDevice("pci0000:00/0000:00:14.0/usb1/1-2/1-2:1.0/host7", "scsi", "scsi_host");
    addDevice("pci0000:00/0000:00:14.0/usb1/1-2/1-2:1.0/host7/target7:0:0", "scsi", "scsi_target");
    auto unit = addDevice("pci0000:00/0000:00:14.0/usb1/1-2/1-2:1.0/host7/target7:0:0/7:0:0:0", "scsi",
                          "scsi_device", {{"model", "Cruzer Blade    "}});
    auto disk = addDisk(unit, "sdc", 8, 32, 60063744, "12", true);
    addPartition(disk, "sdc1", 8, 33, 60061696);
    return disk;
}

std::string SysfsFixture::addThunderboltNvme() {
    addDevice("pci0000:00", "");
    addDevice("pci0000:00/0000:00:07.0", "pci", "", {{"removable", "fixed"}});
    addDevice("pci0000:00/0000:00:07.0/0000:03:00.0", "pci", "", {{"removable", "removable"}});
    addDevice("pci0000:00/0000:00:07.0/0000:03:00.0/0000:04:01.0", "pci", "", {{"removable", "removable"}});
    addDevice("pci0000:00/0000:00:07.0/0000:03:00.0/0000:04:01.0/0000:05:00.0", "pci", "",
              {{"removable", "removable"}});
    auto controller = addDevice("pci0000:00/0000:00:07.0/0000:03:00.0/0000:04:01.0/0000:05:00.0/nvme/nvme0",
                                "nvme", "", {{"model", "Thunderbolt SSD"}});
    addDevice("pci0000:00/0000:00:0d.2", "pci", "", {{"removable", "fixed"}});
    addDevice("pci0000:00/0000:00:0d.2/domain0", "thunderbolt", "thunderbolt_domain");
    addDevice("pci0000:00/0000:00:0d.2/domain0/0-0", "thunderbolt", "thunderbolt_device", {{"unique_id", "host-0"}});
    addDevice("pci0000:00/0000:00:0d.2/domain0/0-0/0-1", "thunderbolt", "thunderbolt_device",
              {{"unique_id", "d4030000-0080-7708-2311-b01c00000000"}, {"rx_speed", "20.0 Gb/s"}, {"rx_lanes", "2"}});
    auto disk = addDisk(controller, "nvme0n1", 259, 0, 1953525168, "21", false, false);
    addPartition(disk, "nvme0n1p1", 259, 1, 1953523712);
    udev->deviceProperties["nvme0n1p1"] = {{"ID_FS_USAGE", "filesystem"}, {"ID_FS_TYPE", "ext4"},
                                     {"ID_FS_LABEL", "TB Drive"},
                                     {"ID_FS_UUID", "3f2a9c4e-1b7d-4e8a-9c2f-5d6e7f8a9b0c"}};
    return disk;
}

std::string SysfsFixture::addInternalNvme() {
    addDevice("pci0000:00", "");
    addDevice("pci0000:00/0000:00:1d.0", "pci", "", {{"removable", "fixed"}});
    addDevice("pci0000:00/0000:00:1d.0/0000:3d:00.0", "pci", "", {{"removable", "fixed"}});
    auto controller = addDevice("pci0000:00/0000:00:1d.0/0000:3d:00.0/nvme/nvme1", "nvme", "",
                                {{"model", "Samsung SSD 980 1TB"}});
    auto disk = addDisk(controller, "nvme1n1", 259, 2, 1953525168, "5", false, false);
    addPartition(disk, "nvme1n1p1", 259, 3, 1953523712);
    udev->deviceProperties["nvme1n1p1"] = {{"ID_FS_USAGE", "filesystem"}, {"ID_FS_TYPE", "ext4"},
                                     {"ID_FS_UUID", "11111111-2222-3333-4444-555555555555"}};
    return disk;
}

std::string SysfsFixture::addLoop() {
    auto disk = addDisk(root_ + "/devices/virtual/block", "loop0", 7, 0, 112000, "1", false, false);
    udev->deviceProperties["loop0"] = {{"ID_FS_USAGE", "filesystem"}, {"ID_FS_TYPE", "squashfs"}};
    return disk;
}

std::string SysfsFixture::addLuksVolume() {
    auto mapping = addDisk(root_ + "/devices/virtual/block", "dm-0", 254, 0, 1953075200, "40", false, false);
    fs::create_directories(mapping + "/dm");
    write(mapping + "/dm/uuid", "CRYPT-LUKS2-7c1e4a9b2d3f4e5a8b6c9d0e1f2a3b4c-luks-7c1e4a9b\n");
    write(mapping + "/dm/name", "luks-7c1e4a9b\n");
    link(root_ + "/block/sdb/sdb2", mapping + "/slaves/sdb2");
    link(mapping, root_ + "/block/sdb/sdb2/holders/dm-0");
    udev->deviceProperties["sdb2"] = {{"ID_BUS", "usb"}, {"ID_FS_USAGE", "crypto"}, {"ID_FS_TYPE", "crypto_LUKS"},
                                      {"ID_FS_UUID", "7c1e4a9b-2d3f-4e5a-8b6c-9d0e1f2a3b4c"},
                                      {"ID_PART_ENTRY_TYPE", "0fc63daf-8483-4772-8e79-3d69d8477de4"}};
    udev->deviceProperties["dm-0"] = {{"ID_FS_USAGE", "filesystem"}, {"ID_FS_TYPE", "ext4"}, {"ID_FS_LABEL", "Vault"},
                                      {"ID_FS_UUID", "a1b2c3d4-e5f6-4711-8899-aabbccddeeff"}};
    return mapping;
}

std::string SysfsFixture::addLvmVolume() {
    auto volume = addDisk(root_ + "/devices/virtual/block", "dm-1", 254, 1, 40960000, "41", false, false);
    fs::create_directories(volume + "/dm");
    write(volume + "/dm/uuid", "LVM-Xf3kq0Qm2cVt8ZrH1bLw9Yp4Ns6Dj7Ge5Ua0Ti3Ko8Rl2Mc1Vx9Bz4Qn6Wh7Sd\n");
    write(volume + "/dm/name", "pool-data\n");
    link(root_ + "/block/sdc/sdc1", volume + "/slaves/sdc1");
    udev->deviceProperties["sdc1"] = {{"ID_BUS", "usb"}, {"ID_FS_USAGE", "raid"}, {"ID_FS_TYPE", "LVM2_member"}};
    udev->deviceProperties["dm-1"] = {{"ID_FS_USAGE", "filesystem"}, {"ID_FS_TYPE", "ext4"}, {"ID_FS_LABEL", "Pool"},
                                      {"ID_FS_UUID", "0f9e8d7c-6b5a-4938-8271-605f4e3d2c1b"}};
    return volume;
}

std::string SysfsFixture::luksMountInfo() {
    return "93 27 254:0 / /media/user/Vault rw,relatime shared:53 - ext4 /dev/mapper/luks-7c1e4a9b rw\n";
}

std::string SysfsFixture::standardMountInfo() {
    return "22 27 0:21 / /proc rw,relatime - proc proc rw\n"
           "27 1 259:3 / / rw,relatime - ext4 /dev/nvme1n1p1 rw\n"
           "80 27 7:0 / /snap/core/1 ro,nodev,relatime shared:40 - squashfs /dev/loop0 ro\n"
           "91 27 8:18 /backup /srv/bind rw,relatime shared:52 - exfat /dev/sdb2 rw\n"
           "92 27 8:18 / /media/user/My\\040Passport rw,nosuid,nodev,relatime shared:52 - exfat /dev/sdb2 rw\n";
}

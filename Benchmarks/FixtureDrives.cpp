#include "FixtureDrives.h"

#include <string>

namespace {
constexpr int volumesPerDrive = 4;
}  // namespace

std::string fixtureDriveName(int index) { return std::string("sd") + static_cast<char>('b' + index); }

std::unique_ptr<SysfsFixture> fixtureDrives(int drives) {
    auto fixture = std::make_unique<SysfsFixture>();
    fixture->addDevice("pci0000:00", "");
    fixture->addDevice("pci0000:00/0000:00:14.0", "pci", "", {{"removable", "fixed"}});
    fixture->addDevice("pci0000:00/0000:00:14.0/usb2", "usb", "usb_device",
                       {{"speed", "5000"}, {"busnum", "2"}, {"devnum", "1"}});
    std::string mountInfo = "27 1 259:3 / / rw,relatime - ext4 /dev/nvme1n1p1 rw\n";
    for (int d = 0; d < drives; ++d) {
        const std::string port = "2-" + std::to_string(d + 1);
        const std::string host = "host" + std::to_string(d + 6);
        const std::string target = "target" + std::to_string(d + 6) + ":0:0";
        const std::string usb = "pci0000:00/0000:00:14.0/usb2/" + port;
        fixture->addDevice(usb, "usb", "usb_device",
                           {{"speed", "5000"}, {"busnum", "2"}, {"devnum", std::to_string(d + 3)},
                            {"removable", "removable"}});
        fixture->addDevice(usb + "/" + port + ":1.0", "usb", "usb_interface");
        fixture->addDevice(usb + "/" + port + ":1.0/" + host, "scsi", "scsi_host");
        fixture->addDevice(usb + "/" + port + ":1.0/" + host + "/" + target, "scsi", "scsi_target");
        auto unit = fixture->addDevice(usb + "/" + port + ":1.0/" + host + "/" + target + "/" +
                                           std::to_string(d + 6) + ":0:0:0",
                                       "scsi", "scsi_device", {{"model", "Drive " + std::to_string(d)}});
        const std::string disk = fixtureDriveName(d);
        const unsigned minor = 16 * static_cast<unsigned>(d + 1);
        auto dir = fixture->addDisk(unit, disk, 8, minor, 3907029168, std::to_string(d + 11), false);
        fixture->udev->deviceProperties[disk] = {
            {"ID_BUS", "usb"}, {"ID_MODEL_ENC", "Drive\\x20" + std::to_string(d)}, {"ID_PART_TABLE_TYPE", "gpt"}};
        for (int v = 1; v <= volumesPerDrive; ++v) {
            const std::string partition = disk + std::to_string(v);
            const std::string label = "V" + std::to_string(d) + std::to_string(v);
            const unsigned partitionMinor = minor + static_cast<unsigned>(v);
            fixture->addPartition(dir, partition, 8, partitionMinor, 976754688);
            fixture->udev->deviceProperties[partition] = {
                {"ID_BUS", "usb"},
                {"ID_FS_USAGE", "filesystem"},
                {"ID_FS_TYPE", "exfat"},
                {"ID_FS_LABEL_ENC", label},
                {"ID_FS_UUID", "3f2a9c4e-1b7d-4e8a-9c2f-5d6e7f8a" + std::to_string(10 + d) + std::to_string(10 + v)},
                {"ID_PART_ENTRY_TYPE", "ebd0a0a2-b9e5-4433-87c0-68b6b72699c7"}};
            mountInfo += std::to_string(100 + d * 10 + v) + " 27 8:" + std::to_string(partitionMinor) +
                         " / /media/user/" + label + " rw,nosuid,nodev,relatime shared:1 - exfat /dev/" + partition +
                         " rw\n";
        }
    }
    fixture->setMountInfo(mountInfo);
    return fixture;
}

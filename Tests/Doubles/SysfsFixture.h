#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Platform/Disks/Linux/LinuxDiskEnvironment.h"
#include "Platform/Disks/Linux/UdevSource.h"

// udev as a test sets it up: properties per device, the device scan from the fixture's block
// class (or a list the test gives), and no event descriptor: tests hand events to the session, or
// queue receipts for it to read.
class FixtureUdev final : public platform::UdevSource {
public:
    explicit FixtureUdev(std::string sysfsRoot) : root_(std::move(sysfsRoot)) {}

    std::map<std::string, platform::UdevProperties> deviceProperties;
    std::optional<std::vector<std::string>> scan;  // replaces the listing when set
    bool scanFails = false;
    std::deque<platform::UdevReceipt> waiting;  // read by receive(); drained when empty

    std::optional<std::vector<std::string>> blockDevices() override;
    platform::UdevProperties properties(const std::string& name) override;
    int monitorDescriptor() const override { return -1; }
    platform::UdevReceipt receive() override;

private:
    std::string root_;
};

// A sysfs tree and a mountinfo file in a temporary folder, removed afterwards.
class SysfsFixture {
public:
    SysfsFixture();
    ~SysfsFixture();
    SysfsFixture(const SysfsFixture&) = delete;
    SysfsFixture& operator=(const SysfsFixture&) = delete;

    const std::string& root() const { return root_; }
    const std::string& mountInfoPath() const { return mountInfo_; }
    std::string devices(const std::string& relative) const { return root_ + "/devices/" + relative; }
    std::shared_ptr<FixtureUdev> udev;
    // The block device nodes the environment's lookup knows, by path ("/dev/sdc1").
    std::map<std::string, std::pair<unsigned, unsigned>> deviceNodes;

    // The environment of a session on this tree, driven by hand, as if a udev daemon ran.
    platform::LinuxDiskEnvironment environment() const;

    // A device directory (relative to devices/) with a uevent and, unless empty, a subsystem link.
    std::string addDevice(const std::string& relative, const std::string& subsystem, const std::string& devtype = "",
                          const std::map<std::string, std::string>& attributes = {});
    // A whole disk in `parent`/block/ (or right in `parent` when blockFolder is false), linked from
    // class/block, block/ and dev/block/.
    std::string addDisk(const std::string& parent, const std::string& name, unsigned major, unsigned minor,
                        std::uint64_t sectors, const std::string& diskSequence, bool rotational,
                        bool blockFolder = true);
    std::string addPartition(const std::string& disk, const std::string& name, unsigned major, unsigned minor,
                             std::uint64_t sectors);
    // Unlinks and deletes a block device, as when it is unplugged.
    void removeBlock(const std::string& name);
    void link(const std::string& target, const std::string& link);

    void write(const std::string& path, const std::string& contents) const;
    void setMountInfo(const std::string& text) const { write(mountInfo_, text); }

    // The fixtures: each returns its disk's directory.
    std::string addUsbSsd();          // USB 3 SSD sdb with partitions sdb1 (EFI) and sdb2 (exFAT, mounted)
    std::string addUsbStick();        // USB 2 stick sdc with sdc1 (FAT), no udev properties
    std::string addThunderboltNvme(); // nvme0n1 behind a Thunderbolt router, with nvme0n1p1
    std::string addInternalNvme();    // nvme1n1 with nvme1n1p1 mounted at /
    std::string addLoop();            // loop0, mounted
    // dm-0: the unlocked LUKS volume (ext4 "Vault") in partition sdb2 of the USB SSD, which must be
    // there; sdb2 then holds the encrypted container instead of exFAT. Mounted by luksMountInfo().
    std::string addLuksVolume();
    // dm-1: an LVM logical volume (ext4 "Pool") on partition sdc1 of the USB stick, which must be there.
    std::string addLvmVolume();
    static std::string luksMountInfo();
    // The mount table of the fixtures above.
    static std::string standardMountInfo();

private:
    std::string base_;
    std::string root_;
    std::string mountInfo_;
};

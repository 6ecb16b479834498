#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "Platform/Disks/Registry.h"
#include "SysfsTree.h"

namespace platform {

// The device registry synthesised from sysfs.
//
// Entries: the root ("IORegistryEntry"); one per device directory on a block device's canonical
// path (PCI functions, USB devices and interfaces, SCSI host, target and unit, NVMe controller,
// Thunderbolt domain and routers); one "IOMedia" per disk and partition; per whole disk an
// "IOBlockStorageDriver" between its media and its device, and an "IOPartitionScheme" between it
// and its partitions; a composite entry between a device-mapper or software-RAID disk and the
// media of its members, except for an unlocked encrypted volume, whose media entry sits right on
// the media of the one device it maps; and an "IOThunderboltPort" for each router's upstream link.
//
// Ids are handed out upwards and never reused. An entry is known by its path and a discriminator
// (the disk sequence number, a USB device's bus and device number, a router's unique id), so a
// device attached again gets new ids; forgetDisk() retires a removed disk's ids at once.
//
// A driver's "Statistics" come from its disk's `stat` file, kept open and read again from its
// start at each read (sysfs renders it afresh). Whether a driver entry is still its disk is checked
// when it is looked up after a change of the device tree, not at every sample: between changes a
// disk that vanished is told by its kept file, whose reads then fail with ENODEV.
class SysfsRegistry final : public Registry {
public:
    explicit SysfsRegistry(SysfsTree tree);

    // The media entry of the block device whose directory is `blockPath`.
    std::optional<RegistryObject> mediaEntry(const std::string& blockPath);
    // Block device `name` went away: the ids of its entries are retired.
    void forgetDisk(const std::string& name);
    // Something in the device tree changed: parent iterators made earlier turn invalid.
    void noteDeviceTreeChanged();
    // How often a block device's `stat` was read.
    std::uint64_t statisticsReads() const { return statisticsReads_.load(); }

    std::optional<RegistryObject> matchingEntryID(std::uint64_t entryID) override;
    std::optional<std::uint64_t> entryID(const RegistryObject& entry) override;
    bool conformsTo(const RegistryObject& entry, std::string_view className) override;
    std::optional<std::string> className(const RegistryObject& entry) override;
    std::optional<Value> property(const RegistryObject& entry, std::string_view key) override;
    PropertiesResult allProperties(const RegistryObject& entry) override;
    std::optional<ParentIterator> parentIterator(const RegistryObject& entry, std::string_view plane) override;
    std::optional<RegistryObject> parentEntry(const RegistryObject& entry, std::string_view plane) override;

private:
    enum class Kind { root, device, media, driver, scheme, composite, port };
    enum class Role { other, pci, usbDevice, usbRootHub, thunderboltRouter, thunderboltHostRouter };
    struct Node {
        Kind kind = Kind::root;
        Role role = Role::other;
        std::string path;           // device or block directory; a port's is its router's
        std::string className;
        std::string discriminator;
        std::string name;           // block kinds: the block device's name
        std::string disk;           // block kinds: the whole disk's name; a driver's provider: its disk
        std::string key;
        std::uint64_t id = 0;
    };

    // An open statistics file; closed with the last reader.
    struct StatisticsFile {
        int descriptor = -1;
        explicit StatisticsFile(int fd) : descriptor(fd) {}
        ~StatisticsFile();
        StatisticsFile(const StatisticsFile&) = delete;
        StatisticsFile& operator=(const StatisticsFile&) = delete;
    };
    struct Driver {
        std::shared_ptr<StatisticsFile> file;  // null: opened at the next read
        std::optional<std::uint64_t> checkedAt;  // the tree generation of the last identity check
    };

    Node rootNode() const;
    Node blockNode(Kind kind, const std::string& blockPath) const;
    Node deviceNode(const std::string& path) const;
    Node portNode(const std::string& routerPath) const;
    std::string discriminatorOf(Kind kind, Role role, const std::string& path) const;

    std::uint64_t idFor(Node node);
    // Null when the entry is not (or no longer) known. Nodes never change once made.
    std::shared_ptr<const Node> nodeOf(const RegistryObject& entry) const;
    bool alive(const Node& node) const;
    std::optional<std::vector<Node>> parentsOf(const Node& node) const;

    std::vector<std::string_view> keysOf(const Node& node) const;
    std::optional<Value> readProperty(const Node& node, std::string_view key, int& error);
    std::optional<std::string> readStatistics(const Node& driver, int& error);
    static std::shared_ptr<StatisticsFile> openStatistics(const std::string& diskPath, int& error);
    std::optional<std::string> soleRouter() const;
    std::optional<std::string> soleTunnelEntry() const;
    bool isTunnelEntry(const std::string& pciPath) const;

    SysfsTree tree_;
    mutable std::mutex mutex_;
    std::unordered_map<std::string, std::uint64_t> ids_;
    std::unordered_map<std::uint64_t, std::shared_ptr<const Node>> nodes_;
    std::unordered_map<std::uint64_t, Driver> drivers_;  // by entry id, once looked up or read
    std::uint64_t nextID_ = 1;
    std::shared_ptr<std::atomic<std::uint64_t>> generation_ = std::make_shared<std::atomic<std::uint64_t>>(0);
    std::atomic<std::uint64_t> statisticsReads_{0};
};

}  // namespace platform

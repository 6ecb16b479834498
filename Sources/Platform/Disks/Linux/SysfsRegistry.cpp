#include "SysfsRegistry.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "SysfsText.h"

namespace platform {

namespace {

constexpr std::string_view rootClass = "IORegistryEntry";
// A `stat` line is about 150 bytes; a file that fills this is refused rather than cut.
constexpr std::size_t statisticsCap = 4096;

bool isGone(int error) { return error == ENOENT || error == ENODEV || error == ENXIO; }

std::int32_t returnCodeOf(int error) {
    switch (error) {
        case EACCES:
        case EPERM: return ReturnCode::notPrivileged;
        case ENOENT:
        case ENODEV:
        case ENXIO: return ReturnCode::noDevice;  // the disk went away
        default: return ReturnCode::error;
    }
}

// Routers are named <domain>-<route>; xdomain links and retimers carry more punctuation.
bool isRouterName(const std::string& name) {
    auto dash = name.find('-');
    if (dash == std::string::npos || dash == 0 || dash + 1 == name.size()) return false;
    for (std::size_t i = 0; i < name.size(); ++i) {
        char c = name[i];
        bool digit = c >= '0' && c <= '9';
        bool hex = digit || (c >= 'a' && c <= 'f');
        if (i < dash ? !digit : (i > dash && !hex)) return false;
    }
    return true;
}

bool isHostRouterName(const std::string& name) { return name.ends_with("-0"); }

}  // namespace

SysfsRegistry::SysfsRegistry(SysfsTree tree) : tree_(std::move(tree)) { idFor(rootNode()); }

// Nodes

SysfsRegistry::Node SysfsRegistry::rootNode() const {
    Node node;
    node.className = std::string(rootClass);
    return node;
}

SysfsRegistry::Node SysfsRegistry::blockNode(Kind kind, const std::string& blockPath) const {
    Node node;
    node.kind = kind;
    node.path = blockPath;
    node.name = SysfsTree::baseName(blockPath);
    node.disk = SysfsTree::baseName(tree_.wholeDiskPath(blockPath));
    switch (kind) {
        case Kind::media: node.className = "IOMedia"; break;
        case Kind::driver: node.className = "IOBlockStorageDriver"; break;
        case Kind::scheme: node.className = "IOPartitionScheme"; break;
        default: node.className = node.name.starts_with("md") ? "SoftwareRAIDSet" : "CoreStorageLogicalVolumeGroup";
    }
    node.discriminator = discriminatorOf(kind, Role::other, blockPath);
    return node;
}

SysfsRegistry::Node SysfsRegistry::deviceNode(const std::string& path) const {
    Node node;
    node.kind = Kind::device;
    node.path = path;
    auto name = SysfsTree::baseName(path);
    auto subsystem = tree_.subsystem(path).value_or("");
    auto uevent = tree_.uevent(path);
    auto found = uevent.find("DEVTYPE");
    std::string devtype = found == uevent.end() ? "" : found->second;

    node.className = "IOService";
    if (subsystem == "usb" && devtype == "usb_device") {
        // A root hub (usbN) is the host controller's own hub, not a device plugged into it: it must
        // not count as a USB device.
        bool rootHub = name.starts_with("usb");
        node.role = rootHub ? Role::usbRootHub : Role::usbDevice;
        node.className = rootHub ? "IOUSBRootHubDevice" : "IOUSBHostDevice";
    } else if (subsystem == "usb" && devtype == "usb_interface") {
        node.className = "IOUSBHostInterface";
    } else if (subsystem == "pci") {
        node.role = Role::pci;
        node.className = "IOPCIDevice";
    } else if (subsystem == "thunderbolt" && devtype == "thunderbolt_domain") {
        node.className = "IOThunderboltController";
    } else if (subsystem == "thunderbolt" && devtype == "thunderbolt_device") {
        node.role = isHostRouterName(name) ? Role::thunderboltHostRouter : Role::thunderboltRouter;
        node.className = "IOThunderboltSwitch";
    } else if (subsystem == "scsi") {
        if (devtype == "scsi_host") node.className = "IOSCSIHost";
        if (devtype == "scsi_target") node.className = "IOSCSITarget";
        if (devtype == "scsi_device") node.className = "IOSCSILogicalUnit";
    } else if (subsystem == "nvme") {
        node.className = "IONVMeController";
    } else if (subsystem == "virtio") {
        node.className = "IOVirtioDevice";
    }
    node.discriminator = discriminatorOf(Kind::device, node.role, path);
    return node;
}

SysfsRegistry::Node SysfsRegistry::portNode(const std::string& routerPath) const {
    Node node;
    node.kind = Kind::port;
    node.path = routerPath;
    node.className = "IOThunderboltPort";
    node.discriminator = discriminatorOf(Kind::port, Role::other, routerPath);
    return node;
}

std::string SysfsRegistry::discriminatorOf(Kind kind, Role role, const std::string& path) const {
    switch (kind) {
        case Kind::media:
        case Kind::driver:
        case Kind::scheme:
        case Kind::composite: return tree_.attribute(tree_.wholeDiskPath(path), "diskseq").value_or("");
        case Kind::port: return tree_.attribute(path, "unique_id").value_or("");
        case Kind::device:
            if (role == Role::usbDevice || role == Role::usbRootHub)
                return tree_.attribute(path, "busnum").value_or("") + ":" + tree_.attribute(path, "devnum").value_or("");
            if (role == Role::thunderboltRouter || role == Role::thunderboltHostRouter)
                return tree_.attribute(path, "unique_id").value_or("");
            return "";
        case Kind::root: return "";
    }
    return "";
}

std::uint64_t SysfsRegistry::idFor(Node node) {
    node.key = std::to_string(static_cast<int>(node.kind)) + "|" + node.path + "|" + node.discriminator;
    std::lock_guard lock(mutex_);
    auto [it, inserted] = ids_.try_emplace(node.key, nextID_);
    if (inserted) {
        node.id = nextID_;
        nodes_.emplace(nextID_++, std::make_shared<const Node>(std::move(node)));
    }
    return it->second;
}

std::shared_ptr<const SysfsRegistry::Node> SysfsRegistry::nodeOf(const RegistryObject& entry) const {
    std::lock_guard lock(mutex_);
    auto it = nodes_.find(entry.reference());
    if (it == nodes_.end()) return nullptr;
    return it->second;
}

bool SysfsRegistry::alive(const Node& node) const {
    if (node.kind == Kind::root) return true;
    return tree_.isDirectory(node.path) && discriminatorOf(node.kind, node.role, node.path) == node.discriminator;
}

std::optional<std::vector<SysfsRegistry::Node>> SysfsRegistry::parentsOf(const Node& node) const {
    auto deviceOrRoot = [&](const std::string& path) {
        auto parent = tree_.parentDevice(path);
        return parent ? deviceNode(*parent) : rootNode();
    };
    switch (node.kind) {
        case Kind::root: return std::vector<Node>{};
        case Kind::media:
            if (tree_.isPartition(node.path)) return std::vector{blockNode(Kind::scheme, tree_.wholeDiskPath(node.path))};
            // An unlocked encrypted volume passes straight through to the one partition (or disk)
            // below it: it is listed on that drive, and its I/O counted once, at the drive.
            if (auto backing = tree_.cryptBacking(node.path)) return std::vector{blockNode(Kind::media, *backing)};
            if (tree_.isVirtual(node.path) && !tree_.list(node.path + "/slaves").empty())
                return std::vector{blockNode(Kind::composite, node.path)};
            return std::vector{blockNode(Kind::driver, node.path)};
        case Kind::scheme: return std::vector{blockNode(Kind::media, node.path)};
        case Kind::driver: {
            auto parent = deviceOrRoot(node.path);
            // The driver's provider carries the disk's characteristics.
            if (parent.kind == Kind::device) parent.disk = node.disk;
            return std::vector{std::move(parent)};
        }
        case Kind::composite: {
            std::vector<Node> members;
            for (const auto& member : tree_.list(node.path + "/slaves")) {
                auto memberPath = tree_.blockPath(member);
                if (!memberPath) return std::nullopt;
                members.push_back(blockNode(Kind::media, *memberPath));
            }
            return members;
        }
        case Kind::device:
            if (node.role == Role::thunderboltRouter) return std::vector{portNode(node.path)};
            return std::vector{deviceOrRoot(node.path)};
        case Kind::port: return std::vector{deviceOrRoot(node.path)};
    }
    return std::nullopt;
}

// Registry

std::optional<RegistryObject> SysfsRegistry::mediaEntry(const std::string& blockPath) {
    return makeHandle(idFor(blockNode(Kind::media, blockPath)));
}

void SysfsRegistry::forgetDisk(const std::string& name) {
    std::lock_guard lock(mutex_);
    std::erase_if(nodes_, [&](const auto& item) {
        const Node& node = *item.second;
        bool block = node.kind == Kind::media || node.kind == Kind::driver || node.kind == Kind::scheme ||
                     node.kind == Kind::composite;
        bool retired = (block && (node.name == name || node.disk == name)) ||
                       (node.kind == Kind::device && node.disk == name) ||
                       // Entries of devices that left along with the disk.
                       ((node.kind == Kind::device || node.kind == Kind::port) && !tree_.isDirectory(node.path));
        if (retired) {
            ids_.erase(node.key);
            drivers_.erase(item.first);
        }
        return retired;
    });
    generation_->fetch_add(1);
}

void SysfsRegistry::noteDeviceTreeChanged() { generation_->fetch_add(1); }

std::optional<RegistryObject> SysfsRegistry::matchingEntryID(std::uint64_t entryID) {
    std::shared_ptr<const Node> node;
    const std::uint64_t generation = generation_->load();
    {
        std::lock_guard lock(mutex_);
        auto it = nodes_.find(entryID);
        if (it == nodes_.end()) return std::nullopt;
        if (it->second->kind == Kind::driver) {
            // Checked since the last change of the tree: a vanished disk shows at its next read.
            auto driver = drivers_.find(entryID);
            if (driver != drivers_.end() && driver->second.checkedAt == generation) return makeHandle(entryID);
        }
        node = it->second;
    }
    if (!alive(*node)) return std::nullopt;
    if (node->kind == Kind::driver) {
        // Opened again after each change: the disk's file may be another one now.
        int error = 0;
        auto file = openStatistics(node->path, error);
        std::lock_guard lock(mutex_);
        if (nodes_.count(entryID)) drivers_[entryID] = Driver{std::move(file), generation};
    }
    return makeHandle(entryID);
}

std::optional<std::uint64_t> SysfsRegistry::entryID(const RegistryObject& entry) {
    if (!nodeOf(entry)) return std::nullopt;
    return entry.reference();
}

bool SysfsRegistry::conformsTo(const RegistryObject& entry, std::string_view className) {
    auto node = nodeOf(entry);
    if (!node) return false;
    if (className == rootClass) return true;
    if (node->kind == Kind::root) return false;
    return className == node->className || className == "IOService";
}

std::optional<std::string> SysfsRegistry::className(const RegistryObject& entry) {
    auto node = nodeOf(entry);
    if (!node) return std::nullopt;
    return node->className;
}

std::optional<ParentIterator> SysfsRegistry::parentIterator(const RegistryObject& entry, std::string_view plane) {
    if (plane != servicePlane) return std::nullopt;
    auto start = generation_->load();
    auto node = nodeOf(entry);
    if (!node || !alive(*node)) return std::nullopt;
    auto parents = parentsOf(*node);
    if (!parents) return std::nullopt;
    std::vector<RegistryObject> handles;
    for (auto& parent : *parents) handles.push_back(makeHandle(idFor(std::move(parent))));
    return ParentIterator(std::move(handles), [generation = generation_, start](std::size_t) {
        return generation->load() == start;
    });
}

std::optional<RegistryObject> SysfsRegistry::parentEntry(const RegistryObject& entry, std::string_view plane) {
    if (plane != servicePlane) return std::nullopt;
    auto node = nodeOf(entry);
    if (!node || !alive(*node)) return std::nullopt;
    auto parents = parentsOf(*node);
    if (!parents || parents->empty()) return std::nullopt;
    return makeHandle(idFor(std::move(parents->front())));
}

// Properties

std::vector<std::string_view> SysfsRegistry::keysOf(const Node& node) const {
    std::vector<std::string_view> keys;
    switch (node.kind) {
        case Kind::media: keys = {"Whole"}; break;
        case Kind::driver: keys = {"Statistics"}; break;
        case Kind::port:
            keys = {"Adapter Type", "Current Link Speed", "Current Link Width", "Supported Link Speed"};
            break;
        case Kind::device:
            if (!node.disk.empty()) keys.push_back("Device Characteristics");
            if (node.role == Role::usbDevice) keys.push_back("USBSpeed");
            if (node.role == Role::pci) keys.push_back("Thunderbolt Entry ID");
            if (node.role == Role::thunderboltRouter) keys.push_back("PCI Entry ID");
            break;
        default: break;
    }
    return keys;
}

std::optional<Value> SysfsRegistry::readProperty(const Node& node, std::string_view key, int& error) {
    auto asInteger = [](std::optional<std::uint64_t> number) -> std::optional<Value> {
        if (!number || *number > static_cast<std::uint64_t>(INT64_MAX)) return std::nullopt;
        return Value::int64(static_cast<std::int64_t>(*number));
    };

    switch (node.kind) {
        case Kind::media:
            if (key != "Whole" || !tree_.isDirectory(node.path)) return std::nullopt;
            return Value::boolean(!tree_.isPartition(node.path));

        case Kind::driver: {
            if (key != "Statistics") return std::nullopt;
            // Read live every time: these are the counters being sampled.
            statisticsReads_.fetch_add(1);
            auto text = readStatistics(node, error);
            if (!text) return std::nullopt;
            // Text that does not parse leaves the property out rather than faking a reset to 0.
            auto bytes = sysfs::parseBlockStat(*text);
            if (!bytes) return std::nullopt;
            return Value::dictionary({{"Bytes (Read)", Value::uint64(bytes->bytesRead)},
                                      {"Bytes (Write)", Value::uint64(bytes->bytesWritten)}});
        }

        case Kind::port:
            if (key == "Adapter Type") return Value::int64(1);  // the router's upstream lane adapter
            if (key == "Supported Link Speed") return Value::int64(12);  // 10 and 20 Gb/s per lane
            if (key == "Current Link Speed") {
                auto speed = tree_.attribute(node.path, "rx_speed");
                auto code = speed ? sysfs::thunderboltSpeedCode(*speed) : std::nullopt;
                if (!code) return std::nullopt;
                return Value::int64(*code);
            }
            if (key == "Current Link Width") return asInteger(tree_.unsignedAttribute(node.path, "rx_lanes"));
            return std::nullopt;

        case Kind::device:
            if (key == "Device Characteristics" && !node.disk.empty()) {
                Dictionary characteristics;
                if (auto model = tree_.attribute(node.path, "model"))
                    characteristics.emplace("Product Name", Value::string(*model));
                if (auto disk = tree_.blockPath(node.disk)) {
                    auto rotational = tree_.unsignedAttribute(*disk + "/queue", "rotational");
                    if (rotational == 0u) characteristics.emplace("Medium Type", Value::string("Solid State"));
                    if (rotational == 1u) characteristics.emplace("Medium Type", Value::string("Rotational"));
                }
                if (characteristics.empty()) return std::nullopt;
                return Value::dictionary(std::move(characteristics));
            }
            if (key == "USBSpeed" && node.role == Role::usbDevice) {
                auto speed = tree_.attribute(node.path, "speed");
                auto code = speed ? sysfs::usbSpeedCode(*speed) : std::nullopt;
                if (!code) return std::nullopt;
                return Value::int64(*code);
            }
            // Linux does not link a tunnelled PCI device to its router. The link is established
            // only when there is exactly one tunnel entry and exactly one router; otherwise it is
            // left out and the speed stays unknown.
            if (key == "Thunderbolt Entry ID" && node.role == Role::pci && isTunnelEntry(node.path) &&
                soleTunnelEntry() == node.path) {
                auto router = soleRouter();
                if (!router) return std::nullopt;
                return Value::uint64(idFor(deviceNode(*router)));
            }
            if (key == "PCI Entry ID" && node.role == Role::thunderboltRouter && soleRouter() == node.path) {
                auto entry = soleTunnelEntry();
                if (!entry) return std::nullopt;
                return Value::uint64(idFor(deviceNode(*entry)));
            }
            return std::nullopt;

        default: return std::nullopt;
    }
}

std::optional<Value> SysfsRegistry::property(const RegistryObject& entry, std::string_view key) {
    auto node = nodeOf(entry);
    if (!node) return std::nullopt;
    int error = 0;
    return readProperty(*node, key, error);
}

PropertiesResult SysfsRegistry::allProperties(const RegistryObject& entry) {
    auto node = nodeOf(entry);
    if (!node) return {ReturnCode::noDevice, std::nullopt};
    Dictionary properties;
    for (auto key : keysOf(*node)) {
        int error = 0;
        auto value = readProperty(*node, key, error);
        if (error) return {returnCodeOf(error), std::nullopt};
        if (value) properties.emplace(std::string(key), std::move(*value));
    }
    return {ReturnCode::success, std::move(properties)};
}

// Statistics files

SysfsRegistry::StatisticsFile::~StatisticsFile() { ::close(descriptor); }

std::shared_ptr<SysfsRegistry::StatisticsFile> SysfsRegistry::openStatistics(const std::string& diskPath, int& error) {
    int descriptor = ::open((diskPath + "/stat").c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (descriptor < 0) {
        error = errno;
        return nullptr;
    }
    return std::make_shared<StatisticsFile>(descriptor);
}

std::optional<std::string> SysfsRegistry::readStatistics(const Node& driver, int& error) {
    std::shared_ptr<StatisticsFile> file;
    {
        std::lock_guard lock(mutex_);
        if (auto it = drivers_.find(driver.id); it != drivers_.end()) file = it->second.file;
    }
    if (!file) {
        file = openStatistics(driver.path, error);
        if (!file) return std::nullopt;
        std::lock_guard lock(mutex_);
        if (nodes_.count(driver.id)) drivers_[driver.id].file = file;
    }
    char buffer[statisticsCap];
    ssize_t count;
    do {
        count = ::pread(file->descriptor, buffer, sizeof buffer, 0);
    } while (count < 0 && errno == EINTR);
    if (count < 0) {
        error = errno;
        if (isGone(error)) {
            // The disk went away: the entry is looked at afresh at its next lookup.
            std::lock_guard lock(mutex_);
            if (auto it = drivers_.find(driver.id); it != drivers_.end() && it->second.file == file)
                it->second = Driver{};
        }
        return std::nullopt;
    }
    if (static_cast<std::size_t>(count) == sizeof buffer) {
        error = EFBIG;
        return std::nullopt;
    }
    return std::string(buffer, static_cast<std::size_t>(count));
}

// Thunderbolt

bool SysfsRegistry::isTunnelEntry(const std::string& pciPath) const {
    // PCI devices below an external-facing port are marked removable; the tunnel enters at the
    // topmost of them.
    if (tree_.attribute(pciPath, "removable") != "removable") return false;
    auto parent = tree_.parentDevice(pciPath);
    return !parent || tree_.subsystem(*parent) != "pci" || tree_.attribute(*parent, "removable") != "removable";
}

std::optional<std::string> SysfsRegistry::soleTunnelEntry() const {
    std::optional<std::string> found;
    auto devices = tree_.root() + "/bus/pci/devices/";
    for (const auto& name : tree_.list(devices)) {
        auto path = tree_.canonical(devices + name);
        if (!path || !isTunnelEntry(*path)) continue;
        if (found) return std::nullopt;
        found = path;
    }
    return found;
}

std::optional<std::string> SysfsRegistry::soleRouter() const {
    std::optional<std::string> found;
    auto devices = tree_.root() + "/bus/thunderbolt/devices/";
    for (const auto& name : tree_.list(devices)) {
        if (!isRouterName(name) || isHostRouterName(name)) continue;
        auto path = tree_.canonical(devices + name);
        if (!path) continue;
        if (found) return std::nullopt;
        found = path;
    }
    return found;
}

}  // namespace platform

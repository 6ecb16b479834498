#include "UdevDisk.h"

#include "SysfsReadBatch.h"
#include "SysfsText.h"

namespace platform {

namespace {

constexpr std::size_t mountInfoCap = 16 * 1024 * 1024;

std::optional<std::string> propertyOf(const UdevProperties& properties, std::string_view key) {
    auto it = properties.find(key);
    if (it == properties.end() || it->second.empty()) return std::nullopt;
    return it->second;
}

// What the device directories above a disk say about how it is attached.
struct Lineage {
    bool usb = false;        // below a USB device other than a root hub
    bool removable = false;  // some ancestor is marked removable by the driver core
    bool tunnelled = false;  // a PCI ancestor is removable: behind a Thunderbolt or USB4 port
    bool nvme = false, ata = false, mmc = false, virtio = false, scsi = false;
};

bool isAtaPort(const std::string& name) {
    return name.size() > 3 && name.starts_with("ata") &&
           name.find_first_not_of("0123456789", 3) == std::string::npos;
}

Lineage lineageOf(const SysfsTree& tree, const std::string& diskPath) {
    Lineage lineage;
    for (auto dir = tree.parentDevice(diskPath); dir; dir = tree.parentDevice(*dir)) {
        auto subsystem = tree.subsystem(*dir).value_or("");
        auto name = SysfsTree::baseName(*dir);
        bool removable = tree.attribute(*dir, "removable") == "removable";
        if (subsystem == "usb" && !name.starts_with("usb")) {
            auto uevent = tree.uevent(*dir);
            auto devtype = uevent.find("DEVTYPE");
            if (devtype != uevent.end() && devtype->second == "usb_device") lineage.usb = true;
        }
        lineage.removable |= removable;
        lineage.tunnelled |= removable && subsystem == "pci";
        lineage.nvme |= subsystem == "nvme";
        lineage.ata |= isAtaPort(name);
        lineage.mmc |= subsystem == "mmc";
        lineage.virtio |= subsystem == "virtio";
        lineage.scsi |= subsystem == "scsi";
    }
    return lineage;
}

// False for a disk attached from outside, true for one inside the machine, absent when it cannot
// be told (loop, ram, zram and other virtual disks) or there is no medium.
std::optional<bool> internalFlag(const UdevDiskContext& context, const std::string& wholePath,
                                 const UdevProperties& properties, int depth) {
    const auto& tree = context.tree;
    if (tree.isVirtual(wholePath)) {
        // Device mapper and software RAID: internal when any member is, external when all are not.
        auto members = tree.list(wholePath + "/slaves");
        if (members.empty() || depth >= 8) return std::nullopt;
        bool anyInternal = false;
        for (const auto& member : members) {
            auto memberPath = tree.blockPath(member);
            if (!memberPath) return std::nullopt;
            auto flag = internalFlag(context, tree.wholeDiskPath(*memberPath), {}, depth + 1);
            if (!flag) return std::nullopt;
            anyInternal |= *flag;
        }
        return anyInternal;
    }
    auto size = tree.unsignedAttribute(wholePath, "size");
    if (!size || *size == 0) return std::nullopt;  // a card reader without a card
    if (propertyOf(properties, "ID_BUS") == "usb") return false;
    auto lineage = lineageOf(tree, wholePath);
    return !(lineage.usb || lineage.removable);
}

std::optional<std::string> protocolOf(const Lineage& lineage, const UdevProperties& properties) {
    if (lineage.usb || propertyOf(properties, "ID_BUS") == "usb") return "USB";
    if (lineage.tunnelled) return "Thunderbolt";
    if (lineage.nvme) return "PCI-Express";
    if (lineage.ata || propertyOf(properties, "ID_BUS") == "ata") return "SATA";
    if (lineage.mmc) return "Secure Digital";
    if (lineage.virtio) return "Virtual Interface";
    if (lineage.scsi) return "SCSI";
    return std::nullopt;
}

std::optional<std::string> mediaContentOf(bool partition, const UdevProperties& properties) {
    if (partition) {
        auto type = propertyOf(properties, "ID_PART_ENTRY_TYPE");
        if (type == "0xef" || type == "0xEF") return "EFI";  // the EFI system partition on MBR
        return type;
    }
    auto table = propertyOf(properties, "ID_PART_TABLE_TYPE");
    if (table == "gpt") return "GUID_partition_scheme";
    if (table == "dos") return "FDisk_partition_scheme";
    return std::nullopt;
}

std::optional<std::string> mountPointOfDevice(const UdevDiskContext& context, const std::string& path) {
    auto device = context.tree.attribute(path, "dev");
    if (!device) return std::nullopt;
    auto colon = device->find(':');
    if (colon == std::string::npos) return std::nullopt;
    auto major = sysfs::parseUnsigned(std::string_view(*device).substr(0, colon));
    auto minor = sysfs::parseUnsigned(std::string_view(*device).substr(colon + 1));
    if (!major || !minor || *major > UINT32_MAX || *minor > UINT32_MAX) return std::nullopt;
    auto entries = readMountEntries(context);
    if (!entries) return std::nullopt;
    return mountPointOf(*entries, static_cast<unsigned>(*major), static_cast<unsigned>(*minor));
}

}  // namespace

std::optional<std::vector<MountEntry>> readMountEntries(const UdevDiskContext& context) {
    // Read and parsed once per batch: every disk of a rebuild looks itself up in it.
    return SysfsReadBatch::remembered(
        &SysfsReadBatch::mountTables, context.mountInfoPath, [&]() -> std::optional<std::vector<MountEntry>> {
            auto read = SysfsTree::readFile(context.mountInfoPath, mountInfoCap);
            if (!read.text) return std::nullopt;
            auto entries = parseMountInfo(*read.text);
            resolveAnonymousDevices(entries, context.blockDeviceNumber);
            return entries;
        });
}

std::shared_ptr<UdevDisk> UdevDisk::make(std::shared_ptr<const UdevDiskContext> context, const std::string& name) {
    auto path = context->tree.blockPath(name);
    if (!path) return nullptr;
    auto media = context->registry->mediaEntry(*path);
    auto mediaID = media ? context->registry->entryID(*media) : std::nullopt;
    if (!mediaID) return nullptr;
    return std::make_shared<UdevDisk>(std::move(context), name, std::move(*path), *mediaID);
}

std::shared_ptr<UdevDisk> UdevDisk::gone(std::shared_ptr<const UdevDiskContext> context, const std::string& name) {
    return std::make_shared<UdevDisk>(std::move(context), name, "", 0);
}

UdevDisk::UdevDisk(std::shared_ptr<const UdevDiskContext> context, std::string name, std::string path,
                   std::uint64_t mediaID)
    : context_(std::move(context)), name_(std::move(name)), path_(std::move(path)), mediaID_(mediaID) {}

bool UdevDisk::stillPresent() const {
    return !path_.empty() && context_->tree.blockPath(name_) == path_ &&
           context_->registry->matchingEntryID(mediaID_).has_value();
}

std::optional<DiskDescription> UdevDisk::copyDescription() const {
    if (!stillPresent()) return std::nullopt;
    const auto& tree = context_->tree;
    auto properties = context_->udev->properties(name_);
    auto wholePath = tree.wholeDiskPath(path_);
    bool partition = wholePath != path_;

    DiskDescription description;
    auto wholeProperties = partition ? context_->udev->properties(SysfsTree::baseName(wholePath)) : properties;
    if (auto internal = internalFlag(*context_, wholePath, wholeProperties, 0))
        description.set(DescriptionKey::deviceInternal, Value::boolean(*internal));
    description.set(DescriptionKey::mediaWhole, Value::boolean(!partition));

    if (auto model = propertyOf(wholeProperties, "ID_MODEL_ENC"))
        description.set(DescriptionKey::deviceModel, Value::string(sysfs::unescapeUdev(*model)));
    else if (auto plainModel = propertyOf(wholeProperties, "ID_MODEL"))
        description.set(DescriptionKey::deviceModel, Value::string(*plainModel));
    else if (auto deviceModel = tree.attribute(wholePath + "/device", "model"))
        description.set(DescriptionKey::deviceModel, Value::string(*deviceModel));

    if (auto protocol = protocolOf(lineageOf(tree, wholePath), wholeProperties))
        description.set(DescriptionKey::deviceProtocol, Value::string(*protocol));

    // `size` counts 512-byte sectors whatever the logical block size.
    if (auto sectors = tree.unsignedAttribute(path_, "size"); sectors && *sectors <= UINT64_MAX / 512)
        description.set(DescriptionKey::mediaSize, Value::uint64(*sectors * 512));

    if (propertyOf(properties, "ID_FS_USAGE") == "filesystem") {
        // An unlabelled file system still is a volume, with an empty name.
        std::string label;
        if (auto encoded = propertyOf(properties, "ID_FS_LABEL_ENC"))
            label = sysfs::unescapeUdev(*encoded);
        else
            label = propertyOf(properties, "ID_FS_LABEL").value_or("");
        description.set(DescriptionKey::volumeName, Value::string(std::move(label)));
        if (auto type = propertyOf(properties, "ID_FS_TYPE"))
            description.set(DescriptionKey::volumeKind, Value::string(*type));
        if (auto uuid = propertyOf(properties, "ID_FS_UUID"))
            if (auto bytes = sysfs::volumeUUIDBytes(*uuid)) description.set(DescriptionKey::volumeUUID, Value::uuid(*bytes));
    }
    if (auto mountPoint = mountPointOfDevice(*context_, path_))
        description.set(DescriptionKey::volumePath, Value::url(*mountPoint));
    if (auto content = mediaContentOf(partition, properties))
        description.set(DescriptionKey::mediaContent, Value::string(*content));
    return description;
}

std::optional<RegistryObject> UdevDisk::copyIOMedia() const {
    if (path_.empty() || context_->tree.blockPath(name_) != path_) return std::nullopt;
    return context_->registry->matchingEntryID(mediaID_);
}

}  // namespace platform

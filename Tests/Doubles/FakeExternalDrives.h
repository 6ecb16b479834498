#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "Doubles/FakeDiskArbitration.h"
#include "Doubles/FakeRegistry.h"

// Puts external USB drives into a fake disk service and its registry, shaped as the disk
// service shows them:
//
//   root <- PCI function <- USB host controller <- USB device ("USBSpeed") <- interface
//        <- storage unit ("Device Characteristics") <- block-storage driver ("Statistics")
//        <- whole medium ("Whole" true) <- partition scheme <- partition media
class FakeExternalDrives {
public:
    struct Drive {
        std::string bsdName;
        std::uint64_t usbDevice = 0;
        std::uint64_t unit = 0;
        std::uint64_t driver = 0;
        std::uint64_t whole = 0;
        std::uint64_t scheme = 0;
    };

    struct Partition {
        std::string bsdName;
        std::uint64_t media = 0;
    };

    explicit FakeExternalDrives(std::shared_ptr<FakeDiskArbitration> arbitration)
        : arbitration_(std::move(arbitration)), registry_(arbitration_->fakeRegistry()) {}

    FakeRegistry& registry() { return *registry_; }
    FakeDiskArbitration& arbitration() { return *arbitration_; }

    // The description of an external disk (whole) or partition, without a volume.
    static platform::DiskDescription description(bool whole, std::uint64_t size, const std::string& model = "Model") {
        platform::DiskDescription d;
        d.set(platform::DescriptionKey::deviceInternal, platform::Value::boolean(false));
        d.set(platform::DescriptionKey::mediaWhole, platform::Value::boolean(whole));
        d.set(platform::DescriptionKey::deviceModel, platform::Value::string(model));
        d.set(platform::DescriptionKey::deviceProtocol, platform::Value::string("USB"));
        d.set(platform::DescriptionKey::mediaSize, platform::Value::uint64(size));
        d.set(platform::DescriptionKey::mediaContent,
              platform::Value::string(whole ? "GUID_partition_scheme" : "EBD0A0A2-B9E5-4433-87C0-68B6B72699C7"));
        return d;
    }

    // The same with a volume; mounted when `mountPath` is not empty.
    static platform::DiskDescription volumeDescription(std::uint64_t size, const std::string& name,
                                                       const std::string& mountPath, std::uint8_t uuidSeed,
                                                       const std::string& model = "Model") {
        platform::DiskDescription d = description(false, size, model);
        d.set(platform::DescriptionKey::volumeName, platform::Value::string(name));
        d.set(platform::DescriptionKey::volumeKind, platform::Value::string("exfat"));
        if (!mountPath.empty()) d.set(platform::DescriptionKey::volumePath, platform::Value::url(mountPath));
        platform::UuidBytes bytes{};
        for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(uuidSeed + i * 17);
        d.set(platform::DescriptionKey::volumeUUID, platform::Value::uuid(bytes));
        return d;
    }

    // A drive's registry chain (USB 5 Gb/s, a solid-state unit named `productName`) and its whole
    // disk. The disk is added to the disk service unless `description` is absent.
    Drive addDrive(const std::string& bsdName, std::optional<platform::DiskDescription> description,
                   const std::string& productName = "Product") {
        Drive drive;
        drive.bsdName = bsdName;
        auto pci = registry_->add({"IOPCIDevice", {}, {}, {FakeRegistry::rootID}});
        auto host = registry_->add({"xhci_hcd", {}, {}, {pci}});
        drive.usbDevice = registry_->add({"IOUSBHostDevice", {}, {{"USBSpeed", platform::Value::int64(4)}}, {host}});
        auto interface = registry_->add({"IOUSBHostInterface", {}, {}, {drive.usbDevice}});
        platform::Dictionary characteristics{{"Product Name", platform::Value::string(productName)},
                                             {"Medium Type", platform::Value::string("Solid State")}};
        drive.unit = registry_->add({"IOSCSIPeripheralDeviceType00",
                                     {"IOBlockStorageDevice"},
                                     {{"Device Characteristics", platform::Value::dictionary(characteristics)}},
                                     {interface}});
        drive.driver = registry_->add({"IOBlockStorageDriver", {}, {}, {drive.unit}});
        setCounters(drive, platform::Value::uint64(0), platform::Value::uint64(0));
        drive.whole = registry_->add({"IOMedia", {}, {{"Whole", platform::Value::boolean(true)}}, {drive.driver}});
        drive.scheme = registry_->add({"IOGUIDPartitionScheme", {"IOPartitionScheme"}, {}, {drive.whole}});
        if (description) arbitration_->addDisk({bsdName, std::move(description), drive.whole});
        return drive;
    }

    Drive addDrive(const std::string& bsdName, std::uint64_t size = 1'000'000'000'000) {
        return addDrive(bsdName, description(true, size));
    }

    // A partition media entry on the drive's scheme, and its disk unless `description` is absent.
    Partition addPartition(const Drive& drive, const std::string& bsdName,
                           std::optional<platform::DiskDescription> description) {
        platform::Dictionary properties{{"Whole", platform::Value::boolean(false)}};
        Partition partition{bsdName, registry_->add({"IOMedia", {}, properties, {drive.scheme}})};
        if (description) arbitration_->addDisk({bsdName, std::move(description), partition.media});
        return partition;
    }

    void setCounters(const Drive& drive, platform::Value read, platform::Value written) {
        registry_->setProperty(drive.driver, "Statistics",
                               platform::Value::dictionary({{"Bytes (Read)", std::move(read)},
                                                            {"Bytes (Write)", std::move(written)},
                                                            {"Operations (Read)", platform::Value::uint64(1)}}));
    }
    void setCounters(const Drive& drive, std::uint64_t read, std::uint64_t written) {
        setCounters(drive, platform::Value::uint64(read), platform::Value::uint64(written));
    }

private:
    std::shared_ptr<FakeDiskArbitration> arbitration_;
    std::shared_ptr<FakeRegistry> registry_;
};

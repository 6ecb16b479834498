#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "Doubles/FakeRegistry.h"
#include "Doubles/SysfsFixture.h"
#include "Platform/Disks/Linux/SysfsRegistry.h"
#include "Wendmark/RegistryLinkBandwidth.h"

using platform::Dictionary;
using platform::Value;
using wendmark::LinkBandwidth;
using wendmark::RegistryLinkBandwidth;

namespace {

constexpr std::uint64_t driver = 100;
constexpr std::uint64_t usbDevice = 102;
constexpr std::uint64_t hub = 103;
constexpr std::uint64_t pci = 105;
constexpr std::uint64_t service = 200;
constexpr std::uint64_t controller = 210;

LinkBandwidth usb(std::uint64_t bits) { return {LinkBandwidth::Transport::usb, bits}; }
LinkBandwidth thunderbolt(std::uint64_t bits) { return {LinkBandwidth::Transport::usb4Thunderbolt, bits}; }

Dictionary port(Value speed, Value width, Value supported, Value adapterType = Value::int64(1)) {
    return {{"Adapter Type", adapterType},
            {"Current Link Speed", speed},
            {"Current Link Width", width},
            {"Supported Link Speed", supported}};
}

// driver -> interface -> USB device -> hub -> host controller -> PCI function -> root, and a
// Thunderbolt service with its two ports and router up to the controller, not yet linked.
class RegistryLinkBandwidthTest : public ::testing::Test {
protected:
    void SetUp() override {
        registry.add(driver, "IOBlockStorageDriver", {101});
        registry.add(101, "IOUSBHostInterface", {usbDevice});
        registry.add(usbDevice, "IOUSBHostDevice", {hub}, {{"USBSpeed", Value::int64(4)}});
        registry.add(hub, "IOUSBHostDevice", {104}, {{"USBSpeed", Value::int64(4)}, {"Device Speed", Value::int64(3)}});
        registry.add(104, "xhci_hcd", {pci});
        registry.add(pci, "IOPCIDevice", {FakeRegistry::rootID});

        registry.add(service, "IOThunderboltSwitchType5", {201}, {{"PCI Entry ID", Value::uint64(pci)}});
        registry.add(201, "IOThunderboltPort", {202}, port(Value::int64(4), Value::int64(2), Value::int64(12)));
        registry.add(202, "IOThunderboltSwitchType5", {203});
        registry.add(203, "IOThunderboltPort", {204}, port(Value::int64(8), Value::int64(2), Value::int64(12)));
        // A port of another adapter type is passed over, whatever its speed says.
        registry.add(204, "IOThunderboltPort", {controller}, port(Value::int64(2), Value::int64(3), Value::int64(0),
                                                                  Value::int64(2)));
        registry.add(controller, "IOThunderboltControllerType5", {pci + 1});
        registry.add(pci + 1, "IOPCIDevice", {FakeRegistry::rootID});
    }

    void TearDown() override { EXPECT_EQ(registry.outstandingHandles(), 0); }

    std::optional<LinkBandwidth> read() { return RegistryLinkBandwidth::read(registry, driver); }
    void tunnel() { registry.setProperty(pci, "Thunderbolt Entry ID", Value::uint64(service)); }

    FakeRegistry registry;
};

}  // namespace

TEST_F(RegistryLinkBandwidthTest, usbChainsGiveTheSlowestLink) {
    EXPECT_EQ(read(), usb(5'000'000'000));

    // A slower hub in between wins.
    registry.setProperty(hub, "USBSpeed", Value::int64(3));
    registry.setProperty(hub, "Device Speed", Value::int64(2));
    EXPECT_EQ(read(), usb(480'000'000));

    // An older device class counts the same way, through its superclass.
    registry.add(usbDevice, "LegacyMassStorageDevice", {hub}, {{"Device Speed", Value::int64(1)}}, {"IOUSBDevice"});
    EXPECT_EQ(read(), usb(12'000'000));

    // An unknown or disagreeing code anywhere on the path gives no speed at all.
    registry.add(usbDevice, "IOUSBHostDevice", {hub}, {{"USBSpeed", Value::int64(0)}, {"Device Speed", Value::int64(3)}});
    EXPECT_EQ(read(), std::nullopt);
    registry.setProperty(usbDevice, "USBSpeed", Value::int64(7));
    EXPECT_EQ(read(), std::nullopt);
    registry.setProperty(usbDevice, "USBSpeed", Value::int64(3));  // 480 Mb/s against 5 Gb/s
    EXPECT_EQ(read(), std::nullopt);
    registry.removeProperty(usbDevice, "USBSpeed");
    registry.removeProperty(usbDevice, "Device Speed");
    EXPECT_EQ(read(), std::nullopt);

    // No USB device on the way: the root is reached with nothing collected.
    registry.setParents(101, {104});
    EXPECT_EQ(read(), std::nullopt);
}

TEST_F(RegistryLinkBandwidthTest, numbersMustBeWholeNonNegativeNumbers) {
    // With "Device Speed" 3 (5 Gb/s) beside it, a rejected "USBSpeed" leaves 5 Gb/s, while an
    // accepted wrong one would disagree and give nothing.
    registry.setProperty(usbDevice, "Device Speed", Value::int64(3));
    auto withHostSpeed = [&](Value value) {
        registry.setProperty(usbDevice, "USBSpeed", std::move(value));
        return read();
    };
    EXPECT_EQ(withHostSpeed(Value::real(4.0)), usb(5'000'000'000));
    EXPECT_EQ(withHostSpeed(Value::real(3.0)), std::nullopt);  // integral reals are read
    EXPECT_EQ(withHostSpeed(Value::uint64(3)), std::nullopt);
    for (Value rejected : {Value::real(2.5), Value::int64(-1), Value::real(-0.5), Value::string("3"),
                           Value::boolean(true), Value::boolean(false), Value::real(std::nan("")),
                           Value::real(std::numeric_limits<double>::infinity()), Value::real(9.3e18),
                           Value::uint64(std::numeric_limits<std::uint64_t>::max())})
        EXPECT_EQ(withHostSpeed(rejected), usb(5'000'000'000));
    // A code beyond int is no code in the table, not a truncated one.
    EXPECT_EQ(withHostSpeed(Value::int64((std::int64_t{1} << 32) + 3)), std::nullopt);
}

TEST_F(RegistryLinkBandwidthTest, thunderboltPathsCountTheirPorts) {
    tunnel();
    // USB 5 Gb/s below a 20 Gb/s (2 x 10) and a 40 Gb/s port: USB is the slowest.
    EXPECT_EQ(read(), usb(5'000'000'000));
    registry.setProperty(usbDevice, "USBSpeed", Value::int64(6));
    registry.setProperty(hub, "USBSpeed", Value::int64(6));
    registry.removeProperty(hub, "Device Speed");
    EXPECT_EQ(read(), usb(20'000'000'000));  // of equal rates the first collected wins

    // A device right on the tunnel (no USB) gets the port links alone.
    registry.setParents(101, {pci});
    EXPECT_EQ(read(), thunderbolt(20'000'000'000));

    // Width, mask and code rules of each counted port.
    registry.setProperty(203, "Current Link Width", Value::int64(1));
    EXPECT_EQ(read(), thunderbolt(10'000'000'000));
    registry.setProperty(203, "Current Link Width", Value::real(2.0));
    EXPECT_EQ(read(), thunderbolt(20'000'000'000));
    registry.setProperty(203, "Supported Link Speed", Value::int64((std::int64_t{1} << 40) + 12));
    EXPECT_EQ(read(), thunderbolt(20'000'000'000));
    for (Value badWidth : {Value::int64(3), Value::int64(0), Value::int64((std::int64_t{1} << 32) + 2),
                           Value::boolean(true)}) {
        registry.setProperty(203, "Current Link Width", badWidth);
        EXPECT_EQ(read(), std::nullopt);
    }
    registry.setProperty(203, "Current Link Width", Value::int64(2));
    for (Value badMask : {Value::int64(4), Value::int64(std::int64_t{1} << 40), Value::real(12.5)}) {
        registry.setProperty(203, "Supported Link Speed", badMask);
        EXPECT_EQ(read(), std::nullopt);
    }
    registry.setProperty(203, "Supported Link Speed", Value::int64(12));
    registry.removeProperty(203, "Current Link Speed");
    EXPECT_EQ(read(), std::nullopt);

    // A port whose adapter type is not exactly the number 1 is not counted.
    registry.setProperty(203, "Adapter Type", Value::boolean(true));
    EXPECT_EQ(read(), thunderbolt(40'000'000'000));
    registry.setProperty(203, "Adapter Type", Value::real(1.0));
    EXPECT_EQ(read(), std::nullopt);  // counted again, still without a speed
    registry.setProperty(201, "Adapter Type", Value::int64(0));
    registry.setProperty(203, "Adapter Type", Value::int64(0));
    EXPECT_EQ(read(), std::nullopt);  // the controller is reached with no counted port
}

TEST_F(RegistryLinkBandwidthTest, thunderboltCrossReferenceAndControllerStop) {
    // An entry id of 0 is ignored: the walk goes on to the root.
    registry.setProperty(pci, "Thunderbolt Entry ID", Value::int64(0));
    EXPECT_EQ(read(), usb(5'000'000'000));
    // So is one that does not read as a whole number.
    registry.setProperty(pci, "Thunderbolt Entry ID", Value::boolean(true));
    EXPECT_EQ(read(), usb(5'000'000'000));

    // The service must exist and point back at this very entry.
    registry.setProperty(pci, "Thunderbolt Entry ID", Value::uint64(999));
    EXPECT_EQ(read(), std::nullopt);
    tunnel();
    registry.setProperty(service, "PCI Entry ID", Value::uint64(pci + 1));
    EXPECT_EQ(read(), std::nullopt);
    registry.removeProperty(service, "PCI Entry ID");
    EXPECT_EQ(read(), std::nullopt);
    registry.setProperty(service, "PCI Entry ID", Value::real(static_cast<double>(pci)));
    EXPECT_EQ(read(), usb(5'000'000'000));
    registry.setParents(101, {pci});  // no USB device below the tunnel from here on
    EXPECT_EQ(read(), thunderbolt(20'000'000'000));

    // The controller is known by the start of its class name only.
    registry.add(controller, "XIOThunderboltController", {pci + 1});
    EXPECT_EQ(read(), std::nullopt);  // the walk runs past it into the root, which has no parent
    registry.add(controller, "IOThunderboltController", {pci + 1});
    EXPECT_EQ(read(), thunderbolt(20'000'000'000));

    // A router with two parents, or a cycle, on the Thunderbolt walk.
    registry.setParents(202, {203, 204});
    EXPECT_EQ(read(), std::nullopt);
    registry.setParents(202, {201});
    EXPECT_EQ(read(), std::nullopt);
}

TEST_F(RegistryLinkBandwidthTest, unreadableOrOddGraphsGiveNoSpeed) {
    EXPECT_EQ(RegistryLinkBandwidth::read(registry, 4242), std::nullopt);

    // The root ends the walk by its exact class name; a class name that cannot be read does not.
    FakeRegistry::Faults noClass;
    noClass.classNameUnreadable = true;
    registry.setFaults(pci, noClass);
    EXPECT_EQ(read(), usb(5'000'000'000));

    auto withFault = [&](std::uint64_t id, FakeRegistry::Faults faults) {
        registry.setFaults(id, faults);
        auto result = read();
        registry.setFaults(id, {});
        return result;
    };
    FakeRegistry::Faults fault;
    fault.entryIDUnreadable = true;
    EXPECT_EQ(withFault(hub, fault), std::nullopt);
    fault = {};
    fault.parentIteratorFails = true;
    EXPECT_EQ(withFault(hub, fault), std::nullopt);
    fault = {};
    fault.iteratorInvalidAfter = 1;  // the registry changed while the parent was taken
    EXPECT_EQ(withFault(hub, fault), std::nullopt);
    EXPECT_EQ(read(), usb(5'000'000'000));

    registry.setParents(104, {pci, pci + 1});  // two parents
    EXPECT_EQ(read(), std::nullopt);
    registry.setParents(104, {});  // no parent below the root
    EXPECT_EQ(read(), std::nullopt);
    registry.setParents(104, {hub});  // a cycle
    EXPECT_EQ(read(), std::nullopt);
}

TEST_F(RegistryLinkBandwidthTest, walksAreBoundedToFortyEntries) {
    // driver, interface, device, then `plain` entries, then the root.
    auto chainWith = [&](int plain) {
        std::uint64_t next = FakeRegistry::rootID;
        for (int i = 0; i < plain; ++i) {
            std::uint64_t id = 1000 + static_cast<std::uint64_t>(i);
            registry.add(id, "IOService", {next});
            next = id;
        }
        registry.setParents(usbDevice, {next});
        return read();
    };
    EXPECT_EQ(chainWith(36), usb(5'000'000'000));  // 40 entries with the root
    EXPECT_EQ(chainWith(37), std::nullopt);

    // The Thunderbolt walk: service, `plain` entries, then the controller.
    tunnel();
    auto tunnelWith = [&](int plain) {
        std::uint64_t next = controller;
        for (int i = 0; i < plain; ++i) {
            std::uint64_t id = 2000 + static_cast<std::uint64_t>(i);
            registry.add(id, i == 0 ? "IOThunderboltPort" : "IOThunderboltSwitch", {next},
                         i == 0 ? port(Value::int64(8), Value::int64(1), Value::int64(8)) : Dictionary{});
            next = id;
        }
        registry.setParents(service, {next});
        return read();
    };
    registry.setParents(usbDevice, {hub});
    registry.setParents(101, {pci});
    EXPECT_EQ(tunnelWith(38), thunderbolt(10'000'000'000));  // 40 entries with the controller
    EXPECT_EQ(tunnelWith(39), std::nullopt);
}

TEST(RegistryLinkBandwidth, readsTheSysfsRegistry) {
    SysfsFixture fixture;
    std::string ssd = fixture.addUsbSsd();
    std::string stick = fixture.addUsbStick();
    std::string tunnelled = fixture.addThunderboltNvme();
    std::string internal = fixture.addInternalNvme();
    platform::SysfsRegistry registry{platform::SysfsTree(fixture.root())};

    auto speedOf = [&](const std::string& disk) -> std::optional<LinkBandwidth> {
        auto media = registry.mediaEntry(disk);
        auto driverEntry = media ? registry.parentEntry(*media, platform::servicePlane) : std::nullopt;
        EXPECT_TRUE(driverEntry && registry.conformsTo(*driverEntry, "IOBlockStorageDriver")) << disk;
        auto id = driverEntry ? registry.entryID(*driverEntry) : std::nullopt;
        return id ? RegistryLinkBandwidth::read(registry, *id) : std::nullopt;
    };
    EXPECT_EQ(speedOf(ssd), usb(5'000'000'000));
    EXPECT_EQ(speedOf(stick), usb(480'000'000));
    EXPECT_EQ(speedOf(tunnelled), thunderbolt(40'000'000'000));
    EXPECT_EQ(speedOf(internal), std::nullopt);
    fixture.write(fixture.devices("pci0000:00/0000:00:0d.2/domain0/0-0/0-1/rx_speed"), "10.0 Gb/s\n");
    EXPECT_EQ(speedOf(tunnelled), thunderbolt(20'000'000'000));
    EXPECT_EQ(registry.outstandingHandles(), 0);
}

#include "UdevDiskArbitration.h"

#include <fcntl.h>
#include <unistd.h>

namespace platform {

std::shared_ptr<UdevDiskArbitration> UdevDiskArbitration::make(LinuxDiskEnvironment environment) {
    return std::make_shared<UdevDiskArbitration>(std::move(environment));
}

UdevDiskArbitration::UdevDiskArbitration(LinuxDiskEnvironment environment)
    : environment_(std::move(environment)), tree_(environment_.sysfsRoot),
      registry_(std::make_shared<SysfsRegistry>(tree_)) {}

std::shared_ptr<UdevDiskSession> UdevDiskArbitration::openSession() {
    if (!environment_.udevDaemonRunning || !environment_.udevDaemonRunning()) {
        environment_.logger().error("No udev daemon (systemd-udevd) runs: disks cannot be observed");
        return nullptr;
    }
    if (!tree_.readable()) return nullptr;
    // Kept open for the monitor: the mount table signals changes on this descriptor.
    int mountInfo = ::open(environment_.mountInfoPath.c_str(), O_RDONLY | O_CLOEXEC);
    if (mountInfo < 0) return nullptr;
    auto udev = environment_.openUdev ? environment_.openUdev() : nullptr;
    auto context = std::make_shared<UdevDiskContext>(UdevDiskContext{
        tree_, environment_.mountInfoPath, environment_.blockDeviceNumber, udev, registry_, environment_.logger()});
    auto mounts = UdevDiskSession::readMountTable(*context);
    if (!mounts || !udev || !udev->blockDevices()) {
        ::close(mountInfo);
        return nullptr;
    }
    auto session = std::make_shared<UdevDiskSession>(context, std::move(*mounts));
    if (!environment_.watchInBackground) {
        ::close(mountInfo);
        return session;
    }

    std::weak_ptr<UdevDiskSession> weakSession = session;
    DiskEventMonitor::Callbacks callbacks;
    callbacks.udevReadable = [weakSession] {
        if (auto live = weakSession.lock()) live->handleUdevReadable();
    };
    callbacks.udevOverflowed = [weakSession] {
        if (auto live = weakSession.lock()) live->rescan();
    };
    callbacks.mountsChanged = [weakSession] {
        auto live = weakSession.lock();
        return !live || live->handleMountTableChange();
    };
    auto monitor = DiskEventMonitor::start(udev->monitorDescriptor(), mountInfo, std::move(callbacks),
                                           environment_.logger(), environment_.monitorSystem);
    if (!monitor) return nullptr;
    session->setMonitor(std::move(monitor));
    return session;
}

}  // namespace platform

#pragma once

#include <functional>
#include <memory>
#include <string>

#include "DiskEventMonitor.h"
#include "MountInfo.h"
#include "Platform/Log/Logger.h"
#include "UdevSource.h"

namespace platform {

// Where the Linux disk backend reads the system from. Tests point it at fixture trees.
struct LinuxDiskEnvironment {
    std::string sysfsRoot = "/sys";
    std::string mountInfoPath = "/proc/self/mountinfo";
    // The device number of a block device node in /dev (for mounts that show an anonymous one).
    BlockDeviceLookup blockDeviceNumber;
    // Opens the udev connection of one session; null when udev cannot be reached.
    std::function<std::shared_ptr<UdevSource>()> openUdev;
    // Whether the udev daemon (systemd-udevd) runs. Without it libudev gives no properties and no
    // events, so no session is opened. Empty: it does not.
    std::function<bool()> udevDaemonRunning;
    // Whether a session watches udev and the mount table on a thread of its own. Tests turn it off
    // and hand events to the session themselves.
    bool watchInBackground = true;
    // The system calls of that thread.
    DiskEventMonitor::System monitorSystem = DiskEventMonitor::System::real();
    // Where the backend logs what it cannot do; null: the default sink.
    std::shared_ptr<LogSink> logSink;

    // The daemon's control socket, there while it runs.
    static constexpr const char* udevControlPath = "/run/udev/control";
    static constexpr const char* logSubsystem = "com.local.Quentrel";
    static constexpr const char* logCategory = "Disks";
    Logger logger() const { return Logger(logSubsystem, logCategory, logSink); }

    // The running system: /sys, /proc/self/mountinfo, libudev and udev's control socket.
    static LinuxDiskEnvironment system();
};

}  // namespace platform

#include "LibudevSource.h"

#include <libudev.h>
#include <poll.h>

#include <cerrno>

namespace platform {

std::shared_ptr<LibudevSource> LibudevSource::open() {
    udev* context = udev_new();
    if (!context) return nullptr;
    // Started before any scan, so nothing falls between the scan and the first event.
    udev_monitor* monitor = udev_monitor_new_from_netlink(context, "udev");
    if (!monitor || udev_monitor_filter_add_match_subsystem_devtype(monitor, "block", nullptr) < 0 ||
        udev_monitor_enable_receiving(monitor) < 0 || udev_monitor_get_fd(monitor) < 0) {
        if (monitor) udev_monitor_unref(monitor);
        udev_unref(context);
        return nullptr;
    }
    // Hub plugs come in bursts; a failure here only means the default buffer.
    udev_monitor_set_receive_buffer_size(monitor, 4 * 1024 * 1024);
    return std::make_shared<LibudevSource>(context, monitor);
}

LibudevSource::LibudevSource(udev* context, udev_monitor* monitor)
    : context_(context), monitor_(monitor), descriptor_(udev_monitor_get_fd(monitor)) {}

LibudevSource::~LibudevSource() {
    udev_monitor_unref(monitor_);
    udev_unref(context_);
}

std::optional<std::vector<std::string>> LibudevSource::blockDevices() {
    std::lock_guard lock(mutex_);
    udev_enumerate* enumerate = udev_enumerate_new(context_);
    if (!enumerate) return std::nullopt;
    std::optional<std::vector<std::string>> names;
    if (udev_enumerate_add_match_subsystem(enumerate, "block") >= 0 && udev_enumerate_scan_devices(enumerate) >= 0) {
        names.emplace();
        udev_list_entry* entry;
        udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(enumerate)) {
            std::string path = udev_list_entry_get_name(entry);
            auto slash = path.rfind('/');
            names->push_back(slash == std::string::npos ? path : path.substr(slash + 1));
        }
    }
    udev_enumerate_unref(enumerate);
    return names;
}

UdevProperties LibudevSource::properties(const std::string& name) {
    std::lock_guard lock(mutex_);
    UdevProperties values;
    udev_device* device = udev_device_new_from_subsystem_sysname(context_, "block", name.c_str());
    if (!device) return values;
    udev_list_entry* entry;
    udev_list_entry_foreach(entry, udev_device_get_properties_list_entry(device)) {
        const char* value = udev_list_entry_get_value(entry);
        values.emplace(udev_list_entry_get_name(entry), value ? value : "");
    }
    udev_device_unref(device);
    return values;
}

int LibudevSource::monitorDescriptor() const { return descriptor_; }

UdevReceipt LibudevSource::receive() {
    std::lock_guard lock(mutex_);
    errno = 0;
    udev_device* device = udev_monitor_receive_device(monitor_);
    if (!device) {
        if (errno == ENOBUFS) return {UdevReceipt::Kind::overflowed, {}};
        // libudev also gives null for a message it refuses (not sent by udev, or filtered out);
        // whatever waits behind it is still to be read.
        pollfd waiting{descriptor_, POLLIN, 0};
        bool more = ::poll(&waiting, 1, 0) > 0 && (waiting.revents & (POLLIN | POLLERR));
        return {more ? UdevReceipt::Kind::ignored : UdevReceipt::Kind::drained, {}};
    }
    UdevReceipt receipt{UdevReceipt::Kind::ignored, {}};
    const char* action = udev_device_get_action(device);
    const char* name = udev_device_get_sysname(device);
    if (action && name) receipt = {UdevReceipt::Kind::event, {action, name}};
    udev_device_unref(device);
    return receipt;
}

}  // namespace platform

#pragma once

#include <memory>
#include <mutex>

#include "UdevSource.h"

struct udev;
struct udev_monitor;

namespace platform {

// udev through libudev: a monitor of the block subsystem (events after udev's rules ran) and
// device lookups. A udev context is not thread-safe, so every call takes one lock.
class LibudevSource final : public UdevSource {
public:
    // Null when the context or the monitor cannot be set up.
    static std::shared_ptr<LibudevSource> open();
    ~LibudevSource() override;

    std::optional<std::vector<std::string>> blockDevices() override;
    UdevProperties properties(const std::string& name) override;
    int monitorDescriptor() const override;
    UdevReceipt receive() override;

    LibudevSource(udev* context, udev_monitor* monitor);  // use open()

private:
    std::mutex mutex_;
    udev* context_;
    udev_monitor* monitor_;
    int descriptor_;
};

}  // namespace platform

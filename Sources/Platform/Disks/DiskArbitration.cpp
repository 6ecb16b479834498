#include "DiskArbitration.h"

#include <mutex>

#include "Linux/UdevDiskArbitration.h"

namespace platform {

namespace {
std::mutex sharedMutex;
std::shared_ptr<DiskArbitration> sharedArbitration;
}  // namespace

std::shared_ptr<DiskArbitration> DiskArbitration::shared() {
    std::lock_guard lock(sharedMutex);
    if (!sharedArbitration) sharedArbitration = UdevDiskArbitration::make(LinuxDiskEnvironment::system());
    return sharedArbitration;
}

void DiskArbitration::setShared(std::shared_ptr<DiskArbitration> arbitration) {
    std::lock_guard lock(sharedMutex);
    sharedArbitration = std::move(arbitration);
}

}  // namespace platform

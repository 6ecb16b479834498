#include "LinuxDiskEnvironment.h"

#include <unistd.h>

#include "LibudevSource.h"

namespace platform {

LinuxDiskEnvironment LinuxDiskEnvironment::system() {
    LinuxDiskEnvironment environment;
    environment.openUdev = []() -> std::shared_ptr<UdevSource> { return LibudevSource::open(); };
    environment.udevDaemonRunning = [] { return ::access(udevControlPath, F_OK) == 0; };
    return environment;
}

}  // namespace platform

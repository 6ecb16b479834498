#include "LinuxDiskEnvironment.h"

#include "LibudevSource.h"

namespace platform {

LinuxDiskEnvironment LinuxDiskEnvironment::system() {
    LinuxDiskEnvironment environment;
    environment.openUdev = []() -> std::shared_ptr<UdevSource> { return LibudevSource::open(); };
    return environment;
}

}  // namespace platform

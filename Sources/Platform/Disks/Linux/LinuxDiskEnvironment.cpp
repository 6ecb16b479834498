#include "LinuxDiskEnvironment.h"

#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include "LibudevSource.h"

namespace platform {

LinuxDiskEnvironment LinuxDiskEnvironment::system() {
    LinuxDiskEnvironment environment;
    environment.openUdev = []() -> std::shared_ptr<UdevSource> { return LibudevSource::open(); };
    environment.blockDeviceNumber = [](const std::string& path) -> std::optional<std::pair<unsigned, unsigned>> {
        struct stat info;
        if (::stat(path.c_str(), &info) != 0 || !S_ISBLK(info.st_mode)) return std::nullopt;
        return std::pair{::major(info.st_rdev), ::minor(info.st_rdev)};
    };
    environment.udevDaemonRunning = [] { return ::access(udevControlPath, F_OK) == 0; };
    return environment;
}

}  // namespace platform

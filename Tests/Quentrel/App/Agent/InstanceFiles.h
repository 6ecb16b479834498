#pragma once

// The record files of the stand-in UI programs: each start claims the next instance number in the
// folder the test names in an environment variable, and writes "<name>-<instance><extension>".

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>

namespace agenttest {

class InstanceFiles {
public:
    explicit InstanceFiles(const char* folderVariable) {
        if (const char* folder = std::getenv(folderVariable)) folder_ = folder;
    }

    const std::string& folder() const { return folder_; }

    std::string file(const std::string& name, int instance, const std::string& extension = "") const {
        return folder_ + "/" + name + "-" + std::to_string(instance) + extension;
    }

    // The first number whose "<marker>-<n>" did not exist yet (now created), or -1.
    int claim(const std::string& marker) const {
        for (int n = 1;; ++n) {
            const int fd = ::open(file(marker, n).c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0600);
            if (fd >= 0) {
                ::close(fd);
                return n;
            }
            if (errno != EEXIST) return -1;
        }
    }

private:
    std::string folder_;
};

}  // namespace agenttest

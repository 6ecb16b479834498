#include "DetachedProcess.h"

#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <thread>

extern char** environ;

namespace platform {

namespace {

// Releases the spawn attributes on every path.
struct SpawnAttributes {
    posix_spawnattr_t value;
    int error;
    SpawnAttributes() : error(posix_spawnattr_init(&value)) {}
    ~SpawnAttributes() {
        if (error == 0) posix_spawnattr_destroy(&value);
    }
};

}  // namespace

std::optional<std::string> startDetachedProcess(const std::vector<std::string>& arguments) {
    if (arguments.empty() || arguments.front().empty()) return std::string(std::strerror(EINVAL));

    std::vector<char*> argv;
    argv.reserve(arguments.size() + 1);
    for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);

    SpawnAttributes attributes;
    if (attributes.error != 0) return std::string(std::strerror(attributes.error));
    // The programs ignore SIGPIPE, and an ignored disposition would survive the exec.
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    sigset_t emptyMask;
    sigemptyset(&emptyMask);
    int error = posix_spawnattr_setsigdefault(&attributes.value, &defaults);
    if (error == 0) error = posix_spawnattr_setsigmask(&attributes.value, &emptyMask);
    if (error == 0) error = posix_spawnattr_setflags(&attributes.value, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);
    if (error != 0) return std::string(std::strerror(error));

    pid_t child = 0;
    error = posix_spawnp(&child, argv.front(), nullptr, &attributes.value, argv.data(), environ);
    if (error != 0) return std::string(std::strerror(error));

    // Reaped in the background so it never stays a zombie, and nothing here waits for it.
    std::thread([child] {
        int status = 0;
        while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
        }
    }).detach();
    return std::nullopt;
}

}  // namespace platform

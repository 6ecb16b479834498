#include "DetachedProcess.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <system_error>
#include <thread>

extern char** environ;

namespace platform {

namespace {

// The spawn attributes and file actions, released on every path; `error` is the first failure of
// their set-up, after which nothing more is set up.
struct SpawnSetup {
    posix_spawnattr_t attributes;
    posix_spawn_file_actions_t actions;
    bool attributesMade = false;
    bool actionsMade = false;
    int error = 0;

    SpawnSetup() {
        // The programs ignore SIGPIPE, and an ignored disposition would survive the exec.
        sigset_t defaults;
        sigemptyset(&defaults);
        sigaddset(&defaults, SIGPIPE);
        sigset_t none;
        sigemptyset(&none);
        attributesMade = (error = posix_spawnattr_init(&attributes)) == 0;
        if (error == 0) actionsMade = (error = posix_spawn_file_actions_init(&actions)) == 0;
        if (error == 0) error = posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
        if (error == 0) error = posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
        if (error == 0) error = posix_spawnattr_setsigdefault(&attributes, &defaults);
        if (error == 0) error = posix_spawnattr_setsigmask(&attributes, &none);
        if (error == 0)
            error = posix_spawnattr_setflags(&attributes,
                                             POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSID);
    }
    ~SpawnSetup() {
        if (actionsMade) posix_spawn_file_actions_destroy(&actions);
        if (attributesMade) posix_spawnattr_destroy(&attributes);
    }
    SpawnSetup(const SpawnSetup&) = delete;
    SpawnSetup& operator=(const SpawnSetup&) = delete;
};

std::optional<int> exitStatusOf(int status) {
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    return std::nullopt;
}

}  // namespace

std::optional<std::string> startDetachedProcess(const std::vector<std::string>& arguments, SerialQueuePtr queue,
                                                ProcessExited exited) {
    if (arguments.empty() || arguments.front().empty()) return std::string(std::strerror(EINVAL));

    std::vector<char*> argv;
    argv.reserve(arguments.size() + 1);
    for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);

    pid_t child = 0;
    {
        SpawnSetup setup;
        if (setup.error != 0) return std::string(std::strerror(setup.error));
        const int error = posix_spawnp(&child, argv.front(), &setup.actions, &setup.attributes, argv.data(), environ);
        if (error != 0) return std::string(std::strerror(error));
    }

    auto report = [queue = std::move(queue), exited = std::move(exited)](std::optional<int> exitStatus) {
        if (exited && queue) queue->async([exited, exitStatus] { exited(exitStatus); });
    };
    // Reaped in the background so it never stays a zombie, and nothing here waits for it.
    try {
        std::thread([child, report] {
            int status = 0;
            pid_t waited;
            while ((waited = ::waitpid(child, &status, 0)) < 0 && errno == EINTR) {
            }
            report(waited == child ? exitStatusOf(status) : std::nullopt);
        }).detach();
    } catch (const std::system_error&) {
        report(std::nullopt);  // started, but how it ends can never be known
    }
    return std::nullopt;
}

}  // namespace platform

#include "DetachedProcess.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <system_error>
#include <thread>

#include "Platform/Foundation/SpawnSetup.h"

extern char** environ;

namespace platform {

namespace {

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
        // Nothing of this process's descriptors or signal state, in a session of its own.
        ChildStart start;
        start.newSession = true;
        const SpawnSetup setup(start);
        if (setup.error() != 0) return std::string(std::strerror(setup.error()));
        const int error = posix_spawnp(&child, argv.front(), setup.actions(), setup.attributes(), argv.data(), environ);
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

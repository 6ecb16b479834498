#include "PosixUIProcessSpawner.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <initializer_list>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>

#include "Platform/Foundation/SpawnSetup.h"

extern char** environ;

namespace quentrel {

namespace {

void closeAll(std::initializer_list<int> descriptors) {
    for (int fd : descriptors)
        if (fd >= 0) ::close(fd);
}

// Whether the exit has been collected; terminate() signals only while it has not.
struct Collection {
    std::mutex mutex;
    bool collected = false;
};

class SpawnedProcess final : public UIProcess {
public:
    SpawnedProcess(pid_t pid, std::shared_ptr<Collection> collection)
        : pid_(pid), collection_(std::move(collection)) {}

    std::int32_t processIdentifier() const override { return pid_; }
    bool isRunning() const override { return !exited_; }
    void terminate() override {
        std::lock_guard lock(collection_->mutex);
        if (!collection_->collected) ::kill(pid_, SIGTERM);
    }

    void markExited() { exited_ = true; }

private:
    const pid_t pid_;
    const std::shared_ptr<Collection> collection_;
    bool exited_ = false;  // main queue
};

// Waits for `pid` to end, collects it and tells the main queue.
void reap(pid_t pid, std::shared_ptr<Collection> collection, std::weak_ptr<SpawnedProcess> process,
          std::weak_ptr<platform::SerialQueue> mainQueue) {
    siginfo_t info{};
    while (::waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOWAIT) < 0 && errno == EINTR) {
    }
    {
        std::lock_guard lock(collection->mutex);
        int status = 0;
        while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
        collection->collected = true;
    }
    if (auto queue = mainQueue.lock()) {
        queue->async([process = std::move(process)] {
            if (auto p = process.lock()) p->markExited();
        });
    }
}

}  // namespace

PosixUIProcessSpawner::PosixUIProcessSpawner(platform::SerialQueuePtr mainQueue) : mainQueue_(std::move(mainQueue)) {}

std::vector<std::string> PosixUIProcessSpawner::childEnvironment(const char* const* environment) {
    std::vector<std::string> entries;
    const std::string prefix = std::string(pipeVariable) + "=";
    for (const char* const* entry = environment; entry && *entry; ++entry) {
        std::string_view text(*entry);
        if (text.starts_with(prefix) || text == pipeVariable) continue;
        entries.emplace_back(text);
    }
    entries.push_back(prefix + "1");
    return entries;
}

UIProcessSpawner::Spawned PosixUIProcessSpawner::spawn(const std::filesystem::path& executable) {
    auto failure = [](int error) {
        Spawned spawned;
        spawned.error = std::strerror(error);
        return spawned;
    };

    int toChild[2] = {-1, -1};    // the child's standard input
    int fromChild[2] = {-1, -1};  // the child's standard output
    if (::pipe2(toChild, O_CLOEXEC) < 0) return failure(errno);
    if (::pipe2(fromChild, O_CLOEXEC) < 0) {
        const int error = errno;
        closeAll({toChild[0], toChild[1]});
        return failure(error);
    }

    // The child's pipe ends become its input and output; the originals close at exec. The standard
    // descriptors of the agent are always open, so the pipe ends are never 0, 1 or 2 themselves.
    platform::ChildStart start;
    start.input = toChild[0];
    start.output = fromChild[1];
    const platform::SpawnSetup setup(start);
    int error = setup.error();

    pid_t pid = -1;
    if (error == 0) {
        const std::string path = executable.string();
        std::vector<std::string> environment = childEnvironment(environ);
        std::vector<char*> envp;
        envp.reserve(environment.size() + 1);
        for (std::string& entry : environment) envp.push_back(entry.data());
        envp.push_back(nullptr);
        char* argv[] = {const_cast<char*>(path.c_str()), nullptr};
        error = posix_spawn(&pid, path.c_str(), setup.actions(), setup.attributes(), argv, envp.data());
    }
    closeAll({toChild[0], fromChild[1]});  // the child's ends: only the child keeps them
    if (error != 0) {
        closeAll({toChild[1], fromChild[0]});
        return failure(error);
    }

    auto collection = std::make_shared<Collection>();
    auto process = std::make_shared<SpawnedProcess>(pid, collection);
    try {
        std::thread(reap, pid, collection, std::weak_ptr<SpawnedProcess>(process),
                    std::weak_ptr<platform::SerialQueue>(mainQueue_))
            .detach();
    } catch (const std::system_error&) {
        // Without a reaper the child stays uncollected, so signalling it stays safe.
    }
    Spawned spawned;
    spawned.process = std::move(process);
    spawned.input = fromChild[0];
    spawned.output = toChild[1];
    return spawned;
}

}  // namespace quentrel

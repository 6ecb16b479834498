#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "Platform/Dispatch/SerialQueue.h"
#include "UIProcessSpawner.h"

namespace quentrel {

// The spawner on posix_spawn. The pipes are made close-on-exec, and the child starts with
// exactly three descriptors: standard input and output on the pipes, standard error on
// /dev/null. Its signal mask is empty and every signal is at its default disposition (SIGPIPE,
// which the programs ignore, among them). Its environment is this process's, with "KAVRINET_UI_PIPE=1" in
// place of any inherited value.
//
// Each child gets one reaper thread. It first waits for the exit without collecting it, then
// collects it under the lock that terminate() holds while it signals (a process that has exited
// but is not yet collected keeps its number), and posts the exit to the main queue.
class PosixUIProcessSpawner final : public UIProcessSpawner {
public:
    static constexpr std::string_view pipeVariable = "KAVRINET_UI_PIPE";

    explicit PosixUIProcessSpawner(platform::SerialQueuePtr mainQueue);

    Spawned spawn(const std::filesystem::path& executable) override;

    // `environment` (entries "NAME=value") without any KAVRINET_UI_PIPE entry, then "KAVRINET_UI_PIPE=1".
    static std::vector<std::string> childEnvironment(const char* const* environment);

private:
    platform::SerialQueuePtr mainQueue_;
};

}  // namespace quentrel

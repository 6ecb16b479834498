#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

namespace quentrel {

// One started UI app. Main queue only.
class UIProcess {
public:
    virtual ~UIProcess() = default;

    virtual std::int32_t processIdentifier() const = 0;
    // Until the main queue has heard that the process ended.
    virtual bool isRunning() const = 0;
    // Asks the process to end (SIGTERM) unless its exit has already been collected, so the signal
    // can never reach another process that was given the same number since.
    virtual void terminate() = 0;
};

// Starts UI apps: the program at a path, without arguments, its standard input and output on two
// new pipes and its standard error on the null device.
class UIProcessSpawner {
public:
    struct Spawned {
        std::shared_ptr<UIProcess> process;  // null when the program could not be started
        int input = -1;                      // the agent's end that reads the child's standard output
        int output = -1;                     // the agent's end that writes the child's standard input
        std::string error;                   // why it could not be started
    };

    virtual ~UIProcessSpawner() = default;

    // The two descriptors belong to the caller. On failure nothing is left open.
    virtual Spawned spawn(const std::filesystem::path& executable) = 0;
};

}  // namespace quentrel

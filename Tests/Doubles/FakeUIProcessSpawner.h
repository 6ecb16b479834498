#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "Quentrel/App/Agent/UIProcessSpawner.h"

// A UI app that only records how it was told to end.
class FakeUIProcess final : public quentrel::UIProcess {
public:
    explicit FakeUIProcess(std::int32_t process) : pid(process) {}

    std::int32_t processIdentifier() const override { return pid; }
    bool isRunning() const override { return running; }
    void terminate() override { ++terminations; }

    std::int32_t pid;
    bool running = true;
    int terminations = 0;
};

// Starts fake processes with made-up descriptors, or fails while `failing` is set.
class FakeUIProcessSpawner final : public quentrel::UIProcessSpawner {
public:
    Spawned spawn(const std::filesystem::path& executable) override {
        executables.push_back(executable);
        Spawned spawned;
        if (failing) {
            spawned.error = "No such file or directory";
            return spawned;
        }
        auto process = std::make_shared<FakeUIProcess>(nextPID++);
        processes.push_back(process);
        spawned.process = process;
        spawned.input = 100 + 2 * static_cast<int>(processes.size());
        spawned.output = spawned.input + 1;
        return spawned;
    }

    bool failing = false;
    std::int32_t nextPID = 4000;
    std::vector<std::filesystem::path> executables;
    std::vector<std::shared_ptr<FakeUIProcess>> processes;
};

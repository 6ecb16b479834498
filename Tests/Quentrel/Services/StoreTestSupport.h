#pragma once

#include <filesystem>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "Platform/Dispatch/VirtualTime.h"
#include "Platform/Foundation/TemporaryFolder.h"
#include "Quentrel/Services/StoreFile.h"

namespace storetest {

// 2023-03-09 in seconds since 2001-01-01: every test date is relative to it.
inline constexpr double kStart = 700'000'000;

// Virtual time for a store: its queue and its wall clock; remembers the labels of queues made.
struct Runtime {
    std::shared_ptr<platform::VirtualTime> time = platform::VirtualTime::make(kStart);
    std::vector<std::string> labels;
    platform::SerialQueuePtr queue;

    quentrel::StoreRuntime runtime() {
        return {[this](const std::string& label) {
                    labels.push_back(label);
                    queue = time->makeQueue(label);
                    return queue;
                },
                [time = time] { return platform::Date{time->wall()}; }};
    }
    platform::Date now() const { return platform::Date{time->wall()}; }
};

// The real atomic writer, counting the writes and keeping what each one wrote.
struct RecordingWriter {
    std::mutex mutex;
    std::vector<std::string> writes;
    bool failing = false;

    quentrel::FileWriter writer() {
        return [this](std::string_view bytes, const std::filesystem::path& location) {
            {
                std::lock_guard lock(mutex);
                if (failing) throw std::runtime_error("disk full");
                writes.emplace_back(bytes);
            }
            quentrel::atomicFileWriter()(bytes, location);
        };
    }
    std::size_t count() {
        std::lock_guard lock(mutex);
        return writes.size();
    }
};

// A temporary folder with no symbolic link in its path (the destination test refuses one).
struct Folder {
    TemporaryFolder temporary;
    std::filesystem::path path = std::filesystem::canonical(temporary.path());
    std::filesystem::path operator/(std::string_view name) const { return path / name; }
};

inline bool allowEverything(const std::filesystem::path&) { return true; }

}  // namespace storetest

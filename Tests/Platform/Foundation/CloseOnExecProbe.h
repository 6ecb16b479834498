#pragma once

#include <chrono>
#include <filesystem>
#include <functional>
#include <future>
#include <string>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

// Puts a FIFO at `path` and runs `read` on another thread. A reader that opens the FIFO and waits
// for a writer gets one that writes nothing; every descriptor found open on the FIFO meanwhile is
// checked for close-on-exec. True when one lacked it, i.e. a child spawned during the read would
// inherit the file. A reader that refuses the FIFO at once passes.
inline bool readLeaksADescriptorIntoChildren(const std::filesystem::path& path, const std::function<void()>& read) {
    if (::mkfifo(path.c_str(), 0600) != 0) return true;
    const std::filesystem::path target = std::filesystem::canonical(path);
    auto done = std::async(std::launch::async, read);
    bool leaked = false;
    int writer = -1;
    while (done.wait_for(std::chrono::seconds(0)) != std::future_status::ready) {
        if (writer < 0) writer = ::open(path.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);  // fails until a reader is there
        if (writer >= 0) {
            std::error_code error;
            for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd", error)) {
                const int fd = std::stoi(entry.path().filename().string());
                if (fd == writer || std::filesystem::read_symlink(entry.path(), error) != target) continue;
                const int flags = ::fcntl(fd, F_GETFD);
                if (flags >= 0 && !(flags & FD_CLOEXEC)) leaked = true;
                ::close(writer);  // end of file: a reader waiting for data finishes
                writer = -2;
                break;
            }
        }
        std::this_thread::yield();
    }
    if (writer >= 0) ::close(writer);
    return leaked;
}

#pragma once

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <string>

#include <sys/resource.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include "Platform/Foundation/AtomicFile.h"

// A child process that stops in the middle of an atomic write of `destination`, its temporary
// file created, locked and partly written; kill() ends it there, as a crash or SIGKILL would.
class StoppedWriter {
public:
    explicit StoppedWriter(const std::filesystem::path& destination) {
        pid_ = ::fork();
        if (pid_ == 0) {
            // Writing past the file size limit raises SIGXFSZ inside write(2); the child stops there.
            std::signal(SIGXFSZ, [](int) { ::raise(SIGSTOP); });
            rlimit limit{4096, 4096};
            ::setrlimit(RLIMIT_FSIZE, &limit);
            try {
                platform::AtomicFile::write(destination, std::string(100000, 'x'));
            } catch (...) {
            }
            std::_Exit(0);
        }
        int status = 0;
        ::waitpid(pid_, &status, WUNTRACED);
    }
    ~StoppedWriter() { kill(); }
    StoppedWriter(const StoppedWriter&) = delete;
    StoppedWriter& operator=(const StoppedWriter&) = delete;

    pid_t pid() const { return pid_; }
    // Ends the writer and reaps it: its pid is then free.
    void kill() {
        if (alive_) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
            alive_ = false;
        }
    }

private:
    pid_t pid_ = -1;
    bool alive_ = true;
};

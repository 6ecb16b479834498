#pragma once

// The agent's end of the pipes to one KavrinetUI process: it starts the app with its three
// standard streams on pipes (standard error in memory), writes frames to it and reads its frames
// back with deadlines. The process tests and the load benchmark drive the real UI app with it.
#include <fcntl.h>
#include <poll.h>
#include <sched.h>
#include <spawn.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "Platform/Foundation/JSONCoding.h"
#include "Quentrel/App/Agent/AgentProcessSupport.h"
#include "Quentrel/Services/ObserverUIFrameDecoder.h"
#include "Quentrel/Services/ObserverUIMessage.h"

extern char** environ;

namespace uitest {

using Clock = std::chrono::steady_clock;
// How long a read or the wait for the exit takes at most, in the time the app could run (see
// Support/Patience.h): generous, sanitizer builds start slowly.
inline constexpr auto deadline = std::chrono::seconds(30);
// The exit status of the intermediate process when no PID namespace can be made.
inline constexpr int namespaceUnavailable = 99;

inline int millisecondsLeft(Clock::time_point end) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

class UIDriver {
public:
    struct Options {
        std::vector<std::string> arguments;
        std::optional<std::string> pipeMarker = "1";
        // Started as the first process of a new PID namespace, where its parent id reads 0.
        bool withoutParent = false;
        // The X server it shows its windows on; none: offscreen.
        std::string display = {};
        // The environment it starts from (this process's when absent); the platform, the display
        // and the marker are set as above.
        std::optional<std::vector<std::string>> environment = std::nullopt;
        // A command it is started under (the app is then that command's child).
        std::vector<std::string> prefix = {};
#ifdef KAVRINET_UI_EXECUTABLE
        std::string executable = KAVRINET_UI_EXECUTABLE;
#else
        std::string executable = {};
#endif
    };

    explicit UIDriver(Options options) {
        int in[2], out[2];
        if (::pipe2(in, O_CLOEXEC) || ::pipe2(out, O_CLOEXEC)) std::abort();
        // A file in memory, not a pipe: it never fills up, and it can be read while the app runs.
        error_ = ::memfd_create("ui-standard-error", MFD_CLOEXEC);
        if (error_ < 0) std::abort();
        std::vector<std::string> env;
        const auto inherited = [&](const std::string& entry) {
            if (entry.rfind("KAVRINET_UI_PIPE=", 0) != 0 && entry.rfind("QT_QPA_PLATFORM=", 0) != 0 &&
                entry.rfind("DISPLAY=", 0) != 0)
                env.push_back(entry);
        };
        if (options.environment)
            for (const std::string& entry : *options.environment) inherited(entry);
        else
            for (char** e = environ; *e; ++e) inherited(*e);
        env.push_back(options.display.empty() ? "QT_QPA_PLATFORM=offscreen" : "DISPLAY=" + options.display);
        if (options.pipeMarker) env.push_back("KAVRINET_UI_PIPE=" + *options.pipeMarker);
        std::vector<char*> envp;
        for (auto& e : env) envp.push_back(e.data());
        envp.push_back(nullptr);
        std::vector<std::string> args = options.prefix;
        args.push_back(options.executable);
        args.insert(args.end(), options.arguments.begin(), options.arguments.end());
        std::vector<char*> argv;
        for (auto& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);

        started_ = Clock::now();
        if (options.withoutParent) {
            pid_ = ::fork();
            if (pid_ == 0) {
                ::dup2(in[0], 0);
                ::dup2(out[1], 1);
                ::dup2(error_, 2);
                if (::unshare(CLONE_NEWPID) != 0) ::_exit(namespaceUnavailable);
                const pid_t child = ::fork();
                if (child == 0) {
                    ::execve(argv[0], argv.data(), envp.data());
                    ::_exit(127);
                }
                int status = 0;
                if (child < 0 || ::waitpid(child, &status, 0) != child) ::_exit(126);
                ::_exit(WIFEXITED(status) ? WEXITSTATUS(status) : 125);
            }
        } else {
            posix_spawn_file_actions_t actions;
            posix_spawn_file_actions_init(&actions);
            posix_spawn_file_actions_adddup2(&actions, in[0], 0);
            posix_spawn_file_actions_adddup2(&actions, out[1], 1);
            posix_spawn_file_actions_adddup2(&actions, error_, 2);
            if (posix_spawnp(&pid_, argv[0], &actions, nullptr, argv.data(), envp.data()) != 0) pid_ = -1;
            posix_spawn_file_actions_destroy(&actions);
        }
        ::close(in[0]);
        ::close(out[1]);
        input_ = in[1];
        output_ = out[0];
    }

    ~UIDriver() {
        if (pid_ > 0 && !status_) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
        closeInput();
        ::close(output_);
        ::close(error_);
    }
    UIDriver(const UIDriver&) = delete;
    UIDriver& operator=(const UIDriver&) = delete;

    bool running() const { return pid_ > 0; }
    pid_t pid() const { return pid_; }
    void signal(int number) const {
        if (pid_ > 0 && !status_) ::kill(pid_, number);
    }
    Clock::time_point started() const { return started_; }

    // True when all of it was written; false once the app no longer reads (without the signal
    // that would end this process).
    bool sendBytes(const std::string& bytes) {
        sigset_t brokenPipe, before;
        sigemptyset(&brokenPipe);
        sigaddset(&brokenPipe, SIGPIPE);
        pthread_sigmask(SIG_BLOCK, &brokenPipe, &before);
        std::size_t done = 0;
        while (input_ >= 0 && done < bytes.size()) {
            const ssize_t n = ::write(input_, bytes.data() + done, bytes.size() - done);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) break;
            done += static_cast<std::size_t>(n);
        }
        // The signal the failed write raised, taken before it is unblocked.
        timespec now{};
        if (done < bytes.size() && !sigismember(&before, SIGPIPE))
            while (sigtimedwait(&brokenPipe, nullptr, &now) == SIGPIPE) {
            }
        pthread_sigmask(SIG_SETMASK, &before, nullptr);
        return done == bytes.size();
    }
    bool send(const quentrel::ObserverUIMessage& message) {
        return sendBytes(quentrel::ObserverUIFrameDecoder::frame(platform::json::encode(message)));
    }
    void closeInput() {
        if (input_ >= 0) ::close(input_);
        input_ = -1;
    }

    // The payload of the next frame, or none when the output ends, `until` passes or `other`
    // (when given) can be read, which `otherReady` then tells.
    std::optional<std::string> nextPayload(Clock::time_point until, int other = -1, bool* otherReady = nullptr) {
        while (payloads_.empty()) {
            if (outputEnded_) return std::nullopt;
            pollfd p[2] = {{output_, POLLIN, 0}, {other, POLLIN, 0}};
            const int ready = ::poll(p, other >= 0 ? 2 : 1, millisecondsLeft(until));
            if (ready < 0 && errno == EINTR) continue;
            if (ready <= 0) return std::nullopt;
            if (other >= 0 && (p[1].revents & POLLIN)) {
                if (otherReady) *otherReady = true;
                return std::nullopt;
            }
            if (!p[0].revents) continue;
            char buffer[65536];
            const ssize_t n = ::read(output_, buffer, sizeof buffer);
            if (n <= 0) {
                outputEnded_ = true;
                continue;
            }
            raw_.append(buffer, static_cast<std::size_t>(n));
            for (auto& payload : decoder_.append({buffer, static_cast<std::size_t>(n)})) payloads_.push_back(payload);
        }
        std::string payload = payloads_.front();
        payloads_.erase(payloads_.begin());
        return payload;
    }
    std::optional<std::string> nextPayload() {
        testsupport::Patience patience(deadline.count());
        while (true) {
            if (auto payload = nextPayload(Clock::now() + slice)) return payload;
            if (outputEnded_ || patience.over()) return std::nullopt;
        }
    }
    std::optional<quentrel::ObserverUIMessage> next() {
        auto payload = nextPayload();
        if (!payload) return std::nullopt;
        return platform::json::decode<quentrel::ObserverUIMessage>(*payload);
    }
    // Reads up to the end of the output; true when it ended before the deadline.
    bool drain() {
        while (auto payload = nextPayload()) platform::json::decode<quentrel::ObserverUIMessage>(*payload);
        return outputEnded_;
    }
    // Everything the program wrote to its standard output so far, and what no frame used.
    const std::string& rawOutput() const { return raw_; }
    const std::string& unframed() const { return decoder_.buffer(); }

    // The exit status, or none when the process did not exit by the deadline or died of a signal.
    std::optional<int> waitForExit() {
        if (pid_ <= 0) return std::nullopt;
        if (!status_) {
            testsupport::Patience patience(deadline.count());
            const int pidfd = static_cast<int>(::syscall(SYS_pidfd_open, pid_, 0));
            int status = 0;
            while (true) {
                const pid_t done = ::waitpid(pid_, &status, WNOHANG);
                if (done == pid_) break;
                if (patience.over()) {
                    if (pidfd >= 0) ::close(pidfd);
                    return std::nullopt;
                }
                pollfd p{pidfd, POLLIN, 0};
                const int wait = pidfd >= 0 ? static_cast<int>(slice.count()) : 10;
                ::poll(pidfd >= 0 ? &p : nullptr, pidfd >= 0 ? 1 : 0, wait);
            }
            if (pidfd >= 0) ::close(pidfd);
            status_ = status;
        }
        if (!WIFEXITED(*status_)) return std::nullopt;
        return WEXITSTATUS(*status_);
    }
    // What the process wrote to its standard error so far.
    std::string errorText() const {
        std::string text;
        char buffer[4096];
        for (ssize_t n; (n = ::pread(error_, buffer, sizeof buffer, static_cast<off_t>(text.size()))) > 0;)
            text.append(buffer, static_cast<std::size_t>(n));
        return text;
    }
    // For a failure's message: whether the app runs or how it ended, and its standard error.
    std::string describe() {
        std::string text = "the UI app (process " + std::to_string(pid_) + ") ";
        int status = 0;
        if (pid_ > 0 && !status_ && ::waitpid(pid_, &status, WNOHANG) == pid_) status_ = status;
        text += pid_ <= 0 ? "did not start" : status_ ? agenttest::howItEnded(*status_) : "is running";
        const std::string error = errorText();
        return text + (error.empty() ? "; it wrote nothing to standard error\n" : "; its standard error:\n" + error);
    }
    // The target of one of the process's descriptors, and whether it closes on exec.
    std::string descriptor(int fd) const {
        char target[256] = {};
        const ssize_t n = ::readlink(("/proc/" + std::to_string(pid_) + "/fd/" + std::to_string(fd)).c_str(), target,
                                     sizeof target - 1);
        return n > 0 ? std::string(target, static_cast<std::size_t>(n)) : "";
    }
    std::vector<int> descriptorsTo(const std::string& target) const {
        std::vector<int> fds;
        for (int fd = 0; fd < 1024; ++fd)
            if (descriptor(fd) == target) fds.push_back(fd);
        return fds;
    }
    bool closesOnExec(int fd) const {
        std::FILE* info = std::fopen(("/proc/" + std::to_string(pid_) + "/fdinfo/" + std::to_string(fd)).c_str(), "r");
        unsigned flags = 0;
        bool found = false;
        for (char line[128]; info && std::fgets(line, sizeof line, info);)
            if (std::sscanf(line, "flags: %o", &flags) == 1) found = true;
        if (info) std::fclose(info);
        return found && (flags & O_CLOEXEC);
    }
    // The pipe the test writes into, as the process's descriptors name it.
    std::string inputPipe() const {
        struct stat st {};
        ::fstat(input_, &st);
        return "pipe:[" + std::to_string(st.st_ino) + "]";
    }

private:
    // How often a wait looks at the time it has had.
    static constexpr auto slice = std::chrono::milliseconds(100);

    pid_t pid_ = -1;
    int input_ = -1;
    int output_ = -1;
    int error_ = -1;
    Clock::time_point started_;
    quentrel::ObserverUIFrameDecoder decoder_;
    std::vector<std::string> payloads_;
    std::string raw_;
    bool outputEnded_ = false;
    std::optional<int> status_;  // as waitpid gave it
};

}  // namespace uitest

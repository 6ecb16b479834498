#pragma once

#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <nlohmann/json.hpp>

#include "Platform/Foundation/TemporaryFolder.h"
#include "Support/Patience.h"

namespace agenttest {

using nlohmann::json;

// How long a process test waits for anything (sanitizer builds start slowly), in seconds of the
// time the processes could run (see Support/Patience.h).
inline constexpr double kPatience = 30;

// Polls `condition` until it holds or `seconds` have passed. A condition that takes long to check
// (one that runs a program) is checked less often, so that polling does not starve what it waits for.
inline bool waitUntil(const std::function<bool()>& condition, double seconds = kPatience) {
    testsupport::Patience patience(seconds);
    while (true) {
        const auto before = std::chrono::steady_clock::now();
        if (condition()) return true;
        const auto took = std::chrono::steady_clock::now() - before;
        if (patience.over()) return false;
        std::this_thread::sleep_for(std::max<std::chrono::steady_clock::duration>(std::chrono::milliseconds(20),
                                                                                   2 * took));
    }
}

// What the stub UI app wrote into its folder (see StubUI/StubUIApp.cpp).
struct StubRecords {
    std::filesystem::path folder;

    bool started(int instance) const {
        return std::filesystem::exists(folder / ("instance-" + std::to_string(instance)));
    }
    int instances() const {
        int n = 0;
        while (started(n + 1)) ++n;
        return n;
    }
    json facts(int instance) const {
        std::ifstream in(folder / ("facts-" + std::to_string(instance) + ".json"));
        return json::parse(in, nullptr, false);
    }
    std::vector<json> frames(int instance) const {
        std::vector<json> out;
        std::ifstream in(folder / ("frames-" + std::to_string(instance) + ".jsonl"));
        std::string line;
        while (std::getline(in, line)) out.push_back(json::parse(line, nullptr, false));
        return out;
    }
    // Each record's one key: the message case, "end" or "signal".
    std::vector<std::string> kinds(int instance) const {
        std::vector<std::string> out;
        for (const json& frame : frames(instance))
            out.push_back(frame.is_object() && !frame.empty() ? frame.begin().key() : "?");
        return out;
    }
    // The records other than states (which follow every change of the store, so their number varies).
    std::vector<json> withoutStates(int instance) const {
        std::vector<json> out;
        for (const json& frame : frames(instance))
            if (!frame.contains("state")) out.push_back(frame);
        return out;
    }
    std::vector<std::uint64_t> revisions(int instance) const {
        std::vector<std::uint64_t> out;
        for (const json& frame : frames(instance))
            if (frame.contains("state")) out.push_back(frame["state"]["_0"].get<std::uint64_t>());
        return out;
    }
    void script(const std::string& text, std::optional<int> instance = std::nullopt) const {
        TemporaryFolder::writeFile(folder / (instance ? "script-" + std::to_string(*instance) : std::string("script")),
                                   text);
    }
};

// What the UI witness wrote into its folder (see UIWitness/UIWitness.cpp): the real UI app's
// process id, the payloads it sent to the agent and its exit status.
struct WitnessRecords {
    std::filesystem::path folder;

    std::string text(const std::string& name) const {
        std::ifstream in(folder / name);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    int instances() const {
        int n = 0;
        while (std::filesystem::exists(folder / ("ui-" + std::to_string(n + 1)))) ++n;
        return n;
    }
    // The UI app's process id once the witness has started it.
    std::optional<pid_t> pid(int instance) const {
        const std::string id = text("ui-" + std::to_string(instance));
        if (id.empty() || id.back() != '\n') return std::nullopt;
        return static_cast<pid_t>(std::atol(id.c_str()));
    }
    std::vector<json> sent(int instance) const {
        std::vector<json> out;
        std::ifstream in(folder / ("sent-" + std::to_string(instance) + ".jsonl"));
        std::string line;
        while (std::getline(in, line)) out.push_back(json::parse(line, nullptr, false));
        return out;
    }
    bool sentAny(int instance, const json& message) const {
        for (const json& payload : sent(instance))
            if (payload == message) return true;
        return false;
    }
    std::optional<int> exitStatus(int instance) const {
        const std::string code = text("exit-" + std::to_string(instance));
        if (code.empty() || code.back() != '\n') return std::nullopt;
        return std::atoi(code.c_str());
    }
    std::string standardError(int instance) const { return text("ui-" + std::to_string(instance) + ".err"); }
};

// The standard output of a shell command.
inline std::string capture(const std::string& command) {
    std::string out;
    if (FILE* pipe = ::popen(command.c_str(), "r")) {
        char chunk[512];
        while (std::size_t n = std::fread(chunk, 1, sizeof chunk, pipe)) out.append(chunk, n);
        ::pclose(pipe);
    }
    return out;
}

// Whether a program of that name is on PATH.
inline bool installed(const std::string& program) {
    return std::system(("command -v " + program + " >/dev/null 2>&1").c_str()) == 0;
}

// Whether `name` has an owner on the session bus of this process (dbus-send, of the dbus package).
inline bool busNameOwned(const std::string& name) {
    const std::string command = "dbus-send --session --print-reply --dest=org.freedesktop.DBus / "
                                "org.freedesktop.DBus.NameHasOwner string:" +
                                name + " 2>/dev/null | grep -q 'boolean true'";
    return std::system(command.c_str()) == 0;
}

// A home, the XDG folders and the stub's folder, all fresh.
struct AgentSandbox {
    TemporaryFolder root;
    std::filesystem::path home = root / "home";
    std::filesystem::path config = root / "config";
    std::filesystem::path data = root / "data";
    std::filesystem::path runtime = root / "runtime";
    StubRecords stub{root / "stub"};
    WitnessRecords witness{root / "witness"};

    AgentSandbox() {
        for (const auto& folder : {home, config, data, runtime, stub.folder, witness.folder})
            std::filesystem::create_directories(folder);
        std::filesystem::permissions(runtime, std::filesystem::perms::owner_all);
    }

    // The environment of an agent in this sandbox: offscreen, on the test's session bus.
    std::map<std::string, std::string> environment() const {
        std::map<std::string, std::string> env = {
            {"HOME", home.string()},
            {"XDG_CONFIG_HOME", config.string()},
            {"XDG_DATA_HOME", data.string()},
            {"XDG_RUNTIME_DIR", runtime.string()},
            {"QT_QPA_PLATFORM", "offscreen"},
            {"KAVRINET_STUB_DIR", stub.folder.string()},
            {"KAVRINET_WITNESS_DIR", witness.folder.string()},
        };
        for (const char* name : {"PATH", "DBUS_SESSION_BUS_ADDRESS", "ASAN_OPTIONS", "UBSAN_OPTIONS", "LSAN_OPTIONS"})
            if (const char* value = std::getenv(name)) env[name] = value;
        return env;
    }

    std::filesystem::path recentEvents() const { return data / "QuentrelProduct" / "recent-events.json"; }
};

// How a process ended, from its wait status: "exited with status 1", "was killed by signal 9 (Killed)".
inline std::string howItEnded(int waitStatus) {
    if (WIFSIGNALED(waitStatus)) {
        const int number = WTERMSIG(waitStatus);
        return "was killed by signal " + std::to_string(number) + " (" + ::strsignal(number) + ")";
    }
    return "exited with status " + std::to_string(WEXITSTATUS(waitStatus));
}

// The last `count` lines of a text.
inline std::string lastLines(const std::string& text, std::size_t count) {
    std::size_t from = text.size();
    if (from > 0 && text.back() == '\n') --from;
    for (std::size_t n = 0; n < count; ++n) {
        const std::size_t at = from == 0 ? std::string::npos : text.rfind('\n', from - 1);
        if (at == std::string::npos) return text;
        from = at;
    }
    return text.substr(from + 1);
}

// A program started with exactly the given environment, its standard output and error kept in a file.
// It dies with the thread that started it: a test that crashes or is killed leaves no X server, tray
// or agent behind.
class ChildProcess {
public:
    // `passed`, when given, is the child's descriptor 3.
    ChildProcess(const std::filesystem::path& program, const std::vector<std::string>& arguments,
                 const std::map<std::string, std::string>& environment, const std::filesystem::path& standardError,
                 int passed = -1)
        : program_(program), standardError_(standardError) {
        std::vector<std::string> argv = {program.string()};
        argv.insert(argv.end(), arguments.begin(), arguments.end());
        std::vector<std::string> envp;
        for (const auto& [name, value] : environment) envp.push_back(name + "=" + value);
        std::vector<char*> a, e;
        for (auto& s : argv) a.push_back(s.data());
        a.push_back(nullptr);
        for (auto& s : envp) e.push_back(s.data());
        e.push_back(nullptr);
        const std::string path = program.string(), errorPath = standardError.string();
        const pid_t parent = ::getpid();
        pid_ = ::fork();
        if (pid_ == 0) {
            // Nothing but system calls from here to exec: other threads may hold the allocator's locks.
            ::prctl(PR_SET_PDEATHSIG, SIGKILL);
            if (::getppid() != parent) ::_exit(127);
            const int in = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
            // Not the test's own output: a child that outlived a killed test would keep ctest waiting.
            const int out = ::open(errorPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
            if (in < 0 || out < 0 || ::dup2(in, STDIN_FILENO) < 0 || ::dup2(out, STDOUT_FILENO) < 0 ||
                ::dup2(out, STDERR_FILENO) < 0)
                ::_exit(127);
            if (passed >= 0 && (passed == 3 ? ::fcntl(3, F_SETFD, 0) : ::dup2(passed, 3)) < 0) ::_exit(127);
            // Nothing else of the test's: an inherited pipe would keep its reader waiting for its end.
            const unsigned kept = passed >= 0 ? 4 : 3;
            if (::syscall(SYS_close_range, kept, ~0u, 0) != 0)
                for (int fd = static_cast<int>(kept); fd < 1024; ++fd) ::close(fd);
            ::execve(path.c_str(), a.data(), e.data());
            ::_exit(127);
        }
    }
    ~ChildProcess() {
        if (pid_ > 0 && !status_) {
            ::kill(pid_, SIGKILL);
            int status = 0;
            ::waitpid(pid_, &status, 0);
        }
    }
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    pid_t pid() const { return pid_; }
    void signal(int number) const {
        if (pid_ > 0 && !status_) ::kill(pid_, number);
    }
    bool running() {
        poll();
        return pid_ > 0 && !status_;
    }
    // The exit status, or 128 + the signal that ended it; absent while it runs after `seconds`.
    std::optional<int> waitForExit(double seconds = kPatience) {
        waitUntil([this] { return !running(); }, seconds);
        return status_;
    }
    std::string standardError() const { return TemporaryFolder::readFile(standardError_); }

    // Whether it runs or how it ended: "is running", "exited with status 1", "was killed by signal 9 (Killed)".
    std::string state() {
        poll();
        if (pid_ <= 0) return "did not start";
        return status_ ? howItEnded(waitStatus_) : "is running";
    }
    // For a failure's message: the program, its process id, its state and the last lines of its output.
    std::string describe(std::size_t lines = 15) {
        const std::string text = program_.filename().string() + " (process " + std::to_string(pid_) + ") " + state();
        const std::string output = standardError();
        if (output.empty()) return text + "; it wrote nothing\n";
        return text + "; the end of what it wrote (" + standardError_.string() + "):\n" + lastLines(output, lines) +
               (output.back() == '\n' ? "" : "\n");
    }

private:
    void poll() {
        if (pid_ <= 0 || status_) return;
        int status = 0;
        if (::waitpid(pid_, &status, WNOHANG) == pid_) {
            waitStatus_ = status;
            status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        }
    }

    std::filesystem::path program_;
    pid_t pid_ = -1;
    std::optional<int> status_;
    int waitStatus_ = 0;
    std::filesystem::path standardError_;
};

}  // namespace agenttest

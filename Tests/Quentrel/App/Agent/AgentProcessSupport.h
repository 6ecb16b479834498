#pragma once

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <csignal>
#include <cstdlib>
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

namespace agenttest {

using nlohmann::json;

// How long a process test waits for anything (sanitizer builds start slowly).
inline constexpr double kPatience = 30;

// Polls `condition` until it holds or `seconds` have passed.
inline bool waitUntil(const std::function<bool()>& condition, double seconds = kPatience) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
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

// A program started with exactly the given environment, its standard output and error kept in a file.
class ChildProcess {
public:
    // `passed`, when given, is the child's descriptor 3.
    ChildProcess(const std::filesystem::path& program, const std::vector<std::string>& arguments,
                 const std::map<std::string, std::string>& environment, const std::filesystem::path& standardError,
                 int passed = -1)
        : standardError_(standardError) {
        std::vector<std::string> argv = {program.string()};
        argv.insert(argv.end(), arguments.begin(), arguments.end());
        std::vector<std::string> envp;
        for (const auto& [name, value] : environment) envp.push_back(name + "=" + value);
        std::vector<char*> a, e;
        for (auto& s : argv) a.push_back(s.data());
        a.push_back(nullptr);
        for (auto& s : envp) e.push_back(s.data());
        e.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, standardError.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0600);
        // Not the test's own output: a child that outlived a killed test would keep ctest waiting.
        posix_spawn_file_actions_adddup2(&actions, STDERR_FILENO, STDOUT_FILENO);
        if (passed >= 0) posix_spawn_file_actions_adddup2(&actions, passed, 3);
        if (posix_spawn(&pid_, program.c_str(), &actions, nullptr, a.data(), e.data()) != 0) pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
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

private:
    void poll() {
        if (pid_ <= 0 || status_) return;
        int status = 0;
        if (::waitpid(pid_, &status, WNOHANG) == pid_)
            status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }

    pid_t pid_ = -1;
    std::optional<int> status_;
    std::filesystem::path standardError_;
};

}  // namespace agenttest

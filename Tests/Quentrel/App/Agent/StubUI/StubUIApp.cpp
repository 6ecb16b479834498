// A stand-in for the UI app in the agent's process tests. It speaks the pipe protocol on its
// standard input and output and records what it receives, driven by files in $KAVRINET_STUB_DIR:
//
//   instance-<n>      made by the nth start (n counts from 1)
//   facts-<n>.json    how it was started: arguments, KAVRINET_UI_PIPE, the launch marker, the
//                     open descriptors, where standard error goes, the blocked signals and
//                     whether SIGPIPE is ignored
//   frames-<n>.jsonl  each payload received, one a line; then {"end":"eof"}, and
//                     {"signal":"SIGTERM"} when that came
//   script-<n>, else script: one rule a line
//       start <json>        a message sent at start (without any: {"ready":{"_0":1}})
//       on <case> <action>  once, on the first message of that case after the rules before it
//                           have fired: send <json> | retry (the last presentation received,
//                           handed back) | exit <status> | crash
//       then <action>       right after the rule before it, on the same message
//       flood <json>        after the start messages, <json> over and over until the agent has
//                           gone, from a thread of its own while the stub reads on (no rule may
//                           send meanwhile)
//
// After SIGTERM it reads on until the end of its input, for at most kSignalGrace.
#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <nlohmann/json.hpp>

#include "../InstanceFiles.h"
#include "../PipeFrames.h"

namespace {

using nlohmann::json;

constexpr auto kSignalGrace = std::chrono::seconds(3);
constexpr int kPollMilliseconds = 100;
constexpr int kMissingDirectory = 70;

volatile std::sig_atomic_t terminated = 0;

struct Rule {
    std::string kind;
    std::string action;
    std::string argument;
};

const agenttest::InstanceFiles records("KAVRINET_STUB_DIR");

std::string directory() { return records.folder(); }

std::string file(const std::string& name, int instance, const std::string& extension = "") {
    return records.file(name, instance, extension);
}

int claimInstance() { return records.claim("instance"); }

std::string statusField(const std::string& name) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind(name + ":", 0) == 0) return line.substr(name.size() + 1);
    return "";
}

json facts(int argc) {
    json f;
    std::vector<int> descriptors;
    if (DIR* dir = ::opendir("/proc/self/fd")) {
        while (dirent* entry = ::readdir(dir)) {
            if (entry->d_name[0] == '.') continue;
            const int fd = std::atoi(entry->d_name);
            if (fd != ::dirfd(dir)) descriptors.push_back(fd);
        }
        ::closedir(dir);
    }
    f["descriptors"] = descriptors;
    char target[256] = {};
    const ssize_t n = ::readlink("/proc/self/fd/2", target, sizeof target - 1);
    f["stderr"] = n > 0 ? std::string(target, static_cast<std::size_t>(n)) : "";
    f["arguments"] = argc - 1;
    const char* pipe = std::getenv("KAVRINET_UI_PIPE");
    f["pipe"] = pipe ? json(pipe) : json(nullptr);
    const char* marker = std::getenv("KAVRINET_LAUNCH_EVENT");
    f["launchEvent"] = marker ? json(marker) : json(nullptr);
    const std::uint64_t blocked = std::stoull("0" + statusField("SigBlk"), nullptr, 16);
    const std::uint64_t ignored = std::stoull("0" + statusField("SigIgn"), nullptr, 16);
    f["blocked"] = blocked;
    f["sigpipeIgnored"] = ((ignored >> (SIGPIPE - 1)) & 1) != 0;
    return f;
}

std::vector<Rule> readScript(int instance, std::vector<std::string>& starts, std::string& flood) {
    std::ifstream in(directory() + "/script-" + std::to_string(instance));
    if (!in) in.open(directory() + "/script");
    std::vector<Rule> rules;
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream words(line);
        std::string head;
        words >> head;
        std::string rest;
        if (head == "start") {
            std::getline(words >> std::ws, rest);
            starts.push_back(rest);
        } else if (head == "flood") {
            std::getline(words >> std::ws, flood);
        } else if (head == "on" || head == "then") {
            Rule rule;
            if (head == "on")
                words >> rule.kind;
            else
                rule.kind = head;
            words >> rule.action;
            std::getline(words >> std::ws, rule.argument);
            rules.push_back(rule);
        }
    }
    if (starts.empty()) starts.push_back(R"({"ready":{"_0":1}})");
    return rules;
}

void writeBytes(const std::string& frame) {
    std::size_t done = 0;
    while (done < frame.size()) {
        const ssize_t n = ::write(STDOUT_FILENO, frame.data() + done, frame.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) std::_Exit(0);  // the agent has gone
        done += static_cast<std::size_t>(n);
    }
}

void writeFrame(const std::string& payload) { writeBytes(agenttest::frameOf(payload)); }

// Writes the flood in batches of frames, as fast as the agent takes them.
void startFlood(const std::string& message) {
    if (message.empty()) return;
    std::thread([batch = [&] {
                     std::string frames;
                     for (int i = 0; i < 1000; ++i) frames += agenttest::frameOf(message);
                     return frames;
                 }()] {
        for (;;) writeBytes(batch);
    }).detach();
}

// The message's case: its one key that names a case.
std::string caseOf(const json& message) {
    static const char* cases[] = {"ready", "state", "present", "command", "closing", "retry", "stop"};
    if (!message.is_object()) return "";
    for (const char* name : cases)
        if (message.contains(name)) return name;
    return "";
}

}  // namespace

int main(int argc, char**) {
    if (directory().empty()) return kMissingDirectory;
    const int instance = claimInstance();
    const json startFacts = facts(argc);  // before anything else opens a descriptor
    std::ofstream(file("facts", instance, ".json")) << startFacts.dump() << "\n";
    std::ofstream frames(file("frames", instance, ".jsonl"), std::ios::app);
    std::signal(SIGTERM, [](int) { terminated = 1; });
    std::signal(SIGPIPE, SIG_IGN);

    std::vector<std::string> starts;
    std::string flood;
    std::vector<Rule> rules = readScript(instance, starts, flood);
    std::size_t nextRule = 0;
    for (const auto& message : starts) writeFrame(message);
    startFlood(flood);

    json lastPresentation;
    std::string buffer;
    std::optional<std::chrono::steady_clock::time_point> signalledAt;
    char chunk[65536];
    while (true) {
        if (terminated && !signalledAt) {
            signalledAt = std::chrono::steady_clock::now();
            frames << R"({"signal":"SIGTERM"})" << std::endl;
        }
        if (signalledAt && std::chrono::steady_clock::now() - *signalledAt > kSignalGrace) return 0;
        pollfd input{STDIN_FILENO, POLLIN, 0};
        if (::poll(&input, 1, kPollMilliseconds) <= 0) continue;
        const ssize_t n = ::read(STDIN_FILENO, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            frames << R"({"end":"eof"})" << std::endl;
            return 0;
        }
        buffer.append(chunk, static_cast<std::size_t>(n));
        while (const auto payload = agenttest::takeFrame(buffer)) {
            frames << *payload << std::endl;
            const json message = json::parse(*payload, nullptr, false);
            const std::string kind = caseOf(message);
            if (kind == "present") lastPresentation = message["present"]["_0"];
            if (nextRule >= rules.size() || rules[nextRule].kind != kind) continue;
            // The rule, and the "then" rules right after it.
            do {
                const Rule& rule = rules[nextRule++];
                if (rule.action == "send") writeFrame(rule.argument);
                if (rule.action == "retry") writeFrame(json{{"retry", {{"_0", lastPresentation}}}}.dump());
                if (rule.action == "exit") return std::atoi(rule.argument.c_str());
                if (rule.action == "crash") std::abort();
            } while (nextRule < rules.size() && rules[nextRule].kind == "then");
        }
    }
}

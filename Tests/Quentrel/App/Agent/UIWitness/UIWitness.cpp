// Stands at the agent's UI-app path in the end-to-end tests and runs the real KavrinetUI as its
// own child, so that the test can see what a grandchild of the test does. It changes nothing the
// two programs see: the UI app reads the agent's pipe directly, its output goes through here
// byte for byte, and the termination signals that reach this process are passed on. Records, in
// $KAVRINET_WITNESS_DIR:
//
//   ui-<n>           made by the nth start (n counts from 1); holds the UI app's process id
//   sent-<n>.jsonl   each payload the UI app sent to the agent, one a line
//   exit-<n>         the UI app's exit status (128 + the signal when one ended it), once it ended
//   ui-<n>.err       the UI app's standard error
//
// It exits with the UI app's status.
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>

extern char** environ;

#include "../InstanceFiles.h"
#include "../PipeFrames.h"

namespace {

constexpr int kMissingDirectory = 70;
constexpr int kSpawnFailed = 71;
constexpr int kForwardedSignals[] = {SIGTERM, SIGINT, SIGHUP};

volatile pid_t child = -1;

const agenttest::InstanceFiles records("KAVRINET_WITNESS_DIR");

std::string directory() { return records.folder(); }

std::string file(const std::string& name, int instance, const std::string& extension = "") {
    return records.file(name, instance, extension);
}

int claimInstance() { return records.claim("ui"); }

// Written whole, or not at all once the agent has gone.
bool writeAll(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

// Copies the UI app's output to the agent and records each payload. When either side ends, the
// other end is closed too, as a direct pipe would end.
void relay(int fromUI, int toAgent, const std::string& record) {
    std::ofstream sent(record, std::ios::app);
    std::string buffer;
    char chunk[65536];
    while (true) {
        const ssize_t n = ::read(fromUI, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        if (!writeAll(toAgent, chunk, static_cast<std::size_t>(n))) break;
        buffer.append(chunk, static_cast<std::size_t>(n));
        while (const auto payload = agenttest::takeFrame(buffer)) sent << *payload << std::endl;
    }
    ::close(fromUI);
    ::close(toAgent);
}

}  // namespace

int main() {
    if (directory().empty()) return kMissingDirectory;
    const int instance = claimInstance();

    int output[2];
    if (::pipe2(output, O_CLOEXEC) != 0) return kSpawnFailed;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, output[1], STDOUT_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, file("ui", instance, ".err").c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0600);
    char program[] = KAVRINET_UI_EXECUTABLE;
    char* argv[] = {program, nullptr};
    // Signals forwarded before the child exists would be lost: they wait until it does.
    sigset_t forwarded, previous;
    sigemptyset(&forwarded);
    for (int signal : kForwardedSignals) sigaddset(&forwarded, signal);
    ::sigprocmask(SIG_BLOCK, &forwarded, &previous);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setsigmask(&attributes, &previous);  // the UI app starts with the mask this process got
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK);
    pid_t pid = -1;
    const int error = posix_spawn(&pid, program, &actions, &attributes, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    ::close(output[1]);
    if (error != 0) return kSpawnFailed;
    child = pid;
    for (int signal : kForwardedSignals)
        std::signal(signal, [](int number) {
            if (child > 0) ::kill(child, number);
        });
    ::sigprocmask(SIG_SETMASK, &previous, nullptr);
    std::signal(SIGPIPE, SIG_IGN);  // a write to an agent that has gone ends the relay, not this process
    std::ofstream(file("ui", instance)) << pid << "\n";

    // The relay owns this process's copy of the agent's pipe; the UI app has its own.
    const int toAgent = ::fcntl(STDOUT_FILENO, F_DUPFD_CLOEXEC, 3);
    ::close(STDOUT_FILENO);
    std::thread copying(relay, output[0], toAgent, file("sent", instance, ".jsonl"));

    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    const int code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    copying.join();
    std::ofstream(file("exit", instance)) << code << "\n";
    return code;
}

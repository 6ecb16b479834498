#include "Platform/Desktop/Xdg/DetachedProcess.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <string>

#include "Platform/Foundation/TemporaryFolder.h"

using namespace platform;
namespace fs = std::filesystem;

TEST(DetachedProcess, StartsFromAnArgumentListOrSaysWhyNot) {
    EXPECT_EQ(startDetachedProcess({"true"}), std::nullopt);
    EXPECT_EQ(startDetachedProcess({"/nonexistent/program"}), std::optional<std::string>("No such file or directory"));
    EXPECT_EQ(startDetachedProcess({}), std::optional<std::string>("Invalid argument"));
}

// What this process would pass on (a descriptor without close-on-exec, an ignored and a blocked
// signal, its standard error) does not reach a detached child.
TEST(DetachedProcess, AChildStartsWithOnlyItsStandardDescriptorsOnDevNullAndDefaultSignals) {
    TemporaryFolder folder;
    const int inherited = ::open("/dev/null", O_RDONLY);
    sigset_t blocked, previousMask;
    sigemptyset(&blocked);
    sigaddset(&blocked, SIGUSR1);
    pthread_sigmask(SIG_BLOCK, &blocked, &previousMask);
    const auto previousHangup = std::signal(SIGHUP, SIG_IGN);
    // The shell tells its number, then becomes a program that waits to be looked at.
    const char* script = "echo $$ > \"$0.part\" && mv \"$0.part\" \"$0\" && exec sleep 30";
    const auto error = startDetachedProcess({"sh", "-c", script, (folder / "pid").string()});
    pthread_sigmask(SIG_SETMASK, &previousMask, nullptr);
    std::signal(SIGHUP, previousHangup);
    ::close(inherited);
    ASSERT_EQ(error, std::nullopt);

    pid_t pid = 0;
    std::string command;
    for (int tries = 0; tries < 1000 && command != "sleep\n"; ++tries, ::usleep(10'000)) {
        if (pid == 0) std::ifstream(folder / "pid") >> pid;
        if (pid > 0) command = TemporaryFolder::readFile(fs::path("/proc") / std::to_string(pid) / "comm");
    }
    ASSERT_EQ(command, "sleep\n");
    const fs::path process = fs::path("/proc") / std::to_string(pid);
    std::map<std::string, std::string> descriptors;
    for (const auto& entry : fs::directory_iterator(process / "fd"))
        descriptors[entry.path().filename().string()] = fs::read_symlink(entry.path()).string();
    const std::string status = TemporaryFolder::readFile(process / "status");
    ::kill(pid, SIGTERM);
    EXPECT_EQ(descriptors,
              (std::map<std::string, std::string>{{"0", "/dev/null"}, {"1", "/dev/null"}, {"2", "/dev/null"}}));
    EXPECT_NE(status.find("SigBlk:\t0000000000000000\n"), std::string::npos) << status;
    // Only the C library's own two signals (32 and 33), which posix_spawn always leaves ignored.
    const auto ignored = status.find("SigIgn:\t");
    ASSERT_NE(ignored, std::string::npos);
    EXPECT_EQ(std::stoull(status.substr(ignored + 8, 16), nullptr, 16) & ~0x180000000ull, 0u) << status;
}

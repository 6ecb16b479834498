#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <string>
#include <vector>

#include "AgentProcessSupport.h"
#include "Platform/Dispatch/VirtualTime.h"
#include "Quentrel/App/Agent/PosixUIProcessSpawner.h"

namespace {

using agenttest::waitUntil;
using quentrel::PosixUIProcessSpawner;

std::size_t openDescriptorCount() {
    std::size_t n = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) ++n;
    return n;
}

std::string readSome(int fd, std::size_t length) {
    std::string bytes;
    waitUntil([&] {
        char chunk[256];
        const ssize_t n = ::read(fd, chunk, std::min(sizeof chunk, length - bytes.size()));
        if (n > 0) bytes.append(chunk, static_cast<std::size_t>(n));
        return bytes.size() >= length || n == 0;
    });
    return bytes;
}

TEST(PosixUIProcessSpawner, TheChildEnvironmentSetsThePipeVariableOnce) {
    const char* environment[] = {"PATH=/usr/bin", "KAVRINET_UI_PIPE=0", "KAVRINET_UI_PIPE", "KAVRINET_UI_PIPES=x",
                                 "HOME=/home/u", nullptr};
    EXPECT_EQ(PosixUIProcessSpawner::childEnvironment(environment),
              (std::vector<std::string>{"PATH=/usr/bin", "KAVRINET_UI_PIPES=x", "HOME=/home/u", "KAVRINET_UI_PIPE=1"}));
    const char* none[] = {nullptr};
    EXPECT_EQ(PosixUIProcessSpawner::childEnvironment(none), std::vector<std::string>{"KAVRINET_UI_PIPE=1"});
}

// The stub UI app started with what this test process would otherwise pass on: a stale pipe
// variable, an inherited descriptor, blocked signals and an ignored SIGPIPE.
TEST(PosixUIProcessSpawner, TheChildStartsCleanOnItsPipesAndIsSignalledUntilItsExitIsCollected) {
    agenttest::AgentSandbox sandbox;
    ::setenv("KAVRINET_STUB_DIR", sandbox.stub.folder.c_str(), 1);
    ::setenv("KAVRINET_UI_PIPE", "stale", 1);
    const int inherited = ::open("/dev/null", O_RDONLY);  // no close-on-exec
    sigset_t blocked, previous;
    sigemptyset(&blocked);
    sigaddset(&blocked, SIGUSR1);
    sigaddset(&blocked, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &blocked, &previous);
    const auto previousPipe = std::signal(SIGPIPE, SIG_IGN);

    auto time = platform::VirtualTime::make();
    PosixUIProcessSpawner spawner(time->makeQueue("main"));
    auto spawned = spawner.spawn(KAVRINET_STUB_UI);
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    std::signal(SIGPIPE, previousPipe);
    ::close(inherited);
    ASSERT_NE(spawned.process, nullptr) << spawned.error;
    EXPECT_GT(spawned.process->processIdentifier(), 0);

    // Its first frame comes through the agent's input end.
    const std::string ready = R"({"ready":{"_0":1}})";
    EXPECT_EQ(readSome(spawned.input, 4 + ready.size()), std::string("\0\0\0\x12", 4) + ready);
    ASSERT_TRUE(waitUntil([&] { return sandbox.stub.facts(1).is_object(); }));
    const auto facts = sandbox.stub.facts(1);
    EXPECT_EQ(facts["descriptors"], (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(facts["stderr"], "/dev/null");
    EXPECT_EQ(facts["arguments"], 0);
    EXPECT_EQ(facts["pipe"], "1");
    EXPECT_EQ(facts["blocked"], 0);
    EXPECT_EQ(facts["sigpipeIgnored"], false);

    // What the agent writes reaches the child.
    const std::string stop = std::string("\0\0\0\x0b", 4) + R"({"stop":{}})";
    ASSERT_EQ(::write(spawned.output, stop.data(), stop.size()), static_cast<ssize_t>(stop.size()));
    ASSERT_TRUE(waitUntil([&] { return sandbox.stub.kinds(1) == std::vector<std::string>{"stop"}; }));

    EXPECT_TRUE(spawned.process->isRunning());
    spawned.process->terminate();
    ASSERT_TRUE(waitUntil([&] { return sandbox.stub.kinds(1).size() == 2; }));
    EXPECT_EQ(sandbox.stub.kinds(1).back(), "signal");
    ::close(spawned.output);  // the end of its input: it exits
    ASSERT_TRUE(waitUntil([&] {
        time->runUntilIdle();
        return !spawned.process->isRunning();
    }));
    EXPECT_EQ(sandbox.stub.kinds(1).back(), "end");
    spawned.process->terminate();  // collected: nothing is signalled
    ::close(spawned.input);
    ::unsetenv("KAVRINET_UI_PIPE");
}

TEST(PosixUIProcessSpawner, AProgramThatCannotStartLeavesNothingOpen) {
    auto time = platform::VirtualTime::make();
    PosixUIProcessSpawner spawner(time->makeQueue("main"));
    const std::size_t before = openDescriptorCount();
    for (const char* program : {"/nonexistent/KavrinetUI", "/dev/null", ""}) {
        SCOPED_TRACE(program);
        auto spawned = spawner.spawn(program);
        EXPECT_EQ(spawned.process, nullptr);
        EXPECT_FALSE(spawned.error.empty());
        EXPECT_EQ(spawned.input, -1);
        EXPECT_EQ(spawned.output, -1);
    }
    EXPECT_EQ(openDescriptorCount(), before);
}

}  // namespace

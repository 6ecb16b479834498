// The built agent, started as a user would start it, with the stub UI app at its UI-app path.
#include <gtest/gtest.h>

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "AgentProcessSupport.h"

namespace {

using agenttest::AgentSandbox;
using agenttest::ChildProcess;
using agenttest::json;
using agenttest::waitUntil;

const json kWelcome = json::parse(R"({"present":{"_0":{"window":"welcome"}}})");
const json kStop = json::parse(R"({"stop":{}})");
constexpr char kBundleIdentifier[] = "local.mirosal.Kavrinet";
constexpr char kAppStarted[] = "앱 시작 · 마운트 유지 관측 모드";
constexpr char kNoDisplay[] =
    "Kavrinet: no display (DISPLAY and WAYLAND_DISPLAY are unset); observing without a status item\n";

struct Agent {
    AgentSandbox& sandbox;
    ChildProcess process;
    Agent(AgentSandbox& s, std::map<std::string, std::string> env, const char* program = KAVRINET_AGENT_WITH_STUB,
          std::vector<std::string> arguments = {}, const char* errorFile = "agent.err")
        : sandbox(s), process(program, arguments, env, s.root / errorFile) {}
    explicit Agent(AgentSandbox& s) : Agent(s, s.environment()) {}
};

// Ends the agent as a session manager would and checks that it went the normal way.
void terminateAndCheck(Agent& agent) {
    agent.process.signal(SIGTERM);
    EXPECT_EQ(agent.process.waitForExit(), 0) << agent.process.standardError();
    EXPECT_NE(TemporaryFolder::readFile(agent.sandbox.recentEvents()).find(kAppStarted), std::string::npos);
}

TEST(AgentProcess, ArgumentsOtherThanTheProcessSerialNumberExitWith64BeforeAnythingStarts) {
    for (const std::vector<std::string>& arguments :
         {std::vector<std::string>{"--verbose"}, {"-psn_0_1", "--verbose"}, {"-platform", "offscreen"}}) {
        AgentSandbox sandbox;
        Agent agent(sandbox, sandbox.environment(), KAVRINET_AGENT_WITH_STUB, arguments);
        EXPECT_EQ(agent.process.waitForExit(), 64);
        EXPECT_EQ(agent.process.standardError(), "This observation app does not accept command-line options.\n");
        EXPECT_EQ(sandbox.stub.instances(), 0);
        EXPECT_TRUE(std::filesystem::is_empty(sandbox.data));
        EXPECT_TRUE(std::filesystem::is_empty(sandbox.config));
    }
}

TEST(AgentProcess, AManualFirstLaunchShowsWelcomeInACleanlyStartedUIAppAndStopsItOnTermination) {
    AgentSandbox sandbox;
    auto env = sandbox.environment();
    env["KAVRINET_UI_PIPE"] = "stale";
    env["KAVRINET_LAUNCH_EVENT"] = "aevt/oapp/zzzz";  // not a login start; not to be passed on
    Agent agent(sandbox, env);
    ASSERT_TRUE(waitUntil([&] { return sandbox.stub.withoutStates(1).size() == 1; })) << agent.process.standardError();
    EXPECT_EQ(sandbox.stub.withoutStates(1)[0], kWelcome);
    EXPECT_EQ(sandbox.stub.kinds(1).front(), "state");  // the state comes first
    EXPECT_EQ(sandbox.stub.revisions(1).front(), 1u);
    // The agent's environment, as the spawner passes it on (the spawner's tests check the rest).
    const json facts = sandbox.stub.facts(1);
    EXPECT_EQ(facts["pipe"], "1");
    EXPECT_EQ(facts["launchEvent"], nullptr);
    EXPECT_EQ(facts["blocked"], 0);  // the agent blocks its termination signals

    terminateAndCheck(agent);
    ASSERT_TRUE(waitUntil([&] { return sandbox.stub.withoutStates(1).size() >= 3; }));
    const auto records = sandbox.stub.withoutStates(1);
    // The agent does not wait: stop (or the end of input) and the signal come in either order.
    for (std::size_t i = 1; i < records.size(); ++i)
        EXPECT_TRUE(records[i] == kStop || records[i].contains("end") || records[i].contains("signal")) << records[i];
    EXPECT_EQ(sandbox.stub.instances(), 1);
}

// Offscreen no tray is there: a manual launch after onboarding opens the dashboard in its place.
TEST(AgentProcess, AManualLaunchWithoutATrayAfterOnboardingShowsTheDashboard) {
    AgentSandbox sandbox;
    TemporaryFolder::writeFile(sandbox.config / "local.mirosal.Kavrinet.plist",
                               "<plist><dict><key>onboardingCompleted</key><true/></dict></plist>");
    Agent agent(sandbox);
    ASSERT_TRUE(waitUntil([&] { return sandbox.stub.withoutStates(1).size() == 1; })) << agent.process.standardError();
    EXPECT_EQ(sandbox.stub.withoutStates(1)[0]["present"]["_0"]["window"], "status");
}

TEST(AgentProcess, APresentationRetriedByAClosingUIAppIsShownByAFreshOne) {
    AgentSandbox sandbox;
    sandbox.stub.script("on present send {\"closing\":{}}\non stop retry\nthen exit 0\n", 1);
    Agent agent(sandbox);
    ASSERT_TRUE(waitUntil([&] { return sandbox.stub.withoutStates(2).size() == 1; })) << agent.process.standardError();
    EXPECT_EQ(sandbox.stub.withoutStates(1), (std::vector<json>{kWelcome, kStop}));
    EXPECT_EQ(sandbox.stub.withoutStates(2), std::vector<json>{kWelcome});
    // The revision counts on over both UI apps.
    EXPECT_GT(sandbox.stub.revisions(2).front(), sandbox.stub.revisions(1).back());
    EXPECT_EQ(sandbox.stub.instances(), 2);
    terminateAndCheck(agent);
}

// JSON nested 100,000 deep: a protocol error for the UI-app session; the agent goes on.
TEST(AgentProcess, AFrameNestedTooDeepEndsTheUIAppSessionOnly) {
    AgentSandbox sandbox;
    // Deep, yet short enough to be decoded rather than refused by its length.
    const std::string deep = std::string(4'000, '[') + std::string(4'000, ']');
    sandbox.stub.script("on present send {\"closing\":{},\"a\":" + deep + ",\"b\":0}\n", 1);
    Agent agent(sandbox);
    ASSERT_TRUE(waitUntil([&] {
        const auto kinds = sandbox.stub.kinds(1);
        return !kinds.empty() && kinds.back() == "end";
    })) << agent.process.standardError();
    EXPECT_TRUE(agent.process.running());
    terminateAndCheck(agent);
}

TEST(AgentProcess, ASessionsFileNestedTooDeepReadsAsFailedAndIsLeftAsItWas) {
    AgentSandbox sandbox;
    const auto file = sandbox.data / "QuentrelProduct" / "session-summaries.json";
    std::filesystem::create_directories(file.parent_path());
    const std::string deep = std::string(120'000, '[') + std::string(120'000, ']');
    TemporaryFolder::writeFile(file, deep);
    Agent agent(sandbox);
    ASSERT_TRUE(waitUntil([&] { return !sandbox.stub.revisions(1).empty(); })) << agent.process.standardError();
    EXPECT_EQ(sandbox.stub.frames(1).front()["state"]["_1"]["sessionStorageStatus"], "readFailed");
    terminateAndCheck(agent);
    EXPECT_EQ(TemporaryFolder::readFile(file), deep);
}

TEST(AgentProcess, TheAgentSurvivesACrashedUIAppAndASecondStartActivatesIt) {
    AgentSandbox sandbox;
    sandbox.stub.script("on present crash\n", 1);
    Agent agent(sandbox);
    ASSERT_TRUE(waitUntil([&] { return sandbox.stub.withoutStates(1).size() == 1; })) << agent.process.standardError();
    EXPECT_TRUE(agenttest::busNameOwned(kBundleIdentifier));

    Agent second(sandbox, sandbox.environment(), KAVRINET_AGENT_WITH_STUB, {}, "second.err");
    EXPECT_EQ(second.process.waitForExit(), 0) << second.process.standardError();
    ASSERT_TRUE(waitUntil([&] { return sandbox.stub.withoutStates(2).size() == 1; })) << agent.process.standardError();
    EXPECT_EQ(sandbox.stub.withoutStates(2), std::vector<json>{kWelcome});
    EXPECT_GT(sandbox.stub.revisions(2).front(), sandbox.stub.revisions(1).back());
    EXPECT_TRUE(agent.process.running());
    terminateAndCheck(agent);
}

TEST(AgentProcess, WithoutADisplayOrAUIAppItSaysSoOnceAndGoesOnObserving) {
    AgentSandbox sandbox;
    auto env = sandbox.environment();
    env.erase("QT_QPA_PLATFORM");
    Agent agent(sandbox, env, KAVRINET_AGENT_WITHOUT_UI);
    // A manual first launch asks for "welcome", which is dropped without a display; on it goes.
    ASSERT_TRUE(waitUntil([] { return agenttest::busNameOwned(kBundleIdentifier); })) << agent.process.standardError();
    Agent second(sandbox, env, KAVRINET_AGENT_WITHOUT_UI, {}, "second.err");
    EXPECT_EQ(second.process.waitForExit(), 0) << second.process.standardError();
    EXPECT_TRUE(agent.process.running());
    const std::string errors = agent.process.standardError();
    std::size_t lines = 0;
    for (auto at = errors.find(kNoDisplay); at != std::string::npos; at = errors.find(kNoDisplay, at + 1)) ++lines;
    EXPECT_EQ(lines, 1u) << errors;
    const std::size_t at = errors.find(kNoDisplay);
    EXPECT_TRUE(at == 0 || (at != std::string::npos && errors[at - 1] == '\n'));  // a line of its own
    terminateAndCheck(agent);
}

// A copy of the agent's bundle (with the stub UI app) whose Qt has the X11 and offscreen platforms
// only, as on a system without Qt's Wayland platform: its qt.conf names a plugin folder of its own.
std::filesystem::path agentWithoutWaylandPlatform(const AgentSandbox& sandbox) {
    namespace fs = std::filesystem;
    const fs::path bundle = fs::path(KAVRINET_AGENT_WITH_STUB).parent_path().parent_path().parent_path();
    const fs::path copy = sandbox.root / "without-wayland" / bundle.filename(), plugins = sandbox.root / "plugins";
    fs::create_directories(copy.parent_path());
    fs::copy(bundle, copy, fs::copy_options::recursive);
    fs::create_directories(plugins / "platforms");
    for (const char* platform : {"libqxcb.so", "libqoffscreen.so"})
        fs::create_symlink(fs::path(KAVRINET_QT_PLATFORMS) / platform, plugins / "platforms" / platform);
    const fs::path agent = copy / "Contents" / "MacOS" / "Kavrinet";
    TemporaryFolder::writeFile(agent.parent_path() / "qt.conf", "[Paths]\nPlugins = " + plugins.string() + "\n");
    return agent;
}

// A display of the test's own ("@name": an abstract socket) whose thread closes each connection at
// once, or first sends bytes that no display sends, or answers a wl_display.sync; a silent one
// accepts nobody, and its queue tells that somebody is waiting for it.
struct StandInDisplay {
    enum class Answer { closes, garbage, sync, silent };
    StandInDisplay(const std::string& address, Answer answer) {
        sockaddr_un name{AF_UNIX, {}};
        address.copy(name.sun_path, sizeof name.sun_path - 1);
        if (address[0] == '@') name.sun_path[0] = '\0';
        const auto length = socklen_t(sizeof name.sun_family + address.size() + (address[0] != '@'));
        if (::bind(socket, reinterpret_cast<sockaddr*>(&name), length) != 0 || ::listen(socket, 8) != 0) return;
        if (answer != Answer::silent)
            server = std::jthread([this, answer] {
                const std::uint32_t done[] = {2, 12 << 16, 0, 1, 12 << 16 | 1, 2};  // and the callback's id deleted
                const std::string_view garbage = "HTTP/1.1 400 Bad Request\r\n\r\n";
                for (int client; (client = ::accept4(socket, nullptr, nullptr, SOCK_CLOEXEC)) >= 0; ::close(client)) {
                    char request[12];
                    if (answer == Answer::garbage) ::send(client, garbage.data(), garbage.size(), MSG_NOSIGNAL);
                    if (answer == Answer::sync && ::recv(client, request, sizeof request, MSG_WAITALL) == sizeof request)
                        ::send(client, done, sizeof done, MSG_NOSIGNAL);
                }
            });
    }
    ~StandInDisplay() {
        ::shutdown(socket, SHUT_RDWR);  // ends the accept
        server = {};
        ::close(socket);
    }
    bool somebodyWaits() const {
        pollfd queue{socket, POLLIN, 0};
        return ::poll(&queue, 1, 0) == 1;
    }
    const int socket = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    std::jthread server;
};

// Displays that nothing answers, that answer wrongly or never, and a Wayland session whose
// compositor answers where Qt has no wayland platform: the agent observes on without a status
// item or a UI app, says why in one line and in none of Qt's, and ends normally; a second start
// says that it asked the running agent. A start that waits for a silent display ends on SIGTERM.
TEST(AgentProcess, WithADisplayThatCannotBeReachedItSaysSoInOneLineAndGoesOnObserving) {
    // Two displays no X server holds, neither their socket files nor their abstract sockets; from a
    // number of this process's own, so that runs side by side in other checkouts do not collide.
    auto unheld = [](int number) {
        const std::string socket = "/tmp/.X11-unix/X" + std::to_string(number);
        return !std::filesystem::exists(socket) &&
               agenttest::capture("grep -c '" + socket + "$' /proc/net/unix") == "0\n";
    };
    int number = 7353 + 2 * (::getpid() % 300);
    while (!unheld(number) || !unheld(number + 1)) number += 2;
    const std::string display = ":" + std::to_string(number), silentDisplay = ":" + std::to_string(number + 1);
    TemporaryFolder sockets;
    const std::string gone = sockets / "gone", answering = sockets / "wayland-1", closes = sockets / "closes",
                      garbage = sockets / "garbage", silent = sockets / "silent";
    using Answer = StandInDisplay::Answer;
    const StandInDisplay compositor(answering, Answer::sync), closing(closes, Answer::closes),
        talking(garbage, Answer::garbage), silentX("@/tmp/.X11-unix/X" + std::to_string(number + 1), Answer::silent),
        silentCompositor(silent, Answer::silent);
    const struct { std::map<std::string, std::string> variables; std::string reason; const StandInDisplay* silent; } rows[] = {
        {{{"DISPLAY", display}, {"WAYLAND_DISPLAY", gone}},
         "DISPLAY=" + display + " and WAYLAND_DISPLAY=" + gone + " cannot be reached", nullptr},
        {{{"XDG_SESSION_TYPE", "wayland"}, {"WAYLAND_DISPLAY", answering}},
         "Qt's wayland platform did not start on WAYLAND_DISPLAY=" + answering + ", DISPLAY is unset", nullptr},
        {{{"WAYLAND_DISPLAY", closes}}, "WAYLAND_DISPLAY=" + closes + " cannot be reached, DISPLAY is unset", nullptr},
        {{{"WAYLAND_DISPLAY", garbage}}, "WAYLAND_DISPLAY=" + garbage + " cannot be reached, DISPLAY is unset", nullptr},
        {{{"DISPLAY", silentDisplay}}, "DISPLAY=" + silentDisplay + " cannot be reached, WAYLAND_DISPLAY is unset",
         &silentX},
        {{{"WAYLAND_DISPLAY", silent}}, "WAYLAND_DISPLAY=" + silent + " cannot be reached, DISPLAY is unset",
         &silentCompositor}};
    // "<level> [<subsystem>:<category>] <message>"
    auto logRecord = [](const std::string& text) { return text.find(" [") < 7 && text.find("] ") != text.npos; };
    for (std::size_t row = 0; row < std::size(rows); ++row) {
        SCOPED_TRACE(rows[row].reason);
        AgentSandbox sandbox;
        auto env = sandbox.environment();
        env.erase("QT_QPA_PLATFORM");
        env.insert(rows[row].variables.begin(), rows[row].variables.end());
        // The Wayland session's agent has no wayland platform.
        const std::string program = row == 1 ? agentWithoutWaylandPlatform(sandbox).string() : KAVRINET_AGENT_WITH_STUB;
        if (rows[row].silent) {
            Agent ended(sandbox, env, program.c_str(), {}, "ended.err");
            ASSERT_TRUE(waitUntil([&] { return rows[row].silent->somebodyWaits(); })) << ended.process.describe();
            ended.process.signal(SIGTERM);
            EXPECT_EQ(ended.process.waitForExit(), 0) << ended.process.describe();
            EXPECT_TRUE(std::filesystem::is_empty(sandbox.data));  // before it observed anything
        }
        Agent agent(sandbox, env, program.c_str());  // a manual first launch, which asks for "welcome"
        ASSERT_TRUE(waitUntil([] { return agenttest::busNameOwned(kBundleIdentifier); })) << agent.process.describe();
        Agent second(sandbox, env, program.c_str(), {}, "second.err");  // and asks again
        EXPECT_EQ(second.process.waitForExit(), 0) << second.process.standardError();
        EXPECT_EQ(second.process.standardError(), "Kavrinet: no display (" + rows[row].reason +
                                                      "); the running agent was asked to show its window\n");
        EXPECT_TRUE(agent.process.running());
        terminateAndCheck(agent);
        EXPECT_EQ(sandbox.stub.instances(), 0);
        // Beside the line only the log, which is written there without a system log.
        const std::string line = "Kavrinet: no display (" + rows[row].reason + "); observing without a status item";
        std::istringstream errors(agent.process.standardError());
        int lines = 0;
        for (std::string text; std::getline(errors, text); lines += text == line)
            EXPECT_TRUE(text == line || logRecord(text)) << text;
        EXPECT_EQ(lines, 1) << agent.process.standardError();
    }
}

TEST(AgentProcess, AFolderInPlaceOfTheSettingsFileIsLoggedOnceAndTheAgentStillEndsNormally) {
    AgentSandbox sandbox;
    std::filesystem::create_directory(sandbox.config / "local.mirosal.Kavrinet.plist");
    Agent agent(sandbox);
    ASSERT_TRUE(waitUntil([&] { return sandbox.stub.withoutStates(1).size() == 1; })) << agent.process.standardError();
    terminateAndCheck(agent);  // status 0, not a crash in the exit handlers
    const std::string log = agent.process.standardError();  // the log, where there is no system log
    EXPECT_EQ(log.find("settings not written"), log.rfind("settings not written")) << log;  // not more than once
}

TEST(AgentProcess, ASymlinkedSettingsFileIsReadThroughItsLinkAndWrittenBesideItsTarget) {
    AgentSandbox sandbox;
    TemporaryFolder::writeFile(sandbox.root / "dotfile", "<plist><dict><key>onboardingCompleted</key><true/>"
                                                         "<key>showStatusOnLaunch</key><true/></dict></plist>");
    std::filesystem::create_symlink("../dotfile", sandbox.config / "local.mirosal.Kavrinet.plist");
    Agent agent(sandbox);
    ASSERT_TRUE(waitUntil([&] { return sandbox.stub.withoutStates(1).size() == 1; })) << agent.process.standardError();
    EXPECT_EQ(sandbox.stub.withoutStates(1)[0]["present"]["_0"]["window"], "status");  // not "welcome"
    terminateAndCheck(agent);
    EXPECT_EQ(std::filesystem::read_symlink(sandbox.config / "local.mirosal.Kavrinet.plist"), "../dotfile");
    const std::string written = TemporaryFolder::readFile(sandbox.root / "dotfile");  // by the agent, values kept
    EXPECT_TRUE(written.starts_with("bplist00") && written.find("onboardingCompleted") != written.npos) << written;
}

// An upgrade renames a new program file over the running agent's (as dpkg does): the login item is
// then the program now installed at that path, and turning it on names that path.
TEST(AgentProcess, AfterItsProgramFileWasReplacedTheLoginItemTurnsOnAsTheInstalledProgram) {
    namespace fs = std::filesystem;
    AgentSandbox sandbox;
    const fs::path built(KAVRINET_AGENT_WITH_STUB), file = sandbox.root / "Kavrinet.app/Contents/MacOS/Kavrinet";
    fs::copy(built.parent_path() / "../..", sandbox.root / "Kavrinet.app", fs::copy_options::recursive);
    // The first rule answers the welcome of the start, the second the one that a second start asks for.
    sandbox.stub.script(R"(on present send {"command":{"_0":{"refreshLogin":{}}}})" "\n"
                        R"(on present send {"command":{"_0":{"login":{"_0":true}}}})" "\n", 1);
    Agent agent(sandbox, sandbox.environment(), file.c_str());
    ASSERT_TRUE(waitUntil([&] { return sandbox.stub.withoutStates(1).size() == 1; })) << agent.process.standardError();
    fs::copy_file(built, file.string() + ".dpkg-new");
    fs::rename(file.string() + ".dpkg-new", file);
    ASSERT_EQ(fs::read_symlink("/proc/" + std::to_string(agent.process.pid()) + "/exe"), file.string() + " (deleted)");

    Agent second(sandbox, sandbox.environment(), file.c_str(), {}, "second.err");
    EXPECT_TRUE(waitUntil([&] { return sandbox.stub.frames(1).back()["state"]["_1"]["loginEnabled"] == true; }));
    const std::string entry = TemporaryFolder::readFile(sandbox.config / "autostart/local.mirosal.Kavrinet.desktop");
    EXPECT_NE(entry.find("\nTryExec=" + file.string() + "\n"), std::string::npos) << entry;
    terminateAndCheck(agent);
}

// A field of /proc/<pid>/status in megabytes ("VmRSS", "VmHWM"), 0 when it cannot be read.
double statusMegabytes(pid_t pid, const std::string& field) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind(field + ":", 0) == 0) return std::atof(line.c_str() + field.size() + 1) / 1024;
    return 0;
}

TEST(AgentProcess, AFloodOfCommandsIsHeldBackByThePipeWhileMemoryStaysFlatAndTheAgentAnswers) {
    constexpr double kGrowthLimitMegabytes = 100, kAnswerLimitSeconds = 10;
    using Clock = std::chrono::steady_clock;
    auto secondsSince = [](Clock::time_point start) {
        return std::chrono::duration<double>(Clock::now() - start).count();
    };
    AgentSandbox sandbox;
    // A command that costs the agent's main thread far more than its reader: each one is logged.
    sandbox.stub.script(R"(flood {"command":{"_0":{"background":{"_0":true}}}})" "\n", 1);
    auto env = sandbox.environment();
#ifdef __SANITIZE_ADDRESS__
    // Freed memory waits in the sanitizer's quarantine (256 MB by default), which is no growth.
    env["ASAN_OPTIONS"] = (env.count("ASAN_OPTIONS") ? env["ASAN_OPTIONS"] + ":" : "") + "quarantine_size_mb=8";
#endif
    Agent agent(sandbox, env);
    ASSERT_TRUE(waitUntil([&] { return sandbox.stub.started(1); })) << agent.process.standardError();
    const double before = statusMegabytes(agent.process.pid(), "VmRSS");
    std::this_thread::sleep_for(std::chrono::seconds(3));

    const auto started = Clock::now();
    Agent second(sandbox, env, KAVRINET_AGENT_WITH_STUB, {}, "second.err");
    EXPECT_EQ(second.process.waitForExit(), 0) << second.process.standardError();
    const double answered = secondsSince(started);
    const double peak = statusMegabytes(agent.process.pid(), "VmHWM");
    const auto signalled = Clock::now();
    agent.process.signal(SIGTERM);  // the flood's events have pushed the start out of the log
    EXPECT_EQ(agent.process.waitForExit(), 0) << agent.process.standardError();
    const double ended = secondsSince(signalled);
    std::printf("flood: RSS %.1f MB before, peak %.1f MB; second start answered in %.2f s; "
                "ended %.2f s after SIGTERM\n",
                before, peak, answered, ended);
    EXPECT_LT(peak - before, kGrowthLimitMegabytes);
    EXPECT_LT(answered, kAnswerLimitSeconds);
    EXPECT_LT(ended, kAnswerLimitSeconds);
}

}  // namespace

// What the real UI app costs on an X server: the CPU time of its start until its first window is
// mapped, and, with the quick view open and one state a second, how often its threads wake and
// how much of a core it takes. This program plays the agent over the two pipes (ready, a state, a
// present of "quick-view", then one state a second with changing rates) on an Xvfb of its own.
// Run by hand, on a Release build:
//
//     build/release/Benchmarks/KavrinetUILoad
//         build/release/Kavrinet.app/Contents/Helpers/KavrinetUI.app/Contents/MacOS/KavrinetUI
//         [--seconds 30] [--settle 3] [--starts 10] [--devices 3,8]
//         [--strace FILE] [--perf FILE] [--prefix "COMMAND ..."]
//
// --strace and --perf attach `strace -f -c` or `perf record -e cpu-clock -g` to the app for the
// counted seconds of each load run (FILE.<devices>); their own cost then shows in the figures, so
// measure without them. --prefix starts the app under a command (for instance
// "perf record -e cpu-clock -F 20000 --call-graph dwarf -o start.data --"); the app is then the
// command's child.
//
// CPU time is the sum of the scheduler's run time of the app's threads (/proc/PID/task/*/schedstat,
// nanoseconds), cross-checked with utime + stime of /proc/PID/stat (clock ticks, which also count
// threads that have ended). Wake-ups are the context switches of its threads
// (/proc/PID/task/*/status): voluntary ones (a thread slept and was woken) and involuntary ones (a
// running thread was preempted, which depends on what else the machine runs). Without a session bus it runs itself under dbus-run-session.
#include <unistd.h>

#include <xcb/xcb.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "Quentrel/App/Agent/DesktopSupport.h"
#include "Quentrel/App/UI/UIDriver.h"
#include "Quentrel/Services/ObserverUIMessage.h"
#include "Quentrel/Services/UIStateFixture.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using agenttest::ChildProcess;
using agenttest::XServer;
using quentrel::ObserverUIMessage;
using uitest::Clock;
using uitest::UIDriver;

constexpr auto patience = std::chrono::seconds(30);
// Where the status item would be: the quick panel opens under it.
const std::vector<double> anchor{1000, 776, 24, 24};

// Ends the run; main reports it, and what was started ends with the objects that started it.
[[noreturn]] void fail(const std::string& message) { throw std::runtime_error(message); }

struct Options {
    std::string app;
    int seconds = 30;
    int settle = 3;
    int starts = 10;
    std::vector<int> devices{3, 8};
    std::string strace;
    std::string perf;
    std::vector<std::string> prefix;
};

std::vector<std::string> words(const std::string& text, char separator = ' ') {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string word; std::getline(in, word, separator);)
        if (!word.empty()) out.push_back(word);
    return out;
}

Options parse(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        auto value = [&]() -> std::string {
            if (i + 1 >= argc) fail(argument + " needs a value");
            return argv[++i];
        };
        if (argument == "--seconds") options.seconds = std::stoi(value());
        else if (argument == "--settle") options.settle = std::stoi(value());
        else if (argument == "--starts") options.starts = std::stoi(value());
        else if (argument == "--devices") {
            options.devices.clear();
            for (const std::string& n : words(value(), ',')) options.devices.push_back(std::stoi(n));
        } else if (argument == "--strace") options.strace = value();
        else if (argument == "--perf") options.perf = value();
        else if (argument == "--prefix") options.prefix = words(value());
        else if (options.app.empty() && argument.rfind("--", 0) != 0) options.app = fs::absolute(argument);
        else fail("unknown argument " + argument);
    }
    if (options.app.empty()) fail("usage: KavrinetUILoad KAVRINETUI [options]; see the source");
    return options;
}

// One thread's counts, or the sum over the app's threads.
struct ThreadUsage {
    double runSeconds = 0;      // schedstat
    long long voluntary = 0;    // it slept and was woken
    long long involuntary = 0;  // it was running and was preempted

    ThreadUsage operator-(const ThreadUsage& earlier) const {
        return {runSeconds - earlier.runSeconds, voluntary - earlier.voluntary, involuntary - earlier.involuntary};
    }
};

// The app's threads as the kernel counts them now.
struct Usage {
    ThreadUsage total;       // the live threads
    double tickSeconds = 0;  // utime + stime, ended threads included
    // By thread name and id: the channel's reader and writer inherit the main thread's name.
    std::map<std::string, ThreadUsage> threads;
};

Usage usage(pid_t pid) {
    Usage u;
    const fs::path process = "/proc/" + std::to_string(pid);
    std::error_code error;
    for (const auto& task : fs::directory_iterator(process / "task", error)) {
        std::string name = TemporaryFolder::readFile(task.path() / "comm");
        if (!name.empty() && name.back() == '\n') name.pop_back();
        ThreadUsage thread;
        thread.runSeconds = std::atof(TemporaryFolder::readFile(task.path() / "schedstat").c_str()) / 1e9;
        std::istringstream status(TemporaryFolder::readFile(task.path() / "status"));
        for (std::string line; std::getline(status, line);) {
            const long long count = std::atoll(line.c_str() + line.find(':') + 1);
            if (line.rfind("voluntary_ctxt_switches:", 0) == 0) thread.voluntary = count;
            if (line.rfind("nonvoluntary_ctxt_switches:", 0) == 0) thread.involuntary = count;
        }
        u.total.runSeconds += thread.runSeconds;
        u.total.voluntary += thread.voluntary;
        u.total.involuntary += thread.involuntary;
        u.threads[name + " " + task.path().filename().string()] = thread;
    }
    const std::string stat = TemporaryFolder::readFile(process / "stat");
    // Fields after the command's closing parenthesis: state is field 3, utime 14, stime 15.
    std::istringstream fields(stat.substr(stat.rfind(')') + 2));
    std::vector<std::string> f{std::istream_iterator<std::string>(fields), std::istream_iterator<std::string>()};
    if (f.size() > 12) u.tickSeconds = (std::atof(f[11].c_str()) + std::atof(f[12].c_str())) / sysconf(_SC_CLK_TCK);
    return u;
}

// Tells when a top-level window is mapped on the X server.
class MapWatch {
public:
    explicit MapWatch(const XServer& x) {
        connection_ = xcb_connect(x.display.c_str(), nullptr);
        if (const int error = xcb_connection_has_error(connection_)) {
            xcb_disconnect(connection_);
            fail("cannot connect to " + x.display + " (xcb error " + std::to_string(error) + "): " + x.describe());
        }
        const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection_)).data;
        const std::uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
        xcb_change_window_attributes(connection_, screen->root, XCB_CW_EVENT_MASK, &mask);
        xcb_flush(connection_);
    }
    ~MapWatch() { xcb_disconnect(connection_); }
    int fd() const { return xcb_get_file_descriptor(connection_); }
    // Takes the waiting events; true when one of them maps a window.
    bool mapped() {
        bool any = false;
        while (xcb_generic_event_t* event = xcb_poll_for_event(connection_)) {
            if ((event->response_type & ~0x80) == XCB_MAP_NOTIFY) any = true;
            std::free(event);
        }
        return any;
    }

private:
    xcb_connection_t* connection_ = nullptr;
};

// One running UI app, driven as the agent drives it.
class UIApp {
public:
    UIApp(const Options& options, const std::vector<std::string>& environment, const XServer& x)
        : driver_({{}, "1", false, x.display, environment, options.prefix, options.app}) {
        if (!driver_.running()) fail("cannot start " + options.app);
        pid_ = options.prefix.empty() ? driver_.pid() : findApp(options.app);
    }

    pid_t pid() const { return pid_; }
    Clock::time_point started() const { return driver_.started(); }

    void send(const ObserverUIMessage& message) {
        if (!driver_.send(message)) fail("the UI app stopped reading: " + driver_.describe());
    }

    // Reads what the app sends until `until`; returns early with the first message for which
    // `wanted` holds, and when `map` (if any) sees a window mapped.
    template <class Wanted>
    std::optional<ObserverUIMessage> read(Clock::time_point until, Wanted wanted, MapWatch* map = nullptr,
                                          bool* mapped = nullptr) {
        while (true) {
            bool watched = false;
            if (const auto payload = driver_.nextPayload(until, map ? map->fd() : -1, &watched)) {
                ObserverUIMessage message = platform::json::decode<ObserverUIMessage>(*payload);
                if (wanted(message)) return message;
            } else if (!watched) {
                return std::nullopt;  // the output ended, or the time is up
            } else if (map->mapped() && mapped) {
                *mapped = true;
                return std::nullopt;
            }
        }
    }

    // Stops the app as the agent does and waits for it to end.
    void stop() {
        send(ObserverUIMessage::stop());
        driver_.drain();
        driver_.waitForExit();
    }

private:
    // The app started by the prefix command: its descendant running the app's executable.
    static pid_t findApp(const std::string& app) {
        const auto end = Clock::now() + patience;
        while (Clock::now() < end) {
            std::error_code error;
            for (const auto& entry : fs::directory_iterator("/proc", error)) {
                const std::string name = entry.path().filename();
                if (name.find_first_not_of("0123456789") != std::string::npos) continue;
                std::error_code ignored;
                if (fs::read_symlink(entry.path() / "exe", ignored) == fs::path(app)) return std::stoi(name);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        fail("the prefix command did not start the app");
    }

    UIDriver driver_;
    pid_t pid_ = -1;
};

bool isReady(const ObserverUIMessage& m) { return m.kind() == ObserverUIMessage::Case::ready; }
bool isShown(const ObserverUIMessage& m) {
    const auto* command = m.get<ObserverUIMessage::Command>();
    return command && command->command.kind == quentrel::ObserverUICommand::Case::surface && command->command.flag;
}

double median(std::vector<double> values) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

struct StartFigures {
    double runMs = 0, tickMs = 0, wallMs = 0;
};

// One start: spawn, ready, the first state and the quick view, up to the first mapped window.
StartFigures measureStart(const Options& options, const std::vector<std::string>& environment, const XServer& x,
                          int devices) {
    MapWatch map(x);
    UIApp app(options, environment, x);
    const auto until = Clock::now() + patience;
    if (!app.read(until, isReady)) fail("no ready from the UI app");
    app.send(ObserverUIMessage::state(1, uistate::stateAt(devices, 0)));
    app.send(ObserverUIMessage::present({"quick-view", anchor}));
    bool mapped = false;
    while (!mapped && Clock::now() < until) app.read(until, [](const ObserverUIMessage&) { return false; }, &map, &mapped);
    if (!mapped) fail("no window was mapped");
    const Usage at = usage(app.pid());
    StartFigures figures{at.total.runSeconds * 1000, at.tickSeconds * 1000,
                         std::chrono::duration<double, std::milli>(Clock::now() - app.started()).count()};
    if (!app.read(Clock::now() + patience, isShown)) fail("the quick view never reported itself visible");
    app.stop();
    return figures;
}

// `strace -f -c` or `perf record` on the process until the returned tool is stopped.
std::unique_ptr<ChildProcess> attach(const std::string& tool, const std::string& file, pid_t pid,
                                     const std::map<std::string, std::string>& environment) {
    std::vector<std::string> arguments = {"-f", "-c", "-o", file, "-p", std::to_string(pid)};
    if (tool == "perf") arguments = {"record", "-q", "-e", "cpu-clock", "-g", "-o", file, "-p", std::to_string(pid)};
    const std::string program = agenttest::which(tool);
    if (program.empty()) fail(tool + " is not installed");
    return std::make_unique<ChildProcess>(program, arguments, environment, "/dev/null");
}

// Stops the tool the way it writes its results, and waits for it to end.
void detach(ChildProcess& tool) {
    tool.signal(SIGINT);
    tool.waitForExit(600);
}

struct LoadFigures {
    double seconds = 0;
    ThreadUsage total;
    double tickSeconds = 0;
    std::map<std::string, ThreadUsage> threads;  // those alive at the end
};

// The quick view open and one state a second: `settle` seconds, then `seconds` counted ones.
LoadFigures measureLoad(const Options& options, const std::vector<std::string>& environment, const XServer& x,
                        int devices) {
    UIApp app(options, environment, x);
    if (!app.read(Clock::now() + patience, isReady)) fail("no ready from the UI app");
    int second = 0;
    app.send(ObserverUIMessage::state(1, uistate::stateAt(devices, second)));
    app.send(ObserverUIMessage::present({"quick-view", anchor}));
    if (!app.read(Clock::now() + patience, isShown)) fail("the quick view never reported itself visible");
    std::printf("%d devices: the load run's app is process %d\n", devices, app.pid());
    std::fflush(stdout);

    const auto none = [](const ObserverUIMessage&) { return false; };
    auto tick = Clock::now();
    Usage before;
    std::unique_ptr<ChildProcess> tool;
    std::map<std::string, std::string> toolEnvironment;
    for (const std::string& entry : environment)
        toolEnvironment[entry.substr(0, entry.find('='))] = entry.substr(entry.find('=') + 1);
    for (int i = 0; i < options.settle + options.seconds; ++i) {
        if (i == options.settle) {
            if (!options.strace.empty())
                tool = attach("strace", options.strace + "." + std::to_string(devices), app.pid(), toolEnvironment);
            else if (!options.perf.empty())
                tool = attach("perf", options.perf + "." + std::to_string(devices), app.pid(), toolEnvironment);
            before = usage(app.pid());
        }
        ++second;
        app.send(ObserverUIMessage::state(static_cast<std::uint64_t>(second) + 1, uistate::stateAt(devices, second)));
        tick += std::chrono::seconds(1);
        app.read(tick, none);
    }
    const Usage after = usage(app.pid());
    if (tool) detach(*tool);
    app.stop();

    LoadFigures figures;
    figures.seconds = options.seconds;
    figures.tickSeconds = after.tickSeconds - before.tickSeconds;
    // Summed over the threads alive at the end: one that ended meanwhile would take its counts
    // before the run off the total.
    for (const auto& [name, counts] : after.threads) {
        const auto was = before.threads.find(name);
        const ThreadUsage counted = was == before.threads.end() ? counts : counts - was->second;
        figures.threads[name] = counted;
        figures.total = {figures.total.runSeconds + counted.runSeconds, figures.total.voluntary + counted.voluntary,
                         figures.total.involuntary + counted.involuntary};
    }
    return figures;
}

// Prints the figures of every start and load run; a failed run ends it (`fail`).
void measure(const Options& options) {
    agenttest::AgentSandbox sandbox;
    std::vector<std::string> environment;
    for (char** e = environ; *e; ++e) {
        const std::string entry = *e;
        bool replaced = false;
        for (const char* name : {"KAVRINET_UI_PIPE=", "QT_QPA_PLATFORM=", "DISPLAY=", "WAYLAND_DISPLAY=", "HOME=",
                                 "XDG_CONFIG_HOME=", "XDG_DATA_HOME=", "XDG_RUNTIME_DIR="})
            replaced = replaced || entry.rfind(name, 0) == 0;
        if (!replaced) environment.push_back(entry);
    }
    environment.push_back("HOME=" + sandbox.home.string());
    environment.push_back("XDG_CONFIG_HOME=" + sandbox.config.string());
    environment.push_back("XDG_DATA_HOME=" + sandbox.data.string());
    environment.push_back("XDG_RUNTIME_DIR=" + sandbox.runtime.string());

    const XServer x(sandbox);
    if (x.display.empty()) fail("no X server: " + x.describe());

    std::printf("KavrinetUI %s\non Xvfb %s (%dx%dx24), load before: %s", options.app.c_str(), x.display.c_str(),
                agenttest::kScreenWidth, agenttest::kScreenHeight, TemporaryFolder::readFile("/proc/loadavg").c_str());
    for (const int devices : options.devices) {
        std::vector<double> run, ticks, wall;
        for (int i = 0; i < options.starts; ++i) {
            const StartFigures f = measureStart(options, environment, x, devices);
            run.push_back(f.runMs);
            ticks.push_back(f.tickMs);
            wall.push_back(f.wallMs);
        }
        if (options.starts > 0)
            std::printf("\n%d devices: start to the first window mapped, median of %d: CPU %.1f ms (utime+stime "
                        "%.0f ms), wall %.1f ms; CPU min %.1f max %.1f\n",
                        devices, options.starts, median(run), median(ticks), median(wall),
                        *std::min_element(run.begin(), run.end()), *std::max_element(run.begin(), run.end()));
        if (options.seconds <= 0) continue;
        const LoadFigures load = measureLoad(options, environment, x, devices);
        const auto rate = [&](long long count) { return static_cast<double>(count) / load.seconds; };
        const auto percent = [&](double seconds) { return seconds / load.seconds * 100; };
        std::printf("%d devices, quick view open, 1 state/s, %.0f s: %.2f wake-ups/s (%.2f voluntary + %.2f "
                    "involuntary), %.3f %% of a core (utime+stime %.2f %%)\n",
                    devices, load.seconds, rate(load.total.voluntary + load.total.involuntary),
                    rate(load.total.voluntary), rate(load.total.involuntary), percent(load.total.runSeconds),
                    percent(load.tickSeconds));
        for (const auto& [name, thread] : load.threads)
            std::printf("    thread %-24s %6.2f + %5.2f wake-ups/s %7.3f %%\n", name.c_str(), rate(thread.voluntary),
                        rate(thread.involuntary), percent(thread.runSeconds));
    }
    std::printf("load after: %s", TemporaryFolder::readFile("/proc/loadavg").c_str());
}

}  // namespace

int main(int argc, char** argv) {
    try {
        const Options options = parse(argc, argv);
        // A desktop has a session bus, and Qt talks to it at start: without one, run on a private one.
        if (!std::getenv("DBUS_SESSION_BUS_ADDRESS")) {
            std::vector<char*> again{const_cast<char*>("dbus-run-session"), const_cast<char*>("--")};
            for (int i = 0; i < argc; ++i) again.push_back(argv[i]);
            again.push_back(nullptr);
            ::execvp(again[0], again.data());
            fail("no session bus, and dbus-run-session cannot be started");
        }
        std::signal(SIGPIPE, SIG_IGN);
        measure(options);
        return 0;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "KavrinetUILoad: %s\n", error.what());
        return 1;
    }
}

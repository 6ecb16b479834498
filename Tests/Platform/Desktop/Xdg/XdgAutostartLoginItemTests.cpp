#include <gtest/gtest.h>

#include <fcntl.h>
#include <locale.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

#include "Doubles/CapturingLogSink.h"
#include "Platform/Desktop/Xdg/DesktopEntry.h"
#include "Platform/Desktop/Xdg/XdgAutostartLoginItem.h"
#include "Platform/Foundation/TemporaryFolder.h"

extern char** environ;

using namespace platform;
namespace fs = std::filesystem;

namespace {

constexpr const char* kIdentifier = "local.mirosal.Kavrinet";

// A home with its own XDG_CONFIG_HOME and an executable standing in for this program.
class LoginItemTest : public testing::Test {
protected:
    TemporaryFolder home;
    fs::path config = home / "config";
    fs::path executable = home / "Kavrinet.app" / "Contents" / "MacOS" / "Kavrinet";
    std::optional<fs::path> reportedExecutable = executable;
    std::map<std::string, std::string> environment{{"XDG_CONFIG_HOME", config.string()}};
    std::vector<std::vector<std::string>> started;
    std::shared_ptr<CapturingLogSink> log = std::make_shared<CapturingLogSink>();

    void SetUp() override { install(KAVRINET_LAUNCH_PROBE, executable); }

    static void install(const fs::path& from, const fs::path& to) {
        fs::create_directories(to.parent_path());
        fs::copy_file(from, to, fs::copy_options::overwrite_existing);
    }

    XdgAutostartLoginItem registry(std::string identifier = kIdentifier) {
        XdgAutostartLoginItem::Seams seams;
        seams.executablePath = [this] { return reportedExecutable; };
        seams.environment = [this](const std::string& name) -> std::optional<std::string> {
            auto found = environment.find(name);
            if (found == environment.end()) return std::nullopt;
            return found->second;
        };
        seams.startProcess = [this](const std::vector<std::string>& arguments) -> std::optional<std::string> {
            started.push_back(arguments);
            return std::nullopt;
        };
        return XdgAutostartLoginItem(std::move(identifier), seams, Logger("test", "LoginItem", log));
    }

    fs::path entry() const { return config / "autostart" / (std::string(kIdentifier) + ".desktop"); }
    void writeEntry(const std::string& contents) {
        fs::create_directories(entry().parent_path());
        TemporaryFolder::writeFile(entry(), contents);
    }
};

std::string golden(const std::string& path, const std::string& quotedPath) {
    return "[Desktop Entry]\n"
           "Type=Application\n"
           "Name=Kavrinet\n"
           "TryExec=" +
           path +
           "\n"
           "Exec=env KAVRINET_LAUNCH_EVENT=aevt/oapp/lgit " +
           quotedPath +
           "\n"
           "Terminal=false\n"
           "NoDisplay=true\n";
}

// Runs an argument list as a desktop's session would, and returns what it printed.
std::string run(const std::vector<std::string>& arguments) {
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0) return "pipe failed";
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, ends[1], STDOUT_FILENO);
    std::vector<char*> argv;
    for (const auto& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    pid_t child = 0;
    const int error = posix_spawnp(&child, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(ends[1]);
    std::string output;
    char buffer[256];
    for (ssize_t n; error == 0 && (n = ::read(ends[0], buffer, sizeof buffer)) > 0;) output.append(buffer, static_cast<std::size_t>(n));
    ::close(ends[0]);
    if (error != 0) return "not started";
    int status = 0;
    ::waitpid(child, &status, 0);
    return output;
}

// Korean locales of the test's own, in UTF-8 and in EUC-KR, built from Debian's locales sources
// (their messages come from libc-l10n): the folder for LOCPATH, or none without them.
std::optional<fs::path> koreanLocales() {
    static TemporaryFolder folder;
    static const bool built = [] {
        for (const char* charset : {"UTF-8", "EUC-KR"}) {
            const fs::path locale = folder / (std::string("ko_KR.") + charset);
            run({"localedef", "--no-archive", "-i", "ko_KR", "-f", charset, locale});
            if (!fs::exists(locale / "LC_MESSAGES")) return false;
        }
        return true;
    }();
    return built ? std::optional(folder.path()) : std::nullopt;
}

}  // namespace

TEST_F(LoginItemTest, RegisteringWritesTheEntryThatStartsThisProgramAsALoginItem) {
    auto item = registry();
    EXPECT_EQ(item.status(), LoginItemRegistry::notRegistered);
    EXPECT_EQ(item.registerMainApp(), std::nullopt);
    EXPECT_EQ(TemporaryFolder::readFile(entry()), golden(executable.string(), "\"" + executable.string() + "\""));
    EXPECT_EQ(item.status(), LoginItemRegistry::enabled);

    EXPECT_EQ(item.unregisterMainApp(), std::nullopt);
    EXPECT_FALSE(fs::exists(entry()));
    EXPECT_EQ(item.status(), LoginItemRegistry::notRegistered);
    EXPECT_EQ(item.unregisterMainApp(), std::nullopt);  // absent already
}

// The Exec line is run for real: `env` sets the marker, and the probe's launch-event reading sees it.
TEST_F(LoginItemTest, AnAwkwardPathSurvivesTheExecLineAndTheMarkerReachesTheProgram) {
    executable = home / "My Apps 100% \"q\" $HOME `x` back\\slash" / "Kavrinet";
    reportedExecutable = executable;
    install(KAVRINET_LAUNCH_PROBE, executable);
    auto item = registry();
    ASSERT_EQ(item.registerMainApp(), std::nullopt);
    EXPECT_EQ(TemporaryFolder::readFile(entry()),
              golden(home.path().string() + R"(/My Apps 100% "q" $HOME `x` back\\slash/Kavrinet)",
                     "\"" + home.path().string() + R"(/My Apps 100%% \\"q\\" \\$HOME \\`x\\` back\\\\slash/Kavrinet")"));
    EXPECT_EQ(item.status(), LoginItemRegistry::enabled);

    auto parsed = parseDesktopEntry(TemporaryFolder::readFile(entry()));
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->string("TryExec"), executable.string());
    auto exec = splitExecLine(*parsed->string("Exec"));
    ASSERT_TRUE(exec);
    EXPECT_EQ(exec->back(), executable.string());
    EXPECT_EQ(run(*exec), "aevt/oapp/lgit\n");
}

TEST_F(LoginItemTest, StatusFollowsTheEntryOnDisk) {
    const std::string ours = XdgAutostartLoginItem::entryContents(executable);
    const fs::path link = home / "link-to-Kavrinet";
    fs::create_symlink(executable, link);
    struct Case {
        const char* what;
        std::optional<std::string> contents;  // absent: a folder in the entry's place
        std::int64_t expected;
    };
    const Case cases[] = {
        {"our entry", ours, LoginItemRegistry::enabled},
        {"our entry through a symbolic link", XdgAutostartLoginItem::entryContents(link), LoginItemRegistry::enabled},
        {"written before TryExec",
         "[Desktop Entry]\nType=Application\nName=Kavrinet\nExec=env KAVRINET_LAUNCH_EVENT=aevt/oapp/lgit \"" +
             executable.string() + "\"\nTerminal=false\nNoDisplay=true\n",
         LoginItemRegistry::enabled},
        {"hidden by the desktop", ours + "Hidden=true\n", LoginItemRegistry::requiresApproval},
        {"switched off in GNOME", ours + "X-GNOME-Autostart-enabled=false\n", LoginItemRegistry::requiresApproval},
        {"explicitly shown", ours + "Hidden=false\nX-GNOME-Autostart-enabled=true\n", LoginItemRegistry::enabled},
        {"a program that is gone", XdgAutostartLoginItem::entryContents(home / "old" / "Kavrinet"),
         LoginItemRegistry::notFound},
        {"another program", XdgAutostartLoginItem::entryContents("/bin/sh"), XdgAutostartLoginItem::unknownStatus},
        {"a relative program", "[Desktop Entry]\nExec=Kavrinet\n", XdgAutostartLoginItem::unknownStatus},
        {"no Exec", "[Desktop Entry]\nName=Kavrinet\n", XdgAutostartLoginItem::unknownStatus},
        {"not an entry", "garbage", XdgAutostartLoginItem::unknownStatus},
        {"a folder", std::nullopt, XdgAutostartLoginItem::unknownStatus},
    };
    auto item = registry();
    for (const Case& c : cases) {
        fs::remove_all(entry());
        if (c.contents)
            writeEntry(*c.contents);
        else
            fs::create_directories(entry());
        EXPECT_EQ(item.status(), c.expected) << c.what;
    }
}

TEST_F(LoginItemTest, AMovedProgramIsNotFoundUntilRegisteredAgain) {
    auto item = registry();
    ASSERT_EQ(item.registerMainApp(), std::nullopt);
    const fs::path moved = home / "Elsewhere.app" / "Contents" / "MacOS" / "Kavrinet";
    fs::create_directories(moved.parent_path());
    fs::rename(executable, moved);
    reportedExecutable = moved;
    EXPECT_EQ(item.status(), LoginItemRegistry::notFound);
    ASSERT_EQ(item.registerMainApp(), std::nullopt);
    EXPECT_EQ(item.status(), LoginItemRegistry::enabled);

    reportedExecutable = std::nullopt;  // this program's path cannot be told
    EXPECT_EQ(item.status(), LoginItemRegistry::notFound);
    EXPECT_EQ(item.registerMainApp(), std::optional<std::string>("이 프로그램의 경로를 확인하지 못했습니다"));
}

TEST_F(LoginItemTest, RegisteringADisabledEntryRewritesItWithoutTheDesktopsSwitches) {
    writeEntry(XdgAutostartLoginItem::entryContents(executable) + "Hidden=true\nX-GNOME-Autostart-enabled=false\n");
    auto item = registry();
    EXPECT_EQ(item.status(), LoginItemRegistry::requiresApproval);
    ASSERT_EQ(item.registerMainApp(), std::nullopt);
    EXPECT_EQ(TemporaryFolder::readFile(entry()), XdgAutostartLoginItem::entryContents(executable));
    EXPECT_EQ(item.status(), LoginItemRegistry::enabled);
}

// What failed in our words, why in the C library's, both in the user's language: the locale of
// LC_ALL, else LC_MESSAGES, else LANG of the environment, whatever the process's locale is.
TEST_F(LoginItemTest, FailuresSayWhatFailedAndWhyInTheUsersLanguage) {
#if defined(__SANITIZE_ADDRESS__)
    __lsan::ScopedDisabler keptLocales;  // the C library keeps every locale it loads for good
#endif
    const auto locales = koreanLocales();
    if (locales) ::setenv("LOCPATH", locales->c_str(), 1);
    // This thread in a locale of another character set, as a program that ran setlocale there, and
    // the C library's message already made in it: the text is UTF-8 all the same.
    const locale_t eucKR = locales ? ::newlocale(LC_ALL_MASK, "ko_KR.EUC-KR", locale_t{}) : locale_t{};
    if (eucKR) {
        ::uselocale(eucKR);
        (void)std::generic_category().message(ENOTDIR);
    }
    fs::create_directories(entry() / "inside");  // a folder with content where the entry belongs
    auto item = registry();
    EXPECT_EQ(item.unregisterMainApp(), std::optional<std::string>("로그인 항목을 해제하지 못했습니다: Is a directory"));
    fs::remove_all(config);
    TemporaryFolder::writeFile(config, "a file where the configuration folder belongs");
    const std::string english = "Not a directory", korean = locales ? "디렉터리가 아닙니다" : english;
    for (const auto& [locale, cause] : std::vector<std::pair<std::map<std::string, std::string>, std::string>>{
             {{}, english}, {{{"LANG", "ko_KR.UTF-8"}}, korean}, {{{"LANG", "ko_KR.UTF-8"}, {"LC_MESSAGES", "C"}}, english},
             {{{"LC_ALL", "ko_KR.UTF-8"}, {"LC_MESSAGES", "C"}}, korean}, {{{"LANG", "xx_NOWHERE.UTF-8"}}, english},
             {{{"LANG", "ko_KR.EUC-KR"}}, korean}, {{{"LC_MESSAGES", "ko_KR.EUC-KR"}}, korean}}) {
        environment = locale;
        environment["XDG_CONFIG_HOME"] = config.string();
        EXPECT_EQ(item.registerMainApp(), "로그인 항목을 등록하지 못했습니다: " + cause);
    }
    if (eucKR) {
        ::uselocale(LC_GLOBAL_LOCALE);
        ::freelocale(eucKR);
    }
    ::unsetenv("LOCPATH");
    EXPECT_EQ(item.status(), LoginItemRegistry::notRegistered);
    environment.clear();  // no XDG_CONFIG_HOME and no HOME
    EXPECT_EQ(item.registerMainApp(), "설정 폴더를 찾지 못했습니다: XDG_CONFIG_HOME과 HOME이 절대 경로가 아닙니다");
    EXPECT_EQ(item.status(), XdgAutostartLoginItem::unknownStatus);
    EXPECT_EQ(registry("../escape").registerMainApp(), "앱 식별자를 파일 이름으로 쓸 수 없습니다");
    if (!locales) GTEST_SKIP() << "no Korean locales could be built, in UTF-8 and EUC-KR (Debian's locales and libc-l10n)";
}

TEST_F(LoginItemTest, OpeningTheSettingsShowsTheAutostartFolder) {
    auto item = registry();
    item.openLoginItemsSettings();
    ASSERT_EQ(started.size(), 1u);
    EXPECT_EQ(started[0], (std::vector<std::string>{"xdg-open", (config / "autostart").string()}));
    EXPECT_TRUE(fs::is_directory(config / "autostart"));
}

// The programs as a user gets them from this build folder: installed and opened from their desktop entry, and packed.
#include <gtest/gtest.h>
#include <set>
#include <sstream>
#include "Platform/Desktop/DesktopEntry.h"
#include "Quentrel/App/Agent/DesktopSupport.h"

using agenttest::capture;
#define BUNDLE "lib/kavrinet/Kavrinet.app/Contents/"
constexpr char kAgent[] = BUNDLE "MacOS/Kavrinet";
const std::set<std::string> kTree = {
    "bin/kavrinet", kAgent, BUNDLE "Info.plist", BUNDLE "Helpers/KavrinetUI.app/Contents/Info.plist",
    BUNDLE "Helpers/KavrinetUI.app/Contents/MacOS/KavrinetUI", "share/applications/local.mirosal.Kavrinet.desktop",
    "share/icons/hicolor/scalable/apps/local.mirosal.Kavrinet.svg"};

std::set<std::string> filesUnder(const std::filesystem::path& root) {  // files and links, relative to root
    std::istringstream lines(capture("cd '" + root.string() + "' && find . ! -type d -printf '%P\\n'"));
    std::set<std::string> files;
    for (std::string line; std::getline(lines, line);) files.insert(line);
    return files;
}

TEST(Installation, TheEntryOfAnInstallUnderAnyPrefixStartsTheInstalledAgentWhichShowsItsWelcome) {
    REQUIRE_PROGRAMS("Xvfb", "xdotool", "xwininfo", "gio", "desktop-file-validate", "dbus-send");
    agenttest::AgentSandbox sandbox;
    const std::filesystem::path prefix = sandbox.root / "a prefix";  // a blank, quoted on the Exec line
    const std::string entry = (prefix / "share/applications/local.mirosal.Kavrinet.desktop").string();
    ASSERT_EQ(capture("'" KAVRINET_CMAKE "' --install '" KAVRINET_BUILD_DIR "' --prefix '" + prefix.string() +
                      "' >/dev/null; echo $?"), "0\n");
    EXPECT_EQ(filesUnder(prefix), kTree);
    EXPECT_EQ(capture("desktop-file-validate '" + entry + "' 2>&1"), "");

    agenttest::XServer x(sandbox);
    auto env = agenttest::onDisplay(sandbox, x, std::nullopt);
    env["XDG_DATA_DIRS"] = (prefix / "share").string();
    agenttest::ChildProcess gio(agenttest::which("gio"), {"launch", entry}, env, sandbox.root / "gio.err");
    EXPECT_EQ(gio.waitForExit(), 0) << gio.standardError();
    std::optional<agenttest::XWindow> welcome;
    EXPECT_TRUE(agenttest::waitUntil(
        [&] { return !!(welcome = agenttest::viewableWindow(x, "^KavrinetUI$", "Kavrinet 시작하기")); }));
    // The window belongs to the entry it was opened from (its class is the entry's StartupWMClass)
    // and shows the application's icon (the first image of _NET_WM_ICON: width, height, pixels).
    if (welcome) {
        const auto parsed = platform::parseDesktopEntry(TemporaryFolder::readFile(entry));
        ASSERT_TRUE(parsed);
        const auto property = [&](xcb_atom_t name, xcb_atom_t type) {
            return agenttest::detail::property(
                x.connection(), agenttest::detail::askProperty(x.connection(), std::stoul(welcome->id), name, type));
        };
        EXPECT_EQ(property(XCB_ATOM_WM_CLASS, XCB_ATOM_STRING),
                  std::string("KavrinetUI\0", 11) + parsed->string("StartupWMClass").value_or("?") + '\0');
        const std::string icon = property(agenttest::detail::atom(x.connection(), "_NET_WM_ICON"), XCB_ATOM_CARDINAL);
        ASSERT_GE(icon.size(), 2 * sizeof(std::uint32_t));
        EXPECT_GT(reinterpret_cast<const std::uint32_t*>(icon.data())[0], 0u);
    }
    // The agent on the bus runs from the installed bundle, which is what its login item names; then it ends.
    EXPECT_EQ(capture("pid=$(dbus-send --session --print-reply --dest=org.freedesktop.DBus / org.freedesktop.DBus."
                      "GetConnectionUnixProcessID string:local.mirosal.Kavrinet | awk '/uint32/ {print $2}') && "
                      "readlink /proc/$pid/exe && kill $pid"), (prefix / kAgent).string() + "\n");
    EXPECT_TRUE(agenttest::waitUntil([] { return !agenttest::busNameOwned("local.mirosal.Kavrinet"); }));
    EXPECT_EQ(std::system(("'" KAVRINET_SOURCE_DIR "/scripts/uninstall.sh' '" + prefix.string() +
                           "' '" KAVRINET_BUILD_DIR "'").c_str()),
              0);
    EXPECT_EQ(filesUnder(prefix), std::set<std::string>{});
}

TEST(Installation, TheDebianPackageHoldsTheSameTreeUnderUsrAndDependsOnTheLibrariesOfThePrograms) {
    REQUIRE_PROGRAMS("dpkg-deb", "dpkg-shlibdeps");
    TemporaryFolder folder;
    const std::string deb = "kavrinet_" KAVRINET_VERSION "_$(dpkg --print-architecture).deb";
    const std::string made = capture("cd '" + folder.path().string() + "' && '" KAVRINET_CPACK "' -G DEB --config '"
                                     KAVRINET_BUILD_DIR "/CPackConfig.cmake' >/dev/null && dpkg-deb -x " + deb +
                                     " tree && grep ^Exec= tree/usr/share/applications/* && dpkg-deb -f " + deb + " Depends");
    EXPECT_EQ(filesUnder(folder / "tree/usr"), kTree);
    EXPECT_TRUE(made.starts_with("Exec=/usr/bin/kavrinet\n")) << made;  // the final prefix, not the staging one
    for (const char* library : {"libc6 (", "libqt6widgets6 (", "libqt6dbus6 (", "libqt6svg6 (", "libudev1 ("})
        EXPECT_NE(made.find(library), std::string::npos) << made;
}

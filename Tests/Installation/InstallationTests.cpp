// The programs as a user gets them from this build folder: installed and opened from their desktop entry, and packed.
#include <gtest/gtest.h>
#include <QImage>
#include <set>
#include <sstream>
#include "Platform/Desktop/Xdg/DesktopEntry.h"
#include "Platform/Desktop/Xdg/XdgAutostartLoginItem.h"
#include "Quentrel/App/Agent/DesktopSupport.h"

using agenttest::capture;
#define BUNDLE "lib/kavrinet/Kavrinet.app/Contents/"
#define ICONS "share/icons/hicolor/"
constexpr char kAgent[] = BUNDLE "MacOS/Kavrinet";
constexpr char kEntry[] = "share/applications/local.mirosal.Kavrinet.desktop";
constexpr char kMetainfo[] = "share/metainfo/local.mirosal.Kavrinet.metainfo.xml";
constexpr int kIconSizes[] = {48, 64, 128, 256};
constexpr char kManifest[] = "share/kavrinet/install-manifest.txt";
const std::set<std::string> kTree = {
    "bin/kavrinet", kAgent, BUNDLE "Info.plist", BUNDLE "Helpers/KavrinetUI.app/Contents/Info.plist",
    BUNDLE "Helpers/KavrinetUI.app/Contents/MacOS/KavrinetUI", kEntry, kMetainfo,
    ICONS "scalable/apps/local.mirosal.Kavrinet.svg", ICONS "48x48/apps/local.mirosal.Kavrinet.png",
    ICONS "64x64/apps/local.mirosal.Kavrinet.png", ICONS "128x128/apps/local.mirosal.Kavrinet.png",
    ICONS "256x256/apps/local.mirosal.Kavrinet.png", "share/man/man1/kavrinet.1.gz", "share/doc/kavrinet/copyright",
    "share/doc/kavrinet/changelog.gz"};

// The mode Debian wants for an entry of that type ("ls -l"'s first letter) and name: folders and
// programs 0755, every other file 0644.
std::string debianMode(char type, const std::string& name) {
    if (type != '-') return type == 'd' ? "drwxr-xr-x" : "lrwxrwxrwx";
    return name.ends_with("MacOS/Kavrinet") || name.ends_with("MacOS/KavrinetUI") ? "-rwxr-xr-x" : "-rw-r--r--";
}

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
    const std::string entry = (prefix / kEntry).string();
    ASSERT_EQ(capture("umask 027 && '" KAVRINET_CMAKE "' --install '" KAVRINET_BUILD_DIR "' --prefix '" +
                      prefix.string() + "' >/dev/null; echo $?"), "0\n");
    auto installed = kTree;
    installed.insert(kManifest);
    EXPECT_EQ(filesUnder(prefix), installed);
    std::istringstream modes(capture("cd '" + prefix.string() + "' && find . -mindepth 1 -printf '%M %p\\n'"));
    for (std::string mode, name; modes >> mode >> name;) EXPECT_EQ(mode, debianMode(mode[0], name)) << name;
    // The login item the installed agent writes is the other entry a desktop reads.
    const std::filesystem::path loginItem = sandbox.root / "local.mirosal.Kavrinet.desktop";
    TemporaryFolder::writeFile(loginItem, platform::XdgAutostartLoginItem::entryContents(prefix / kAgent));
    EXPECT_EQ(capture("desktop-file-validate '" + entry + "' '" + loginItem.string() + "' 2>&1"), "");

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
        const auto id = static_cast<xcb_window_t>(std::stoul(welcome->id));
        EXPECT_EQ(agenttest::detail::property(x.connection(), agenttest::detail::askProperty(
                                                                  x.connection(), id, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING)),
                  std::string("KavrinetUI\0", 11) + parsed->string("StartupWMClass").value_or("?") + '\0');
        const auto icon = agenttest::cardinals(x, id, "_NET_WM_ICON");
        EXPECT_TRUE(icon.size() >= 2 && icon[0] > 0);
    }
    // The agent on the bus runs from the installed bundle, which is what its login item names; then it ends.
    EXPECT_EQ(capture("pid=$(dbus-send --session --print-reply --dest=org.freedesktop.DBus / org.freedesktop.DBus."
                      "GetConnectionUnixProcessID string:local.mirosal.Kavrinet | awk '/uint32/ {print $2}') && "
                      "readlink /proc/$pid/exe && kill $pid"), (prefix / kAgent).string() + "\n");
    EXPECT_TRUE(agenttest::waitUntil([] { return !agenttest::busNameOwned("local.mirosal.Kavrinet"); }));
    // A package made from the same build folder leaves the install's list alone.
    const std::string package = (sandbox.root / "package").string();
    EXPECT_EQ(capture("mkdir '" + package + "' && cd '" + package + "' && '" KAVRINET_CPACK "' -G DEB --config '"
                      KAVRINET_BUILD_DIR "/CPackConfig.cmake' >/dev/null; echo $?"), "0\n");
    EXPECT_EQ(std::system(("'" KAVRINET_SOURCE_DIR "/scripts/uninstall.sh' '" + prefix.string() + "'").c_str()), 0);
    EXPECT_EQ(filesUnder(prefix), std::set<std::string>{});
}

// What a Debian maintainer checks: lintian, the metainfo software centres read, a Korean font
// among the dependencies, and icons of the sizes their folders name.
TEST(Installation, TheDebianPackageHoldsTheSameTreeUnderUsrAndPassesTheChecksOfADebianMaintainer) {
    REQUIRE_PROGRAMS("dpkg-deb", "dpkg-shlibdeps", "lintian", "appstreamcli");
    TemporaryFolder folder;
    const std::string deb = "kavrinet_" KAVRINET_VERSION "_$(dpkg --print-architecture).deb";
    const std::string made = capture("cd '" + folder.path().string() + "' && umask 027 && env -u SOURCE_DATE_EPOCH '"
                                     KAVRINET_CPACK "' -G DEB --config '"
                                     KAVRINET_BUILD_DIR "/CPackConfig.cmake' >/dev/null && dpkg-deb -x " + deb +
                                     " tree && grep ^Exec= tree/usr/share/applications/* && dpkg-deb -f " + deb + " Depends");
    EXPECT_EQ(filesUnder(folder / "tree/usr"), kTree);
    EXPECT_TRUE(made.starts_with("Exec=/usr/bin/kavrinet\n")) << made;  // the final prefix, not the staging one
    for (const char* dependency :
         {"fonts-nanum | fonts-noto-cjk", "libc6 (", "libqt6widgets6 (", "libqt6dbus6 (", "libqt6svg6 (", "libudev1 ("})
        EXPECT_NE(made.find(dependency), std::string::npos) << made;
    // Every entry of both archives, packed under a restrictive umask: the mode Debian wants, root's,
    // at the time of the source's last commit.
    std::string commit = capture("TZ=UTC0 date -d @$(git -C '" KAVRINET_SOURCE_DIR "' log -1 --format=%ct) '+%F %T'");
    commit.pop_back();
    std::istringstream entries(capture("cd '" + folder.path().string() + "' && for part in --ctrl-tarfile "
                                       "--fsys-tarfile; do dpkg-deb $part " + deb +
                                       " | TZ=UTC0 tar -tv --full-time --numeric-owner; done"));
    std::size_t count = 0;
    for (std::string mode, owner, size, day, time, name; entries >> mode >> owner >> size >> day >> time >> name;
         ++count) {
        EXPECT_EQ(mode + " " + owner + " " + day + " " + time, debianMode(mode[0], name) + " 0/0 " + commit)
            << name;
        entries.ignore(std::numeric_limits<std::streamsize>::max(), '\n');  // a link's "-> target"
    }
    EXPECT_GT(count, kTree.size());
    for (const int size : kIconSizes) {
        const std::string side = std::to_string(size);
        EXPECT_EQ(QImage(QString::fromStdString((folder / "tree/usr/" ICONS).string() + side + "x" + side +
                                                "/apps/local.mirosal.Kavrinet.png")).size(), QSize(size, size));
    }
    // The only errors: the default maintainer's address, which has no mail domain, in the
    // Maintainer field and in the changelog; whoever publishes the package sets a real one.
    EXPECT_EQ(capture("cd '" + folder.path().string() + "' && lintian --tag-display-limit 0 " + deb +
                      " 2>/dev/null | sed 's/ (for version.*//'"),
              "E: kavrinet: bogus-mail-host Maintainer maintainers@mirosal.local\n"
              "E: kavrinet: bogus-mail-host-in-debian-changelog maintainers@mirosal.local\n");
    // Status 0: no error and no warning (remarks may remain).
    EXPECT_EQ(capture("appstreamcli validate --no-net '" + (folder / "tree/usr" / kMetainfo).string() +
                      "' >/dev/null 2>&1; echo $?"),
              "0\n");
}

// The install and the package build only the programs: their configuration asks for none of the
// tests' libraries, and in Release it compiles and links with Debian's hardening flags.
TEST(Installation, TheReleaseBuildOfAnInstallNeedsNoTestLibrariesAndIsHardened) {
    TemporaryFolder folder;
    const std::string build = (folder / "release").string();
    const std::string configured = capture(
        "'" KAVRINET_CMAKE "' -S '" KAVRINET_SOURCE_DIR "' -B '" + build + "' -G Ninja -DCMAKE_BUILD_TYPE=Release "
        "-DKAVRINET_TESTS=OFF -DKAVRINET_BENCHMARKS=OFF -DCMAKE_DISABLE_FIND_PACKAGE_Qt6Test=ON "
        "-DCMAKE_DISABLE_FIND_PACKAGE_GTest=ON -DCMAKE_DISABLE_FIND_PACKAGE_benchmark=ON "
        "-DCMAKE_DISABLE_FIND_PACKAGE_nlohmann_json=ON >/dev/null 2>&1; echo $?");
    ASSERT_EQ(configured, "0\n");
    const std::string commands = TemporaryFolder::readFile(build + "/compile_commands.json");
    for (const char* flag : {" -D_FORTIFY_SOURCE=2 ", " -fstack-protector-strong ", " -Werror=format-security "})
        EXPECT_NE(commands.find(flag), std::string::npos) << flag;
    EXPECT_NE(TemporaryFolder::readFile(build + "/build.ninja").find("-Wl,-z,relro -Wl,-z,now"), std::string::npos);
}

#include "Platform/Desktop/DBus/DesktopFileBrowser.h"

#include <sys/stat.h>

#include <csignal>
#include <cstdlib>
#include <optional>

#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusError>
#include <QObject>
#include <QTest>
#include <QUrl>
#include <gtest/gtest.h>

#include "Platform/Desktop/Qt/QtMainQueue.h"
#include "Platform/Foundation/TemporaryFolder.h"

using platform::DesktopFileBrowser;

namespace {

constexpr int waitMilliseconds = 10000;

// Mount paths a volume label can produce that a shell would misread.
const std::vector<std::pair<std::string, std::string>> hostilePaths = {
    {"/media/user/My Drive", "file:///media/user/My%20Drive"},
    {"/media/user/it's \"quoted\"", "file:///media/user/it%27s%20%22quoted%22"},
    {"/media/user/a;touch PWNED", "file:///media/user/a%3Btouch%20PWNED"},
    {"/media/user/$(touch PWNED)", "file:///media/user/%24%28touch%20PWNED%29"},
    {"/media/user/`touch PWNED`", "file:///media/user/%60touch%20PWNED%60"},
    {"/media/user/-rf --help", "file:///media/user/-rf%20--help"},
    {"/media/user/100% #1?&x=y", "file:///media/user/100%25%20%231%3F%26x%3Dy"},
    {"/media/user/백업 드라이브", "file:///media/user/%EB%B0%B1%EC%97%85%20%EB%93%9C%EB%9D%BC%EC%9D%B4%EB%B8%8C"},
    {"/media/user/line\nbreak\\tab\t", "file:///media/user/line%0Abreak%5Ctab%09"},
};

}  // namespace

// Stands in for the desktop's file manager on the private session bus and records its calls.
class FakeFileManager : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.FileManager1")

public:
    int calls = 0;
    QStringList uris;
    QString startupId;
    bool fails = false;

public slots:
    void ShowFolders(const QStringList& folderURIs, const QString& startup) {
        ++calls;
        uris = folderURIs;
        startupId = startup;
        if (fails) sendErrorReply(QDBusError::Failed, QStringLiteral("no window"));
    }
};

class DesktopFileBrowserTest : public testing::Test {
protected:
    void SetUp() override {
        const char* path = std::getenv("PATH");
        savedPath_ = path ? path : "";
        std::filesystem::create_directory(folder_ / "bin");
        // The fake opener records its arguments (NUL-terminated), its standard input and the
        // signals it ignores, then renames the record into place so a reader never sees half.
        const std::string log = (folder_ / "opener").string();
        TemporaryFolder::writeFile(folder_ / "bin" / "xdg-open",
                                   "#!/bin/sh\n"
                                   ": > '" + log + ".tmp'\n"
                                   "for a in \"$@\"; do printf '%s\\0' \"$a\" >> '" + log + ".tmp'; done\n"
                                   "readlink /proc/$$/fd/0 > '" + log + ".stdin'\n"
                                   "grep SigIgn /proc/$$/status > '" + log + ".signals'\n"
                                   "mv '" + log + ".tmp' '" + log + "'\n");
        ::chmod((folder_ / "bin" / "xdg-open").c_str(), 0755);
        ::setenv("PATH", ((folder_ / "bin").string() + ":" + savedPath_).c_str(), 1);
    }
    void TearDown() override {
        ::setenv("PATH", savedPath_.c_str(), 1);
        if (registered_) QDBusConnection::disconnectFromBus(QStringLiteral("fake-file-manager"));
    }

    void serveFileManager() {
        QDBusConnection bus = QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("fake-file-manager"));
        ASSERT_TRUE(bus.isConnected());
        ASSERT_TRUE(bus.registerObject(QStringLiteral("/org/freedesktop/FileManager1"), &fileManager_,
                                       QDBusConnection::ExportAllSlots));
        ASSERT_TRUE(bus.registerService(QStringLiteral("org.freedesktop.FileManager1")));
        registered_ = true;
    }

    // The answer of one openFolder, checking that it did not come inside the call.
    std::optional<bool> open(const std::string& path) {
        std::optional<bool> answer;
        browser_.openFolder(path, [&answer](bool opened) { answer = opened; });
        EXPECT_FALSE(answer.has_value()) << "answered inside the call";
        (void)QTest::qWaitFor([&] { return answer.has_value(); }, waitMilliseconds);
        return answer;
    }

    // The arguments the fake opener got, once it has run.
    std::optional<std::vector<std::string>> openerArguments() {
        const auto log = folder_ / "opener";
        if (!QTest::qWaitFor([&] { return std::filesystem::exists(log); }, waitMilliseconds)) return std::nullopt;
        std::string record = TemporaryFolder::readFile(log);
        std::filesystem::remove(log);
        std::vector<std::string> arguments;
        for (std::size_t start = 0, end; (end = record.find('\0', start)) != std::string::npos; start = end + 1)
            arguments.push_back(record.substr(start, end - start));
        return arguments;
    }

    TemporaryFolder folder_;
    FakeFileManager fileManager_;
    DesktopFileBrowser browser_{platform::QtMainQueue::make("test.main")};
    std::string savedPath_;
    bool registered_ = false;
};

TEST(FileURI, PercentEncodesEverythingButUnreservedAndSlash) {
    for (const auto& [path, uri] : hostilePaths) EXPECT_EQ(platform::fileURI(path), uri);
    EXPECT_EQ(platform::fileURI("/a-b.c_d~e/F9"), "file:///a-b.c_d~e/F9");
    EXPECT_EQ(platform::fileURI("/\xff\x80"), "file:///%FF%80");
}

TEST_F(DesktopFileBrowserTest, FileManagerGetsTheExactURIOfHostilePaths) {
    serveFileManager();
    for (const auto& [path, uri] : hostilePaths) {
        ASSERT_EQ(open(path), true) << path;
        ASSERT_EQ(fileManager_.uris.size(), 1) << path;
        EXPECT_EQ(fileManager_.uris.front().toStdString(), uri);
        // A standard decoder gives the path back unchanged.
        EXPECT_EQ(QUrl::fromEncoded(fileManager_.uris.front().toLatin1(), QUrl::StrictMode).toLocalFile().toStdString(),
                  path);
        EXPECT_EQ(fileManager_.startupId, QString());
    }
    EXPECT_EQ(fileManager_.calls, static_cast<int>(hostilePaths.size()));
    EXPECT_FALSE(std::filesystem::exists(folder_ / "opener"));
    EXPECT_FALSE(std::filesystem::exists("PWNED"));
}

TEST_F(DesktopFileBrowserTest, WithoutAFileManagerTheOpenerGetsThePathAsItsOneArgument) {
    // The opener must not inherit our ignored SIGPIPE.
    struct sigaction ignore {}, previous {};
    ignore.sa_handler = SIG_IGN;
    ::sigaction(SIGPIPE, &ignore, &previous);
    std::vector<std::pair<std::string, std::string>> paths = hostilePaths;
    paths.push_back({"/tmp/$(touch " + (folder_ / "PWNED").string() + ")", ""});
    for (const auto& [path, uri] : paths) {
        ASSERT_EQ(open(path), true) << path;
        auto arguments = openerArguments();
        ASSERT_TRUE(arguments) << path;
        EXPECT_EQ(*arguments, std::vector<std::string>{path});
        EXPECT_EQ(TemporaryFolder::readFile(folder_ / "opener.stdin"), "/dev/null\n");
        // "SigIgn:\t0000000000001000": a hexadecimal mask, bit n-1 for signal n.
        const std::string ignored = TemporaryFolder::readFile(folder_ / "opener.signals");
        const unsigned long long mask = std::stoull(ignored.substr(ignored.find_first_of("0123456789abcdef")), nullptr, 16);
        EXPECT_EQ(mask & (1ull << (SIGPIPE - 1)), 0u) << ignored;
    }
    ::sigaction(SIGPIPE, &previous, nullptr);
    EXPECT_FALSE(std::filesystem::exists(folder_ / "PWNED"));
    EXPECT_FALSE(std::filesystem::exists("PWNED"));
}

TEST_F(DesktopFileBrowserTest, AFailingFileManagerFallsBackToTheOpener) {
    serveFileManager();
    fileManager_.fails = true;
    ASSERT_EQ(open("/media/user/Work"), true);
    EXPECT_EQ(fileManager_.calls, 1);
    auto arguments = openerArguments();
    ASSERT_TRUE(arguments);
    EXPECT_EQ(*arguments, std::vector<std::string>{"/media/user/Work"});
}

TEST_F(DesktopFileBrowserTest, TheOpenerHasOpenedTheFolderOnlyWhenItExitsWithZero) {
    const struct {
        const char* script;
        bool opened;
    } cases[] = {{"exit 0", true}, {"sleep 0.2; exit 0", true}, {"exit 4", false}, {"kill -KILL $$", false}};
    for (const auto& c : cases) {
        TemporaryFolder::writeFile(folder_ / "bin" / "xdg-open", std::string("#!/bin/sh\n") + c.script + "\n");
        EXPECT_EQ(open("/media/user/Work"), c.opened) << c.script;
    }
}

TEST_F(DesktopFileBrowserTest, RelativePathsAndNULBytesAreRefusedLater) {
    serveFileManager();
    for (const std::string& path : {std::string(), std::string("media/user/Work"), std::string("-rf"),
                                   std::string("/media/user/a\0b", 15)})
        EXPECT_EQ(open(path), false) << path;
    EXPECT_EQ(fileManager_.calls, 0);
    EXPECT_FALSE(std::filesystem::exists(folder_ / "opener"));
}

TEST_F(DesktopFileBrowserTest, NoFileManagerAndNoOpenerFailsLater) {
    ::setenv("PATH", folder_.path().c_str(), 1);  // no opener there
    EXPECT_EQ(open("/media/user/Work"), false);
}

#include "DesktopFileBrowserTests.moc"

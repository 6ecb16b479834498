#include "DesktopFileBrowser.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>
#include <thread>

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QStringList>

extern char** environ;

namespace platform {

namespace {

constexpr const char* fileManagerService = "org.freedesktop.FileManager1";
constexpr const char* fileManagerPath = "/org/freedesktop/FileManager1";
constexpr const char* fileManagerInterface = "org.freedesktop.FileManager1";
constexpr const char* opener = "xdg-open";

void completeLater(FileBrowser::Completion completion, bool opened) {
    QMetaObject::invokeMethod(
        QCoreApplication::instance(), [completion = std::move(completion), opened] { completion(opened); },
        Qt::QueuedConnection);
}

// Starts the opener with an argument vector (never a shell): its input and output on /dev/null,
// SIGPIPE at its default (we ignore it), no signal blocked, in a session of its own. A thread
// waits for it so it leaves no zombie.
bool startOpener(const std::string& path) {
    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
    if (posix_spawn_file_actions_init(&actions) != 0) return false;
    if (posix_spawnattr_init(&attributes) != 0) {
        posix_spawn_file_actions_destroy(&actions);
        return false;
    }
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    sigset_t defaults, none;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    sigemptyset(&none);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setsigmask(&attributes, &none);
    short flags = POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK;
#ifdef POSIX_SPAWN_SETSID
    flags |= POSIX_SPAWN_SETSID;
#endif
    posix_spawnattr_setflags(&attributes, flags);

    std::string program = opener;
    std::string argument = path;
    char* argv[] = {program.data(), argument.data(), nullptr};
    pid_t pid = 0;
    const int error = posix_spawnp(&pid, opener, &actions, &attributes, argv, environ);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    if (error != 0) return false;

    std::thread([pid] {
        int status = 0;
        while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
    }).detach();
    return true;
}

}  // namespace

void DesktopFileBrowser::openFolder(const std::string& path, Completion completion) {
    if (path.empty() || path.front() != '/' || path.find('\0') != std::string::npos) {
        completeLater(std::move(completion), false);
        return;
    }

    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        completeLater(std::move(completion), startOpener(path));
        return;
    }

    QDBusMessage call = QDBusMessage::createMethodCall(QString::fromLatin1(fileManagerService),
                                                       QString::fromLatin1(fileManagerPath),
                                                       QString::fromLatin1(fileManagerInterface),
                                                       QStringLiteral("ShowFolders"));
    // The URI is ASCII by construction; the startup id stays empty.
    call << QStringList{QString::fromLatin1(fileURI(path))} << QString();
    // The watcher reports even an immediate failure through the event loop, so the completion
    // never runs inside this call.
    auto* watcher =
        new QDBusPendingCallWatcher(bus.asyncCall(call, replyTimeoutMilliseconds), QCoreApplication::instance());
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, watcher,
                     [path, completion = std::move(completion)](QDBusPendingCallWatcher* finished) {
                         finished->deleteLater();
                         // No file manager on the bus, or it failed: open the folder with the opener.
                         completion(!finished->isError() || startOpener(path));
                     });
}

}  // namespace platform

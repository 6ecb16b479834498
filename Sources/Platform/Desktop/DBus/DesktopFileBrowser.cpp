#include "DesktopFileBrowser.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QStringList>

#include "Platform/Desktop/Xdg/DetachedProcess.h"

namespace platform {

namespace {

constexpr const char* fileManagerService = "org.freedesktop.FileManager1";
constexpr const char* fileManagerPath = "/org/freedesktop/FileManager1";
constexpr const char* fileManagerInterface = "org.freedesktop.FileManager1";
constexpr const char* opener = "xdg-open";

// Runs the opener and completes with its outcome, later on the main queue.
void runOpener(const SerialQueuePtr& mainQueue, const std::string& path, FileBrowser::Completion completion) {
    auto complete = [completion = std::move(completion)](std::optional<int> exitStatus) {
        completion(exitStatus == 0);
    };
    // The opener gets the path as its one argument; nothing is run through a shell.
    if (startDetachedProcess({opener, path}, mainQueue, complete))
        mainQueue->async([complete] { complete(std::nullopt); });
}

}  // namespace

void DesktopFileBrowser::openFolder(const std::string& path, Completion completion) {
    if (path.empty() || path.front() != '/' || path.find('\0') != std::string::npos) {
        mainQueue_->async([completion = std::move(completion)] { completion(false); });
        return;
    }

    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        runOpener(mainQueue_, path, std::move(completion));
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
                     [mainQueue = mainQueue_, path,
                      completion = std::move(completion)](QDBusPendingCallWatcher* finished) {
                         finished->deleteLater();
                         // No file manager on the bus, or it failed: open the folder with the opener.
                         if (finished->isError())
                             runOpener(mainQueue, path, completion);
                         else
                             completion(true);
                     });
}

}  // namespace platform

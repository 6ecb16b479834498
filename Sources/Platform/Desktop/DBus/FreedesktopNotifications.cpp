#include "FreedesktopNotifications.h"

#include <QStringList>
#include <QVariantMap>

#include <deque>
#include <map>
#include <utility>

#include "DBusCalls.h"
#include "Platform/Desktop/DesktopIdentity.h"
#include "Platform/Desktop/DesktopLogging.h"

namespace platform {

namespace {

constexpr const char* kService = "org.freedesktop.Notifications";
constexpr const char* kPath = "/org/freedesktop/Notifications";
constexpr const char* kInterface = "org.freedesktop.Notifications";
constexpr const char* kAppName = "Kavrinet";
constexpr const char* kDefaultAction = "default";  // the action a click on the notification invokes
constexpr const char* kDefaultActionLabel = "열기";
constexpr const char* kSuppressSoundHint = "suppress-sound";
// Names our desktop entry, by which the server groups our notifications and keeps their settings.
constexpr const char* kDesktopEntryHint = "desktop-entry";
constexpr qint32 kServerDefaultExpiry = -1;
constexpr const char* kNoIdentifierAnswer = "The notification server answered without a notification id";

// Receives the server's ActionInvoked and NotificationClosed signals.
class NotificationSignalReceiver final : public QObject {
    Q_OBJECT
public:
    explicit NotificationSignalReceiver(std::weak_ptr<FreedesktopNotifications::Impl> impl) : impl_(std::move(impl)) {}

public slots:
    void onActionInvoked(uint id, const QString& actionKey, const QDBusMessage& message);
    void onNotificationClosed(uint id, uint reason, const QDBusMessage& message);

private:
    std::weak_ptr<FreedesktopNotifications::Impl> impl_;
};

}  // namespace

struct FreedesktopNotifications::Impl : std::enable_shared_from_this<Impl> {
    using StatusCompletion = std::function<void(std::int64_t)>;

    // One identifier of ours: the server's id for it, and posts waiting for an earlier one's answer
    // (without that answer there is no id to replace).
    struct Posted {
        quint32 serverID = 0;
        bool inFlight = false;
        std::deque<std::pair<Request, Completion>> waiting;
    };

    SerialQueuePtr mainQueue;
    Options options;
    Logger logger;
    enum class Bus { notTried, connected, unavailable } bus = Bus::notTried;
    QDBusConnection connection{QString()};
    QString connectionName;  // of a connection to options.busAddress
    std::string connectionError;
    std::unique_ptr<NotificationSignalReceiver> receiver;
    QString server;  // the unique bus name that answered the last Notify
    std::map<std::string, Posted> posted;
    std::map<quint32, std::string> identifiers;  // the server's id → ours
    std::function<void(const std::string&)> activationHandler;

    Impl(SerialQueuePtr queue, Options opts, Logger log)
        : mainQueue(std::move(queue)), options(std::move(opts)), logger(std::move(log)) {}

    ~Impl() {
        if (receiver) {
            connection.disconnect(QString(), kPath, kInterface, "ActionInvoked", receiver.get(),
                                  SLOT(onActionInvoked(uint, QString, QDBusMessage)));
            connection.disconnect(QString(), kPath, kInterface, "NotificationClosed", receiver.get(),
                                  SLOT(onNotificationClosed(uint, uint, QDBusMessage)));
            receiver.reset();
        }
        if (!connectionName.isEmpty()) QDBusConnection::disconnectFromBus(connectionName);
    }

    void post(std::function<void()> work) { mainQueue->async(std::move(work)); }

    // Connects at the first use; a bus that is not there is logged once and not tried again.
    bool connect() {
        if (bus != Bus::notTried) return bus == Bus::connected;
        connection = options.busAddress ? dbus::connectToAddress(*options.busAddress, "notifications", connectionName)
                                        : QDBusConnection::sessionBus();
        if (!connection.isConnected()) {
            bus = Bus::unavailable;
            connectionError = "No session bus: " + dbus::errorText(connection.lastError());
            logger.notice(connectionError);
            return false;
        }
        bus = Bus::connected;
        // Any sender may emit on this path; the slots keep only what the server sends.
        receiver = std::make_unique<NotificationSignalReceiver>(weak_from_this());
        const bool subscribed = connection.connect(QString(), kPath, kInterface, "ActionInvoked", receiver.get(),
                                                   SLOT(onActionInvoked(uint, QString, QDBusMessage))) &&
                                connection.connect(QString(), kPath, kInterface, "NotificationClosed", receiver.get(),
                                                   SLOT(onNotificationClosed(uint, uint, QDBusMessage)));
        if (!subscribed)
            logger.error("Notification signals not subscribed: " + dbus::errorText(connection.lastError()));
        return true;
    }

    void status(StatusCompletion completion) {
        if (!connect()) {
            post([completion = std::move(completion)] { completion(deniedStatus); });
            return;
        }
        QDBusMessage owned = dbus::busCall("NameHasOwner");
        owned << QString::fromLatin1(kService);
        dbus::callAsync(
            connection, owned, options.callTimeoutMilliseconds, nullptr,
            [self = shared_from_this(), completion = std::move(completion)](const QDBusMessage& reply) mutable {
                if (reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty() &&
                    reply.arguments().constFirst().toBool()) {
                    self->post([completion = std::move(completion)] { completion(authorisedStatus); });
                    return;
                }
                self->askActivatable(std::move(completion));
            });
    }

    void askActivatable(StatusCompletion completion) {
        dbus::callAsync(
            connection, dbus::busCall("ListActivatableNames"), options.callTimeoutMilliseconds, nullptr,
            [self = shared_from_this(), completion = std::move(completion)](const QDBusMessage& reply) mutable {
                const bool activatable = reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty() &&
                                         reply.arguments().constFirst().toStringList().contains(kService);
                self->post([completion = std::move(completion), activatable] {
                    completion(activatable ? authorisedStatus : deniedStatus);
                });
            });
    }

    void add(const Request& request, Completion completion) {
        if (!connect()) {
            post([completion = std::move(completion), error = connectionError] {
                if (completion) completion(error);
            });
            return;
        }
        Posted& entry = posted[request.identifier];
        if (entry.inFlight) {
            entry.waiting.emplace_back(request, std::move(completion));
            return;
        }
        send(request, std::move(completion));
    }

    void send(const Request& request, Completion completion) {
        Posted& entry = posted[request.identifier];
        entry.inFlight = true;
        QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kInterface, "Notify");
        // The icon by its name: for an empty one GNOME Shell shows its generic icon, whatever entry
        // the hint names.
        call << QString::fromLatin1(kAppName) << entry.serverID << QString::fromLatin1(applicationIconName)
             << QString::fromStdString(request.title) << QString::fromStdString(request.body)
             << QStringList{QString::fromLatin1(kDefaultAction), QString::fromUtf8(kDefaultActionLabel)}
             << QVariantMap{{QString::fromLatin1(kSuppressSoundHint), true},
                            {QString::fromLatin1(kDesktopEntryHint), QString::fromLatin1(desktopEntryName)}}
             << kServerDefaultExpiry;
        dbus::callAsync(
            connection, call, options.callTimeoutMilliseconds, nullptr,
            [self = shared_from_this(), identifier = request.identifier, completion = std::move(completion)](
                const QDBusMessage& reply) mutable { self->answered(identifier, reply, std::move(completion)); });
    }

    void answered(const std::string& identifier, const QDBusMessage& reply, Completion completion) {
        std::optional<std::string> error;
        if (reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty()) {
            remember(identifier, reply.arguments().constFirst().toUInt(), reply.service());
        } else {
            error =
                reply.type() == QDBusMessage::ErrorMessage ? dbus::errorText(reply) : std::string(kNoIdentifierAnswer);
        }
        post([completion = std::move(completion), error = std::move(error)] {
            if (completion) completion(error);
        });

        Posted& entry = posted[identifier];
        entry.inFlight = false;
        if (!entry.waiting.empty()) {
            auto next = std::move(entry.waiting.front());
            entry.waiting.pop_front();
            send(next.first, std::move(next.second));
        }
    }

    void remember(const std::string& identifier, quint32 id, const QString& sender) {
        if (sender != server) {
            // Another server (a restart, say): the ids of the last one mean nothing to it.
            server = sender;
            identifiers.clear();
            for (auto& [ours, entry] : posted) entry.serverID = 0;
        }
        Posted& entry = posted[identifier];
        if (entry.serverID != 0 && entry.serverID != id) identifiers.erase(entry.serverID);
        if (auto taken = identifiers.find(id); taken != identifiers.end() && taken->second != identifier)
            posted[taken->second].serverID = 0;  // the server reused an id whose closing we missed
        entry.serverID = id;
        identifiers[id] = identifier;
    }

    void actionInvoked(quint32 id, const QString& actionKey, const QString& sender) {
        if (server.isEmpty() || sender != server || actionKey != QLatin1String(kDefaultAction)) return;
        auto found = identifiers.find(id);
        if (found == identifiers.end() || !activationHandler) return;
        post([handler = activationHandler, identifier = found->second] { handler(identifier); });
    }

    void closed(quint32 id, const QString& sender) {
        if (server.isEmpty() || sender != server) return;
        auto found = identifiers.find(id);
        if (found == identifiers.end()) return;
        auto entry = posted.find(found->second);
        identifiers.erase(found);
        if (entry == posted.end()) return;
        entry->second.serverID = 0;
        if (!entry->second.inFlight && entry->second.waiting.empty()) posted.erase(entry);
    }
};

namespace {

void NotificationSignalReceiver::onActionInvoked(uint id, const QString& actionKey, const QDBusMessage& message) {
    if (auto impl = impl_.lock()) impl->actionInvoked(id, actionKey, message.service());
}

void NotificationSignalReceiver::onNotificationClosed(uint id, uint, const QDBusMessage& message) {
    if (auto impl = impl_.lock()) impl->closed(id, message.service());
}

}  // namespace

std::shared_ptr<FreedesktopNotifications> FreedesktopNotifications::make(SerialQueuePtr mainQueue, Options options,
                                                                         Logger logger) {
    return std::make_shared<FreedesktopNotifications>(
        std::make_shared<Impl>(std::move(mainQueue), std::move(options), std::move(logger)));
}

std::shared_ptr<FreedesktopNotifications> FreedesktopNotifications::make(SerialQueuePtr mainQueue) {
    return make(std::move(mainQueue), Options{}, desktopLogger("Notifications"));
}

FreedesktopNotifications::FreedesktopNotifications(std::shared_ptr<Impl> impl) : impl_(std::move(impl)) {}
FreedesktopNotifications::~FreedesktopNotifications() = default;

void FreedesktopNotifications::authorizationStatus(std::function<void(std::int64_t status)> completion) {
    if (!completion) completion = [](std::int64_t) {};
    impl_->status(std::move(completion));
}

void FreedesktopNotifications::requestAuthorization(
    std::function<void(bool granted, const std::optional<std::string>& error)> completion) {
    // Nothing to ask the user: whether a server is there is the whole answer.
    if (!completion) completion = [](bool, const std::optional<std::string>&) {};
    impl_->status([completion = std::move(completion)](std::int64_t status) {
        completion(status == authorisedStatus, std::nullopt);
    });
}

void FreedesktopNotifications::add(const Request& request, Completion completion) {
    impl_->add(request, std::move(completion));
}

void FreedesktopNotifications::removePending(const std::vector<std::string>&) {
    // A notification posted here goes to the server and is shown at once: none is ever pending,
    // and the ones shown stay, so there is nothing to remove.
}

void FreedesktopNotifications::setActivationHandler(std::function<void(const std::string& identifier)> handler) {
    impl_->activationHandler = std::move(handler);
}

}  // namespace platform

#include "FreedesktopNotifications.moc"

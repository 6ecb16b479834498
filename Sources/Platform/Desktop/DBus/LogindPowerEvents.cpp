#include "LogindPowerEvents.h"

#include <fcntl.h>
#include <unistd.h>

#include <QDBusUnixFileDescriptor>

#include "DBusCalls.h"
#include "Platform/Desktop/DesktopLogging.h"

namespace platform {

namespace {

constexpr const char* kLogindService = "org.freedesktop.login1";
constexpr const char* kLogindPath = "/org/freedesktop/login1";
constexpr const char* kManagerInterface = "org.freedesktop.login1.Manager";
constexpr const char* kSleepSignal = "PrepareForSleep";
constexpr const char* kInhibitWhat = "sleep";
constexpr const char* kInhibitMode = "delay";

struct SleepSubscription;

// Receives logind's signal for one subscription.
class SleepSignalReceiver final : public QObject {
    Q_OBJECT
public:
    explicit SleepSignalReceiver(std::weak_ptr<SleepSubscription> subscription)
        : subscription_(std::move(subscription)) {}

public slots:
    void onPrepareForSleep(bool start);

private:
    std::weak_ptr<SleepSubscription> subscription_;
};

}  // namespace

struct LogindPowerEvents::Impl {
    SerialQueuePtr mainQueue;
    Options options;
    Logger logger;
    enum class Bus { notTried, connected, unavailable } bus = Bus::notTried;
    QDBusConnection connection{QString()};
    QString connectionName;  // of a connection to options.busAddress

    Impl(SerialQueuePtr queue, Options opts, Logger log)
        : mainQueue(std::move(queue)), options(std::move(opts)), logger(std::move(log)) {}
    ~Impl() {
        if (!connectionName.isEmpty()) QDBusConnection::disconnectFromBus(connectionName);
    }

    // Connects at the first use; a bus that is not there is logged once and not tried again.
    bool connect() {
        if (bus == Bus::notTried) {
            connection = options.busAddress ? dbus::connectToAddress(*options.busAddress, "logind", connectionName)
                                            : QDBusConnection::systemBus();
            if (connection.isConnected()) {
                bus = Bus::connected;
            } else {
                bus = Bus::unavailable;
                logger.notice("No system bus, so sleep and wake are not observed: " +
                              dbus::errorText(connection.lastError()));
            }
        }
        return bus == Bus::connected;
    }
};

namespace {

struct SleepSubscription : std::enable_shared_from_this<SleepSubscription> {
    std::shared_ptr<LogindPowerEvents::Impl> source;
    PowerEvents::Callbacks callbacks;
    std::unique_ptr<SleepSignalReceiver> receiver;
    int inhibitor = -1;  // the delay lock held
    bool requestPending = false;
    bool sleeping = false;
    bool cancelled = false;
    bool inhibitFailureLogged = false;

    SleepSubscription(std::shared_ptr<LogindPowerEvents::Impl> impl, PowerEvents::Callbacks cbs)
        : source(std::move(impl)), callbacks(std::move(cbs)) {}
    ~SleepSubscription() { cancel(); }

    void start() {
        QDBusConnection& bus = source->connection;
        receiver = std::make_unique<SleepSignalReceiver>(weak_from_this());
        // Subscribed by logind's well-known name: QtDBus passes on only what the name's current
        // owner sends. It learns that owner here, with one blocking GetNameOwner call when it
        // first watches the name, and follows NameOwnerChanged after.
        if (!bus.connect(kLogindService, kLogindPath, kManagerInterface, kSleepSignal, receiver.get(),
                         SLOT(onPrepareForSleep(bool))))
            source->logger.error("Sleep signal not subscribed: " + dbus::errorText(bus.lastError()));
        takeInhibitor();
    }

    void cancel() {
        if (cancelled) return;
        cancelled = true;
        if (receiver) {
            QDBusConnection& bus = source->connection;
            bus.disconnect(kLogindService, kLogindPath, kManagerInterface, kSleepSignal, receiver.get(),
                           SLOT(onPrepareForSleep(bool)));
            receiver.reset();
        }
        releaseInhibitor();
        callbacks = {};
    }

    void takeInhibitor() {
        if (cancelled || sleeping || inhibitor >= 0 || requestPending) return;
        requestPending = true;
        QDBusMessage call = QDBusMessage::createMethodCall(kLogindService, kLogindPath, kManagerInterface, "Inhibit");
        call << QString::fromLatin1(kInhibitWhat) << QString::fromStdString(source->options.who)
             << QString::fromStdString(source->options.why) << QString::fromLatin1(kInhibitMode);
        // The call ends with the subscription: its receiver owns it.
        dbus::callAsync(source->connection, call, source->options.callTimeoutMilliseconds, receiver.get(),
                        [weak = weak_from_this()](const QDBusMessage& reply) {
                            if (auto self = weak.lock()) self->inhibitorArrived(reply);
                        });
    }

    void inhibitorArrived(const QDBusMessage& reply) {
        requestPending = false;
        int fd = -1;
        if (reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty()) {
            const auto descriptor = reply.arguments().constFirst().value<QDBusUnixFileDescriptor>();
            // Our own copy: the reply's goes with the message.
            if (descriptor.isValid()) fd = ::fcntl(descriptor.fileDescriptor(), F_DUPFD_CLOEXEC, 0);
        }
        if (fd < 0) {
            if (!inhibitFailureLogged) {
                inhibitFailureLogged = true;
                source->logger.error("No sleep delay inhibitor: " + (reply.type() == QDBusMessage::ErrorMessage
                                                                         ? dbus::errorText(reply)
                                                                         : std::string("no descriptor")));
            }
            return;
        }
        // Too late to hold off this sleep, or not wanted any more.
        if (cancelled || sleeping || inhibitor >= 0) {
            ::close(fd);
            return;
        }
        inhibitor = fd;
    }

    void releaseInhibitor() {
        if (inhibitor < 0) return;
        ::close(inhibitor);
        inhibitor = -1;
    }

    void prepareForSleep(bool start) {
        if (cancelled) return;
        sleeping = start;
        auto weak = weak_from_this();
        if (start) {
            source->mainQueue->async([weak] {
                auto self = weak.lock();
                if (!self || self->cancelled) return;
                if (auto willSleep = self->callbacks.willSleep) willSleep();
                // Work the callback did synchronously is done: the system may sleep now.
                self->releaseInhibitor();
            });
        } else {
            source->mainQueue->async([weak] {
                auto self = weak.lock();
                if (!self || self->cancelled) return;
                if (auto didWake = self->callbacks.didWake) didWake();
                self->takeInhibitor();
            });
        }
    }
};

void SleepSignalReceiver::onPrepareForSleep(bool start) {
    if (auto subscription = subscription_.lock()) subscription->prepareForSleep(start);
}

// Ends its subscription when released.
class SleepSubscriptionHandle final : public PowerEvents::Subscription {
public:
    explicit SleepSubscriptionHandle(std::shared_ptr<SleepSubscription> subscription)
        : subscription_(std::move(subscription)) {}
    ~SleepSubscriptionHandle() override { cancel(); }
    void cancel() override {
        if (subscription_) subscription_->cancel();
    }

private:
    std::shared_ptr<SleepSubscription> subscription_;  // null for a source without a bus
};

}  // namespace

std::shared_ptr<LogindPowerEvents> LogindPowerEvents::make(SerialQueuePtr mainQueue, Options options, Logger logger) {
    return std::make_shared<LogindPowerEvents>(
        std::make_shared<Impl>(std::move(mainQueue), std::move(options), std::move(logger)));
}

std::shared_ptr<LogindPowerEvents> LogindPowerEvents::make(SerialQueuePtr mainQueue) {
    return make(std::move(mainQueue), Options{}, desktopLogger("PowerEvents"));
}

LogindPowerEvents::LogindPowerEvents(std::shared_ptr<Impl> impl) : impl_(std::move(impl)) {}
LogindPowerEvents::~LogindPowerEvents() = default;

std::unique_ptr<PowerEvents::Subscription> LogindPowerEvents::subscribe(Callbacks callbacks) {
    if (!impl_->connect()) return std::make_unique<SleepSubscriptionHandle>(nullptr);
    auto subscription = std::make_shared<SleepSubscription>(impl_, std::move(callbacks));
    subscription->start();
    return std::make_unique<SleepSubscriptionHandle>(std::move(subscription));
}

}  // namespace platform

#include "LogindPowerEvents.moc"

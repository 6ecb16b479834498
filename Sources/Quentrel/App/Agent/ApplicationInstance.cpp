#include "ApplicationInstance.h"

#include <utility>

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusReply>

namespace quentrel {

namespace {
// A claim after an owner that handed over, and one more when the owner went away between the
// refused claim and the call.
constexpr int kClaimAttempts = 3;
constexpr char kServiceUnknown[] = "org.freedesktop.DBus.Error.ServiceUnknown";

// Whether the owner of the name made way, and has released it.
bool askedToHandOver(QDBusConnection& bus, const QString& bundleIdentifier, const QString& path) {
    const QDBusMessage call = QDBusMessage::createMethodCall(bundleIdentifier, path,
                                                             ApplicationInstance::handOverInterfaceName, "HandOver");
    const QDBusMessage answer = bus.call(call, QDBus::Block, ApplicationInstance::handOverTimeoutMilliseconds);
    // An owner that does not know the call (an older agent) does not make way either.
    return answer.type() == QDBusMessage::ReplyMessage && answer.arguments().value(0).toBool();
}
}  // namespace

ApplicationInstance::ApplicationInstance(const QString& bundleIdentifier, bool hasDisplay,
                                         std::function<void()> activate, std::function<void()> quit, QObject* parent)
    : QObject(parent),
      name_(bundleIdentifier),
      hasDisplay_(hasDisplay),
      activate_(std::move(activate)),
      quit_(std::move(quit)) {}

QString ApplicationInstance::objectPath(const QString& bundleIdentifier) {
    QString path = QStringLiteral("/") + bundleIdentifier;
    path.replace(u'.', u'/');
    path.replace(u'-', u'_');
    return path;
}

ApplicationInstance::Claim ApplicationInstance::claim(const QString& bundleIdentifier, bool hasDisplay,
                                                      std::function<void()> activate, std::function<void()> quit,
                                                      QObject* parent) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface()) return {};

    // The object first, so a call that comes right after the name was granted finds it.
    auto* instance = new ApplicationInstance(bundleIdentifier, hasDisplay, std::move(activate), std::move(quit), parent);
    new ApplicationInstanceAdaptor(instance);
    new ApplicationHandOverAdaptor(instance);
    const QString path = objectPath(bundleIdentifier);
    if (!bus.registerObject(path, instance)) {
        delete instance;
        return {};
    }

    bool handedOver = false;
    for (int attempt = 0; attempt < kClaimAttempts; ++attempt) {
        const QDBusReply<QDBusConnectionInterface::RegisterServiceReply> claimed =
            bus.interface()->registerService(bundleIdentifier, QDBusConnectionInterface::DontQueueService,
                                             QDBusConnectionInterface::DontAllowReplacement);
        if (!claimed.isValid()) break;  // the bus refused the request itself: run on our own
        if (claimed.value() == QDBusConnectionInterface::ServiceRegistered) {
            instance->owned_ = true;
            return {Role::primary, instance};
        }
        if (hasDisplay && !handedOver && askedToHandOver(bus, bundleIdentifier, path)) {
            handedOver = true;
            continue;
        }

        QDBusMessage call = QDBusMessage::createMethodCall(bundleIdentifier, path, interfaceName, "Activate");
        call << QVariantMap();
        const QDBusMessage answer = bus.call(call, QDBus::Block, activateTimeoutMilliseconds);
        // Only an owner that went away meanwhile is worth another claim.
        if (answer.type() == QDBusMessage::ReplyMessage || answer.errorName() != QLatin1String(kServiceUnknown)) {
            bus.unregisterObject(path);
            delete instance;
            return {Role::activated};
        }
    }
    return {Role::primary, instance};
}

bool ApplicationInstance::handOver(const QDBusMessage& call) {
    if (hasDisplay_) return false;
    handOvers_.push_back(call.createReply(true));
    if (handOvers_.size() == 1 && quit_) quit_();
    return true;
}

void ApplicationInstance::release() {
    // Without a start waiting, the name goes with the process: at a logout the bus may be going
    // too, and a call to it would hold up the end.
    if (handOvers_.empty()) return;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (owned_) bus.interface()->unregisterService(name_);
    owned_ = false;
    for (const QDBusMessage& answer : std::exchange(handOvers_, {})) bus.send(answer);
    // A call behind the answers: they have left before this process ends.
    bus.interface()->isServiceRegistered(name_);
}

ApplicationInstanceAdaptor::ApplicationInstanceAdaptor(ApplicationInstance* instance)
    : QDBusAbstractAdaptor(instance), instance_(instance) {}

void ApplicationInstanceAdaptor::Activate(const QVariantMap&) { instance_->activate(); }

ApplicationHandOverAdaptor::ApplicationHandOverAdaptor(ApplicationInstance* instance)
    : QDBusAbstractAdaptor(instance), instance_(instance) {}

bool ApplicationHandOverAdaptor::HandOver(const QDBusMessage& call) {
    if (!instance_->handOver(call)) return false;
    call.setDelayedReply(true);
    return true;  // not sent: the answer comes at release
}

}  // namespace quentrel

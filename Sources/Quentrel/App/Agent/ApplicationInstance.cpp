#include "ApplicationInstance.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>

namespace quentrel {

namespace {
// One more claim when the owner went away between the refused claim and the call.
constexpr int kClaimAttempts = 2;
constexpr char kServiceUnknown[] = "org.freedesktop.DBus.Error.ServiceUnknown";
}  // namespace

ApplicationInstance::ApplicationInstance(std::function<void()> activate, QObject* parent)
    : QObject(parent), activate_(std::move(activate)) {}

QString ApplicationInstance::objectPath(const QString& bundleIdentifier) {
    QString path = QStringLiteral("/") + bundleIdentifier;
    path.replace(u'.', u'/');
    path.replace(u'-', u'_');
    return path;
}

ApplicationInstance::Role ApplicationInstance::claim(const QString& bundleIdentifier, std::function<void()> activate,
                                                     QObject* parent) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface()) return Role::primary;

    // The object first, so an Activate that comes right after the name was granted finds it.
    auto* instance = new ApplicationInstance(std::move(activate), parent);
    new ApplicationInstanceAdaptor(instance);
    const QString path = objectPath(bundleIdentifier);
    if (!bus.registerObject(path, instance)) {
        delete instance;
        return Role::primary;
    }

    for (int attempt = 0; attempt < kClaimAttempts; ++attempt) {
        const QDBusReply<QDBusConnectionInterface::RegisterServiceReply> claimed =
            bus.interface()->registerService(bundleIdentifier, QDBusConnectionInterface::DontQueueService,
                                             QDBusConnectionInterface::DontAllowReplacement);
        if (!claimed.isValid()) break;  // the bus refused the request itself: run on our own
        if (claimed.value() == QDBusConnectionInterface::ServiceRegistered) return Role::primary;

        QDBusMessage call = QDBusMessage::createMethodCall(bundleIdentifier, path, interfaceName, "Activate");
        call << QVariantMap();
        const QDBusMessage answer = bus.call(call, QDBus::Block, activateTimeoutMilliseconds);
        // Only an owner that went away meanwhile is worth another claim.
        if (answer.type() == QDBusMessage::ReplyMessage || answer.errorName() != QLatin1String(kServiceUnknown)) {
            bus.unregisterObject(path);
            delete instance;
            return Role::activated;
        }
    }
    return Role::primary;
}

ApplicationInstanceAdaptor::ApplicationInstanceAdaptor(ApplicationInstance* instance)
    : QDBusAbstractAdaptor(instance), instance_(instance) {}

void ApplicationInstanceAdaptor::Activate(const QVariantMap&) { instance_->activate(); }

}  // namespace quentrel

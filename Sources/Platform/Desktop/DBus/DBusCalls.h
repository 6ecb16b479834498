#pragma once

// Small helpers shared by the D-Bus backends (Qt inside; not for the plain C++ layers).

#include <QDBusConnection>
#include <QDBusError>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QObject>
#include <QString>

#include <atomic>
#include <string>
#include <utility>

namespace platform::dbus {

inline constexpr const char* kBusService = "org.freedesktop.DBus";
inline constexpr const char* kBusPath = "/org/freedesktop/DBus";
inline constexpr const char* kBusInterface = "org.freedesktop.DBus";

// Sends `call` without waiting; `onReply` gets the reply or error message on this thread's event
// loop, exactly once (a call that gets no answer ends as an error after `timeoutMilliseconds`),
// unless `owner` is given and destroyed first: then the answer is dropped with the call.
template <class OnReply>
void callAsync(const QDBusConnection& connection, const QDBusMessage& call, int timeoutMilliseconds, QObject* owner,
               OnReply onReply) {
    auto* watcher = new QDBusPendingCallWatcher(connection.asyncCall(call, timeoutMilliseconds), owner);
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, watcher,
                     [onReply = std::move(onReply)](QDBusPendingCallWatcher* finished) mutable {
                         finished->deleteLater();
                         onReply(finished->reply());
                     });
}

inline QDBusMessage busCall(const char* method) {
    return QDBusMessage::createMethodCall(kBusService, kBusPath, kBusInterface, method);
}

// The text of a failed call or connection: the bus's message, else the error's name.
inline std::string errorText(const QDBusError& error) {
    QString text = error.message().isEmpty() ? error.name() : error.message();
    return text.toStdString();
}
inline std::string errorText(const QDBusMessage& reply) {
    return errorText(QDBusError(reply));
}

// A connection to the bus at `address` under a name no other connection of this process uses.
inline QDBusConnection connectToAddress(const std::string& address, const char* purpose, QString& name) {
    static std::atomic<unsigned> counter{0};
    name = QStringLiteral("kavrinet-%1-%2").arg(QString::fromLatin1(purpose)).arg(counter.fetch_add(1));
    return QDBusConnection::connectToBus(QString::fromStdString(address), name);
}

}  // namespace platform::dbus

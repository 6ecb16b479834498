#pragma once

// Private D-Bus daemons, fake bus services and an event-loop wait for the desktop backend tests.

#include <sys/types.h>

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QString>
#include <QVariantList>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "Platform/Foundation/TemporaryFolder.h"

namespace desktoptest {

// Runs the Qt event loop until `done()` holds. False when a generous guard ran out first: that is
// a hang, never a timing measure.
bool runEventLoopUntil(const std::function<bool()>& done);
// The session bus that dbus-run-session made for this test case.
std::string sessionBusAddress();

// A dbus-daemon of our own, for buses whose activatable services the test decides (the session
// bus knows every installed service file). Ended when destroyed.
class PrivateBus {
public:
    explicit PrivateBus(const std::vector<std::string>& activatableNames = {});
    ~PrivateBus();
    PrivateBus(const PrivateBus&) = delete;
    PrivateBus& operator=(const PrivateBus&) = delete;

    const std::string& address() const { return address_; }

private:
    TemporaryFolder folder_;
    pid_t daemon_ = -1;
    std::string address_;
};

// A service on its own connection to a bus: records every method call to its object, answers
// through answer(), which may hold the reply back.
class FakeService : public QDBusVirtualObject {
public:
    struct Call {
        QString member;
        QVariantList arguments;
    };

    // Owns `serviceName` unless it is empty (an impostor that only emits signals).
    FakeService(const std::string& address, const QString& serviceName, const QString& path);
    ~FakeService() override;

    QString uniqueName() const;
    const std::vector<Call>& calls() const { return calls_; }
    std::vector<Call> callsTo(const QString& member) const;

    void holdAnswers(bool hold) { hold_ = hold; }
    // Sends the replies held back so far.
    void releaseHeld();
    void emitSignal(const QString& interface, const QString& name, const QVariantList& arguments);
    // Waits for a round trip to the bus daemon: everything this service sent before has been routed,
    // so it reaches a receiver ahead of whatever anyone sends afterwards.
    void roundTrip();

    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override;
    QString introspect(const QString&) const override { return {}; }

protected:
    // The reply to one call (an error reply included).
    virtual QDBusMessage answer(const QDBusMessage& call) = 0;

private:
    QString connectionName_;
    QDBusConnection connection_{QString()};
    QString path_;
    std::vector<Call> calls_;
    bool hold_ = false;
    std::vector<QDBusMessage> held_;
};

// org.freedesktop.Notifications: Notify answers a new id, or the one it was asked to replace.
class FakeNotificationServer final : public FakeService {
public:
    explicit FakeNotificationServer(const std::string& address, bool ownName = true);

    // Notify fails with this error message from now on.
    void failNotify(QString message) { failure_ = std::move(message); }
    void emitActionInvoked(uint id, const QString& actionKey);
    void emitClosed(uint id, uint reason);

protected:
    QDBusMessage answer(const QDBusMessage& call) override;

private:
    uint nextID_ = 41;
    std::optional<QString> failure_;
};

// org.freedesktop.login1's Manager: Inhibit hands out the write end of a pipe and keeps the read
// end, so the test sees when every copy of the descriptor is closed.
class FakeLogind final : public FakeService {
public:
    explicit FakeLogind(const std::string& address, bool ownName = true);
    ~FakeLogind() override;

    // Inhibitors handed out and not closed yet.
    int openInhibitors() const;
    void emitPrepareForSleep(bool start);

protected:
    QDBusMessage answer(const QDBusMessage& call) override;

private:
    std::vector<int> readEnds_;
};

}  // namespace desktoptest

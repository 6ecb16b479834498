#include "BusFixtures.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDBusUnixFileDescriptor>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <atomic>
#include <cstdlib>
#include <stdexcept>

extern char** environ;

namespace desktoptest {

namespace {

constexpr int kGuardMilliseconds = 30000;
constexpr int kPollMilliseconds = 2;

QString nextConnectionName(const char* purpose) {
    static std::atomic<unsigned> counter{0};
    return QStringLiteral("fake-%1-%2").arg(QString::fromLatin1(purpose)).arg(counter.fetch_add(1));
}

}  // namespace

bool runEventLoopUntil(const std::function<bool()>& done) {
    QElapsedTimer guard;
    guard.start();
    while (!done()) {
        if (guard.elapsed() > kGuardMilliseconds) return false;
        QEventLoop loop;
        QTimer::singleShot(kPollMilliseconds, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return true;
}

std::string sessionBusAddress() {
    const char* address = std::getenv("DBUS_SESSION_BUS_ADDRESS");
    if (address == nullptr) throw std::runtime_error("no private session bus: run under dbus-run-session");
    return address;
}

// MARK: - PrivateBus

PrivateBus::PrivateBus(const std::vector<std::string>& activatableNames) {
    const std::filesystem::path services = folder_ / "services";
    std::filesystem::create_directories(services);
    for (const std::string& name : activatableNames)
        TemporaryFolder::writeFile(services / (name + ".service"),
                                   "[D-BUS Service]\nName=" + name + "\nExec=/bin/false\n");
    const std::filesystem::path config = folder_ / "bus.conf";
    TemporaryFolder::writeFile(config,
                               "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
                               " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
                               "<busconfig>\n"
                               "  <listen>unix:dir=" +
                                   folder_.path().string() +
                                   "</listen>\n"
                                   "  <auth>EXTERNAL</auth>\n"
                                   "  <servicedir>" +
                                   services.string() +
                                   "</servicedir>\n"
                                   "  <policy context=\"default\">\n"
                                   "    <allow send_destination=\"*\" eavesdrop=\"true\"/>\n"
                                   "    <allow eavesdrop=\"true\"/>\n"
                                   "    <allow own=\"*\"/>\n"
                                   "  </policy>\n"
                                   "</busconfig>\n");

    int pipeEnds[2];
    if (::pipe2(pipeEnds, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
    constexpr int kAddressDescriptor = 3;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], kAddressDescriptor);
    // Its complaint about the descriptor limit of an unprivileged container is only noise here.
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    std::string configArgument = "--config-file=" + config.string();
    std::string printArgument = "--print-address=" + std::to_string(kAddressDescriptor);
    char* argv[] = {const_cast<char*>("dbus-daemon"), configArgument.data(), const_cast<char*>("--nofork"),
                    printArgument.data(), nullptr};
    const int error = posix_spawnp(&daemon_, "dbus-daemon", &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipeEnds[1]);
    if (error != 0) {
        ::close(pipeEnds[0]);
        throw std::runtime_error("dbus-daemon not started");
    }
    char c = 0;
    while (::read(pipeEnds[0], &c, 1) == 1 && c != '\n') address_.push_back(c);
    ::close(pipeEnds[0]);
    if (address_.empty()) throw std::runtime_error("dbus-daemon gave no address");
}

PrivateBus::~PrivateBus() {
    if (daemon_ <= 0) return;
    ::kill(daemon_, SIGTERM);
    int status = 0;
    ::waitpid(daemon_, &status, 0);
}

// MARK: - FakeService

FakeService::FakeService(const std::string& address, const QString& serviceName, const QString& path)
    : connectionName_(nextConnectionName("service")),
      connection_(QDBusConnection::connectToBus(QString::fromStdString(address), connectionName_)),
      path_(path) {
    if (!connection_.isConnected()) throw std::runtime_error("fake service: no bus");
    if (!connection_.registerVirtualObject(path_, this))
        throw std::runtime_error("fake service: object not registered");
    if (!serviceName.isEmpty() && !connection_.registerService(serviceName))
        throw std::runtime_error("fake service: name not owned");
}

FakeService::~FakeService() {
    connection_.unregisterObject(path_);
    QDBusConnection::disconnectFromBus(connectionName_);
}

QString FakeService::uniqueName() const {
    return connection_.baseService();
}

std::vector<FakeService::Call> FakeService::callsTo(const QString& member) const {
    std::vector<Call> matching;
    for (const Call& call : calls_)
        if (call.member == member) matching.push_back(call);
    return matching;
}

void FakeService::releaseHeld() {
    std::vector<QDBusMessage> replies;
    replies.swap(held_);
    for (const QDBusMessage& reply : replies) connection_.send(reply);
}

void FakeService::emitSignal(const QString& interface, const QString& name, const QVariantList& arguments) {
    QDBusMessage message = QDBusMessage::createSignal(path_, interface, name);
    message.setArguments(arguments);
    connection_.send(message);
}

void FakeService::roundTrip() {
    connection_.call(QDBusMessage::createMethodCall("org.freedesktop.DBus", "/org/freedesktop/DBus",
                                                    "org.freedesktop.DBus", "GetId"));
}

bool FakeService::handleMessage(const QDBusMessage& message, const QDBusConnection&) {
    if (message.type() != QDBusMessage::MethodCallMessage) return false;
    calls_.push_back({message.member(), message.arguments()});
    QDBusMessage reply = answer(message);
    if (hold_)
        held_.push_back(reply);
    else
        connection_.send(reply);
    return true;
}

// MARK: - FakeNotificationServer

FakeNotificationServer::FakeNotificationServer(const std::string& address, bool ownName)
    : FakeService(address, ownName ? QStringLiteral("org.freedesktop.Notifications") : QString(),
                  QStringLiteral("/org/freedesktop/Notifications")) {}

QDBusMessage FakeNotificationServer::answer(const QDBusMessage& call) {
    if (call.member() != QLatin1String("Notify"))
        return call.createErrorReply(QDBusError::UnknownMethod, call.member());
    if (failure_) return call.createErrorReply(QStringLiteral("org.freedesktop.DBus.Error.Failed"), *failure_);
    const uint replaces = call.arguments().value(1).toUInt();
    return call.createReply(QVariantList{replaces != 0 ? replaces : nextID_++});
}

void FakeNotificationServer::emitActionInvoked(uint id, const QString& actionKey) {
    emitSignal(QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("ActionInvoked"),
               {QVariant::fromValue(id), actionKey});
}

void FakeNotificationServer::emitClosed(uint id, uint reason) {
    emitSignal(QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("NotificationClosed"),
               {QVariant::fromValue(id), QVariant::fromValue(reason)});
}

// MARK: - FakeLogind

FakeLogind::FakeLogind(const std::string& address, bool ownName)
    : FakeService(address, ownName ? QStringLiteral("org.freedesktop.login1") : QString(),
                  QStringLiteral("/org/freedesktop/login1")) {}

FakeLogind::~FakeLogind() {
    for (int fd : readEnds_) ::close(fd);
}

int FakeLogind::openInhibitors() const {
    int open = 0;
    for (int fd : readEnds_) {
        pollfd entry{fd, POLLIN, 0};
        // The read end reports a hang-up once every copy of the write end is closed.
        if (::poll(&entry, 1, 0) == 0 || !(entry.revents & POLLHUP)) ++open;
    }
    return open;
}

void FakeLogind::emitPrepareForSleep(bool start) {
    emitSignal(QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("PrepareForSleep"), {start});
}

QDBusMessage FakeLogind::answer(const QDBusMessage& call) {
    if (call.member() != QLatin1String("Inhibit"))
        return call.createErrorReply(QDBusError::UnknownMethod, call.member());
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0) return call.createErrorReply(QDBusError::Failed, QStringLiteral("pipe"));
    readEnds_.push_back(ends[0]);
    // The descriptor object keeps a copy of its own; ours goes at once.
    QDBusMessage reply = call.createReply(QVariantList{QVariant::fromValue(QDBusUnixFileDescriptor(ends[1]))});
    ::close(ends[1]);
    return reply;
}

}  // namespace desktoptest

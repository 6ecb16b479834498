#pragma once

#include <functional>
#include <vector>

#include <QDBusAbstractAdaptor>
#include <QDBusMessage>
#include <QObject>
#include <QString>
#include <QVariantMap>

namespace quentrel {

// One agent per session: the first one owns the bundle identifier as a well-known name on the
// session bus and answers org.freedesktop.Application.Activate there; a later start asks it to
// activate and ends. Without a session bus every start runs on its own.
//
// An agent that runs without a display cannot show what a start asks for, so a start that has a
// display takes its place: it asks the owner to hand over (HandOver on handOverInterfaceName); an
// owner without a display quits as it does on quit and answers once it has finished and released
// the name, and the start claims the name again. An owner with a display answers false at once.
class ApplicationInstance final : public QObject {
    Q_OBJECT
public:
    static constexpr char interfaceName[] = "org.freedesktop.Application";
    static constexpr char handOverInterfaceName[] = "local.mirosal.Kavrinet.Agent";
    static constexpr int activateTimeoutMilliseconds = 5000;
    // The owner's whole quit: its stores written, its inventory stopped.
    static constexpr int handOverTimeoutMilliseconds = 20000;

    enum class Role {
        primary,    // this process runs the agent
        activated,  // another process runs it and was asked to activate
    };
    struct Claim {
        Role role = Role::primary;
        // The primary instance's object on the bus, when there is a bus.
        ApplicationInstance* instance = nullptr;
    };

    // Claims the name, or asks its owner to hand over (when this process has a display) or to
    // activate. `activate` runs on the main thread for every Activate call the primary instance
    // receives later, `quit` when it runs without a display and a start asks it to hand over.
    static Claim claim(const QString& bundleIdentifier, bool hasDisplay, std::function<void()> activate,
                       std::function<void()> quit, QObject* parent);

    // "/a/b/c" for the name "a.b.c" (the object path rule of D-Bus activatable applications).
    static QString objectPath(const QString& bundleIdentifier);

    ApplicationInstance(const QString& bundleIdentifier, bool hasDisplay, std::function<void()> activate,
                        std::function<void()> quit, QObject* parent);

    void activate() const {
        if (activate_) activate_();
    }
    // Whether the agent makes way; if so the call is answered at release().
    bool handOver(const QDBusMessage& call);
    // When starts wait for this agent to make way: releases the name and answers them. Call once
    // the agent has finished; main thread.
    void release();

private:
    QString name_;
    bool hasDisplay_;
    bool owned_ = false;
    std::function<void()> activate_;
    std::function<void()> quit_;
    std::vector<QDBusMessage> handOvers_;
};

// The interface on the bus; Open and ActivateAction are not offered.
class ApplicationInstanceAdaptor final : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Application")
public:
    explicit ApplicationInstanceAdaptor(ApplicationInstance* instance);

public Q_SLOTS:
    void Activate(const QVariantMap& platformData);

private:
    ApplicationInstance* instance_;
};

// The agent's own interface: HandOver, answered when the agent has quit to make way, or false.
class ApplicationHandOverAdaptor final : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "local.mirosal.Kavrinet.Agent")
public:
    explicit ApplicationHandOverAdaptor(ApplicationInstance* instance);

public Q_SLOTS:
    // `call` is the method call itself (QtDBus passes it), whose answer is left to release().
    bool HandOver(const QDBusMessage& call);

private:
    ApplicationInstance* instance_;
};

}  // namespace quentrel

#pragma once

#include <functional>

#include <QDBusAbstractAdaptor>
#include <QObject>
#include <QString>
#include <QVariantMap>

namespace quentrel {

// One agent per session: the first one owns the bundle identifier as a well-known name on the
// session bus and answers org.freedesktop.Application.Activate there; a later start asks it to
// activate and ends. Without a session bus every start runs on its own.
class ApplicationInstance final : public QObject {
    Q_OBJECT
public:
    static constexpr char interfaceName[] = "org.freedesktop.Application";
    static constexpr int activateTimeoutMilliseconds = 5000;

    enum class Role {
        primary,    // this process runs the agent
        activated,  // another process runs it and was asked to activate
    };

    // Claims the name, or asks its owner to activate. `activate` runs on the main thread for every
    // Activate call the primary instance receives later.
    static Role claim(const QString& bundleIdentifier, std::function<void()> activate, QObject* parent);

    // "/a/b/c" for the name "a.b.c" (the object path rule of D-Bus activatable applications).
    static QString objectPath(const QString& bundleIdentifier);

    ApplicationInstance(std::function<void()> activate, QObject* parent);

    void activate() const {
        if (activate_) activate_();
    }

private:
    std::function<void()> activate_;
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

}  // namespace quentrel

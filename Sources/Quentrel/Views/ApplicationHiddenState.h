#pragma once

#include <QObject>

namespace quentrel {

// Whether the application is hidden as a whole. Linux desktops have no "hide application", so
// the app's own hide command sets this and whatever unhides the app (showing one of its windows)
// clears it. Also hidden while Qt reports Qt::ApplicationHidden, on platforms that do.
// Main thread only.
class ApplicationHiddenState : public QObject {
    Q_OBJECT
public:
    // The one instance, owned by the application object.
    static ApplicationHiddenState& shared();

    bool isHidden() const;
    void setHidden(bool hidden);

signals:
    // After any change of isHidden().
    void hiddenChanged(bool hidden);

private:
    explicit ApplicationHiddenState(QObject* parent);
    bool hiddenByApp_ = false;
    bool hiddenByPlatform_ = false;
};

}  // namespace quentrel

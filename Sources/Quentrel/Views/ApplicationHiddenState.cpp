#include "ApplicationHiddenState.h"

#include <QGuiApplication>
#include <QPointer>

namespace quentrel {

ApplicationHiddenState& ApplicationHiddenState::shared() {
    static QPointer<ApplicationHiddenState> instance;
    if (!instance) instance = new ApplicationHiddenState(QCoreApplication::instance());
    return *instance;
}

ApplicationHiddenState::ApplicationHiddenState(QObject* parent) : QObject(parent) {
    if (auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        hiddenByPlatform_ = app->applicationState() == Qt::ApplicationHidden;
        connect(app, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState state) {
            const bool was = isHidden();
            hiddenByPlatform_ = state == Qt::ApplicationHidden;
            if (isHidden() != was) emit hiddenChanged(isHidden());
        });
    }
}

bool ApplicationHiddenState::isHidden() const { return hiddenByApp_ || hiddenByPlatform_; }

void ApplicationHiddenState::setHidden(bool hidden) {
    const bool was = isHidden();
    hiddenByApp_ = hidden;
    if (isHidden() != was) emit hiddenChanged(isHidden());
}

}  // namespace quentrel

#pragma once

#include <memory>

#include <QWidget>

#include "Quentrel/Views/Models/ConnectionNotificationSettingsModel.h"
#include "Quentrel/Views/ViewRefresh.h"

class QLabel;

namespace quentrel {

class BoundToggle;
class ConnectionNotificationService;
class ObserverPlainButton;
class ObserverStore;
class ObserverSymbolLabel;

// The settings window's card "연결 변화 알림": the switch for notices about the remembered drive,
// when they fire, the denied hint, the last delivery outcome and the test button. Each time it
// comes on screen it asks for the current permission once.
class ConnectionNotificationSettingsView : public QWidget {
    Q_OBJECT
public:
    ConnectionNotificationSettingsView(std::shared_ptr<ObserverStore> store,
                                       std::shared_ptr<ConnectionNotificationService> notifications,
                                       QWidget* parent = nullptr);

    void refresh();
    const ConnectionNotificationSettingsModel& model() const { return model_; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    std::shared_ptr<ObserverStore> store_;
    std::shared_ptr<ConnectionNotificationService> notifications_;
    ConnectionNotificationSettingsModel model_;
    BoundToggle* toggle_;
    QLabel* caption_;
    ObserverSymbolLabel* deniedHint_;
    QWidget* statusRow_;
    QLabel* status_;
    ObserverPlainButton* testButton_;
    ViewRefresh refresh_;
};

}  // namespace quentrel

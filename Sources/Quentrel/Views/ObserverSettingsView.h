#pragma once

#include <memory>

#include <QWidget>

#include "Quentrel/Views/Models/ObserverSettingsModel.h"
#include "Quentrel/Views/ViewRefresh.h"

class QLabel;

namespace quentrel {

class BoundToggle;
class ConnectionNotificationSettingsView;
class LoginItemService;
class ObserverActionButton;
class ObserverPlainButton;
class ObserverStore;
class ObserverSymbolLabel;
class UpdateSettingsView;

// The window "settings": the dashboard-on-launch, login-item and background switches, the
// remembered drive, the notification and update cards, the version and links to the activity
// log, data management and help. Every switch shows the agent's value: a click sends the change
// and the switch moves only when the next state brings it. Each time the window comes on screen
// it asks for the login item's status once.
class ObserverSettingsView : public QWidget {
    Q_OBJECT
public:
    static constexpr int width = 480;
    static constexpr int padding = 24;
    static constexpr int spacing = 20;
    static constexpr qreal titleSize = 23;
    static constexpr qreal targetRowSize = 12;
    static constexpr int separatorPadding = 4;

    ObserverSettingsView(std::shared_ptr<ObserverStore> store, std::shared_ptr<LoginItemService> loginItem,
                         QWidget* parent = nullptr);

    void refresh();
    const ObserverSettingsModel& model() const { return model_; }

    ConnectionNotificationSettingsView* notificationSection() const { return notifications_; }
    UpdateSettingsView* updateSection() const { return updates_; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    std::shared_ptr<ObserverStore> store_;
    std::shared_ptr<LoginItemService> loginItem_;
    ProductIdentity product_;
    ObserverSettingsModel model_;
    BoundToggle* launchToggle_;
    BoundToggle* loginToggle_;
    QLabel* loginStatus_;
    ObserverActionButton* approvalButton_;
    QLabel* loginError_;
    BoundToggle* backgroundToggle_;
    QWidget* targetSeparator_;
    QWidget* targetRow_;
    ObserverSymbolLabel* targetName_;
    ConnectionNotificationSettingsView* notifications_;
    UpdateSettingsView* updates_;
    QLabel* version_;
    ViewRefresh refresh_;
};

}  // namespace quentrel

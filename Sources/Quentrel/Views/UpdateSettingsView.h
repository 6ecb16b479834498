#pragma once

#include <memory>

#include <QWidget>

#include "Quentrel/Views/Models/UpdateSettingsModel.h"
#include "Quentrel/Views/ViewRefresh.h"

class QLabel;

namespace quentrel {

class BoundToggle;
class ObserverActionButton;

// The settings window's card "업데이트": automatic checks, the check button and the last check.
// While updates are not configured the view hides itself and takes no space.
class UpdateSettingsView : public QWidget {
    Q_OBJECT
public:
    explicit UpdateSettingsView(std::shared_ptr<UpdateService> updates, QWidget* parent = nullptr);

    void refresh();
    // Shows the section for the given fields (refresh() reads them from the service).
    void apply(const UpdateSettingsModel& model);
    const UpdateSettingsModel& model() const { return model_; }

private:
    std::shared_ptr<UpdateService> updates_;
    LocalizedFormats formats_;
    UpdateSettingsModel model_;
    QLabel* failure_;
    QWidget* controls_;
    BoundToggle* toggle_;
    ObserverActionButton* checkButton_;
    QLabel* lastCheck_;
    ViewRefresh refresh_;
};

}  // namespace quentrel

#pragma once

#include <array>
#include <memory>

#include <QPointer>
#include <QWidget>

#include "Quentrel/Views/Models/DataManagementModel.h"
#include "Quentrel/Views/ViewRefresh.h"

class QLabel;
class QMessageBox;

namespace quentrel {

class ObserverActionButton;
class ObserverStore;
class ObserverSymbolLabel;

// The window "data-management": reset the observation preferences, clear the recent events,
// clear the completed work sessions. Each action asks first in a window-modal alert, and each has
// an undo button while the agent holds the undo data. The outcome shows only through the store's
// next state (counts, undo buttons, the result line).
class DataManagementView : public QWidget {
    Q_OBJECT
public:
    static constexpr int padding = 24;
    static constexpr int spacing = 20;
    static constexpr qreal titleSize = 23;
    static constexpr int buttonSpacing = 8;
    static constexpr int firstRowTopPadding = 6;

    explicit DataManagementView(std::shared_ptr<ObserverStore> store, QWidget* parent = nullptr);

    void refresh();
    const DataManagementModel& model() const { return model_; }

    // The alert on show for `confirmation`, null while it is not presented.
    QMessageBox* alert(DataConfirmation confirmation) const;

protected:
    // Closing the window dismisses an alert on show without acting, so the window comes back
    // with none.
    void hideEvent(QHideEvent* event) override;

private:
    // Presents the confirmation; its confirming button runs the store operation.
    void confirm(DataConfirmation confirmation);
    void perform(DataConfirmation confirmation);

    std::shared_ptr<ObserverStore> store_;
    DataManagementModel model_;
    // The presentation state of the three alerts: an alert is on show while its entry is set.
    std::array<QPointer<QMessageBox>, 3> alerts_;
    ObserverActionButton* undoReset_;
    QLabel* eventsText_;
    ObserverActionButton* clearEvents_;
    ObserverActionButton* undoEvents_;
    QLabel* sessionsText_;
    ObserverActionButton* clearSessions_;
    ObserverActionButton* undoSessions_;
    ObserverSymbolLabel* result_;
    ViewRefresh refresh_;
};

}  // namespace quentrel

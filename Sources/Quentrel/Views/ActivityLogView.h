#pragma once

#include <memory>
#include <optional>
#include <vector>

#include <QWidget>

#include "Quentrel/Views/Models/ActivityLogModel.h"
#include "Quentrel/Views/QtLocaleFormatter.h"
#include "Quentrel/Views/QtMinuteDateFormatter.h"
#include "Quentrel/Views/ViewRefresh.h"

class QLabel;
class QStackedWidget;
class QTabBar;
class QVBoxLayout;

namespace quentrel {

class ActivityLogPresentation;
class ContentUnavailableView;
class ObserverActionButton;
class ObserverStore;
class ObserverSurface;
class PlainButton;
class SymbolLabel;
class WorkSessionHistoryView;

// The content of the window "activity-log": the two histories the agent keeps, the work
// sessions and the recent events, one at a time by a segmented picker, under the buttons that
// open the diagnostic preview, data management and the connection summary and undo the last
// clearing of the events. A window opened anew starts on the sessions; the picker's value lives
// until the window is closed (hiding or minimising keeps it), so the view is the window's root.
// It follows the store by itself.
class ActivityLogView : public QWidget {
    Q_OBJECT
public:
    static constexpr int spacing = 20;
    static constexpr int padding = 24;
    static constexpr qreal titleSize = 23;
    static constexpr int eventsHorizontalPadding = 18;
    static constexpr int eventSpacing = 14;
    static constexpr int eventVerticalPadding = 13;
    static constexpr qreal eventBulletSize = 5;
    static constexpr qreal eventBulletOpacity = 0.75;
    static constexpr int eventBulletTopPadding = 6;
    static constexpr int eventTextSpacing = 5;
    static constexpr qreal eventMessageSize = 13;
    static constexpr qreal eventDateSize = 10;
    static constexpr qreal dividerOpacity = 0.6;
    // The picker's segments.
    static constexpr int segmentPadding = 14;
    static constexpr int segmentHeight = 26;
    static constexpr qreal segmentCornerRadius = 7;

    // One event of the list, with the divider below it.
    class EventRow;

    // `locale` writes the dates, `minuteDates` the start of each session; both must outlive the
    // view.
    explicit ActivityLogView(std::shared_ptr<ObserverStore> store, QWidget* parent = nullptr,
                             const LocaleFormatter& locale = QtLocaleFormatter::system(),
                             const MinuteDateFormatter& minuteDates = QtMinuteDateFormatter::system());
    ~ActivityLogView() override;

    void refresh();
    const std::optional<ActivityLogModel>& model() const { return model_; }
    // The picker's value: 0 the sessions, 1 the events.
    int selectedTab() const;

    QLabel* titleLabel() const { return title_; }
    ObserverActionButton* previewButton() const { return preview_; }
    SymbolLabel* storageBanner() const { return banner_; }
    PlainButton* manageButton() const { return manage_; }
    PlainButton* summaryButton() const { return summary_; }
    PlainButton* undoButton() const { return undo_; }
    QTabBar* picker() const { return picker_; }
    WorkSessionHistoryView* sessionsList() const { return sessions_; }
    ObserverSurface* eventsList() const;
    ContentUnavailableView* emptyEvents() const { return emptyEvents_; }
    // The events now shown, in list order.
    std::vector<QWidget*> visibleEventRows() const;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    class EventsCard;

    void observePresentation();

    std::shared_ptr<ObserverStore> store_;
    const LocaleFormatter& locale_;
    std::unique_ptr<ActivityLogPresentation> presentation_;
    platform::WillChangeSignal::Connection presentationConnection_;
    QLabel* title_;
    ObserverActionButton* preview_;
    SymbolLabel* banner_;
    PlainButton* manage_;
    PlainButton* summary_;
    PlainButton* undo_;
    QLabel* pickerLabel_;
    QTabBar* picker_;
    QStackedWidget* lists_;
    WorkSessionHistoryView* sessions_;
    EventsCard* events_;
    QVBoxLayout* eventsLayout_;
    ContentUnavailableView* emptyEvents_;
    std::vector<EventRow*> eventRows_;
    ViewRefresh refresh_{this, [this] { refresh(); }};
    std::optional<ActivityLogModel> model_;
};

}  // namespace quentrel

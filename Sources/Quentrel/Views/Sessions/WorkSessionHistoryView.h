#pragma once

#include <memory>
#include <optional>
#include <vector>

#include <QColor>
#include <QWidget>

#include "Quentrel/Views/Models/WorkSessionHistoryModel.h"
#include "Quentrel/Views/QtLocaleFormatter.h"
#include "Quentrel/Views/QtMinuteDateFormatter.h"
#include "Quentrel/Views/ViewRefresh.h"

class QLabel;
class QScrollArea;
class QVBoxLayout;

namespace quentrel {

class ContentUnavailableView;
class ObserverActionButton;
class ObserverStore;
class SymbolLabel;

// The work sessions of the last days: an explanation with the button that starts a new session,
// a banner when the session store cannot keep its file, one card per session (the running one
// first) in a scrolling list, and the store's limits. It has no padding or background of its
// own: the activity log window gives it those. It follows the store by itself.
class WorkSessionHistoryView : public QWidget {
    Q_OBJECT
public:
    static constexpr int spacing = 12;
    static constexpr int listSpacing = 12;
    static constexpr int rowSpacing = 8;
    static constexpr int rowPadding = 16;
    static constexpr qreal rowTitleSize = 13;
    static constexpr qreal rowBytesSize = 16;
    static constexpr int rowBytesSpacing = 18;
    // The system's orange in its dark-appearance value.
    static constexpr QColor bannerColour = QColor(QColor::Rgb, 0xffff, 0xffff, 0x9f9f, 0x0a0a);

    // One session's card.
    class Row;

    // `locale` writes byte totals and times, `minuteDates` the start of each row; both must
    // outlive the view.
    explicit WorkSessionHistoryView(std::shared_ptr<ObserverStore> store, QWidget* parent = nullptr,
                                    const LocaleFormatter& locale = QtLocaleFormatter::system(),
                                    const MinuteDateFormatter& minuteDates = QtMinuteDateFormatter::system());
    ~WorkSessionHistoryView() override;

    void refresh();
    const std::optional<WorkSessionHistoryModel>& model() const { return model_; }

    QLabel* explanationLabel() const { return explanation_; }
    ObserverActionButton* newSessionButton() const { return newSession_; }
    SymbolLabel* storageBanner() const { return banner_; }
    QScrollArea* list() const { return scroll_; }
    ContentUnavailableView* emptyState() const { return empty_; }
    // The cards now shown, in list order.
    std::vector<QWidget*> visibleRows() const;
    QLabel* limitsNote() const { return limits_; }

private:
    std::shared_ptr<ObserverStore> store_;
    const LocaleFormatter& locale_;
    const MinuteDateFormatter& minuteDates_;
    QLabel* explanation_;
    ObserverActionButton* newSession_;
    SymbolLabel* banner_;
    QScrollArea* scroll_;
    QVBoxLayout* listLayout_;
    ContentUnavailableView* empty_;
    std::vector<Row*> rows_;
    QLabel* limits_;
    ViewRefresh refresh_{this, [this] { refresh(); }};
    std::optional<WorkSessionHistoryModel> model_;
};

}  // namespace quentrel

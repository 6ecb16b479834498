#pragma once

#include <memory>

#include "Quentrel/Views/Controls/ObserverSurface.h"
#include "Quentrel/Views/Models/ActivityHistoryModel.h"
#include "Quentrel/Views/Models/LocaleTexts.h"

class QLabel;
class QVBoxLayout;

namespace quentrel {

class ActivityPlotView;
class ObserverSymbolView;

// The five-minute graph card: header with the peak, the plot on its grid (or an empty state),
// time labels, legend with the sampling interval, coverage and the inspection line. The user
// inspects an instant with the pointer (hover or click), the ← and → keys while the graph has
// focus, or the accessibility increment and decrement actions; inspecting changes no data.
//
// The embedding view passes its inputs with setInput at each refresh of its own. A new
// `identity` (another selected device) starts a fresh inspection, as a new card would.
class ActivityHistoryView : public ObserverSurface {
    Q_OBJECT
public:
    // `texts` empty: the system locale's.
    explicit ActivityHistoryView(bool compact, std::shared_ptr<const LocaleTexts> texts = {}, QWidget* parent = nullptr);

    bool isCompact() const { return compact_; }
    void setCompact(bool compact);

    void setInput(ActivityHistoryInput input);
    // The embedding view shows no device any more: the card's identity ends, so a device that
    // comes back (the same one too) starts with nothing inspected, as a new card would.
    void endIdentity();
    const ActivityHistoryInput& input() const { return input_; }

    const GraphInspection& inspection() const { return inspection_; }
    const ActivityHistoryModel& model() const { return model_; }

    // The focusable, accessible graph ("activityHistoryGraph") and the plot inside it.
    QWidget* graph() const;
    ActivityPlotView* plot() const { return plot_; }

private:
    friend class ActivityGraphArea;
    void select(QPointF location);
    void step(int offset);
    void rebuild();
    void applyLayout();

    bool compact_;
    std::shared_ptr<const LocaleTexts> texts_;
    ActivityHistoryInput input_;
    GraphInspection inspection_;
    ActivityHistoryModel model_;

    QVBoxLayout* layout_;
    QLabel* peak_;
    class ActivityGraphArea* graph_;
    ActivityPlotView* plot_;
    QWidget* emptyState_;
    QLabel* emptyText_;
    QLabel* startTime_;
    QLabel* endTime_;
    QLabel* sampling_;
    QLabel* coverage_;
    QLabel* inspectionLine_;
};

}  // namespace quentrel

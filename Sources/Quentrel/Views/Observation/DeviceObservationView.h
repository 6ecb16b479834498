#pragma once

#include <optional>

#include "Quentrel/Views/Controls/ObserverAccessibility.h"
#include "Quentrel/Views/Controls/ObserverSurface.h"
#include "Quentrel/Views/Models/DeviceObservationModel.h"

class QFrame;
class QHBoxLayout;
class QLabel;
class QVBoxLayout;

namespace quentrel {

class FittingLabel;
class ObserverSymbolView;
class SymbolLabel;

// The card of the live read and write rates of one device: a header with the status badge, the
// two rate figures with their five-minute peaks and a footer with the sample's length and time.
// It reads nothing itself: the embedding view applies a model built from the store.
class DeviceObservationView : public ObserverSurface {
    Q_OBJECT
public:
    // The sizes that `compact` chooses.
    struct Metrics {
        int rowSpacing;
        int padding;
        int columnGap;
        int ruleHeight;
        qreal figureSize;
        qreal unitSize;
        qreal peakSize;
    };
    static constexpr Metrics compactMetrics{14, 16, 12, 44, 28, 10, 9};
    static constexpr Metrics fullMetrics{20, 22, 22, 58, 42, 12, 11};
    static constexpr qreal headerSize = 13;
    static constexpr qreal badgeSize = 11;
    static constexpr qreal columnTitleSize = 12;
    static constexpr qreal footerSize = 11;
    static constexpr int columnSpacing = 8;
    static constexpr int figureUnitSpacing = 7;
    static constexpr int footerSpacing = 6;
    static constexpr qreal figureMinimumScale = 0.65;
    static constexpr qreal peakMinimumScale = 0.8;

    // One rate column; assistive technologies see it as one static text.
    class Column;

    // Laid out at the sizes of `compact` from the start: a model with the other flag changes them.
    explicit DeviceObservationView(bool compact, QWidget* parent = nullptr);

    void apply(const DeviceObservationModel& model);
    const std::optional<DeviceObservationModel>& model() const { return model_; }

    SymbolLabel* badge() const { return badge_; }
    Column* readColumn() const { return read_; }
    Column* writeColumn() const { return write_; }
    ObserverSymbolView* footerSymbol() const { return footerSymbol_; }
    QLabel* intervalLabel() const { return interval_; }
    QLabel* separatorLabel() const { return separator_; }
    QLabel* timeLabel() const { return time_; }

private:
    void applyMetrics(const Metrics& metrics);

    QVBoxLayout* layout_;
    QLabel* header_;
    SymbolLabel* badge_;
    QHBoxLayout* rateRow_;
    Column* read_;
    QFrame* rule_;
    Column* write_;
    ObserverSymbolView* footerSymbol_;
    QLabel* interval_;
    QLabel* separator_;
    QLabel* time_;
    std::optional<DeviceObservationModel> model_;
    std::optional<bool> compact_;
};

class DeviceObservationView::Column : public QWidget, public ObserverAccessible {
    Q_OBJECT
public:
    explicit Column(QWidget* parent = nullptr);

    void apply(const DeviceObservationModel::Column& column);
    void applyMetrics(const Metrics& metrics);

    SymbolLabel* title() const { return title_; }
    FittingLabel* figure() const { return figure_; }
    QLabel* unit() const { return unit_; }
    FittingLabel* peak() const { return peak_; }

    bool hidesAccessibilityChildren() const override { return true; }
    std::optional<QAccessible::Role> accessibilityRole() const override { return QAccessible::StaticText; }

private:
    SymbolLabel* title_;
    FittingLabel* figure_;
    QLabel* unit_;
    FittingLabel* peak_;
};

}  // namespace quentrel

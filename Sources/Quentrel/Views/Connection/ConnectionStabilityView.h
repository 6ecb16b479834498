#pragma once

#include <array>
#include <memory>
#include <optional>
#include <vector>

#include <QWidget>

#include "Quentrel/Views/Models/ConnectionStabilityModel.h"
#include "Quentrel/Views/QtLocaleFormatter.h"
#include "Quentrel/Views/ViewRefresh.h"

class QLabel;
class QScrollArea;
class QVBoxLayout;

namespace quentrel {

class ObserverStore;
class ObserverSurface;
class ObserverSymbolView;
class SymbolLabel;

// The content of the window "connection-summary": the remembered drive's connection state, its
// losses, recoveries and confirmed gap, when the record started and when the last loss was seen,
// the recent changes in a scrolling list and a footnote; without a remembered drive only that
// there is none. The window itself (title, size) is the presenter's. It follows the store.
class ConnectionStabilityView : public QWidget {
    Q_OBJECT
public:
    static constexpr int spacing = 18;
    static constexpr int padding = 24;
    static constexpr qreal titleSize = 23;
    static constexpr int metricSpacing = 12;
    static constexpr int datesSpacing = 5;
    static constexpr int listSpacing = 12;
    static constexpr int emptyNotePadding = 28;
    static constexpr int tileSpacing = 9;
    static constexpr int tilePadding = 14;
    static constexpr qreal tileValueSize = 20;
    static constexpr int rowSpacing = 12;
    static constexpr int rowTextSpacing = 5;
    static constexpr int rowPadding = 14;
    static constexpr qreal rowTitleSize = 13;
    static constexpr qreal unavailableSymbolSize = 40;
    static constexpr qreal unavailableTitleSize = 17;
    static constexpr int unavailableSpacing = 8;

    class Tile;
    class ChangeRow;

    // `locale` writes the dates; it must outlive the view.
    explicit ConnectionStabilityView(std::shared_ptr<ObserverStore> store, QWidget* parent = nullptr,
                                     const LocaleFormatter& locale = QtLocaleFormatter::system());

    void refresh();
    const std::optional<ConnectionStabilityModel>& model() const { return model_; }

    QWidget* unavailableBody() const { return unavailable_; }
    QWidget* recordBody() const { return record_; }
    SymbolLabel* stateLabel() const { return state_; }
    const std::array<Tile*, 3>& tiles() const { return tiles_; }
    QLabel* sinceLabel() const { return since_; }
    QLabel* lastLossLabel() const { return lastLoss_; }
    QLabel* emptyNote() const { return emptyNote_; }
    // The rows in use (hidden ones beyond them are kept for reuse).
    std::vector<ChangeRow*> visibleRows() const;
    QScrollArea* changeList() const { return scroll_; }
    QLabel* footnote() const { return footnote_; }

private:
    std::shared_ptr<ObserverStore> store_;
    const LocaleFormatter& locale_;
    QLabel* title_;
    ObserverSymbolView* titleSymbol_;
    QWidget* unavailable_;
    ObserverSymbolView* unavailableSymbol_;
    QLabel* unavailableTitle_;
    QLabel* unavailableDescription_;
    QWidget* record_;
    SymbolLabel* state_;
    std::array<Tile*, 3> tiles_{};
    QLabel* since_;
    QLabel* lastLoss_;
    QScrollArea* scroll_;
    QVBoxLayout* listLayout_;
    QLabel* emptyNote_;
    std::vector<ChangeRow*> rows_;
    QLabel* footnote_;
    ViewRefresh refresh_{this, [this] { refresh(); }};
    std::optional<ConnectionStabilityModel> model_;
};

// One metric tile: its title with the symbol above the value.
class ConnectionStabilityView::Tile : public QWidget {
    Q_OBJECT
public:
    explicit Tile(QWidget* parent = nullptr);
    void apply(const ConnectionStabilityModel::Metric& metric);

    SymbolLabel* title() const { return title_; }
    QLabel* value() const { return value_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    SymbolLabel* title_;
    QLabel* value_;
};

// One connection change: its symbol, its title and its date.
class ConnectionStabilityView::ChangeRow : public QWidget {
    Q_OBJECT
public:
    explicit ChangeRow(QWidget* parent = nullptr);
    void apply(const ConnectionStabilityModel::Change& change);

    ObserverSymbolView* symbol() const { return symbol_; }
    QLabel* title() const { return title_; }
    QLabel* date() const { return date_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    ObserverSymbolView* symbol_;
    QLabel* title_;
    QLabel* date_;
};

}  // namespace quentrel

#include "ConnectionStabilityView.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QScrollArea>
#include <QVBoxLayout>

#include "Quentrel/Stores/ObserverStore.h"
#include "Quentrel/Views/Controls/ObserverSurface.h"
#include "Quentrel/Views/Controls/ObserverSymbolView.h"
#include "Quentrel/Views/Controls/SymbolLabel.h"
#include "Quentrel/Views/Controls/VerticalScrollArea.h"
#include "Quentrel/Views/Theme/ObserverTheme.h"
#include "Quentrel/Views/ViewText.h"

namespace quentrel {

namespace {
using ObserverTheme::systemFont;
using TextStyle = ObserverTheme::TextStyle;

int cardMargin(int padding) { return padding + static_cast<int>(ObserverSurface::outlineOverhang); }
}  // namespace

ConnectionStabilityView::Tile::Tile(QWidget* parent)
    : QWidget(parent),
      title_(new SymbolLabel({}, {}, ObserverTheme::font(TextStyle::caption), ObserverTheme::muted, this)),
      value_(makeObserverText({}, systemFont(tileValueSize, QFont::DemiBold), ObserverTheme::text, this)) {
    auto* layout = new QVBoxLayout(this);
    const int margin = cardMargin(tilePadding);
    layout->setContentsMargins(margin, margin, margin, margin);
    layout->setSpacing(tileSpacing);
    layout->addWidget(title_);
    layout->addWidget(value_);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
}

void ConnectionStabilityView::Tile::apply(const ConnectionStabilityModel::Metric& metric) {
    title_->setTitle(qtext(metric.title));
    title_->setSymbol(qtext(metric.symbol));
    value_->setText(qtext(metric.value));
}

void ConnectionStabilityView::Tile::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    ObserverSurface::paintCard(painter, ObserverSurface::cardShape(size()), ObserverTheme::increasedContrast());
}

ConnectionStabilityView::ChangeRow::ChangeRow(QWidget* parent)
    : QWidget(parent),
      symbol_(new ObserverSymbolView({}, ObserverTheme::bodySize, ObserverTheme::accent, this)),
      title_(makeObserverText({}, systemFont(rowTitleSize, QFont::Medium), ObserverTheme::text, this)),
      date_(makeObserverText({}, ObserverTheme::font(TextStyle::caption), ObserverTheme::muted, this)) {
    auto* layout = new QHBoxLayout(this);
    const int margin = cardMargin(rowPadding);
    layout->setContentsMargins(margin, margin, margin, margin);
    layout->setSpacing(rowSpacing);
    layout->addWidget(symbol_, 0, Qt::AlignTop);
    auto* texts = new QVBoxLayout;
    texts->setSpacing(rowTextSpacing);
    texts->addWidget(title_);
    texts->addWidget(date_);
    layout->addLayout(texts);
    layout->addStretch(1);
}

void ConnectionStabilityView::ChangeRow::apply(const ConnectionStabilityModel::Change& change) {
    symbol_->setSymbol(qtext(change.symbol));
    title_->setText(qtext(change.title));
    date_->setText(qtext(change.dateText));
}

void ConnectionStabilityView::ChangeRow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    ObserverSurface::paintCard(painter, ObserverSurface::cardShape(size()), ObserverTheme::increasedContrast());
}

ConnectionStabilityView::ConnectionStabilityView(std::shared_ptr<ObserverStore> store, QWidget* parent,
                                                 const LocaleFormatter& locale)
    : QWidget(parent), store_(std::move(store)), locale_(locale) {
    ObserverTheme::applyToRoot(*this);
    const QFont caption = ObserverTheme::font(TextStyle::caption);

    title_ = makeObserverText({}, systemFont(titleSize, QFont::Bold), ObserverTheme::text, this);
    titleSymbol_ = new ObserverSymbolView({}, ObserverTheme::bodySize, ObserverTheme::accent, this);

    // Without a remembered drive: the content-unavailable body, centred in the space left.
    unavailable_ = new QWidget(this);
    unavailableSymbol_ = new ObserverSymbolView({}, unavailableSymbolSize, ObserverTheme::muted, unavailable_);
    unavailableTitle_ = makeObserverText({}, systemFont(unavailableTitleSize, QFont::Bold), ObserverTheme::text, unavailable_);
    unavailableDescription_ = makeObserverText({}, ObserverTheme::font(TextStyle::body), ObserverTheme::muted, unavailable_);
    unavailableDescription_->setWordWrap(true);
    unavailableDescription_->setAlignment(Qt::AlignHCenter);
    auto* unavailableLayout = new QVBoxLayout(unavailable_);
    unavailableLayout->setContentsMargins(0, 0, 0, 0);
    unavailableLayout->setSpacing(unavailableSpacing);
    unavailableLayout->addStretch(1);
    unavailableLayout->addWidget(unavailableSymbol_, 0, Qt::AlignHCenter);
    unavailableLayout->addWidget(unavailableTitle_, 0, Qt::AlignHCenter);
    unavailableLayout->addWidget(unavailableDescription_);
    unavailableLayout->addStretch(1);

    // With one: state, tiles, dates, the change list and the footnote.
    record_ = new QWidget(this);
    auto* recordLayout = new QVBoxLayout(record_);
    recordLayout->setContentsMargins(0, 0, 0, 0);
    recordLayout->setSpacing(spacing);
    state_ = new SymbolLabel({}, {}, ObserverTheme::font(TextStyle::headline), ObserverTheme::accent, record_);
    recordLayout->addWidget(state_);
    auto* tileRow = new QHBoxLayout;
    tileRow->setSpacing(metricSpacing);
    for (auto& tile : tiles_) {
        tile = new Tile(record_);
        tileRow->addWidget(tile, 1);
    }
    recordLayout->addLayout(tileRow);
    auto* dates = new QVBoxLayout;
    dates->setSpacing(datesSpacing);
    since_ = makeObserverText({}, caption, ObserverTheme::muted, record_);
    lastLoss_ = makeObserverText({}, caption, ObserverTheme::muted, record_);
    dates->addWidget(since_);
    dates->addWidget(lastLoss_);
    recordLayout->addLayout(dates);

    scroll_ = makeVerticalScrollArea(record_);
    auto* list = new QWidget;
    listLayout_ = new QVBoxLayout(list);
    listLayout_->setContentsMargins(0, 0, 0, 0);
    listLayout_->setSpacing(listSpacing);
    emptyNote_ = makeObserverText({}, ObserverTheme::font(TextStyle::callout), ObserverTheme::muted, list);
    emptyNote_->setContentsMargins(0, emptyNotePadding, 0, emptyNotePadding);
    listLayout_->addWidget(emptyNote_);
    listLayout_->addStretch(1);
    scroll_->setWidget(list);
    list->setAutoFillBackground(false);
    recordLayout->addWidget(scroll_, 1);

    footnote_ = makeObserverText({}, caption, ObserverTheme::muted, record_);
    footnote_->setWordWrap(true);
    recordLayout->addWidget(footnote_);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(padding, padding, padding, padding);
    layout->setSpacing(spacing);
    layout->addLayout(ViewText::spreadRow(title_, titleSymbol_));
    layout->addWidget(unavailable_, 1);
    layout->addWidget(record_, 1);

    refresh_.watch(store_->objectWillChange());
    refresh();
}

std::vector<ConnectionStabilityView::ChangeRow*> ConnectionStabilityView::visibleRows() const {
    std::vector<ChangeRow*> shown;
    for (auto* row : rows_)
        if (!row->isHidden()) shown.push_back(row);
    return shown;
}

void ConnectionStabilityView::refresh() {
    auto model = ConnectionStabilityModel::make(*store_, locale_);
    title_->setText(qtext(model.headerTitle));
    titleSymbol_->setSymbol(qtext(model.headerSymbol));
    unavailableSymbol_->setSymbol(qtext(model.unavailable.symbol));
    unavailableTitle_->setText(qtext(model.unavailable.title));
    unavailableDescription_->setText(qtext(model.unavailable.description));
    unavailable_->setVisible(!model.record);
    record_->setVisible(model.record.has_value());
    if (const auto& r = model.record) {
        state_->setTitle(qtext(r->state.title));
        state_->setSymbol(qtext(r->state.symbol));
        for (std::size_t i = 0; i < tiles_.size(); ++i) tiles_[i]->apply(r->metrics[i]);
        since_->setText(qtext(r->sinceLine));
        lastLoss_->setText(qtext(r->lastLossLine));
        emptyNote_->setVisible(r->emptyNote.has_value());
        emptyNote_->setText(qtext(r->emptyNote.value_or(std::string())));
        // Rows are kept and reused; the list's stretch stays last.
        while (rows_.size() < r->changes.size()) {
            auto* row = new ChangeRow(scroll_->widget());
            listLayout_->insertWidget(listLayout_->count() - 1, row);
            rows_.push_back(row);
        }
        for (std::size_t i = 0; i < rows_.size(); ++i) {
            rows_[i]->setVisible(i < r->changes.size());
            if (i < r->changes.size()) rows_[i]->apply(r->changes[i]);
        }
        footnote_->setText(qtext(r->footnote));
    }
    model_ = std::move(model);
}

}  // namespace quentrel

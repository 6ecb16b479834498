#include "DeviceObservationView.h"

#include <QFontMetrics>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "Quentrel/Views/Controls/FittingLabel.h"
#include "Quentrel/Views/Controls/ObserverAccessibility.h"
#include "Quentrel/Views/Controls/ObserverSymbolView.h"
#include "Quentrel/Views/Controls/SymbolLabel.h"
#include "Quentrel/Views/Theme/ObserverTheme.h"
#include "Quentrel/Views/ViewText.h"

namespace quentrel {

namespace {
using ObserverTheme::systemFont;


// The card's padding is measured from its shape, which sits inside the outline's overhang.
int cardMargin(int padding) { return padding + static_cast<int>(ObserverSurface::outlineOverhang); }
}  // namespace

DeviceObservationView::Column::Column(QWidget* parent)
    : QWidget(parent),
      title_(new SymbolLabel({}, {}, systemFont(columnTitleSize, QFont::Medium), ObserverTheme::muted, this)),
      figure_(new FittingLabel(systemFont(fullMetrics.figureSize, QFont::Medium), figureMinimumScale, this)),
      unit_(makeObserverText({}, systemFont(fullMetrics.unitSize, QFont::Medium), ObserverTheme::muted, this)),
      peak_(new FittingLabel(systemFont(fullMetrics.peakSize), peakMinimumScale, this)) {
    setTextColour(*figure_, ObserverTheme::text);
    setTextColour(*peak_, ObserverTheme::muted);
    // The figure keeps its width while it fits and shrinks (down to its smallest scale) when not.
    figure_->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    peak_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(columnSpacing);
    layout->addWidget(title_);
    auto* figureRow = new QHBoxLayout;
    figureRow->setSpacing(figureUnitSpacing);
    figureRow->addWidget(figure_, 0, Qt::AlignBottom);
    figureRow->addWidget(unit_, 0, Qt::AlignBottom);
    figureRow->addStretch(1);
    layout->addLayout(figureRow);
    layout->addWidget(peak_);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
}

void DeviceObservationView::Column::apply(const DeviceObservationModel::Column& column) {
    title_->setTitle(qtext(column.title));
    title_->setSymbol(qtext(column.symbol));
    figure_->setText(qtext(column.value));
    unit_->setText(qtext(column.unit));
    peak_->setText(qtext(column.peakLine));
    setToolTipIfChanged(*peak_, qtext(column.peakHelp));
    setAccessibleNameIfChanged(*this, qtext(column.accessibilityLabel));
}

void DeviceObservationView::Column::applyMetrics(const Metrics& metrics) {
    figure_->setTextFont(systemFont(metrics.figureSize, QFont::Medium));
    unit_->setFont(systemFont(metrics.unitSize, QFont::Medium));
    peak_->setTextFont(systemFont(metrics.peakSize));
    // Both sit on the row's bottom; lifting the unit by the difference of their descents puts the
    // two on one baseline.
    const int lift = QFontMetrics(figure_->textFont()).descent() - QFontMetrics(unit_->font()).descent();
    unit_->setContentsMargins(0, 0, 0, std::max(0, lift));
}

DeviceObservationView::DeviceObservationView(bool compact, QWidget* parent)
    : ObserverSurface(parent),
      layout_(new QVBoxLayout(this)),
      header_(makeObserverText({}, systemFont(headerSize, QFont::DemiBold), ObserverTheme::muted, this)),
      badge_(new SymbolLabel({}, {}, systemFont(badgeSize, QFont::Medium), ObserverTheme::accent, this)),
      rateRow_(new QHBoxLayout),
      read_(new Column(this)),
      rule_(new QFrame(this)),
      write_(new Column(this)),
      footerSymbol_(new ObserverSymbolView({}, footerSize, ObserverTheme::muted, this)),
      interval_(makeObserverText({}, systemFont(footerSize), ObserverTheme::muted, this)),
      separator_(makeObserverText({}, systemFont(footerSize), ObserverTheme::muted, this)),
      time_(makeObserverText({}, systemFont(footerSize), ObserverTheme::muted, this)) {
    layout_->addLayout(ViewText::spreadRow(header_, badge_));

    rule_->setFixedWidth(1);
    rule_->setAutoFillBackground(true);
    QPalette rulePalette = rule_->palette();
    rulePalette.setColor(QPalette::Window, ObserverTheme::border);
    rule_->setPalette(rulePalette);
    rateRow_->addWidget(read_, 1);
    rateRow_->addWidget(rule_, 0, Qt::AlignVCenter);
    rateRow_->addWidget(write_, 1);
    layout_->addLayout(rateRow_);

    auto* footer = new QHBoxLayout;
    footer->setSpacing(footerSpacing);
    footer->addWidget(footerSymbol_);
    footer->addWidget(interval_);
    footer->addWidget(separator_);
    footer->addWidget(time_);
    footer->addStretch(1);
    layout_->addLayout(footer);

    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    // Fonts of the other sizes would be loaded and measured for nothing.
    compact_ = compact;
    applyMetrics(compact ? compactMetrics : fullMetrics);
}

void DeviceObservationView::applyMetrics(const Metrics& metrics) {
    const int margin = cardMargin(metrics.padding);
    layout_->setContentsMargins(margin, margin, margin, margin);
    layout_->setSpacing(metrics.rowSpacing);
    rateRow_->setSpacing(metrics.columnGap);
    rule_->setFixedHeight(metrics.ruleHeight);
    read_->applyMetrics(metrics);
    write_->applyMetrics(metrics);
}

void DeviceObservationView::apply(const DeviceObservationModel& model) {
    if (compact_ != model.compact) {
        compact_ = model.compact;
        applyMetrics(model.compact ? compactMetrics : fullMetrics);
    }
    header_->setText(qtext(model.headerTitle));
    badge_->setTitle(qtext(model.badgeTitle));
    badge_->setSymbol(qtext(model.badgeSymbol));
    badge_->setColour(model.badgeMuted ? ObserverTheme::muted : ObserverTheme::accent);
    read_->apply(model.read);
    write_->apply(model.write);
    footerSymbol_->setSymbol(qtext(model.footerSymbol));
    interval_->setText(qtext(model.intervalText.value_or(std::string())));
    interval_->setVisible(model.intervalText.has_value());
    separator_->setText(qtext(model.separator));
    separator_->setVisible(model.intervalText.has_value());
    time_->setText(qtext(model.timeText));
    model_ = model;
}

}  // namespace quentrel

#include "WorkSessionView.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "Quentrel/Services/ObserverWindowPresenter.h"
#include "Quentrel/Stores/ObserverStore.h"
#include "Quentrel/Views/Controls/ObserverAccessibility.h"
#include "Quentrel/Views/Controls/PlainButton.h"
#include "Quentrel/Views/Controls/SymbolLabel.h"
#include "Quentrel/Views/Theme/ObserverTheme.h"
#include "Quentrel/Views/ViewText.h"

namespace quentrel {

namespace {
using ObserverTheme::systemFont;
}  // namespace

WorkSessionView::WorkSessionView(std::shared_ptr<ObserverStore> store, bool compact, QWidget* parent,
                                 const LocaleFormatter& locale)
    : ObserverSurface(parent), store_(std::move(store)), compact_(compact), locale_(locale) {
    const Metrics& metrics = compact ? compactMetrics : fullMetrics;
    const QFont caption = ObserverTheme::font(ObserverTheme::TextStyle::caption);
    const QFont bytes = systemFont(metrics.bytesSize, QFont::DemiBold);

    header_ = new SymbolLabel({}, {}, systemFont(metrics.headerSize, QFont::DemiBold), ObserverTheme::text, this);
    openLog_ = PlainButton::withSymbol({}, openLogSymbolSize, ObserverTheme::muted, {}, this);
    connect(openLog_, &QAbstractButton::clicked, this,
            [] { ObserverWindowPresenter::requestShow(std::string(WorkSessionModel::activityLogWindow)); });

    session_ = new QWidget(this);
    read_ = new SymbolLabel({}, {}, bytes, ObserverTheme::text, session_);
    written_ = new SymbolLabel({}, {}, bytes, ObserverTheme::text, session_);
    duration_ = makeObserverText({}, caption, ObserverTheme::muted, session_);
    paused_ = new SymbolLabel({}, {}, caption, ObserverTheme::muted, session_);
    noSession_ = makeObserverText({}, caption, ObserverTheme::muted, this);

    auto* sessionLayout = new QVBoxLayout(session_);
    sessionLayout->setContentsMargins(0, 0, 0, 0);
    sessionLayout->setSpacing(metrics.spacing);
    auto* bytesRow = new QHBoxLayout;
    bytesRow->setSpacing(bytesSpacing);
    bytesRow->addWidget(read_);
    bytesRow->addWidget(written_);
    bytesRow->addStretch(1);
    sessionLayout->addLayout(bytesRow);
    sessionLayout->addWidget(duration_);
    sessionLayout->addWidget(paused_);

    auto* layout = new QVBoxLayout(this);
    const int margin = metrics.padding + static_cast<int>(outlineOverhang);
    layout->setContentsMargins(margin, margin, margin, margin);
    layout->setSpacing(metrics.spacing);
    layout->addLayout(ViewText::spreadRow(header_, openLog_));
    layout->addWidget(session_);
    layout->addWidget(noSession_);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);

    refresh_.watch(store_->objectWillChange());
    refresh();
}

void WorkSessionView::refresh() {
    const auto model = WorkSessionModel::make(*store_, compact_, locale_);
    header_->setTitle(qtext(model.header.title));
    header_->setSymbol(qtext(model.header.symbol));
    openLog_->setSymbol(qtext(model.openLogSymbol));
    setAccessibleNameIfChanged(*openLog_, qtext(model.openLogAccessibilityLabel));
    session_->setVisible(model.session.has_value());
    noSession_->setVisible(!model.session);
    noSession_->setText(qtext(model.noSessionText));
    if (const auto& s = model.session) {
        read_->setTitle(qtext(s->read.title));
        read_->setSymbol(qtext(s->read.symbol));
        read_->setAccessibilityLabel(qtext(s->readAccessibilityLabel));
        written_->setTitle(qtext(s->written.title));
        written_->setSymbol(qtext(s->written.symbol));
        written_->setAccessibilityLabel(qtext(s->writtenAccessibilityLabel));
        duration_->setText(qtext(s->durationLine));
        paused_->setVisible(s->pausedNote.has_value());
        if (s->pausedNote) {
            paused_->setTitle(qtext(s->pausedNote->title));
            paused_->setSymbol(qtext(s->pausedNote->symbol));
        }
    }
    model_ = model;
}

}  // namespace quentrel

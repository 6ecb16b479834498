#include "ConnectionStabilityLink.h"

#include <QHBoxLayout>
#include <QLabel>

#include "Quentrel/Services/ObserverWindowPresenter.h"
#include "Quentrel/Stores/ObserverStore.h"
#include "Quentrel/Views/Controls/ObserverAccessibility.h"
#include "Quentrel/Views/Controls/ObserverSymbolView.h"
#include "Quentrel/Views/Theme/ObserverTheme.h"
#include "Quentrel/Views/ViewText.h"

namespace quentrel {

ConnectionStabilityLink::ConnectionStabilityLink(std::shared_ptr<ObserverStore> store, QWidget* parent)
    : PlainButton(parent), store_(std::move(store)) {
    const QFont font = ObserverTheme::systemFont(fontSize, QFont::Medium);
    state_ = new ObserverSymbolView({}, fontSize, ObserverTheme::accent, this);
    title_ = makeObserverText({}, font, ObserverTheme::text, this);
    summary_ = makeObserverText({}, font, ObserverTheme::muted, this);
    chevron_ = new ObserverSymbolView({}, fontSize, ObserverTheme::muted, this);

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, verticalPadding, 0, verticalPadding);
    layout->setSpacing(spacing);
    layout->addWidget(state_);
    layout->addWidget(title_);
    layout->addStretch(1);
    layout->addWidget(summary_);
    layout->addWidget(chevron_);
    setObjectName(qtext(ConnectionStabilityLinkModel::identifier));
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    connect(this, &QAbstractButton::clicked, this,
            [] { ObserverWindowPresenter::requestShow(std::string(ConnectionStabilityLinkModel::summaryWindow)); });

    refresh_.watch(store_->objectWillChange());
    refresh();
}

void ConnectionStabilityLink::refresh() {
    auto model = ConnectionStabilityLinkModel::make(*store_);
    setVisible(model.has_value());
    if (model) {
        state_->setSymbol(qtext(model->stateSymbol));
        title_->setText(qtext(model->title));
        summary_->setText(qtext(model->summary));
        chevron_->setSymbol(qtext(model->chevronSymbol));
        setToolTipIfChanged(*this, qtext(model->help));
        setAccessibleNameIfChanged(*this, qtext(model->accessibilityLabel));
    }
    model_ = std::move(model);
}

}  // namespace quentrel

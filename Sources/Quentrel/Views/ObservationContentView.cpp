#include "ObservationContentView.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QShortcut>
#include <QVBoxLayout>

#include "Quentrel/Services/ObserverWindowPresenter.h"
#include "Quentrel/Stores/ObserverStore.h"
#include "Quentrel/Views/ActivityHistoryView.h"
#include "Quentrel/Views/Connection/ConnectionStabilityLink.h"
#include "Quentrel/Views/Controls/ObserverAccessibility.h"
#include "Quentrel/Views/Controls/ObserverActionStyle.h"
#include "Quentrel/Views/Controls/ObserverIconButton.h"
#include "Quentrel/Views/Controls/ObserverSurface.h"
#include "Quentrel/Views/Controls/ObserverSymbolView.h"
#include "Quentrel/Views/Controls/SymbolLabel.h"
#include "Quentrel/Views/Controls/VerticalScrollArea.h"
#include "Quentrel/Views/Observation/DeviceObservationView.h"
#include "Quentrel/Views/Observation/DeviceSelectorView.h"
#include "Quentrel/Views/Observation/ObservationMenuView.h"
#include "Quentrel/Views/Sessions/WorkSessionView.h"
#include "Quentrel/Views/SystemLocaleTexts.h"
#include "Quentrel/Views/Theme/ObserverTheme.h"
#include "Quentrel/Views/ViewText.h"
#include "Quentrel/Views/WindowVisibilityProbe.h"

namespace quentrel {

namespace {
using M = ObservationContentModel;
using V = ObservationContentView;

ObserverIconButton* iconButton(const M::Button& button, std::function<void()> action) {
    return new ObserverIconButton(qtext(button.title), qtext(button.symbol), false, true, qtext(button.identifier),
                                  std::move(action));
}

// The app's mark at the header's start: the drive on a dark rounded tile, decoration only.
class HeaderTile : public QWidget, public ObserverAccessible {
public:
    HeaderTile() {
        setFixedSize(V::tileSide, V::tileSide);
        auto* layout = new QVBoxLayout(this);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(new ObserverSymbolView(qtext(M::headerSymbol), V::tileSymbolSize, ObserverTheme::accent), 0,
                          Qt::AlignCenter);
    }
    bool isAccessibilityHidden() const override { return true; }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.fillPath(ObserverTheme::continuousRoundedRect(QRectF(rect()), V::tileCornerRadius),
                         ObserverTheme::withOpacity(Qt::black, V::tileOpacity));
    }
};

void showWindow(std::string_view window) { ObserverWindowPresenter::requestShow(std::string(window)); }
}  // namespace

ObservationContentView::ObservationContentView(std::shared_ptr<ObserverStore> store, CommandSink remoteCommand,
                                               QWidget* parent, const LocaleFormatter& locale,
                                               std::shared_ptr<const LocaleTexts> texts)
    : QScrollArea(parent),
      store_(std::move(store)),
      remoteCommand_(std::move(remoteCommand)),
      locale_(locale),
      texts_(texts ? std::move(texts) : SystemLocaleTexts::shared()) {
    auto* layout = setUpScrollingRootColumn(*this, padding, spacing);
    QWidget* content = layout->parentWidget();
    layout->addWidget(buildHeader());
    selector_ = new DeviceSelectorView(store_, false, true, content, locale_);
    layout->addWidget(selector_);
    deviceGroup_ = buildDeviceGroup();
    layout->addWidget(deviceGroup_);
    empty_ = buildEmptyState();
    layout->addWidget(empty_);
    link_ = new ConnectionStabilityLink(store_, content);
    layout->addWidget(link_);
    auto* error = new SymbolLabel({}, qtext(M::errorSymbol), ObserverTheme::font(ObserverTheme::TextStyle::caption),
                                  ObservationMenuView::errorColour, content);
    // The message wraps within the content's width and grows in height, never truncated.
    error->setWrapsTitle();
    error->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    errorLine_ = error;
    errorText_ = error->titleLabel();
    layout->addWidget(errorLine_);
    layout->addStretch(1);
    layout->addWidget(buildFooter());

    // The probe holds the store weakly: it may report while this view is being destroyed.
    probe_ = WindowVisibilityProbe::reportingTo(store_, this);

    storeRefresh_.watch(store_->objectWillChange());
    refresh();
}

QWidget* ObservationContentView::buildHeader() {
    auto* header = new QWidget;
    auto* row = new QHBoxLayout(header);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(headerSpacing);
    row->addWidget(new HeaderTile);
    row->addWidget(makeObserverText(qtext(M::title), ObserverTheme::systemFont(titleSize, QFont::Bold)));
    row->addStretch(1);
    row->addWidget(iconButton(M::quickView, [] { ObserverWindowPresenter::requestQuickView(); }));
    auto* log = iconButton(M::activityLog, [] { showWindow(M::activityLogWindow); });
    addShortcut(*log, M::activityLog.shortcut);
    row->addWidget(log);
    auto* settings = iconButton(M::settings, [] { showWindow(M::settingsWindow); });
    settings->setSymbolSize(settingsSymbolSize);
    row->addWidget(settings);
    return header;
}

QWidget* ObservationContentView::buildDeviceGroup() {
    auto* group = new QWidget;
    auto* column = new QVBoxLayout(group);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(spacing);
    panel_ = new DeviceObservationView(false, group);
    column->addWidget(panel_);
    graph_ = new ActivityHistoryView(false, texts_, group);
    column->addWidget(graph_);
    session_ = new WorkSessionView(store_, false, group, locale_);
    column->addWidget(session_);

    auto* bar = new QHBoxLayout;
    bar->setSpacing(actionSpacing);
    finder_ = new ObserverActionButton(qtext(M::finder.title), true, group);
    finder_->setSymbol(qtext(M::finder.symbol));
    finder_->setObjectName(qtext(M::finder.identifier));
    connect(finder_, &QAbstractButton::clicked, this, [this] { store_->revealSelectedVolume(); });
    bar->addWidget(finder_);
    bar->addStretch(1);
    // The flag is the one the button shows, so a click asks for what its title says.
    pause_ = iconButton(M::pause, [this] { store_->setPaused(model_.device ? model_.device->pauseRequest : true); });
    bar->addWidget(pause_);
    refresh_ = iconButton(M::refresh, [this] { ObservationContentModel::refreshObservation(*store_, remoteCommand_); });
    addShortcut(*refresh_, M::refresh.shortcut);
    bar->addWidget(refresh_);
    details_ = iconButton(M::deviceDetails, [] { showWindow(M::deviceDetailsWindow); });
    addShortcut(*details_, M::deviceDetails.shortcut);
    bar->addWidget(details_);
    column->addLayout(bar);
    return group;
}

QWidget* ObservationContentView::buildEmptyState() {
    auto* card = new ObserverSurface;
    card->setMinimumHeight(emptyMinimumHeight);
    card->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    auto* column = new QVBoxLayout(card);
    column->setSpacing(emptySpacing);
    column->addStretch(1);
    column->addWidget(new ObserverSymbolView(qtext(M::emptySymbol), emptySymbolSize, ObserverTheme::accent), 0,
                      Qt::AlignHCenter);
    emptyText_ = makeObserverText({}, ObserverTheme::systemFont(emptyTextSize, QFont::DemiBold));
    column->addWidget(emptyText_, 0, Qt::AlignHCenter);
    column->addStretch(1);
    return card;
}

QWidget* ObservationContentView::buildFooter() {
    auto* footer = new QWidget;
    auto* row = new QHBoxLayout(footer);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(footerSpacing);
    const QFont font = ObserverTheme::systemFont(footerSize, QFont::Medium);
    row->addWidget(new ObserverSymbolView(qtext(M::footerSymbol), footerSize, ObserverTheme::muted));
    row->addWidget(makeObserverText(qtext(M::footerText), font, ObserverTheme::muted));
    row->addStretch(1);
    modeSymbol_ = new ObserverSymbolView({}, footerSize, ObserverTheme::muted);
    row->addWidget(modeSymbol_);
    modeText_ = makeObserverText({}, font, ObserverTheme::muted);
    row->addWidget(modeText_);
    return footer;
}

void ObservationContentView::addShortcut(QAbstractButton& button, std::string_view keys) {
    auto* shortcut = new QShortcut(QKeySequence(qtext(keys), QKeySequence::PortableText), &button);
    shortcut->setContext(Qt::WindowShortcut);
    connect(shortcut, &QShortcut::activated, &button, [&button] {
        if (button.isEnabled() && button.isVisible()) button.click();
    });
}

void ObservationContentView::refresh() {
    model_ = ObservationContentModel::make(*store_);
    deviceGroup_->setVisible(model_.device.has_value());
    empty_->setVisible(!model_.device);
    emptyText_->setText(QString::fromStdString(model_.emptyText));
    if (const auto& device = model_.device) {
        if (auto panel = DeviceObservationModel::fromStore(*store_, false, locale_)) panel_->apply(*panel);
        graph_->setInput(device->graph);
        finder_->setEnabled(device->finderEnabled);
        pause_->setTitle(qtext(device->pauseButton.title));
        pause_->setSymbol(qtext(device->pauseButton.symbol));
        pause_->setHighlighted(device->pauseHighlighted);
        pause_->setEnabled(device->pauseEnabled);
        refresh_->setEnabled(device->refreshEnabled);
    } else {
        graph_->endIdentity();
    }
    errorLine_->setVisible(model_.errorMessage.has_value());
    static_cast<SymbolLabel*>(errorLine_)->setTitle(QString::fromStdString(model_.errorMessage.value_or("")));
    modeSymbol_->setSymbol(QString::fromStdString(model_.modeSymbol));
    modeText_->setText(QString::fromStdString(model_.modeText));
}

}  // namespace quentrel

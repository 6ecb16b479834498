#include "ObservationMenuView.h"

#include <QAction>
#include <QHBoxLayout>
#include <QIcon>
#include <QKeySequence>
#include <QLabel>
#include <QMenu>
#include <QVBoxLayout>

#include "DeviceObservationView.h"
#include "DeviceSelectorView.h"
#include "Quentrel/Services/ObserverWindowPresenter.h"
#include "Quentrel/Stores/ObserverStore.h"
#include "Quentrel/Views/Connection/ConnectionStabilityLink.h"
#include "Quentrel/Views/Controls/ObserverAccessibility.h"
#include "Quentrel/Views/Controls/ObserverActionStyle.h"
#include "Quentrel/Views/Controls/ObserverIconButton.h"
#include "Quentrel/Views/Controls/ObserverSymbolView.h"
#include "Quentrel/Views/Controls/PlainButton.h"
#include "Quentrel/Views/Controls/SymbolLabel.h"
#include "Quentrel/Views/Sessions/WorkSessionView.h"
#include "Quentrel/Views/Symbols/ObserverSymbols.h"
#include "Quentrel/Views/Theme/ObserverTheme.h"
#include "Quentrel/Views/ViewText.h"

namespace quentrel {

namespace {
using ObserverTheme::systemFont;

void setHelp(QWidget& widget, const std::string& help) {
    widget.setToolTip(qtext(help));
    widget.setAccessibleName(qtext(help));
}

// A row of the root stack that lays out its own children.
QWidget* row(QWidget* parent) {
    auto* widget = new QWidget(parent);
    widget->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    return widget;
}
}  // namespace

ObservationMenuView::ObservationMenuView(std::shared_ptr<ObserverStore> store, QWidget* parent,
                                         const LocaleFormatter& locale)
    : QWidget(parent), store_(std::move(store)), locale_(locale) {
    ObserverTheme::applyToRoot(*this);
    const auto model = QuickViewModel::make(*store_, locale_);

    // The rows sit in a column of the card's inner width, so no row can widen the card, and the
    // card's height follows the rows that are shown.
    auto* frame = new QVBoxLayout(this);
    frame->setContentsMargins(padding, padding, padding, padding);
    frame->setSizeConstraint(QLayout::SetFixedSize);
    auto* column = new QWidget(this);
    column->setFixedWidth(cardWidth - 2 * padding);
    frame->addWidget(column);
    auto* root = new QVBoxLayout(column);
    root->setContentsMargins(0, 0, 0, 0);
    root->setSpacing(spacing);
    buildHeader(*root, model);

    selector_ = new DeviceSelectorView(store_, true, true, this, locale_);
    root->addWidget(selector_);

    deviceContent_ = row(this);
    auto* content = new QVBoxLayout(deviceContent_);
    content->setContentsMargins(0, 0, 0, 0);
    content->setSpacing(spacing);
    panel_ = new DeviceObservationView(true, deviceContent_);
    graphSlot_ = new QWidget(deviceContent_);
    (new QVBoxLayout(graphSlot_))->setContentsMargins(0, 0, 0, 0);
    graphSlot_->setVisible(false);
    session_ = new WorkSessionView(store_, true, deviceContent_, locale_);
    content->addWidget(panel_);
    content->addWidget(graphSlot_);
    content->addWidget(session_);
    root->addWidget(deviceContent_);

    empty_ = row(this);
    auto* empty = new QVBoxLayout(empty_);
    empty->setContentsMargins(0, emptyPadding, 0, emptyPadding);
    empty->setSpacing(emptySpacing);
    empty->addWidget(new ObserverSymbolView(qtext(model.empty.symbol), emptySymbolSize, ObserverTheme::muted, empty_),
                     0, Qt::AlignHCenter);
    empty->addWidget(makeObserverText(qtext(model.empty.text), systemFont(emptyTextSize), ObserverTheme::muted, empty_),
                     0, Qt::AlignHCenter);
    root->addWidget(empty_);

    link_ = new ConnectionStabilityLink(store_, this);
    root->addWidget(link_);

    onboarding_ = new PlainButton(this);
    onboardingLabel_ = new SymbolLabel({}, {}, systemFont(promptSize), ObserverTheme::accent, onboarding_);
    (new QHBoxLayout(onboarding_))->addWidget(onboardingLabel_);
    onboarding_->layout()->setContentsMargins(0, 0, 0, 0);
    connect(onboarding_, &QAbstractButton::clicked, this, [this] {
        if (model_ && model_->onboarding) ObserverWindowPresenter::requestShow(model_->onboarding->window);
    });
    root->addWidget(onboarding_, 0, Qt::AlignLeft);

    error_ = makeObserverText({}, ObserverTheme::font(ObserverTheme::TextStyle::caption), errorColour, this);
    error_->setWordWrap(true);
    root->addWidget(error_);

    buildFooter(*root, model);

    refresh_.watch(store_->objectWillChange());
    refresh();
}

void ObservationMenuView::buildHeader(QVBoxLayout& root, const QuickViewModel& model) {
    auto* header = new QHBoxLayout;
    title_ = makeObserverText(qtext(model.title), systemFont(titleSize, QFont::Bold), ObserverTheme::text, this);
    header->addWidget(title_);
    header->addStretch(1);

    close_ = PlainButton::withSymbol(qtext(model.close.symbol), headerSymbolSize, ObserverTheme::muted, closeFrame, this);
    close_->setObjectName(qtext(QuickViewModel::closeIdentifier));
    setHelp(*close_, model.close.help);
    connect(close_, &QAbstractButton::clicked, this,
            [] { ObserverWindowPresenter::requestClose(std::string(QuickViewModel::windowID)); });
    header->addWidget(close_);

    settings_ = PlainButton::withSymbol(qtext(model.settings.symbol), headerSymbolSize, ObserverTheme::muted,
                                        settingsFrame, this);
    settings_->setObjectName(qtext(QuickViewModel::settingsIdentifier));
    setHelp(*settings_, model.settings.help);
    const std::string settingsWindow = model.settingsWindow;
    connect(settings_, &QAbstractButton::clicked, this,
            [settingsWindow] { ObserverWindowPresenter::requestShow(settingsWindow); });
    header->addWidget(settings_);

    more_ = PlainButton::withSymbol(qtext(model.more.symbol), headerSymbolSize, ObserverTheme::muted, moreFrame, this);
    setHelp(*more_, model.more.help);
    menu_ = new QMenu(more_);
    more_->setMenu(menu_);
    for (const auto& item : model.menu) {
        if (item.isDivider()) {
            menuActions_.push_back(menu_->addSeparator());
            continue;
        }
        QAction* action = menu_->addAction(qtext(item.title));
        if (!item.symbol.empty()) {
            action->setIcon(ObserverSymbols::icon(qtext(item.symbol), ObserverTheme::text));
            ObserverSymbols::tag(*action, qtext(item.symbol));
        }
        if (!item.shortcut.empty()) {
            action->setShortcut(QKeySequence(qtext(item.shortcut), QKeySequence::PortableText));
            // Also on the view, so the shortcut works while the panel is the key window.
            addAction(action);
        }
        const std::string window = item.window;
        connect(action, &QAction::triggered, this, [window] {
            if (window.empty())
                ObserverWindowPresenter::requestQuit();
            else
                ObserverWindowPresenter::requestShow(window);
        });
        menuActions_.push_back(action);
    }
    header->addWidget(more_);
    root.addLayout(header);
}

void ObservationMenuView::buildFooter(QVBoxLayout& root, const QuickViewModel& model) {
    auto* footer = new QHBoxLayout;
    footer->setSpacing(footerSpacing);
    dashboard_ = new ObserverActionButton(qtext(model.dashboard.title), true, this);
    dashboard_->setSymbol(qtext(model.dashboard.symbol));
    ObserverSymbols::tag(*dashboard_, qtext(model.dashboard.symbol));
    dashboard_->setShortcut(QKeySequence(qtext(model.dashboard.shortcut), QKeySequence::PortableText));
    const std::string dashboardWindow = model.dashboard.window;
    connect(dashboard_, &QAbstractButton::clicked, this,
            [dashboardWindow] { ObserverWindowPresenter::requestShow(dashboardWindow); });
    footer->addWidget(dashboard_);
    footer->addStretch(1);

    finder_ = new ObserverIconButton(qtext(model.finder.title), qtext(model.finder.symbol), model.finder.highlighted,
                                     model.finder.enabled, qtext(QuickViewModel::finderIdentifier),
                                     [this] { store_->revealSelectedVolume(); }, this);
    footer->addWidget(finder_);
    // The flag is read when the button is clicked, not when it was drawn.
    pause_ = new ObserverIconButton(qtext(model.pause.title), qtext(model.pause.symbol), model.pause.highlighted,
                                    model.pause.enabled, qtext(QuickViewModel::pauseIdentifier),
                                    [this] { store_->setPaused(!store_->isPaused()); }, this);
    footer->addWidget(pause_);
    root.addLayout(footer);
}

void ObservationMenuView::setActivityGraph(ActivityGraphHooks hooks) {
    graphHooks_ = std::move(hooks);
    // A graph of the old hooks goes; the next refresh builds one with the new.
    if (graph_) {
        graph_->hide();
        graph_->deleteLater();
        graph_ = nullptr;
    }
    graphIdentity_.reset();
    if (model_) updateGraph(model_->device);
}

void ObservationMenuView::updateGraph(const std::optional<QuickViewModel::Device>& device) {
    // Another selection (or none) ends the graph's identity, and with it its inspection.
    const bool sameIdentity = graph_ && device && graphIdentity_ == device->graph.identity;
    if (graph_ && !sameIdentity) {
        graph_->hide();
        graph_->deleteLater();
        graph_ = nullptr;
        graphIdentity_.reset();
    }
    if (device && !graph_ && graphHooks_.make) {
        graph_ = graphHooks_.make(graphSlot_);
        if (graph_) {
            graphSlot_->layout()->addWidget(graph_);
            graphIdentity_ = device->graph.identity;
            placeGraphInTabOrder();
        }
    }
    if (graph_ && device && graphHooks_.update) graphHooks_.update(*graph_, device->graph);
    graphSlot_->setVisible(graph_ != nullptr);
}

void ObservationMenuView::placeGraphInTabOrder() {
    // Made after every other row, the graph would come last for Tab: its controls follow the last
    // control before its slot instead, as the rows are shown.
    QWidget* previous = graphSlot_->previousInFocusChain();
    while (previous != graphSlot_ && !(previous->focusPolicy() & Qt::TabFocus)) previous = previous->previousInFocusChain();
    if (previous == graphSlot_) return;
    QList<QWidget*> controls;
    for (QWidget* widget = graph_; widget == graph_ || graph_->isAncestorOf(widget); widget = widget->nextInFocusChain())
        if (widget->focusPolicy() & Qt::TabFocus) controls << widget;
    for (QWidget* control : controls) {
        QWidget::setTabOrder(previous, control);
        previous = control;
    }
}

void ObservationMenuView::refresh() {
    auto model = QuickViewModel::make(*store_, locale_);
    deviceContent_->setVisible(model.device.has_value());
    empty_->setVisible(!model.device);
    if (model.device) panel_->apply(model.device->panel);
    updateGraph(model.device);

    for (std::size_t i = 0; i < menuActions_.size() && i < model.menu.size(); ++i)
        menuActions_[i]->setEnabled(model.menu[i].enabled);

    onboarding_->setVisible(model.onboarding.has_value());
    if (model.onboarding) {
        onboardingLabel_->setTitle(qtext(model.onboarding->title));
        onboardingLabel_->setSymbol(qtext(model.onboarding->symbol));
        setAccessibleNameIfChanged(*onboarding_, qtext(model.onboarding->title));
    }
    error_->setVisible(model.errorLine.has_value());
    error_->setText(qtext(model.errorLine.value_or(std::string())));

    finder_->setEnabled(model.finder.enabled);
    pause_->setTitle(qtext(model.pause.title));
    pause_->setSymbol(qtext(model.pause.symbol));
    pause_->setHighlighted(model.pause.highlighted);
    pause_->setEnabled(model.pause.enabled);
    model_ = std::move(model);
}

}  // namespace quentrel

#include "Quentrel/Views/DataManagementView.h"

#include <utility>

#include <QHBoxLayout>
#include <QHideEvent>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

#include "Quentrel/Views/Controls/AlertTextWidth.h"
#include "Quentrel/Views/Controls/FocusDeparture.h"
#include "Quentrel/Views/Controls/ObservationSection.h"
#include "Quentrel/Views/Controls/ObserverActionStyle.h"
#include "Quentrel/Views/Controls/ObserverAlertStyle.h"
#include "Quentrel/Views/Controls/ObserverSymbolLabel.h"
#include "Quentrel/Views/Controls/VerticalScrollArea.h"
#include "Quentrel/Stores/ObserverStore.h"
#include "Quentrel/Views/Theme/ObserverSystemColors.h"
#include "Quentrel/Views/Theme/ObserverTheme.h"
#include "Quentrel/Views/ViewText.h"

namespace quentrel {

namespace {
using Texts = DataManagementTexts;

ObserverActionButton* makeButton(std::string_view title, std::string_view symbol, std::string_view identifier,
                                 QWidget* parent) {
    auto* button = new ObserverActionButton(qtext(title), false, parent);
    if (!symbol.empty()) button->setSymbol(qtext(symbol));
    button->setObjectName(qtext(identifier));
    return button;
}

// The action button, then its undo button (shown only while there is something to undo).
QWidget* buttonRow(ObserverActionButton* action, ObserverActionButton* undo, int topPadding, QWidget* parent) {
    auto* row = new QWidget(parent);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, topPadding, 0, 0);
    layout->setSpacing(DataManagementView::buttonSpacing);
    action->setParent(row);
    undo->setParent(row);
    layout->addWidget(action, 0, Qt::AlignVCenter);
    layout->addWidget(undo, 0, Qt::AlignVCenter);
    layout->addStretch(1);
    return row;
}

std::size_t indexOf(DataConfirmation confirmation) { return static_cast<std::size_t>(confirmation); }
}  // namespace

DataManagementView::DataManagementView(std::shared_ptr<ObserverStore> store, QWidget* parent)
    : QWidget(parent), store_(std::move(store)), refresh_(this, [this] { refresh(); }) {
    auto* content = new QWidget;
    content->setAutoFillBackground(false);
    auto* column = ViewText::setUpWindow(*this, qtext(Texts::windowID), *content, padding, spacing);
    const QFont callout = ObserverTheme::font(ObserverTheme::TextStyle::callout);
    const QFont caption = ObserverTheme::font(ObserverTheme::TextStyle::caption);
    column->addWidget(ViewText::makeTitle(qtext(Texts::title), titleSize, content));

    // 관측 설정
    auto* preferences = new QWidget;
    auto* preferencesColumn = ObservationSection::contentColumn(preferences);
    preferencesColumn->addWidget(
        makeObserverText(qtext(Texts::preferencesText), callout, ObserverTheme::muted, nullptr, TextWrap::words));
    auto* reset = makeButton(Texts::resetButton, Texts::resetSymbol, Texts::resetIdentifier, preferences);
    undoReset_ = makeButton(Texts::undoResetButton, {}, Texts::undoResetIdentifier, preferences);
    preferencesColumn->addWidget(buttonRow(reset, undoReset_, firstRowTopPadding, preferences));
    column->addWidget(new ObservationSection(qtext(Texts::preferencesSection), preferences, content));

    // 최근 이벤트
    auto* events = new QWidget;
    auto* eventsColumn = ObservationSection::contentColumn(events);
    eventsText_ = makeObserverText({}, callout, ObserverTheme::muted, events, TextWrap::words);
    eventsColumn->addWidget(eventsText_);
    clearEvents_ = makeButton(Texts::clearEventsButton, Texts::clearSymbol, Texts::clearEventsIdentifier, events);
    undoEvents_ = makeButton(Texts::undoEventsButton, {}, Texts::undoEventsIdentifier, events);
    eventsColumn->addWidget(buttonRow(clearEvents_, undoEvents_, firstRowTopPadding, events));
    eventsColumn->addWidget(
        makeObserverText(qtext(Texts::eventsNote), caption, ObserverTheme::muted, events, TextWrap::words));
    column->addWidget(new ObservationSection(qtext(Texts::eventsSection), events, content));

    // 작업 세션
    auto* sessions = new QWidget;
    auto* sessionsColumn = ObservationSection::contentColumn(sessions);
    sessionsText_ = makeObserverText({}, callout, ObserverTheme::muted, sessions, TextWrap::words);
    sessionsColumn->addWidget(sessionsText_);
    clearSessions_ =
        makeButton(Texts::clearSessionsButton, Texts::clearSymbol, Texts::clearSessionsIdentifier, sessions);
    undoSessions_ = makeButton(Texts::undoSessionsButton, {}, Texts::undoSessionsIdentifier, sessions);
    sessionsColumn->addWidget(buttonRow(clearSessions_, undoSessions_, 0, sessions));
    column->addWidget(new ObservationSection(qtext(Texts::sessionsSection), sessions, content));

    result_ = new ObserverSymbolLabel(qtext(Texts::succeededSymbol), {}, callout, ObserverTheme::muted, content);
    column->addWidget(result_);
    column->addWidget(
        makeObserverText(qtext(Texts::scopeNote), caption, ObserverTheme::muted, content, TextWrap::words));
    column->addStretch(1);

    auto* scroll = makeVerticalScrollArea(this);
    scroll->setWidget(content);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(scroll);

    const std::pair<ObserverActionButton*, DataConfirmation> actions[] = {
        {reset, DataConfirmation::reset},
        {clearEvents_, DataConfirmation::clearEvents},
        {clearSessions_, DataConfirmation::clearSessions}};
    for (const auto& [button, confirmation] : actions) {
        connect(button, &QAbstractButton::clicked, this, [this, which = confirmation] { confirm(which); });
        // Focus never passes by itself to an action whose confirmation deletes.
        if (confirmationAlert(confirmation).destructive) markDeletes(*button);
    }
    // Undo runs at once; a second press before the next state sends a second command, which the
    // agent ignores when nothing is left to undo.
    connect(undoReset_, &QAbstractButton::clicked, this, [this] { store_->undoObservationReset(); });
    connect(undoEvents_, &QAbstractButton::clicked, this, [this] { store_->undoHistoryClear(); });
    connect(undoSessions_, &QAbstractButton::clicked, this, [this] { store_->undoSessionClear(); });

    refresh_.watch(store_->objectWillChange());
    refresh();
}

void DataManagementView::refresh() {
    model_ = makeDataManagementModel(*store_);
    undoReset_->setVisible(model_.showsUndoReset);
    eventsText_->setText(QString::fromStdString(model_.eventsText));
    clearEvents_->setEnabled(model_.clearEventsEnabled);
    undoEvents_->setVisible(model_.showsUndoEvents);
    sessionsText_->setText(QString::fromStdString(model_.sessionsText));
    clearSessions_->setEnabled(model_.clearSessionsEnabled);
    undoSessions_->setVisible(model_.showsUndoSessions);
    result_->setVisible(model_.result.has_value());
    if (model_.result) {
        result_->setText(QString::fromStdString(model_.result->message));
        result_->setSymbol(qtext(model_.result->symbol));
        result_->setColour(model_.result->failed ? ObserverSystemColors::orange : ObserverTheme::muted);
    }
}

QMessageBox* DataManagementView::alert(DataConfirmation confirmation) const {
    return alerts_[indexOf(confirmation)].data();
}

void DataManagementView::confirm(DataConfirmation confirmation) {
    auto& slot = alerts_[indexOf(confirmation)];
    if (slot) return;  // already on show
    const DataConfirmationAlert texts = confirmationAlert(confirmation);
    auto* box = new QMessageBox(this);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setIcon(QMessageBox::NoIcon);
    box->setTextFormat(Qt::PlainText);
    box->setText(qtext(texts.title));
    box->setInformativeText(qtext(texts.message));
    QPushButton* cancel = box->addButton(qtext(Texts::cancel), QMessageBox::RejectRole);
    QPushButton* accept =
        box->addButton(qtext(texts.confirmTitle),
                       texts.destructive ? QMessageBox::DestructiveRole : QMessageBox::AcceptRole);
    box->setEscapeButton(cancel);
    AlertTextWidth::fit(*box);
    ObserverAlertStyle::apply(*box);
    box->setDefaultButton(texts.destructive ? cancel : accept);
    slot = box;
    // Either button dismisses the alert; only the confirming one acts.
    connect(box, &QMessageBox::finished, this, [this, box, accept, confirmation] {
        const bool confirmed = box->clickedButton() == accept;
        alerts_[indexOf(confirmation)] = nullptr;
        if (confirmed) perform(confirmation);
    });
    box->open();
}

void DataManagementView::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    if (event->spontaneous()) return;  // minimised: the window and its alert stay as they are
    for (auto& slot : alerts_)
        if (QMessageBox* box = slot.data()) box->reject();
}

void DataManagementView::perform(DataConfirmation confirmation) {
    // The Boolean results are not used: the outcome arrives with the agent's next state.
    switch (confirmation) {
    case DataConfirmation::reset: store_->resetObservationPreferences(); break;
    case DataConfirmation::clearEvents: (void)store_->clearEventHistory(); break;
    case DataConfirmation::clearSessions: (void)store_->clearSessionHistory(); break;
    }
}

}  // namespace quentrel

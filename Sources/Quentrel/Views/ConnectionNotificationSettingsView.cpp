#include "Quentrel/Views/ConnectionNotificationSettingsView.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QShowEvent>
#include <QVBoxLayout>

#include "Quentrel/Views/Controls/BoundToggle.h"
#include "Quentrel/Views/Controls/ObservationSection.h"
#include "Quentrel/Views/Controls/ObserverPlainButton.h"
#include "Quentrel/Views/Controls/ObserverSymbolLabel.h"
#include "Quentrel/Services/ConnectionNotificationService.h"
#include "Quentrel/Stores/ObserverStore.h"
#include "Quentrel/Views/Theme/ObserverSystemColors.h"
#include "Quentrel/Views/Theme/ObserverTheme.h"
#include "Quentrel/Views/ViewText.h"

namespace quentrel {

namespace {
using Texts = ConnectionNotificationSettingsTexts;
}  // namespace

ConnectionNotificationSettingsView::ConnectionNotificationSettingsView(
    std::shared_ptr<ObserverStore> store, std::shared_ptr<ConnectionNotificationService> notifications,
    QWidget* parent)
    : QWidget(parent),
      store_(std::move(store)),
      notifications_(std::move(notifications)),
      refresh_(this, [this] { refresh(); }) {
    const QFont caption = ObserverTheme::font(ObserverTheme::TextStyle::caption);

    auto* content = new QWidget;
    auto* column = ObservationSection::contentColumn(content);

    toggle_ = BoundToggle::makeSwitch(qtext(Texts::toggle), content);
    toggle_->setObjectName(qtext(Texts::toggleIdentifier));
    column->addWidget(toggle_);

    caption_ = makeObserverText({}, caption, ObserverTheme::muted, content, TextWrap::words);
    column->addWidget(caption_);

    deniedHint_ = new ObserverSymbolLabel(qtext(Texts::deniedSymbol), qtext(Texts::deniedHint), caption,
                                          ObserverSystemColors::orange, content);
    column->addWidget(deniedHint_);

    statusRow_ = new QWidget(content);
    auto* row = new QHBoxLayout(statusRow_);
    row->setContentsMargins(0, 0, 0, 0);
    status_ = makeObserverText({}, caption, ObserverTheme::muted, statusRow_, TextWrap::words);
    // The status takes the whole width the button leaves, and wraps only where that runs out.
    row->addWidget(status_, 1, Qt::AlignVCenter);
    testButton_ = new ObserverPlainButton(qtext(Texts::testButton), ObserverTheme::accent, statusRow_);
    testButton_->setObjectName(qtext(Texts::testIdentifier));
    row->addWidget(testButton_, 0, Qt::AlignVCenter);
    column->addWidget(statusRow_);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(new ObservationSection(qtext(Texts::title), content, this));

    // Neither control changes anything here: the outcome arrives with the service's next state.
    connect(toggle_, &BoundToggle::toggleRequested, this, [this](bool on) { store_->setConnectionNotifications(on); });
    connect(testButton_, &QAbstractButton::clicked, this, [this] { notifications_->sendTest(); });

    refresh_.watch(store_->objectWillChange());
    refresh_.watch(notifications_->objectWillChange());
    refresh();
}

void ConnectionNotificationSettingsView::refresh() {
    model_ = makeConnectionNotificationSettingsModel(*store_, *notifications_);
    toggle_->setValue(model_.toggleOn);
    toggle_->setEnabled(model_.toggleEnabled);
    caption_->setText(QString::fromStdString(model_.caption));
    deniedHint_->setVisible(model_.showsDeniedHint);
    statusRow_->setVisible(model_.showsStatusRow);
    status_->setText(QString::fromStdString(model_.deliveryStatus));
    testButton_->setEnabled(model_.testEnabled);
}

void ConnectionNotificationSettingsView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // A spontaneous show is the window coming back from being minimised, not a new appearance.
    if (!event->spontaneous()) notifications_->refreshPermission();
}

}  // namespace quentrel

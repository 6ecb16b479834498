#include "Quentrel/Views/ObserverSettingsView.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QShowEvent>
#include <QVBoxLayout>

#include "Quentrel/Views/ConnectionNotificationSettingsView.h"
#include "Quentrel/Views/Controls/BoundToggle.h"
#include "Quentrel/Views/Controls/FocusDeparture.h"
#include "Quentrel/Views/Controls/ObservationSection.h"
#include "Quentrel/Views/Controls/ObserverActionStyle.h"
#include "Quentrel/Views/Controls/ObserverPlainButton.h"
#include "Quentrel/Views/Controls/ObserverSymbolLabel.h"
#include "Quentrel/Services/LoginItemService.h"
#include "Quentrel/Services/ObserverWindowPresenter.h"
#include "Quentrel/Stores/ObserverStore.h"
#include "Quentrel/Views/Theme/ObserverSystemColors.h"
#include "Quentrel/Views/Theme/ObserverTheme.h"
#include "Quentrel/Views/UpdateSettingsView.h"
#include "Quentrel/Views/ViewText.h"

namespace quentrel {

namespace {
using Texts = ObserverSettingsTexts;

ObserverPlainButton* makeLink(std::string_view title, const QColor& colour, const QFont& font, QWidget* parent) {
    auto* button = new ObserverPlainButton(qtext(title), colour, parent);
    button->setFont(font);
    return button;
}
}  // namespace

ObserverSettingsView::ObserverSettingsView(std::shared_ptr<ObserverStore> store,
                                           std::shared_ptr<LoginItemService> loginItem, QWidget* parent)
    : QWidget(parent),
      store_(std::move(store)),
      loginItem_(std::move(loginItem)),
      product_(ProductIdentity::running()),
      refresh_(this, [this] { refresh(); }) {
    auto* layout = ViewText::setUpWindow(*this, qtext(Texts::windowID), *this, padding, spacing);
    setFixedWidth(width);
    const QFont caption = ObserverTheme::font(ObserverTheme::TextStyle::caption);

    layout->addWidget(ViewText::makeTitle(qtext(Texts::title), titleSize, this));

    // 실행
    auto* launch = new QWidget;
    auto* launchColumn = ObservationSection::contentColumn(launch);
    launchToggle_ = BoundToggle::makeSwitch(qtext(Texts::launchToggle), launch);
    launchColumn->addWidget(launchToggle_);
    launchColumn->addWidget(ViewText::makeSeparator(separatorPadding, launch));
    loginToggle_ = BoundToggle::makeSwitch(qtext(Texts::loginToggle), launch);
    launchColumn->addWidget(loginToggle_);
    loginStatus_ = makeObserverText({}, caption, ObserverTheme::muted, launch, TextWrap::words);
    launchColumn->addWidget(loginStatus_);
    approvalButton_ = new ObserverActionButton(qtext(Texts::approvalButton), false, launch);
    launchColumn->addWidget(approvalButton_, 0, Qt::AlignLeft);
    loginError_ = makeObserverText({}, caption, ObserverSystemColors::orange, launch, TextWrap::words);
    launchColumn->addWidget(loginError_);
    layout->addWidget(new ObservationSection(qtext(Texts::launchSection), launch, this));

    // 관측
    auto* observation = new QWidget;
    auto* observationColumn = ObservationSection::contentColumn(observation);
    backgroundToggle_ = BoundToggle::makeSwitch(qtext(Texts::backgroundToggle), observation);
    observationColumn->addWidget(backgroundToggle_);
    observationColumn->addWidget(makeObserverText(qtext(Texts::backgroundCaption), caption, ObserverTheme::muted,
                                                  observation, TextWrap::words));
    targetSeparator_ = ViewText::makeSeparator(separatorPadding, observation);
    observationColumn->addWidget(targetSeparator_);
    targetRow_ = new QWidget(observation);
    auto* targetRow = new QHBoxLayout(targetRow_);
    targetRow->setContentsMargins(0, 0, 0, 0);
    const QFont rowFont = ObserverTheme::systemFont(targetRowSize);
    targetName_ = new ObserverSymbolLabel(qtext(Texts::targetSymbol), {}, rowFont, ObserverTheme::text, targetRow_);
    targetName_->setSingleLine(true);
    targetRow->addWidget(targetName_, 1, Qt::AlignVCenter);
    auto* forget = makeLink(Texts::forgetButton, ObserverTheme::muted, rowFont, targetRow_);
    markDeletes(*forget);  // the remembered drive, at once
    targetRow->addWidget(forget, 0, Qt::AlignVCenter);
    observationColumn->addWidget(targetRow_);
    layout->addWidget(new ObservationSection(qtext(Texts::observationSection), observation, this));

    notifications_ = new ConnectionNotificationSettingsView(store_, store_->connectionNotifications(), this);
    layout->addWidget(notifications_);
    updates_ = new UpdateSettingsView(store_->updates(), this);
    layout->addWidget(updates_);

    auto* versionRow = new QHBoxLayout;
    version_ = makeObserverText({}, caption, ObserverTheme::muted, this, TextWrap::words);
    version_->setWordWrap(false);
    versionRow->addWidget(version_, 0, Qt::AlignVCenter);
    versionRow->addStretch(1);
    auto* activityLog = makeLink(Texts::activityLogButton, ObserverTheme::accent, caption, this);
    versionRow->addWidget(activityLog, 0, Qt::AlignVCenter);
    layout->addLayout(versionRow);

    auto* linkRow = new QHBoxLayout;
    auto* dataManagement = makeLink(Texts::dataManagementButton, ObserverTheme::muted, caption, this);
    dataManagement->setSymbol(qtext(Texts::dataManagementSymbol));
    dataManagement->setObjectName(qtext(Texts::dataManagementIdentifier));
    linkRow->addWidget(dataManagement, 0, Qt::AlignVCenter);
    linkRow->addStretch(1);
    auto* help = makeLink(Texts::helpButton, ObserverTheme::muted, caption, this);
    help->setSymbol(qtext(Texts::helpSymbol));
    help->setObjectName(qtext(Texts::helpIdentifier));
    linkRow->addWidget(help, 0, Qt::AlignVCenter);
    layout->addLayout(linkRow);

    // The switches ask; the agent's next state moves them.
    connect(launchToggle_, &BoundToggle::toggleRequested, this, [this](bool on) { store_->setShowStatusOnLaunch(on); });
    connect(loginToggle_, &BoundToggle::toggleRequested, this, [this](bool on) { loginItem_->setEnabled(on); });
    connect(backgroundToggle_, &BoundToggle::toggleRequested, this,
            [this](bool on) { store_->setBackgroundPolling(on); });
    // The service sends the command through its own sink in the UI app and opens the system's
    // login-item settings itself elsewhere.
    connect(approvalButton_, &QAbstractButton::clicked, this, [this] { loginItem_->openLoginItemsSettings(); });
    connect(forget, &QAbstractButton::clicked, this, [this] { store_->forgetTarget(); });
    auto opens = [this](ObserverPlainButton* button, std::string_view window) {
        connect(button, &QAbstractButton::clicked, this,
                [id = std::string(window)] { ObserverWindowPresenter::requestShow(id); });
    };
    opens(activityLog, Texts::activityLogWindow);
    opens(dataManagement, Texts::dataManagementWindow);
    opens(help, Texts::helpWindow);

    refresh_.watch(store_->objectWillChange());
    refresh_.watch(loginItem_->objectWillChange());
    refresh();
}

void ObserverSettingsView::refresh() {
    model_ = makeObserverSettingsModel(*store_, *loginItem_, product_);
    launchToggle_->setValue(model_.launchOn);
    loginToggle_->setValue(model_.loginOn);
    loginToggle_->setEnabled(model_.loginToggleEnabled);
    loginStatus_->setText(QString::fromStdString(model_.loginStatus));
    approvalButton_->setVisible(model_.showsApprovalButton);
    loginError_->setVisible(model_.loginError.has_value());
    loginError_->setText(model_.loginError ? QString::fromStdString(*model_.loginError) : QString());
    backgroundToggle_->setValue(model_.backgroundOn);
    targetSeparator_->setVisible(model_.rememberedTargetName.has_value());
    targetRow_->setVisible(model_.rememberedTargetName.has_value());
    targetName_->setText(model_.rememberedTargetName ? QString::fromStdString(*model_.rememberedTargetName) : QString());
    version_->setText(QString::fromStdString(model_.versionCaption));
}

void ObserverSettingsView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // A spontaneous show is the window coming back from being minimised, not a new appearance.
    if (!event->spontaneous()) loginItem_->refresh();
}

}  // namespace quentrel

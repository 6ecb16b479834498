#include "Quentrel/Views/UpdateSettingsView.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "Quentrel/Views/Controls/BoundToggle.h"
#include "Quentrel/Views/Controls/ObservationSection.h"
#include "Quentrel/Views/Controls/ObserverActionStyle.h"
#include "Quentrel/Views/SystemLocalizedFormats.h"
#include "Quentrel/Views/Theme/ObserverSystemColors.h"
#include "Quentrel/Views/Theme/ObserverTheme.h"
#include "Quentrel/Views/ViewText.h"

namespace quentrel {

namespace {
using Texts = UpdateSettingsTexts;
}  // namespace

UpdateSettingsView::UpdateSettingsView(std::shared_ptr<UpdateService> updates, QWidget* parent)
    : QWidget(parent),
      updates_(std::move(updates)),
      formats_(systemLocalizedFormats()),
      refresh_(this, [this] { refresh(); }) {
    const QFont caption = ObserverTheme::font(ObserverTheme::TextStyle::caption);

    auto* content = new QWidget;
    auto* column = ObservationSection::contentColumn(content, 0);

    failure_ = makeObserverText(qtext(Texts::failure), caption, ObserverSystemColors::orange, content, TextWrap::words);
    column->addWidget(failure_);

    controls_ = new QWidget(content);
    auto* controls = new QVBoxLayout(controls_);
    controls->setContentsMargins(0, 0, 0, 0);
    controls->setSpacing(ObservationSection::spacing);
    toggle_ = BoundToggle::makeSwitch(qtext(Texts::toggle), controls_);
    toggle_->setObjectName(qtext(Texts::toggleIdentifier));
    controls->addWidget(toggle_);
    controls->addWidget(
        makeObserverText(qtext(Texts::explanation), caption, ObserverTheme::muted, controls_, TextWrap::words));
    auto* row = new QHBoxLayout;
    row->setContentsMargins(0, 0, 0, 0);
    checkButton_ = new ObserverActionButton(qtext(Texts::checkButton), false, controls_);
    checkButton_->setObjectName(qtext(Texts::checkIdentifier));
    row->addWidget(checkButton_, 0, Qt::AlignVCenter);
    row->addStretch(1);
    lastCheck_ = makeObserverText({}, caption, ObserverTheme::text, controls_, TextWrap::words);
    lastCheck_->setWordWrap(false);
    row->addWidget(lastCheck_, 0, Qt::AlignVCenter);
    controls->addLayout(row);
    column->addWidget(controls_);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(new ObservationSection(qtext(Texts::title), content, this));

    connect(toggle_, &BoundToggle::toggleRequested, this, [this](bool on) { updates_->setAutomaticChecks(on); });
    // The service offers no check of its own here: the button looks at the state and starts nothing.
    connect(checkButton_, &QAbstractButton::clicked, this, [this] { (void)updates_->state(); });

    refresh_.watch(updates_->objectWillChange());
    refresh();
}

void UpdateSettingsView::refresh() {
    apply(makeUpdateSettingsModel(UpdateSettingsInputs::of(*updates_), formats_));
}

void UpdateSettingsView::apply(const UpdateSettingsModel& model) {
    model_ = model;
    using Content = UpdateSettingsModel::Content;
    // Hidden, the card takes no space in the settings window; a top-level view is shown by its owner.
    if (parentWidget()) setVisible(model.content != Content::none);
    failure_->setVisible(model.content == Content::failure);
    controls_->setVisible(model.content == Content::controls);
    toggle_->setValue(model.toggleOn);
    toggle_->setEnabled(model.toggleEnabled);
    checkButton_->setEnabled(model.checkEnabled);
    lastCheck_->setVisible(model.lastCheck.has_value());
    lastCheck_->setText(model.lastCheck ? QString::fromStdString(*model.lastCheck) : QString());
}

}  // namespace quentrel

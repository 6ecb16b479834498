#include "WelcomeView.h"

#include <QHBoxLayout>
#include <QKeySequence>
#include <QLabel>
#include <QPainter>
#include <QShortcut>
#include <QShowEvent>
#include <QVBoxLayout>

#include "Quentrel/Stores/ObserverStore.h"
#include "Quentrel/Views/Controls/BoundToggle.h"
#include "Quentrel/Views/Controls/ObserverAccessibility.h"
#include "Quentrel/Views/Controls/ObserverActionStyle.h"
#include "Quentrel/Views/Controls/ObserverSymbolView.h"
#include "Quentrel/Views/Controls/PlainButton.h"
#include "Quentrel/Views/Observation/DeviceSelectorView.h"
#include "Quentrel/Views/Symbols/ObserverSymbols.h"
#include "Quentrel/Views/Theme/ObserverTheme.h"
#include "Quentrel/Views/ViewText.h"

namespace quentrel {

namespace {
using ObserverTheme::systemFont;
using TextStyle = ObserverTheme::TextStyle;

// A decorative symbol: assistive technologies skip it.
class DecorativeSymbol : public ObserverSymbolView, public ObserverAccessible {
public:
    using ObserverSymbolView::ObserverSymbolView;
    bool isAccessibilityHidden() const override { return true; }
};

// The header's drive symbol on its dark rounded square; decorative too.
class HeaderBadge : public QWidget, public ObserverAccessible {
public:
    HeaderBadge(const QString& symbol, QWidget* parent) : QWidget(parent), symbol_(symbol) {
        setFixedSize(WelcomeView::badgeSide, WelcomeView::badgeSide);
        ObserverSymbols::tag(*this, symbol);
    }
    bool isAccessibilityHidden() const override { return true; }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.fillPath(ObserverTheme::continuousRoundedRect(QRectF(rect()), WelcomeView::badgeCornerRadius),
                         ObserverTheme::withOpacity(Qt::black, WelcomeView::badgeOpacity));
        const qreal side = ObserverSymbols::boxSize(WelcomeView::badgeSymbolSize);
        const QRectF box((width() - side) / 2, (height() - side) / 2, side, side);
        ObserverSymbols::paint(painter, box, symbol_, ObserverTheme::accent);
    }

private:
    QString symbol_;
};
}  // namespace

WelcomeView::WelcomeView(std::shared_ptr<ObserverStore> store, std::shared_ptr<LoginItemService> loginItem,
                         QWidget* parent, const LocaleFormatter& locale)
    : QWidget(parent), store_(std::move(store)), loginItem_(std::move(loginItem)) {
    setObjectName(qtext(WelcomeModel::windowID));
    ObserverTheme::applyToRoot(*this);
    setFixedWidth(fixedWidth);
    const auto initial = WelcomeModel::make(*store_, *loginItem_);
    const QFont caption = ObserverTheme::font(TextStyle::caption);

    // Header.
    badge_ = new HeaderBadge(qtext(initial.headerSymbol), this);
    title_ = makeObserverText(qtext(initial.title), systemFont(titleSize, QFont::Bold), ObserverTheme::text, this);
    tagline_ = makeObserverText(qtext(initial.tagline), systemFont(taglineSize), ObserverTheme::muted, this);
    auto* header = new QHBoxLayout;
    header->setSpacing(headerSpacing);
    header->addWidget(badge_, 0, Qt::AlignVCenter);
    auto* titles = new QVBoxLayout;
    titles->setSpacing(titleSpacing);
    titles->addWidget(title_);
    titles->addWidget(tagline_);
    header->addLayout(titles, 1);

    // Features.
    auto* featureList = new QVBoxLayout;
    featureList->setSpacing(featuresSpacing);
    for (std::size_t i = 0; i < features_.size(); ++i) {
        const auto& f = initial.features[i];
        features_[i] = feature(f.symbol, f.title, f.text);
        featureList->addWidget(features_[i]);
    }

    selector_ = new DeviceSelectorView(store_, true, false, this, locale);

    // Login item.
    loginToggle_ = new BoundToggle(qtext(initial.loginTitle), this);
    loginToggle_->setSwitch(true);
    loginToggle_->setObjectName(qtext(WelcomeModel::loginToggleIdentifier));
    connect(loginToggle_, &BoundToggle::toggleRequested, this, [this](bool on) { loginItem_->setEnabled(on); });
    loginNote_ = makeObserverText(qtext(initial.loginNote), caption, ObserverTheme::muted, this);
    approval_ = new PlainButton(this);
    approvalLabel_ = makeObserverText({}, ObserverTheme::font(TextStyle::body), ObserverTheme::accent, approval_);
    // Inside a button a label would draw in the button-text role, which is not the one coloured.
    approvalLabel_->setForegroundRole(QPalette::WindowText);
    auto* approvalLayout = new QHBoxLayout(approval_);
    approvalLayout->setContentsMargins(0, 0, 0, 0);
    approvalLayout->addWidget(approvalLabel_);
    // The service decides: through the agent in the UI app, the system settings otherwise.
    connect(approval_, &QAbstractButton::clicked, this, [this] { loginItem_->openLoginItemsSettings(); });
    loginError_ = makeObserverText({}, caption, errorColour, this);
    loginError_->setWordWrap(true);
    auto* login = new QVBoxLayout;
    login->setSpacing(loginSpacing);
    login->addWidget(loginToggle_, 0, Qt::AlignLeft);
    login->addWidget(loginNote_);
    login->addWidget(approval_, 0, Qt::AlignLeft);
    login->addWidget(loginError_);

    // Start row.
    startHint_ = makeObserverText(qtext(initial.startHint), systemFont(startHintSize), ObserverTheme::muted, this);
    start_ = new ObserverActionButton({}, true, this);
    start_->setObjectName(qtext(WelcomeModel::startIdentifier));
    connect(start_, &QAbstractButton::clicked, this, [this] { WelcomeModel::start(*store_); });
    // The start button is the window's default action.
    for (const auto key : {Qt::Key_Return, Qt::Key_Enter}) {
        auto* shortcut = new QShortcut(QKeySequence(key), this);
        connect(shortcut, &QShortcut::activated, start_, [this] {
            if (start_->isEnabled()) start_->click();
        });
    }
    auto* startRow = new QHBoxLayout;
    startRow->addWidget(startHint_, 0, Qt::AlignVCenter);
    startRow->addStretch(1);
    startRow->addWidget(start_, 0, Qt::AlignVCenter);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(padding, padding, padding, padding);
    layout->setSpacing(spacing);
    layout->addLayout(header);
    layout->addLayout(featureList);
    layout->addWidget(selector_);
    layout->addLayout(login);
    layout->addLayout(startRow);

    refresh_.watch(store_->objectWillChange());
    refresh_.watch(loginItem_->objectWillChange());
    refresh();
}

WelcomeView::~WelcomeView() = default;

QWidget* WelcomeView::feature(const std::string& symbol, const std::string& title, const std::string& text) {
    auto* row = new QWidget(this);
    auto* icon = new DecorativeSymbol(qtext(symbol), featureSymbolSize, ObserverTheme::accent, row);
    icon->setFixedWidth(featureSymbolWidth);
    auto* heading = makeObserverText(qtext(title), systemFont(featureTitleSize, QFont::DemiBold), ObserverTheme::text, row);
    auto* body = makeObserverText(qtext(text), systemFont(featureTextSize), ObserverTheme::muted, row);
    // Wraps to as many lines as it needs; never cut.
    body->setWordWrap(true);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(featureSpacing);
    layout->addWidget(icon, 0, Qt::AlignTop);
    auto* texts = new QVBoxLayout;
    texts->setSpacing(featureTextSpacing);
    texts->addWidget(heading);
    texts->addWidget(body);
    layout->addLayout(texts, 1);
    return row;
}

QSize WelcomeView::sizeHint() const {
    auto* l = layout();
    if (!l) return {fixedWidth, 0};
    return {fixedWidth,
            l->hasHeightForWidth() ? l->totalHeightForWidth(fixedWidth) : l->totalSizeHint().height()};
}

void WelcomeView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // Coming on screen, not a restore from the dock or taskbar: read the login item again.
    if (!event->spontaneous()) loginItem_->refresh();
}

void WelcomeView::refresh() {
    auto model = WelcomeModel::make(*store_, *loginItem_);
    loginToggle_->setValue(model.loginOn);
    loginToggle_->setEnabled(model.loginEnabled);
    approval_->setVisible(model.approvalButton.has_value());
    if (model.approvalButton) {
        approvalLabel_->setText(qtext(*model.approvalButton));
        approval_->setText(qtext(*model.approvalButton));
        setAccessibleNameIfChanged(*approval_, qtext(*model.approvalButton));
    }
    loginError_->setVisible(model.loginError.has_value());
    loginError_->setText(qtext(model.loginError.value_or(std::string())));
    start_->setText(qtext(model.startTitle));
    model_ = std::move(model);
}

}  // namespace quentrel

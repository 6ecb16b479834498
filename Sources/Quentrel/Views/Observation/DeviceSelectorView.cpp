#include "DeviceSelectorView.h"

#include <QHBoxLayout>
#include <QIcon>
#include <QMenu>
#include <QVBoxLayout>

#include "Quentrel/Stores/ObserverStore.h"
#include "Quentrel/Views/Controls/FittingLabel.h"
#include "Quentrel/Views/Controls/ObserverAccessibility.h"
#include "Quentrel/Views/Controls/ObserverIconButton.h"
#include "Quentrel/Views/Controls/ObserverSymbolView.h"
#include "Quentrel/Views/Controls/SymbolLabel.h"
#include "Quentrel/Views/Models/StoreSelection.h"
#include "Quentrel/Views/Symbols/ObserverSymbols.h"
#include "Quentrel/Views/Theme/ObserverTheme.h"
#include "Quentrel/Views/ViewText.h"

namespace quentrel {

namespace {
using ObserverTheme::systemFont;


// The drive icon is decoration: the menu says what it says.
class DecorativeSymbol : public ObserverSymbolView, public ObserverAccessible {
public:
    using ObserverSymbolView::ObserverSymbolView;
    bool isAccessibilityHidden() const override { return true; }
};

// A menu item's text as it is: "&" would otherwise mark a mnemonic.
QString menuText(const std::string& title) { return qtext(title).replace(u'&', QStringLiteral("&&")); }

}  // namespace

DeviceSelectorView::MenuButton::MenuButton(const QFont& titleFont, QWidget* parent)
    : PlainButton(parent),
      title_(new FittingLabel(titleFont, 1, this)),
      chevron_(new ObserverSymbolView(QStringLiteral("chevron.down"), chevronSize, ObserverTheme::muted, this)) {
    setTextColour(*title_, ObserverTheme::text);
    title_->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(menuLabelSpacing);
    layout->addWidget(title_, 0, Qt::AlignVCenter);
    layout->addWidget(chevron_, 0, Qt::AlignVCenter);
    setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Fixed);
}

void DeviceSelectorView::MenuButton::apply(const DeviceSelectorModel& model) {
    const QString title = qtext(model.menuTitle);
    // The button's size follows its label: measured again only when the label changed.
    const bool resized = title != title_->text() || model.showsChevron == chevron_->isHidden();
    title_->setText(title);
    chevron_->setVisible(model.showsChevron);
    setEnabled(model.menuEnabled);
    setAccessibleNameIfChanged(*this, qtext(model.menuAccessibilityLabel));
    setToolTipIfChanged(*this, qtext(model.menuHelp));
    value_ = qtext(model.menuAccessibilityValue);
    if (resized) updateGeometry();
}

DeviceSelectorView::DeviceSelectorView(std::shared_ptr<ObserverStore> store, bool compact, bool allowsRemembering,
                                       QWidget* parent, const LocaleFormatter& locale)
    : ObserverSurface(parent),
      store_(std::move(store)),
      compact_(compact),
      allowsRemembering_(allowsRemembering),
      locale_(locale),
      icon_(new DecorativeSymbol({}, compact ? compactIconSize : fullIconSize, ObserverTheme::accent, this)),
      menuButton_(new MenuButton(systemFont(compact ? compactTitleSize : fullTitleSize, QFont::DemiBold), this)),
      menu_(new QMenu(menuButton_)),
      subtitle_(new FittingLabel(systemFont(compact ? compactSubtitleSize : fullSubtitleSize), 1, this)),
      link_(new SymbolLabel({}, QStringLiteral("cable.connector"),
                            systemFont(compact ? compactLinkSize : fullLinkSize), ObserverTheme::muted, this)),
      remember_(new ObserverIconButton({}, {}, false, false, qtext(DeviceSelectorModel::rememberIdentifier),
                                       [this] { rememberOrForget(); }, this)) {
    refresh_.watch(store_->objectWillChange());
    menuButton_->setObjectName(qtext(DeviceSelectorModel::pickerIdentifier));
    menuButton_->setMenu(menu_);
    link_->setObjectName(qtext(DeviceSelectorModel::linkIdentifier));
    setTextColour(*subtitle_, ObserverTheme::muted);
    subtitle_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);

    auto* layout = new QHBoxLayout(this);
    const int margin = (compact ? compactPadding : fullPadding) + static_cast<int>(outlineOverhang);
    layout->setContentsMargins(margin, margin, margin, margin);
    layout->setSpacing(spacing);
    layout->addWidget(icon_, 0, Qt::AlignVCenter);
    auto* texts = new QVBoxLayout;
    texts->setSpacing(textSpacing);
    texts->addWidget(menuButton_, 0, Qt::AlignLeft);
    texts->addWidget(subtitle_);
    texts->addWidget(link_, 0, Qt::AlignLeft);
    layout->addLayout(texts, 1);
    layout->addWidget(remember_, 0, Qt::AlignVCenter);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    refresh();
}

void DeviceSelectorView::refresh() {
    const auto model = DeviceSelectorModel::make(*store_, compact_, allowsRemembering_, locale_);
    icon_->setSymbol(qtext(model.leadingSymbol));
    menuButton_->apply(model);
    if (!model_ || model_->items != model.items) rebuildMenu(model);
    subtitle_->setText(qtext(model.subtitle));
    link_->setVisible(model.link.has_value());
    if (model.link) {
        link_->setTitle(qtext(model.link->text));
        link_->setSymbol(qtext(model.link->symbol));
        setToolTipIfChanged(*link_, qtext(model.link->help));
    }
    remember_->setVisible(model.remember.has_value());
    if (model.remember) {
        remember_->setTitle(qtext(model.remember->title));
        remember_->setSymbol(qtext(model.remember->symbol));
        remember_->setHighlighted(model.remember->highlighted);
        remember_->setEnabled(model.remember->enabled);
    }
    model_ = model;
}

void DeviceSelectorView::rebuildMenu(const DeviceSelectorModel& model) {
    menu_->clear();
    for (const auto& item : model.items) {
        QAction* action = menu_->addAction(menuText(item.title));
        if (item.checked) {
            action->setIcon(ObserverSymbols::icon(qtext(model.checkmarkSymbol), ObserverTheme::text));
            ObserverSymbols::tag(*action, qtext(model.checkmarkSymbol));
        }
        const std::string id = item.id;
        // Choosing the selected device again selects it again.
        connect(action, &QAction::triggered, this, [this, id] { store_->selectDevice(id); });
    }
}

void DeviceSelectorView::rememberOrForget() {
    // Decided at the click, on the store as it is now.
    if (isSelectionRemembered(*store_))
        store_->forgetTarget();
    else
        store_->rememberSelectedTarget();
}

}  // namespace quentrel

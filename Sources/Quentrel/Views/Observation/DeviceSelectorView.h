#pragma once

#include <memory>
#include <optional>

#include "Quentrel/Views/Controls/ObserverAccessibility.h"
#include "Quentrel/Views/Controls/ObserverFocusRing.h"
#include "Quentrel/Views/Controls/ObserverSurface.h"
#include "Quentrel/Views/Controls/PlainButton.h"
#include "Quentrel/Views/Models/DeviceSelectorModel.h"
#include "Quentrel/Views/QtLocaleFormatter.h"
#include "Quentrel/Views/ViewRefresh.h"

class QHBoxLayout;
class QLabel;
class QMenu;
class QVBoxLayout;

namespace quentrel {

class FittingLabel;
class ObserverIconButton;
class ObserverStore;
class ObserverSymbolView;
class SymbolLabel;

// The card through which the user picks the one device the views follow and remembers it as the
// observation target, or forgets it: the selected device's name as a menu of every device, one
// line of facts, the link bound and the pin button. It follows the store by itself; every action
// goes through the store (in the UI app: select, remember and forget commands).
class DeviceSelectorView : public ObserverSurface {
    Q_OBJECT
public:
    static constexpr int spacing = 12;
    static constexpr int textSpacing = 5;
    static constexpr int compactPadding = 14;
    static constexpr int fullPadding = 20;
    static constexpr qreal compactIconSize = 22;
    static constexpr qreal fullIconSize = 26;
    static constexpr qreal compactTitleSize = 15;
    static constexpr qreal fullTitleSize = 20;
    static constexpr qreal compactSubtitleSize = 10;
    static constexpr qreal fullSubtitleSize = 12;
    static constexpr qreal compactLinkSize = 10;
    static constexpr qreal fullLinkSize = 11;
    static constexpr qreal chevronSize = 9;
    static constexpr int menuLabelSpacing = 6;

    // The device menu's button: its value for assistive technologies is the selection.
    class MenuButton;

    // `locale` writes the capacity; it must outlive the view.
    DeviceSelectorView(std::shared_ptr<ObserverStore> store, bool compact, bool allowsRemembering,
                       QWidget* parent = nullptr, const LocaleFormatter& locale = QtLocaleFormatter::system());

    // Builds the model from the store now and shows it (the store's signals do it by themselves).
    void refresh();
    const std::optional<DeviceSelectorModel>& model() const { return model_; }

    MenuButton* menuButton() const { return menuButton_; }
    QMenu* menu() const { return menu_; }
    ObserverSymbolView* leadingIcon() const { return icon_; }
    FittingLabel* subtitleLabel() const { return subtitle_; }
    SymbolLabel* linkLine() const { return link_; }
    ObserverIconButton* rememberButton() const { return remember_; }

private:
    void rememberOrForget();
    void rebuildMenu(const DeviceSelectorModel& model);

    std::shared_ptr<ObserverStore> store_;
    bool compact_;
    bool allowsRemembering_;
    const LocaleFormatter& locale_;
    ObserverSymbolView* icon_;
    MenuButton* menuButton_;
    QMenu* menu_;
    FittingLabel* subtitle_;
    SymbolLabel* link_;
    ObserverIconButton* remember_;
    ViewRefresh refresh_{this, [this] { refresh(); }};
    std::optional<DeviceSelectorModel> model_;
};

// Its label has no padding of its own: the focus ring keeps room beside the title and the chevron,
// as the padded controls do.
class DeviceSelectorView::MenuButton : public PlainButton, public ObserverAccessible, public FocusRingShape {
    Q_OBJECT
public:
    static constexpr qreal focusRingInset = 4;

    MenuButton(const QFont& titleFont, QWidget* parent = nullptr);

    void apply(const DeviceSelectorModel& model);

    FittingLabel* titleLabel() const { return title_; }
    ObserverSymbolView* chevron() const { return chevron_; }

    QString accessibilityValue() const override { return value_; }
    std::optional<QAccessible::Role> accessibilityRole() const override { return QAccessible::ButtonMenu; }
    bool hidesAccessibilityChildren() const override { return true; }
    QRectF focusRingRect() const override { return QRectF(rect()).adjusted(-focusRingInset, 0, focusRingInset, 0); }
    qreal focusRingRadius() const override { return ObserverFocusRing::defaultRadius; }

private:
    FittingLabel* title_;
    ObserverSymbolView* chevron_;
    QString value_;
};

}  // namespace quentrel

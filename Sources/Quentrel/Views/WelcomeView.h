#pragma once

#include <array>
#include <memory>
#include <optional>

#include <QWidget>

#include "Quentrel/Views/Models/WelcomeModel.h"
#include "Quentrel/Views/QtLocaleFormatter.h"
#include "Quentrel/Views/ViewRefresh.h"

class QLabel;

namespace quentrel {

class BoundToggle;
class DeviceSelectorView;
class ObserverActionButton;
class ObserverStore;
class PlainButton;

// The content of the window "welcome", the onboarding screen: the app in three points, the
// device selector, the login item as an option, and the start button, which remembers the
// selected drive when it can, completes onboarding, closes this window and opens the dashboard
// (Return does the same). Each time it comes on screen it asks for the login item's status. It
// follows the store and the login-item service by itself; closing the window changes nothing.
class WelcomeView : public QWidget {
    Q_OBJECT
public:
    static constexpr int fixedWidth = 500;
    static constexpr int spacing = 22;
    static constexpr int padding = 30;
    static constexpr int headerSpacing = 14;
    static constexpr qreal badgeSymbolSize = 30;
    static constexpr int badgeSide = 64;
    static constexpr qreal badgeCornerRadius = 18;
    static constexpr qreal badgeOpacity = 0.6;
    static constexpr int titleSpacing = 6;
    static constexpr qreal titleSize = 30;
    static constexpr qreal taglineSize = 14;
    static constexpr int featuresSpacing = 16;
    static constexpr int featureSpacing = 12;
    static constexpr qreal featureSymbolSize = 17;
    static constexpr int featureSymbolWidth = 26;
    static constexpr int featureTextSpacing = 5;
    static constexpr qreal featureTitleSize = 13;
    static constexpr qreal featureTextSize = 12;
    static constexpr int loginSpacing = 8;
    static constexpr qreal startHintSize = 11;
    // The system's orange in its dark-appearance value.
    static constexpr QColor errorColour = QColor(QColor::Rgb, 0xffff, 0xffff, 0x9f9f, 0x0a0a);

    // `locale` writes the selector's capacity; it must outlive the view.
    WelcomeView(std::shared_ptr<ObserverStore> store, std::shared_ptr<LoginItemService> loginItem,
                QWidget* parent = nullptr, const LocaleFormatter& locale = QtLocaleFormatter::system());
    ~WelcomeView() override;

    void refresh();
    const std::optional<WelcomeModel>& model() const { return model_; }

    // The fixed width and the height its content needs there.
    QSize sizeHint() const override;

    QLabel* titleLabel() const { return title_; }
    QLabel* taglineLabel() const { return tagline_; }
    QWidget* headerBadge() const { return badge_; }
    // The three feature rows, top to bottom.
    const std::array<QWidget*, 3>& featureRows() const { return features_; }
    DeviceSelectorView* deviceSelector() const { return selector_; }
    BoundToggle* loginToggle() const { return loginToggle_; }
    QLabel* loginNote() const { return loginNote_; }
    PlainButton* approvalButton() const { return approval_; }
    QLabel* loginError() const { return loginError_; }
    QLabel* startHint() const { return startHint_; }
    ObserverActionButton* startButton() const { return start_; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    QWidget* feature(const std::string& symbol, const std::string& title, const std::string& text);

    std::shared_ptr<ObserverStore> store_;
    std::shared_ptr<LoginItemService> loginItem_;
    QWidget* badge_;
    QLabel* title_;
    QLabel* tagline_;
    std::array<QWidget*, 3> features_{};
    DeviceSelectorView* selector_;
    BoundToggle* loginToggle_;
    QLabel* loginNote_;
    PlainButton* approval_;
    QLabel* approvalLabel_;
    QLabel* loginError_;
    QLabel* startHint_;
    ObserverActionButton* start_;
    ViewRefresh refresh_{this, [this] { refresh(); }};
    std::optional<WelcomeModel> model_;
};

}  // namespace quentrel

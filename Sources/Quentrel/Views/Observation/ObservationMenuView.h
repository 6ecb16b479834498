#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include <QWidget>

#include "Quentrel/Views/Models/QuickViewModel.h"
#include "Quentrel/Views/QtLocaleFormatter.h"
#include "Quentrel/Views/ViewRefresh.h"

class QAction;
class QLabel;
class QMenu;
class QVBoxLayout;

namespace quentrel {

class ConnectionStabilityLink;
class DeviceObservationView;
class DeviceSelectorView;
class ObserverActionButton;
class ObserverIconButton;
class ObserverStore;
class PlainButton;
class SymbolLabel;
class WorkSessionView;

// The quick view of the status item, shown in the floating quick panel: a card 360 wide with the
// header (title, close, settings and the more menu), the device selector, the selected device's
// rates, graph and work session (or the empty state), the remembered drive's connection row, the
// onboarding prompt, the error line and the footer actions. It follows the store; its actions
// are the window presenter's hooks and the store's operations (in the UI app: commands).
//
// The compact activity graph is built elsewhere and comes in through setActivityGraph(); until
// then its slot between the device panel and the session card is empty and hidden.
class ObservationMenuView : public QWidget {
    Q_OBJECT
public:
    static constexpr int cardWidth = 360;
    static constexpr int padding = 16;
    static constexpr int spacing = 12;
    static constexpr qreal titleSize = 17;
    static constexpr QSize closeFrame{26, 30};
    static constexpr QSize settingsFrame{30, 30};
    static constexpr QSize moreFrame{24, 30};
    static constexpr qreal headerSymbolSize = 13;
    static constexpr qreal promptSize = 11;
    static constexpr qreal emptySymbolSize = 28;
    static constexpr qreal emptyTextSize = 12;
    static constexpr int emptySpacing = 8;
    static constexpr int emptyPadding = 28;
    static constexpr int footerSpacing = 8;
    // The system's orange, as the error line shows it on a dark background.
    static constexpr QColor errorColour{255, 159, 10};

    // The seam of the compact activity graph. `make` builds a fresh graph (a new inspection)
    // under `parent`; the quick view calls it when a device is selected and again whenever the
    // selected identifier changes (the graph's identity), deleting the old graph. `update` gives
    // the graph its inputs, right after `make` and on every refresh.
    struct ActivityGraphHooks {
        std::function<QWidget*(QWidget* parent)> make;
        std::function<void(QWidget& graph, const ActivityGraphInputs& inputs)> update;
    };

    // `locale` writes the texts that follow the user's locale; it must outlive the view.
    explicit ObservationMenuView(std::shared_ptr<ObserverStore> store, QWidget* parent = nullptr,
                                 const LocaleFormatter& locale = QtLocaleFormatter::system());

    // Installs the graph (and builds it now when a device is selected).
    void setActivityGraph(ActivityGraphHooks hooks);
    // The slot the graph sits in, and the graph now in it (null without one).
    QWidget* activityGraphSlot() const { return graphSlot_; }
    QWidget* activityGraph() const { return graph_; }

    void refresh();
    const std::optional<QuickViewModel>& model() const { return model_; }

    PlainButton* closeButton() const { return close_; }
    PlainButton* settingsButton() const { return settings_; }
    PlainButton* moreButton() const { return more_; }
    QMenu* moreMenu() const { return menu_; }
    // The more menu's items in order, the divider included.
    const std::vector<QAction*>& menuActions() const { return menuActions_; }
    DeviceSelectorView* selector() const { return selector_; }
    QWidget* deviceContent() const { return deviceContent_; }
    DeviceObservationView* devicePanel() const { return panel_; }
    WorkSessionView* sessionCard() const { return session_; }
    QWidget* emptyState() const { return empty_; }
    ConnectionStabilityLink* connectionLink() const { return link_; }
    PlainButton* onboardingPrompt() const { return onboarding_; }
    QLabel* errorLine() const { return error_; }
    ObserverActionButton* dashboardButton() const { return dashboard_; }
    ObserverIconButton* finderButton() const { return finder_; }
    ObserverIconButton* pauseButton() const { return pause_; }

private:
    void buildHeader(QVBoxLayout& root, const QuickViewModel& model);
    void buildFooter(QVBoxLayout& root, const QuickViewModel& model);
    void placeGraphInTabOrder();
    void updateGraph(const std::optional<QuickViewModel::Device>& device);

    std::shared_ptr<ObserverStore> store_;
    const LocaleFormatter& locale_;
    QLabel* title_ = nullptr;
    PlainButton* close_ = nullptr;
    PlainButton* settings_ = nullptr;
    PlainButton* more_ = nullptr;
    QMenu* menu_ = nullptr;
    std::vector<QAction*> menuActions_;
    DeviceSelectorView* selector_ = nullptr;
    QWidget* deviceContent_ = nullptr;
    DeviceObservationView* panel_ = nullptr;
    QWidget* graphSlot_ = nullptr;
    QWidget* graph_ = nullptr;
    std::optional<std::string> graphIdentity_;
    ActivityGraphHooks graphHooks_;
    WorkSessionView* session_ = nullptr;
    QWidget* empty_ = nullptr;
    ConnectionStabilityLink* link_ = nullptr;
    PlainButton* onboarding_ = nullptr;
    SymbolLabel* onboardingLabel_ = nullptr;
    QLabel* error_ = nullptr;
    ObserverActionButton* dashboard_ = nullptr;
    ObserverIconButton* finder_ = nullptr;
    ObserverIconButton* pause_ = nullptr;
    ViewRefresh refresh_{this, [this] { refresh(); }};
    std::optional<QuickViewModel> model_;
};

}  // namespace quentrel

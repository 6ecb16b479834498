#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>

#include <QObject>
#include <QPointer>

#include "ObserverMenuModel.h"
#include "ObserverWindow.h"
#include "Platform/Log/Logger.h"
#include "QuickPanelPlacement.h"
#include "UIPresenter.h"

class QAction;
class QMenuBar;

namespace quentrel {

class ObserverStore;

// The UI app's presenter: opens, focuses and closes its windows by window id from the window
// table, gives each window a menu bar built from one shared set of actions, shows the agent's
// presentations (the quick panel under its anchor), and tells the client after every close, so it
// can end the session when nothing is left. Main thread only.
class ObserverAppDelegate final : public QObject, public UIPresenter {
    Q_OBJECT
public:
    static constexpr std::string_view logSubsystem = "local.mirosal.Kavrinet.presenter";
    static constexpr std::string_view logCategory = "UILifecycle";
    static constexpr std::string_view quickPanelTitle = "Kavrinet 빠른 보기";

    explicit ObserverAppDelegate(std::shared_ptr<ObserverStore> store, std::shared_ptr<platform::LogSink> logSink = nullptr);
    ~ObserverAppDelegate() override;

    // UIPresenter.
    ObserverStore& store() override { return *store_; }
    void setOnEmptyUI(std::function<void()> onEmptyUI) override { onEmptyUI_ = std::move(onEmptyUI); }
    void setOnHide(std::function<void()> onHide) override { onHide_ = std::move(onHide); }
    void prepareUIOnly() override;
    void showLocalQuickView() override;
    void present(const ObserverUIPresentation& presentation) override;
    bool hasPresentedUI() const override;
    void closeAllUI() override;

    // Opens the window of `windowID`, or brings the open one to the front; closes the quick panel
    // first.
    void showWindow(const std::string& windowID);
    // The close hook: "quick-view" closes the quick panel, any other id its open window, if any.
    void closeWindow(const std::string& windowID);
    void closeQuickView();
    // Builds the shared actions of the main menu; once.
    void configureMenuBar();

    // What is open now.
    const std::map<std::string, QPointer<ObserverWindow>>& windows() const { return windows_; }
    ObserverWindow* window(const std::string& windowID) const;
    ObserverQuickPanel* quickPanel() const { return quickPanel_; }
    // The shared action of a menu item (null before configureMenuBar or for an item not in the menu).
    QAction* action(MenuCommand command) const;
    // Runs the item's action as a click on it would.
    void perform(MenuCommand command);

    // The screens as the placement rule takes them (bottom-left origin; each one's visible frame
    // is the room the panel keeps within), the main screen's index (the active window's screen,
    // else the primary screen) and the height the y axis flips about.
    struct Screens {
        std::vector<ScreenGeometry> screens;
        std::optional<std::size_t> mainScreen;
        double primaryHeight = QuickPanelPlacement::fallbackFrame.height;
    };
    static Screens currentScreens();

private:
    ObserverWindow* makeWindow(const std::string& windowID);
    QMenuBar* makeMenuBar();
    void leaveMenuKeysToTheMenu(QWidget& root) const;
    void bringToFront(ObserverWindow& window);
    void windowWillClose(ObserverWindow& window);

    std::shared_ptr<ObserverStore> store_;
    platform::Logger uiLog_;
    std::function<void()> onEmptyUI_;
    std::function<void()> onHide_;
    QPointer<ObserverQuickPanel> quickPanel_;
    std::map<std::string, QPointer<ObserverWindow>> windows_;
    // The frame the window manager drew around the last window it framed: a new window most likely
    // gets the same. Kept here, where the windows are made, as what one window learns for the next.
    QMargins lastFrame_;
    std::vector<MenuSpec> menu_;
    std::map<MenuCommand, QAction*> actions_;  // owned by this object
};

}  // namespace quentrel

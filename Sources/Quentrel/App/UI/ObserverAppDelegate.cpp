#include "ObserverAppDelegate.h"

#include <cctype>
#include <utility>

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QGuiApplication>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QShortcut>

#include "Quentrel/Services/ClosedUIResourceTracker.h"
#include "Quentrel/Services/ObserverWindowPresenter.h"
#include "Quentrel/Services/UpdateService.h"
#include "Quentrel/Stores/ObserverStore.h"
#include "Quentrel/Support/FixedDecimalText.h"
#include "Quentrel/Views/ApplicationHiddenState.h"
#include "Quentrel/Views/ViewText.h"
#include "Quentrel/Views/WindowVisibilityProbe.h"
#include "WindowContents.h"
#include "WindowTable.h"

namespace quentrel {

namespace {


// A weak reference to a Qt object: a guarded pointer that turns null when the object goes.
std::optional<WeakReference> liveness(QObject* object) {
    if (!object) return std::nullopt;
    return WeakReference::fromLiveness([guard = QPointer<QObject>(object)] { return !guard.isNull(); });
}

QtRect qtRect(const QRect& r) { return {r.x(), r.y(), r.width(), r.height()}; }

const char* yesNo(bool value) { return value ? "true" : "false"; }

// The edit commands go to the widget with the keyboard focus, when it has the slot of that name
// (line and text edits have all five).
void sendToFocus(const char* slot) {
    QWidget* focus = QApplication::focusWidget();
    if (!focus) return;
    const QByteArray signature = QByteArray(slot) + "()";
    if (focus->metaObject()->indexOfMethod(signature.constData()) < 0) return;
    QMetaObject::invokeMethod(focus, slot);
}

}  // namespace

ObserverAppDelegate::ObserverAppDelegate(std::shared_ptr<ObserverStore> store, std::shared_ptr<platform::LogSink> logSink)
    : store_(std::move(store)), uiLog_(std::string(logSubsystem), std::string(logCategory), std::move(logSink)) {}

ObserverAppDelegate::~ObserverAppDelegate() {
    // At the end of the program: the windows go without the close path (nothing is left to tell).
    if (quickPanel_) {
        quickPanel_->setWillClose({});
        delete quickPanel_.data();
    }
    for (auto& [id, window] : windows_) {
        if (!window) continue;
        window->setWillClose({});
        delete window.data();
    }
}

void ObserverAppDelegate::prepareUIOnly() {
    const QPointer<ObserverAppDelegate> self(this);
    ObserverWindowPresenter::show = [self](const std::string& windowID) {
        if (self) self->showWindow(windowID);
    };
    ObserverWindowPresenter::close = [self](const std::string& windowID) {
        if (self) self->closeWindow(windowID);
    };
    ObserverWindowPresenter::quickView = [self] {
        if (self) self->showWindow(std::string(WindowTable::dashboardWindow));
    };
    configureMenuBar();
}

// The menu.

void ObserverAppDelegate::configureMenuBar() {
    if (!actions_.empty()) return;
    menu_ = ObserverMenuModel::mainMenu(store_->updates()->isConfigured());
    for (const MenuSpec& menu : menu_) {
        for (const MenuItemSpec& item : menu.items) {
            if (item.isSeparator()) continue;
            const MenuCommand command = *item.command;
            auto* action = new QAction(qtext(item.title), this);
            if (item.key) {
                const int key = std::toupper(static_cast<unsigned char>(item.key));  // Qt::Key_A == 'A', Key_Comma == ','
                action->setShortcut(QKeySequence(QKeyCombination(Qt::ControlModifier, static_cast<Qt::Key>(key))));
            }
            connect(action, &QAction::triggered, this, [this, command] { perform(command); });
            actions_[command] = action;
        }
    }
}

QAction* ObserverAppDelegate::action(MenuCommand command) const {
    const auto it = actions_.find(command);
    return it == actions_.end() ? nullptr : it->second;
}

QMenuBar* ObserverAppDelegate::makeMenuBar() {
    auto* bar = new QMenuBar;
    bar->setNativeMenuBar(false);  // one bar per window, as the platform has no global one
    QMenu* application = nullptr;
    for (const MenuSpec& spec : menu_) {
        QMenu* menu = bar->addMenu(qtext(spec.title));
        if (!application) application = menu;
        for (const MenuItemSpec& item : spec.items) {
            if (item.isSeparator())
                menu->addSeparator();
            else
                menu->addAction(actions_.at(*item.command));
        }
    }
    if (QAction* updates = action(MenuCommand::checkUpdates)) {
        // The one item whose enabled state is asked for each time its menu opens.
        const QPointer<QAction> guarded(updates);
        auto validate = [this, guarded] {
            if (guarded) guarded->setEnabled(store_->updates()->canCheckForUpdates());
        };
        validate();
        if (application) connect(application, &QMenu::aboutToShow, this, validate);
    }
    return bar;
}

void ObserverAppDelegate::perform(MenuCommand command) {
    if (const auto windowID = ObserverMenuModel::windowOpenedBy(command)) {
        showWindow(std::string(*windowID));
        return;
    }
    switch (command) {
    case MenuCommand::toggleQuickView: ObserverWindowPresenter::requestQuickView(); break;
    case MenuCommand::quitProduct: ObserverWindowPresenter::requestQuit(); break;
    case MenuCommand::checkUpdates:
        // There is no update check for this item to start; the service's state is all it reads.
        (void)store_->updates()->state();
        break;
    case MenuCommand::hide:
        // Linux has no application hiding: the app runs its did-hide path itself.
        ApplicationHiddenState::shared().setHidden(true);
        if (auto onHide = onHide_) onHide();
        break;
    case MenuCommand::undo: sendToFocus("undo"); break;
    case MenuCommand::cut: sendToFocus("cut"); break;
    case MenuCommand::copy: sendToFocus("copy"); break;
    case MenuCommand::paste: sendToFocus("paste"); break;
    case MenuCommand::selectAll: sendToFocus("selectAll"); break;
    case MenuCommand::performClose:
        if (QWidget* active = QApplication::activeWindow()) active->close();
        break;
    case MenuCommand::performMiniaturize:
        if (QWidget* active = QApplication::activeWindow()) active->showMinimized();
        break;
    default: break;
    }
}

// Windows.

ObserverWindow* ObserverAppDelegate::window(const std::string& windowID) const {
    const auto it = windows_.find(windowID);
    return it == windows_.end() ? nullptr : it->second.data();
}

void ObserverAppDelegate::showWindow(const std::string& windowID) {
    closeQuickView();
    ObserverWindow* window = this->window(windowID);
    if (!window) window = makeWindow(windowID);
    bringToFront(*window);
}

ObserverWindow* ObserverAppDelegate::makeWindow(const std::string& windowID) {
    const WindowSpec spec = WindowTable::spec(windowID);
    QWidget* root = WindowContents::make(windowID, store_, nullptr);
    leaveMenuKeysToTheMenu(*root);
    auto* window = new ObserverWindow(windowID, root, makeMenuBar(), Qt::Window, lastFrame_);
    window->setWindowTitle(qtext(spec.title));
    window->setAttribute(Qt::WA_DeleteOnClose, false);
    const QPointer<ObserverAppDelegate> self(this);
    window->setWillClose([self](ObserverWindow& closing) {
        if (self) self->windowWillClose(closing);
    });

    if (spec.fitting) {
        window->followContentSize();
    } else {
        const int menuHeight = window->windowMenuBar()->heightForWidth(spec.width);
        window->contentView()->setMinimumSize(spec.minimumWidth, spec.minimumHeight);
        window->resize(spec.width, spec.height + menuHeight);
    }
    connect(window, &ObserverWindow::framed, this, [this](const QMargins& frame) { lastFrame_ = frame; });
    window->placeOnScreen();
    windows_[windowID] = window;
    return window;
}

void ObserverAppDelegate::leaveMenuKeysToTheMenu(QWidget& root) const {
    // A view's key that a menu item also has means the same there (its log, dashboard, details or
    // quit); two owners of one key would both be ignored, so the menu answers it alone, as it does
    // for a view control that cannot take the key.
    QList<QKeySequence> menuKeys;
    for (const auto& [command, action] : actions_)
        if (!action->shortcut().isEmpty()) menuKeys << action->shortcut();
    const auto taken = [&](const QKeySequence& key) { return !key.isEmpty() && menuKeys.contains(key); };
    QList<QWidget*> widgets = root.findChildren<QWidget*>();
    widgets << &root;
    for (QWidget* widget : widgets) {
        // A menu's items keep their keys: they show them, and answer them only while it is open.
        if (qobject_cast<QMenu*>(widget)) continue;
        for (QAction* own : widget->actions())
            if (taken(own->shortcut())) widget->removeAction(own);
        if (auto* button = qobject_cast<QAbstractButton*>(widget); button && taken(button->shortcut()))
            button->setShortcut({});
    }
    for (QShortcut* shortcut : root.findChildren<QShortcut*>())
        if (taken(shortcut->key())) shortcut->setEnabled(false);
}

void ObserverAppDelegate::bringToFront(ObserverWindow& window) {
    // Showing a window unhides the application.
    ApplicationHiddenState::shared().setHidden(false);
    if (window.isMinimized()) window.showNormal();
    window.show();
    window.raise();
    window.activateWindow();
}

void ObserverAppDelegate::closeWindow(const std::string& windowID) {
    if (windowID == ObserverUIPresentation::quickViewWindow) {
        closeQuickView();
    } else if (ObserverWindow* window = this->window(windowID)) {
        window->close();
    }
}

void ObserverAppDelegate::closeQuickView() {
    if (quickPanel_) quickPanel_->close();
}

bool ObserverAppDelegate::hasPresentedUI() const {
    return !windows_.empty() || quickPanel_ || QApplication::activeModalWidget();
}

void ObserverAppDelegate::closeAllUI() {
    closeQuickView();
    const auto open = windows_;
    for (const auto& [id, window] : open)
        if (window) window->close();
}

void ObserverAppDelegate::windowWillClose(ObserverWindow& window) {
    const std::string& windowID = window.windowID();
    if (windowID.empty()) return;
    uiLog_.notice("UI window closed: " + windowID);

    if (windowID == ObserverUIPresentation::quickViewWindow) {
        if (quickPanel_ == &window) quickPanel_ = nullptr;
    } else if (const auto it = windows_.find(windowID); it != windows_.end() && it->second == &window) {
        windows_.erase(it);
    }

    ObserverWindowResources::closedContents().record(liveness(window.rootView()), liveness(window.contentView()));
    // The window's probes report it hidden now, before the client looks at what is left.
    for (WindowVisibilityProbe* probe : window.findChildren<WindowVisibilityProbe*>()) probe->detach();
    // Released on the next turn (not now: the close may come from a control inside it), and with
    // it its content view and root view; nothing else holds them.
    window.deleteLater();

    if (windowID == WindowTable::diagnosticPreviewWindow) store_->discardDiagnosticsPreview();
    if (auto onEmptyUI = onEmptyUI_) onEmptyUI();
}

// Presentations and the quick panel.

ObserverAppDelegate::Screens ObserverAppDelegate::currentScreens() {
    Screens result;
    QScreen* primary = QGuiApplication::primaryScreen();
    if (primary) result.primaryHeight = primary->geometry().y() + primary->geometry().height();
    QScreen* main = primary;
    if (QWidget* active = QApplication::activeWindow(); active && active->screen()) main = active->screen();
    // Qt's Wayland platform reports each output whole as its available area.
    const bool workAreaKnown = !QGuiApplication::platformName().startsWith("wayland");
    const auto screens = QGuiApplication::screens();
    for (qsizetype i = 0; i < screens.size(); ++i) {
        QScreen* screen = screens[i];
        result.screens.push_back({fromQtRect(qtRect(screen->geometry()), result.primaryHeight),
                                  QuickPanelPlacement::room(fromQtRect(qtRect(screen->availableGeometry()),
                                                                       result.primaryHeight),
                                                            workAreaKnown)});
        if (screen == main) result.mainScreen = static_cast<std::size_t>(i);
    }
    return result;
}

void ObserverAppDelegate::showLocalQuickView() {
    uiLog_.notice("Quick view requested in UI");
    QScreen* screen = QGuiApplication::primaryScreen();
    if (QWidget* active = QApplication::activeWindow(); active && active->screen()) screen = active->screen();
    std::optional<ScreenRect> visible;
    if (screen) visible = fromQtRect(qtRect(screen->availableGeometry()), currentScreens().primaryHeight);
    const ScreenRect anchor = QuickPanelPlacement::localAnchor(visible);
    present({std::string(ObserverUIPresentation::quickViewWindow),
             std::vector<double>{anchor.x, anchor.y, anchor.width, anchor.height}});
}

void ObserverAppDelegate::present(const ObserverUIPresentation& presentation) {
    if (!presentation.isValid()) return;
    if (presentation.window != ObserverUIPresentation::quickViewWindow) {
        showWindow(presentation.window);
        return;
    }
    // A second quick-view request closes the panel.
    if (quickPanel_) {
        quickPanel_->close();
        return;
    }
    if (!presentation.anchor) {
        showWindow(std::string(WindowTable::dashboardWindow));
        return;
    }

    QWidget* root = WindowContents::makeQuickView(store_, nullptr);
    auto* panel = new ObserverQuickPanel(root);
    WindowVisibilityProbe::reportingTo(store_, panel->contentView());
    panel->setWindowTitle(qtext(quickPanelTitle));
    panel->setAttribute(Qt::WA_DeleteOnClose, false);
    const QPointer<ObserverAppDelegate> self(this);
    panel->setWillClose([self](ObserverWindow& closing) {
        if (self) self->windowWillClose(closing);
    });
    // The main menu's shortcuts work while the panel is the key window, as the menu would.
    for (const auto& [command, action] : actions_) panel->addAction(action);
    leaveMenuKeysToTheMenu(*root);

    const auto& a = *presentation.anchor;
    const ScreenRect anchor{a[0], a[1], a[2], a[3]};
    // The area and the frame from the screens as they are at each placement, both on one screen.
    panel->setPlacement([anchor](const QSize& size) {
        const Screens screens = currentScreens();
        const QtRect area = toQtRect(QuickPanelPlacement::visibleFrame(anchor, screens.screens, screens.mainScreen),
                                     screens.primaryHeight);
        const QtRect frame = toQtRect(QuickPanelPlacement::frame(anchor, size.width(), size.height(), screens.screens,
                                                                 screens.mainScreen),
                                      screens.primaryHeight);
        return ObserverQuickPanel::Place{QRect(area.x, area.y, area.width, area.height), QPoint(frame.x, frame.y)};
    });
    const QSize fitting = panel->size();
    quickPanel_ = panel;

    ApplicationHiddenState::shared().setHidden(false);
    panel->show();
    panel->raise();
    panel->activateWindow();
    uiLog_.notice("Quick panel displayed: width=" + fixedDecimalText(fitting.width(), 6) +
                  " height=" + fixedDecimalText(fitting.height(), 6) + " visible=" + yesNo(panel->isVisible()) +
                  " key=" + yesNo(panel->isActiveWindow()) +
                  " active=" + yesNo(QGuiApplication::applicationState() == Qt::ApplicationActive));
}

}  // namespace quentrel

#include "ObserverWindow.h"

#include <algorithm>

#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenuBar>
#include <QMoveEvent>
#include <QResizeEvent>
#include <QScreen>
#include <QShowEvent>
#include <QTimer>
#include <QVBoxLayout>
#include <QWindow>

#include "Platform/Desktop/X11/X11Windows.h"
#include "Quentrel/Views/Theme/ObserverTheme.h"

namespace quentrel {

namespace {

// The frame drawn around a top-level widget; none before the window manager has framed it, and
// none around a frameless one (whatever the window manager's parent window reports meanwhile).
QMargins drawnFrame(const QWidget& window) {
    if (window.windowFlags().testFlag(Qt::FramelessWindowHint)) return {};
    const QRect outer = window.frameGeometry(), inner = window.geometry();
    return {std::max(0, inner.left() - outer.left()), std::max(0, inner.top() - outer.top()),
            std::max(0, outer.right() - inner.right()), std::max(0, outer.bottom() - inner.bottom())};
}

}  // namespace

ObserverWindow::ObserverWindow(const std::string& windowID, QWidget* rootView, QMenuBar* menuBar,
                               Qt::WindowFlags flags, const QMargins& likelyFrame)
    : QWidget(nullptr, flags), windowID_(windowID), menuBar_(menuBar), rootView_(rootView), likelyFrame_(likelyFrame) {
    setObjectName(QString::fromStdString(windowID));
    ObserverTheme::applyToRoot(*this);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    if (menuBar) layout->setMenuBar(menuBar);

    contentView_ = new QWidget(this);
    auto* contentLayout = new QVBoxLayout(contentView_);
    contentLayout->setContentsMargins(0, 0, 0, 0);
    contentLayout->setSpacing(0);
    if (rootView) contentLayout->addWidget(rootView);
    layout->addWidget(contentView_);
}

void ObserverWindow::followContentSize() {
    if (rootView_ && !fittingArea_) {
        contentView_->layout()->removeWidget(rootView_);
        fittingArea_ = new FittingScrollArea(rootView_, contentView_);
        contentView_->layout()->addWidget(fittingArea_);
    }
    limitToScreen();
    fitToContent();
}

void ObserverWindow::fitToContent() {
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    measureAfresh();
    // A scrolling area lays its content out only once it is shown, and a view may settle its size
    // only once laid out at its width: laid out now, then measured again, the first size is the
    // one the window keeps once shown.
    if (fittingArea_) {
        fittingArea_->layOutContent();
        measureAfresh();
    }
}

void ObserverWindow::measureAfresh() {
    // Until the window is first shown its widgets are hidden, and a hidden widget does not tell
    // the layout around it that its size changed (a view that applied its state after it was
    // built): every widget and layout is measured afresh.
    for (QWidget* widget : findChildren<QWidget*>()) widget->updateGeometry();
    for (QLayout* nested : findChildren<QLayout*>()) nested->invalidate();
    layout()->activate();
}

QRect ObserverWindow::availableArea() const {
    const QScreen* screen = this->screen();
    return screen ? screen->availableGeometry() : QRect();
}

void ObserverWindow::limitToScreen() {
    // Not placed yet: the area less the likely frame, as a placer has it.
    const std::optional<QSize> largest =
        placer_ ? placer_->largest() : WindowPlacer(availableArea(), likelyFrame_).largest();
    if (largest) limitTo(*largest);
}

void ObserverWindow::limitTo(const QSize& largest) {
    if (!fittingArea_) return;
    const int menu = menuBar_ && !menuBar_->isHidden() ? menuBar_->heightForWidth(width()) : 0;
    fittingArea_->setHeightLimit(largest.height() - menu);
}

void ObserverWindow::placeOnScreen() {
    placer_.emplace(availableArea(), likelyFrame_);
    place();
}

void ObserverWindow::place() {
    const std::optional<QSize> largest = placer_->largest();
    if (!largest) return;
    placing_ = true;
    if (fittingArea_) {
        limitTo(*largest);
        layout()->activate();  // the size for the new limit, now
    } else if (const QSize capped = size().boundedTo(*largest).expandedTo(minimumSize()); capped != size()) {
        resize(capped);
    }
    if (const QPoint to = placer_->placed(pos(), size()); to != pos()) move(to);
    placing_ = false;
}

bool ObserverWindow::learnFrame() {
    const QMargins drawn = drawnFrame(*this);
    if (!drawn.isNull() && drawn != placer_->frame()) emit framed(drawn);
    return placer_->framed(drawn);
}

void ObserverWindow::watchScreen(QScreen* screen) {
    disconnect(areaChanged_);
    if (screen) areaChanged_ = connect(screen, &QScreen::availableGeometryChanged, this, [this] { followArea(); });
    followArea();
}

void ObserverWindow::followArea() {
    if (placer_) {
        placer_->areaChanged(availableArea());
        place();
    } else {
        limitToScreen();
    }
}

void ObserverWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (placer_) placer_->shown();
    if (screenWatched_ || !windowHandle() || (!fittingArea_ && !placer_)) return;
    screenWatched_ = true;
    connect(windowHandle(), &QWindow::screenChanged, this, [this](QScreen* screen) { watchScreen(screen); });
    watchScreen(windowHandle()->screen());
}

void ObserverWindow::moveEvent(QMoveEvent* event) {
    QWidget::moveEvent(event);
    if (!placer_ || placing_) return;
    if (learnFrame())
        place();
    else
        placer_->moved(pos());
}

void ObserverWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (!placer_ || placing_) return;
    learnFrame();
    place();
}

void ObserverWindow::closeEvent(QCloseEvent* event) {
    QWidget::closeEvent(event);
    if (!event->isAccepted() || closed_) return;
    closed_ = true;
    // Copied first: the handler may drop this window's handler with the window.
    if (auto willClose = willClose_) willClose(*this);
}

ObserverQuickPanel::ObserverQuickPanel(QWidget* rootView) : ObserverWindow("quick-view", rootView, nullptr, panelFlags) {
    // Its size is its content's up to the available area; its placement rule keeps it on the screen.
    followContentSize();
    // A panel of the status item, not a window of its own in taskbars and pagers.
    platform::x11::keepOutOfTaskbars(*this);
}

QRect ObserverQuickPanel::availableArea() const { return area_.isEmpty() ? ObserverWindow::availableArea() : area_; }

void ObserverQuickPanel::setPlacement(Placement placement) {
    placement_ = std::move(placement);
    followPlacement();
    // Measured anew for that limit (lower than its screen's where the panel's room is smaller),
    // so that it is shown at that size: the layouts between the scroll area and the panel would
    // take it up only on later turns.
    fitToContent();
    followPlacement();
}

void ObserverQuickPanel::followPlacement() {
    if (!placement_) return;
    const Place place = placement_(size());
    area_ = place.area;
    limitToScreen();
    move(place.topLeft);
}

void ObserverQuickPanel::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        close();
        return;
    }
    ObserverWindow::keyPressEvent(event);
}

void ObserverQuickPanel::showEvent(QShowEvent* event) {
    ObserverWindow::showEvent(event);
    shownHeight_ = height();
}

void ObserverQuickPanel::resizeEvent(QResizeEvent* event) {
    ObserverWindow::resizeEvent(event);
    // A panel that grew or shrank with its content stays where the rule puts that size.
    followPlacement();
    // Wayland lets no program move its window: the compositor placed the panel for the size it was
    // shown with, and a taller one would reach past the screen's edge there. Shown anew, it is
    // placed anew, whole.
    if (isVisible() && event->size().height() > shownHeight_ && QGuiApplication::platformName().startsWith("wayland"))
        QTimer::singleShot(0, this, [this] {
            if (!isVisible() || height() <= shownHeight_) return;
            hide();
            show();
            raise();
            activateWindow();
        });
}

}  // namespace quentrel

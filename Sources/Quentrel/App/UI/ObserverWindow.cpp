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

#include "Platform/Desktop/WindowPlacement.h"
#include "Platform/Desktop/X11/X11Windows.h"
#include "Quentrel/Views/Theme/ObserverTheme.h"

namespace quentrel {

namespace {

// The frame the window manager drew around the last window it framed; a new window most likely
// gets the same.
QMargins lastDrawnFrame;

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
                               Qt::WindowFlags flags)
    : QWidget(nullptr, flags), windowID_(windowID), menuBar_(menuBar), rootView_(rootView) {
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

QMargins ObserverWindow::frameMargins() const {
    if (windowFlags().testFlag(Qt::FramelessWindowHint)) return {};
    const QMargins drawn = drawnFrame(*this);
    return drawn.isNull() ? lastDrawnFrame : drawn;
}

void ObserverWindow::limitToScreen() {
    if (!fittingArea_) return;
    const QRect area = availableArea();
    if (area.isEmpty()) return;
    const QMargins frame = frameMargins();
    const int menu = menuBar_ && !menuBar_->isHidden() ? menuBar_->heightForWidth(width()) : 0;
    fittingArea_->setHeightLimit(area.height() - frame.top() - frame.bottom() - menu);
}

void ObserverWindow::placeOnScreen() {
    placed_ = true;
    opening_ = true;
    place();
}

void ObserverWindow::place() {
    const QRect area = availableArea();
    if (area.isEmpty()) return;
    placing_ = true;
    countedFrame_ = frameMargins();
    if (fittingArea_) {
        limitToScreen();
        layout()->activate();  // the size for the new limit, now
    } else {
        const QSize most = area.size().shrunkBy(countedFrame_);
        const QSize capped = size().boundedTo(most).expandedTo(minimumSize());
        if (capped != size()) resize(capped);
    }
    const QRect outer(pos(), size().grownBy(countedFrame_));
    placedAt_ = opening_ ? platform::WindowPlacement::opening(outer.size(), area)
                        : platform::WindowPlacement::inside(outer, area);
    if (placedAt_ != pos()) move(placedAt_);
    placing_ = false;
}

void ObserverWindow::watchScreen(QScreen* screen) {
    disconnect(areaChanged_);
    if (screen) areaChanged_ = connect(screen, &QScreen::availableGeometryChanged, this, [this] { followArea(); });
    followArea();
}

void ObserverWindow::followArea() {
    if (placed_)
        place();
    else
        limitToScreen();
}

void ObserverWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (placed_ && opening_) {
        // Shown where it opens; placed once more when the window manager's frame is known.
        opening_ = false;
        awaitingFrame_ = true;
    }
    if (screenWatched_ || !windowHandle() || (!fittingArea_ && !placed_)) return;
    screenWatched_ = true;
    connect(windowHandle(), &QWindow::screenChanged, this, [this](QScreen* screen) { watchScreen(screen); });
    watchScreen(windowHandle()->screen());
}

void ObserverWindow::moveEvent(QMoveEvent* event) {
    QWidget::moveEvent(event);
    if (const QMargins drawn = drawnFrame(*this); !drawn.isNull()) lastDrawnFrame = drawn;
    if (placed_)
        keepPlaced(false);
    else
        limitToScreen();
}

void ObserverWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (placed_)
        keepPlaced(true);
    else
        limitToScreen();
}

void ObserverWindow::keepPlaced(bool resized) {
    if (placing_) return;
    if (isVisible() && frameMargins() != countedFrame_) {
        // The window manager has framed the window: placed again with its real frame, centred if
        // nothing has moved it since it opened.
        opening_ = awaitingFrame_;
        awaitingFrame_ = false;
        place();
        opening_ = false;
    } else if (resized) {
        // One that grew past the area's edges moves back inside; one not shown yet opens centred
        // at its new size.
        place();
    } else if (pos() != placedAt_) {
        awaitingFrame_ = false;  // moved by the user or the window manager: it stays there
    }
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

void ObserverQuickPanel::setPlacement(const QRect& area, Placement placement) {
    area_ = area;
    placement_ = std::move(placement);
    limitToScreen();
    // Measured anew for that limit (lower than its screen's where the panel's room is smaller),
    // so that it is shown at that size: the layouts between the scroll area and the panel would
    // take it up only on later turns.
    fitToContent();
    if (placement_) move(placement_(size()));
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
    if (placement_) move(placement_(event->size()));
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

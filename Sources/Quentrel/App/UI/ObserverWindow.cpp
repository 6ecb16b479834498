#include "ObserverWindow.h"

#include <algorithm>

#include <QCloseEvent>
#include <QKeyEvent>
#include <QMenuBar>
#include <QMoveEvent>
#include <QResizeEvent>
#include <QScreen>
#include <QShowEvent>
#include <QVBoxLayout>
#include <QWindow>

#include "Quentrel/Views/Theme/ObserverTheme.h"

namespace quentrel {

namespace {
// How far a frame that lies past the bottom or right edge of `area` moves back into it; never up
// or left beyond the area's top or left edge.
QPoint shiftInside(const QRect& frame, const QRect& area) {
    const auto back = [](int start, int end, int areaStart, int areaEnd) {
        if (end <= areaEnd) return 0;
        return std::max(areaEnd - end, std::min(0, areaStart - start));
    };
    return {back(frame.left(), frame.right(), area.left(), area.right()),
            back(frame.top(), frame.bottom(), area.top(), area.bottom())};
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
    // Until the window is first shown its widgets are hidden, and a hidden widget does not tell
    // the layout around it that its size changed (a view that applied its state after it was
    // built): every widget and layout is measured afresh, so the first size is already the right one.
    for (QWidget* widget : findChildren<QWidget*>()) widget->updateGeometry();
    for (QLayout* nested : findChildren<QLayout*>()) nested->invalidate();
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    layout()->activate();
}

void ObserverWindow::limitToScreen() {
    if (!fittingArea_) return;
    const QScreen* screen = this->screen();
    if (!screen) return;
    // Before the window manager has framed the window its frame is its own geometry.
    const int frame = frameGeometry().height() - height();
    const int menu = menuBar_ && !menuBar_->isHidden() ? menuBar_->heightForWidth(width()) : 0;
    fittingArea_->setHeightLimit(screen->availableGeometry().height() - frame - menu);
}

void ObserverWindow::watchScreen(QScreen* screen) {
    disconnect(areaChanged_);
    if (screen) areaChanged_ = connect(screen, &QScreen::availableGeometryChanged, this, [this] { limitToScreen(); });
    limitToScreen();
}

void ObserverWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!fittingArea_ || screenWatched_ || !windowHandle()) return;
    screenWatched_ = true;
    connect(windowHandle(), &QWindow::screenChanged, this, [this](QScreen* screen) { watchScreen(screen); });
    watchScreen(windowHandle()->screen());
}

void ObserverWindow::moveEvent(QMoveEvent* event) {
    QWidget::moveEvent(event);
    // The window manager's frame is known once it has placed the window.
    limitToScreen();
}

void ObserverWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (!fittingArea_ || !isVisible()) return;
    limitToScreen();
    // A window that grew past the bottom of the screen's available area moves back into it.
    if (const QScreen* screen = this->screen()) {
        const QPoint shift = shiftInside(frameGeometry(), screen->availableGeometry());
        if (!shift.isNull()) move(pos() + shift);
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
    // Its size is its content's; its placement rule keeps it on the screen.
    fitToContent();
}

void ObserverQuickPanel::setPlacement(Placement placement) {
    placement_ = std::move(placement);
    if (placement_) move(placement_(size()));
}

void ObserverQuickPanel::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        close();
        return;
    }
    ObserverWindow::keyPressEvent(event);
}

void ObserverQuickPanel::resizeEvent(QResizeEvent* event) {
    ObserverWindow::resizeEvent(event);
    // A panel that grew or shrank with its content stays where the rule puts that size.
    if (placement_) move(placement_(event->size()));
}

}  // namespace quentrel

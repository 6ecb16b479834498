#include "ObserverWindow.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QMenuBar>
#include <QResizeEvent>
#include <QVBoxLayout>

#include "Quentrel/Views/Theme/ObserverTheme.h"

namespace quentrel {

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
    // Until the window is first shown its widgets are hidden, and a hidden widget does not tell
    // the layout around it that its size changed (a view that applied its state after it was
    // built): every widget and layout is measured afresh, so the first size is already the right one.
    for (QWidget* widget : findChildren<QWidget*>()) widget->updateGeometry();
    for (QLayout* nested : findChildren<QLayout*>()) nested->invalidate();
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    layout()->activate();
}

void ObserverWindow::closeEvent(QCloseEvent* event) {
    QWidget::closeEvent(event);
    if (!event->isAccepted() || closed_) return;
    closed_ = true;
    // Copied first: the handler may drop this window's handler with the window.
    if (auto willClose = willClose_) willClose(*this);
}

ObserverQuickPanel::ObserverQuickPanel(QWidget* rootView) : ObserverWindow("quick-view", rootView, nullptr, panelFlags) {
    followContentSize();
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

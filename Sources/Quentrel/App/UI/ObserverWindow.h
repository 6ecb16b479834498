#pragma once

#include <functional>
#include <optional>
#include <string>

#include <QMargins>
#include <QMenuBar>
#include <QMetaObject>
#include <QPointer>
#include <QWidget>

#include "Quentrel/Views/Controls/ObserverAccessibility.h"
#include "Quentrel/Views/Controls/VerticalScrollArea.h"
#include "WindowPlacer.h"

class QScreen;

namespace quentrel {

// A top-level window of the UI app: its id as objectName, an optional menu bar on top, and one
// content view holding the root view of its content. The presenter owns it and learns of its
// close (by its close button, a menu item, a hook or the presenter) through the will-close
// handler, which runs once, after the close was accepted. Assistive technologies read it as a
// window (a frame) named with its title, as they read Qt's own top-level windows; a plain widget
// would be a client area (a filler).
class ObserverWindow : public QWidget, public ObserverAccessible {
    Q_OBJECT
public:
    using WillClose = std::function<void(ObserverWindow& window)>;

    // `likelyFrame`: the frame the window manager will most likely draw around the window, counted
    // until it has framed it.
    ObserverWindow(const std::string& windowID, QWidget* rootView, QMenuBar* menuBar,
                   Qt::WindowFlags flags = Qt::Window, const QMargins& likelyFrame = {});

    const std::string& windowID() const { return windowID_; }
    QMenuBar* windowMenuBar() const { return menuBar_; }
    // The widget under the menu bar that holds the root view.
    QWidget* contentView() const { return contentView_; }
    // The root view the content factory made for this window.
    QWidget* rootView() const { return rootView_; }
    bool hasClosed() const { return closed_; }

    // From now on the window takes the fitting size of its content, at once and again whenever
    // the content changes (a row shown or hidden, a text that wraps anew); it cannot be resized.
    // A content taller than the available area scrolls in a window as tall as the area.
    void followContentSize();

    // Places the window, frame included, in its screen's available area, and from now on keeps it
    // placed there as its placer answers each event.
    void placeOnScreen();

    void setWillClose(WillClose willClose) { willClose_ = std::move(willClose); }

    std::optional<QAccessible::Role> accessibilityRole() const override { return QAccessible::Window; }

signals:
    // The window manager has framed the window, or framed it anew: the next window most likely
    // gets the same frame.
    void framed(const QMargins& frame);

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    // Takes the fitting size of the layout as it is now, and again after each change.
    void fitToContent();
    // The area the window keeps within: its screen's available area (without panels and docks).
    virtual QRect availableArea() const;
    // The content's height limit from the available area, less the frame and menu bar.
    void limitToScreen();

private:
    void watchScreen(QScreen* screen);
    // Placed again in the available area as it is now, or only limited to it when not placed.
    void followArea();
    void measureAfresh();
    // The content's height limit for a window of at most `largest`, less the menu bar.
    void limitTo(const QSize& largest);
    // Tells the placer the frame drawn around the window now; true when it asks for a placement.
    bool learnFrame();
    // Applies a placement: caps the window at the largest size, then moves it where it goes.
    void place();

    std::string windowID_;
    QPointer<QMenuBar> menuBar_;
    QPointer<QWidget> contentView_;
    QPointer<QWidget> rootView_;
    WillClose willClose_;
    bool closed_ = false;
    QPointer<FittingScrollArea> fittingArea_;  // around the root view, once the window follows its content
    bool screenWatched_ = false;
    QMetaObject::Connection areaChanged_;
    const QMargins likelyFrame_;          // counted until the window manager has framed it
    std::optional<WindowPlacer> placer_;  // once placed on its screen
    bool placing_ = false;                // while it moves or resizes the window itself
};

// The quick view's floating panel: a frameless tool window that stays above the others. It is not
// a popup, which would grab the input and close on any click outside; it closes on Escape, on a
// second quick-view request, on its content's close action and when a window opens. Its size is
// always its content's fitting size, and each new size is placed again.
class ObserverQuickPanel : public ObserverWindow {
    Q_OBJECT
public:
    static constexpr Qt::WindowFlags panelFlags = Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint;
    // Where a panel of some size goes: the area it keeps within (the available area of its
    // anchor's screen) and its top-left corner.
    struct Place {
        QRect area;
        QPoint topLeft;
    };
    using Placement = std::function<Place(const QSize& size)>;

    explicit ObserverQuickPanel(QWidget* rootView);

    // Places the panel now and after every change of its size where `placement` puts it, within
    // the area it gives with that place: a content taller than the area scrolls.
    void setPlacement(Placement placement);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    QRect availableArea() const override;

private:
    // Within the area and at the place that the placement gives for its size now.
    void followPlacement();

    QRect area_;
    Placement placement_;
    int shownHeight_ = 0;
};

}  // namespace quentrel

#include "WindowVisibilityProbe.h"

#include <QEvent>
#include <QTimer>
#include <QWindow>

#include "ApplicationHiddenState.h"
#include "Quentrel/Stores/ObserverStore.h"

namespace quentrel {

WindowVisibilityProbe::WindowVisibilityProbe(Changed changed, QWidget* parent)
    : QWidget(parent), surfaceID_(platform::UUID::random()), changed_(std::move(changed)) {
    setFixedSize(0, 0);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
    followWindow();
}

WindowVisibilityProbe* WindowVisibilityProbe::reportingTo(const std::shared_ptr<ObserverStore>& store,
                                                          QWidget* parent) {
    return new WindowVisibilityProbe(
        [weak = std::weak_ptr<ObserverStore>(store)](const platform::UUID& id, bool visible) {
            if (auto s = weak.lock()) s->surfaceVisibilityChanged(id, visible);
        },
        parent);
}

WindowVisibilityProbe::~WindowVisibilityProbe() { detach(); }

void WindowVisibilityProbe::setChanged(Changed changed) { changed_ = std::move(changed); }

void WindowVisibilityProbe::report(bool visible) {
    lastVisible_ = visible;
    // Copied first: the callback may replace itself.
    if (auto changed = changed_) changed(surfaceID_, visible);
}

bool WindowVisibilityProbe::computeVisible() const {
    const QWidget* window = this->window();
    if (!window || window == this) return false;  // in no window
    if (!window->isVisible() || window->isMinimized()) return false;
    if (ApplicationHiddenState::shared().isHidden()) return false;
    const QWindow* native = window->windowHandle();
    return native && native->isExposed();
}

void WindowVisibilityProbe::updateVisibility() {
    const bool visible = computeVisible();
    if (visible != lastVisible_) report(visible);
}

void WindowVisibilityProbe::detach() {
    for (const auto& object : std::as_const(watched_))
        if (object) object->removeEventFilter(this);
    watched_.clear();
    if (nativeWindow_) nativeWindow_->removeEventFilter(this);
    nativeWindow_ = nullptr;
    QObject::disconnect(hiddenConnection_);
    window_ = nullptr;
    if (lastVisible_) report(false);
}

void WindowVisibilityProbe::followWindow() {
    QWidget* window = this->window();
    if (window == this) window = nullptr;
    if (window && window == window_) return;
    detach();
    if (!window) return;
    window_ = window;
    // Every ancestor, so that moving any of them into another window is noticed.
    for (QWidget* ancestor = parentWidget(); ancestor; ancestor = ancestor->parentWidget()) {
        ancestor->installEventFilter(this);
        watched_.append(ancestor);
    }
    watchNativeWindow();
    hiddenConnection_ =
        connect(&ApplicationHiddenState::shared(), &ApplicationHiddenState::hiddenChanged, this, [this] { scheduleUpdate(); });
    // The first evaluation waits until the window has taken the probe in.
    scheduleUpdate();
}

void WindowVisibilityProbe::watchNativeWindow() {
    QWindow* native = window_ ? window_->windowHandle() : nullptr;
    if (native == nativeWindow_) return;
    if (nativeWindow_) nativeWindow_->removeEventFilter(this);
    nativeWindow_ = native;
    if (native) native->installEventFilter(this);
}

void WindowVisibilityProbe::scheduleUpdate() {
    if (updatePending_) return;
    updatePending_ = true;
    QTimer::singleShot(0, this, [this] {
        updatePending_ = false;
        updateVisibility();
    });
}

bool WindowVisibilityProbe::event(QEvent* event) {
    if (event->type() == QEvent::ParentChange) followWindow();
    return QWidget::event(event);
}

bool WindowVisibilityProbe::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::ParentChange:
        followWindow();
        break;
    case QEvent::Show:
    case QEvent::WinIdChange:
        if (watched == window_) watchNativeWindow();
        [[fallthrough]];
    case QEvent::Hide:
    case QEvent::WindowStateChange:
    case QEvent::Expose:
        if (watched == window_ || watched == nativeWindow_) scheduleUpdate();
        break;
    default: break;
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace quentrel

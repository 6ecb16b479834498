#pragma once

#include <functional>
#include <memory>

#include <QList>
#include <QMetaObject>
#include <QPointer>
#include <QWidget>

#include "Platform/Foundation/UUID.h"
#include "Quentrel/Views/Controls/ObserverAccessibility.h"

namespace quentrel {

class ObserverStore;

// An invisible, size-less widget that a window's content embeds to learn whether that window is
// really visible to the user: shown, not minimised, the application not hidden, and exposed on
// screen (Qt reports no occlusion, so a fully covered window counts as visible). It calls
// `changed` with a surface id of its own each time that answer changes, and never otherwise;
// it starts from "not visible", so a surface that never appears reports nothing.
//
// `changed` may run from the probe's destructor (a visible probe reports false when it goes),
// which is while the embedding widget is being destroyed: it must capture only what outlives the
// window, such as the store, never the embedding widget.
class WindowVisibilityProbe : public QWidget, public ObserverAccessible {
    Q_OBJECT
public:
    using Changed = std::function<void(const platform::UUID& surfaceID, bool visible)>;

    explicit WindowVisibilityProbe(Changed changed, QWidget* parent = nullptr);
    ~WindowVisibilityProbe() override;

    // A probe inside `parent` whose reports go to the store's surfaceVisibilityChanged (the store
    // held weakly: reports after it is gone are dropped).
    static WindowVisibilityProbe* reportingTo(const std::shared_ptr<ObserverStore>& store, QWidget* parent);

    // Made fresh for each probe, fixed for its life.
    const platform::UUID& surfaceID() const { return surfaceID_; }
    bool lastVisible() const { return lastVisible_; }

    // Later reports go to `changed`; reports nothing by itself.
    void setChanged(Changed changed);
    // Computes the visibility now and reports it if it changed.
    void updateVisibility();
    // Stops watching and reports false if the last report was true.
    void detach();

    bool isAccessibilityHidden() const override { return true; }

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Starts watching the window the probe is in now, if that is another window than before.
    void followWindow();
    void watchNativeWindow();
    void scheduleUpdate();
    bool computeVisible() const;
    void report(bool visible);

    platform::UUID surfaceID_;
    Changed changed_;
    QPointer<QWidget> window_;
    QList<QPointer<QObject>> watched_;
    QPointer<QObject> nativeWindow_;
    QMetaObject::Connection hiddenConnection_;
    bool lastVisible_ = false;
    bool updatePending_ = false;
};

}  // namespace quentrel

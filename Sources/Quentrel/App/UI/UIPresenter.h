#pragma once

#include <functional>

#include "Quentrel/Services/ObserverUIPresentation.h"

namespace quentrel {

class ObserverStore;

// What the UI app's client needs of its presenter (ObserverAppDelegate in the program, a fake in
// tests). Main thread only.
class UIPresenter {
public:
    virtual ~UIPresenter() = default;

    // The mirror store the presenter's windows show.
    virtual ObserverStore& store() = 0;
    // Runs after every close of a window or of the quick panel.
    virtual void setOnEmptyUI(std::function<void()> onEmptyUI) = 0;
    // Runs when the user hides the application (its windows are still open then).
    virtual void setOnHide(std::function<void()> onHide) = 0;
    // Installs the window hooks and builds the menu.
    virtual void prepareUIOnly() = 0;
    // Opens the quick panel at the top right of the current screen.
    virtual void showLocalQuickView() = 0;
    // Shows a presentation sent by the agent; an invalid one does nothing.
    virtual void present(const ObserverUIPresentation& presentation) = 0;
    // A window, the quick panel or a modal window is up.
    virtual bool hasPresentedUI() const = 0;
    // Closes the quick panel and every window.
    virtual void closeAllUI() = 0;
};

}  // namespace quentrel

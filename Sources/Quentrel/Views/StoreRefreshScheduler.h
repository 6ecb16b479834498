#pragma once

#include <functional>

// WillChangeSignal.h names a local variable "slots", which Qt's keyword macro would rewrite when
// a Qt header came first. Including it here with the macro set aside makes the order free: the
// store's headers include it again only behind its include guard.
#ifdef slots
#pragma push_macro("slots")
#undef slots
#include "Platform/Foundation/WillChangeSignal.h"
#pragma pop_macro("slots")
#else
#include "Platform/Foundation/WillChangeSignal.h"
#endif

#include <QObject>

namespace quentrel {

// Turns a store's will-change signals into one refresh per event-loop turn: the signal comes
// before the change, so the view never reads the store inside it; it marks itself dirty and the
// refresh runs once the loop is back, after every change of that turn. Dies with its parent.
class StoreRefreshScheduler : public QObject {
    Q_OBJECT
public:
    StoreRefreshScheduler(platform::WillChangeSignal& signal, std::function<void()> refresh, QObject* parent);

    // Asks for a refresh in the next turn of the loop; more requests before then add nothing.
    void schedule();
    bool isPending() const { return pending_; }

private:
    std::function<void()> refresh_;
    platform::WillChangeSignal::Connection connection_;
    bool pending_ = false;
};

}  // namespace quentrel

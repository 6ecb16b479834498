#pragma once

#include <functional>
#include <vector>

#include <QPointer>

#include "Platform/Foundation/WillChangeSignal.h"

class QObject;

namespace quentrel {

// The views' answer to a will-change signal: never read the changing object inside the signal,
// mark the view dirty and run its refresh once on the next turn of the event loop, however many
// signals came before it. Held as a member of the view it refreshes (its context).
class ViewRefresh {
public:
    ViewRefresh(QObject* context, std::function<void()> refresh);
    ViewRefresh(const ViewRefresh&) = delete;
    ViewRefresh& operator=(const ViewRefresh&) = delete;

    // Schedules a refresh before each change `signal` announces, for as long as this lives.
    void watch(platform::WillChangeSignal& signal);
    // Marks the view dirty; the refresh runs once on the next loop turn.
    void schedule();
    bool isPending() const { return pending_; }

private:
    QPointer<QObject> context_;
    std::function<void()> refresh_;
    std::vector<platform::WillChangeSignal::Connection> connections_;
    bool pending_ = false;
};

}  // namespace quentrel

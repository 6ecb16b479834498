#include "StoreRefreshScheduler.h"

#include <QTimer>

namespace quentrel {

StoreRefreshScheduler::StoreRefreshScheduler(platform::WillChangeSignal& signal, std::function<void()> refresh,
                                             QObject* parent)
    : QObject(parent), refresh_(std::move(refresh)) {
    // The connection is released with this object, so the listener never outlives `this`.
    connection_ = signal.connect([this] { schedule(); });
}

void StoreRefreshScheduler::schedule() {
    if (pending_) return;
    pending_ = true;
    QTimer::singleShot(0, this, [this] {
        pending_ = false;
        if (refresh_) refresh_();
    });
}

}  // namespace quentrel

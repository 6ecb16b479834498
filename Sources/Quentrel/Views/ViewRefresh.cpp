#include "Quentrel/Views/ViewRefresh.h"

#include <QTimer>

namespace quentrel {

ViewRefresh::ViewRefresh(QObject* context, std::function<void()> refresh)
    : context_(context), refresh_(std::move(refresh)) {}

void ViewRefresh::watch(platform::WillChangeSignal& signal) {
    connections_.push_back(signal.connect([this] { schedule(); }));
}

void ViewRefresh::schedule() {
    if (pending_ || !context_) return;
    pending_ = true;
    // The timer belongs to the context, so it dies with the view and this member.
    QTimer::singleShot(0, context_.data(), [this] {
        pending_ = false;
        if (refresh_) refresh_();
    });
}

}  // namespace quentrel

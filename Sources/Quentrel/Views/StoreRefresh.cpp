#include "StoreRefresh.h"

#include <QTimer>

#include "ViewStore.h"

namespace quentrel {

struct StoreRefresh::Subscription {
    platform::WillChangeSignal::Connection connection;
};

StoreRefresh::StoreRefresh(ObserverStore& store, std::function<void()> refresh, QObject* parent)
    : QObject(parent), refresh_(std::move(refresh)), subscription_(std::make_unique<Subscription>()) {
    subscription_->connection = store.objectWillChange().connect([this] { schedule(); });
}

StoreRefresh::~StoreRefresh() = default;

void StoreRefresh::schedule() {
    if (pending_) return;
    pending_ = true;
    QTimer::singleShot(0, this, [this] {
        pending_ = false;
        if (refresh_) refresh_();
    });
}

}  // namespace quentrel

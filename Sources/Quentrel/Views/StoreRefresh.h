#pragma once

#include <functional>
#include <memory>

#include <QObject>

namespace quentrel {

class ObserverStore;

// How a view follows the store: the store's will-change signal only marks the view dirty (the
// store has not changed yet), and one refresh runs in the next turn of the event loop, however
// many signals arrived meanwhile. Owned by the view (as its Qt child), so a pending refresh dies
// with it.
class StoreRefresh : public QObject {
    Q_OBJECT
public:
    StoreRefresh(ObserverStore& store, std::function<void()> refresh, QObject* parent);
    ~StoreRefresh() override;

    // Asks for a refresh in the next turn, as a signal of the store does.
    void schedule();
    bool isPending() const { return pending_; }

private:
    std::function<void()> refresh_;
    // The store's connection (its header cannot follow Qt's: see ViewStore.h).
    struct Subscription;
    std::unique_ptr<Subscription> subscription_;
    bool pending_ = false;
};

}  // namespace quentrel

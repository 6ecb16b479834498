#pragma once

#include "ObserverStore.h"

namespace quentrel {

// Everything the constructor takes, with the services already resolved.
struct ObserverStore::Arguments {
    std::shared_ptr<platform::DefaultsDatabase> preferences;
    std::shared_ptr<RecentEventLog> eventLog;
    bool migrateLegacy = false;
    std::shared_ptr<SessionSummaryStore> sessionStorage;
    ConnectionNotificationBackendPtr notificationBackend;
    CommandSink remoteCommand;
    std::function<double()> monotonicNow;
    wendmark::ObservationInventory::Factory inventoryFactory;
    ObserverStoreServices services;
};

// A change batch: one publication step, then no further signal until the batch ends. Restores the
// depth on every path out.
class ObserverStore::ChangeBatch {
public:
    explicit ChangeBatch(ObserverStore& store) : store_(store) {
        store_.publish();
        ++store_.updateDepth_;
    }
    ~ChangeBatch() { --store_.updateDepth_; }
    ChangeBatch(const ChangeBatch&) = delete;
    ChangeBatch& operator=(const ChangeBatch&) = delete;

private:
    ObserverStore& store_;
};

}  // namespace quentrel

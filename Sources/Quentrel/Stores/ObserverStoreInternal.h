#pragma once

#include "ObserverStore.h"
#include "Platform/Dispatch/WorkItem.h"
#include "Platform/Foundation/DefaultsDatabase.h"
#include "Quentrel/Services/ConnectionNotificationService.h"
#include "Quentrel/Services/LoginItemService.h"
#include "Quentrel/Services/RecentEventLog.h"
#include "Quentrel/Services/SessionSummaryStore.h"
#include "Quentrel/Services/UpdateService.h"
#include "Wendmark/ConnectionNotice.h"

namespace quentrel {

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

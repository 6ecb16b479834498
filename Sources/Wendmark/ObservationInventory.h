#pragma once

#include <functional>
#include <memory>

#include "InventorySnapshot.h"

namespace wendmark {

// What the observer store sees of the drive inventory. Every operation returns at once; results
// arrive only through the snapshot handler the inventory was made with.
class ObservationInventory {
public:
    // Receives every snapshot; called on the inventory's own queue.
    using Handler = std::function<void(const InventorySnapshot&)>;
    // Makes the inventory that reports to `handler`.
    using Factory = std::function<std::shared_ptr<ObservationInventory>(Handler handler)>;

    virtual ~ObservationInventory() = default;

    virtual void start() = 0;
    virtual void stop() = 0;
    virtual void setSampling(bool enabled, double interval) = 0;
    virtual void refresh() = 0;
    virtual void refreshMetadata() = 0;
    virtual void resetActivity() = 0;
};

}  // namespace wendmark

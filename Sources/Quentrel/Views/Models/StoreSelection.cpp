#include "StoreSelection.h"

#include <algorithm>

#include "Quentrel/Stores/ObserverStore.h"
#include "Wendmark/ObservationTarget.h"

namespace quentrel {

const wendmark::DeviceSnapshot* selectedDevice(const ObserverStore& store) {
    const auto& id = store.selectedID();
    if (!id) return nullptr;
    for (const auto& device : store.snapshot().devices)
        if (device.id == *id) return &device;
    return nullptr;
}

bool isSelectionRemembered(const ObserverStore& store) {
    const auto& id = store.selectedID();
    const auto& target = store.rememberedTarget();
    if (!id || !target) return false;
    const auto matches = target->matchingIDs(store.snapshot().devices);
    return std::find(matches.begin(), matches.end(), *id) != matches.end();
}

}  // namespace quentrel

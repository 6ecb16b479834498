#pragma once

#include "Wendmark/DeviceSnapshot.h"

namespace quentrel {

class ObserverStore;

// The selected device: the first device of the held snapshot whose id equals selectedID; null
// without a selection and when the id names no device of the snapshot, which every view treats
// alike. The pointer is valid until the store changes.
const wendmark::DeviceSnapshot* selectedDevice(const ObserverStore& store);

// The selection is the remembered drive: a device is selected, a drive is remembered, and the
// drive's matches in the snapshot include the selected id.
bool isSelectionRemembered(const ObserverStore& store);

}  // namespace quentrel

#pragma once

#include <memory>

#include "Quentrel/Views/Models/LocaleTexts.h"

namespace quentrel {

class ObservationMenuView;

// Puts the compact five-minute graph into the quick view's graph slot: a fresh ActivityHistoryView
// for each selected device (the quick view builds one per identity), given its inputs at every
// refresh. `texts` empty: the system locale's.
void installActivityGraph(ObservationMenuView& quickView, std::shared_ptr<const LocaleTexts> texts = {});

}  // namespace quentrel

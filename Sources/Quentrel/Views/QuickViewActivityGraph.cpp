#include "QuickViewActivityGraph.h"

#include "Quentrel/Views/ActivityHistoryView.h"
#include "Quentrel/Views/Observation/ObservationMenuView.h"

namespace quentrel {

void installActivityGraph(ObservationMenuView& quickView, std::shared_ptr<const LocaleTexts> texts) {
    quickView.setActivityGraph({
        [texts](QWidget* parent) -> QWidget* { return new ActivityHistoryView(true, texts, parent); },
        [](QWidget& graph, const ActivityGraphInputs& inputs) {
            auto& card = static_cast<ActivityHistoryView&>(graph);
            card.setCompact(inputs.compact);
            card.setInput({inputs.intervals, inputs.referenceDate, inputs.collecting, inputs.samplingInterval,
                           inputs.identity});
        },
    });
}

}  // namespace quentrel

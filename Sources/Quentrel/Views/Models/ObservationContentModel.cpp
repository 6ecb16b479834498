#include "ObservationContentModel.h"

#include "Quentrel/Stores/ObserverStore.h"
#include "Quentrel/Views/Models/StoreSelection.h"
#include "Wendmark/SamplingConfiguration.h"

namespace quentrel {

ObservationContentModel ObservationContentModel::make(const ObserverStore& store) {
    ObservationContentModel m;
    const bool asleep = store.isSystemSleeping();
    if (const auto* selected = selectedDevice(store)) {
        Device d;
        d.graph = ActivityHistoryInput::from(store);
        d.finderEnabled = !asleep && selected->mountedCount() >= 1;
        d.pauseButton = store.isPaused() ? resume : pause;
        d.pauseHighlighted = store.isPaused();
        d.pauseEnabled = !asleep;
        d.pauseRequest = !store.isPaused();
        d.refreshEnabled = store.sampling().enabled;
        m.device = std::move(d);
    }
    m.emptyText = std::string(store.snapshot().devices.empty() ? waitingForDevice : chooseDevice);
    m.errorMessage = store.errorMessage();
    // The first condition that holds names the mode.
    if (asleep) {
        m.modeSymbol = "moon.zzz";
        m.modeText = "잠자기 중";
    } else if (store.isPaused()) {
        m.modeSymbol = "pause.circle";
        m.modeText = "관측 일시중지";
    } else {
        m.modeSymbol = "circle.dotted";
        m.modeText = store.sampling().enabled ? "관측 중" : "이벤트 대기";
    }
    return m;
}

void ObservationContentModel::refreshObservation(ObserverStore& store, const CommandSink& remoteCommand) {
    const auto command = ObserverUICommand::make(ObserverUICommand::Case::refresh);
    if (store.isMirror()) {
        if (remoteCommand) remoteCommand(command);
        return;
    }
    // The agent runs the command as it would one from the UI app: the inventory, unless paused
    // or asleep.
    store.handleUICommand(command);
}

}  // namespace quentrel

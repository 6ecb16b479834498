// The UI app's side of one state with the quick view open: the frame cut from the bytes read,
// the message decoded, the mirror store given the state, the quick view refreshed, laid out and
// repainted on the offscreen platform. The view is shown as the UI app shows it: opened by the
// presenter inside its quick panel and the fitting scroll area, so that what a state costs its
// window (layout requests that climb up to it, turns of the event loop) counts too. The states are
// the load program's: every second the rates, counters and capture time move, the graph slides by
// one interval and the session grows.
#include <memory>
#include <string>
#include <vector>

#include <QApplication>
#include <QEvent>
#include <benchmark/benchmark.h>

#include "ObserverAppDelegate.h"
#include "Platform/Foundation/MemoryDefaultsDatabase.h"
#include "Quentrel/Services/ObserverUIFrameDecoder.h"
#include "Quentrel/Services/ObserverUIMessage.h"
#include "Quentrel/Services/ObserverWindowPresenter.h"
#include "Quentrel/Services/UIStateFixture.h"
#include "Quentrel/Stores/ObserverStore.h"
#include "Quentrel/Views/Controls/FocusArrival.h"
#include "Quentrel/Views/Controls/FocusDeparture.h"
#include "Quentrel/Views/Controls/ObserverAccessibility.h"
#include "Quentrel/Views/Theme/ObserverTheme.h"

namespace {

using quentrel::ObserverUIFrameDecoder;
using quentrel::ObserverUIMessage;

// Distinct seconds before the states repeat; the graph then jumps back, which repaints as much.
constexpr int seconds = 60;
// Where the status item would be (bottom-left origin): the panel opens under it.
const std::vector<double> anchor{1000, 776, 24, 24};
// More turns than a state ever takes: the loop stops at the first turn that delivers nothing.
constexpr int mostTurns = 50;

// Counts what the application delivers: every event, and the paints and layout requests.
class EventCounter : public QObject {
public:
    long events = 0;
    long paints = 0;
    long layoutRequests = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        ++events;
        if (event->type() == QEvent::Paint) ++paints;
        if (event->type() == QEvent::LayoutRequest) ++layoutRequests;
        return QObject::eventFilter(watched, event);
    }
};

// Turns the event loop until a turn delivers nothing (the refresh the store's change posts, the
// layout requests and update requests that follow it); returns the turns that delivered events.
int settle(const EventCounter& counter) {
    int turns = 0;
    for (long before = -1; before != counter.events && turns < mostTurns; ++turns) {
        before = counter.events;
        QCoreApplication::processEvents();
    }
    return turns - 1;
}

void oneStateWithQuickViewOpen(benchmark::State& state) {
    const int devices = static_cast<int>(state.range(0));
    std::vector<std::string> frames;
    for (int second = 0; second < seconds; ++second)
        frames.push_back(ObserverUIFrameDecoder::frameEncoded(
            ObserverUIMessage::state(static_cast<std::uint64_t>(second) + 1, uistate::stateAt(devices, second))));

    auto store = quentrel::ObserverStore::make({
        .preferences = std::make_shared<platform::MemoryDefaultsDatabase>("local.bench.KavrinetUI"),
        .remoteCommand = [](const quentrel::ObserverUICommand&) {},
    });
    EventCounter counter;
    qApp->installEventFilter(&counter);
    ObserverUIFrameDecoder decoder;
    long turns = 0;
    const auto deliver = [&](const std::string& frame) {
        for (const auto& payload : decoder.append(frame)) {
            const auto message = platform::json::decode<ObserverUIMessage>(payload);
            if (const auto* pushed = message.get<ObserverUIMessage::State>()) store->applyUIState(pushed->state);
        }
        turns += settle(counter);
    };
    deliver(frames.front());
    quentrel::ObserverAppDelegate presenter(store);
    presenter.prepareUIOnly();
    presenter.present({std::string(quentrel::ObserverUIPresentation::quickViewWindow), anchor});
    if (!presenter.quickPanel()) {
        state.SkipWithError("the quick panel did not open");
        return;
    }
    settle(counter);

    turns = 0;
    counter.paints = counter.layoutRequests = 0;
    std::size_t next = 1;
    for (auto _ : state) {
        deliver(frames[next]);
        next = (next + 1) % frames.size();
    }
    const auto perState = [](long count) {
        return benchmark::Counter(static_cast<double>(count), benchmark::Counter::kAvgIterations);
    };
    state.counters["paintsPerState"] = perState(counter.paints);
    state.counters["layoutRequestsPerState"] = perState(counter.layoutRequests);
    state.counters["turnsPerState"] = perState(turns);
    qApp->removeEventFilter(&counter);
    presenter.closeAllUI();
    quentrel::ObserverWindowPresenter::resetToDefaults();
}
BENCHMARK(oneStateWithQuickViewOpen)->ArgName("devices")->Arg(3)->Arg(8)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    // As the UI app starts.
    quentrel::ObserverTheme::applyToApplication(application);
    quentrel::installObserverAccessibility();
    quentrel::FocusArrival::install();
    quentrel::FocusDeparture::install();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

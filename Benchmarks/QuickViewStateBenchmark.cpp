// The UI app's side of one state with the quick view open: the frame cut from the bytes read,
// the message decoded, the mirror store given the state, the quick view refreshed and its window
// repainted on the offscreen platform. The states are the load program's: every second the rates,
// counters and capture time move, the graph slides by one interval and the session grows.
#include <memory>
#include <string>
#include <vector>

#include <QApplication>
#include <QEvent>
#include <benchmark/benchmark.h>

#include "Platform/Foundation/MemoryDefaultsDatabase.h"
#include "Quentrel/Services/ObserverUIFrameDecoder.h"
#include "Quentrel/Services/ObserverUIMessage.h"
#include "Quentrel/Services/UIStateFixture.h"
#include "Quentrel/Stores/ObserverStore.h"
#include "Quentrel/Views/Controls/FocusArrival.h"
#include "Quentrel/Views/Controls/FocusDeparture.h"
#include "Quentrel/Views/Controls/ObserverAccessibility.h"
#include "Quentrel/Views/Observation/ObservationMenuView.h"
#include "Quentrel/Views/Theme/ObserverTheme.h"

namespace {

using quentrel::ObserverUIFrameDecoder;
using quentrel::ObserverUIMessage;

// Distinct seconds before the states repeat; the graph then jumps back, which repaints as much.
constexpr int seconds = 60;

// Counts the paint events of a window's widgets.
class PaintCounter : public QObject {
public:
    long paints = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint) ++paints;
        return QObject::eventFilter(watched, event);
    }
};

// The refresh the store's change posts, then the update requests the refresh posts.
void settle() {
    for (int turn = 0; turn < 2; ++turn) QCoreApplication::processEvents();
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
    ObserverUIFrameDecoder decoder;
    const auto deliver = [&](const std::string& frame) {
        for (const auto& payload : decoder.append(frame)) {
            const auto message = platform::json::decode<ObserverUIMessage>(payload);
            if (const auto* pushed = message.get<ObserverUIMessage::State>()) store->applyUIState(pushed->state);
        }
        settle();
    };
    deliver(frames.front());
    quentrel::ObservationMenuView view(store);
    view.show();
    settle();

    PaintCounter counter;
    for (QWidget* widget : view.findChildren<QWidget*>()) widget->installEventFilter(&counter);
    view.installEventFilter(&counter);
    std::size_t next = 1;
    for (auto _ : state) {
        deliver(frames[next]);
        next = (next + 1) % frames.size();
    }
    state.counters["paintsPerState"] =
        benchmark::Counter(static_cast<double>(counter.paints), benchmark::Counter::kAvgIterations);
}
BENCHMARK(oneStateWithQuickViewOpen)->ArgName("devices")->Arg(3)->Arg(8)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
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

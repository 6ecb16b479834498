// One repaint of the five-minute graph at 1 s sampling: the card's model and the plot's geometry
// built from 300 intervals, and the plot painted into an offscreen image of the dashboard's size.
#include <vector>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <benchmark/benchmark.h>

#include "Quentrel/Views/ActivityPlotView.h"
#include "Quentrel/Views/Models/ActivityHistoryModel.h"
#include "Quentrel/Views/Models/ActivityPlotGeometry.h"
#include "Quentrel/Views/QtLocaleFormatter.h"
#include "Quentrel/Views/SystemLocaleTexts.h"
#include "Quentrel/Views/Theme/ObserverTheme.h"

namespace {
constexpr double reference = 700'000'000;
constexpr int intervals = 300;
// The dashboard's plot: a 620-point window less its paddings, 105 points high.
constexpr int plotWidth = 530;
constexpr int plotHeight = 105;

quentrel::ActivityHistoryInput history() {
    quentrel::ActivityHistoryInput input;
    input.referenceDate = platform::Date{reference};
    input.collecting = true;
    input.samplingInterval = 1;
    input.identity = "driver:1";
    for (int i = 0; i < intervals; ++i)
        input.intervals.push_back({static_cast<std::uint64_t>(i), platform::Date{reference - 300 + i},
                                   platform::Date{reference - 299 + i}, 1'048'576.0 * (i % 7), 524'288.5 * (i % 5)});
    return input;
}

void BM_ActivityGraphRepaint(benchmark::State& state) {
    const auto input = history();
    const quentrel::GraphInspection inspection{platform::Date{reference - 100.5}};
    const quentrel::SystemLocaleTexts texts(quentrel::QtLocaleFormatter::system());
    QImage image(plotWidth, plotHeight, QImage::Format_ARGB32_Premultiplied);
    quentrel::ActivityPlotGeometry geometry;
    for (auto _ : state) {
        auto model = quentrel::ActivityHistoryModel::make(input, inspection, texts);
        quentrel::ActivityPlotGeometry::make(input.intervals, input.referenceDate, model.selectedDate, plotWidth,
                                             plotHeight, geometry);
        image.fill(quentrel::ObserverTheme::surface);
        QPainter painter(&image);
        quentrel::ActivityPlotView::draw(painter, geometry, QSizeF(plotWidth, plotHeight));
        painter.end();
        benchmark::DoNotOptimize(model);
        benchmark::DoNotOptimize(image.constBits());
    }
    state.counters["segments"] = static_cast<double>(geometry.segments.size());
}
BENCHMARK(BM_ActivityGraphRepaint)->Unit(benchmark::kMicrosecond);

// The model alone, as every refresh of the dashboard and the quick view builds it.
void BM_ActivityGraphModel(benchmark::State& state) {
    const auto input = history();
    const quentrel::SystemLocaleTexts texts(quentrel::QtLocaleFormatter::system());
    for (auto _ : state) benchmark::DoNotOptimize(quentrel::ActivityHistoryModel::make(input, {}, texts));
}
BENCHMARK(BM_ActivityGraphModel)->Unit(benchmark::kMicrosecond);
}  // namespace

int main(int argc, char** argv) {
    // Painting and the locale need a GUI application; the offscreen platform needs no display.
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

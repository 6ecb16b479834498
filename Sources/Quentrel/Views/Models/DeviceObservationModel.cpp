#include "DeviceObservationModel.h"

#include <cmath>

#include "Quentrel/Stores/ObserverStore.h"
#include "Quentrel/Support/FixedDecimalText.h"
#include "Quentrel/Support/TransferRate.h"
#include "StoreSelection.h"
#include "Wendmark/SamplingConfiguration.h"

namespace quentrel {

namespace {
using wendmark::ActivityKind;

// Every text of the panel.
constexpr const char* headerText = "읽기 · 쓰기";
constexpr const char* historicalTitle = "이전 표본";
constexpr const char* preparingTitle = "측정 준비";
constexpr const char* idleTitle = "관측 구간 활동 없음";
constexpr const char* ioTitle = "I/O 활동";
constexpr const char* unavailableTitle = "통계 확인 불가";
constexpr const char* interruptedTitle = "다시 측정 중";
constexpr const char* readTitle = "읽기";
constexpr const char* writeTitle = "쓰기";
constexpr const char* noRateUnit = "B/s";
constexpr const char* noPeakText = "관측 대기";
constexpr const char* peakPrefix = "최근 5분 최고 ";
constexpr const char* peakHelp =
    "관측한 구간 평균 중 최고값입니다. SSD·HDD의 최대 성능 시험이나 제조사 표기 사양이 아닙니다.";
constexpr const char* speedInfix = " 속도 ";
constexpr const char* historicalSuffix = ", 이전 표본";
constexpr const char* peakInfix = ", 최근 5분 관측 최고 ";
constexpr const char* intervalSuffix = "초 구간";
constexpr const char* separatorText = "·";
constexpr const char* awaitingText = "다음 표본을 기다립니다";

struct Badge {
    const char* title;
    const char* symbol;
};

Badge badge(bool historical, bool awaiting, ActivityKind kind) {
    if (historical) return {historicalTitle, "pause.circle"};
    if (awaiting) return {preparingTitle, "ellipsis.circle"};
    switch (kind) {
    case ActivityKind::preparing: return {preparingTitle, "ellipsis.circle"};
    case ActivityKind::observedIdle: return {idleTitle, "circle.dotted"};
    case ActivityKind::observedIO: return {ioTitle, "waveform"};
    case ActivityKind::unavailable: return {unavailableTitle, "questionmark.circle"};
    case ActivityKind::interrupted: return {interruptedTitle, "arrow.triangle.2.circlepath"};
    }
    return {preparingTitle, "ellipsis.circle"};
}

DeviceObservationModel::Column column(const char* title, const char* symbol, std::optional<std::uint64_t> bytes,
                                      std::optional<double> peak, const wendmark::ActivitySample& sample,
                                      bool historical, bool awaiting) {
    // While a fresh sample is awaited the old counts are not shown as a rate.
    const TransferRate rate(awaiting ? std::nullopt : bytes, sample);
    DeviceObservationModel::Column c;
    c.title = title;
    c.symbol = symbol;
    c.value = rate.value();
    c.unit = rate.bytesPerSecond ? std::string(TransferRate::unit(*rate.bytesPerSecond)) : noRateUnit;
    const std::string peakText = peak ? TransferRate::withUnit(*peak) : noPeakText;
    c.peakLine = peakPrefix + peakText;
    c.peakHelp = peakHelp;
    c.accessibilityLabel = c.title + speedInfix + c.value + " " + c.unit + (historical ? historicalSuffix : "") +
                           peakInfix + peakText;
    return c;
}
}  // namespace

DeviceObservationModel DeviceObservationModel::make(const wendmark::DeviceSnapshot& device, bool isActivityHistorical,
                                                    bool awaitingFreshSample, bool compact,
                                                    const wendmark::ObservedPeakRates& peaks,
                                                    const LocaleFormatter& locale) {
    const auto& sample = device.activity;
    DeviceObservationModel m;
    m.headerTitle = headerText;
    const Badge b = badge(isActivityHistorical, awaitingFreshSample, sample.kind);
    m.badgeTitle = b.title;
    m.badgeSymbol = b.symbol;
    m.badgeMuted = isActivityHistorical;
    m.read = column(readTitle, "arrow.down.left", sample.bytesRead, peaks.read, sample, isActivityHistorical,
                    awaitingFreshSample);
    m.write = column(writeTitle, "arrow.up.right", sample.bytesWritten, peaks.write, sample, isActivityHistorical,
                     awaitingFreshSample);
    m.footerSymbol = isActivityHistorical ? "clock.arrow.circlepath" : "clock";
    // Only a finite length: an endless or not-a-number interval would read "inf초 구간".
    if (sample.intervalSeconds && std::isfinite(*sample.intervalSeconds) && !awaitingFreshSample) {
        m.intervalText = fixedDecimalText(*sample.intervalSeconds, 1) + intervalSuffix;
        m.separator = separatorText;
    }
    m.timeText = awaitingFreshSample ? std::string(awaitingText) : locale.time(sample.measuredAt);
    m.compact = compact;
    return m;
}

std::optional<DeviceObservationModel> DeviceObservationModel::fromStore(const ObserverStore& store, bool compact,
                                                                        const LocaleFormatter& locale) {
    const auto* device = selectedDevice(store);
    if (!device) return std::nullopt;
    return make(*device, !store.sampling().enabled, store.isAwaitingFreshSample(), compact,
                wendmark::ObservedPeakRates(store.selectedIntervals()), locale);
}

}  // namespace quentrel
